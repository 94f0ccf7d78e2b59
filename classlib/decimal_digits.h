// A decimal number kept as its digit string: the working form of the
// fixed-point conversions (Currency from double, TBcd), which round in
// decimal as people write numbers, not in binary.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/bcd.h"

namespace classlib {

struct DecimalDigits {
  bool negative = false;
  std::string digits;  // '0'..'9', most significant first
  int places = 0;      // how many of the last digits are decimals
};

// The shortest decimal that reads back as d, so 0.00015 stays a tie at the
// fourth decimal. d must be finite.
DecimalDigits DecimalFromDouble(double d);
// Drops leading zeros of the integer part and trailing zeros of the decimals.
void TrimDecimal(DecimalDigits& x);
// To exactly `places` decimals: rounds halves to even, or pads with zeros.
void RoundDecimal(DecimalDigits& x, int places);
bool IsZeroDecimal(const DecimalDigits& x);
std::string UIntToDigits(uint64_t value);
// x rounded to `places` decimals (halves to even) as an integer scaled by
// 10^places; false when that does not fit an Int64.
bool DecimalToScaled(DecimalDigits x, int places, int64_t& out);
// n / d rounded to the nearest integer, halves to the even neighbour.
__int128 DivideHalfEven(__int128 n, __int128 d);

// The packed form. Unpacking fails on a precision above 64 or a nibble above
// 9; packing fails when the number needs more than 64 digits or 63 places.
// Packing keeps the places and drops leading zeros; with precision 0 it uses
// as many digits as the number needs, otherwise exactly `precision` (the
// number must fit).
bool UnpackBcd(const TBcd& bcd, DecimalDigits& out);
bool PackBcd(DecimalDigits x, int precision, TBcd& out);

}  // namespace classlib
