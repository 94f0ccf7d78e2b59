// TBcd: the class library's packed decimal. Up to 64 digits, two per byte,
// most significant first; SignSpecialPlaces holds the sign in bit 7, the
// "special" flag in bit 6 and the number of decimal places in bits 0-5.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/currency.h"

namespace classlib {

struct TFormatSettings;

struct TBcd {
  uint8_t Precision = 0;            // 1..64 digits
  uint8_t SignSpecialPlaces = 0;    // sign bit 7, special bit 6, places 0..63
  uint8_t Fraction[32] = {};        // packed digits, high nibble first

  bool IsNegative() const { return (SignSpecialPlaces & 0x80) != 0; }
  int Places() const { return SignSpecialPlaces & 0x3F; }
};

constexpr int kMaxFMTBcdFractionSize = 64;

// The first Precision nibbles of Fraction are the number's digits and the
// last Places of them its decimals (Places may exceed Precision: the missing
// digits are leading zeros).

// A zero never carries the sign when these routines produce it; a negative
// zero that comes in reads as zero. Routines that return a value raise
// EConvertError for a malformed TBcd (precision above 64, a nibble above 9).

// The result has exactly `precision` digits and `decimals` places (the value
// rounded half to even when decimals < 4); false when it does not fit.
bool CurrToBCD(Currency c, TBcd& bcd, int precision = 32, int decimals = 4);
// Rounds half to even past 4 places; false when the value does not fit.
bool BCDToCurr(const TBcd& bcd, Currency& c);
// Significant digits only: "1.5", "-0.25", "0". The decimal separator comes
// from the format settings.
std::string BCDToStr(const TBcd& bcd);
std::string BCDToStr(const TBcd& bcd, const TFormatSettings& fs);
// [sign]digits[separator digits], blanks around; the places are those
// written. StrToBCD raises EConvertError "'%s' is not a valid BCD value".
TBcd StrToBCD(const std::string& s);
TBcd StrToBCD(const std::string& s, const TFormatSettings& fs);
bool TryStrToBcd(const std::string& s, TBcd& bcd);
bool TryStrToBcd(const std::string& s, TBcd& bcd, const TFormatSettings& fs);
double BCDToDouble(const TBcd& bcd);
// The shortest decimal that reads back as d (0.1 is 0.1, not its binary
// expansion); EConvertError for NaN, infinities and more than 64 digits.
TBcd DoubleToBCD(double d);
TBcd IntegerToBcd(int64_t i);
// -1, 0 or 1.
int BcdCompare(const TBcd& a, const TBcd& b);
bool BcdIsZero(const TBcd& bcd);

}  // namespace classlib
