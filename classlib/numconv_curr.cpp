#include <charconv>

#include "classlib/float_text.h"
#include "classlib/format_settings.h"
#include "classlib/number_text.h"
#include "classlib/numconv.h"

namespace classlib {
namespace {

// At most 19 decimal digits always fit an unsigned 64-bit integer.
constexpr size_t kMaxDigits = 19;

uint64_t DigitsValue(std::string_view digits) {
  uint64_t v = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), v);
  return v;
}

// Rounds the scaled integer `whole` up when the dropped digits `rest` are more
// than a half, or exactly a half and `whole` is odd (half to even, the rule of
// Currency's arithmetic).
bool RoundsUp(uint64_t whole, std::string_view rest) {
  if (rest.empty() || rest[0] < '5') return false;
  if (rest[0] > '5') return true;
  if (rest.find_first_not_of('0', 1) != std::string_view::npos) return true;
  return (whole & 1) != 0;
}

// The number scaled by 10^4 as an unsigned magnitude; false on overflow of
// the digits (the sign's limit is checked by the caller).
bool ScaledMagnitude(const ScannedNumber& n, uint64_t& out) {
  std::string_view digits = n.digits;
  size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) {
    out = 0;
    return true;
  }
  digits.remove_prefix(first);
  long long shift = static_cast<long long>(n.exponent) - n.fraction_digits + 4;
  if (shift >= 0) {
    if (static_cast<long long>(digits.size()) + shift > static_cast<long long>(kMaxDigits))
      return false;
    out = DigitsValue(digits);
    for (long long i = 0; i < shift; ++i) out *= 10;
    return true;
  }
  long long split = static_cast<long long>(digits.size()) + shift;
  if (split <= 0) {
    // Only a fraction below the fourth decimal: a half or more needs a digit
    // right at the rounding place.
    out = split == 0 && RoundsUp(0, digits) ? 1 : 0;
    return true;
  }
  if (static_cast<size_t>(split) > kMaxDigits) return false;
  std::string_view whole_digits = digits.substr(0, static_cast<size_t>(split));
  out = DigitsValue(whole_digits);
  if (RoundsUp(out, digits.substr(static_cast<size_t>(split)))) ++out;
  return true;
}

}  // namespace

std::string CurrToStr(Currency value) { return CurrToStr(value, FormatSettings()); }

std::string CurrToStr(Currency value, const TFormatSettings& fs) {
  // Every currency value has at most 19 digits, so the general form with 19
  // digits is exact and never switches to an exponent.
  return GeneralText(ExactDigits(value), 19, fs.DecimalSeparator);
}

bool TryStrToCurr(const std::string& s, Currency& out, const TFormatSettings& fs) {
  ScannedNumber n;
  if (!ScanNumber(TrimBlanks(s), fs.DecimalSeparator, n)) return false;
  uint64_t magnitude = 0;
  if (!ScaledMagnitude(n, magnitude)) return false;
  const uint64_t limit = n.negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (magnitude > limit) return false;
  out.value = static_cast<int64_t>(n.negative ? 0 - magnitude : magnitude);
  return true;
}

bool TryStrToCurr(const std::string& s, Currency& out) {
  return TryStrToCurr(s, out, FormatSettings());
}

Currency StrToCurr(const std::string& s, const TFormatSettings& fs) {
  Currency c;
  if (!TryStrToCurr(s, c, fs)) RaiseNotFloat(s);
  return c;
}

Currency StrToCurr(const std::string& s) { return StrToCurr(s, FormatSettings()); }

}  // namespace classlib
