#include "classlib/number_text.h"

#include "classlib/exceptions.h"

namespace classlib {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Exponents beyond this already over- or underflow every number type here.
constexpr int kExponentCap = 100000;

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
  size_t begin = 0, end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ') --end;
  return s.substr(begin, end - begin);
}

void RaiseNotInteger(const std::string& s) {
  throw EConvertError("'" + s + "' is not a valid integer value");
}

void RaiseNotFloat(const std::string& s) {
  throw EConvertError("'" + s + "' is not a valid floating point value");
}

bool ScanNumber(std::string_view s, char decimal_sep, ScannedNumber& out) {
  out = ScannedNumber{};
  size_t pos = 0;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) out.negative = s[pos++] == '-';
  for (; pos < s.size() && IsDigit(s[pos]); ++pos) out.digits += s[pos];
  if (pos < s.size() && s[pos] == decimal_sep) {
    for (++pos; pos < s.size() && IsDigit(s[pos]); ++pos) {
      out.digits += s[pos];
      ++out.fraction_digits;
    }
  }
  if (out.digits.empty()) return false;
  if (pos < s.size() && (s[pos] == 'E' || s[pos] == 'e')) {
    ++pos;
    bool negative_exp = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative_exp = s[pos++] == '-';
    if (pos >= s.size() || !IsDigit(s[pos])) return false;
    int exp = 0;
    for (; pos < s.size() && IsDigit(s[pos]); ++pos)
      if (exp < kExponentCap) exp = exp * 10 + (s[pos] - '0');
    out.exponent = negative_exp ? -exp : exp;
  }
  return pos == s.size();
}

}  // namespace classlib
