// The transport over a TCP socket. Connects without blocking so that a
// connect time-out can be kept without a helper thread; afterwards the
// socket blocks, with optional send and receive time-outs. No send raises
// SIGPIPE: a peer that went away is an error like any other.
#pragma once

#include <string>

#include "oranet/net_transport.h"

namespace oranet {

class TNetSocketTransport : public TNetTransport {
 public:
  TNetSocketTransport() = default;
  ~TNetSocketTransport() override;
  TNetSocketTransport(const TNetSocketTransport&) = delete;
  TNetSocketTransport& operator=(const TNetSocketTransport&) = delete;

  void Connect(const std::string& host, int port) override;
  void ConnectTimeout(const std::string& host, int port, int socketTimeout, int connectTimeout) override;
  void Close() override;
  bool Connected() const override { return fd_ >= 0; }
  int SendBuf(const void* buffer, int count) override;
  int Send(const void* buffer, int count) override;
  int Receive(void* buffer, int offset, int count) override;

 private:
  // Opens the socket to host:port; a timeoutMs of 0 waits without limit.
  void ConnectWithTimeout(const std::string& host, int port, int timeoutMs);
  void SetIoTimeouts(int timeoutMs);

  int fd_ = -1;
};

}  // namespace oranet
