// TThread: a thread of work with the platform's life cycle.
//
// A derived class overrides Execute. Create threads with NewThread<T>(...):
// it constructs T and then starts it unless T's constructor asked for a
// suspended thread, so Execute never runs on a half-built object. A
// suspended thread runs after Start (or Resume). Execute should return soon
// after Terminate makes Terminated() true.
//
// When Execute ends: an exception that escaped it is kept as FatalException
// text; OnTerminate runs through Synchronize (on the calling thread unless
// the platform installed a hook that runs it on the UI thread); then the
// thread is finished, and a FreeOnTerminate thread deletes itself.
//
// Deleting a thread that was started terminates it and waits for it;
// a thread that was never started is deleted without running Execute.
// That wait happens in TThread's own destructor, after a derived destructor
// has run: a derived class whose Execute uses its own members stops the
// thread first in its destructor (Terminate(); WaitFor();).
// WaitFor must not be called on a FreeOnTerminate thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "classlib/event.h"
#include "classlib/object.h"

namespace classlib {

class TThread : public TObject {
  CLASSLIB_CLASS(TThread, TObject)
 public:
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts a thread created suspended; raises EThread when it already runs or
  // has finished.
  void Start();
  void Resume() { Start(); }
  // Starts the thread unless it was created suspended; NewThread calls it.
  void AfterConstruction();

  void Terminate();
  bool Terminated() const;
  // Waits until Execute has ended and answers ReturnValue. Raises EThread on
  // a FreeOnTerminate thread, from the thread itself, and on a thread that
  // was never started.
  int WaitFor();
  // Waits at most timeout_ms for Execute to end; answers whether it did.
  bool WaitUntilFinished(std::uint32_t timeout_ms);

  bool Finished() const;
  bool Suspended() const;
  // The system id of the running thread (0 before it starts).
  std::uint32_t ThreadID() const;
  int ReturnValue() const;
  bool FreeOnTerminate() const;
  void SetFreeOnTerminate(bool value);
  // The message of the exception that ended Execute, empty when none did.
  std::string FatalException() const;
  // The class name of that exception ("" when none; "std::exception" or
  // "unknown" when it did not derive from the class library's Exception).
  std::string FatalExceptionClass() const;

  TNotifyEvent OnTerminate() const;
  void SetOnTerminate(const TNotifyEvent& handler);

  // Runs method the way the platform runs calls on its UI thread.
  using SynchronizeHook = std::function<void(const std::function<void()>& method)>;
  static void Synchronize(const std::function<void()>& method);
  // Installs the hook that the platform's message loop provides (an empty
  // hook restores the default, which runs the call directly on the calling
  // thread, one synchronized call at a time). A hook that blocks until the UI
  // thread has run the call must not be left waiting by a UI thread blocked
  // in WaitFor: it runs calls made on the UI thread itself directly, and the
  // UI thread waits for threads while it processes posted calls.
  static void SetSynchronizeHook(SynchronizeHook hook);

 protected:
  explicit TThread(bool create_suspended);

  virtual void Execute() = 0;
  // Fires OnTerminate through Synchronize when a handler is set.
  virtual void DoTerminate();
  void SetReturnValue(int value);

 private:
  void Run();
  void RecordFatal(std::string text, std::string class_name);

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
  std::mutex join_mutex_;
  bool create_suspended_;
  bool started_ = false;
  bool start_returned_ = false;  // Start no longer touches the object
  bool finished_ = false;
  bool terminated_ = false;
  bool free_on_terminate_ = false;
  std::uint32_t thread_id_ = 0;
  int return_value_ = 0;
  std::string fatal_text_;
  std::string fatal_class_;
  TNotifyEvent on_terminate_;
};

// Creates a thread object and starts it unless it was created suspended.
// The pointer belongs to the caller, unless FreeOnTerminate was set in the
// constructor: such a thread may be gone by the time this returns.
template <class T, class... Args>
T* NewThread(Args&&... args) {
  T* thread = new T(std::forward<Args>(args)...);
  thread->AfterConstruction();
  return thread;
}

// Suspends the calling thread for ms milliseconds.
void Sleep(std::uint32_t ms);
// The system id of the calling thread.
std::uint32_t GetCurrentThreadId();

}  // namespace classlib
