// The whole connect of a direct-mode session: the TNS connect, both
// negotiations and the two logon phases, on one TTnsConnection.
#pragma once

#include <optional>
#include <string>

#include "oranet/logon_identity.h"
#include "oranet/tns_connection.h"
#include "oranet/tns_packet.h"
#include "oranet/ttc_negotiation.h"
#include "oranet/ttc_status.h"

namespace oranet {

// The character set the client takes in place of the server's AL32UTF8.
constexpr int kCharsetUtf8 = 871;
constexpr int kCharsetAl32Utf8 = 873;

struct TLogonRequest {
  std::string server;  // "host", "host:port" or "host:port:sid"
  std::string user;
  std::string password;
  int ociMode = 0;           // 2 SYSDBA, 4 SYSOPER, else a plain session
  int clientCharsetId = 0;   // 0: the server's
  int timeoutMs = 0;         // connect, send and receive; 0: none
  std::optional<TClientIdentity> identity;  // unset: this process's
};

struct TLogonSession {
  TServerProtocol server;
  int clientCharsetId = 0;
  int longestString = 0;  // 4000 bytes from server version 8000 on, else 2000
  std::string sessionKeyText;
  TTtcStatus status;  // the last status: the server's error number and text
  bool connected = false;
};

// Where a server text leads: "local", 1521 and "orcl" unless it says
// otherwise. A port that is no decimal number raises EConvertError.
TTnsAddress ParseServerText(const std::string& server);

// Connects and logs on; returns 0 and marks the session connected, or the
// failing phase's result (-1) with the server's error in session.status.
// Failures of the lower layers are raised.
int NetConnect(TTnsConnection& tns, const TLogonRequest& request, TLogonSession& session);

}  // namespace oranet
