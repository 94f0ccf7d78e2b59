#include "fib/base/bcd_scaled.h"

#include <cmath>

#include "fib/base/numeric_helpers.h"

namespace fib {

namespace {

constexpr uint8_t kSignBit = 0x80;
constexpr uint8_t kSpecialScale = 64;  // the special bit read as part of the scale

int Nibble(const classlib::TBcd& bcd, int index) {
  uint8_t pair = bcd.Fraction[index / 2];
  return index % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

// The digits as an unsigned magnitude; false on a bad digit or overflow.
bool Magnitude(const classlib::TBcd& bcd, uint64_t& magnitude) {
  if (bcd.Precision > classlib::kMaxFMTBcdFractionSize) return false;
  magnitude = 0;
  for (int i = 0; i < bcd.Precision; ++i) {
    int digit = Nibble(bcd, i);
    if (digit > 9) return false;
    if (magnitude > (UINT64_MAX - static_cast<uint64_t>(digit)) / 10) return false;
    magnitude = magnitude * 10 + static_cast<uint64_t>(digit);
  }
  return true;
}

}  // namespace

bool BCDToInt64Scaled(const classlib::TBcd& bcd, int64_t& value, uint8_t& scale) {
  value = 0;
  scale = static_cast<uint8_t>(bcd.SignSpecialPlaces & ~kSignBit);
  if (scale >= kSpecialScale) return true;
  bool negative = (bcd.SignSpecialPlaces & kSignBit) != 0;
  uint64_t magnitude = 0;
  if (!Magnitude(bcd, magnitude)) return false;
  // The smallest Int64 has no positive counterpart but is a valid result.
  uint64_t limit = negative ? uint64_t{1} << 63 : static_cast<uint64_t>(INT64_MAX);
  if (magnitude > limit) return false;
  value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

bool BCDToExtended(const classlib::TBcd& bcd, long double& value) {
  int64_t scaled = 0;
  uint8_t scale = 0;
  value = 0;
  if (!BCDToInt64Scaled(bcd, scaled, scale)) return false;
  // Dividing by the exact power gives the correctly rounded quotient, which
  // multiplying by an inexact 10^-scale would not.
  long double divisor = scale <= kMaxPowerOfTen ? PowerOfTen(scale) : std::pow(10.0L, scale);
  value = static_cast<long double>(scaled) / divisor;
  return true;
}

}  // namespace fib
