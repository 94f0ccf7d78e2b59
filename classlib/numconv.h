// Conversions between numbers and text with the platform's rules.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>

#include "classlib/currency.h"

namespace classlib {

struct TFormatSettings;

std::string IntToStr(int64_t value);
std::string UIntToStr(uint64_t value);
// Upper case, at least `digits` digits. A negative value is written as the
// two's complement of its own type: 16 digits for 64-bit values, 8 for int
// and narrower ("FFFFFFFF" for an int of -1).
std::string IntToHex(int64_t value, int digits);
std::string UIntToHex(uint64_t value, int digits);
template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, int64_t>)
std::string IntToHex(T value, int digits) {
  uint64_t bits = static_cast<uint64_t>(value);
  if constexpr (sizeof(T) <= 4) bits &= 0xFFFFFFFFu;
  return UIntToHex(bits, digits);
}
// Decimal, or hexadecimal with a leading "$" or "0x"; leading and trailing
// blanks allowed. StrToInt raises EConvertError "'%s' is not a valid integer value".
int StrToInt(const std::string& s);
int64_t StrToInt64(const std::string& s);
int StrToIntDef(const std::string& s, int def);
int64_t StrToInt64Def(const std::string& s, int64_t def);
bool TryStrToInt(const std::string& s, int& out);
bool TryStrToInt64(const std::string& s, int64_t& out);

// 15 significant digits, the decimal separator of the settings, trailing
// zeros dropped. Exponent form ("1.5E20", "1E-5") when the integer part would
// need more than 15 digits or the value is below 0.0001; "NAN", "INF", "-INF".
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& fs);
// Blanks around the number, a sign, digits with the settings' decimal
// separator and an exponent ("1,5E-3" with ","); also "INF", "-INF" and "NAN"
// so that FloatToStr's text reads back. Raises EConvertError
// "'%s' is not a valid floating point value", also for values out of range.
double StrToFloat(const std::string& s);
double StrToFloat(const std::string& s, const TFormatSettings& fs);
bool TryStrToFloat(const std::string& s, double& out);
bool TryStrToFloat(const std::string& s, double& out, const TFormatSettings& fs);
double StrToFloatDef(const std::string& s, double def);
// Picture formats: "0" (digit), "#" (digit when significant), "." (decimal
// separator), "," (thousand separators), "E+00"/"E-00" (exponent), quoted
// text, and up to three ";" sections for positive, negative and zero values.
// An empty format gives FloatToStr's text. At most 15 significant digits.
std::string FormatFloat(const std::string& format, double value);
std::string FormatFloat(const std::string& format, double value, const TFormatSettings& fs);
// All significant decimals (up to four), trailing zeros dropped: "1.5", "-0.0001".
std::string CurrToStr(Currency value);
std::string CurrToStr(Currency value, const TFormatSettings& fs);
// Exact on the scaled integer: text with up to four decimals never passes
// through a double; further decimals round half to even. Raises EConvertError
// "'%s' is not a valid floating point value" for bad text or overflow.
Currency StrToCurr(const std::string& s);
Currency StrToCurr(const std::string& s, const TFormatSettings& fs);
bool TryStrToCurr(const std::string& s, Currency& out);
bool TryStrToCurr(const std::string& s, Currency& out, const TFormatSettings& fs);

}  // namespace classlib
