#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/qt_message_loop.h"

namespace app {
namespace {

// Processes events until `done` or the time runs out.
template <typename Done>
bool PumpUntil(QtMessageLoop& loop, Done done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) loop.ProcessMessages();
  return done();
}

TEST(QtMessageLoopTest, PostedCallsRunOnTheLoopThreadInOrder) {
  QtMessageLoop loop;
  std::vector<int> order;
  std::atomic<bool> other_thread_ran{false};
  std::thread::id ran_on;
  std::thread poster([&] {
    loop.Post([&] {
      ran_on = std::this_thread::get_id();
      other_thread_ran = true;
    });
  });
  poster.join();
  loop.Post([&] { order.push_back(1); });
  loop.Post([&] { order.push_back(2); });
  ASSERT_TRUE(PumpUntil(loop, [&] { return other_thread_ran && order.size() == 2; }));
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

// What a thread wrote before it posted a call is there when the call runs
// on the loop's thread, while the poster goes on running: the hand-over
// itself orders them, not the end of the poster.
TEST(QtMessageLoopTest, CallsPostedFromAnotherThreadSeeWhatThePosterWrote) {
  QtMessageLoop loop;
  std::string written;  // no lock of its own: the post must order it
  std::string seen;
  std::atomic<bool> ran{false};
  std::thread poster([&] {
    written = "written before posting";
    loop.Post([&] {
      seen = written;
      ran = true;
    });
    while (!ran) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  const bool done = PumpUntil(loop, [&] { return ran.load(); });
  poster.join();
  ASSERT_TRUE(done);
  EXPECT_EQ(seen, "written before posting");
}

TEST(QtMessageLoopTest, ATimerRepeatsUntilItKillsItself) {
  QtMessageLoop loop;
  int ticks = 0;
  platform::MessageLoop::TimerId id = 0;
  id = loop.SetTimer(1, [&] {
    if (++ticks == 3) {
      EXPECT_TRUE(loop.KillTimer(id));
    }
  });
  EXPECT_NE(id, 0u);
  ASSERT_TRUE(PumpUntil(loop, [&] { return ticks >= 3; }));
  // Killed: no more ticks however long the loop runs.
  PumpUntil(loop, [] { return false; }, 50);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(loop.KillTimer(id));
  EXPECT_EQ(loop.TimerCount(), 0u);
}

TEST(QtMessageLoopTest, TimersSetFromAnotherThreadRunOnTheLoopThread) {
  QtMessageLoop loop;
  std::atomic<platform::MessageLoop::TimerId> id{0};
  std::atomic<bool> fired{false};
  std::thread::id ran_on;
  std::thread setter([&] {
    id = loop.SetTimer(1, [&] {
      ran_on = std::this_thread::get_id();
      fired = true;
    });
  });
  // The setter waits for the loop thread to make the timer.
  ASSERT_TRUE(PumpUntil(loop, [&] { return id != 0u; }));
  setter.join();
  ASSERT_TRUE(PumpUntil(loop, [&] { return fired.load(); }));
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  EXPECT_TRUE(loop.KillTimer(id));
}

TEST(QtMessageLoopTest, AQuitRequestEndsTheRunningLoop) {
  QtMessageLoop loop;
  platform::MessageLoop::SetCurrent(&loop);
  EXPECT_EQ(&platform::MessageLoop::Current(), &loop);
  QTimer::singleShot(0, [] { platform::MessageLoop::Current().RequestQuit(); });
  QTimer::singleShot(10000, [] { QCoreApplication::exit(2); });  // a hang fails, not blocks
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_TRUE(loop.QuitRequested());
  platform::MessageLoop::SetCurrent(nullptr);
}

}  // namespace
}  // namespace app
