#include "app/connection_login.h"

#include "classlib/ansistr.h"

namespace app {

namespace {

constexpr char kQuote = '"';

// A pair's value as the first page's name/value list writes it: in double
// quotes (inner quotes doubled) when it holds ";" or begins with a quote.
// The same rule reads it back, so a password such as "a;b" survives.
std::string Written(const std::string& value) {
  if (value.find(';') == std::string::npos && (value.empty() || value.front() != kQuote))
    return value;
  std::string quoted(1, kQuote);
  for (char c : value) {
    quoted += c;
    if (c == kQuote) quoted += kQuote;
  }
  return quoted + kQuote;
}

// Reads a quoted value right after "=" at `from`; on success gives the value
// without its quotes and where the pair ends (at its ";" or the end). A
// closing quote that does not end the pair means the value is not quoted.
bool ReadQuoted(const std::string& s, size_t from, std::string& value, size_t& end) {
  if (from + 1 >= s.size() || s[from] != '=' || s[from + 1] != kQuote) return false;
  std::string text;
  for (size_t i = from + 2; i < s.size(); ++i) {
    if (s[i] != kQuote) {
      text += s[i];
    } else if (i + 1 < s.size() && s[i + 1] == kQuote) {
      text += kQuote;
      ++i;
    } else if (i + 1 == s.size() || s[i + 1] == ';') {
      value = text;
      end = i + 1;
      return true;
    } else {
      return false;
    }
  }
  return false;
}

// Gives the first pair whose name is `name` (any case) the value `value`, or
// takes the pair's value into `value` when that is blank.
void ApplyPair(std::string& s, const std::string& name, std::string& value) {
  size_t at = classlib::LowerCase(s).find(name);
  if (at == std::string::npos) return;
  size_t rest = at + name.size();
  std::string old;
  size_t tail = 0;
  if (!ReadQuoted(s, rest, old, tail)) {
    tail = s.find(';', rest);
    if (tail == std::string::npos) tail = s.size();
    old = classlib::Trim(s.substr(rest, tail - rest));
    if (!old.empty() && old.front() == '=') old = classlib::Trim(old.substr(1));
  }
  if (classlib::Trim(value).empty()) value = old;
  s = s.substr(0, rest) + "=" + Written(value) + s.substr(tail);
}

}  // namespace

std::string ApplyLoginToConnectionString(const std::string& templ, std::string& login,
                                         std::string& password) {
  std::string s = templ;
  ApplyPair(s, "user id", login);
  ApplyPair(s, "password", password);
  return classlib::Trim(s);
}

}  // namespace app
