#include "classlib/float_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace classlib {
namespace {

void DropTrailingZeros(std::string& digits) {
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
}

// Adds one unit in the last place; a carry out of the first digit makes the
// number one digit longer ("999" -> "1" with the exponent raised).
void IncrementLast(SignificantDigits& d) {
  for (size_t i = d.digits.size(); i-- > 0;) {
    if (d.digits[i] != '9') {
      ++d.digits[i];
      DropTrailingZeros(d.digits);
      return;
    }
    d.digits[i] = '0';
  }
  d.digits = "1";
  ++d.exponent;
}

std::string Sign(const SignificantDigits& d) { return d.negative && !d.IsZero() ? "-" : ""; }

std::string GroupThousands(const std::string& int_digits, char thousands) {
  std::string out;
  for (size_t i = 0; i < int_digits.size(); ++i) {
    if (i > 0 && (int_digits.size() - i) % 3 == 0) out += thousands;
    out += int_digits[i];
  }
  return out;
}

// Digit `index` of the expansion, counting from the first significant digit;
// positions outside the stored digits are zeros.
char DigitAt(const SignificantDigits& d, long long index) {
  if (index < 0 || index >= static_cast<long long>(d.digits.size())) return '0';
  return d.digits[static_cast<size_t>(index)];
}

// An upper bound of the significant decimal digits of a positive finite
// double. Printing exactly that many is far cheaper than printing the 767
// digits the smallest values need.
int ExactDigitCount(double value) {
  int exp2 = 0;
  double fraction = std::frexp(value, &exp2);
  auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  int e = exp2 - 53;  // value == mantissa * 2^e
  while ((mantissa & 1) == 0) {
    mantissa >>= 1;
    ++e;
  }
  // An integer has as many digits as its magnitude; m * 2^-k is
  // m * 5^k / 10^k, whose digits are those of m * 5^k.
  double digits = e >= 0 ? std::log10(value)
                         : std::log10(static_cast<double>(mantissa)) - e * std::log10(5.0);
  return static_cast<int>(digits) + 2;
}

}  // namespace

SignificantDigits ExactDigits(double value) {
  SignificantDigits d;
  if (value == 0 || !std::isfinite(value)) return d;
  d.negative = value < 0;
  // A double's exact expansion has at most 767 significant digits.
  char buf[800];
  int precision = std::min(ExactDigitCount(std::fabs(value)), 770);
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                           std::chars_format::scientific, precision);
  const char* e = std::find(buf, res.ptr, 'e');
  d.digits.push_back(buf[0]);
  for (const char* p = buf + 2; p < e; ++p) d.digits.push_back(*p);
  DropTrailingZeros(d.digits);
  int exp10 = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), res.ptr, exp10);
  d.exponent = exp10 + 1;
  return d;
}

SignificantDigits ExactDigits(Currency value) {
  SignificantDigits d;
  if (value.value == 0) return d;
  d.negative = value.value < 0;
  // The magnitude of the most negative value does not fit a signed integer.
  uint64_t magnitude = d.negative ? 0 - static_cast<uint64_t>(value.value)
                                  : static_cast<uint64_t>(value.value);
  d.digits = std::to_string(magnitude);
  d.exponent = static_cast<int>(d.digits.size()) - 4;
  DropTrailingZeros(d.digits);
  return d;
}

SignificantDigits RoundDigits(SignificantDigits d, int significant, int decimals) {
  if (d.IsZero()) return d;
  long long keep = std::min<long long>(significant, static_cast<long long>(d.exponent) + decimals);
  if (keep >= static_cast<long long>(d.digits.size())) return d;
  bool round_up = keep >= 0 && d.digits[static_cast<size_t>(keep)] >= '5';
  if (keep <= 0) {
    if (!round_up) return SignificantDigits{};
    d.digits = "1";
    d.exponent -= static_cast<int>(keep) - 1;
    return d;
  }
  d.digits.resize(static_cast<size_t>(keep));
  if (round_up) {
    IncrementLast(d);
  } else {
    DropTrailingZeros(d.digits);
  }
  return d;
}

std::string NonFiniteText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  return std::string();
}

std::string FixedText(const SignificantDigits& d, int decimals, char decimal_sep, char thousands) {
  std::string int_digits;
  for (long long i = 0; i < d.exponent; ++i) int_digits += DigitAt(d, i);
  if (int_digits.empty()) int_digits = "0";
  std::string out = Sign(d);
  out += thousands ? GroupThousands(int_digits, thousands) : int_digits;
  if (decimals > 0) {
    out += decimal_sep;
    for (int i = 0; i < decimals; ++i) out += DigitAt(d, static_cast<long long>(d.exponent) + i);
  }
  return out;
}

std::string ExponentText(const SignificantDigits& d, int precision, int exponent_digits,
                         char decimal_sep) {
  std::string out = Sign(d);
  out += d.IsZero() ? '0' : d.digits[0];
  if (precision > 1) {
    out += decimal_sep;
    for (int i = 1; i < precision; ++i) out += DigitAt(d, i);
  }
  int exponent = d.IsZero() ? 0 : d.exponent - 1;
  std::string exp_text = std::to_string(std::abs(exponent));
  if (static_cast<int>(exp_text.size()) < exponent_digits)
    exp_text.insert(0, static_cast<size_t>(exponent_digits) - exp_text.size(), '0');
  out += exponent < 0 ? "E-" : "E+";
  return out + exp_text;
}

std::string GeneralText(const SignificantDigits& d, int precision, char decimal_sep) {
  if (d.IsZero()) return "0";
  std::string out = Sign(d);
  const std::string& digits = d.digits;
  const int size = static_cast<int>(digits.size());
  if (d.exponent > precision || d.exponent < -3) {
    out += digits[0];
    if (size > 1) out += decimal_sep + digits.substr(1);
    return out + "E" + std::to_string(d.exponent - 1);
  }
  if (d.exponent <= 0) {
    out += '0';
    out += decimal_sep;
    out.append(static_cast<size_t>(-d.exponent), '0');
    return out + digits;
  }
  for (int i = 0; i < d.exponent; ++i) out += DigitAt(d, i);
  if (size > d.exponent) out += decimal_sep + digits.substr(static_cast<size_t>(d.exponent));
  return out;
}

}  // namespace classlib
