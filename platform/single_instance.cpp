#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "classlib/exceptions.h"
#include "platform/runtime_dir.h"

namespace platform {

namespace {

// FNV-1a: stable across builds and processes, unlike std::hash.
uint64_t HashOf(const std::string& text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string RealPath(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

}  // namespace

std::string InstanceLockFolder() { return RuntimeDir(); }

std::string InstanceLockPath(const std::string& program_path) {
  char name[64];
  std::snprintf(name, sizeof name, "/updater-instance-%016llx.lock",
                static_cast<unsigned long long>(HashOf(RealPath(program_path))));
  return InstanceLockFolder() + name;
}

std::unique_ptr<SingleInstanceLock> SingleInstanceLock::TryAcquire(
    const std::string& program_path) {
  std::string path = InstanceLockPath(program_path);
  // Close-on-exec: a child program must not inherit, and so prolong, the lock.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    int code = errno;
    throw classlib::EOSError("Cannot create the instance lock " + path + ": " +
                                 std::strerror(code), code);
  }
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    int code = errno;
    ::close(fd);
    if (code == EWOULDBLOCK) return nullptr;
    throw classlib::EOSError("Cannot lock " + path + ": " + std::strerror(code), code);
  }
  return std::unique_ptr<SingleInstanceLock>(new SingleInstanceLock(fd, path));
}

// The file stays: removing it would let a third process lock a new file
// while a second still waits on the old one.
SingleInstanceLock::~SingleInstanceLock() { ::close(fd_); }

}  // namespace platform
