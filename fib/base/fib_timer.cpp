#include "fib/base/fib_timer.h"

#include <cstdio>
#include <mutex>

#include "classlib/exceptions.h"

namespace fib {
namespace {

std::mutex& HookMutex() {
  static std::mutex mutex;
  return mutex;
}

TTimerErrorHook& Hook() {
  static TTimerErrorHook hook;
  return hook;
}

}  // namespace

void SetTimerErrorHook(TTimerErrorHook hook) {
  std::lock_guard lock(HookMutex());
  Hook() = std::move(hook);
}

void HandleTimerError(const std::exception& error) {
  if (dynamic_cast<const classlib::EAbort*>(&error) != nullptr) return;
  TTimerErrorHook hook;
  {
    std::lock_guard lock(HookMutex());
    hook = Hook();
  }
  if (hook) {
    // The hook runs inside the loop too: what it raises stops here.
    try {
      hook(error);
      return;
    } catch (...) {
    }
  }
  std::fprintf(stderr, "%s\n", error.what());
}

void TFIBTimer::Timer() {
  if (ticking_) return;
  ticking_ = true;
  const std::shared_ptr<bool> alive = alive_;
  try {
    TLoopTimer::Timer();
  } catch (const std::exception& error) {
    HandleTimerError(error);
  } catch (...) {
    HandleTimerError(classlib::Exception("Unknown exception in a timer"));
  }
  if (*alive) ticking_ = false;
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
