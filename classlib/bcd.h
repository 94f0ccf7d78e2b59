// TBcd: the class library's packed decimal. Up to 64 digits, two per byte,
// most significant first; SignSpecialPlaces holds the sign in bit 7, the
// "special" flag in bit 6 and the number of decimal places in bits 0-5.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/currency.h"

namespace classlib {

struct TBcd {
  uint8_t Precision = 0;            // 1..64 digits
  uint8_t SignSpecialPlaces = 0;    // sign bit 7, special bit 6, places 0..63
  uint8_t Fraction[32] = {};        // packed digits, high nibble first

  bool IsNegative() const { return (SignSpecialPlaces & 0x80) != 0; }
  int Places() const { return SignSpecialPlaces & 0x3F; }
};

constexpr int kMaxFMTBcdFractionSize = 64;

// Conversions raise EConvertError (text, overflow) as the platform does.
bool CurrToBCD(Currency c, TBcd& bcd, int precision = 32, int decimals = 4);
bool BCDToCurr(const TBcd& bcd, Currency& c);  // rounds half to even past 4 places
std::string BCDToStr(const TBcd& bcd);  // uses the decimal separator of the format settings
TBcd StrToBCD(const std::string& s);
bool TryStrToBcd(const std::string& s, TBcd& bcd);
double BCDToDouble(const TBcd& bcd);
TBcd DoubleToBCD(double d);
TBcd IntegerToBcd(int64_t i);
int BcdCompare(const TBcd& a, const TBcd& b);
bool BcdIsZero(const TBcd& bcd);

}  // namespace classlib
