// TBcd values: conversions from and to integers and Currency, comparison.
#include "classlib/bcd.h"

#include "classlib/decimal_digits.h"
#include "classlib/exceptions.h"

namespace classlib {

namespace {

DecimalDigits UnpackOrRaise(const TBcd& bcd) {
  DecimalDigits x;
  if (!UnpackBcd(bcd, x)) throw EConvertError("Invalid BCD value");
  return x;
}

// The magnitude of an Int64 as digits; INT64_MIN has no positive Int64.
DecimalDigits IntegerDigits(int64_t value, int places) {
  DecimalDigits x;
  x.negative = value < 0;
  const uint64_t magnitude = x.negative ? 0 - static_cast<uint64_t>(value) : value;
  x.digits = UIntToDigits(magnitude);
  x.places = places;
  return x;
}

// -1, 0 or 1 for |a| against |b|, both with the same places.
int CompareMagnitudes(std::string a, std::string b) {
  a.erase(0, std::min(a.find_first_not_of('0'), a.size()));
  b.erase(0, std::min(b.find_first_not_of('0'), b.size()));
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

// The digits fill `precision` places with leading zeros and keep `decimals`
// places, so replacing the places of the result rescales the same digits.
bool CurrToBCD(Currency c, TBcd& bcd, int precision, int decimals) {
  if (precision < 1 || precision > kMaxFMTBcdFractionSize || decimals < 0 || decimals > 63 ||
      decimals > precision)
    return false;
  DecimalDigits x = IntegerDigits(c.value, 4);
  RoundDecimal(x, decimals);
  return PackBcd(x, precision, bcd);
}

bool BCDToCurr(const TBcd& bcd, Currency& c) {
  DecimalDigits x;
  int64_t scaled;
  if (!UnpackBcd(bcd, x) || !DecimalToScaled(x, 4, scaled)) return false;
  c = Currency::FromScaled(scaled);
  return true;
}

TBcd IntegerToBcd(int64_t i) {
  TBcd bcd;
  PackBcd(IntegerDigits(i, 0), 0, bcd);  // 19 digits at most: always fits
  return bcd;
}

bool BcdIsZero(const TBcd& bcd) { return IsZeroDecimal(UnpackOrRaise(bcd)); }

int BcdCompare(const TBcd& a, const TBcd& b) {
  DecimalDigits x = UnpackOrRaise(a);
  DecimalDigits y = UnpackOrRaise(b);
  const bool x_negative = x.negative && !IsZeroDecimal(x);
  const bool y_negative = y.negative && !IsZeroDecimal(y);
  if (x_negative != y_negative) return x_negative ? -1 : 1;
  // Padding both to the same places is exact.
  const int places = std::max(x.places, y.places);
  RoundDecimal(x, places);
  RoundDecimal(y, places);
  const int magnitude = CompareMagnitudes(x.digits, y.digits);
  return x_negative ? -magnitude : magnitude;
}

}  // namespace classlib
