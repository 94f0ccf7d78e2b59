// Starting an auxiliary program and waiting for it while the window stays
// alive: the program reports back through window messages, which are only
// handled while the wait lets the window process them.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/progress_view.h"

namespace app {

// One started child process, reaped when it ends.
class TChildProcess {
 public:
  enum class TWaitOutcome { Exited, TimedOut };

  // Starts `program` (a native path; a name without '/' is looked up along
  // PATH) with `arguments` (argument 0 first, native texts) in
  // `working_folder` (empty: the current one). The child inherits standard
  // input and output and no other descriptor. On failure returns null and
  // sets `error` to the errno value.
  static std::unique_ptr<TChildProcess> Start(const std::string& program,
                                              const std::vector<std::string>& arguments,
                                              const std::string& working_folder, int& error);
  // A child still running is left running; it is reaped in the background
  // once it ends.
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // Waits at most `timeout` for the child to end.
  TWaitOutcome Wait(std::chrono::milliseconds timeout);

 private:
  explicit TChildProcess(pid_t pid);
  bool Reap(bool block);

  pid_t pid_;
  int pid_fd_ = -1;  // readable once the child ended; -1 where the kernel has none
  bool reaped_ = false;
};

// How long one wait lasts before pending messages are processed.
inline constexpr std::chrono::milliseconds kChildWaitStep{500};

// The command line the original system would have run, and the source of
// the blocks about it: the program in double quotes, a blank, the arguments.
std::string ChildProgramCommandLine(const std::string& exe_path, const std::string& arguments);

// Starts `exe_path` (ANSI, may use '\') with the arguments split from
// `arguments` as the original system splits command lines, in the folder of
// `exe_path` when that folder exists. Waits in steps of kChildWaitStep,
// letting the view process messages after each, until the child ends or the
// application is told to quit (its window closed; the child is then left
// running). True when the program started. A program that cannot start
// gives a details block with source "<exe_path> <arguments>" and the
// system's message, and false. The child's exit code is not looked at: it
// reports through messages and the registry.
bool RunProcessAndWait(IProgressView& view, const std::string& exe_path,
                       const std::string& arguments);

// True once the application was told to quit: the update steps then start
// no further programs.
bool WaitAbandoned();

}  // namespace app
