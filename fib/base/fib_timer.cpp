#include "fib/base/fib_timer.h"

namespace fib {

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
