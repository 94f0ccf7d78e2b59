#include "dacore/util_class_test.h"

#include <atomic>

namespace dacore {

namespace {

std::atomic<bool> is_library{false};

bool InheritsFrom(const classlib::TClassInfo* info, const classlib::TClassInfo& cls) {
  for (; info; info = info->parent)
    if (info == &cls) return true;
  return false;
}

}  // namespace

bool IsLibrary() { return is_library.load(); }
void SetIsLibrary(bool value) { is_library.store(value); }

bool InheritsFromByName(const classlib::TObject* obj, const classlib::TClassInfo& cls) {
  return obj && obj->InheritsFromByName(cls.name);
}

bool IsClassOrNamed(const classlib::TObject* obj, const classlib::TClassInfo& cls) {
  if (!obj) return false;
  return IsLibrary() ? InheritsFromByName(obj, cls) : InheritsFrom(&obj->ClassInfo(), cls);
}

}  // namespace dacore
