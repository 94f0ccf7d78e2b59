// Small helpers the text-to-number conversions share.
#pragma once

#include <string>
#include <string_view>

namespace classlib {

// The text without the blanks and control bytes around it.
std::string_view TrimBlanks(std::string_view s);

// A decimal number as written: [sign] digits [separator digits] [E [sign]
// digits], with at least one mantissa digit. Its value is
// digits * 10^(exponent - fraction_digits).
struct ScannedNumber {
  bool negative = false;
  std::string digits;  // integer and fraction digits in order
  int fraction_digits = 0;
  int exponent = 0;  // saturated far beyond any representable value
};
// False when `s` (already trimmed) is not such a number.
bool ScanNumber(std::string_view s, char decimal_sep, ScannedNumber& out);

// Raises EConvertError "'<s>' is not a valid integer value" (or "floating
// point value").
[[noreturn]] void RaiseNotInteger(const std::string& s);
[[noreturn]] void RaiseNotFloat(const std::string& s);

}  // namespace classlib
