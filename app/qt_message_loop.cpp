#include "app/qt_message_loop.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <future>

#include "classlib/exceptions.h"

namespace app {

QtMessageLoop::QtMessageLoop() = default;

QtMessageLoop::~QtMessageLoop() {
  for (auto& [id, timer] : timers_) delete timer.timer;
}

template <typename Work>
void QtMessageLoop::RunOnLoopThread(Work&& work) {
  if (QThread::currentThread() == thread()) {
    work();
    return;
  }
  // A posted call waited for through a promise rather than Qt's blocking
  // connection: the hand-over of what the work wrote is then an ordering the
  // standard library states, which the thread checker also sees.
  std::promise<void> done;
  Post([&] {
    try {
      work();
      done.set_value();
    } catch (...) {
      done.set_exception(std::current_exception());
    }
  });
  done.get_future().get();
}

// Safe from any thread; the calls run on the loop's thread in the order
// posted.
void QtMessageLoop::Post(Callback call) { posted_.Post(std::move(call)); }

platform::MessageLoop::TimerId QtMessageLoop::SetTimer(unsigned interval_ms, Callback on_timer) {
  TimerId id = 0;
  bool exhausted = false;
  RunOnLoopThread([&] {
    if (timers_.size() >= kMaxTimers) {
      exhausted = true;
      return;
    }
    id = AddTimer(interval_ms, std::move(on_timer));
  });
  if (exhausted || id == 0) throw classlib::EOutOfResources("Not enough timers available");
  return id;
}

platform::MessageLoop::TimerId QtMessageLoop::AddTimer(unsigned interval_ms, Callback on_timer) {
  do {
    ++last_id_;
  } while (last_id_ == 0 || timers_.count(last_id_) != 0);
  const TimerId id = last_id_;
  auto* timer = new QTimer(this);
  timer->setInterval(static_cast<int>(std::min<unsigned>(interval_ms, INT32_MAX)));
  auto callback = std::make_shared<Callback>(std::move(on_timer));
  connect(timer, &QTimer::timeout, this, [callback] {
    // The shared copy keeps the callback alive when it kills its own timer.
    std::shared_ptr<Callback> keep = callback;
    (*keep)();
  });
  timer->start();
  if (!timer->isActive()) {
    delete timer;
    return 0;
  }
  timers_.emplace(id, Timer{timer, std::move(callback)});
  return id;
}

bool QtMessageLoop::KillTimer(TimerId id) {
  bool found = false;
  RunOnLoopThread([&] { found = RemoveTimer(id); });
  return found;
}

bool QtMessageLoop::RemoveTimer(TimerId id) {
  auto it = timers_.find(id);
  if (it == timers_.end()) return false;
  it->second.timer->stop();
  // The timer may be the one whose signal is running now.
  it->second.timer->deleteLater();
  timers_.erase(it);
  return true;
}

void QtMessageLoop::ProcessMessages() { QCoreApplication::processEvents(); }

void QtMessageLoop::RequestQuit() {
  quit_ = true;
  QCoreApplication::quit();
}

bool QtMessageLoop::QuitRequested() const { return quit_; }

}  // namespace app
