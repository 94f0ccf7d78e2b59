#include "app/connection_login.h"

#include "classlib/ansistr.h"

namespace app {

namespace {

// Gives the first pair whose name is `name` (any case) the value `value`, or
// takes the pair's value into `value` when that is blank.
void ApplyPair(std::string& s, const std::string& name, std::string& value) {
  std::string::size_type at = classlib::LowerCase(s).find(name);
  if (at == std::string::npos) return;
  std::string::size_type rest = at + name.size();
  std::string::size_type tail = s.find(';', rest);
  if (tail == std::string::npos) tail = s.size();
  if (classlib::Trim(value).empty()) {
    std::string old = classlib::Trim(s.substr(rest, tail - rest));
    if (!old.empty() && old.front() == '=') old = classlib::Trim(old.substr(1));
    value = old;
  }
  s = s.substr(0, rest) + "=" + value + s.substr(tail);
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
