#include "oranet/net_socket_transport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "oranet/net_errors.h"
#include "oranet/net_winsock.h"

namespace oranet {

namespace {

constexpr size_t kReadAhead = 64 * 1024;

// The IPv4 address of a dotted address or a host name.
in_addr ResolveHost(const std::string& host) {
  in_addr address{};
  if (inet_pton(AF_INET, host.c_str(), &address) == 1) return address;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (rc != 0 || found == nullptr) {
    RaiseSocketError(kWsaAddrNotAvail, std::string("host '") + host + "': " + gai_strerror(rc), "gethostbyname");
  }
  address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return address;
}

void SetNonBlocking(int fd, bool on) {
  const int flags = fcntl(fd, F_GETFL);
  fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
}

// Waits for a non-blocking connect to finish; false when the time ran out.
bool WaitConnected(int fd, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int wait = -1;
    if (timeoutMs > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      wait = static_cast<int>(left);
    }
    pollfd p{fd, POLLOUT, 0};
    const int rc = poll(&p, 1, wait);
    if (rc > 0) return true;
    if (rc == 0) return false;
    if (errno != EINTR) RaiseErrnoSocketError(errno, "connect");
  }
}

}  // namespace

TNetSocketTransport::~TNetSocketTransport() { Close(); }

void TNetSocketTransport::Connect(const std::string& host, int port) { ConnectWithTimeout(host, port, 0); }

void TNetSocketTransport::ConnectTimeout(const std::string& host, int port, int socketTimeout, int connectTimeout) {
  ConnectWithTimeout(host, port, connectTimeout);
  if (socketTimeout != 0) SetIoTimeouts(socketTimeout);
}

void TNetSocketTransport::ConnectWithTimeout(const std::string& host, int port, int timeoutMs) {
  Close();
  if (port < 0 || port > 65535) RaiseSocketError(kWsaAddrNotAvail, "port " + std::to_string(port), "connect");
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr = ResolveHost(host);

  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) RaiseErrnoSocketError(errno, "socket");
  SetNonBlocking(fd, true);
  int err = 0;
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    err = errno;
    if (err == EINPROGRESS || err == EINTR) {
      bool done = false;
      try {
        done = WaitConnected(fd, timeoutMs);
      } catch (...) {
        close(fd);
        throw;
      }
      if (!done) {
        close(fd);
        throw ESocketError("(" + std::to_string(kWsaTimedOut) + ")", kWsaTimedOut);
      }
      socklen_t len = sizeof err;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    }
  }
  if (err != 0) {
    close(fd);
    RaiseErrnoSocketError(err, "connect");
  }
  SetNonBlocking(fd, false);
  // Requests and replies are small and strictly alternate: do not hold a
  // packet back waiting for the peer's acknowledgement.
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  fd_ = fd;
  ahead_pos_ = ahead_end_ = 0;
}

void TNetSocketTransport::SetIoTimeouts(int timeoutMs) {
  timeval tv{};
  tv.tv_sec = timeoutMs / 1000;
  tv.tv_usec = (timeoutMs % 1000) * 1000;
  setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
}

void TNetSocketTransport::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  ahead_pos_ = ahead_end_ = 0;
}

int TNetSocketTransport::SendBuf(const void* buffer, int count) {
  int sent = 0;
  while (sent < count) {
    const int n = Send(static_cast<const char*>(buffer) + sent, count - sent);
    if (n == 0) break;  // the send time-out ran out
    sent += n;
  }
  return sent;
}

int TNetSocketTransport::Send(const void* buffer, int count) {
  if (fd_ < 0) return 0;
  for (;;) {
    const ssize_t n = send(fd_, buffer, static_cast<size_t>(count), MSG_NOSIGNAL);
    if (n >= 0) return static_cast<int>(n);
    const int err = errno;
    if (err == EINTR) continue;
    if (err == EAGAIN || err == EWOULDBLOCK) return 0;
    Close();
    RaiseErrnoSocketError(err, "send");
  }
}

ssize_t TNetSocketTransport::Fill() {
  if (ahead_.empty()) ahead_.resize(kReadAhead);
  ssize_t n;
  do {
    n = recv(fd_, ahead_.data(), ahead_.size(), 0);
  } while (n < 0 && errno == EINTR);
  ahead_pos_ = 0;
  ahead_end_ = n > 0 ? static_cast<size_t>(n) : 0;
  // The receive time-out (SO_RCVTIMEO) ends a blocking recv this way.
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return kReceiveTimedOut;
  return n < 0 ? -1 : n;
}

int TNetSocketTransport::Receive(void* buffer, int offset, int count) {
  if (fd_ < 0) return -1;
  char* at = static_cast<char*>(buffer) + offset;
  int got = 0;
  while (got < count) {
    if (ahead_pos_ == ahead_end_) {
      const ssize_t n = Fill();
      if (n == 0) return got;  // the peer closed: no more will come
      if (n < 0) return static_cast<int>(n);
    }
    const size_t n = std::min(ahead_end_ - ahead_pos_, static_cast<size_t>(count - got));
    std::memcpy(at + got, ahead_.data() + ahead_pos_, n);
    ahead_pos_ += n;
    got += static_cast<int>(n);
  }
  return got;
}

}  // namespace oranet
