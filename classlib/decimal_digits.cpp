#include "classlib/decimal_digits.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace classlib {

DecimalDigits DecimalFromDouble(double d) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
  const std::string text(buf, res.ptr);  // "-1.5e-04"
  DecimalDigits x;
  size_t i = 0;
  if (text[i] == '-') {
    x.negative = true;
    ++i;
  }
  const size_t e = text.find('e');
  for (; i < e; ++i)
    if (text[i] != '.') x.digits += text[i];
  const int exponent = std::atoi(text.c_str() + e + 1);
  // digits d0.d1d2... times 10^exponent
  x.places = static_cast<int>(x.digits.size()) - 1 - exponent;
  if (x.places < 0) {
    x.digits.append(static_cast<size_t>(-x.places), '0');
    x.places = 0;
  }
  return x;
}

static void DropLeadingZeros(DecimalDigits& x) {
  size_t lead = 0;
  const size_t int_digits =
      x.digits.size() > static_cast<size_t>(x.places) ? x.digits.size() - x.places : 0;
  while (lead < int_digits && x.digits[lead] == '0') ++lead;
  x.digits.erase(0, lead);
}

void TrimDecimal(DecimalDigits& x) {
  while (x.places > 0 && (x.digits.empty() || x.digits.back() == '0')) {
    if (!x.digits.empty()) x.digits.pop_back();
    --x.places;
  }
  DropLeadingZeros(x);
}

static void IncrementDigits(std::string& digits) {
  size_t i = digits.size();
  while (i > 0) {
    if (digits[--i] != '9') {
      ++digits[i];
      return;
    }
    digits[i] = '0';
  }
  digits.insert(digits.begin(), '1');
}

void RoundDecimal(DecimalDigits& x, int places) {
  if (x.places <= places) {
    x.digits.append(static_cast<size_t>(places - x.places), '0');
    x.places = places;
    return;
  }
  const size_t drop = static_cast<size_t>(x.places - places);
  if (x.digits.size() < drop) x.digits.insert(0, drop - x.digits.size(), '0');
  const size_t kept = x.digits.size() - drop;
  const std::string removed(x.digits, kept);
  x.digits.erase(kept);
  x.places = places;

  const bool rest_zero = removed.find_first_not_of('0', 1) == std::string::npos;
  const bool kept_odd = !x.digits.empty() && (x.digits.back() - '0') % 2 == 1;
  const bool up = removed[0] > '5' || (removed[0] == '5' && (!rest_zero || kept_odd));
  if (up) IncrementDigits(x.digits);
}

bool IsZeroDecimal(const DecimalDigits& x) {
  return x.digits.find_first_not_of('0') == std::string::npos;
}

// The digits as an integer; false when it exceeds `limit`.
static bool DigitsToUInt(const std::string& digits, uint64_t limit, uint64_t& out) {
  out = 0;
  for (const char c : digits) {
    const uint64_t d = static_cast<uint64_t>(c - '0');
    if (out > (limit - d) / 10) return false;
    out = out * 10 + d;
  }
  return true;
}

std::string UIntToDigits(uint64_t value) { return std::to_string(value); }

bool DecimalToScaled(DecimalDigits x, int places, int64_t& out) {
  RoundDecimal(x, places);
  const uint64_t max_magnitude = x.negative ? uint64_t{1} << 63 : INT64_MAX;
  uint64_t magnitude;
  if (!DigitsToUInt(x.digits, max_magnitude, magnitude)) return false;
  // Negating in unsigned arithmetic reaches INT64_MIN without overflow.
  out = static_cast<int64_t>(x.negative ? 0 - magnitude : magnitude);
  return true;
}

bool UnpackBcd(const TBcd& bcd, DecimalDigits& out) {
  if (bcd.Precision > kMaxFMTBcdFractionSize) return false;
  out.negative = bcd.IsNegative();
  out.places = bcd.Places();
  out.digits.clear();
  for (int i = 0; i < bcd.Precision; ++i) {
    const uint8_t byte = bcd.Fraction[i / 2];
    const int nibble = i % 2 == 0 ? byte >> 4 : byte & 0x0F;
    if (nibble > 9) return false;
    out.digits += static_cast<char>('0' + nibble);
  }
  return true;
}

bool PackBcd(DecimalDigits x, int precision, TBcd& out) {
  DropLeadingZeros(x);
  if (x.places > 63) return false;
  // Every decimal place needs a digit, and a number needs at least one.
  const size_t needed = std::max<size_t>(static_cast<size_t>(x.places), 1);
  if (x.digits.size() < needed) x.digits.insert(0, needed - x.digits.size(), '0');
  if (precision == 0) precision = static_cast<int>(x.digits.size());
  if (precision > kMaxFMTBcdFractionSize || x.digits.size() > static_cast<size_t>(precision))
    return false;
  x.digits.insert(0, precision - x.digits.size(), '0');

  TBcd bcd;
  bcd.Precision = static_cast<uint8_t>(precision);
  bcd.SignSpecialPlaces = static_cast<uint8_t>(x.places);
  if (x.negative && !IsZeroDecimal(x)) bcd.SignSpecialPlaces |= 0x80;
  for (int i = 0; i < precision; ++i) {
    const uint8_t d = static_cast<uint8_t>(x.digits[i] - '0');
    bcd.Fraction[i / 2] |= i % 2 == 0 ? static_cast<uint8_t>(d << 4) : d;
  }
  out = bcd;
  return true;
}

}  // namespace classlib
