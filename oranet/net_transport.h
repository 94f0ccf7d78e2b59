// The byte transport under the packet layer. The socket transport carries a
// real connection; tests put a scripted one in its place.
#pragma once

#include <string>

namespace oranet {

// What Receive answers when the socket time-out ran out before the bytes
// came.
constexpr int kReceiveTimedOut = -2;

class TNetTransport {
 public:
  virtual ~TNetTransport() = default;

  // Opens a connection; failures raise ESocketError.
  virtual void Connect(const std::string& host, int port) = 0;
  // As Connect, giving up after connectTimeout ms (0: no limit); then every
  // send and receive waits at most socketTimeout ms (0: no limit).
  virtual void ConnectTimeout(const std::string& host, int port, int socketTimeout, int connectTimeout) = 0;
  virtual void Close() = 0;
  virtual bool Connected() const = 0;
  // Sends the whole buffer; returns the bytes sent, fewer when the send
  // time-out ran out.
  virtual int SendBuf(const void* buffer, int count) = 0;
  // One send: what went out, 0 when nothing could go now.
  virtual int Send(const void* buffer, int count) = 0;
  // Waits until count bytes arrived at buffer + offset. Returns count, the
  // bytes that came before the peer closed, kReceiveTimedOut when the
  // socket time-out ran out, or -1 on another error.
  virtual int Receive(void* buffer, int offset, int count) = 0;
};

}  // namespace oranet
