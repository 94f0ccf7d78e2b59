#include "app/execute_statement.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/strings.h"

namespace app {

namespace {

// How long the window waits for the statement between two rounds of its
// events.
constexpr int kEventStepMs = 10;

// The thread statements run on. One thread serves every statement of the
// process, and each side spins a moment before it sleeps: starting a thread
// per statement, or waking one from sleep, cost more than a short statement
// itself (a run of 20 000 inserts took two and a half times as long).
class TStatementWorker : public QThread {
 public:
  ~TStatementWorker() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    wait();
  }

  bool Busy() const { return busy_; }

  // Runs `job` on the worker and returns when it is done, processing the
  // calling thread's events every kEventStepMs meanwhile.
  void Run(const std::function<void()>& job) {
    busy_ = true;
    if (!isRunning()) start();
    done_ = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      job_ = &job;
    }
    wake_.notify_all();
    if (!SpinUntil([this] { return done_.load(); })) {
      for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (finished_.wait_for(lock, std::chrono::milliseconds(kEventStepMs),
                               [this] { return done_.load(); }))
          break;
        lock.unlock();
        QCoreApplication::processEvents();
      }
    }
    busy_ = false;
  }

 protected:
  void run() override {
    for (;;) {
      SpinUntil([this] { return job_.load() != nullptr; });
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || job_.load() != nullptr; });
      if (stopping_) return;
      const std::function<void()>* job = job_.exchange(nullptr);
      lock.unlock();
      (*job)();  // the job catches what the statement raises
      lock.lock();
      done_ = true;
      finished_.notify_all();
    }
  }

 private:
  // Polls `ready` for about a millisecond; true once it holds.
  template <typename Ready>
  static bool SpinUntil(Ready ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1);
    while (!ready()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::yield();
    }
    return true;
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::atomic<const std::function<void()>*> job_{nullptr};
  std::atomic<bool> done_{false};
  bool stopping_ = false;  // under mutex_
  bool busy_ = false;      // touched by the calling thread only
};

TStatementWorker& StatementWorker() {
  static TStatementWorker worker;
  return worker;
}

// A statement started from the events processed while another one runs
// gets a thread of its own, so it never waits for the one it interrupted.
void RunOnThreadOfItsOwn(IScriptConnection& connection, const std::function<void()>& job) {
  const std::unique_ptr<QThread> worker(QThread::create(job));
  connection.LendTo(worker.get());
  worker->start();
  while (!worker->wait(QDeadlineTimer(kEventStepMs))) QCoreApplication::processEvents();
}

void ExecuteAside(IScriptConnection& connection, const std::string& text) {
  std::exception_ptr failure;
  QThread* const owner = QThread::currentThread();
  const std::function<void()> job = [&] {
    try {
      connection.Execute(text);
    } catch (...) {
      failure = std::current_exception();
    }
    connection.GiveBack(owner);
  };
  TStatementWorker& worker = StatementWorker();
  if (worker.Busy()) {
    RunOnThreadOfItsOwn(connection, job);
  } else {
    connection.LendTo(&worker);
    worker.Run(job);
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

bool ExecuteStatement(IScriptConnection& connection, const std::string& text,
                      std::string& error_text) {
  error_text = classlib::Utf8ToCp1251("неопределенная ошибка");
  if (classlib::UpperCase(text) == "COMMIT") {
    error_text.clear();
    return true;
  }
  try {
    ExecuteAside(connection, text);
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
