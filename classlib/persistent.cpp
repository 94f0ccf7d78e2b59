#include "classlib/persistent.h"

#include "classlib/exceptions.h"

namespace classlib {

void TPersistent::Assign(const TPersistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  std::string source_name = source ? source->ClassName() : std::string("nil");
  throw EConvertError("Cannot assign a " + source_name + " to a " + ClassName());
}

std::string TPersistent::GetNamePath() const {
  std::string result = ClassName();
  if (TPersistent* owner = GetOwner()) {
    std::string owner_path = owner->GetNamePath();
    if (!owner_path.empty()) result = owner_path + "." + result;
  }
  return result;
}

}  // namespace classlib
