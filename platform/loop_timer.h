// TLoopTimer: an interval timer component on the process's message loop. It
// calls OnTimer every Interval milliseconds while Enabled is set and a
// handler is given; Interval 0 never fires. The data-access layers derive
// their timers (detail delay, idle and reconnect time-outs) from it.
#pragma once

#include <cstdint>

#include "classlib/component.h"
#include "classlib/event.h"
#include "platform/message_loop.h"

namespace platform {

class TLoopTimer : public classlib::TComponent {
  CLASSLIB_CLASS(TLoopTimer, classlib::TComponent)
 public:
  explicit TLoopTimer(classlib::TComponent* owner);
  ~TLoopTimer() override;

  // Each change re-arms the timer, so the next tick is one full interval
  // after the change. Arming raises EOutOfResources "Not enough timers
  // available" when the loop has no timer left.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return interval_; }  // milliseconds, default 1000
  void SetInterval(uint32_t interval_ms);
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

  // The loop current when the timer was armed; it stays there until killed,
  // even if another loop is installed meanwhile.
  MessageLoop* loop_ = nullptr;
  MessageLoop::TimerId timer_id_ = 0;
  bool enabled_ = true;
  uint32_t interval_ = 1000;
  classlib::TNotifyEvent on_timer_;
};

}  // namespace platform
