// Background execution: TExecThread runs one method of a command or record
// set off the main thread and reports its end, with the exception it kept,
// to the connection's utility window; the main thread then calls the
// completion handler and raises the kept exception there.
#pragma once

#include <functional>
#include <memory>

#include "classlib/exceptions.h"
#include "classlib/object.h"
#include "classlib/thread.h"

namespace oracle {

class TOCIConnection;
class TUtilWindow;

// The work of one background run and what the main thread does at its end.
// The completion handler gets the kept exception, or nullptr.
class TMethodDesc : public classlib::TObject {
  CLASSLIB_CLASS(TMethodDesc, classlib::TObject)
 public:
  using TMethod = std::function<void()>;
  using TCompletion = std::function<void(const classlib::Exception* error)>;

  TMethodDesc(TMethod method, TCompletion completion, TUtilWindow* window)
      : Method(std::move(method)), Completion(std::move(completion)), Window(window) {}

  TMethod Method;
  TCompletion Completion;
  TUtilWindow* Window;
};

class TExecThread : public classlib::TThread {
  CLASSLIB_CLASS(TExecThread, classlib::TThread)
 public:
  explicit TExecThread(std::unique_ptr<TMethodDesc> method);
  ~TExecThread() override;

  // The exception the method raised (an EOraError keeps its code), or nullptr.
  const classlib::Exception* KeptException() const { return kept_.get(); }

  // The main thread's side of message 1024: completion, then the kept
  // exception raised again; the thread is freed in every case.
  static void HandleEnded(TExecThread* thread);

 protected:
  void Execute() override;

 private:
  std::unique_ptr<TMethodDesc> method_;
  std::unique_ptr<classlib::Exception> kept_;
};

// True on the thread of a background run: its errors wait for the main
// thread, which alone may run the connection's error handling.
bool InExecThread();

// Starts method on a new thread of the connection (its utility window made
// on first use).
TExecThread* RunExecThread(TOCIConnection& connection, TMethodDesc::TMethod method,
                           TMethodDesc::TCompletion completion);
// Stops a running thread: breaks the connection's running call until the
// method returns, then joins the thread. With remove_message the thread's
// pending end message is taken back and the thread freed here; otherwise the
// message frees it when handled. Answers true.
bool StopExecThread(TOCIConnection& connection, TExecThread* thread, bool remove_message);

}  // namespace oracle
