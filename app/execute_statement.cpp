#include "app/execute_statement.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <utility>

#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/strings.h"

namespace app {

namespace {

// How long the window waits for the work between two rounds of its events.
constexpr int kEventStepMs = 10;

// Set on a thread while it does work handed to it by RunOnStatementThread.
thread_local bool doing_lent_work = false;

class TStatementWorker;
// The worker whose thread this is, on that thread.
thread_local TStatementWorker* running_worker = nullptr;

// Calls `between_rounds` (when given), then processes the thread's events.
void EventRound(const std::function<void()>& between_rounds) {
  if (between_rounds) between_rounds();
  QCoreApplication::processEvents();
}

// The thread statements run on: one serves the whole process, so a script
// file's statements all run on the thread its work was handed to once.
// While it works, the calling thread sleeps between rounds of its events.
class TStatementWorker : public QThread {
 public:
  ~TStatementWorker() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    wait();
    // The thread's last step was to let go of the lock: taking it orders
    // everything the thread did before the members go, where Qt's wait
    // alone is not seen by the thread checker.
    std::lock_guard<std::mutex> lock(mutex_);
  }

  bool Busy() const { return busy_; }

  // On the worker: the waiting thread makes a round of its events at once.
  void Hurry() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      hurry_ = true;
    }
    finished_.notify_one();
  }

  // Runs `job` on the worker and returns when it is done, with a round of
  // the calling thread's events every kEventStepMs meanwhile, and at once
  // when the job hurries it.
  void Run(const std::function<void()>& job, const std::function<void()>& between_rounds) {
    busy_ = true;
    if (!isRunning()) start();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = false;
      job_ = &job;
    }
    wake_.notify_one();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done_) {
      finished_.wait_for(lock, std::chrono::milliseconds(kEventStepMs), [this] { return done_ || hurry_; });
      if (done_) break;
      hurry_ = false;
      lock.unlock();
      EventRound(between_rounds);
      lock.lock();
    }
    busy_ = false;
  }

 protected:
  void run() override {
    running_worker = this;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || job_ != nullptr; });
      if (stopping_) return;
      const std::function<void()>* job = std::exchange(job_, nullptr);
      lock.unlock();
      (*job)();  // the job catches what the work raises
      lock.lock();
      done_ = true;
      hurry_ = false;
      finished_.notify_one();
    }
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  const std::function<void()>* job_ = nullptr;  // under mutex_
  bool done_ = false;                            // under mutex_
  bool stopping_ = false;                        // under mutex_
  bool hurry_ = false;                           // under mutex_
  bool busy_ = false;  // touched by the calling thread only
};

TStatementWorker& StatementWorker() {
  static TStatementWorker worker;
  return worker;
}

// A thread for one job. Its end is marked by a release of its own as the
// last thing it does, and Finish acquires it: what the job wrote (and the
// failure it caught) is then ordered before what the waiting thread reads
// by a step the thread checker sees, where Qt's wait is not seen.
class TJobThread : public QThread {
 public:
  explicit TJobThread(const std::function<void()>& job) : job_(job) {}
  // Waits for the job, with a round of the calling thread's events every
  // kEventStepMs meanwhile.
  void Finish(const std::function<void()>& between_rounds) {
    while (!wait(QDeadlineTimer(kEventStepMs))) EventRound(between_rounds);
    (void)ended_.load(std::memory_order_acquire);
  }

 protected:
  void run() override {
    job_();
    ended_.store(true, std::memory_order_release);
  }

 private:
  const std::function<void()>& job_;
  std::atomic<bool> ended_{false};
};

// Work started from the events processed while other work runs gets a
// thread of its own, so it never waits for the work it interrupted.
void RunOnThreadOfItsOwn(IScriptConnection& connection, const std::function<void()>& job,
                         const std::function<void()>& between_rounds) {
  TJobThread worker(job);
  connection.LendTo(&worker);
  worker.start();
  worker.Finish(between_rounds);
}

}  // namespace

void RunOnStatementThread(IScriptConnection& connection, const std::function<void()>& work,
                          const std::function<void()>& between_rounds) {
  if (doing_lent_work) {
    work();
    return;
  }
  std::exception_ptr failure;
  QThread* const owner = QThread::currentThread();
  const std::function<void()> job = [&] {
    doing_lent_work = true;
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    doing_lent_work = false;
    connection.GiveBack(owner);
  };
  TStatementWorker& worker = StatementWorker();
  if (worker.Busy()) {
    RunOnThreadOfItsOwn(connection, job, between_rounds);
  } else {
    connection.LendTo(&worker);
    worker.Run(job, between_rounds);
  }
  if (failure) std::rethrow_exception(failure);
}

void HurryEventRound() {
  if (running_worker != nullptr) running_worker->Hurry();
}

bool ExecuteStatement(IScriptConnection& connection, const std::string& text,
                      std::string& error_text) {
  static const std::string kUnknownError = classlib::Utf8ToCp1251("неопределенная ошибка");
  error_text = kUnknownError;
  if (classlib::UpperCase(text) == "COMMIT") {
    error_text.clear();
    return true;
  }
  try {
    RunOnStatementThread(connection, [&] { connection.Execute(text); });
  } catch (const std::exception& error) {
    ++StatementFailures;
    error_text = error.what();
    return false;
  }
  error_text.clear();
  return true;
}

std::vector<std::string> NamesOf(const classlib::TStrings& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Strings(i));
  return names;
}

}  // namespace app
