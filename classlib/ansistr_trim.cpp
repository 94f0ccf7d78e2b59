#include "classlib/ansistr.h"

namespace classlib {

namespace {

// Blanks and every control byte; bytes of the upper half are letters and
// signs of the code page and stay.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

size_t FirstKept(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return i;
}

size_t EndOfKept(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return n;
}

}  // namespace

std::string TrimLeft(std::string_view s) { return std::string(s.substr(FirstKept(s))); }
std::string TrimRight(std::string_view s) { return std::string(s.substr(0, EndOfKept(s))); }

std::string Trim(std::string_view s) {
  size_t first = FirstKept(s);
  return first == s.size() ? std::string() : std::string(s.substr(first, EndOfKept(s) - first));
}

std::string QuotedStr(std::string_view s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiQuotedStr(std::string_view s, char quote) {
  std::string out(1, quote);
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

// A text that does not open with the quote, or whose quote is never closed,
// is not quoted and comes back unchanged. Text after the closing quote is
// dropped.
std::string AnsiDequotedStr(std::string_view s, char quote) {
  if (s.empty() || s[0] != quote) return std::string(s);
  std::string out;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] != quote) {
      out += s[i];
    } else if (i + 1 < s.size() && s[i + 1] == quote) {
      out += quote;
      ++i;
    } else {
      return out;
    }
  }
  return std::string(s);
}

std::string StringOfChar(char c, int count) {
  return count > 0 ? std::string(static_cast<size_t>(count), c) : std::string();
}

}  // namespace classlib
