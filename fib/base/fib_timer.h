// TFIBTimer: the message loop's interval timer component, for the idle,
// reconnect and end-of-scroll timers of the connection, transaction and
// data-set components.
#pragma once

#include <cstdint>
#include <memory>

#include "classlib/event.h"
#include "platform/loop_timer.h"

namespace fib {

class TFIBTimer : public platform::TLoopTimer {
  CLASSLIB_CLASS(TFIBTimer, platform::TLoopTimer)
 public:
  using TLoopTimer::TLoopTimer;
};

// The time-out timer of a connection or transaction: none while the interval
// is 0; otherwise made on first use, ticking `on_tick` every interval and
// running only while `enabled`.
void SetTimeoutTimer(std::unique_ptr<TFIBTimer>& timer, uint32_t interval_ms,
                     const classlib::TNotifyEvent& on_tick, bool enabled);

}  // namespace fib
