// One running copy per program file. The lock is a file in the runtime
// folder (RuntimeDir: made when missing, refused when another user could
// write it) named from a hash of the program's real path, so copies started
// from different folders both run. It is an flock: the kernel drops it when
// the holder ends in any way, so a crashed copy never blocks the next start.
#pragma once

#include <memory>
#include <string>

namespace platform {

// The runtime folder; raises EOSError as RuntimeDir does.
std::string InstanceLockFolder();
// The lock file that guards program_path (resolved to its real path).
std::string InstanceLockPath(const std::string& program_path);

class SingleInstanceLock {
 public:
  // nullptr when another process holds the lock for this program; raises
  // EOSError when the runtime folder is refused or the lock file cannot be
  // created at all.
  static std::unique_ptr<SingleInstanceLock> TryAcquire(const std::string& program_path);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  const std::string& Path() const { return path_; }

 private:
  SingleInstanceLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  int fd_;
  std::string path_;
};

}  // namespace platform
