// TFIBTimer: an interval timer component on the user-interface thread's
// message loop, for the idle, reconnect and end-of-scroll timers of the
// connection, transaction and data-set components.
#pragma once

#include <cstdint>
#include <memory>

#include "classlib/component.h"
#include "classlib/event.h"
#include "platform/message_loop.h"

namespace fib {

class TFIBTimer : public classlib::TComponent {
  CLASSLIB_CLASS(TFIBTimer, classlib::TComponent)
 public:
  // The timer runs on the message loop current at construction.
  explicit TFIBTimer(classlib::TComponent* owner);
  ~TFIBTimer() override;

  // The timer ticks only while Enabled, Interval is not 0 and OnTimer is
  // assigned; each change re-arms it, so the next tick is one full interval
  // after the change. Arming raises EOutOfResources when the loop has no
  // timer left.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return interval_; }  // milliseconds, default 1000
  void SetInterval(uint32_t interval);
  const classlib::TNotifyEvent& OnTimer() const { return on_timer_; }
  void SetOnTimer(const classlib::TNotifyEvent& handler);

  // Whether a loop timer is set right now.
  bool Armed() const { return timer_id_ != 0; }

 protected:
  // Each tick: calls OnTimer with this timer as the sender.
  virtual void Timer();

 private:
  void UpdateTimer();
  void KillLoopTimer();

  platform::MessageLoop& loop_;
  platform::MessageLoop::TimerId timer_id_ = 0;
  bool enabled_ = true;
  uint32_t interval_ = 1000;
  classlib::TNotifyEvent on_timer_;
};

// The time-out timer of a connection or transaction: none while the interval
// is 0; otherwise made on first use, ticking `on_tick` every interval and
// running only while `enabled`.
void SetTimeoutTimer(std::unique_ptr<TFIBTimer>& timer, uint32_t interval_ms,
                     const classlib::TNotifyEvent& on_tick, bool enabled);

}  // namespace fib
