// Conversions between numbers and text with the platform's rules.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/currency.h"

namespace classlib {

struct TFormatSettings;

std::string IntToStr(int64_t value);
std::string UIntToStr(uint64_t value);
std::string IntToHex(int64_t value, int digits);  // upper case, at least `digits` digits
// Decimal, or hexadecimal with a leading "$" or "0x"; leading and trailing
// blanks allowed. StrToInt raises EConvertError "'%s' is not a valid integer value".
int StrToInt(const std::string& s);
int64_t StrToInt64(const std::string& s);
int StrToIntDef(const std::string& s, int def);
int64_t StrToInt64Def(const std::string& s, int64_t def);
bool TryStrToInt(const std::string& s, int& out);
bool TryStrToInt64(const std::string& s, int64_t& out);

// 15 significant digits, the decimal separator of the settings, exponent form
// ("1.5E20") where the platform switches to it; "NAN", "INF", "-INF".
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& fs);
// Raises EConvertError "'%s' is not a valid floating point value".
double StrToFloat(const std::string& s);
double StrToFloat(const std::string& s, const TFormatSettings& fs);
bool TryStrToFloat(const std::string& s, double& out);
bool TryStrToFloat(const std::string& s, double& out, const TFormatSettings& fs);
double StrToFloatDef(const std::string& s, double def);
// Picture formats: "0", "#", ".", ",", "E+", "E-", quoted text, ";" sections.
std::string FormatFloat(const std::string& format, double value);
std::string FormatFloat(const std::string& format, double value, const TFormatSettings& fs);
std::string CurrToStr(Currency value);
std::string CurrToStr(Currency value, const TFormatSettings& fs);
Currency StrToCurr(const std::string& s);
bool TryStrToCurr(const std::string& s, Currency& out);
bool TryStrToCurr(const std::string& s, Currency& out, const TFormatSettings& fs);

}  // namespace classlib
