// The libraries' message loop on the window system's event loop, so their
// timers and posted calls run on the window's thread between its events.
#pragma once

#include <QObject>
#include <atomic>
#include <map>
#include <memory>

#include "app/qt_posted_calls.h"
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
  struct Timer {
    QTimer* timer;
    std::shared_ptr<Callback> on_timer;
  };

  // Runs `work` on the loop's thread and waits for it.
  template <typename Work>
  void RunOnLoopThread(Work&& work);

  TimerId AddTimer(unsigned interval_ms, Callback on_timer);
  bool RemoveTimer(TimerId id);

  TPostedCalls posted_;  // on the loop's thread, as the loop
  std::map<TimerId, Timer> timers_;
  TimerId last_id_ = 0;
  std::atomic<bool> quit_{false};
};

}  // namespace app
