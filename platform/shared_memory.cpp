#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "classlib/exceptions.h"
#include "platform/runtime_dir.h"

namespace platform {

namespace {

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

[[noreturn]] void Fail(const std::string& what, const std::string& name, int code) {
  throw classlib::EOSError(what + " shared memory \"" + name + "\" (error " + std::to_string(code) + ")",
                           static_cast<unsigned>(code));
}

}  // namespace

std::string SharedMemory::ObjectPrefixFor(std::string_view runtime_dir) {
  // The folder as RuntimeDir gives it: without trailing slashes.
  while (runtime_dir.size() > 1 && runtime_dir.back() == '/') runtime_dir.remove_suffix(1);
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "/upd-%016llx-", static_cast<unsigned long long>(Fnv1a(runtime_dir)));
  return prefix;
}

std::string SharedMemory::ObjectNameFor(std::string_view name) {
  std::string result = ObjectPrefixFor(RuntimeDir());
  // A POSIX name is one path component: slashes and control bytes go.
  for (unsigned char c : name) result += (c == '/' || c == '\\' || c < 0x20) ? '_' : static_cast<char>(c);
  constexpr std::size_t kMaxName = 250;
  if (result.size() > kMaxName) {
    char tail[24];
    std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(Fnv1a(name)));
    result = result.substr(0, kMaxName - 17) + tail;
  }
  return result;
}

bool SharedMemory::Remove(std::string_view name) {
  return shm_unlink(ObjectNameFor(name).c_str()) == 0;
}

SharedMemory::SharedMemory(std::string_view name, std::size_t size, Mode mode, UnlinkPolicy policy)
    : name_(name), object_name_(ObjectNameFor(name)), size_(size) {
  if (size_ == 0) Fail("Cannot map an empty", name_, EINVAL);
  Map(OpenOrCreate(mode), policy);
}

SharedMemory::SharedMemory(std::string_view name, std::size_t size, int fd)
    : name_(name), object_name_(ObjectNameFor(name)), size_(size) {
  Map(fd, UnlinkPolicy::Keep);
}

std::unique_ptr<SharedMemory> SharedMemory::OpenIfExists(std::string_view name, std::size_t size) {
  if (size == 0) Fail("Cannot map an empty", std::string(name), EINVAL);
  int fd = shm_open(ObjectNameFor(name).c_str(), O_RDWR | O_CLOEXEC, 0);
  if (fd < 0) {
    if (errno == ENOENT) return nullptr;
    Fail("Cannot open", std::string(name), errno);
  }
  return std::unique_ptr<SharedMemory>(new SharedMemory(name, size, fd));
}

void SharedMemory::Map(int fd, UnlinkPolicy policy) {
  if (!created_) WaitForSize(fd);
  void* data = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  int code = errno;
  close(fd);
  if (data == MAP_FAILED) {
    if (created_) shm_unlink(object_name_.c_str());
    Fail("Cannot map", name_, code);
  }
  data_ = data;
  unlink_on_close_ = created_ && policy == UnlinkPolicy::WhenCreatorCloses;
}

SharedMemory::~SharedMemory() {
  munmap(data_, size_);
  if (unlink_on_close_) shm_unlink(object_name_.c_str());
}

int SharedMemory::OpenOrCreate(Mode mode) {
  // Create exclusively first, so exactly one process is the creator; a
  // block removed between our two attempts is simply tried again.
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (mode == Mode::CreateOrOpen) {
      int fd = shm_open(object_name_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd >= 0) {
        if (ftruncate(fd, static_cast<off_t>(size_)) != 0) {
          int code = errno;
          close(fd);
          shm_unlink(object_name_.c_str());
          Fail("Cannot size", name_, code);
        }
        created_ = true;
        return fd;
      }
      if (errno != EEXIST) Fail("Cannot create", name_, errno);
    }
    int fd = shm_open(object_name_.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd >= 0) return fd;
    if (errno != ENOENT || mode == Mode::OpenExisting) Fail("Cannot open", name_, errno);
  }
  Fail("Cannot open", name_, EAGAIN);
}

// The creator sizes the block right after creating it; an opener that comes
// in between sees size 0 for a moment. A block that stays too small is not
// the block we expect.
void SharedMemory::WaitForSize(int fd) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  struct stat info {};
  for (;;) {
    if (fstat(fd, &info) != 0) {
      int code = errno;
      close(fd);
      Fail("Cannot inspect", name_, code);
    }
    if (static_cast<std::size_t>(info.st_size) >= size_) return;
    if (info.st_size > 0 || std::chrono::steady_clock::now() > deadline) {
      close(fd);
      Fail("Size mismatch of", name_, EINVAL);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace platform
