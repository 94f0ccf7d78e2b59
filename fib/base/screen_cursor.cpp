#include "fib/base/screen_cursor.h"

#include <mutex>

namespace fib {
namespace {

struct CursorHooks {
  std::mutex mutex;
  TShowScreenCursorHook show;
  TRestoreScreenCursorHook restore;
};

CursorHooks& Hooks() {
  static CursorHooks hooks;
  return hooks;
}

}  // namespace

void SetScreenCursorHooks(TShowScreenCursorHook show, TRestoreScreenCursorHook restore) {
  CursorHooks& hooks = Hooks();
  std::lock_guard lock(hooks.mutex);
  if (!show || !restore) {
    hooks.show = nullptr;
    hooks.restore = nullptr;
    return;
  }
  hooks.show = std::move(show);
  hooks.restore = std::move(restore);
}

TScreenCursorGuard::TScreenCursorGuard(int cursor) {
  if (cursor == 0) return;
  TShowScreenCursorHook show;
  {
    CursorHooks& hooks = Hooks();
    std::lock_guard lock(hooks.mutex);
    show = hooks.show;
    restore_ = hooks.restore;
  }
  if (!show) return;
  // Called outside the lock: the application's hook may wait for its window.
  try {
    show(cursor);
  } catch (...) {
    restore_ = nullptr;
    throw;
  }
}

TScreenCursorGuard::~TScreenCursorGuard() {
  if (!restore_) return;
  // Putting a cursor back must not hide the error that ends the work.
  try {
    restore_();
  } catch (...) {
  }
}

}  // namespace fib
