#include "fib/fib_timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/clock.h"
#include "platform/plain_message_loop.h"

namespace fib {
namespace {

using std::chrono::milliseconds;

// Timers on a loop whose time moves only when the test says so.
class TimerTest : public ::testing::Test {
 protected:
  TimerTest() : loop_(&clock_) { platform::MessageLoop::SetCurrent(&loop_); }
  ~TimerTest() override { platform::MessageLoop::SetCurrent(nullptr); }

  void Pass(int ms) {
    clock_.Advance(milliseconds(ms));
    loop_.ProcessMessages();
  }

  // Counts ticks and remembers who sent them.
  struct Listener {
    void Tick(classlib::TObject* sender) { senders.push_back(sender); }
    std::vector<classlib::TObject*> senders;
  };

  platform::ManualClock clock_;
  platform::PlainMessageLoop loop_;
  Listener listener_;
};

TEST_F(TimerTest, NeverArmsWithoutAHandler) {
  TFIBTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  timer.SetInterval(50);
  EXPECT_FALSE(timer.Armed());
  EXPECT_EQ(loop_.TimerCount(), 0u);
}

TEST_F(TimerTest, TicksEveryIntervalWithItselfAsSender) {
  TFIBTimer timer(nullptr);
  timer.SetOnTimer(classlib::TNotifyEvent(&listener_, &Listener::Tick));
  EXPECT_TRUE(timer.Armed());
  Pass(999);
  EXPECT_TRUE(listener_.senders.empty());
  Pass(1);
  Pass(1000);
  ASSERT_EQ(listener_.senders.size(), 2u);
  EXPECT_EQ(listener_.senders[0], &timer);
}

TEST_F(TimerTest, DisablingZeroIntervalAndClearingTheHandlerStopIt) {
  TFIBTimer timer(nullptr);
  timer.SetOnTimer(classlib::TNotifyEvent(&listener_, &Listener::Tick));
  timer.SetEnabled(false);
  EXPECT_EQ(loop_.TimerCount(), 0u);
  timer.SetEnabled(true);
  timer.SetInterval(0);
  EXPECT_EQ(loop_.TimerCount(), 0u);
  timer.SetInterval(100);
  timer.SetOnTimer(nullptr);
  Pass(5000);
  EXPECT_TRUE(listener_.senders.empty());
  EXPECT_EQ(loop_.TimerCount(), 0u);
}

TEST_F(TimerTest, EveryChangeStartsAFullInterval) {
  TFIBTimer timer(nullptr);
  timer.SetOnTimer(classlib::TNotifyEvent(&listener_, &Listener::Tick));
  Pass(600);
  timer.SetInterval(1000);
  Pass(500);
  EXPECT_TRUE(listener_.senders.empty());
  Pass(500);
  EXPECT_EQ(listener_.senders.size(), 1u);
  EXPECT_EQ(loop_.TimerCount(), 1u);
}

TEST_F(TimerTest, DestructionKillsTheTimerEvenFromItsOwnTick) {
  auto* owner = new classlib::TComponent(nullptr);
  auto* owned = new TFIBTimer(owner);
  owned->SetOnTimer(classlib::TNotifyEvent(&listener_, &Listener::Tick));
  delete owner;
  EXPECT_EQ(loop_.TimerCount(), 0u);
  Pass(2000);
  EXPECT_TRUE(listener_.senders.empty());

  auto* self_freeing = new TFIBTimer(nullptr);
  int ticks = 0;
  self_freeing->SetOnTimer(classlib::TNotifyEvent::Function([&](classlib::TObject* sender) {
    ++ticks;
    delete static_cast<TFIBTimer*>(sender);
  }));
  Pass(1000);
  Pass(1000);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(loop_.TimerCount(), 0u);
}

}  // namespace
}  // namespace fib
