#include "fib/fib_timer.h"

namespace fib {

TFIBTimer::TFIBTimer(classlib::TComponent* owner)
    : classlib::TComponent(owner), loop_(platform::MessageLoop::Current()) {}

TFIBTimer::~TFIBTimer() {
  enabled_ = false;
  KillLoopTimer();
}

void TFIBTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  UpdateTimer();
}

void TFIBTimer::SetInterval(uint32_t interval) {
  interval_ = interval;
  UpdateTimer();
}

void TFIBTimer::SetOnTimer(const classlib::TNotifyEvent& handler) {
  on_timer_ = handler;
  UpdateTimer();
}

void TFIBTimer::Timer() {
  // A copy, so a handler may free the timer (and its handler) while it runs.
  classlib::TNotifyEvent handler = on_timer_;
  if (handler) handler(this);
}

void TFIBTimer::UpdateTimer() {
  KillLoopTimer();
  if (interval_ == 0 || !enabled_ || !on_timer_) return;
  timer_id_ = loop_.SetTimer(interval_, [this] { Timer(); });
}

void TFIBTimer::KillLoopTimer() {
  if (timer_id_ == 0) return;
  loop_.KillTimer(timer_id_);
  timer_id_ = 0;
}

void SetTimeoutTimer(std::unique_ptr<TFIBTimer>& timer, uint32_t interval_ms,
                     const classlib::TNotifyEvent& on_tick, bool enabled) {
  if (interval_ms == 0) {
    timer.reset();
    return;
  }
  if (!timer) {
    timer = std::make_unique<TFIBTimer>(nullptr);
    timer->SetEnabled(false);
    timer->SetOnTimer(on_tick);
  }
  timer->SetInterval(interval_ms);
  timer->SetEnabled(enabled);
}

}  // namespace fib
