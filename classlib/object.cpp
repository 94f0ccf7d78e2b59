#include "classlib/object.h"

#include <strings.h>

namespace classlib {

const TClassInfo& TObject::StaticClassInfo() {
  static const TClassInfo info{"TObject", nullptr};
  return info;
}

static bool SameName(const char* a, std::string_view b) {
  return std::string_view(a).size() == b.size() &&
         strncasecmp(a, b.data(), b.size()) == 0;
}

bool ClassInfoInheritsFrom(const TClassInfo& info, std::string_view name) {
  for (const TClassInfo* c = &info; c; c = c->parent)
    if (SameName(c->name, name)) return true;
  return false;
}

bool TObject::InheritsFromByName(std::string_view name) const {
  return ClassInfoInheritsFrom(ClassInfo(), name);
}

bool TObject::ClassNameIs(std::string_view name) const {
  return SameName(ClassInfo().name, name);
}

}  // namespace classlib
