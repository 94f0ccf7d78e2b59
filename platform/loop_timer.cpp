#include "platform/loop_timer.h"

namespace platform {

TLoopTimer::TLoopTimer(classlib::TComponent* owner) : classlib::TComponent(owner) {}

TLoopTimer::~TLoopTimer() {
  enabled_ = false;
  KillLoopTimer();
}

void TLoopTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  UpdateTimer();
}

void TLoopTimer::SetInterval(uint32_t interval_ms) {
  interval_ = interval_ms;
  UpdateTimer();
}

void TLoopTimer::SetOnTimer(const classlib::TNotifyEvent& handler) {
  on_timer_ = handler;
  UpdateTimer();
}

void TLoopTimer::Timer() {
  // A copy, so a handler may replace itself or free the timer while it runs.
  classlib::TNotifyEvent handler = on_timer_;
  if (handler) handler(this);
}

void TLoopTimer::UpdateTimer() {
  KillLoopTimer();
  if (interval_ == 0 || !enabled_ || !on_timer_) return;
  loop_ = &MessageLoop::Current();
  timer_id_ = loop_->SetTimer(interval_, [this] { Timer(); });
}

void TLoopTimer::KillLoopTimer() {
  if (timer_id_ == 0) return;
  loop_->KillTimer(timer_id_);
  timer_id_ = 0;
}

}  // namespace platform
