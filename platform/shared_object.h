// Process-shared synchronisation objects placed in named shared memory:
// the creator initialises the object and publishes it by setting a ready
// word last; openers wait (briefly) for that word before touching it.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/wait_result.h"

namespace platform::shared_object {

struct Header {
  std::atomic<std::uint32_t> ready;
  std::uint32_t kind;
};

constexpr std::uint32_t kMutexKind = 0x4D555458;  // "MUTX"
constexpr std::uint32_t kEventKind = 0x45564E54;  // "EVNT"

void Publish(Header& header, std::uint32_t kind);
// Raises EOSError naming `name` when the object never becomes ready or is
// of another kind (the same name used for a mutex and an event).
void AwaitPublished(const Header& header, std::uint32_t kind, const std::string& name);

// A process-shared robust mutex; `recursive` lets the owning thread take it
// again, as a Windows mutex does.
void InitRobustMutex(pthread_mutex_t& mutex, bool recursive);
// Locks with an optional time-out on the monotonic clock. A holder that died
// is reported as Abandoned after the mutex is made consistent again.
WaitResult LockRobust(pthread_mutex_t& mutex, WaitTimeout timeout, const std::string& name);

// The absolute CLOCK_MONOTONIC time `timeout` from now.
timespec MonotonicDeadline(std::chrono::milliseconds timeout);

}  // namespace platform::shared_object
