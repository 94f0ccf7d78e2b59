#include "classlib/thread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

#include "classlib/exceptions.h"

namespace classlib {

namespace {

std::mutex& HookMutex() {
  static std::mutex m;
  return m;
}

TThread::SynchronizeHook& Hook() {
  static TThread::SynchronizeHook hook;
  return hook;
}

// Without a UI thread to run them, synchronized calls still must not
// overlap: callers rely on them running one at a time.
std::recursive_mutex& DirectSynchronizeMutex() {
  static std::recursive_mutex m;
  return m;
}

}  // namespace

void Sleep(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::uint32_t GetCurrentThreadId() { return static_cast<std::uint32_t>(::syscall(SYS_gettid)); }

TThread::TThread(bool create_suspended) : create_suspended_(create_suspended) {}

TThread::~TThread() {
  bool must_wait;
  {
    std::lock_guard lock(mutex_);
    terminated_ = true;
    must_wait = started_ && thread_id_ != GetCurrentThreadId();
  }
  if (must_wait) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return finished_; });
  }
  std::lock_guard join(join_mutex_);
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();
    else
      thread_.join();
  }
}

void TThread::AfterConstruction() {
  if (!create_suspended_) Start();
}

void TThread::Start() {
  std::unique_lock lock(mutex_);
  if (started_) throw EThread("Cannot call Start on a running or finished thread");
  started_ = true;
  // The new thread first takes mutex_, so it sees thread_ assigned; Start
  // returns once the thread has published its id.
  thread_ = std::thread(&TThread::Run, this);
  changed_.wait(lock, [&] { return thread_id_ != 0; });
  // The last touch of the object: a thread that frees itself waits for this
  // flag, and it can only see it after the lock below is released.
  start_returned_ = true;
  changed_.notify_all();
}

void TThread::Run() {
  {
    std::lock_guard lock(mutex_);
    thread_id_ = GetCurrentThreadId();
    changed_.notify_all();
  }
  try {
    Execute();
  } catch (const Exception& e) {
    RecordFatal(e.Message(), e.ClassName());
  } catch (const std::exception& e) {
    RecordFatal(e.what(), "std::exception");
  } catch (...) {
    RecordFatal("Unknown exception", "unknown");
  }
  try {
    DoTerminate();
  } catch (const std::exception& e) {
    if (FatalException().empty()) RecordFatal(e.what(), "std::exception");
  } catch (...) {
  }
  bool free_self;
  {
    std::unique_lock lock(mutex_);
    // Start may still be on its way out of this object's mutex and condition
    // variable; finishing (and so being deleted) must wait until it is out.
    changed_.wait(lock, [&] { return start_returned_; });
    finished_ = true;
    free_self = free_on_terminate_;
    changed_.notify_all();
  }
  if (free_self) {
    {
      std::lock_guard join(join_mutex_);
      thread_.detach();
    }
    delete this;
  }
}

void TThread::RecordFatal(std::string text, std::string class_name) {
  std::lock_guard lock(mutex_);
  fatal_text_ = std::move(text);
  fatal_class_ = std::move(class_name);
}

void TThread::DoTerminate() {
  TNotifyEvent handler = OnTerminate();
  if (handler) Synchronize([&] { handler(this); });
}

void TThread::Terminate() {
  std::lock_guard lock(mutex_);
  terminated_ = true;
}

bool TThread::Terminated() const {
  std::lock_guard lock(mutex_);
  return terminated_;
}

int TThread::WaitFor() {
  {
    std::unique_lock lock(mutex_);
    if (free_on_terminate_) throw EThread("Cannot call WaitFor on a FreeOnTerminate thread");
    if (!started_) throw EThread("Cannot wait for a thread that was never started");
    if (thread_id_ == GetCurrentThreadId()) throw EThread("A thread cannot wait for itself");
    changed_.wait(lock, [&] { return finished_; });
  }
  {
    std::lock_guard join(join_mutex_);
    if (thread_.joinable()) thread_.join();
  }
  return ReturnValue();
}

bool TThread::WaitUntilFinished(std::uint32_t timeout_ms) {
  std::unique_lock lock(mutex_);
  if (!started_) return false;
  return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return finished_; });
}

bool TThread::Finished() const {
  std::lock_guard lock(mutex_);
  return finished_;
}

bool TThread::Suspended() const {
  std::lock_guard lock(mutex_);
  return !started_;
}

std::uint32_t TThread::ThreadID() const {
  std::lock_guard lock(mutex_);
  return thread_id_;
}

int TThread::ReturnValue() const {
  std::lock_guard lock(mutex_);
  return return_value_;
}

void TThread::SetReturnValue(int value) {
  std::lock_guard lock(mutex_);
  return_value_ = value;
}

bool TThread::FreeOnTerminate() const {
  std::lock_guard lock(mutex_);
  return free_on_terminate_;
}

void TThread::SetFreeOnTerminate(bool value) {
  std::lock_guard lock(mutex_);
  free_on_terminate_ = value;
}

std::string TThread::FatalException() const {
  std::lock_guard lock(mutex_);
  return fatal_text_;
}

std::string TThread::FatalExceptionClass() const {
  std::lock_guard lock(mutex_);
  return fatal_class_;
}

TNotifyEvent TThread::OnTerminate() const {
  std::lock_guard lock(mutex_);
  return on_terminate_;
}

void TThread::SetOnTerminate(const TNotifyEvent& handler) {
  std::lock_guard lock(mutex_);
  on_terminate_ = handler;
}

void TThread::Synchronize(const std::function<void()>& method) {
  SynchronizeHook hook;
  {
    std::lock_guard lock(HookMutex());
    hook = Hook();
  }
  if (hook) {
    hook(method);
    return;
  }
  std::lock_guard lock(DirectSynchronizeMutex());
  method();
}

void TThread::SetSynchronizeHook(SynchronizeHook hook) {
  std::lock_guard lock(HookMutex());
  Hook() = std::move(hook);
}

}  // namespace classlib
