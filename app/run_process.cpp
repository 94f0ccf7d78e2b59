#include "app/run_process.h"

#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "app/command_line_split.h"
#include "app/details_log.h"
#include "app/termination_signals.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/stream.h"
#include "platform/environment.h"
#include "platform/message_loop.h"
#include "platform/windows_types.h"

extern char** environ;

namespace app {

namespace {

class TSpawnActions {
 public:
  TSpawnActions() { posix_spawn_file_actions_init(&actions_); }
  ~TSpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
  TSpawnActions(const TSpawnActions&) = delete;
  TSpawnActions& operator=(const TSpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

// The child starts with the termination signals unblocked: the updater
// blocks them for itself only.
class TSpawnAttributes {
 public:
  TSpawnAttributes() {
    posix_spawnattr_init(&attributes_);
    const sigset_t mask = ChildSignalMask();
    posix_spawnattr_setsigmask(&attributes_, &mask);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK);
  }
  ~TSpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  TSpawnAttributes(const TSpawnAttributes&) = delete;
  TSpawnAttributes& operator=(const TSpawnAttributes&) = delete;
  posix_spawnattr_t* get() { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

bool IsFolder(const std::string& native_path) {
  struct stat info;
  return !native_path.empty() && ::stat(native_path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The message the original system gives for the failures a start can meet
// here; errno values have no Windows text of their own.
std::string StartErrorText(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return platform::SysErrorMessage(platform::ERROR_FILE_NOT_FOUND);
    case EACCES:
    case EPERM: return platform::SysErrorMessage(platform::ERROR_ACCESS_DENIED);
    default: return std::strerror(error);
  }
}

std::vector<std::string> NativeArguments(const std::string& exe_path, const std::string& arguments) {
  std::vector<std::string> argv = SplitCommandLine(ChildProgramCommandLine(exe_path, arguments));
  for (std::string& argument : argv) argument = classlib::Cp1251ToUtf8(argument);
  if (!argv.empty()) argv[0] = classlib::NativeFileName(exe_path);
  return argv;
}

}  // namespace

std::unique_ptr<TChildProcess> TChildProcess::Start(const std::string& program,
                                                    const std::vector<std::string>& arguments,
                                                    const std::string& working_folder,
                                                    int& error) {
  TSpawnActions actions;
  // Only the standard descriptors reach the child, as no handles are
  // inherited on the original system.
  posix_spawn_file_actions_addclosefrom_np(actions.get(), 3);
  if (!working_folder.empty())
    posix_spawn_file_actions_addchdir_np(actions.get(), working_folder.c_str());

  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  if (argv.empty()) argv.push_back(const_cast<char*>(program.c_str()));
  argv.push_back(nullptr);

  TSpawnAttributes attributes;
  pid_t pid = 0;
  const bool search_path = program.find('/') == std::string::npos;
  error = search_path ? posix_spawnp(&pid, program.c_str(), actions.get(), attributes.get(),
                                     argv.data(), environ)
                      : posix_spawn(&pid, program.c_str(), actions.get(), attributes.get(),
                                    argv.data(), environ);
  if (error != 0) return nullptr;
  return std::unique_ptr<TChildProcess>(new TChildProcess(pid));
}

TChildProcess::TChildProcess(pid_t pid) : pid_(pid), pid_fd_(OpenPidFd(pid)) {}

TChildProcess::~TChildProcess() {
  if (pid_fd_ >= 0) ::close(pid_fd_);
  if (!reaped_ && !Reap(false)) {
    pid_t pid = pid_;
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  }
}

bool TChildProcess::Reap(bool block) {
  if (reaped_) return true;
  int status = 0;
  pid_t done;
  do {
    done = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (done < 0 && errno == EINTR);
  // ECHILD: someone else reaped it; it has ended all the same.
  reaped_ = done == pid_ || (done < 0 && errno == ECHILD);
  return reaped_;
}

TChildProcess::TWaitOutcome TChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (reaped_) return TWaitOutcome::Exited;
  if (pid_fd_ >= 0) {
    pollfd ready{pid_fd_, POLLIN, 0};
    int count = ::poll(&ready, 1, static_cast<int>(timeout.count()));
    if (count > 0) Reap(true);
    return reaped_ ? TWaitOutcome::Exited : TWaitOutcome::TimedOut;
  }
  // No process descriptor: look every few milliseconds.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!Reap(false) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return reaped_ ? TWaitOutcome::Exited : TWaitOutcome::TimedOut;
}

std::string ChildProgramCommandLine(const std::string& exe_path, const std::string& arguments) {
  return "\"" + exe_path + "\" " + arguments;
}

bool RunProcessAndWait(IProgressView& view, const std::string& exe_path,
                       const std::string& arguments) {
  std::string folder = classlib::NativeFileName(classlib::ExtractFileDir(exe_path));
  if (!IsFolder(folder)) folder.clear();
  int error = 0;
  std::unique_ptr<TChildProcess> child = TChildProcess::Start(
      classlib::NativeFileName(exe_path), NativeArguments(exe_path, arguments), folder, error);
  if (!child) {
    AddDetailsLog(view, exe_path + " " + arguments, StartErrorText(error), "");
    return false;
  }
  while (child->Wait(kChildWaitStep) == TChildProcess::TWaitOutcome::TimedOut) {
    view.ProcessMessages();
    if (WaitAbandoned()) break;
  }
  return true;
}

bool WaitAbandoned() { return platform::MessageLoop::Current().QuitRequested(); }

}  // namespace app
