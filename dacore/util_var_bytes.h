// Byte arrays held in Variants (one-dimensional arrays of varByte), the form
// in which binary field values travel.
#pragma once

#include "classlib/variant.h"
#include "dacore/util_bytes.h"

namespace dacore {

bool VarIsByteArray(const classlib::Variant& v);
// The bytes of a byte array, in order.
TBytes VarToBytes(const classlib::Variant& v);
classlib::Variant BytesToVar(const TBytes& bytes);

}  // namespace dacore
