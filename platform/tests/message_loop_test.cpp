#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "classlib/exceptions.h"
#include "platform/plain_message_loop.h"

namespace platform {
namespace {

using std::chrono::milliseconds;

class TimerTest : public ::testing::Test {
 protected:
  ManualClock clock;
  PlainMessageLoop loop{&clock};
};

TEST_F(TimerTest, FiresOncePerIntervalAndNotBefore) {
  int ticks = 0;
  loop.SetTimer(1000, [&] { ++ticks; });
  clock.Advance(milliseconds(999));
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 0);
  clock.Advance(milliseconds(1));
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 1);
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 1) << "a timer fires once per interval";
  clock.Advance(milliseconds(1000));
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 2);
}

TEST_F(TimerTest, MissedTicksAreNotMadeUpAndNextTickCountsFromFiring) {
  int ticks = 0;
  loop.SetTimer(100, [&] { ++ticks; });
  clock.Advance(milliseconds(550));
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 1);
  clock.Advance(milliseconds(99));
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 1);
  clock.Advance(milliseconds(1));
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 2);
}

TEST_F(TimerTest, TimersFireInDueOrder) {
  std::vector<int> order;
  loop.SetTimer(300, [&] { order.push_back(300); });
  loop.SetTimer(100, [&] { order.push_back(100); });
  loop.SetTimer(200, [&] { order.push_back(200); });
  clock.Advance(milliseconds(300));
  loop.ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{100, 200, 300}));
}

TEST_F(TimerTest, KillTimerStopsItEvenFromItsOwnCallbackOrAnother) {
  int first = 0, second = 0;
  MessageLoop::TimerId second_id = 0;
  MessageLoop::TimerId first_id = loop.SetTimer(50, [&] {
    ++first;
    EXPECT_TRUE(loop.KillTimer(first_id));
    EXPECT_TRUE(loop.KillTimer(second_id)) << "killing a timer that is due in the same pass";
  });
  second_id = loop.SetTimer(50, [&] { ++second; });
  clock.Advance(milliseconds(500));
  loop.ProcessMessages();
  clock.Advance(milliseconds(500));
  loop.ProcessMessages();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  EXPECT_FALSE(loop.KillTimer(first_id));
  EXPECT_EQ(loop.TimerCount(), 0u);
}

TEST_F(TimerTest, TimerSetInsideACallbackWaitsForItsOwnInterval) {
  int inner = 0;
  loop.SetTimer(100, [&] {
    if (loop.TimerCount() == 1) loop.SetTimer(100, [&] { ++inner; });
  });
  clock.Advance(milliseconds(100));
  loop.ProcessMessages();
  EXPECT_EQ(inner, 0);
  clock.Advance(milliseconds(100));
  loop.ProcessMessages();
  EXPECT_EQ(inner, 1);
}

TEST_F(TimerTest, IdsAreDistinctNonZeroAndTimersRunOut) {
  MessageLoop::TimerId a = loop.SetTimer(10, [] {});
  MessageLoop::TimerId b = loop.SetTimer(10, [] {});
  EXPECT_NE(a, 0u);
  EXPECT_NE(a, b);
  while (loop.TimerCount() < PlainMessageLoop::kMaxTimers) loop.SetTimer(1000, [] {});
  try {
    loop.SetTimer(10, [] {});
    FAIL() << "no exception";
  } catch (const classlib::EOutOfResources& e) {
    EXPECT_EQ(e.Message(), "Not enough timers available");
  }
}

TEST_F(TimerTest, ZeroIntervalDoesNotSpin) {
  int ticks = 0;
  loop.SetTimer(0, [&] { ++ticks; });
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 0);
  clock.Advance(milliseconds(10));
  loop.ProcessMessages();
  EXPECT_EQ(ticks, 1);
}

TEST(PlainMessageLoop, PostedCallsRunInOrderAndOnlyThosePendingAtTheStart) {
  PlainMessageLoop loop;
  std::vector<int> order;
  int reposts = 0;
  std::function<void()> repost = [&] {
    ++reposts;
    loop.Post(repost);
  };
  loop.Post([&] { order.push_back(1); });
  loop.Post(repost);
  loop.Post([&] { order.push_back(2); });
  loop.ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(reposts, 1) << "a call that posts itself must not keep ProcessMessages running";
}

TEST(PlainMessageLoop, NestedProcessMessagesKeepsPostingOrder) {
  PlainMessageLoop loop;
  std::vector<int> order;
  loop.Post([&] {
    order.push_back(1);
    loop.ProcessMessages();  // a handler that lets pending messages run
  });
  loop.Post([&] { order.push_back(2); });
  loop.Post([&] { order.push_back(3); });
  loop.ProcessMessages();
  loop.ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(PlainMessageLoop, RunExecutesCallsPostedFromOtherThreadsUntilQuit) {
  PlainMessageLoop loop;
  std::thread::id loop_thread = std::this_thread::get_id();
  std::atomic<int> ran{0};
  bool all_on_loop_thread = true;
  std::vector<std::thread> posters;
  for (int t = 0; t < 4; ++t)
    posters.emplace_back([&] {
      for (int i = 0; i < 250; ++i)
        loop.Post([&] {
          all_on_loop_thread = all_on_loop_thread && std::this_thread::get_id() == loop_thread;
          if (++ran == 1000) loop.RequestQuit();
        });
    });
  // Guards the test: Run must end by itself well before this.
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 200 && !done; ++i) std::this_thread::sleep_for(milliseconds(50));
    if (!done) loop.RequestQuit();
  });
  loop.Run();
  done = true;
  for (auto& p : posters) p.join();
  watchdog.join();
  EXPECT_EQ(ran, 1000);
  EXPECT_TRUE(all_on_loop_thread);
  EXPECT_FALSE(loop.QuitRequested()) << "Run clears the request so the loop can run again";
}

TEST(PlainMessageLoop, RunSleepsUntilTheNextTimer) {
  PlainMessageLoop loop;
  auto start = std::chrono::steady_clock::now();
  std::atomic<bool> done{false};
  loop.SetTimer(60, [&] { loop.RequestQuit(); });
  std::thread watchdog([&] {
    for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(milliseconds(50));
    loop.RequestQuit();
  });
  loop.Run();
  auto elapsed = std::chrono::steady_clock::now() - start;
  done = true;
  watchdog.join();
  EXPECT_GE(elapsed, milliseconds(60));
  EXPECT_LT(elapsed, std::chrono::seconds(3));
}

TEST(MessageLoop, CurrentIsTheInstalledLoopOrTheBuiltInOne) {
  MessageLoop& built_in = MessageLoop::Current();
  EXPECT_EQ(&built_in, &MessageLoop::Current());
  PlainMessageLoop mine;
  MessageLoop::SetCurrent(&mine);
  EXPECT_EQ(&MessageLoop::Current(), &mine);
  MessageLoop::SetCurrent(nullptr);
  EXPECT_EQ(&MessageLoop::Current(), &built_in);
}

}  // namespace
}  // namespace platform
