// The WinSock error codes that socket failures carry. The callers above map
// failures by these numbers, so POSIX errors are translated to them.
#pragma once

#include <string>

namespace oranet {

enum WinSockCode : int {
  kWsaWouldBlock = 10035,
  kWsaAddrNotAvail = 10049,   // also: the host name does not resolve
  kWsaNetUnreach = 10051,
  kWsaConnAborted = 10053,
  kWsaConnReset = 10054,      // also: broken pipe
  kWsaNotConn = 10057,
  kWsaTimedOut = 10060,
  kWsaConnRefused = 10061,
  kWsaHostUnreach = 10065,
  kWsaSysCallFailure = 10107, // anything without a closer match
};

int WinSockCodeOfErrno(int err);

// Raises ESocketError "<text> (<code>), on API '<operation>'".
[[noreturn]] void RaiseSocketError(int winsockCode, const std::string& text, const std::string& operation);
// The same for a failed POSIX call with errno err.
[[noreturn]] void RaiseErrnoSocketError(int err, const std::string& operation);

}  // namespace oranet
