// Blocking socket reads and writes with an optional deadline, shared by the
// window-message sender and receiver.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace platform::socket_io {

using Deadline = std::optional<std::chrono::steady_clock::time_point>;

Deadline DeadlineAfter(std::optional<std::chrono::milliseconds> timeout);

// A file descriptor closed when it goes out of scope.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd();
  Fd(Fd&& other) noexcept : fd_(other.Release()) {}
  Fd& operator=(Fd&& other) noexcept;
  int Get() const { return fd_; }
  int Release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

enum class IoStatus { Ok, Closed, Truncated, Timeout, Error };

// Reads exactly `size` bytes. Closed: the peer closed before the first
// byte; Truncated: it closed in the middle.
IoStatus ReadExact(int fd, void* buffer, std::size_t size, Deadline deadline);
// Writes everything; never raises SIGPIPE.
IoStatus WriteAll(int fd, const std::string& bytes, Deadline deadline);

// Connects to the Unix-domain socket at `path`; -1 with errno on failure.
int ConnectUnix(const std::string& path);

}  // namespace platform::socket_io
