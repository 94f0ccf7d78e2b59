// TWin32Timer: a component that calls OnTimer every Interval milliseconds on
// the thread of the process's message loop, while Enabled is set and a
// handler is given. Interval 0 never fires.
#pragma once

#include "classlib/component.h"
#include "classlib/event.h"
#include "platform/message_loop.h"

namespace dacore {

class TWin32Timer : public classlib::TComponent {
  CLASSLIB_CLASS(TWin32Timer, classlib::TComponent)
 public:
  explicit TWin32Timer(classlib::TComponent* owner);
  ~TWin32Timer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned interval_ms);
  const classlib::TNotifyEvent& OnTimer() const { return on_timer_; }
  void SetOnTimer(classlib::TNotifyEvent handler);

 protected:
  // Calls OnTimer when one is assigned.
  virtual void Timer();

 private:
  // Kills the running timer and sets a new one when it may fire; a refused
  // timer raises EOutOfResources "Not enough timers available".
  void UpdateTimer();

  bool enabled_ = true;
  unsigned interval_ = 1000;
  classlib::TNotifyEvent on_timer_;
  platform::MessageLoop* loop_ = nullptr;
  platform::MessageLoop::TimerId timer_ = 0;
};

}  // namespace dacore
