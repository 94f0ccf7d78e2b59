#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/environment.h"
#include "platform/single_instance.h"
#include "testing/scratch_folder.h"

extern char** environ;

namespace platform {
namespace {

using SingleInstance = scratch::ScratchRegistryTest;

// A child that takes the lock for `program`, reports through the pipe
// whether it got it, and then waits to be killed.
pid_t StartHolder(const std::string& program, char& reply) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    auto lock = SingleInstanceLock::TryAcquire(program);
    char got = lock ? 'y' : 'n';
    if (write(fds[1], &got, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  close(fds[1]);
  if (read(fds[0], &reply, 1) != 1) reply = '?';
  close(fds[0]);
  return child;
}

void Kill(pid_t child) {
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
}

TEST_F(SingleInstance, SecondProcessIsRefusedUntilTheHolderIsKilled) {
  const std::string program = ModuleFileName();
  char reply = 0;
  pid_t holder = StartHolder(program, reply);
  ASSERT_GT(holder, 0);
  ASSERT_EQ(reply, 'y');

  EXPECT_EQ(SingleInstanceLock::TryAcquire(program), nullptr);
  // A program file elsewhere has a lock of its own.
  EXPECT_NE(SingleInstanceLock::TryAcquire(folder_.Path() + "/other-program"), nullptr);

  Kill(holder);
  auto lock = SingleInstanceLock::TryAcquire(program);
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(lock->Path().rfind(folder_.Path() + "/", 0), 0u);

  // While this process holds it, a new process is refused.
  holder = StartHolder(program, reply);
  EXPECT_EQ(reply, 'n');
  Kill(holder);
}

TEST_F(SingleInstance, TheLockFollowsTheRealPath) {
  std::string link = folder_.Path() + "/link-to-program";
  ASSERT_EQ(symlink(ModuleFileName().c_str(), link.c_str()), 0);
  EXPECT_EQ(InstanceLockPath(link), InstanceLockPath(ModuleFileName()));
  auto lock = SingleInstanceLock::TryAcquire(ModuleFileName());
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(SingleInstanceLock::TryAcquire(link), nullptr);
}

TEST_F(SingleInstance, ChildProgramsDoNotKeepTheLock) {
  const std::string program = ModuleFileName();
  auto lock = SingleInstanceLock::TryAcquire(program);
  ASSERT_NE(lock, nullptr);
  pid_t child = 0;
  const char* argv[] = {"sleep", "30", nullptr};
  ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  lock.reset();
  EXPECT_NE(SingleInstanceLock::TryAcquire(program), nullptr);
  Kill(child);
}

}  // namespace
}  // namespace platform
