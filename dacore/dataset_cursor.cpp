// TCustomDADataSet: preparing, executing, opening, refreshing and closing
// through the connection, the driver's reports, fetching, and editing.
#include "dacore/dataset_component.h"

#include "classlib/field_defs.h"
#include "dacore/comp_connection.h"
#include "dacore/comp_da_error.h"
#include "dacore/messages.h"
#include "dacore/store_hooks.h"
#include "dacore/trace_monitor.h"

namespace dacore {

namespace {

// The busy hooks around a long operation, also when it fails.
class TWaitScope {
 public:
  explicit TWaitScope(bool waits) : waits_(waits) {
    if (waits_) StartWait();
  }
  ~TWaitScope() {
    if (waits_) StopWait();
  }
  TWaitScope(const TWaitScope&) = delete;
  TWaitScope& operator=(const TWaitScope&) = delete;

 private:
  bool waits_;
};

// An operation of the connection's fail-over stack for as long as it lives.
class TOperationScope {
 public:
  TOperationScope(TCustomDAConnection* connection, TConnLostCause cause, bool may_fail_over)
      : connection_(connection) {
    if (connection_) connection_->PushOperation(cause, may_fail_over);
  }
  ~TOperationScope() {
    if (connection_) connection_->PopOperation();
  }
  TOperationScope(const TOperationScope&) = delete;
  TOperationScope& operator=(const TOperationScope&) = delete;

 private:
  TCustomDAConnection* connection_;
};

bool Traced(const TCustomDADataSet& data_set) {
  return !data_set.Internal() && (TCustomDASQLMonitor::HasMonitor() || data_set.Debug());
}

}  // namespace

// A non-blocking execution shows the wait from its start to the driver's
// report of its end.
void TCustomDADataSet::StartAsyncWait() {
  if (!non_blocking_ || async_wait_) return;
  async_wait_ = true;
  StartWait();
}

void TCustomDADataSet::StopAsyncWait() {
  if (!async_wait_) return;
  async_wait_ = false;
  StopWait();
}

bool TCustomDADataSet::IsQuery() { return record_set_ && record_set_->CommandType() == ctCursor; }

void TCustomDADataSet::SetActive(bool value) {
  const bool streamed = ComponentState().Contains(classlib::csReading) &&
                        !ComponentState().Contains(classlib::csDesigning);
  TCustomDAConnection* connection = GetUsedConnection();
  if (value && streamed && connection && !connection->Options().KeepDesignConnected) return;
  TMemDataSet::SetActive(value);
}

// ---- Preparing ----------------------------------------------------------------------

void TCustomDADataSet::Prepare() {
  if (Prepared() || Active()) return;
  // A statement the driver dropped (a fail-over to a new server session)
  // is prepared again under the use its first prepare took.
  const bool counted = !prepared_holds_connection_;
  BeginConnection(counted);
  try {
    PrepareStatement();
  } catch (...) {
    if (counted) EndConnection();
    throw;
  }
  prepared_holds_connection_ = true;
}

void TCustomDADataSet::PrepareUncounted() {
  if (Prepared() || Active()) return;
  PrepareStatement();
}

void TCustomDADataSet::PrepareStatement() {
  TakeMasterParams();
  uint32_t message_id = 0;
  const bool traced = Traced(*this);
  if (traced) TCustomDASQLMonitor::NotifyPrepare(this, BuildFinalSQL(), &Params(), message_id, true);
  TWaitScope wait(true);
  command_->WriteParams(true);
  TMemDataSet::Prepare();
  if (traced) TCustomDASQLMonitor::NotifyPrepare(this, BuildFinalSQL(), &Params(), message_id, false);
}

void TCustomDADataSet::UnPrepare() {
  const bool was_prepared = record_set_ && record_set_->Prepared();
  uint32_t message_id = 0;
  if (was_prepared && Traced(*this))
    TCustomDASQLMonitor::NotifyUnprepare(this, BuildFinalSQL(), &Params(), message_id, true);
  if (FIRecordSet) TMemDataSet::UnPrepare();
  if (prepared_holds_connection_) {
    prepared_holds_connection_ = false;
    EndConnection();
  }
}

// ---- Executing ----------------------------------------------------------------------

void TCustomDADataSet::Execute() {
  TOperationScope operation(GetUsedConnection(), clExecute, true);
  if (Executing()) return;
  BeginConnection(true);
  execution_reported_ = false;
  try {
    if (Active()) Close();
    BeforeExecute();
    TWaitScope wait(!non_blocking_);
    if (options_->AutoPrepare()) Prepare();
    if (IsQuery()) {
      Open();
      EndConnection();
      return;
    }
    TakeMasterParams();
    command_->WriteParams(true);
    StartAsyncWait();
    InternalExecute();
  } catch (...) {
    // Failing before the driver reported, the data set gives its use back.
    if (!execution_reported_) {
      StopAsyncWait();
      EndConnection();
    }
    throw;
  }
  if (!execution_reported_) CommandAfterExecute(true);
  if (IsQuery()) {
    Open();
    EndConnection();
  }
}

// A lost connection that the connection restored asks for the statement to
// run again on the new session.
void TCustomDADataSet::InternalExecute() {
  uint32_t message_id = 0;
  const bool traced = Traced(*this);
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, BuildFinalSQL(), &Params(), "", message_id, true);
  for (;;) {
    try {
      record_set_->InternalExecute();
      break;
    } catch (const EFailOver&) {
      BalanceFailOver();
      execution_reported_ = false;
      command_->WriteParams(true);
    }
  }
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, BuildFinalSQL(), &Params(), "", message_id, false);
}

// Before a run repeats after a reconnect: the connection counted a use for
// the failed run's report of its end, which a run that failed before it
// reached the driver never gives, and which an open cursor keeps.
void TCustomDADataSet::BalanceFailOver() {
  if (!execution_reported_ && !RecordSetFetching()) EndConnection();
}

// Called by the driver after every execution, failed ones too. A statement
// without rows ends the use its execution took; an open cursor keeps it.
void TCustomDADataSet::CommandAfterExecute(bool result) {
  execution_reported_ = true;
  if (result) {
    command_->ReadParamValues();
    classlib::Variant rows;
    if (TCRCommand* command = ICommand()) command->GetProp(prRowsProcessed, rows);
    rows_affected_ = rows.AsInteger();
  }
  StopAsyncWait();
  if (!IsQuery()) {
    NoteImplicitTransaction(GetUsedConnection(), auto_commit_);
    EndConnection();
  }
  if (AfterExecute) AfterExecute(this, result);
}

// ---- Opening and closing ----------------------------------------------------------------

void TCustomDADataSet::OpenCursor(bool info_query) {
  CheckConnection();
  TOperationScope operation(GetUsedConnection(), clOpen, CanFailOver());
  BeginConnection(true);
  if (Active()) {
    EndConnection();
    return;
  }
  try {
    BeforeOpenCursor(info_query);
    TakeMasterParams();
    rec_count_from_server_ = options_->QueryRecCount() ? GetRecCount() : 0;
    {
      TWaitScope wait(!non_blocking_);
      if (!info_query) StartAsyncWait();
      command_->WriteParams(true);
      // A lost connection that the connection restored asks for the
      // statement to run again on the new session.
      for (;;) {
        execution_reported_ = false;
        try {
          TMemDataSet::OpenCursor(info_query);
          break;
        } catch (const EFailOver&) {
          BalanceFailOver();
          command_->WriteParams(true);
        }
      }
    }
    StopAsyncWait();
    rows_affected_ = -1;
    AfterOpenCursor(info_query);
  } catch (...) {
    StopAsyncWait();
    EndConnection();
    throw;
  }
  // An open cursor keeps its use of the connection until it is closed.
  if (info_query) EndConnection();
  else cursor_holds_connection_ = true;
}

void TCustomDADataSet::InternalOpen() {
  if (options_->AutoPrepare()) Prepare();
  uint32_t message_id = 0;
  const bool traced = Traced(*this) && !IsQuery();
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, BuildFinalSQL(), &Params(), "", message_id, true);
  // Fields that the driver describes again once the statement ran replace
  // those read at prepare.
  if (record_set_ && (record_set_->NeedInitFieldsAfterExecute() || record_set_->FieldsOutOfDate()))
    FieldDefs().SetUpdated(false);
  TMemDataSet::InternalOpen();
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, BuildFinalSQL(), &Params(), "", message_id, false);
  // The statement's tables may differ from the last one's.
  if (record_set_) {
    const std::string name = updating_table_;
    if (!name.empty() && record_set_->TablesInfo().FindByName(name) < 0 &&
        record_set_->TablesInfo().FindByAlias(name) < 0)
      updating_table_.clear();
    ResolveUpdatingTable(updating_table_);
  }
  // A local link shows the rows of the master's current values.
  if (DetailLinked() && options_->LocalMasterDetail()) {
    FIRecordSet->SetFilterMDFunc([this](TRecBuf rec) { return LocalLinkAccepts(rec); });
    classlib::TDataSet* master = MasterSource()->DataSet();
    if (master && master->Active()) ResolveLocalLink();
    FIRecordSet->ClearCache();
  }
}

void TCustomDADataSet::CloseCursor() {
  // A thread still fetching goes first: nothing it may reach is freed under it.
  if (record_set_) record_set_->StopBackground();
  const bool held = cursor_holds_connection_;
  cursor_holds_connection_ = false;
  local_link_.clear();
  TMemDataSet::CloseCursor();
  // The statements that refreshed or checked records hold server cursors of
  // their own, which a closed data set no longer needs.
  for (auto& data_set : update_data_sets_)
    if (data_set) data_set->UnPrepare();
  if (held) EndConnection();
}

void TCustomDADataSet::InternalClose() {
  TMemDataSet::InternalClose();
  row_identity_field_ = nullptr;
  if (record_set_ && !record_set_->Prepared()) {
    record_set_->TablesInfo().Clear();
    updating_table_index_ = -1;
  }
}

// ---- Refreshing -------------------------------------------------------------------------

// The rows are read anew; the record with the same key values stays current.
void TCustomDADataSet::InternalRefresh() {
  TOperationScope operation(GetUsedConnection(), clRefresh, CanFailOver());
  BeginConnection(true);
  try {
    std::vector<TCRFieldDesc*> keys, data;
    GetKeyFieldDescs(keys, data, false);
    std::vector<TFieldDesc*> key_descs(keys.begin(), keys.end());
    std::vector<classlib::Variant> values;
    if (!IsEmpty())
      for (TFieldDesc* key : key_descs) {
        classlib::Variant value;
        FIRecordSet->GetFieldAsVariant(key->FieldNo(), ActiveBuffer(), value);
        values.push_back(value);
      }
    rec_count_from_server_ = options_->QueryRecCount() ? GetRecCount() : 0;
    uint32_t message_id = 0;
    const bool traced = Traced(*this);
    if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, BuildFinalSQL(), &Params(), "Refresh", message_id, true);
    {
      TWaitScope wait(!non_blocking_);
      command_->WriteParams(true);
      TMemDataSet::InternalRefresh();
    }
    if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, BuildFinalSQL(), &Params(), "Refresh", message_id, false);
    rows_affected_ = -1;
    const bool found =
        !values.empty() &&
        LocateRecord(key_descs, values.size() == 1 ? values[0] : classlib::VarArrayOf(values), 0, false);
    if (!found) InternalFirst();
    scroll_after_refresh_ = true;
  } catch (...) {
    EndConnection();
    throw;
  }
  EndConnection();
}

// The record the refresh returned to is shown before the scroll is told.
void TCustomDADataSet::DoAfterRefresh() {
  if (scroll_after_refresh_) {
    scroll_after_refresh_ = false;
    DoAfterScroll();
  }
  TMemDataSet::DoAfterRefresh();
}

// ---- Fetching ---------------------------------------------------------------------------

// The record set comes with cancel set when nothing is left to fetch; only
// a handler's cancel leaves rows behind.
void TCustomDADataSet::DoBeforeFetch(bool& cancel) {
  const bool nothing_left = cancel;
  if (BeforeFetch) BeforeFetch(this, cancel);
  if (cancel && !nothing_left) fetch_cancelled_ = true;
}

void TCustomDADataSet::DoAfterFetch() {
  if (fetch_all_ && record_set_ && !record_set_->FetchDone()) return;
  if (AfterFetch) AfterFetch(this);
}

void TCustomDADataSet::RecordSetDataChanged() {
  if (!Active() || State() != classlib::dsBrowse) return;
  if (!IsEmpty()) UpdateCursorPos();
  Resync({});
}

// A fetch cancelled on the way leaves records the ring does not show yet.
void TCustomDADataSet::DoAfterScroll() {
  if (fetch_cancelled_) {
    fetch_cancelled_ = false;
    Resync({});
  }
  TMemDataSet::DoAfterScroll();
}

classlib::TGetResult TCustomDADataSet::GetRecord(classlib::TRecordBuffer buffer, classlib::TGetMode mode,
                                                 bool do_check) {
  if (mode != classlib::gmNext) return TMemDataSet::GetRecord(buffer, mode, do_check);
  try {
    return TMemDataSet::GetRecord(buffer, mode, do_check);
  } catch (const EDAError&) {
    SetEof(true);
    throw;
  }
}

int TCustomDADataSet::GetRecordCount() const {
  if (options_->QueryRecCount() && Active() && rec_count_from_server_ > 0 && record_set_ &&
      record_set_->IsCommandIdle()) {
    classlib::Variant fetched;
    record_set_->GetCommand()->GetProp(prRowsProcessed, fetched);
    return rec_count_from_server_ - fetched.AsInteger() + FIRecordSet->GetRecordCount();
  }
  return TMemDataSet::GetRecordCount();
}

// ---- Editing ----------------------------------------------------------------------------

bool TCustomDADataSet::GetCanModify() const {
  if (read_only_ || uni_directional_) return false;
  return LocalUpdate() || (TMemDataSet::CachedUpdates() && static_cast<bool>(OnUpdateRecord())) ||
         update_object_ != nullptr;
}

void TCustomDADataSet::InternalEdit() {
  if (HoldsConnectionInEdit()) BeginConnection(true);
  const TRecBookmark edited = ShownRow();
  LockRecord();
  // A lock that read the record again may have taken it out of the filter:
  // the record meant for the edit is no longer the one shown (or none is).
  // The edit is refused before it begins, and the lock is given back.
  const TRecBookmark shown = ShownRow();
  if (edited.item && (shown.item != edited.item || shown.serial != edited.serial)) {
    StopEditing();
    classlib::DatabaseError(SRecordChanged, this);
  }
  TMemDataSet::InternalEdit();
}

// The store's row of the active record (no item without one): the row
// itself, where a record number may name another row once one is hidden.
TRecBookmark TCustomDADataSet::ShownRow() {
  TRecBookmark row;
  if (!Active() || IsEmpty()) return row;
  UpdateCursorPos();
  FIRecordSet->GetBookmark(row);
  return row;
}

// Only an edit or insert under way took the use HoldsConnection gives back:
// a cancel in browse mode must not end the open cursor's use.
void TCustomDADataSet::Cancel() {
  const bool editing = State() == classlib::dsEdit || State() == classlib::dsInsert;
  TMemDataSet::Cancel();
  if (editing && HoldsConnection()) EndConnection();
  StopEditing();
}

}  // namespace dacore
