// The statement thread and the thread waiting for its work: work that needs
// the waiting thread (to show what it did, say) gets its round of events at
// once instead of at the waiting thread's next step, and work started while
// other work runs gets a thread of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/execute_statement.h"
#include "app/fuzz/fake_script_connection.h"

namespace app::testing {
namespace {

TEST(StatementThreadTest, WorkThatHurriesGetsTheWaitingThreadsRoundAtOnce) {
  fuzz::FakeScriptConnection connection(TScriptServer::Firebird);
  std::atomic<int> rounds{0};
  constexpr int kRequests = 100;
  int answered = 0;
  const auto start = std::chrono::steady_clock::now();
  RunOnStatementThread(
      connection,
      [&] {
        for (int i = 0; i < kRequests; ++i) {
          const int before = rounds.load();
          HurryEventRound();
          const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
          while (rounds.load() == before && std::chrono::steady_clock::now() < give_up)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
          if (rounds.load() != before) ++answered;
        }
      },
      [&] { ++rounds; });
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(answered, kRequests);
  // Waiting out the step (10 ms) for each request would take a second.
  EXPECT_LT(elapsed, std::chrono::milliseconds(600));
  // Outside such work nothing waits for a round, and nothing happens.
  HurryEventRound();
}

// Work started from the events the waiting thread processes while other
// work runs gets a thread of its own, so it never waits for the work it
// interrupted; what it wrote and what it raised reach the thread that
// waited for it.
TEST(StatementThreadTest, WorkStartedWhileOtherWorkRunsGetsAThreadOfItsOwn) {
  fuzz::FakeScriptConnection connection(TScriptServer::Firebird);
  std::atomic<bool> outer_may_end{false};
  bool nested_done = false;
  std::thread::id outer_thread;
  std::thread::id nested_thread;  // written by the nested work, no lock
  std::string written;
  std::string raised;
  RunOnStatementThread(
      connection,
      [&] {
        outer_thread = std::this_thread::get_id();
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!outer_may_end && std::chrono::steady_clock::now() < give_up)
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
      },
      [&] {
        if (nested_done) return;
        nested_done = true;
        RunOnStatementThread(connection, [&] {
          nested_thread = std::this_thread::get_id();
          written = "by the nested work";
        });
        try {
          RunOnStatementThread(connection, [] { throw std::runtime_error("nested failure"); });
        } catch (const std::exception& error) {
          raised = error.what();
        }
        outer_may_end = true;
      });
  EXPECT_TRUE(outer_may_end.load()) << "the nested work never ran";
  EXPECT_NE(nested_thread, outer_thread);
  EXPECT_NE(nested_thread, std::this_thread::get_id());
  EXPECT_EQ(written, "by the nested work");
  EXPECT_EQ(raised, "nested failure");
}

}  // namespace
}  // namespace app::testing
