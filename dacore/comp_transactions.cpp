// TCustomDAConnection: transactions, applying the cached updates of several
// data sets, and the fail-over decision after a fatal server error.
#include "dacore/comp_connection.h"

#include "classlib/dataset.h"
#include "classlib/format.h"
#include "dacore/messages.h"
#include "dacore/trace_monitor.h"

namespace dacore {

void TCustomDAConnection::CheckConnected() const {
  if (!GetConnected()) classlib::DatabaseError(SConnectionIsClosed, this);
}

// ---- Transactions ---------------------------------------------------------------

void TCustomDAConnection::InternalStartTransaction() {
  iconnection_->StartTransaction();
  transaction_id_ = "Local";
}

// In disconnected mode a start that fails gives back the use it took, or
// the connection would never close again.
void TCustomDAConnection::StartTransaction() {
  const bool counted = options_->DisconnectedMode();
  if (counted) InternalConnect();
  try {
    CheckConnected();
    if (InTransaction()) classlib::DatabaseError(STransactionInProgress, this);
    StartTransactionRepeated();
  } catch (...) {
    if (counted) InternalDisconnect();
    throw;
  }
}

void TCustomDAConnection::StartTransactionRepeated() {
  uint32_t message_id = 0;
  TCustomDASQLMonitor::NotifyTRStart(this, message_id, true);
  PushOperation(clTransStart, true);
  try {
    for (;;) {
      try {
        InternalStartTransaction();
        transaction_id_ = "Local";
        iconnection_->SetProp(prAutoCommit, false);
        break;
      } catch (const EFailOver&) {
        // Reconnected: start again.
      }
    }
  } catch (...) {
    PopOperation();
    throw;
  }
  PopOperation();
  TCustomDASQLMonitor::NotifyTRStart(this, message_id, false);
}

void TCustomDAConnection::Commit() {
  CheckConnected();
  const bool was_in_transaction = InTransaction();
  uint32_t message_id = 0;
  TCustomDASQLMonitor::NotifyTRCommit(this, message_id, true);
  iconnection_->Commit();
  transaction_id_.clear();
  iconnection_->SetProp(prAutoCommit, auto_commit_);
  TCustomDASQLMonitor::NotifyTRCommit(this, message_id, false);
  if (was_in_transaction && options_->DisconnectedMode()) InternalDisconnect();
}

void TCustomDAConnection::Rollback() {
  CheckConnected();
  const bool was_in_transaction = InTransaction();
  uint32_t message_id = 0;
  TCustomDASQLMonitor::NotifyTRRollback(this, message_id, true);
  iconnection_->Rollback();
  transaction_id_.clear();
  iconnection_->SetProp(prAutoCommit, auto_commit_);
  TCustomDASQLMonitor::NotifyTRRollback(this, message_id, false);
  if (was_in_transaction && options_->DisconnectedMode()) InternalDisconnect();
}

// ---- Applying the updates of several data sets ---------------------------------

void TCustomDAConnection::ApplyAllUpdates() { ApplyUpdates(DataSetClients()); }

void TCustomDAConnection::ApplyUpdates(const std::vector<IDAConnectionClient*>& data_sets) {
  PushOperation(clConnectionApply, true);
  try {
    for (;;) {
      try {
        ApplyUpdatesOnce(data_sets);
        break;
      } catch (const EFailOver&) {
        RestoreAndRollBack(data_sets, false);  // the transaction went with the lost connection
      } catch (...) {
        RestoreAndRollBack(data_sets, true);
        throw;
      }
    }
  } catch (...) {
    PopOperation();
    throw;
  }
  PopOperation();
}

void TCustomDAConnection::ApplyUpdatesOnce(const std::vector<IDAConnectionClient*>& data_sets) {
  for (IDAConnectionClient* data_set : data_sets)
    if (data_set->ClientConnection() != this)
      classlib::DatabaseError(
          classlib::Format(SCannotUpdateNotOwned, {data_set->ClientComponent()->Name(), Name()}));
  StartTransaction();
  for (IDAConnectionClient* data_set : data_sets)
    if (data_set->Active() && data_set->CachedUpdates()) data_set->ApplyClientUpdates();
  Commit();
  for (IDAConnectionClient* data_set : data_sets)
    if (data_set->Active() && data_set->CachedUpdates()) data_set->CommitClientUpdates();
}

// Rows applied in a transaction that did not commit must be offered again,
// and that transaction must not be committed later by a disconnect.
void TCustomDAConnection::RestoreAndRollBack(const std::vector<IDAConnectionClient*>& data_sets,
                                             bool roll_back) {
  for (IDAConnectionClient* data_set : data_sets)
    if (data_set->ClientConnection() == this && data_set->Active() && data_set->CachedUpdates())
      data_set->RestoreClientUpdates();
  if (roll_back && InTransaction() && GetConnected()) {
    try {
      Rollback();
    } catch (const std::exception&) {
      // The error that stopped the apply is the one to report.
    }
  }
  transaction_id_.clear();
}

// ---- Fail-over ------------------------------------------------------------------

void TCustomDAConnection::PushOperation(TConnLostCause operation, bool may_fail_over) {
  if (options_->LocalFailover) operations_.push_back(TOperation{operation, may_fail_over});
}

void TCustomDAConnection::PopOperation() {
  if (options_->LocalFailover && !operations_.empty()) operations_.pop_back();
}

bool TCustomDAConnection::IsFatalError(const classlib::Exception&) const { return false; }

TConnLostCause TCustomDAConnection::GetConnLostCause(classlib::TComponent* component) {
  IDAConnectionClient* client = nullptr;
  for (IDAConnectionClient* c : DataSetClients())
    if (c->ClientComponent() == component) client = c;
  for (IDAConnectionClient* c : StatementClients())
    if (c->ClientComponent() == component) client = c;
  TConnLostCause largest = clUnknown;
  bool may_fail_over = false;
  for (auto entry = operations_.rbegin(); entry != operations_.rend(); ++entry) {
    if (entry->operation > largest) {
      largest = entry->operation;
      may_fail_over = entry->may_fail_over;
    }
    if (largest == clConnect) {
      if (first_connect_) largest = clUnknown;
      break;
    }
  }
  // The repeated operation's own counted disconnect must balance: once, and
  // only when that operation is the one to repeat (a whole apply that runs
  // again counts its uses anew).
  const TConnLostCause cause = may_fail_over ? largest : clUnknown;
  if ((cause == clExecute || cause == clOpen) && client && (!client->IsDataSet() || !client->RecordSetFetching()))
    ++connect_count_;
  return cause;
}

bool TCustomDAConnection::ReconnectRefused(const classlib::Exception& e, TConnLostCause cause) {
  auto* da_error = dynamic_cast<const EDAError*>(&e);
  classlib::TComponent* failed = da_error ? da_error->Component() : nullptr;
  for (IDAConnectionClient* data_set : DataSetClients()) {
    if (data_set->RecordSetPrepared()) return true;
    if (data_set->Active() && !data_set->FetchAll() && !data_set->CommandFinished() &&
        (cause != clRefresh || data_set->ClientComponent() != failed))
      return true;
  }
  for (IDAConnectionClient* statement : StatementClients())
    if (statement->Executing()) return true;
  return false;
}

// A connection nobody uses may always reconnect. One in use reconnects only
// for an operation the fail-over stack names, and never inside a user
// transaction that a reconnect would silently lose, unless the whole apply
// is to run again.
bool TCustomDAConnection::ReconnectAllowed(TConnLostCause cause) const {
  if (connect_count_ == 0) return true;
  return cause != clUnknown && (!InTransaction() || cause == clConnectionApply);
}

void TCustomDAConnection::DecideRetry(classlib::Exception&, bool& fail, bool& reconnect,
                                      bool& reexecute, TConnLostCause cause) {
  TRetryMode retry = (cause == clUnknown || cause == clExecute) ? rmRaise : rmReconnectExecute;
  if (OnConnectionLost) OnConnectionLost(this, this, cause, retry);
  reconnect = retry > rmRaise;
  reexecute = (retry == rmReconnectExecute && cause != clUnknown) ||
              (cause == clConnect && retry >= rmReconnect);
  fail = !reexecute;
}

void TCustomDAConnection::DoError(classlib::Exception& e, bool& fail, bool& reconnect, bool& reexecute,
                                  int reconnect_attempt, TConnLostCause& cause) {
  cause = clUnknown;
  TCustomDASQLMonitor::NotifyError(e);
  const bool fatal = IsFatalError(e);
  if (fatal) {
    auto* da_error = dynamic_cast<EDAError*>(&e);
    cause = GetConnLostCause(da_error ? da_error->Component() : nullptr);
    const bool may_reconnect = GetConnected() || (reconnect_attempt > 0 && options_->LocalFailover) ||
                               (cause == clConnect && options_->DisconnectedMode());
    reconnect = may_reconnect && ReconnectAllowed(cause) && !ReconnectRefused(e, cause);
    if (reconnect && options_->LocalFailover) DecideRetry(e, fail, reconnect, reexecute, cause);
  }
  if (!options_->LocalFailover || !reconnect) {
    if (auto* da_error = dynamic_cast<EDAError*>(&e); da_error && OnError) OnError(this, *da_error, fail);
  }
  if (!fatal) return;
  iconnection_->IsValid = false;
  if (iconnection_->Pool) iconnection_->Pool->IncVersion();
  if (reconnect_attempt == 0) FatalErrorHook();
  if (!reconnect && reconnect_attempt == 0 && !disconnecting_self_) {
    disconnecting_self_ = true;
    try {
      Disconnect();
    } catch (const std::exception&) {
      // The fatal error itself is what the caller hears of.
    }
    disconnecting_self_ = false;
  }
}

}  // namespace dacore
