// TWin32Timer over the message loop's interval timers.
#include "dacore/support_timer.h"

namespace dacore {

TWin32Timer::TWin32Timer(classlib::TComponent* owner) : TComponent(owner) {}

TWin32Timer::~TWin32Timer() {
  enabled_ = false;
  UpdateTimer();
}

void TWin32Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  UpdateTimer();
}

void TWin32Timer::SetInterval(unsigned interval_ms) {
  interval_ = interval_ms;
  UpdateTimer();
}

void TWin32Timer::SetOnTimer(classlib::TNotifyEvent handler) {
  on_timer_ = std::move(handler);
  UpdateTimer();
}

void TWin32Timer::Timer() {
  if (on_timer_) on_timer_(this);
}

// The timer stays with the loop it was set on, even if another loop is
// installed meanwhile.
void TWin32Timer::UpdateTimer() {
  if (timer_ != 0) {
    loop_->KillTimer(timer_);
    timer_ = 0;
  }
  if (interval_ == 0 || !enabled_ || !on_timer_) return;
  loop_ = &platform::MessageLoop::Current();
  timer_ = loop_->SetTimer(interval_, [this] { Timer(); });
}

}  // namespace dacore
