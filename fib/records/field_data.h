// Reading a field's stored data, optionally as it stood before the record was
// edited (the data set's old-value state).
#pragma once

#include "classlib/field.h"
#include "classlib/variant.h"

namespace fib {

// The field's raw data in its buffer format; false when the field has none.
bool ReadFieldData(classlib::TField* field, bool old_value, void* buffer);

// The field's decimal value as a string variant: with "." as the point when
// `point` is set, else with the locale's separator; Null when the field has
// no data.
classlib::Variant BCDFieldAsVariantText(classlib::TField* field, bool old_value, bool point);

}  // namespace fib
