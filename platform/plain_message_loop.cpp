#include "platform/plain_message_loop.h"

#include "classlib/exceptions.h"

namespace platform {

namespace {

// The shortest interval a timer gets, as window timers do: an interval of 0
// must not turn into a busy loop.
constexpr std::chrono::milliseconds kMinimumInterval{10};

}  // namespace

PlainMessageLoop::PlainMessageLoop(const Clock* clock) : clock_(clock ? *clock : steady_) {}

void PlainMessageLoop::Post(Callback call) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(call));
  }
  wake_.notify_all();
}

MessageLoop::TimerId PlainMessageLoop::SetTimer(unsigned interval_ms, Callback on_timer) {
  std::chrono::milliseconds interval = std::max(std::chrono::milliseconds(interval_ms), kMinimumInterval);
  TimerId id;
  {
    std::lock_guard lock(mutex_);
    if (timers_.size() >= kMaxTimers) throw classlib::EOutOfResources("Not enough timers available");
    // Ids are never reused while a timer holds them, and never 0.
    do {
      ++last_id_;
    } while (last_id_ == 0 || timers_.count(last_id_));
    Timer timer{interval, clock_.Now() + interval, std::make_shared<Callback>(std::move(on_timer))};
    id = last_id_;
    by_due_.emplace(timer.due, id);
    timers_.emplace(id, std::move(timer));
  }
  wake_.notify_all();
  return id;
}

bool PlainMessageLoop::KillTimer(TimerId id) {
  std::lock_guard lock(mutex_);
  auto it = timers_.find(id);
  if (it == timers_.end()) return false;
  by_due_.erase({it->second.due, id});
  timers_.erase(it);
  return true;
}

// Runs one posted call, taken under the lock and run outside it, so a call
// may post, set timers or process messages itself.
bool PlainMessageLoop::RunOnePosted() {
  Callback call;
  {
    std::lock_guard lock(mutex_);
    if (posted_.empty()) return false;
    call = std::move(posted_.front());
    posted_.pop_front();
  }
  if (call) call();
  return true;
}

// A due timer fires once and is rescheduled one interval after `now`: ticks
// missed while the thread was busy are not made up, like window timers.
bool PlainMessageLoop::FireOneDueTimer(Clock::TimePoint now) {
  std::shared_ptr<Callback> on_timer;
  {
    std::lock_guard lock(mutex_);
    if (by_due_.empty() || by_due_.begin()->first > now) return false;
    TimerId id = by_due_.begin()->second;
    by_due_.erase(by_due_.begin());
    Timer& timer = timers_.at(id);
    timer.due = now + timer.interval;
    by_due_.emplace(timer.due, id);
    on_timer = timer.on_timer;
  }
  if (*on_timer) (*on_timer)();
  return true;
}

void PlainMessageLoop::ProcessMessages() {
  // Only what is pending now: a call that posts itself again, or a timer
  // whose callback takes longer than its interval, cannot keep us here.
  std::size_t pending;
  {
    std::lock_guard lock(mutex_);
    pending = posted_.size();
  }
  while (pending-- > 0 && RunOnePosted()) {
  }
  Clock::TimePoint now = clock_.Now();
  while (FireOneDueTimer(now)) {
  }
}

void PlainMessageLoop::RequestQuit() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
}

bool PlainMessageLoop::QuitRequested() const {
  std::lock_guard lock(mutex_);
  return quit_;
}

std::size_t PlainMessageLoop::TimerCount() const {
  std::lock_guard lock(mutex_);
  return timers_.size();
}

void PlainMessageLoop::WaitForWork() {
  std::unique_lock lock(mutex_);
  if (quit_ || !posted_.empty()) return;
  auto ready = [this] { return quit_ || !posted_.empty(); };
  if (by_due_.empty()) {
    wake_.wait(lock, ready);
    return;
  }
  // The loop's clock may not be the steady clock; the wait is measured in
  // real time and bounded so a clock moved by hand is noticed soon.
  auto until_due = by_due_.begin()->first - clock_.Now();
  auto wait = std::min<Clock::TimePoint::duration>(std::max<Clock::TimePoint::duration>(until_due, Clock::TimePoint::duration::zero()),
                                        std::chrono::milliseconds(100));
  wake_.wait_for(lock, wait, ready);
}

void PlainMessageLoop::Run() {
  while (!QuitRequested()) {
    ProcessMessages();
    WaitForWork();
  }
  std::lock_guard lock(mutex_);
  quit_ = false;
}

}  // namespace platform
