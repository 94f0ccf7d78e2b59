// The lock a record store's rows take while a background thread fetches
// into them: re-entrant (a driver holds it across a call that takes it
// again), and cheap when nobody else holds it, since a walk over shared rows
// takes it at every step: one compare-exchange to take it and one exchange
// to give it back, where a system mutex costs several times as much.
#pragma once

#include <atomic>
#include <thread>

namespace dacore {

class TRowsLock {
 public:
  void lock() {
    const std::thread::id self = std::this_thread::get_id();
    // Only this thread stores its own id here, so it reads it back only
    // while it holds the lock.
    if (owner_.load(std::memory_order_relaxed) == self) {
      ++depth_;
      return;
    }
    int free = kFree;
    if (!state_.compare_exchange_strong(free, kHeld, std::memory_order_acquire)) WaitAndTake();
    owner_.store(self, std::memory_order_relaxed);
    depth_ = 1;
  }
  // Whether the calling thread holds it.
  bool HeldHere() const { return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id(); }
  void unlock() {
    if (--depth_ > 0) return;
    owner_.store(std::thread::id(), std::memory_order_relaxed);
    if (state_.exchange(kFree, std::memory_order_release) == kWaitedFor) state_.notify_one();
  }

 private:
  enum : int { kFree, kHeld, kWaitedFor };
  // Marks the lock waited for, so that its holder wakes a waiter, and
  // sleeps until it is free.
  void WaitAndTake() {
    while (state_.exchange(kWaitedFor, std::memory_order_acquire) != kFree)
      state_.wait(kWaitedFor, std::memory_order_relaxed);
  }

  std::atomic<int> state_{kFree};
  std::atomic<std::thread::id> owner_{};
  int depth_ = 0;  // read and written by the holder only
};

}  // namespace dacore
