// A mutex shared by processes under a name, like a Windows named mutex: the
// owning thread may take it again (each Lock needs an Unlock), and a holder
// that died leaves it "abandoned" for the next waiter instead of locked.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/shared_memory.h"
#include "platform/wait_result.h"

namespace platform {

class NamedMutex {
 public:
  // Creates the mutex (not owned) or opens the existing one; raises EOSError.
  explicit NamedMutex(std::string_view name,
                      SharedMemory::UnlinkPolicy policy = SharedMemory::UnlinkPolicy::Keep);
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Waits up to `timeout` (no value: for ever). Signaled and Abandoned both
  // mean the caller now holds the mutex.
  WaitResult Lock(WaitTimeout timeout = std::nullopt);
  // Raises EOSError when the calling thread does not hold the mutex.
  void Unlock();

  bool Created() const { return memory_.Created(); }
  const std::string& Name() const { return name_; }

 private:
  struct Shared;
  std::string name_;
  SharedMemory memory_;
  Shared* shared_;
};

}  // namespace platform
