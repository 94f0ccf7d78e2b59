// Named shared memory between processes. Names are the Windows object names
// the libraries use ("ZOD.SQL.MONITOR.SharedMem"); they are mapped to POSIX
// shared-memory names inside a namespace of the runtime folder, so processes
// that share a runtime folder share the objects and tests stay apart.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class SharedMemory {
 public:
  enum class Mode { CreateOrOpen, OpenExisting };
  // POSIX objects outlive their last user, Windows ones do not. Keep leaves
  // the object for later openers; WhenCreatorCloses removes the name when
  // the object that created it is destroyed (mappings stay valid).
  enum class UnlinkPolicy { Keep, WhenCreatorCloses };

  // Maps `size` bytes (at least 1) of the named block, creating it zeroed
  // when it is missing and the mode allows. Raises EOSError on failure; an
  // existing block smaller than `size` is an error.
  SharedMemory(std::string_view name, std::size_t size, Mode mode = Mode::CreateOrOpen,
               UnlinkPolicy policy = UnlinkPolicy::Keep);
  ~SharedMemory();
  // Maps an existing block; nullptr when there is none, without raising, so
  // a caller that looks for one often pays no exception for its absence.
  // Raises EOSError like the constructor when a block exists but cannot be
  // mapped (another size, no access).
  static std::unique_ptr<SharedMemory> OpenIfExists(std::string_view name, std::size_t size);
  SharedMemory(const SharedMemory&) = delete;
  SharedMemory& operator=(const SharedMemory&) = delete;

  // True when this object created the block ("did not exist before").
  bool Created() const { return created_; }
  void* Data() const { return data_; }
  std::size_t Size() const { return size_; }
  const std::string& ObjectName() const { return object_name_; }

  // The POSIX shared-memory name that stands for `name`.
  static std::string ObjectNameFor(std::string_view name);
  // How every name made for that runtime folder starts ("/upd-<hash>-").
  static std::string ObjectPrefixFor(std::string_view runtime_dir);
  // Removes the name; existing mappings stay. False when it did not exist.
  static bool Remove(std::string_view name);

 private:
  // Maps the block open on `fd` (and closes it).
  SharedMemory(std::string_view name, std::size_t size, int fd);
  int OpenOrCreate(Mode mode);
  void Map(int fd, UnlinkPolicy policy);
  void WaitForSize(int fd);

  std::string name_;
  std::string object_name_;
  std::size_t size_;
  bool created_ = false;
  bool unlink_on_close_ = false;
  void* data_ = nullptr;
};

}  // namespace platform
