// The time source of timers. Timers ask an injected clock for "now" so that
// tests can move time by hand instead of sleeping.
#pragma once

#include <atomic>
#include <chrono>

namespace platform {

class Clock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~Clock() = default;
  virtual TimePoint Now() const = 0;
};

// Monotonic wall time; the default of every message loop.
class SteadyClock : public Clock {
 public:
  TimePoint Now() const override { return std::chrono::steady_clock::now(); }
};

// Time that moves only when told to; safe to read from any thread.
class ManualClock : public Clock {
 public:
  TimePoint Now() const override { return TimePoint(std::chrono::milliseconds(now_ms_.load())); }
  void Advance(std::chrono::milliseconds by) { now_ms_ += by.count(); }

 private:
  std::atomic<long long> now_ms_{1000000};
};

}  // namespace platform
