// The layer's field class for each field type of a column.
#pragma once

#include "classlib/component.h"
#include "classlib/field.h"

namespace fib {

// A new field of the layer's class for `type`, owned by `owner`; nullptr for
// a type the layer has no class of its own for (the class library's then).
classlib::TField* NewFIBField(classlib::TFieldType type, classlib::TComponent* owner);

}  // namespace fib
