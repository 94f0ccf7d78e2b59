// TPersistent: an object whose state can be copied into another object with
// Assign. A class that knows how to copy from a source overrides Assign; a
// class that knows how to copy itself into a destination overrides AssignTo.
// When neither side knows the other, the copy fails with EConvertError
// "Cannot assign a <source class> to a <destination class>".
#pragma once

#include <string>

#include "classlib/object.h"

namespace classlib {

class TPersistent : public TObject {
  CLASSLIB_CLASS(TPersistent, TObject)
 public:
  // Copies source into this object; source may be nullptr (then it fails
  // naming "nil" as the source class).
  virtual void Assign(const TPersistent* source);

  // The object that owns this one (a collection for its items, a component
  // for its sub-objects), or nullptr.
  virtual TPersistent* GetOwner() const { return nullptr; }

  // The dotted name by which designers and messages identify this object:
  // the owner's path, ".", and the class name.
  virtual std::string GetNamePath() const;

 protected:
  // Copies this object into dest; the default refuses.
  virtual void AssignTo(TPersistent* dest) const;

  [[noreturn]] void AssignError(const TPersistent* source) const;
};

}  // namespace classlib
