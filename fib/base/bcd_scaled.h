// Packed decimals as scaled 64-bit integers, the form INT64 columns travel in.
// The conversions report failure through their result and never raise.
#pragma once

#include <cstdint>

#include "classlib/bcd.h"

namespace fib {

// The decimal's digits as one signed integer and its number of places as
// the scale: -12.345 gives -12345 and scale 3. False for digits that do not
// fit an Int64 or are malformed. A special decimal (bit 6 of the sign byte)
// gives 0 with its scale byte as it stands, and true.
bool BCDToInt64Scaled(const classlib::TBcd& bcd, int64_t& value, uint8_t& scale);

// The decimal as an extended float, through BCDToInt64Scaled.
bool BCDToExtended(const classlib::TBcd& bcd, long double& value);

}  // namespace fib
