// The statement thread and the thread waiting for its work: work that needs
// the waiting thread (to show what it did, say) gets its round of events at
// once instead of at the waiting thread's next step.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

}  // namespace
}  // namespace app::testing
