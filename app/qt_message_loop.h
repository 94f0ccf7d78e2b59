// The libraries' message loop on the window system's event loop, so their
// timers and posted calls run on the window's thread between its events.
#pragma once

#include <QObject>
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include "platform/message_loop.h"

class QTimer;

namespace app {

class QtMessageLoop : public QObject, public platform::MessageLoop {
  Q_OBJECT

 public:
  // Lives on the thread that creates it, which must be the window's; the
  // application object must exist.
  QtMessageLoop();
  ~QtMessageLoop() override;

  void Post(Callback call) override;
  // Both may be called from any thread; the timer runs on the loop's thread.
  TimerId SetTimer(unsigned interval_ms, Callback on_timer) override;
  bool KillTimer(TimerId id) override;
  void ProcessMessages() override;
  void RequestQuit() override;
  bool QuitRequested() const override;

  std::size_t TimerCount() const { return timers_.size(); }
  static constexpr std::size_t kMaxTimers = 0x3FFF;

 private:
  // Runs the oldest posted call; one queued invocation per Post.
  Q_INVOKABLE void RunPostedCall();

  struct Timer {
    QTimer* timer;
    std::shared_ptr<Callback> on_timer;
  };

  // Runs `work` on the loop's thread and waits for it.
  template <typename Work>
  void RunOnLoopThread(Work&& work);

  TimerId AddTimer(unsigned interval_ms, Callback on_timer);
  bool RemoveTimer(TimerId id);

  // Posted calls wait here, under a lock of ours, and Qt's event queue only
  // carries the wake-up: what the poster wrote before posting is then
  // ordered before the call by a lock the thread checker sees.
  std::mutex posted_lock_;
  std::deque<Callback> posted_;  // under posted_lock_
  std::map<TimerId, Timer> timers_;
  TimerId last_id_ = 0;
  std::atomic<bool> quit_{false};
};

}  // namespace app
