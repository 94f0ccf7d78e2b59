#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

#include "classlib/float_text.h"
#include "classlib/format_settings.h"
#include "classlib/number_text.h"
#include "classlib/numconv.h"

namespace classlib {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
  return true;
}

bool ParseNonFinite(std::string_view s, double& out) {
  bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
  if (EqualsNoCase(s, "INF")) {
    out = negative ? -std::numeric_limits<double>::infinity()
                   : std::numeric_limits<double>::infinity();
    return true;
  }
  if (EqualsNoCase(s, "NAN")) {
    out = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  return false;
}

// The scanned digits go to std::from_chars in its own notation, which reads
// correctly rounded and, unlike strtod, ignores the process locale (the window
// toolkit switches it to the user's).
bool ParseFloat(std::string_view text, char decimal_sep, double& out) {
  std::string_view s = TrimBlanks(text);
  if (ParseNonFinite(s, out)) return true;
  ScannedNumber n;
  if (!ScanNumber(s, decimal_sep, n)) return false;
  std::string plain = n.digits + "e" + std::to_string(n.exponent - n.fraction_digits);
  double value = 0;
  auto res = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large is an error; too small is zero.
    size_t first = n.digits.find_first_not_of('0');
    long long magnitude = static_cast<long long>(n.digits.size() - first) -
                          n.fraction_digits + n.exponent;
    if (magnitude > 0) return false;
    value = 0;
  } else if (res.ec != std::errc()) {
    return false;
  }
  out = n.negative ? -value : value;
  return true;
}

}  // namespace

std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }

std::string FloatToStr(double value, const TFormatSettings& fs) {
  std::string special = NonFiniteText(value);
  if (!special.empty()) return special;
  constexpr int kDigits = 15;
  return GeneralText(RoundDigits(ExactDigits(value), kDigits, INT_MAX), kDigits,
                     fs.DecimalSeparator);
}

bool TryStrToFloat(const std::string& s, double& out, const TFormatSettings& fs) {
  return ParseFloat(s, fs.DecimalSeparator, out);
}

bool TryStrToFloat(const std::string& s, double& out) {
  return TryStrToFloat(s, out, FormatSettings());
}

double StrToFloat(const std::string& s, const TFormatSettings& fs) {
  double v = 0;
  if (!TryStrToFloat(s, v, fs)) RaiseNotFloat(s);
  return v;
}

double StrToFloat(const std::string& s) { return StrToFloat(s, FormatSettings()); }

double StrToFloatDef(const std::string& s, double def) {
  double v = 0;
  return TryStrToFloat(s, v) ? v : def;
}

}  // namespace classlib
