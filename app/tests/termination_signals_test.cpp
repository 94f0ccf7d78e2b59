// Termination signals read on the window's thread, and child programs that
// start with them unblocked.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <pthread.h>
#include <sys/stat.h>
#include <set>
#include <string>

#include "app/run_process.h"
#include "app/shell_open.h"
#include "app/termination_signals.h"
#include "window_test_support.h"

namespace app::testing {
namespace {

// Blocks the signals in this thread only for the life of the object; the
// test sends them to this thread only.
class BlockedHere {
 public:
  BlockedHere() {
    pthread_sigmask(SIG_BLOCK, nullptr, &before_);
    BlockTerminationSignals();
  }
  ~BlockedHere() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

 private:
  sigset_t before_;
};

TEST(TerminationSignals, EachSignalReachesTheEventLoopWithItsNumber) {
  BlockedHere blocked;
  std::multiset<int> received;
  TTerminationSignals termination([&](int number) { received.insert(number); });
  for (int number : {SIGHUP, SIGINT, SIGTERM}) pthread_kill(pthread_self(), number);
  QElapsedTimer clock;
  clock.start();
  while (received.size() < 3 && clock.elapsed() < 5000) QCoreApplication::processEvents();
  EXPECT_EQ(received, (std::multiset<int>{SIGHUP, SIGINT, SIGTERM}));
}

// The blocked-signal mask of a process, from the kernel's status file.
unsigned long long BlockedMaskOf(const std::string& status_file) {
  std::ifstream in(status_file);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("SigBlk:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
  ADD_FAILURE() << "no SigBlk line in " << status_file;
  return ~0ull;
}

TEST(TerminationSignals, ChildProgramsStartWithTheSignalsUnblocked) {
  BlockedHere blocked;
  ScratchFolder folder;
  const std::string status = folder.File("status");
  int error = 0;
  auto child = TChildProcess::Start("/bin/sh", {"sh", "-c", "cat /proc/self/status > " + status},
                                    "", error);
  ASSERT_NE(child, nullptr) << error;
  ASSERT_EQ(child->Wait(std::chrono::seconds(30)), TChildProcess::TWaitOutcome::Exited);
  const unsigned long long mask = BlockedMaskOf(status);
  for (int number : {SIGHUP, SIGINT, SIGTERM})
    EXPECT_EQ(mask & (1ull << (number - 1)), 0u) << "signal " << number << " blocked";
}

// The files the window's buttons open go through the desktop's opener,
// which starts the program that shows them: both must end as usual.
TEST(TerminationSignals, TheDesktopOpenerStartsWithTheSignalsUnblocked) {
  BlockedHere blocked;
  ScratchFolder folder;
  const std::string opener = folder.File("xdg-open");
  {
    std::ofstream script(opener);
    script << "#!/bin/sh\ncat /proc/self/status > \"$1.status.part\" && mv \"$1.status.part\" \"$1.status\"\n";
  }
  ASSERT_EQ(::chmod(opener.c_str(), 0755), 0);
  const char* path = std::getenv("PATH");
  const std::string document = folder.File("instruction.txt");
  {
    ScopedEnv opener_first("PATH", folder.Path() + ":" + (path ? path : ""));
    ASSERT_TRUE(TDesktopShellOpen().Open(document));
  }
  QElapsedTimer clock;
  clock.start();
  while (!QFileInfo::exists(QString::fromStdString(document + ".status")) && clock.elapsed() < 10000)
    QThread::msleep(10);
  const unsigned long long mask = BlockedMaskOf(document + ".status");
  for (int number : {SIGHUP, SIGINT, SIGTERM})
    EXPECT_EQ(mask & (1ull << (number - 1)), 0u) << "signal " << number << " blocked";
}

}  // namespace
}  // namespace app::testing
