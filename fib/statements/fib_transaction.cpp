#include "fib/statements/fib_transaction.h"

#include <algorithm>
#include <exception>

#include "classlib/exceptions.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/fib_timer.h"
#include "fib/base/param_blocks.h"
#include "fib/sql/sql_trace_hook.h"
#include "fib/sql/sql_trace_sources.h"

namespace fib {

namespace {

// The names the log gives the actions, spelled as log readers know them.
const char* ActionName(TTransactionAction action) {
  switch (action) {
    case TARollback: return "RollBack";
    case TARollbackRetaining: return "RollBackRetianing";
    case TACommit: return "Commit";
    case TACommitRetaining: return "CommitRetianing";
  }
  return "";
}

// The transaction as the SQL monitor sees it.
class TracedTransaction : public ITracedTransaction {
 public:
  explicit TracedTransaction(TFIBTransaction& transaction) : transaction_(transaction) {}
  std::string Name() const override { return transaction_.Name(); }
  std::int64_t TransactionID() const override { return transaction_.TransactionID(); }
  bool HasDefaultDatabase() const override { return transaction_.DefaultDatabase() != nullptr; }

 private:
  TFIBTransaction& transaction_;
};

void Trace(TFIBTransaction& transaction, TTransactionAction action) {
  TFIBSQLMonitorHook* hook = MonitorHookInstance();
  if (hook == nullptr) return;
  TracedTransaction traced(transaction);
  switch (action) {
    case TARollback: hook->TraceRollback(traced); break;
    case TARollbackRetaining: hook->TraceRollbackRetaining(traced); break;
    case TACommit: hook->TraceCommit(traced); break;
    case TACommitRetaining: hook->TraceCommitRetaining(traced); break;
  }
}

TTransactionAction HardForm(TTransactionAction action) {
  if (action == TACommitRetaining) return TACommit;
  if (action == TARollbackRetaining) return TARollback;
  return action;
}

}  // namespace

// ---- construction ----------------------------------------------------------

TFIBTransaction::TFIBTransaction(classlib::TComponent* owner) : classlib::TComponent(owner) {
  tr_params_.SetOnChanging(classlib::TNotifyEvent(this, &TFIBTransaction::OnParamsChanging));
  tr_params_.SetOnChange(classlib::TNotifyEvent(this, &TFIBTransaction::OnParamsChanged));
}

TFIBTransaction::~TFIBTransaction() {
  Destroying();
  if (Active()) {
    try {
      EndTransaction(HardForm(timeout_action_), true);
    } catch (const std::exception&) {
      // Forced ends leave the handle cleared; a destructor cannot report.
    }
  }
  timer_.reset();
  before_destroy_.CallLastFirst(this);
  for (auto it = links_.rbegin(); it != links_.rend(); ++it) {
    TFIBBase* link = *it;
    if (link == nullptr) continue;
    link->Fire(link->OnTransactionFree);
    link->SetTransaction(nullptr);
  }
  links_.clear();
  while (!databases_.empty()) RemoveDatabase(DatabaseCount() - 1);
}

// ---- properties ------------------------------------------------------------

void TFIBTransaction::SetActive(bool active) {
  if (ComponentState().Contains(classlib::csLoading)) {
    streamed_active_ = active;
  } else if (active && !Active()) {
    StartTransaction();
  } else if (!active && Active()) {
    Rollback();
  }
}

void TFIBTransaction::SetDefaultDatabase(TFIBDatabase* database) {
  if (database == default_database_) return;
  CheckInactive();
  int old_index = FindDatabase(default_database_);
  if (old_index >= 0) RemoveDatabase(old_index);
  AddDatabase(database);
  default_database_ = database;
}

void TFIBTransaction::SetTimeout(uint32_t timeout_ms) {
  timeout_ = timeout_ms;
  SetTimeoutTimer(timer_, timeout_ms, classlib::TNotifyEvent(this, &TFIBTransaction::TimeoutTick),
                  Active() && !ComponentState().Contains(classlib::csDesigning));
}

void TFIBTransaction::OnParamsChanging(classlib::TObject*) {
  if (Active()) RaiseClientError(16, {FullComponentName(this)});
}

void TFIBTransaction::OnParamsChanged(classlib::TObject*) { tpb_needs_rebuild_ = true; }

void TFIBTransaction::Loaded() {
  classlib::TComponent::Loaded();
  if (!streamed_active_ || Active()) return;
  // A database loaded later starts its default transaction itself.
  for (TFIBDatabase* database : databases_)
    if (!database->Connected()) return;
  if (!databases_.empty()) StartTransaction();
}

void TFIBTransaction::Notification(classlib::TComponent* component,
                                   classlib::TOperation operation) {
  classlib::TComponent::Notification(component, operation);
  if (operation != classlib::opRemove) return;
  // Only the address may be compared: the component is being destroyed.
  for (int i = DatabaseCount() - 1; i >= 0; --i)
    if (static_cast<classlib::TComponent*>(databases_[i]) == component) RemoveDatabase(i);
}

// ---- databases -------------------------------------------------------------

int TFIBTransaction::FindDatabase(const TFIBDatabase* database) const {
  if (database == nullptr) return -1;
  for (int i = 0; i < DatabaseCount(); ++i)
    if (databases_[i] == database) return i;
  return -1;
}

int TFIBTransaction::AddDatabase(TFIBDatabase* database) {
  if (database == nullptr) return -1;
  int index = FindDatabase(database);
  if (index >= 0) return index;
  if (!databases_.empty() && databases_[0]->LibraryName() != database->LibraryName())
    throw classlib::Exception(FullComponentName(this) +
                              ".\r\nTransaction can't work with different client library.");
  databases_.push_back(database);
  database->AddTransaction(this);
  return DatabaseCount() - 1;
}

void TFIBTransaction::RemoveDatabase(int index) {
  if (index < 0 || index >= DatabaseCount()) return;
  TFIBDatabase* database = databases_[index];
  databases_.erase(databases_.begin() + index);
  database->RemoveTransaction(this);
  if (default_database_ == database) default_database_ = nullptr;
}

TFIBDatabase* TFIBTransaction::MainDatabase() const {
  if (default_database_ != nullptr) return default_database_;
  return databases_.empty() ? nullptr : databases_[0];
}

// ---- checks ----------------------------------------------------------------

void TFIBTransaction::CheckActive() {
  if (Active()) return;
  if (streamed_active_ || ComponentState().Contains(classlib::csDesigning)) {
    streamed_active_ = false;
    StartTransaction();
  } else {
    RaiseClientError(15, {FullComponentName(this)});
  }
}

void TFIBTransaction::CheckInactive() {
  if (Active()) RaiseClientError(16, {FullComponentName(this)});
}

ISC_STATUS TFIBTransaction::CheckTransactionCall(ISC_STATUS status, bool raise_on_error) {
  CLASSLIB_ASSERT(!databases_.empty());
  for (TFIBDatabase* database : databases_) database->idle_ = false;
  idle_ = false;
  return CheckClientCall(status, raise_on_error, databases_[0]->ClientLibrary(), this);
}

int64_t TFIBTransaction::TransactionID() {
  if (!Active()) return 0;
  if (transaction_id_ != 0) return transaction_id_;
  const char items[] = {isc_info_tra_id, isc_info_end};
  char answer[32] = {};
  IIBClientLibrary& library = databases_[0]->ClientLibrary();
  CheckTransactionCall(library.isc_transaction_info(StatusVector(), &handle_, sizeof items, items,
                                                    sizeof answer, answer),
                       true);
  if (answer[0] != isc_info_tra_id) return 0;
  short length = static_cast<short>(library.isc_vax_integer(answer + 1, 2));
  if (length <= 0 || length > 8) return 0;
  transaction_id_ =
      library.isc_portable_integer(reinterpret_cast<const ISC_UCHAR*>(answer + 3), length);
  return transaction_id_;
}

// ---- start -----------------------------------------------------------------

void TFIBTransaction::StartTransaction() {
  CheckInactive();
  if (databases_.empty()) RaiseClientError(18, {FullComponentName(this)});
  TFIBDatabase* main = MainDatabase();
  if (tpb_needs_rebuild_) {
    TPBServer server = TPBServer::Firebird;
    if (!tr_params_.Text().empty() && !main->IsFirebirdConnect()) server = TPBServer::InterBase;
    tpb_ = BuildTPB(tr_params_, server);
    tpb_needs_rebuild_ = false;  // after the build: trimming the lines marks them changed
  }
  std::vector<isc_db_handle*> handles;
  for (TFIBDatabase* database : databases_) {
    database->CheckActive();
    handles.push_back(database->HandleAddress());
  }
  std::vector<TransactionExistenceBlock> teb = BuildTEB(handles, tpb_);
  FireLinks(&TFIBBase::BeforeTransactionStart, false);
  if (!Active()) {
    before_start_.CallLastFirst(this);
    ISC_STATUS* status = StatusVector();
    IIBClientLibrary& library = main->ClientLibrary();
    library.isc_start_multiple(status, &handle_, static_cast<short>(teb.size()), teb.data());
    if (CheckTransactionCall(status[1], false) > 0) {
      handle_ = 0;
      RaiseServerError(library, this);
    }
    after_start_.CallLastFirst(this);
  }
  FireLinks(&TFIBBase::AfterTransactionStart, false);
  if (TFIBSQLMonitorHook* hook = MonitorHookInstance()) {
    TracedTransaction traced(*this);
    hook->TraceStartTransaction(traced);
  }
  state_ = TransactionState::Active;
  idle_ = false;
  if (timer_) timer_->SetEnabled(!ComponentState().Contains(classlib::csDesigning));
  if (main->SQLLogger() != nullptr)
    Log("StartTransaction(TransactionID=" + std::to_string(TransactionID()) + ")");
}

// ---- end -------------------------------------------------------------------

void TFIBTransaction::Commit() { EndTransaction(TACommit, false); }
void TFIBTransaction::CommitRetaining() { EndTransaction(TACommitRetaining, false); }
void TFIBTransaction::Rollback() { EndTransaction(TARollback, false); }
void TFIBTransaction::RollbackRetaining() { EndTransaction(TARollbackRetaining, false); }

void TFIBTransaction::DoSQLExecute(classlib::TObject*, uint8_t) {}

void TFIBTransaction::EndTransaction(TTransactionAction action, bool force) {
  CheckActive();
  if (MainDatabase() != nullptr && MainDatabase()->SQLLogger() != nullptr)
    Log(std::string(ActionName(action)) + "(TransactionID=" + std::to_string(TransactionID()) +
        ") ");
  transaction_id_ = 0;
  try {
    if (action == TARollbackRetaining || action == TACommitRetaining) {
      bool commit = action == TACommitRetaining;
      state_ = commit ? TransactionState::CommittingRetaining
                      : TransactionState::RollingBackRetaining;
      NotifyEnd(true, action, force);
      IIBClientLibrary& library = databases_[0]->ClientLibrary();
      ISC_STATUS* status = StatusVector();
      CheckTransactionCall(commit ? library.isc_commit_retaining(status, &handle_)
                                  : library.isc_rollback_retaining(status, &handle_),
                           true);
      NotifyEnd(false, action, force);
    } else {
      EndHard(action, force);
    }
  } catch (...) {
    state_ = Active() ? TransactionState::Active : TransactionState::Inactive;
    throw;
  }
  Trace(*this, action);
  state_ = Active() ? TransactionState::Active : TransactionState::Inactive;
  if (!Active() && timer_) timer_->SetEnabled(false);
}

// A forced end always clears the handle. A commit the server refused is
// rolled back first; the refusal is still reported afterwards, since the
// caller believes its work was kept.
void TFIBTransaction::EndHard(TTransactionAction action, bool force) {
  bool commit = action == TACommit;
  state_ = commit ? TransactionState::Committing : TransactionState::RollingBack;
  NotifyEnd(true, action, force);
  std::exception_ptr refusal;
  if (end_locally_) {
    handle_ = 0;
    end_locally_ = false;
  } else {
    IIBClientLibrary& library = databases_[0]->ClientLibrary();
    ISC_STATUS* status = StatusVector();
    ISC_STATUS result = commit ? library.isc_commit_transaction(status, &handle_)
                               : library.isc_rollback_transaction(status, &handle_);
    if (CheckTransactionCall(result, false) > 0) {
      if (!force) RaiseServerError(library, this);
      try {
        RaiseServerError(library, this);
      } catch (const EFIBError& e) {
        refusal = std::current_exception();
        TraceRefusal(action, e.Message());
      }
      CheckTransactionCall(library.isc_rollback_transaction(status, &handle_), false);
    }
  }
  if (force) handle_ = 0;
  NotifyEnd(false, action, force);
  bool destroying = ComponentState().Contains(classlib::csDestroying);
  if (refusal && commit && !destroying) {
    state_ = TransactionState::Inactive;
    std::rethrow_exception(refusal);
  }
}

// Shown to every listening monitor and logged, whether or not the
// transaction category is traced: the caller's work was thrown away.
void TFIBTransaction::TraceRefusal(TTransactionAction action, const std::string& message) {
  std::string text = std::string(ActionName(action)) + " refused; rolled back. " + message;
  Log(text);
  try {
    if (TFIBSQLMonitorHook* hook = MonitorHookInstance())
      hook->QueueTraceText(Name() + ": [" + text + "]", tcTransaction);
  } catch (const std::exception&) {
    // The monitor channel is optional; the refusal is raised anyway.
  }
}

void TFIBTransaction::NotifyEnd(bool before, TTransactionAction action, bool force) {
  FireLinks(before ? &TFIBBase::BeforeTransactionEnd : &TFIBBase::AfterTransactionEnd, true);
  EndHandlers& handlers = before ? before_end_ : after_end_;
  std::vector<TEndTransactionEvent> snapshot;
  {
    std::lock_guard lock(handlers.mutex);
    if (handlers.list.Count() == 0) return;
    for (int i = 0; i < handlers.list.Count(); ++i) snapshot.push_back(handlers.list.Items(i));
  }
  for (const auto& handler : snapshot) handler(this, action, force);
}

void TFIBTransaction::FireLinks(TFIBBaseEvent TFIBBase::*event, bool last_first) {
  if (links_.empty()) return;
  std::vector<TFIBBase*> links = links_;
  if (last_first) std::reverse(links.begin(), links.end());
  for (TFIBBase* link : links)
    if (link != nullptr) link->Fire(link->*event);
}

void TFIBTransaction::TimeoutTick(classlib::TObject*) {
  if (!Active()) return;
  if (!idle_) {
    idle_ = true;
    return;
  }
  std::exception_ptr failure;
  try {
    EndTransaction(timeout_action_, true);
  } catch (...) {
    failure = std::current_exception();
  }
  if (OnTimeout) OnTimeout(this);
  if (failure) std::rethrow_exception(failure);
}

void TFIBTransaction::Log(const std::string& text) {
  TFIBDatabase* main = MainDatabase();
  if (main == nullptr || main->SQLLogger() == nullptr) return;
  main->SQLLogger()->WriteData(FullComponentName(this), text, kLogTransaction,
                               "TransactionParams:\r\n" + tr_params_.Text());
}

// ---- links and handlers ----------------------------------------------------

void TFIBTransaction::AddLink(TFIBBase* link) {
  auto place = std::find(links_.begin(), links_.end(), nullptr);
  if (place == links_.end()) place = links_.insert(links_.end(), nullptr);
  *place = link;
  link->transaction_ = this;
  link->transaction_index_ = static_cast<int>(place - links_.begin());
}

void TFIBTransaction::RemoveLink(TFIBBase* link) {
  int index = link->transaction_index_;
  CLASSLIB_ASSERT(index >= 0 && index < static_cast<int>(links_.size()) && links_[index] == link);
  links_[index] = nullptr;
  link->transaction_ = nullptr;
  link->transaction_index_ = -1;
}

TNotifyEventList& TFIBTransaction::NotifyList(int kind) {
  if (kind == kBeforeStart) return before_start_;
  if (kind == kAfterStart) return after_start_;
  CLASSLIB_ASSERT(kind == kBeforeDestroy);
  return before_destroy_;
}

TFIBTransaction::EndHandlers& TFIBTransaction::EndList(int kind) {
  CLASSLIB_ASSERT(kind == kBeforeEnd || kind == kAfterEnd);
  return kind == kBeforeEnd ? before_end_ : after_end_;
}

void TFIBTransaction::AddHandler(int kind, const classlib::TNotifyEvent& handler) {
  NotifyList(kind).Add(handler);
}

void TFIBTransaction::RemoveHandler(int kind, const classlib::TNotifyEvent& handler) {
  NotifyList(kind).Remove(handler);
}

void TFIBTransaction::AddHandler(int kind, const TEndTransactionEvent& handler) {
  EndHandlers& handlers = EndList(kind);
  std::lock_guard lock(handlers.mutex);
  handlers.list.Add(handler);
}

void TFIBTransaction::RemoveHandler(int kind, const TEndTransactionEvent& handler) {
  EndHandlers& handlers = EndList(kind);
  std::lock_guard lock(handlers.mutex);
  handlers.list.Remove(handler);
}

}  // namespace fib
