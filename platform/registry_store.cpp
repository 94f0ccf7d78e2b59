#include "platform/registry_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/process_identity.h"

namespace platform {

namespace {

[[noreturn]] void RaiseIoError(const std::string& what, const std::string& path) {
  int code = errno;
  throw classlib::EOSError(what + " " + path + ": " + std::strerror(code), code);
}

// Closes the descriptor, and with it the flock, on every way out.
class FileLock {
 public:
  FileLock(const std::string& path, int operation) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      // A reader in a folder it may not write still reads: the rename makes
      // each version of the file whole, the lock only orders writers.
      if (operation == LOCK_SH && (errno == EACCES || errno == EROFS)) return;
      RaiseIoError("Cannot open the registry lock", path);
    }
    while (::flock(fd_, operation) != 0) {
      if (errno != EINTR) {
        int code = errno;
        ::close(fd_);
        errno = code;
        RaiseIoError("Cannot lock", path);
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

bool FolderExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      RaiseIoError("Cannot create the registry folder", part);
    if (slash == std::string::npos) break;
  }
}

// The file's text, empty when there is no file yet.
std::string ReadFileText(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    RaiseIoError("Cannot open", path);
  }
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      int code = errno;
      ::close(fd);
      errno = code;
      RaiseIoError("Cannot read", path);
    }
    text.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

RegHive ParseFile(HiveId hive, const std::string& path) {
  std::string text = ReadFileText(path);
  if (text.empty()) return RegHive(HiveName(hive));
  return ParseHive(text, HiveName(hive), path);
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      RaiseIoError("Cannot write", path);
    }
    done += static_cast<size_t>(n);
  }
}

// Temporary file, fsync, rename: after a crash the hive is the old file or
// the new one, never a mix. The folder is not synced: losing the newest
// rename in a crash leaves a whole older hive, and each write stays cheap.
void ReplaceFile(const std::string& path, const std::string& text) {
  std::string temp = path + ".tmp." + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) RaiseIoError("Cannot create", temp);
  try {
    WriteAll(fd, text, temp);
    if (::fsync(fd) != 0) RaiseIoError("Cannot flush", temp);
  } catch (...) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw;
  }
  ::close(fd);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int code = errno;
    ::unlink(temp.c_str());
    errno = code;
    RaiseIoError("Cannot replace", path);
  }
}

// A writer killed between creating its temporary file and the rename leaves
// "<hive file>.tmp.<pid>" behind. Called under the hive's exclusive lock, so
// no live writer of this hive is half-way; files of a process that still
// runs (an id reused since) are left to a later write.
void RemoveAbandonedTempFiles(const std::string& folder, const std::string& hive_file_name) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::string prefix = hive_file_name + ".tmp.";
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string pid_text = name.substr(prefix.size());
    if (pid_text.find_first_not_of("0123456789") != std::string::npos || pid_text.size() > 9)
      continue;
    if (!ProcessExists(static_cast<pid_t>(std::stol(pid_text))))
      ::unlink((folder + "/" + name).c_str());
  }
  ::closedir(dir);
}

}  // namespace

std::string RegistryFolder() {
  if (const char* dir = std::getenv("UPDATER_REGISTRY"); dir && *dir) return dir;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    return std::string(config) + "/updater-registry";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.config/updater-registry";
}

std::string HiveName(HiveId hive) {
  return hive == HiveId::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

std::string HiveFilePath(HiveId hive) { return RegistryFolder() + "/" + HiveName(hive) + ".reg"; }

RegHive ReadHive(HiveId hive) {
  std::string path = HiveFilePath(hive);
  if (!FolderExists(RegistryFolder())) return RegHive(HiveName(hive));
  FileLock lock(path + ".lock", LOCK_SH);
  return ParseFile(hive, path);
}

void ModifyHive(HiveId hive, const std::function<bool(RegHive&)>& change) {
  std::string folder = RegistryFolder();
  std::string path = HiveFilePath(hive);
  MakeFolders(folder);
  FileLock lock(path + ".lock", LOCK_EX);
  RegHive contents = ParseFile(hive, path);
  if (!change(contents)) return;
  RemoveAbandonedTempFiles(folder, HiveName(hive) + ".reg");
  ReplaceFile(path, FormatHive(contents));
}

}  // namespace platform
