#include "classlib/syncobjs.h"

#include <chrono>

#include "classlib/exceptions.h"

namespace classlib {

// ---- TEvent

TEvent::TEvent(bool manual_reset, bool initial_state)
    : manual_reset_(manual_reset), signaled_(initial_state) {}

void TEvent::SetEvent() {
  std::lock_guard lock(mutex_);
  signaled_ = true;
  changed_.notify_all();
}

void TEvent::ResetEvent() {
  std::lock_guard lock(mutex_);
  signaled_ = false;
}

void TEvent::PulseEvent() {
  std::lock_guard lock(mutex_);
  signaled_ = false;
  if (waiters_ == 0) return;
  if (manual_reset_)
    ++pulse_generation_;
  else if (pulse_tickets_ < waiters_)
    ++pulse_tickets_;
  changed_.notify_all();
}

bool TEvent::ReleasedSince(std::uint64_t pulse_generation) const {
  return signaled_ || pulse_generation_ != pulse_generation || pulse_tickets_ > 0;
}

TWaitResult TEvent::WaitFor(std::uint32_t timeout_ms) {
  std::unique_lock lock(mutex_);
  const std::uint64_t generation = pulse_generation_;
  auto released = [&] { return ReleasedSince(generation); };
  ++waiters_;
  bool ok;
  if (timeout_ms == INFINITE) {
    changed_.wait(lock, released);
    ok = true;
  } else {
    ok = changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), released);
  }
  --waiters_;
  if (!ok) return wrTimeout;
  if (!manual_reset_) {
    // The waiter that leaves takes the signal (or the pulse) with it.
    if (signaled_)
      signaled_ = false;
    else if (pulse_tickets_ > 0)
      --pulse_tickets_;
  }
  return wrSignaled;
}

// ---- TMultiReadExclusiveWriteSynchronizer

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  const auto self = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  int& depth = read_depth_[self];
  // A nested read, or a read inside this thread's own write, never waits:
  // waiting would deadlock against a writer that waits for this thread.
  if (depth == 0 && writer_ != self) {
    changed_.wait(lock, [&] { return writer_ == std::thread::id() && waiting_writers_ == 0; });
    ++reader_threads_;
  }
  ++depth;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  const auto self = std::this_thread::get_id();
  std::lock_guard lock(mutex_);
  auto it = read_depth_.find(self);
  if (it == read_depth_.end())
    throw EInvalidOperation("EndRead without a matching BeginRead");
  if (--it->second > 0) return;
  read_depth_.erase(it);
  if (writer_ != self) {
    --reader_threads_;
    changed_.notify_all();
  }
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  const auto self = std::this_thread::get_id();
  std::unique_lock lock(mutex_);
  if (writer_ == self) {
    ++write_depth_;
    return true;
  }
  const std::uint64_t writes_before = writes_started_;
  const bool was_reading = read_depth_.count(self) > 0;
  if (was_reading) {
    // Stop counting as a reader so that the write can start, and so that two
    // readers asking to write at once do not wait for each other forever.
    --reader_threads_;
    changed_.notify_all();
  }
  ++waiting_writers_;
  changed_.wait(lock, [&] { return writer_ == std::thread::id() && reader_threads_ == 0; });
  --waiting_writers_;
  writer_ = self;
  write_depth_ = 1;
  ++writes_started_;
  return writes_started_ == writes_before + 1;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  const auto self = std::this_thread::get_id();
  std::lock_guard lock(mutex_);
  if (writer_ != self)
    throw EInvalidOperation("EndWrite by a thread that does not hold the write lock");
  if (--write_depth_ > 0) return;
  writer_ = std::thread::id();
  // Reads taken before or during the write are still held.
  if (read_depth_.count(self) > 0) ++reader_threads_;
  changed_.notify_all();
}

}  // namespace classlib
