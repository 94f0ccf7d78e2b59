#include "fib/base/numeric_text.h"

#include <charconv>

#include "classlib/format_settings.h"

namespace fib {

std::string Int64ToText(int64_t value) {
  char buffer[24];
  auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, end);
}

std::string ScaledInt64ToStr(int64_t value, int scale) {
  return ScaledInt64ToStrSep(scale, classlib::FormatSettings().DecimalSeparator, value);
}

std::string ScaledInt64ToStrSep(int scale, char separator, int64_t value) {
  if (value == 0) return "0";
  std::string digits = Int64ToText(value);
  if (scale < 1) return digits;
  std::string sign;
  if (digits[0] == '-') {
    sign = "-";
    digits.erase(0, 1);
  }
  auto places = static_cast<size_t>(scale);
  std::string integer = "0";
  if (digits.size() > places) {
    integer = digits.substr(0, digits.size() - places);
    digits.erase(0, integer.size());
  } else {
    digits.insert(0, places - digits.size(), '0');
  }
  size_t kept = digits.find_last_not_of('0');
  digits.resize(kept == std::string::npos ? 0 : kept + 1);
  std::string text = sign + integer;
  if (!digits.empty()) text += separator + digits;
  return text;
}

bool IsZeroText(std::string_view text) {
  if (text.empty()) return false;
  char separator = classlib::FormatSettings().DecimalSeparator;
  for (char c : text)
    if (c != '0' && c != separator) return false;
  return true;
}

std::string BCDToPointStr(const classlib::TBcd& bcd) {
  classlib::TFormatSettings point = classlib::FormatSettings();
  point.DecimalSeparator = '.';
  return classlib::BCDToStr(bcd, point);
}

}  // namespace fib
