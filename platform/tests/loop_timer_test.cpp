// The message loop's interval timer component on a loop whose clock the
// test moves: arming rules, full intervals after each change, destruction
// from its own tick.
#include "platform/loop_timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/clock.h"
#include "platform/plain_message_loop.h"

namespace platform {
namespace {

using std::chrono::milliseconds;

// Timers on a loop whose time moves only when the test says so.
class LoopTimerTest : public ::testing::Test {
 protected:
  LoopTimerTest() : loop_(&clock_) { MessageLoop::SetCurrent(&loop_); }
  ~LoopTimerTest() override { MessageLoop::SetCurrent(nullptr); }

  void Pass(int ms) {
    clock_.Advance(milliseconds(ms));
    loop_.ProcessMessages();
  }

  // Counts ticks and remembers who sent them.
  struct Listener {
    void Tick(classlib::TObject* sender) { senders.push_back(sender); }
    std::vector<classlib::TObject*> senders;
  };

  ManualClock clock_;
  PlainMessageLoop loop_;
  Listener listener_;
};

TEST_F(LoopTimerTest, NeverArmsWithoutAHandler) {
  TLoopTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  timer.SetInterval(50);
  EXPECT_FALSE(timer.Armed());
  EXPECT_EQ(loop_.TimerCount(), 0u);
}

TEST_F(LoopTimerTest, TicksEveryIntervalWithItselfAsSender) {
  TLoopTimer timer(nullptr);
  timer.SetOnTimer(classlib::TNotifyEvent(&listener_, &Listener::Tick));
  EXPECT_TRUE(timer.Armed());
  Pass(999);
  EXPECT_TRUE(listener_.senders.empty());
  Pass(1);
  Pass(1000);
  ASSERT_EQ(listener_.senders.size(), 2u);
  EXPECT_EQ(listener_.senders[0], &timer);
}

TEST_F(LoopTimerTest, DisablingZeroIntervalAndClearingTheHandlerStopIt) {
  TLoopTimer timer(nullptr);
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

TEST_F(LoopTimerTest, EveryChangeStartsAFullInterval) {
  TLoopTimer timer(nullptr);
  timer.SetOnTimer(classlib::TNotifyEvent(&listener_, &Listener::Tick));
  Pass(600);
  timer.SetInterval(1000);
  Pass(500);
  EXPECT_TRUE(listener_.senders.empty());
  Pass(500);
  EXPECT_EQ(listener_.senders.size(), 1u);
  EXPECT_EQ(loop_.TimerCount(), 1u);
}

TEST_F(LoopTimerTest, DestructionKillsTheTimerEvenFromItsOwnTick) {
  auto* owner = new classlib::TComponent(nullptr);
  auto* owned = new TLoopTimer(owner);
  owned->SetOnTimer(classlib::TNotifyEvent(&listener_, &Listener::Tick));
  delete owner;
  EXPECT_EQ(loop_.TimerCount(), 0u);
  Pass(2000);
  EXPECT_TRUE(listener_.senders.empty());

  auto* self_freeing = new TLoopTimer(nullptr);
  int ticks = 0;
  self_freeing->SetOnTimer(classlib::TNotifyEvent::Function([&](classlib::TObject* sender) {
    ++ticks;
    delete static_cast<TLoopTimer*>(sender);
  }));
  Pass(1000);
  Pass(1000);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(loop_.TimerCount(), 0u);
}

}  // namespace
}  // namespace platform
