// The data set's database and transactions: which statement runs in which
// transaction, and the relays of the transactions' start and end events.
#include "classlib/component.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

namespace {

bool IsLoading(const classlib::TComponent& component) {
  return component.ComponentState().Contains(classlib::csLoading);
}

}  // namespace

// ---- connection ----

TFIBDatabase* TFIBCustomDataSet::Database() const { return base_->Database(); }

TFIBTransaction* TFIBCustomDataSet::Transaction() const { return base_->Transaction(); }

TFIBTransaction* TFIBCustomDataSet::UpdateTransaction() const { return update_query_->Transaction(); }

void TFIBCustomDataSet::SetDatabase(TFIBDatabase* database) {
  if (database == Database()) return;
  CheckDataSetClosed(" change database ");
  TFIBTransaction* old_transaction = Transaction();
  TFIBTransaction* old_update = UpdateTransaction();
  for (TFIBQuery* query : {main_select_query_, update_query_, insert_query_, delete_query_,
                           refresh_query_})
    query->SetDatabase(database);
  for (TFIBQuery* query : limited_queries_) query->SetDatabase(database);
  base_->SetDatabase(database);
  // The link may have taken the database's default transaction: the
  // statements and the relays follow it.
  if (Transaction() != old_transaction) {
    TFIBTransaction* taken = Transaction();
    base_->SetTransaction(old_transaction);
    SetTransaction(taken);
  }
  if (database == nullptr || database->DefaultTransaction() == nullptr) return;
  if (IsLoading(*this) || IsLoading(*database)) return;
  if (old_update == nullptr || old_update == Transaction() || UpdateTransaction() == nullptr ||
      UpdateTransaction() == Transaction())
    SetUpdateTransaction(database->DefaultTransaction());
}

bool TFIBCustomDataSet::UpdateSharesReadTransaction() const {
  return update_query_->Transaction() == select_query_->Transaction();
}

void TFIBCustomDataSet::SetTransaction(TFIBTransaction* transaction) {
  if (transaction == Transaction()) return;
  CheckDataSetClosed(" change transaction ");
  const bool shared = UpdateSharesReadTransaction();
  MoveTransactionHandlers(Transaction(), transaction, false);
  // The transaction tells its links of an end last first: the data set's
  // link joins after its select statement's, so with cached updates the
  // data set still reads the remaining rows before the statement closes
  // its cursor.
  main_select_query_->SetTransaction(transaction);
  for (TFIBQuery* query : limited_queries_) query->SetTransaction(transaction);
  base_->SetTransaction(transaction);
  if (shared) {
    MoveTransactionHandlers(UpdateTransaction(), transaction, true);
    for (TFIBQuery* query : {refresh_query_, delete_query_, insert_query_, update_query_})
      query->SetTransaction(transaction);
  } else if (refresh_transaction_kind_ == tkReadTransaction) {
    refresh_query_->SetTransaction(transaction);
  }
}

void TFIBCustomDataSet::SetUpdateTransaction(TFIBTransaction* transaction) {
  if (transaction == UpdateTransaction()) return;
  MoveTransactionHandlers(UpdateTransaction(), transaction, true);
  for (TFIBQuery* query : {delete_query_, insert_query_, update_query_})
    query->SetTransaction(transaction);
  if (refresh_transaction_kind_ == tkUpdateTransaction) refresh_query_->SetTransaction(transaction);
}

void TFIBCustomDataSet::SetRefreshTransactionKind(TTransactionKind kind) {
  refresh_transaction_kind_ = kind;
  refresh_query_->SetTransaction(kind == tkReadTransaction ? Transaction() : UpdateTransaction());
}

void TFIBCustomDataSet::StartUpdateTransaction() {
  TFIBTransaction* transaction = UpdateTransaction();
  if (transaction == nullptr) RaiseClientError(22, {FullComponentName(this)});
  transaction->StartTransaction();
}

// ---- transaction relays ----

void TFIBCustomDataSet::MoveTransactionHandlers(TFIBTransaction* from, TFIBTransaction* to,
                                                bool update) {
  using Self = TFIBCustomDataSet;
  const classlib::TNotifyEvent before_start(
      this, update ? &Self::RelayBeforeStartUpdate : &Self::RelayBeforeStart);
  const classlib::TNotifyEvent after_start(
      this, update ? &Self::RelayAfterStartUpdate : &Self::RelayAfterStart);
  const TEndTransactionEvent before_end(this,
                                        update ? &Self::RelayBeforeEndUpdate : &Self::RelayBeforeEnd);
  const TEndTransactionEvent after_end(this,
                                       update ? &Self::RelayAfterEndUpdate : &Self::RelayAfterEnd);
  if (from != nullptr) {
    from->RemoveHandler(kBeforeStart, before_start);
    from->RemoveHandler(kAfterStart, after_start);
    from->RemoveHandler(kBeforeEnd, before_end);
    from->RemoveHandler(kAfterEnd, after_end);
  }
  if (to != nullptr) {
    to->AddHandler(kBeforeStart, before_start);
    to->AddHandler(kAfterStart, after_start);
    to->AddHandler(kBeforeEnd, before_end);
    to->AddHandler(kAfterEnd, after_end);
  }
}

void TFIBCustomDataSet::RelayBeforeStart(classlib::TObject* sender) {
  if (BeforeStartTransaction) BeforeStartTransaction(sender);
}
void TFIBCustomDataSet::RelayAfterStart(classlib::TObject* sender) {
  if (AfterStartTransaction) AfterStartTransaction(sender);
}
void TFIBCustomDataSet::RelayBeforeEnd(TFIBTransaction* t, TTransactionAction a, bool force) {
  if (BeforeEndTransaction) BeforeEndTransaction(t, a, force);
}
void TFIBCustomDataSet::RelayAfterEnd(TFIBTransaction* t, TTransactionAction a, bool force) {
  if (AfterEndTransaction) AfterEndTransaction(t, a, force);
}
void TFIBCustomDataSet::RelayBeforeStartUpdate(classlib::TObject* sender) {
  if (BeforeStartUpdateTransaction) BeforeStartUpdateTransaction(sender);
}
void TFIBCustomDataSet::RelayAfterStartUpdate(classlib::TObject* sender) {
  if (AfterStartUpdateTransaction) AfterStartUpdateTransaction(sender);
}
void TFIBCustomDataSet::RelayBeforeEndUpdate(TFIBTransaction* t, TTransactionAction a, bool f) {
  if (BeforeEndUpdateTransaction) BeforeEndUpdateTransaction(t, a, f);
  // A blob a post wrote in an update transaction of its own is named by an
  // id that holds only inside it: once it ends, the records' streams write
  // their contents anew when the record is stored again.
  if (t == Transaction()) return;
  for (const std::unique_ptr<TFIBBlobStream>& stream : blob_streams_)
    if (stream) stream->OutliveTransaction();
  if (a != TARollback && a != TARollbackRetaining) KeepReplacedVersionsOverUpdateCommit();
}
void TFIBCustomDataSet::RelayAfterEndUpdate(TFIBTransaction* t, TTransactionAction a, bool f) {
  if (t != Transaction()) update_writes_pending_ = reads_behind_update_writes_ = false;
  if (AfterEndUpdateTransaction) AfterEndUpdateTransaction(t, a, f);
  UpdateTransactionEnded(a);
}

void TFIBCustomDataSet::NoteReadBehindUpdateWrites() {
  if (update_writes_pending_) reads_behind_update_writes_ = true;
}

void TFIBCustomDataSet::KeepReplacedVersionsOverUpdateCommit() {
  if (!reads_behind_update_writes_ || !Active() || cache_ == nullptr || LimitedCacheModel()) return;
  TFIBTransaction* read = Transaction();
  if (read == nullptr) return;
  // Records kept past a hard end read in a transaction of their own, as a
  // blob loaded for cached updates is.
  const bool active = read->Active();
  if (!active) read->StartTransaction();
  try {
    KeepBlobsOverTransactionEnd();
    KeepArraysOverTransactionEnd();
  } catch (...) {
    if (!active) read->Commit();
    throw;
  }
  if (!active) read->Commit();
  reads_behind_update_writes_ = false;
}

}  // namespace fib
