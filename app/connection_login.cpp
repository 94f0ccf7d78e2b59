#include "app/connection_login.h"

#include "app/pair_quoting.h"
#include "classlib/ansistr.h"

namespace app {

namespace {

// Reads a quoted value right after "=" at `from`; on success gives the value
// without its quotes and where the pair ends (at its ";" or the end).
bool ReadQuoted(const std::string& s, size_t from, std::string& value, size_t& end) {
  if (from >= s.size() || s[from] != '=') return false;
  if (!ReadQuotedPairValue(std::string_view(s).substr(from + 1), value, end)) return false;
  end += from + 1;
  return true;
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
  s = s.substr(0, rest) + "=" + QuotePairValue(value) + s.substr(tail);
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
