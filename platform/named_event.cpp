#include "platform/named_event.h"

#include <pthread.h>

#include <cerrno>

#include "classlib/exceptions.h"
#include "platform/shared_object.h"

namespace platform {

struct NamedEvent::Shared {
  shared_object::Header header;
  pthread_mutex_t mutex;
  pthread_cond_t changed;
  std::uint32_t manual_reset;
  std::uint32_t signaled;
};

// Holds the event's internal lock for one short operation.
class NamedEvent::Guard {
 public:
  Guard(Shared& shared, const std::string& name) : shared_(shared) {
    shared_object::LockRobust(shared_.mutex, std::nullopt, name);
  }
  ~Guard() { pthread_mutex_unlock(&shared_.mutex); }

 private:
  Shared& shared_;
};

NamedEvent::NamedEvent(std::string_view name, Reset reset, bool initially_signaled,
                       SharedMemory::UnlinkPolicy policy)
    : name_(name),
      memory_(name, sizeof(Shared), SharedMemory::Mode::CreateOrOpen, policy),
      shared_(static_cast<Shared*>(memory_.Data())) {
  if (!memory_.Created()) {
    shared_object::AwaitPublished(shared_->header, shared_object::kEventKind, name_);
    return;
  }
  shared_object::InitRobustMutex(shared_->mutex, /*recursive=*/false);
  pthread_condattr_t attr;
  pthread_condattr_init(&attr);
  pthread_condattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
  pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
  pthread_cond_init(&shared_->changed, &attr);
  pthread_condattr_destroy(&attr);
  shared_->manual_reset = reset == Reset::Manual;
  shared_->signaled = initially_signaled;
  shared_object::Publish(shared_->header, shared_object::kEventKind);
}

// The condition variable is never destroyed: other processes may still
// wait on it, and a waiter that was killed leaves it in a state a destroy
// would wait on.
NamedEvent::~NamedEvent() = default;

bool NamedEvent::ManualReset() const { return shared_->manual_reset != 0; }

void NamedEvent::Set() {
  Guard guard(*shared_, name_);
  shared_->signaled = 1;
  // Every waiter wakes and re-checks; for an auto-reset event the first one
  // to take the lock consumes the signal and the rest wait on.
  pthread_cond_broadcast(&shared_->changed);
}

void NamedEvent::ResetEvent() {
  Guard guard(*shared_, name_);
  shared_->signaled = 0;
}

bool NamedEvent::IsSignaled() {
  Guard guard(*shared_, name_);
  return shared_->signaled != 0;
}

WaitResult NamedEvent::Wait(WaitTimeout timeout) {
  Guard guard(*shared_, name_);
  timespec deadline{};
  if (timeout) deadline = shared_object::MonotonicDeadline(std::max(*timeout, std::chrono::milliseconds(0)));
  while (!shared_->signaled) {
    int rc = timeout ? pthread_cond_timedwait(&shared_->changed, &shared_->mutex, &deadline)
                     : pthread_cond_wait(&shared_->changed, &shared_->mutex);
    if (rc == ETIMEDOUT) {
      if (shared_->signaled) break;
      return WaitResult::Timeout;
    }
    if (rc == EOWNERDEAD) pthread_mutex_consistent(&shared_->mutex);
    else if (rc != 0)
      throw classlib::EOSError("Cannot wait for event \"" + name_ + "\" (error " + std::to_string(rc) + ")",
                               static_cast<unsigned>(rc));
  }
  if (!shared_->manual_reset) shared_->signaled = 0;
  return WaitResult::Signaled;
}

}  // namespace platform
