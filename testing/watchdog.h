// A hang fails the test that meets it: a watch armed with a time limit,
// still armed when the limit passes, prints the stack of every thread of the
// process (so a deadlock shows where each thread waits) and ends the process
// with a failure. The stacks come from gdb when it is installed, else from
// each thread itself, through a signal whose handler prints its own stack.
#pragma once

#include <dirent.h>
#include <execinfo.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

// The sanitizers' symbolised stack of the calling thread, when one is linked in.
extern "C" void __sanitizer_print_stack_trace() __attribute__((weak));

namespace classlib::testing {

class TWatchdog {
 public:
  TWatchdog(std::chrono::milliseconds limit, std::string what)
      : what_(std::move(what)), thread_([this, limit] { Watch(limit); }) {}
  ~TWatchdog() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      disarmed_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  TWatchdog(const TWatchdog&) = delete;
  TWatchdog& operator=(const TWatchdog&) = delete;

 private:
  void Watch(std::chrono::milliseconds limit) {
    {
      std::unique_lock<std::mutex> hold(lock_);
      if (wake_.wait_for(hold, limit, [this] { return disarmed_; })) return;
    }
    std::fprintf(stderr, "\nwatchdog: \"%s\" still runs after %lld ms: a hang. The stack of every thread:\n",
                 what_.c_str(), static_cast<long long>(limit.count()));
    std::fflush(stderr);
    if (!PrintStacksWithGdb()) PrintStacksBySignal();
    std::fprintf(stderr, "watchdog: \"%s\" FAILED (hang)\n", what_.c_str());
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
  }

  static bool PrintStacksWithGdb() {
    if (access("/usr/bin/gdb", X_OK) != 0) return false;
    const std::string pid = std::to_string(getpid());
    const char* argv[] = {"/usr/bin/gdb", "-batch", "-nx", "-p", pid.c_str(), "-ex", "thread apply all bt", nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, argv[0], nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  // Every other thread prints its own stack in the handler, one at a time.
  static void PrintStacksBySignal() {
    signal(SIGURG, [](int) {
      std::fprintf(stderr, "--- thread %ld\n", static_cast<long>(syscall(SYS_gettid)));
      if (__sanitizer_print_stack_trace) {
        __sanitizer_print_stack_trace();
      } else {
        void* frames[64];
        backtrace_symbols_fd(frames, backtrace(frames, 64), STDERR_FILENO);
      }
      Answered().store(true);
    });
    const long self = syscall(SYS_gettid);
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks) return;
    while (dirent* entry = readdir(tasks)) {
      const long tid = std::atol(entry->d_name);
      if (tid <= 0 || tid == self) continue;
      Answered().store(false);
      syscall(SYS_tgkill, getpid(), tid, SIGURG);
      for (int waited = 0; !Answered().load() && waited < 200; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (!Answered().load()) std::fprintf(stderr, "--- thread %ld did not answer\n", tid);
    }
    closedir(tasks);
  }
  static std::atomic<bool>& Answered() {
    static std::atomic<bool> answered{false};
    return answered;
  }

  std::string what_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool disarmed_ = false;
  std::thread thread_;
};

}  // namespace classlib::testing
