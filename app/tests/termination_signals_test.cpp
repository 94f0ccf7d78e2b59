// Termination signals read on the window's thread, and child programs that
// start with them unblocked.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>
#include <fstream>
#include <pthread.h>
#include <set>
#include <string>

#include "app/run_process.h"
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
  TempDir folder;
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

}  // namespace
}  // namespace app::testing
