// TCustomDADataSet: the connection, its counted use, and the record set
// the connection makes.
#include "dacore/dataset_component.h"

#include "classlib/field_defs.h"

#include "dacore/comp_connection.h"
#include "dacore/messages.h"

namespace dacore {

std::unique_ptr<TData> TCustomDADataSet::CreateIRecordSet() {
  TCustomDAConnection* connection = GetUsedConnection();
  if (!connection) return TMemDataSet::CreateIRecordSet();
  return connection->CreateIRecordSet();
}

void TCustomDADataSet::SetIRecordSet(std::unique_ptr<TData> record_set) {
  TMemDataSet::SetIRecordSet(std::move(record_set));
  record_set_ = dynamic_cast<TCRRecordSet*>(FIRecordSet);
  RemoveUpdateStatements();
  if (!record_set_) {
    if (command_) command_->SetICommand(nullptr);
    return;
  }
  PassRecordSetSettings();
  record_set_->OnBeforeFetch = TCRRecordSet::TBeforeFetchProc::Function([this](bool& cancel) { DoBeforeFetch(cancel); });
  record_set_->OnAfterFetch = TCRRecordSet::TAfterFetchProc::Function([this] { DoAfterFetch(); });
  record_set_->OnDataChanged = TCRRecordSet::TDataChangedProc::Function([this] { RecordSetDataChanged(); });
  WireCommand();
}

// The internal statement drives the record set's driver command; the data
// set hears of its executions itself (the statement component's own report
// would end a use the data set did not take).
void TCustomDADataSet::WireCommand() {
  if (!record_set_ || !command_) return;
  TCRCommand* command = record_set_->GetCommand();
  command_->SetICommand(command);
  command->OnAfterExecute = TCRCommand::TAfterExecuteProc::Function([this](bool result) { CommandAfterExecute(result); });
  record_set_->SetComponent(static_cast<classlib::TComponent*>(this));
  command->SetProp(prAutoCommit, auto_commit_);
  TCustomDAConnection* connection = GetUsedConnection();
  record_set_->SetConnection(connection ? connection->IConnection() : nullptr);
}

void TCustomDADataSet::PassRecordSetSettings() {
  record_set_->SetProp(prUniDirectional, uni_directional_);
  record_set_->SetProp(prFetchRows, fetch_rows_);
  record_set_->SetProp(prFetchAll, fetch_all_);
  if (!options_) return;
  record_set_->SetProp(prLongStrings, options_->LongStrings());
  record_set_->SetProp(prFlatBuffers, options_->FlatBuffers());
  record_set_->SetProp(prRecordSetProp30, static_cast<int>(options_->CompressBlobMode()));
  record_set_->SetTrimFixedChars(options_->TrimFixedChar());
  record_set_->SetTrimVarChars(options_->TrimVarChar());
}

// ---- The connection -----------------------------------------------------------------

void TCustomDADataSet::SetConnection(TCustomDAConnection* connection) {
  if (connection == connection_) return;
  if (connection_) {
    SetActive(false);
    UnPrepare();
    connection_->RemoveFreeNotification(this);
  }
  if (registered_with_) {
    registered_with_->UnRegisterClient(this);
    registered_with_ = nullptr;
  }
  connection_ = connection;
  if (!connection) {
    if (record_set_) record_set_->SetConnection(nullptr);
    return;
  }
  connection->FreeNotification(this);
  RegisterWith(connection);
}

// Registers with the connection and takes a record set of its class.
void TCustomDADataSet::RegisterWith(TCustomDAConnection* connection) {
  connection->RegisterClient(this, classlib::TConnectChangeEvent(this, &TCustomDADataSet::AssignConnection));
  registered_with_ = connection;
  std::unique_ptr<TData> fresh = connection->CreateIRecordSet();
  if (!record_set_ || fresh->ClassName() != record_set_->ClassName()) SetIRecordSet(std::move(fresh));
  record_set_->SetConnection(connection->IConnection());
  SettleDirectTextRules();
}

void TCustomDADataSet::CheckConnection() const {
  if (!GetUsedConnection()) classlib::DatabaseError(SConnectionNotDefined, this);
}

void TCustomDADataSet::BeginConnection(bool counted) {
  CheckConnection();
  TCustomDAConnection* connection = GetUsedConnection();
  if (counted) connection->InternalConnect();
  else if (!connection->Connected()) connection->SetConnected(true);
  if (registered_with_ != connection) {
    if (registered_with_) registered_with_->UnRegisterClient(this);
    RegisterWith(connection);
  }
  if (record_set_->GetCommand()->GetConnection() != connection->IConnection()) {
    record_set_->SetConnection(connection->IConnection());
    // Another connection may expand line ends where the former did not.
    SettleDirectTextRules();
  }
}

void TCustomDADataSet::EndConnection() {
  if (TCustomDAConnection* connection = GetUsedConnection()) connection->InternalDisconnect();
}

// The connection has cleared its use count already: the data set lets go of
// its cursor and statement without giving uses back.
void TCustomDADataSet::AssignConnection(classlib::TObject* /*sender*/, bool connecting) {
  TCustomDAConnection* connection = GetUsedConnection();
  if (connecting) {
    classlib::Assert(record_set_ != nullptr, __FILE__, __LINE__, "record set is not assigned");
    classlib::Assert(connection != nullptr && connection->IConnection() != nullptr, __FILE__, __LINE__,
                     "connection is not assigned");
    record_set_->SetConnection(connection->IConnection());
    return;
  }
  if (connection && connection->Options().DisconnectedMode()) {
    // The rows stay; only the server's cursor goes.
    if (record_set_ && record_set_->Prepared() && !Active()) record_set_->FreeResult();
    cursor_holds_connection_ = false;
    return;
  }
  Disconnect();
}

void TCustomDADataSet::Disconnect() {
  cursor_holds_connection_ = false;
  prepared_holds_connection_ = false;
  SetActive(false);
  if (record_set_ && record_set_->Prepared()) TMemDataSet::UnPrepare();
  FieldDefs().SetUpdated(false);
}

void TCustomDADataSet::SetDriverConnection(TCRConnection* connection) {
  if (record_set_) record_set_->SetConnection(connection);
}

// ---- What the connection asks ---------------------------------------------------------

// Prepared by the user: the record set an open prepares for itself belongs to
// the cursor, whose state the connection asks about apart; counted as
// prepared, every open data set would refuse any reconnect.
bool TCustomDADataSet::RecordSetPrepared() const {
  return prepared_holds_connection_ && record_set_ && record_set_->Prepared();
}

bool TCustomDADataSet::RecordSetFetching() const {
  return record_set_ && record_set_->IsFetching() && !record_set_->FetchDone();
}

bool TCustomDADataSet::CommandFinished() const { return !record_set_ || record_set_->IsCommandIdle(); }

bool TCustomDADataSet::Executing() const {
  TCRCommand* command = ICommand();
  if (!command) return false;
  classlib::Variant executing;
  command->GetProp(prCommandProp24, executing);
  return executing.AsBoolean();
}

// The apply may run again after a lost connection only when nothing of a
// user's transaction would be lost with it.
void TCustomDADataSet::ApplyUpdates() {
  CheckConnection();
  TCustomDAConnection* connection = GetUsedConnection();
  const bool may_fail_over = !connection->InTransaction() && !auto_commit_;
  connection->PushOperation(clApply, may_fail_over);
  // A batch holds only rows of this apply; rows a failed apply collected
  // are collected again by the next one.
  ClearBatch();
  try {
    TMemDataSet::ApplyUpdates();
    // Rows an OnUpdateRecord answer resolved before the batch filled.
    FlushBatch();
  } catch (...) {
    ClearBatch();
    connection->PopOperation();
    throw;
  }
  connection->PopOperation();
}

}  // namespace dacore
