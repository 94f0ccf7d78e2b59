#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "classlib/exceptions.h"
#include "classlib/stream.h"

namespace classlib {

static int OpenFlags(std::uint16_t mode) {
  switch (mode & 0x0003) {
    case fmOpenWrite: return O_WRONLY;
    case fmOpenReadWrite: return O_RDWR;
    default: return O_RDONLY;
  }
}

// A folder opens for reading here but not on the original system, and
// reading it would fail later with a less clear error: refuse it up front.
static int OpenFile(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  struct stat info;
  if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

TFileStream::TFileStream(const std::string& file_name, std::uint16_t mode)
    : file_name_(file_name) {
  std::string path = NativeFileName(file_name);
  if (mode == fmCreate) {
    fd_ = OpenFile(path, O_RDWR | O_CREAT | O_TRUNC);
    if (fd_ < 0)
      throw EFCreateError("Cannot create file \"" + file_name + "\". " + std::strerror(errno));
  } else {
    fd_ = OpenFile(path, OpenFlags(mode));
    if (fd_ < 0)
      throw EFOpenError("Cannot open file \"" + file_name + "\". " + std::strerror(errno));
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

// Errors read as a short transfer, which ReadBuffer and WriteBuffer report.
int TFileStream::Read(void* buffer, int count) {
  int done = 0;
  while (done < count) {
    ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int>(n);
  }
  return done;
}

int TFileStream::Write(const void* buffer, int count) {
  int done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<int>(n);
  }
  return done;
}

// Returns -1 when the file cannot seek there (a negative position, a pipe).
std::int64_t TFileStream::Seek(std::int64_t offset, int origin) {
  switch (origin) {
    case soFromBeginning: return ::lseek(fd_, offset, SEEK_SET);
    case soFromCurrent: return ::lseek(fd_, offset, SEEK_CUR);
    case soFromEnd: return ::lseek(fd_, offset, SEEK_END);
    default: InvalidOrigin(origin);
  }
}

void TFileStream::SetSize(std::int64_t size) {
  if (Seek(size, soFromBeginning) < 0 || ::ftruncate(fd_, size) != 0) RaiseLastOSError(errno);
}

}  // namespace classlib
