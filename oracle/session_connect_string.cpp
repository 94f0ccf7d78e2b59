#include "oracle/session_connect_string.h"

#include "classlib/ansistr.h"
#include "oracle/error_messages.h"
#include "oracle/error_raise.h"

namespace oracle {

namespace {

// The mode after " AS " (searched without regard to case), cut off R.
std::optional<TConnectMode> TakeMode(std::string& rest) {
  const size_t as = classlib::UpperCase(rest).find(" AS ");
  if (as == std::string::npos) return std::nullopt;
  const std::string word = classlib::UpperCase(classlib::Trim(rest.substr(as + 4)));
  rest.resize(as);
  if (word == "SYSDBA") return cmSysDBA;
  if (word == "SYSOPER") return cmSysOper;
  RaiseOraException(messages::kInvalidConnectString);
}

}  // namespace

TConnectStringParts ParseConnectString(const std::string& text) {
  TConnectStringParts parts;
  std::string rest = text;
  const size_t slash = rest.find('/');
  const bool slash_seen = slash != std::string::npos;
  if (slash_seen) {
    parts.Username = classlib::Trim(rest.substr(0, slash));
    rest = rest.substr(slash + 1);
  }
  const size_t at = rest.find('@');
  const bool at_seen = at != std::string::npos;
  if (at_seen) {
    (slash_seen ? parts.Password : parts.Username) = classlib::Trim(rest.substr(0, at));
    rest = rest.substr(at + 1);
  }
  parts.Mode = TakeMode(rest);
  std::string& last = at_seen ? parts.Server : slash_seen ? parts.Password : parts.Username;
  last = classlib::Trim(rest);
  return parts;
}

std::string FormatConnectString(const std::string& username, const std::string& password,
                                const std::string& server, TConnectMode mode) {
  std::string text = username;
  if (!password.empty()) text += "/" + password;
  if (!server.empty()) text += "@" + server;
  if (mode == cmSysOper) text += " AS SYSOPER";
  if (mode == cmSysDBA) text += " AS SYSDBA";
  return text;
}

}  // namespace oracle
