#include "platform/named_mutex.h"

#include <pthread.h>

#include "classlib/exceptions.h"
#include "platform/shared_object.h"

namespace platform {

struct NamedMutex::Shared {
  shared_object::Header header;
  pthread_mutex_t mutex;
};

NamedMutex::NamedMutex(std::string_view name, SharedMemory::UnlinkPolicy policy)
    : name_(name),
      memory_(name, sizeof(Shared), SharedMemory::Mode::CreateOrOpen, policy),
      shared_(static_cast<Shared*>(memory_.Data())) {
  if (memory_.Created()) {
    shared_object::InitRobustMutex(shared_->mutex, /*recursive=*/true);
    shared_object::Publish(shared_->header, shared_object::kMutexKind);
  } else {
    shared_object::AwaitPublished(shared_->header, shared_object::kMutexKind, name_);
  }
}

// Like closing a Windows handle, destroying the object does not release a
// hold; a process that ends holding the mutex abandons it.
NamedMutex::~NamedMutex() = default;

WaitResult NamedMutex::Lock(WaitTimeout timeout) {
  return shared_object::LockRobust(shared_->mutex, timeout, name_);
}

void NamedMutex::Unlock() {
  int rc = pthread_mutex_unlock(&shared_->mutex);
  if (rc != 0)
    throw classlib::EOSError("Cannot release mutex \"" + name_ + "\" (error " + std::to_string(rc) + ")",
                             static_cast<unsigned>(rc));
}

}  // namespace platform
