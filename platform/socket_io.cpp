#include "platform/socket_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::socket_io {

Deadline DeadlineAfter(std::optional<std::chrono::milliseconds> timeout) {
  if (!timeout) return std::nullopt;
  return std::chrono::steady_clock::now() + *timeout;
}

Fd::~Fd() {
  if (fd_ >= 0) close(fd_);
}

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.Release();
  }
  return *this;
}

namespace {

// Waits until `fd` is ready for `events` or the deadline passes.
IoStatus AwaitReady(int fd, short events, Deadline deadline) {
  for (;;) {
    int wait_ms = -1;
    if (deadline) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return IoStatus::Timeout;
      wait_ms = static_cast<int>(std::min<long long>(left.count() + 1, 1 << 30));
    }
    pollfd p{fd, events, 0};
    int rc = poll(&p, 1, wait_ms);
    if (rc > 0) return IoStatus::Ok;
    if (rc == 0) return IoStatus::Timeout;
    if (errno != EINTR) return IoStatus::Error;
  }
}

}  // namespace

IoStatus ReadExact(int fd, void* buffer, std::size_t size, Deadline deadline) {
  auto* bytes = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    IoStatus ready = AwaitReady(fd, POLLIN, deadline);
    if (ready != IoStatus::Ok) return ready;
    ssize_t n = recv(fd, bytes + done, size - done, MSG_DONTWAIT);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n == 0) {
      return done == 0 ? IoStatus::Closed : IoStatus::Truncated;
    } else if (errno != EINTR && errno != EAGAIN) {
      return errno == ECONNRESET && done == 0 ? IoStatus::Closed : IoStatus::Error;
    }
  }
  return IoStatus::Ok;
}

IoStatus WriteAll(int fd, const std::string& bytes, Deadline deadline) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    IoStatus ready = AwaitReady(fd, POLLOUT, deadline);
    if (ready != IoStatus::Ok) return ready;
    ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) {
      done += static_cast<std::size_t>(n);
    } else if (errno != EINTR && errno != EAGAIN) {
      return IoStatus::Error;
    }
  }
  return IoStatus::Ok;
}

int ConnectUnix(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    int code = errno;
    close(fd);
    errno = code;
    return -1;
  }
  return fd;
}

}  // namespace platform::socket_io
