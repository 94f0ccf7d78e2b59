#include "fib/base/fib_timer.h"

#include <chrono>
#include <cstdio>
#include <ctime>
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

int64_t CoarseNowMs() {
#ifdef CLOCK_MONOTONIC_COARSE
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
#else
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
#endif
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
