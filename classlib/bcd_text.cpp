// TBcd to and from text and doubles.
#include <cctype>
#include <charconv>
#include <cmath>

#include "classlib/bcd.h"
#include "classlib/decimal_digits.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"

namespace classlib {

namespace {

// [blanks][sign]digits[separator digits][blanks]; at least one digit.
bool ParseDecimalText(const std::string& s, char separator, DecimalDigits& x) {
  size_t i = 0;
  const auto skip_blanks = [&] {
    while (i < s.size() && s[i] == ' ') ++i;
  };
  skip_blanks();
  x = DecimalDigits();
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) x.negative = s[i++] == '-';
  bool any_digit = false;
  bool in_fraction = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      x.digits += c;
      any_digit = true;
      if (in_fraction) ++x.places;
    } else if (c == separator && !in_fraction) {
      in_fraction = true;
    } else {
      break;
    }
  }
  skip_blanks();
  return any_digit && i == s.size();
}

std::string DecimalText(DecimalDigits x, char separator) {
  TrimDecimal(x);
  const size_t places = static_cast<size_t>(x.places);
  if (x.digits.size() <= places) x.digits.insert(0, places + 1 - x.digits.size(), '0');
  std::string text = x.negative && !IsZeroDecimal(x) ? "-" : "";
  text += x.digits.substr(0, x.digits.size() - places);
  if (places > 0) text += separator + x.digits.substr(x.digits.size() - places);
  return text;
}

}  // namespace

std::string BCDToStr(const TBcd& bcd, const TFormatSettings& fs) {
  DecimalDigits x;
  if (!UnpackBcd(bcd, x)) throw EConvertError("Invalid BCD value");
  return DecimalText(x, fs.DecimalSeparator);
}

std::string BCDToStr(const TBcd& bcd) { return BCDToStr(bcd, FormatSettings()); }

bool TryStrToBcd(const std::string& s, TBcd& bcd, const TFormatSettings& fs) {
  DecimalDigits x;
  if (!ParseDecimalText(s, fs.DecimalSeparator, x)) return false;
  // Zeros past 63 places say nothing; drop them before they overflow the places.
  if (x.places > 63) TrimDecimal(x);
  return PackBcd(x, 0, bcd);
}

bool TryStrToBcd(const std::string& s, TBcd& bcd) { return TryStrToBcd(s, bcd, FormatSettings()); }

TBcd StrToBCD(const std::string& s, const TFormatSettings& fs) {
  TBcd bcd;
  if (!TryStrToBcd(s, bcd, fs)) throw EConvertError("'" + s + "' is not a valid BCD value");
  return bcd;
}

TBcd StrToBCD(const std::string& s) { return StrToBCD(s, FormatSettings()); }

double BCDToDouble(const TBcd& bcd) {
  DecimalDigits x;
  if (!UnpackBcd(bcd, x)) throw EConvertError("Invalid BCD value");
  // "digits e-places" needs no decimal separator, so no locale gets in the way.
  std::string text = x.negative ? "-" : "";
  text.append(x.digits.empty() ? "0" : x.digits).append("e-").append(std::to_string(x.places));
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);
  return d;
}

// The shortest decimal of d, rounded to 63 places when it has more.
TBcd DoubleToBCD(double d) {
  if (!std::isfinite(d)) throw EConvertError("Invalid floating point value for BCD");
  DecimalDigits x = DecimalFromDouble(d);
  if (x.places > 63) RoundDecimal(x, 63);
  TrimDecimal(x);
  TBcd bcd;
  if (!PackBcd(x, 0, bcd)) throw EConvertError("BCD overflow");
  return bcd;
}

}  // namespace classlib
