// TExecThread, its start and its stop.
#include "oracle/conn_exec_thread.h"

#include "oracle/conn_oci_connection.h"
#include "oracle/conn_util_window.h"
#include "oracle/error_ora.h"

namespace oracle {

namespace {

constexpr uint32_t kTerminatePoll = 10;  // ms between looks at the terminate flag
constexpr uint32_t kBreakRetry = 50;     // ms a stop waits before it breaks again

thread_local bool in_exec_thread = false;

}  // namespace

bool InExecThread() { return in_exec_thread; }

TExecThread::TExecThread(std::unique_ptr<TMethodDesc> method)
    : classlib::TThread(false), method_(std::move(method)) {}

TExecThread::~TExecThread() {
  Terminate();
  if (!Suspended() && !Finished()) WaitFor();
}

void TExecThread::Execute() {
  in_exec_thread = true;
  kept_.reset();
  try {
    method_->Method();
  } catch (const EOraError& e) {
    kept_ = std::make_unique<EOraError>(e.ErrorCode(), e.Message());
  } catch (const std::exception& e) {
    kept_ = std::make_unique<classlib::Exception>(e.what());
  } catch (...) {
    kept_ = std::make_unique<classlib::Exception>("Unknown exception in a background execution");
  }
  method_->Window->Post(kWmExecEnded, reinterpret_cast<uintptr_t>(this), 0);
  // The main thread frees the thread when it handles the message.
  while (!Terminated()) classlib::Sleep(kTerminatePoll);
}

void TExecThread::HandleEnded(TExecThread* thread) {
  std::unique_ptr<TExecThread> owned(thread);
  const classlib::Exception* kept = owned->KeptException();
  if (owned->method_->Completion) owned->method_->Completion(kept);
  if (!kept) return;
  if (const auto* ora = dynamic_cast<const EOraError*>(kept)) throw EOraError(ora->ErrorCode(), ora->Message());
  throw classlib::Exception(kept->Message());
}

TExecThread* RunExecThread(TOCIConnection& connection, TMethodDesc::TMethod method,
                           TMethodDesc::TCompletion completion) {
  auto desc = std::make_unique<TMethodDesc>(std::move(method), std::move(completion),
                                            &connection.UtilWindow());
  return classlib::NewThread<TExecThread>(std::move(desc));
}

// A thread cannot be killed safely: its call is broken on the server instead,
// again until the method has returned, and the thread joined.
bool StopExecThread(TOCIConnection& connection, TExecThread* thread, bool remove_message) {
  thread->Terminate();
  while (!thread->WaitUntilFinished(kBreakRetry)) {
    try {
      connection.BreakExec();
    } catch (const std::exception&) {
      // Nothing to break yet, or the session is gone: wait on.
    }
  }
  if (remove_message && connection.UtilWindow().RemoveMessage(kWmExecEnded, reinterpret_cast<uintptr_t>(thread)))
    delete thread;
  return true;
}

}  // namespace oracle
