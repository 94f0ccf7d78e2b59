// TFIBTimer: the message loop's interval timer component, for the idle,
// reconnect, detail-delay and end-of-scroll timers of the connection,
// transaction and data-set components.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

#include "classlib/event.h"
#include "platform/loop_timer.h"

namespace fib {

// A timer's handler runs from the message loop, where an exception would
// end the program: what a handler raises stops at its timer and goes to the
// application's error hook instead (silent aborts go nowhere). Without a
// hook the message is written to standard error.
using TTimerErrorHook = std::function<void(const std::exception& error)>;
void SetTimerErrorHook(TTimerErrorHook hook);
// Hands an exception that ended a timer's tick to the hook.
void HandleTimerError(const std::exception& error);

class TFIBTimer : public platform::TLoopTimer {
  CLASSLIB_CLASS(TFIBTimer, platform::TLoopTimer)
 public:
  using TLoopTimer::TLoopTimer;
  ~TFIBTimer() override { *alive_ = false; }

 protected:
  // Runs the handler and reports what it raises. A tick that comes while
  // the previous one still runs (a message box of the error hook lets the
  // loop run) is skipped, so one failing handler shows one error at a time.
  void Timer() override;

 private:
  bool ticking_ = false;
  // Cleared by the destructor: a handler may free its own timer.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Milliseconds of the coarse monotonic clock: a few nanoseconds to read (no
// hardware is asked), exact to a few milliseconds. For durations kept in
// whole milliseconds and for checks made on every statement or row.
int64_t CoarseNowMs();

// The time-out timer of a connection or transaction: none while the interval
// is 0; otherwise made on first use, ticking `on_tick` every interval and
// running only while `enabled`.
void SetTimeoutTimer(std::unique_ptr<TFIBTimer>& timer, uint32_t interval_ms,
                     const classlib::TNotifyEvent& on_tick, bool enabled);

}  // namespace fib
