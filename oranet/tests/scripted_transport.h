// An in-memory transport: what the server says is fed in advance, every
// send is kept as one record, and a receive past the fed bytes behaves as a
// peer that closed. Header-only, so the fuzz harnesses use it too.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dacore/util_bytes.h"
#include "oranet/net_errors.h"
#include "oranet/net_transport.h"

namespace oranet::testing {

class TScriptedTransport : public TNetTransport {
 public:
  struct ConnectCall {
    std::string host;
    int port;
    int socketTimeout;
    int connectTimeout;
  };

  void Feed(const dacore::TBytes& bytes) { input_.insert(input_.end(), bytes.begin(), bytes.end()); }
  void Feed(const uint8_t* data, size_t size) { input_.insert(input_.end(), data, data + size); }
  // The next connect fails as a refused socket connect would.
  void FailNextConnect() { fail_next_connect_ = true; }

  const std::vector<ConnectCall>& Connects() const { return connects_; }
  const std::vector<dacore::TBytes>& Sent() const { return sent_; }
  size_t Unread() const { return input_.size() - read_; }

  void Connect(const std::string& host, int port) override { ConnectTimeout(host, port, 0, 0); }
  void ConnectTimeout(const std::string& host, int port, int socketTimeout, int connectTimeout) override {
    connects_.push_back({host, port, socketTimeout, connectTimeout});
    if (fail_next_connect_) {
      fail_next_connect_ = false;
      throw ESocketError("Socket error: refused (10061), on API 'connect'", 10061);
    }
    connected_ = true;
  }
  void Close() override { connected_ = false; }
  bool Connected() const override { return connected_; }
  int SendBuf(const void* buffer, int count) override { return Send(buffer, count); }
  int Send(const void* buffer, int count) override {
    if (!connected_) return 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    sent_.emplace_back(bytes, bytes + count);
    return count;
  }
  int Receive(void* buffer, int offset, int count) override {
    const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(count), Unread()));
    if (n > 0) std::memcpy(static_cast<uint8_t*>(buffer) + offset, input_.data() + read_, static_cast<size_t>(n));
    read_ += static_cast<size_t>(n);
    return n;
  }

 private:
  dacore::TBytes input_;
  size_t read_ = 0;
  std::vector<dacore::TBytes> sent_;
  std::vector<ConnectCall> connects_;
  bool connected_ = false;
  bool fail_next_connect_ = false;
};

}  // namespace oranet::testing
