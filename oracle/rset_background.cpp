// Executing in the background: a non-blocking record set runs its
// statement and fetches the first rows on a thread of the connection; the
// utility window hands the end to the main thread, which finishes the
// execute there (the after-execute handler, errors to the connection's
// error handler, the fetch of every row when asked). Closing breaks a run
// that is still working.
#include <thread>

#include "classlib/exceptions.h"
#include "oracle/call_state.h"
#include "oracle/conn_exec_thread.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/conn_util_window.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/rset_oci_record_set.h"

namespace oracle {

using namespace dacore;

void TOCIRecordSet::ExecCommand() {
  TOCICommand& command = Command();
  if (!command.NonBlocking()) {
    TCRRecordSet::ExecCommand();
    return;
  }
  command.CheckSession();  // a connection that went left none
  TOCIConnection* connection = Connection();
  if (!connection->ThreadSafety) RaiseOraException(messages::kNeedThreadSafety);
  classlib::Assert(exec_thread_ == nullptr && fetch_thread_ == nullptr, "OraClasses", __LINE__);
  if (!Prepared()) Prepare();
  // The thread fetches into the fields as they are described now.
  if (FieldsOutOfDate()) DescribeFields();
  stop_requested_ = false;
  // The application's before-fetch handler is asked here for the first
  // rows: the thread runs none of its code. A cancel leaves them to a
  // later fetch.
  SetFetchDone(false);
  bool cancel = false;
  DoBeforeFetch(cancel);
  first_rows_cancelled_ = cancel;
  exec_ended_.ResetEvent();
  ShareRows(true);
  exec_thread_ = RunExecThread(
      *connection,
      [this] {
        fetch_thread_id_ = std::this_thread::get_id();
        BackgroundExecute();
      },
      [this](const classlib::Exception* error) { EndBackgroundExecute(error); });
}

// On the thread: the execute and the first rows; the event tells readers
// waiting for rows that the thread is done with the store.
void TOCIRecordSet::BackgroundExecute() {
  struct Done {
    classlib::TEvent& ended;
    ~Done() { ended.SetEvent(); }
  } done{exec_ended_};
  TOCICommand& command = Command();
  row_by_row_ = command.GetCursor()->Scrollable;
  if (row_by_row_ && OCIVersion < 9000) RaiseOraException("Need Oracle 9 Call Interface");
  command.DoExecute();
  SetFetchDone(false);
  if (!stop_requested_ && !first_rows_cancelled_) Fetch();
}

// On the main thread, when the utility window hands over the thread's end.
void TOCIRecordSet::EndBackgroundExecute(const classlib::Exception* error) {
  exec_thread_ = nullptr;
  fetch_thread_id_ = std::thread::id();
  ShareRows(false);
  if (stop_requested_) return;  // closing: nobody waits for the outcome
  SettlePendingRows();
  Command().EndExecute(error);
  if (error) {
    ShowRowsThatCame();  // the rows delivered before the failure
    RouteBackgroundError(error);
    return;
  }
  // A local order needs every row: the rest comes in the background too,
  // and its end applies the order.
  const uint8_t state = Command().GetCursorState();
  if ((FetchAllRows || HasSortColumns()) && state < csCancelled) FetchAll();
  if (!fetch_thread_) {  // else its end applies what waits
    if (has_pending_filter_) {
      has_pending_filter_ = false;
      TCRRecordSet::SetFilterText(pending_filter_);
    }
    // Every row is tested anew (a scrollable cursor's count is the
    // result's, not that of the window it holds).
    if (!Scrollable()) ClearCache();
    if (HasSortColumns()) SortItems();  // skipped while the first rows arrived
  }
  // The data set opened before any row had come: it shows them now.
  ShowRowsThatCame();
}

void TOCIRecordSet::ShowRowsThatCame() {
  if (inside_step_ == 0) DoDataChanged();
}

// A server error of a background run goes to the connection's error
// handler; when the handler takes it, nothing is raised on the main thread.
void TOCIRecordSet::RouteBackgroundError(const classlib::Exception* error) {
  if (const auto* ora = dynamic_cast<const EOraError*>(error)) {
    EOraError copy(ora->ErrorCode(), ora->Message(), nullptr);
    bool fail = true;
    Connection()->DoError(copy, fail);
    if (!fail) throw classlib::EAbort();
  }
}

void TOCIRecordSet::WaitForExecute() {
  while (TExecThread* thread = exec_thread_) {
    if (!Connection()->UtilWindow().DispatchOne(kWmExecEnded, reinterpret_cast<uintptr_t>(thread)))
      std::this_thread::yield();
  }
}

// Breaks the statement or fetch the thread is in, joins the thread and
// takes its end message back: a closed record set hears nothing more of it.
void TOCIRecordSet::StopExecute() {
  TExecThread* thread = exec_thread_;
  if (!thread) return;
  stop_requested_ = true;
  has_pending_filter_ = false;
  StopExecThread(*Connection(), thread, true);
  exec_thread_ = nullptr;
  fetch_thread_id_ = std::thread::id();
  exec_ended_.SetEvent();
  ShareRows(false);
  DropPendingRows();  // closing: no filter runs for them
}

}  // namespace oracle
