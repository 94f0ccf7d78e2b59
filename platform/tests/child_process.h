// Child processes for tests whose behaviour crosses process boundaries.
// Every wait is bounded: a child that does not finish in time is killed and
// the test fails instead of hanging.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platform::testing {

// Runs `body` in a forked child whose exit status is the body's result. The
// child leaves with _exit so no test machinery of the parent runs twice.
inline pid_t ForkChild(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    int code = 99;
    try {
      code = body();
    } catch (...) {
      code = 98;
    }
    _exit(code);
  }
  return pid;
}

// The exit status of `pid`, or no value when it did not end within `limit`
// (it is then killed). `while_waiting` runs between polls.
inline std::optional<int> WaitChild(pid_t pid, std::chrono::milliseconds limit,
                                    const std::function<void()>& while_waiting = {}) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (done < 0 || std::chrono::steady_clock::now() > deadline) break;
    if (while_waiting) while_waiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return std::nullopt;
}

struct ProgramResult {
  std::optional<int> exit_code;  // no value: killed after the time limit
  std::string out;
  std::string err;
};

// Runs a program, pumping `while_waiting` until it ends; its output is
// collected through files so a chatty child cannot block on a full pipe.
ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args,
                         const std::function<void()>& while_waiting = {},
                         std::chrono::milliseconds limit = std::chrono::seconds(20));

}  // namespace platform::testing
