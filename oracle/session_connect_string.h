// The account written as one text: user[/password][@server][ AS SYSDBA |
// AS SYSOPER]. Reading takes what a user types, so every part is trimmed
// and the mode word is read without regard to case.
#pragma once

#include <optional>
#include <string>

#include "oracle/conn_oci_connection.h"

namespace oracle {

struct TConnectStringParts {
  std::string Username, Password, Server;
  // Empty when the text names no mode: the session keeps its own.
  std::optional<TConnectMode> Mode;
};

// Raises "Invalid connect string" when " AS " is followed by anything but
// SYSDBA or SYSOPER.
TConnectStringParts ParseConnectString(const std::string& text);
std::string FormatConnectString(const std::string& username, const std::string& password,
                                const std::string& server, TConnectMode mode);

}  // namespace oracle
