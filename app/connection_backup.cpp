#include "app/connection_backup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/registry_store.h"

namespace app {

namespace {

// Orders the copies of the updater that share a registry while one of them
// looks for another's record and writes its own. An flock, so a copy that
// dies holding it blocks nobody. A registry folder that cannot hold the lock
// file cannot take a record either: the copy then goes on without it.
class TBackupLock {
 public:
  TBackupLock() {
    const std::string path = platform::RegistryFolder() + "/ConnectionBackup.lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
  ~TBackupLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  TBackupLock(const TBackupLock&) = delete;
  TBackupLock& operator=(const TBackupLock&) = delete;

 private:
  int fd_ = -1;
};

// True when the value is back as recorded; a registry that raises counts as
// a refusal.
bool PutBack(const TRegValueSnapshot& value) {
  try {
    return value.Restore() == platform::ERROR_SUCCESS;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

TConnectionKeyBackup::TConnectionKeyBackup()
    : connection_string_(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue),
      server_type_(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue) {}

bool TConnectionKeyBackup::Save(TBackupOwner* other) {
  if (saved_) return true;
  TBackupLock turn;
  TBackupOwner owner;
  if (LiveBackupOfAnotherProcess(owner)) {
    if (other != nullptr) *other = owner;
    return false;
  }
  RestoreAbandonedConnectionBackup();
  connection_string_.Take();
  server_type_.Take();
  WriteConnectionBackupRecord(connection_string_, server_type_);
  saved_ = true;
  return true;
}

void TConnectionKeyBackup::Restore() {
  if (!saved_) return;
  saved_ = false;
  // Both are tried, whatever the first one's answer.
  const bool connection_string_back = PutBack(connection_string_);
  const bool server_type_back = PutBack(server_type_);
  if (!connection_string_back || !server_type_back) return;
  // Only now: killed before this line, the next start puts the key back.
  try {
    RemoveOwnConnectionBackupRecord();
  } catch (const std::exception&) {
    // The record stays; the next start finds the key as recorded.
  }
}

}  // namespace app
