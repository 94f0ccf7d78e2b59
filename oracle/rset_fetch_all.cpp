// Fetching on demand and fetching everything: the fetch step with its
// before- and after-fetch handlers, the fetch-all loop in line or on a
// background thread of the connection, and stopping that thread when the
// record set closes. A background fetch reports its end to the main thread
// through the connection's utility window (1024 for the thread, 1028 for
// the after-fetch handler).
#include <mutex>
#include <set>

#include "classlib/exceptions.h"
#include "oracle/conn_exec_thread.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/conn_util_window.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/rset_oci_record_set.h"

namespace oracle {

using namespace dacore;

namespace {

// Record sets alive, so that a late 1028 message for a freed one is dropped.
std::mutex& LiveLock() {
  static std::mutex lock;
  return lock;
}
std::set<const TOCIRecordSet*>& LiveRecordSets() {
  static std::set<const TOCIRecordSet*> live;
  return live;
}

void RegisterFetchEndedHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    SetUtilMessageHandler(kWmFetchEnded, [](uintptr_t wparam, uintptr_t) {
      auto* record_set = reinterpret_cast<TOCIRecordSet*>(wparam);
      {
        std::lock_guard<std::mutex> guard(LiveLock());
        if (!LiveRecordSets().count(record_set)) return;
      }
      record_set->DoAfterFetch();
    });
  });
}

}  // namespace

void RegisterLiveRecordSet(const TOCIRecordSet* record_set, bool live) {
  std::lock_guard<std::mutex> guard(LiveLock());
  if (live) LiveRecordSets().insert(record_set);
  else LiveRecordSets().erase(record_set);
}

bool TOCIRecordSet::InThread() const { return fetch_thread_id_.load() == std::this_thread::get_id(); }

// The thread links the rows it fetches in under the rows lock, so the main
// thread reads the list's links, hidden flags and count under it too. What
// it finds there was finished before the lock was let go; a row past those
// held is waited for outside the lock, which the thread needs.
classlib::TEvent* TOCIRecordSet::BackgroundEnd() {
  if (InThread()) return nullptr;
  if (exec_thread_) return &exec_ended_;
  if (fetch_thread_) return &fetch_all_ended_;
  return nullptr;
}

void TOCIRecordSet::ShareRows(bool value) {
  if (value == SharedRows()) return;
  SetSharedRows(value);
  if (StringHeap().ThreadSafety() != value) StringHeap().SetThreadSafety(value);
}

bool TOCIRecordSet::HoldsNextVisible() {
  if (eof_) return true;  // GetNextRecord stays where it is
  ItemHeader* it = bof_ || !current_item_ ? first_item_ : current_item_->next;
  while (it && IsHidden(it)) it = it->next;
  return it != nullptr;
}

bool TOCIRecordSet::GetEOF() {
  if (exec_thread_ || fetch_thread_) [[unlikely]] return GetEOFShared();
  return TCRRecordSet::GetEOF();  // no thread to wait for
}

// A current row is no end, whatever the thread still brings; the current
// row is the browsing thread's own, read without the rows lock.
bool TOCIRecordSet::GetEOFShared() {
  if (BackgroundEnd()) {
    if (exec_thread_) return true;  // no rows before the execute has ended
    if (fetch_thread_) {
      if (current_item_) return false;
      fetch_all_ended_.WaitFor();
    }
  }
  return TCRRecordSet::GetEOF();
}

void TOCIRecordSet::GetNextRecord(TRecBuf rec) {
  if (exec_thread_ || fetch_thread_) [[unlikely]] {
    GetNextRecordShared(rec);
    return;
  }
  TCRRecordSet::GetNextRecord(rec);  // the common case: no thread to wait for
}

bool TOCIRecordSet::StepNext(TRecBuf rec, TRecBookmark& bookmark) {
  if (!exec_thread_ && !fetch_thread_ && !SharedRows() && StepToHeldNext(rec)) [[likely]] {
    BookmarkOfCurrent(bookmark);
    return true;
  }
  return TCRRecordSet::StepNext(rec, bookmark);  // each call as GetNextRecord, GetEOF and GetBookmark make it
}

void TOCIRecordSet::GetNextRecordShared(TRecBuf rec) {
  if (classlib::TEvent* end = BackgroundEnd()) {
    {
      TRowsGuard rows(*this);  // the rows the thread left pending are tested first
      if (HoldsNextVisible()) {
        TCRRecordSet::GetNextRecord(rec);
        return;
      }
    }
    end->WaitFor();
  }
  TCRRecordSet::GetNextRecord(rec);
}

void TOCIRecordSet::ParseFilter() {
  std::lock_guard<TRowsLock> rows(RowsLock());
  TCRRecordSet::ParseFilter();
}

// The text waits for the end of the fetch; the filter's callbacks, set
// just before (a data set's handler, switched on or off), decide every row
// that came at once.
void TOCIRecordSet::SetFilterText(const std::string& text) {
  if (fetch_thread_ || exec_thread_) {
    has_pending_filter_ = true;
    pending_filter_ = text;
    if (Active()) ClearCache();
    return;
  }
  TCRRecordSet::SetFilterText(text);
}

// The rows the thread left pending are tested before the change. Never
// under the rows lock, which the thread needs to finish: a caller holding
// it has waited before it took it (a change of the rows that it makes
// under the lock is consistent with the thread's appends anyway).
void TOCIRecordSet::WaitForBackgroundRows() {
  if (classlib::TEvent* end = BackgroundEnd(); end && !RowsLock().HeldHere()) end->WaitFor();
  TRowsGuard rows(*this);
}

void TOCIRecordSet::PutRecord(TRecBuf rec) {
  WaitForBackgroundRows();
  TCRRecordSet::PutRecord(rec);
}

void TOCIRecordSet::InsertRecord(TRecBuf rec) {
  WaitForBackgroundRows();
  TCRRecordSet::InsertRecord(rec);
}

void TOCIRecordSet::UpdateRecord(TRecBuf rec) {
  WaitForBackgroundRows();
  TCRRecordSet::UpdateRecord(rec);
}

void TOCIRecordSet::DeleteRecord() {
  WaitForBackgroundRows();
  TCRRecordSet::DeleteRecord();
}

void TOCIRecordSet::ApplyUpdates() {
  WaitForBackgroundRows();
  TCRRecordSet::ApplyUpdates();
}

void TOCIRecordSet::CancelUpdates() {
  WaitForBackgroundRows();
  TCRRecordSet::CancelUpdates();
}

void TOCIRecordSet::RevertRecord() {
  WaitForBackgroundRows();
  TCRRecordSet::RevertRecord();
}

// Every row is tested anew on this thread; the thread appends meanwhile
// behind the lock and leaves what it brings pending.
void TOCIRecordSet::ClearCache() {
  std::lock_guard<TRowsLock> rows(RowsLock());
  TCRRecordSet::ClearCache();
}

// In line, every row is fetched first and then sorted. A non-blocking
// record set fetches the rest on a thread instead, whose end applies the
// order: until then the rows are shared and not sorted here.
void TOCIRecordSet::SortItems() {
  if (BackgroundEnd()) return;
  if (SortFetchesAll()) FetchAll();
  if (!BackgroundEnd()) TMemData::SortItems();
}

bool TOCIRecordSet::Fetch() {
  const bool in_thread = InThread();
  // Rows asked for while the statement runs in the background: the thread
  // fetches the first ones, the next are fetched here once it is done.
  if (!in_thread && exec_thread_) exec_ended_.WaitFor();
  if (!in_thread && fetch_thread_) {
    // The background loop is fetching: the rows it brings are the answer.
    ItemHeader* last = nullptr;
    {
      std::lock_guard<TRowsLock> rows(RowsLock());
      last = last_item_;
    }
    fetch_all_ended_.WaitFor();
    std::lock_guard<TRowsLock> rows(RowsLock());
    return last_item_ != last;
  }
  TOCICommand& command = Command();
  // A fetch that failed after delivering rows: those rows have been shown,
  // and the step past the last of them ends the rows with the failure.
  if (command.FetchFailed()) {
    if (!in_thread) eof_ = true;
    command.SetCursorState(csCancelled);
    command.RaiseFetchFailure();
  }
  const uint8_t state = command.GetCursorState();
  if (state == csIdle || state == csCancelled) return false;
  // The before-fetch handler is the application's: the thread never runs
  // it (the main thread asked it once before the thread started).
  bool cancel = FetchDone();
  if (!in_thread) DoBeforeFetch(cancel);
  else if (cancel && command.GetCursorState() == csFetching) command.SetCursorState(csFetchingPaused);
  bool fetched = false;
  if (cancel) {
    CancelFetch();
  } else {
    try {
      fetched = RowByRow() ? RowFetch(TRowMove::kForward) : BlockFetch();
    } catch (...) {
      // A failed fetch ends the rows. The thread leaves EOF to the browsing
      // thread, which finds no row after the last and sets it itself.
      if (!in_thread) eof_ = true;
      AfterFetch(in_thread);
      throw;
    }
    AfterFetch(in_thread);
  }
  if (command.GetCursorState() == csCancelled && AutoClose && !in_thread) {
    InternalUnPrepare();
    SetPrepared(false);
  }
  return fetched;
}

// Without AutoClose the cursor stays open: a fetch of everything that was
// under way only pauses, so a later one takes up the rest.
void TOCIRecordSet::CancelFetch() {
  TOCICommand& command = Command();
  if (!AutoClose && command.GetCursorState() == csFetching) command.SetCursorState(csFetchingPaused);
  else if (AutoClose && command.GetCursorState() != csCancelled) command.Cancel();
}

// From the background thread the handler runs on the main thread instead;
// while everything is fetched, only the end is reported.
void TOCIRecordSet::AfterFetch(bool in_thread) {
  if (!OnAfterFetch.Assigned()) return;
  if (!in_thread) {
    DoAfterFetch();
    return;
  }
  if (FetchAllRows && Command().GetCursorState() != csCancelled) return;
  RegisterFetchEndedHandler();
  Connection()->UtilWindow().Post(kWmFetchEnded, reinterpret_cast<uintptr_t>(this), 0);
}

void TOCIRecordSet::FetchAll() {
  // The background execute ends first: its end may start this fetch itself.
  if (!InThread() && exec_thread_) {
    TInsideStep inside(inside_step_);
    WaitForExecute();
  }
  TOCICommand& command = Command();
  const uint8_t state = command.GetCursorState();
  if (state >= csFetching || !IsFetching() || fetch_thread_) return;
  if (command.NonBlocking()) command.CheckSession();  // a connection that went left none
  command.SetCursorState(state >= csExecuting ? csFetching : uint8_t{5});
  stop_requested_ = false;
  // A scrollable cursor's every row is its last row and the rows before
  // it: two single-row fetches, in line, which would otherwise move the
  // window under the main thread's rows.
  if (!command.NonBlocking() || Scrollable()) {
    FetchAllLoop();
    return;
  }
  TOCIConnection* connection = Connection();
  if (!connection->ThreadSafety) RaiseOraException(messages::kNeedThreadSafety);
  // The application's before-fetch handler runs here, once for the whole
  // run: never on the thread.
  bool cancel = false;
  DoBeforeFetch(cancel);
  if (cancel) {
    CancelFetch();
    if (command.GetCursorState() == csCancelled && AutoClose) {
      InternalUnPrepare();
      SetPrepared(false);
    }
    return;
  }
  fetching_ = true;  // set before the thread runs, so a Close at once waits for it
  fetch_all_ended_.ResetEvent();
  ShareRows(true);
  fetch_thread_ = RunExecThread(
      *connection,
      [this] {
        fetch_thread_id_ = std::this_thread::get_id();
        FetchAllLoop();
      },
      [this](const classlib::Exception* error) { EndFetchAll(error); });
}

void TOCIRecordSet::FetchAllLoop() {
  fetching_ = true;
  struct Done {
    std::atomic<bool>& flag;
    classlib::TEvent& ended;
    ~Done() {
      flag = false;
      ended.SetEvent();
    }
  } done{fetching_, fetch_all_ended_};
  // A scrollable cursor holds only a window: everything fetched means the
  // end reached and the rows before it held.
  if (Scrollable()) {
    SetToEnd();
    FetchBack();
    return;
  }
  while (!stop_requested_ && Fetch()) {
  }
}

// On the main thread, when the utility window hands over the thread's end.
void TOCIRecordSet::EndFetchAll(const classlib::Exception* error) {
  fetch_thread_ = nullptr;
  fetch_thread_id_ = std::thread::id();
  ShareRows(false);
  if (stop_requested_) return;  // closing: nobody waits for the outcome
  SettlePendingRows();
  if (has_pending_filter_) {
    has_pending_filter_ = false;
    TCRRecordSet::SetFilterText(pending_filter_);
  }
  ClearCache();
  if (HasSortColumns()) SortItems();  // skipped while rows arrived
  ShowRowsThatCame();
  RouteBackgroundError(error);
}

void TOCIRecordSet::WaitForFetchAll() {
  while (TExecThread* thread = fetch_thread_) {
    if (!Connection()->UtilWindow().DispatchOne(kWmExecEnded, reinterpret_cast<uintptr_t>(thread)))
      std::this_thread::yield();
  }
}

// Close asks the loop to stop after its current block, waits until it has
// seen that, then takes the thread's end message itself.
void TOCIRecordSet::StopFetchAll() {
  if (!fetch_thread_) return;
  stop_requested_ = true;
  has_pending_filter_ = false;
  while (fetching_) std::this_thread::yield();
  try {
    WaitForFetchAll();
  } catch (const classlib::Exception&) {
    // A failure of the stopped fetch is of no interest to the one closing.
  }
  fetch_thread_ = nullptr;
  ShareRows(false);
  DropPendingRows();  // closing: no filter runs for them
}

}  // namespace oracle
