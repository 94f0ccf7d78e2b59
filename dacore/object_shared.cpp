#include "dacore/object_shared.h"

#include "classlib/exceptions.h"
#include "dacore/util_memory.h"

namespace dacore {

TSharedObject::~TSharedObject() = default;

void TSharedObject::Release() {
  const int before = ref_count_.fetch_sub(1);
  if (before < 1) {
    ref_count_.fetch_add(1);
    classlib::Assert(false, __FILE__, __LINE__,
                     ClassName() + ".Free RefCount = " + std::to_string(before));
  }
  if (before == 1) {
    FreeObjectHandle(GetObjectHandle());
    delete this;
  }
}

void* TSharedObject::GetObjectHandle() const {
  return AllocObjectHandle(const_cast<TSharedObject*>(this));
}

}  // namespace dacore
