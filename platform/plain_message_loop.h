// The message loop of libraries and tests: a queue of posted calls and
// timers ordered by due time, driven either by ProcessMessages or by Run.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "platform/clock.h"
#include "platform/message_loop.h"

namespace platform {

class PlainMessageLoop : public MessageLoop {
 public:
  // Timers read `clock` (not owned; it must outlive the loop); nullptr
  // means the steady clock.
  explicit PlainMessageLoop(const Clock* clock = nullptr);

  void Post(Callback call) override;
  TimerId SetTimer(unsigned interval_ms, Callback on_timer) override;
  bool KillTimer(TimerId id) override;
  void ProcessMessages() override;
  void RequestQuit() override;
  bool QuitRequested() const override;

  // Processes messages until a quit is requested, sleeping until the next
  // timer is due or something is posted. Clears the quit request on return
  // so the loop can be run again.
  void Run();

  // How many timers exist; at most this many can be set at once.
  std::size_t TimerCount() const;
  static constexpr std::size_t kMaxTimers = 0x3FFF;

 private:
  struct Timer {
    std::chrono::milliseconds interval;
    Clock::TimePoint due;
    std::shared_ptr<Callback> on_timer;
  };

  bool RunOnePosted();
  bool FireOneDueTimer(Clock::TimePoint now);
  void WaitForWork();

  SteadyClock steady_;
  const Clock& clock_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Callback> posted_;
  std::map<TimerId, Timer> timers_;
  std::set<std::pair<Clock::TimePoint, TimerId>> by_due_;
  TimerId last_id_ = 0;
  bool quit_ = false;
};

}  // namespace platform
