#include "fib/dataset/fib_dataset.h"

#include "classlib/field.h"
#include "classlib/field_defs.h"

#include "fib/base/component_name.h"
#include "fib/base/fib_timer.h"
#include "fib/dataset/datasets_container.h"
#include "fib/records/records_cache.h"
#include "fib/sql/sql_trace_hook.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/conditions.h"
#include "fib/statements/database_list.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/sqls_props.h"

namespace fib {

namespace {

bool LoadingInOwnerChain(const classlib::TComponent* component) {
  for (; component != nullptr; component = component->Owner())
    if (component->ComponentState().Contains(classlib::csLoading)) return true;
  return false;
}

}  // namespace

TpZODDsOptions& TFIBCustomDataSet::DefaultOptions() {
  static TpZODDsOptions options{poTrimCharFields, poRefreshAfterPost, poStartTransaction,
                                poAutoFormatFields};
  return options;
}

TpPrepareOptions& TFIBCustomDataSet::DefaultPrepareOptions() {
  static TpPrepareOptions options{pfImportDefaultValues, psUseBooleanField, psGetOrderInfo,
                                  psSetEmptyStrToNull};
  return options;
}

TDetailConditions& TFIBCustomDataSet::DefaultDetailConditions() {
  static TDetailConditions conditions;
  return conditions;
}

TFIBCustomDataSet::TFIBCustomDataSet(classlib::TComponent* owner) : TDataSet(owner) {
  base_ = std::make_unique<TFIBBase>(this);
  main_select_query_ = select_query_ = CreateInternalQuery("SelectQuery");
  update_query_ = CreateInternalQuery("UpdateQuery");
  insert_query_ = CreateInternalQuery("InsertQuery");
  delete_query_ = CreateInternalQuery("DeleteQuery");
  refresh_query_ = CreateInternalQuery("RefreshQuery");
  data_link_ = std::make_unique<TFIBDataLink>(this, this);
  sqls_ = std::make_unique<TSQLs>(this);
  auto_update_options_ = std::make_unique<TAutoUpdateOptions>(this);
  cache_model_options_ = std::make_unique<TCacheModelOptions>(this);
  conditions_ = std::make_unique<TConditions>(this);
  RouteLinkEvents();
  ApplyInitialOptions();
  // DataEvent adds nothing to the events of a walk (final there).
  SetStepEventsPassedOn(true);

  const bool designing = ComponentState().Contains(classlib::csDesigning);
  if (designing && !LoadingInOwnerChain(this) && DefaultDesignDatabase() != nullptr)
    SetDatabase(DefaultDesignDatabase());
  if (auto* database = dynamic_cast<TFIBDatabase*>(owner))
    SetDatabase(database);
  else if (auto* transaction = dynamic_cast<TFIBTransaction*>(owner))
    SetTransaction(transaction);
}

TFIBCustomDataSet::~TFIBCustomDataSet() {
  Destroying();
  try {
    SetActive(false);
  } catch (...) {
    // A failing close must not stop the destruction; the cursor is gone.
  }
  if (container_ != nullptr) {
    TDataSetsContainer* container = container_;
    container_ = nullptr;
    container->RemoveDataSet(this);
  }
  MoveTransactionHandlers(Transaction(), nullptr, false);
  MoveTransactionHandlers(UpdateTransaction(), nullptr, true);
  data_link_.reset();
  FreeAllBlobStreams();
  cache_.reset();
  base_->SetTransaction(nullptr);
  base_->SetDatabase(nullptr);
}

void TFIBCustomDataSet::ApplyInitialOptions() {
  const bool designing = ComponentState().Contains(classlib::csDesigning);
  if (designing && !LoadingInOwnerChain(this)) {
    options_ = DefaultOptions();
    prepare_options_ = DefaultPrepareOptions();
    SetDetailConditions(DefaultDetailConditions());
  } else {
    options_ = {poTrimCharFields, poRefreshAfterPost, poStartTransaction, poAutoFormatFields};
    prepare_options_ = {pfImportDefaultValues, psUseBooleanField, psGetOrderInfo,
                        psSetEmptyStrToNull};
  }
  PassOptionsToStatements();
}

TFIBQuery* TFIBCustomDataSet::CreateInternalQuery(const std::string& name) {
  auto* query = new TFIBQuery(this);
  query->SetName(name);
  query->SetParamCheck(true);
  // The first statement made is the select statement.
  query->OnSQLChanging =
      main_select_query_ == nullptr
          ? classlib::TNotifyEvent(this, &TFIBCustomDataSet::SelectSQLChanging)
          : classlib::TNotifyEvent(this, &TFIBCustomDataSet::OtherSQLChanging);
  if (Database() != nullptr) query->SetDatabase(Database());
  if (Transaction() != nullptr) query->SetTransaction(Transaction());
  return query;
}

TFIBQuery* TFIBCustomDataSet::LimitedCacheQuery(const std::string& name) {
  for (TFIBQuery* query : limited_queries_)
    if (query->Name() == name) return query;
  TFIBQuery* query = CreateInternalQuery(name);
  limited_queries_.push_back(query);
  return query;
}

TFIBQuery* TFIBCustomDataSet::StatementOfKind(int kind) const {
  switch (kind) {
    case classlib::ukModify: return update_query_;
    case classlib::ukInsert: return insert_query_;
    case classlib::ukDelete: return delete_query_;
    default: return refresh_query_;
  }
}

// ---- SQL changes of the internal statements ----

void TFIBCustomDataSet::SelectSQLChanging(classlib::TObject*) {
  if (ComponentState().Contains(classlib::csDestroying)) {
    auto_update_options_->SetCachedWhereText("");
    auto_update_options_->SetCachedSelectText("");
    return;
  }
  // A refused change leaves everything as it was.
  if (ComponentState().Contains(classlib::csDesigning))
    Close();
  else
    CheckDataSetClosed(" change SelectSQL ");
  auto_update_options_->SetCachedWhereText("");
  auto_update_options_->SetCachedSelectText("");
  // Re-applying the table name makes the generated texts follow the alias
  // the new select text gives it.
  auto_update_options_->SetUpdateTableName(auto_update_options_->UpdateTableName());
  sort_info_ = classlib::Variant();
  FieldDefs().Clear();
  prepared_ = false;
}

void TFIBCustomDataSet::OtherSQLChanging(classlib::TObject*) {
  auto_update_options_->SetCachedWhereText("");
  auto_update_options_->SetCachedSelectText("");
}

// ---- link notifications ----

void TFIBCustomDataSet::RouteLinkEvents() {
  base_->BeforeDatabaseDisconnect = TFIBBaseEvent(this, &TFIBCustomDataSet::LinkDatabaseDisconnecting);
  base_->AfterDatabaseDisconnect = TFIBBaseEvent(this, &TFIBCustomDataSet::LinkDatabaseDisconnected);
  base_->OnDatabaseFree = TFIBBaseEvent(this, &TFIBCustomDataSet::LinkDatabaseFree);
  base_->BeforeTransactionEnd = TFIBBaseEvent(this, &TFIBCustomDataSet::LinkTransactionEnding);
  base_->AfterTransactionEnd = TFIBBaseEvent(this, &TFIBCustomDataSet::LinkTransactionEnded);
  base_->OnTransactionFree = TFIBBaseEvent(this, &TFIBCustomDataSet::LinkTransactionFree);
}

void TFIBCustomDataSet::LinkDatabaseDisconnecting(TFIBBase*) {
  if (Active()) {
    if (cached_updates_) {
      // Cached changes must survive the connection: keep every row.
      FetchAll();
      select_query_->Close();
    } else {
      Close();
    }
  }
  prepared_ = false;
  FireNotify(DatabaseDisconnecting);
}

void TFIBCustomDataSet::LinkDatabaseDisconnected(TFIBBase*) { FireNotify(DatabaseDisconnected); }

void TFIBCustomDataSet::LinkDatabaseFree(TFIBBase*) {
  prepared_ = false;
  FireNotify(DatabaseFree);
}

void TFIBCustomDataSet::LinkTransactionEnding(TFIBBase*) { DoTransactionEnding(); }

void TFIBCustomDataSet::LinkTransactionEnded(TFIBBase*) { DoTransactionEnded(); }

void TFIBCustomDataSet::LinkTransactionFree(TFIBBase*) { FireNotify(TransactionFree); }

void TFIBCustomDataSet::DoTransactionEnding() {
  FireNotify(TransactionEnding);
  TFIBTransaction* transaction = Transaction();
  if (transaction == nullptr || !Active()) return;
  // Cached records outlive the transaction their blobs were read or
  // written in, retaining ends included.
  if (cached_updates_)
    for (const std::unique_ptr<TFIBBlobStream>& stream : blob_streams_)
      if (stream) stream->OutliveTransaction();
  // Only a hard end closes the cursor; retaining ends keep it open. A
  // retaining rollback still takes the memos, blobs and arrays the
  // transaction wrote (by an apply, or by posts read back since), which the
  // records go on showing. The limited cache reads its records again as it
  // moves.
  const TransactionState state = transaction->State();
  if (state == TransactionState::RollingBackRetaining && !LimitedCacheModel()) {
    KeepBlobsOverTransactionEnd();
    KeepArraysOverTransactionEnd();
  }
  if (state != TransactionState::Committing && state != TransactionState::RollingBack) return;
  const bool keep_rows = cached_updates_ &&
                         !ComponentState().Contains(classlib::csDestroying) &&
                         !ComponentState().Contains(classlib::csDesigning) &&
                         !ComponentState().Contains(classlib::csLoading);
  if (keep_rows) {
    FetchAll();
    KeepBlobsOverTransactionEnd();
    KeepArraysOverTransactionEnd();
    select_query_->Close();
  } else {
    Close();
  }
}

void TFIBCustomDataSet::DoTransactionEnded() { FireNotify(TransactionEnded); }

// ---- component notifications ----

void TFIBCustomDataSet::Notification(classlib::TComponent* component,
                                     classlib::TOperation operation) {
  TDataSet::Notification(component, operation);
  if (operation != classlib::opRemove) return;
  if (component == container_) container_ = nullptr;
  ForgetCachedField(component);
}

// ---- the SQL monitor ----

void TFIBCustomDataSet::TraceAction(std::string_view action) const {
  if (!MonitorMayListen()) return;
  if (TFIBSQLMonitorHook* hook = MonitorHookInstance()) hook->TraceDataSetAction(*this, action);
}

}  // namespace fib
