// The decimal digits of a number and the text layouts built from them. The
// formatting and conversion routines share these so that rounding and the
// placement of separators and exponents follow one set of rules.
#pragma once

#include <string>

#include "classlib/currency.h"

namespace classlib {

// A number as 0.d1d2d3... * 10^exponent. `digits` has no leading or trailing
// zeros; it is empty for zero.
struct SignificantDigits {
  bool negative = false;
  std::string digits;
  int exponent = 0;

  bool IsZero() const { return digits.empty(); }
};

// The exact decimal expansion of a finite double, and of a currency value.
SignificantDigits ExactDigits(double value);
SignificantDigits ExactDigits(Currency value);

// Keeps at most `significant` digits and no digit beyond `decimals` places
// after the point, rounding halves away from zero (the rule people expect of
// printed amounts: 0.125 to two places is 0.13).
SignificantDigits RoundDigits(SignificantDigits d, int significant, int decimals);

// "NAN", "INF" or "-INF" for a value that is not finite, else empty.
std::string NonFiniteText(double value);

// Fixed point with exactly `decimals` places; `thousands` groups the integer
// digits by three when it is not '\0'. Zero never carries a minus sign.
std::string FixedText(const SignificantDigits& d, int decimals, char decimal_sep, char thousands);

// Scientific with `precision` significant digits in the mantissa, then "E",
// the exponent's sign ("+" too) and at least `exponent_digits` digits.
std::string ExponentText(const SignificantDigits& d, int precision, int exponent_digits,
                         char decimal_sep);

// The shortest of fixed and scientific form for at most `precision`
// significant digits, trailing zeros dropped. Scientific form is used when the
// integer part would need more than `precision` digits or the value is below
// 0.0001; its exponent is written "E20" / "E-5" (sign only when negative).
std::string GeneralText(const SignificantDigits& d, int precision, char decimal_sep);

}  // namespace classlib
