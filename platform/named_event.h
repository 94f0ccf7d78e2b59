// An event shared by processes under a name, like a Windows named event.
// A manual-reset event stays signaled until Reset and releases every waiter;
// an auto-reset event releases one waiter and resets itself.
#pragma once

#include <string>
#include <string_view>

#include "platform/shared_memory.h"
#include "platform/wait_result.h"

namespace platform {

class NamedEvent {
 public:
  enum class Reset { Manual, Automatic };

  // Creates the event with `reset` and `initially_signaled`, or opens the
  // existing one, whose own kind and state then apply. Raises EOSError.
  NamedEvent(std::string_view name, Reset reset, bool initially_signaled,
             SharedMemory::UnlinkPolicy policy = SharedMemory::UnlinkPolicy::Keep);
  ~NamedEvent();
  NamedEvent(const NamedEvent&) = delete;
  NamedEvent& operator=(const NamedEvent&) = delete;

  void Set();
  void ResetEvent();
  // Signaled or Timeout. A process that died inside Set or Reset cannot
  // leave the state half-written (it is one word), so its lock is
  // recovered silently and never reported as Abandoned.
  WaitResult Wait(WaitTimeout timeout = std::nullopt);
  bool IsSignaled();

  bool Created() const { return memory_.Created(); }
  bool ManualReset() const;

 private:
  struct Shared;
  class Guard;
  std::string name_;
  SharedMemory memory_;
  Shared* shared_;
};

}  // namespace platform
