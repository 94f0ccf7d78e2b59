// Synchronisation objects between the threads of one process: events that
// threads wait on, a re-entrant critical section, and a lock that lets many
// readers or one writer in.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <thread>

#include "classlib/object.h"

namespace classlib {

// Wait without a time limit.
inline constexpr std::uint32_t INFINITE = 0xFFFFFFFFu;

// wrAbandoned and wrError exist for callers that handle every outcome of a
// wait; the in-process objects here only answer wrSignaled or wrTimeout.
enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError, wrIOCompletion };

// An event is signalled or not. A manual-reset event stays signalled until
// ResetEvent and releases every waiter; an auto-reset event releases one
// waiter and falls back to non-signalled as that waiter leaves.
class TEvent : public TObject {
  CLASSLIB_CLASS(TEvent, TObject)
 public:
  explicit TEvent(bool manual_reset = true, bool initial_state = false);

  void SetEvent();
  void ResetEvent();
  // Releases the threads waiting right now (one for an auto-reset event) and
  // leaves the event non-signalled; a thread that starts waiting later is
  // not released.
  void PulseEvent();
  TWaitResult WaitFor(std::uint32_t timeout_ms = INFINITE);

 private:
  bool ReleasedSince(std::uint64_t pulse_generation) const;

  const bool manual_reset_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool signaled_;
  int waiters_ = 0;
  // A pulse of a manual-reset event advances the generation; one of an
  // auto-reset event leaves a ticket that exactly one waiter takes.
  std::uint64_t pulse_generation_ = 0;
  int pulse_tickets_ = 0;
};

// A lock that the owning thread may enter again; it is free when every
// Enter has been matched by a Leave.
class TCriticalSection : public TObject {
  CLASSLIB_CLASS(TCriticalSection, TObject)
 public:
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void Acquire() { Enter(); }
  void Release() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a critical section for the lifetime of a scope.
class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(TCriticalSection& section) : section_(section) { section_.Enter(); }
  ~CriticalSectionGuard() { section_.Leave(); }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

 private:
  TCriticalSection& section_;
};

// Many readers or one writer. A thread may nest reads, nest writes, read
// inside its write, and ask to write while it reads: it then gives up its
// read while it waits, and BeginWrite answers false when another writer got
// in during that wait (what it read may have changed). Waiting writers keep
// new readers out, so writers are not starved.
class TMultiReadExclusiveWriteSynchronizer : public TObject {
  CLASSLIB_CLASS(TMultiReadExclusiveWriteSynchronizer, TObject)
 public:
  void BeginRead();
  void EndRead();
  bool BeginWrite();
  void EndWrite();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread::id writer_;
  int write_depth_ = 0;
  std::uint64_t writes_started_ = 0;
  int waiting_writers_ = 0;
  // Threads other than the writer that hold a read.
  int reader_threads_ = 0;
  std::map<std::thread::id, int> read_depth_;
};

}  // namespace classlib
