#include "classlib/exceptions.h"
#include "classlib/list.h"

namespace classlib {

void TThreadList::Add(void* item) {
  std::lock_guard guard(lock_);
  if (duplicates_ != dupAccept && list_.IndexOf(item) >= 0) {
    if (duplicates_ == dupError) throw EListError("Duplicates not allowed");
    return;
  }
  list_.Add(item);
}

void TThreadList::Remove(void* item) {
  std::lock_guard guard(lock_);
  list_.Remove(item);
}

void TThreadList::Clear() {
  std::lock_guard guard(lock_);
  list_.Clear();
}

TList* TThreadList::LockList() {
  lock_.lock();
  return &list_;
}

void TThreadList::UnlockList() { lock_.unlock(); }

}  // namespace classlib
