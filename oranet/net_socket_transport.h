// The transport over a TCP socket. Connects without blocking so that a
// connect time-out can be kept without a helper thread; afterwards the
// socket blocks, with optional send and receive time-outs. No send raises
// SIGPIPE: a peer that went away is an error like any other.
#pragma once

#include <string>
#include <vector>

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
  // One recv into the read-ahead buffer; what it answered.
  ssize_t Fill();

  int fd_ = -1;
  // What arrived beyond the last Receive: a reply comes in many small
  // packets, each read as header and body, and one recv serves many.
  std::vector<char> ahead_;
  size_t ahead_pos_ = 0;
  size_t ahead_end_ = 0;
};

}  // namespace oranet
