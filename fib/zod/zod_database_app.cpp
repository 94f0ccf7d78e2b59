#include "fib/zod/zod_database_app.h"

#include <map>
#include <mutex>

#include "platform/message_loop.h"

namespace fib {
namespace {

struct AppHooks {
  std::mutex mutex;
  std::map<int, TTerminateCheck> checks;
  int next_id = 1;
  TErrorMessageHook show_error;
};

AppHooks& Hooks() {
  static AppHooks hooks;
  return hooks;
}

}  // namespace

int AddTerminateCheck(TTerminateCheck check) {
  AppHooks& hooks = Hooks();
  std::lock_guard lock(hooks.mutex);
  int id = hooks.next_id++;
  hooks.checks.emplace(id, std::move(check));
  return id;
}

void RemoveTerminateCheck(int id) {
  AppHooks& hooks = Hooks();
  std::lock_guard lock(hooks.mutex);
  hooks.checks.erase(id);
}

void SetErrorMessageHook(TErrorMessageHook hook) {
  AppHooks& hooks = Hooks();
  std::lock_guard lock(hooks.mutex);
  hooks.show_error = std::move(hook);
}

void ShowErrorMessage(const std::string& message) {
  TErrorMessageHook hook;
  {
    std::lock_guard lock(Hooks().mutex);
    hook = Hooks().show_error;
  }
  if (hook) hook(message);
}

bool TerminateApplication() {
  std::map<int, TTerminateCheck> checks;
  {
    std::lock_guard lock(Hooks().mutex);
    checks = Hooks().checks;
  }
  // Called without the lock: a check may register or remove checks itself.
  for (auto& [id, check] : checks)
    if (check && !check()) return false;
  platform::MessageLoop::Current().RequestQuit();
  return true;
}

}  // namespace fib
