#include "oranet/net_winsock.h"

#include <cerrno>
#include <cstring>

#include "oranet/net_errors.h"

namespace oranet {

int WinSockCodeOfErrno(int err) {
  switch (err) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINPROGRESS:
      return kWsaWouldBlock;
    case EADDRNOTAVAIL:
      return kWsaAddrNotAvail;
    case ENETUNREACH:
    case ENETDOWN:
      return kWsaNetUnreach;
    case ECONNABORTED:
      return kWsaConnAborted;
    case ECONNRESET:
    case EPIPE:
      return kWsaConnReset;
    case ENOTCONN:
      return kWsaNotConn;
    case ETIMEDOUT:
      return kWsaTimedOut;
    case ECONNREFUSED:
      return kWsaConnRefused;
    case EHOSTUNREACH:
    case EHOSTDOWN:
      return kWsaHostUnreach;
    default:
      return kWsaSysCallFailure;
  }
}

void RaiseSocketError(int winsockCode, const std::string& text, const std::string& operation) {
  throw ESocketError("Socket error: " + text + " (" + std::to_string(winsockCode) + "), on API '" + operation + "'",
                     winsockCode);
}

void RaiseErrnoSocketError(int err, const std::string& operation) {
  RaiseSocketError(WinSockCodeOfErrno(err), std::strerror(err), operation);
}

}  // namespace oranet
