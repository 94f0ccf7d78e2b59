// TCustomDASQL: connection, driver command, text changes, running and the
// after-execute rule.
#include "dacore/sql_component.h"

#include "classlib/dataset.h"
#include "dacore/comp_connection.h"
#include "dacore/messages.h"
#include "dacore/store_hooks.h"
#include "dacore/trace_monitor.h"

namespace dacore {

namespace {
constexpr const char* kImplicitTransaction = "CRImplicitTransaction";
}  // namespace

bool KeepBaseSQL() { return false; }

void NoteImplicitTransaction(TCustomDAConnection* connection, bool auto_commit) {
  if (!connection || !connection->Options().DisconnectedMode() || !connection->Connected()) return;
  if ((!connection->AutoCommit() || !auto_commit) && !connection->InTransaction()) {
    connection->SetTransactionID(kImplicitTransaction);
    connection->SetTransactionID(connection->GetTransactionID());
  } else if (connection->AutoCommit() && auto_commit) {
    connection->SetTransactionID(connection->GetTransactionID());
  }
}

TCustomDASQL::TCustomDASQL(classlib::TComponent* owner, TDASQLOwner* data_set)
    : TComponent(owner), params_(nullptr), data_set_(data_set) {
  params_ = CreateParamsObject();
  TMacrosOwner* macros_owner = data_set ? data_set->OwnerMacros() : this;
  macros_ = std::make_unique<TMacros>(data_set ? data_set->OwnerComponent() : this, macros_owner);
  sql_.SetOnChange(classlib::TNotifyEvent(this, &TCustomDASQL::SQLChanged));
  design_ = ComponentState().Contains(classlib::csDesigning);
  trace_suppressed_ = data_set != nullptr;
}

TCustomDASQL::~TCustomDASQL() {
  try {
    UnPrepare();
  } catch (const std::exception&) {
    // A failing unprepare must not keep the component alive.
  }
  SetConnection(nullptr);
  LeaveDefaultConnection();
  sql_.SetOnChange({});
}

void TCustomDASQL::Loaded() {
  TComponent::Loaded();
  design_ = false;
}

// The connection is being destroyed: only the pointer may be compared, so
// the statement lets go without calling into it.
void TCustomDASQL::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != classlib::opRemove) return;
  if (component == default_connection_) default_connection_ = nullptr;
  else if (component == connection_) connection_ = nullptr;
  else return;
  if (command_) {
    command_->Unprepare();
    command_->SetConnection(nullptr);
  }
}

void TCustomDASQL::Assign(const classlib::TPersistent* source) {
  const auto* other = dynamic_cast<const TCustomDASQL*>(source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  SetConnection(other->connection_);
  SetParamCheck(other->param_check_);
  SetSQL(other->sql_.Text());
  macros_->Assign(other->macros_.get());
  params_->Assign(other->params_.get());
  debug_ = other->debug_;
  SetAutoCommit(other->auto_commit_);
}

// ---- Settings -------------------------------------------------------------------

void TCustomDASQL::SetSQL(const std::string& text) {
  classlib::TStringList lines;
  lines.SetText(text);
  if (lines.Text() == sql_.Text()) return;
  classlib::TStrings::Updating updating(sql_);
  sql_.SetText(text);
}

void TCustomDASQL::SetSQLText(const std::string& text, bool lock_params, bool lock_macros) {
  const bool saved_params = params_locked_;
  const bool saved_macros = scan_macros_off_;
  params_locked_ = params_locked_ || lock_params;
  scan_macros_off_ = scan_macros_off_ || lock_macros;
  if (command_) command_->SetProp(prCommandProp32, true);
  auto restore = [&] {
    params_locked_ = saved_params;
    scan_macros_off_ = saved_macros;
    if (command_) command_->SetProp(prCommandProp32, false);
  };
  try {
    SetSQL(text);
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TCustomDASQL::SetParamCheck(bool value) {
  param_check_ = value;
  const bool scan = value || design_;
  if (command_) command_->SetProp(prCommandProp11, scan);
  if (scan) ScanParams();
}

void TCustomDASQL::SetAutoCommit(bool value) {
  auto_commit_ = value;
  if (command_) command_->SetProp(prAutoCommit, value);
}

std::string TCustomDASQL::StatementFinalSQL() const {
  std::string text = sql_.Text();
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.pop_back();
  return macros_->Count() > 0 ? macros_->Expand(text) : text;
}

std::string TCustomDASQL::FinalSQL() { return data_set_ ? data_set_->OwnerFinalSQL() : StatementFinalSQL(); }

// ---- Connection and driver command ------------------------------------------------

void TCustomDASQL::SetConnection(TCustomDAConnection* connection) {
  if (connection == connection_) return;
  // Prepared through a default connection, the statement gives its use back there.
  if (connection_ || default_connection_) UnPrepare();
  if (connection_) {
    connection_->UnRegisterClient(this);
    connection_->RemoveFreeNotification(this);
  }
  LeaveDefaultConnection();
  connection_ = connection;
  if (!connection) {
    if (command_) command_->SetConnection(nullptr);
    return;
  }
  connection->FreeNotification(this);
  connection->RegisterClient(this, classlib::TConnectChangeEvent(this, &TCustomDASQL::ConnectChange));
  if (!data_set_ && !own_command_) CreateICommand();
  else if (command_) command_->SetConnection(connection->IConnection());
}

void TCustomDASQL::CreateICommand() {
  own_command_.reset();
  command_ = nullptr;
  if (!connection_) return;
  SetOwnICommand(connection_->CreateICommand());
}

void TCustomDASQL::SetOwnICommand(std::unique_ptr<TCRCommand> command) {
  own_command_ = std::move(command);
  SetICommand(own_command_.get());
}

void TCustomDASQL::SetICommand(TCRCommand* command) {
  command_ = command;
  if (!command) return;
  // A default connection reaches the command when the statement begins to
  // use it (BeginConnection): until then it may disconnect unheard.
  command->SetConnection(connection_ ? connection_->IConnection() : nullptr);
  command->SetProp(prAutoCommit, auto_commit_);
  command->OnAfterExecute = TCRCommand::TAfterExecuteProc(this, &TCustomDASQL::CommandAfterExecute);
  classlib::TComponent* component = this;
  if (data_set_) component = data_set_->OwnerComponent();
  else if (Owner() && Owner() == connection_) component = connection_;
  command->Component = component;
  // The text reaches the command with its markers rewritten, as a text
  // assigned later would.
  ScanParams();
}

void TCustomDASQL::SetDriverConnection(TCRConnection* connection) {
  if (command_) command_->SetConnection(connection);
}

void TCustomDASQL::BeginConnection(bool counted) {
  TCustomDAConnection* connection = GetUsedConnection();
  if (!connection) classlib::DatabaseError(SConnectionNotDefined, this);
  if (connection != connection_ && !data_set_) UseDefaultConnection(connection);
  if (counted) connection->InternalConnect();
  else if (!connection->Connected()) connection->SetConnected(true);
  if (command_ && command_->GetConnection() != connection->IConnection())
    command_->SetConnection(connection->IConnection());
}

// The use goes back to the connection that gave it, also when the default
// one has changed since. A data set's statement takes none: the data set
// counts its uses itself.
void TCustomDASQL::EndConnection() {
  TCustomDAConnection* connection = connection_ ? connection_ : default_connection_;
  if (connection) connection->InternalDisconnect();
}

// The statement hears of the connection's disconnects as its own
// connection's, and its driver command is of the class that connection makes.
void TCustomDASQL::UseDefaultConnection(TCustomDAConnection* connection) {
  if (connection == default_connection_) return;
  LeaveDefaultConnection();
  connection->FreeNotification(this);
  connection->RegisterClient(this, classlib::TConnectChangeEvent(this, &TCustomDASQL::ConnectChange));
  default_connection_ = connection;
  std::unique_ptr<TCRCommand> fresh = connection->CreateICommand();
  if (fresh && (!own_command_ || fresh->ClassName() != own_command_->ClassName())) SetOwnICommand(std::move(fresh));
}

void TCustomDASQL::LeaveDefaultConnection() {
  if (!default_connection_) return;
  default_connection_->UnRegisterClient(this);
  default_connection_->RemoveFreeNotification(this);
  default_connection_ = nullptr;
}

// The connection has set its use count to nothing already: only the driver
// statement goes.
void TCustomDASQL::ConnectChange(classlib::TObject* /*sender*/, bool connecting) {
  if (!connecting) Disconnect();
}

void TCustomDASQL::Disconnect() {
  if (Prepared()) InternalUnPrepare();
}

// ---- Text changes ------------------------------------------------------------------

void TCustomDASQL::SQLChanged(classlib::TObject* /*sender*/) {
  in_sql_changed_ = true;
  try {
    if (data_set_) data_set_->OwnerSQLChanged(KeepBaseSQL());
    else UnPrepare();
    if (!scan_macros_off_) ScanMacros();
    in_sql_changed_ = false;
  } catch (...) {
    in_sql_changed_ = false;
    throw;
  }
  if (pass_sql_through_) {
    final_sql_ = sql_.Text();
    if (command_) command_->SetSQL(final_sql_);
  } else {
    ScanParams();
  }
}

void TCustomDASQL::ScanMacros() {
  if (data_set_) data_set_->OwnerScanMacros();
  else macros_->Scan(sql_.Text());
}

// A changed macro changes the final text: the statement is prepared anew.
void TCustomDASQL::MacroChanged() {
  UnPrepare();
  ScanParams();
}

void TCustomDASQL::MacrosUpdated() {
  if (!in_sql_changed_) MacroChanged();
}

// ---- Running -----------------------------------------------------------------------

bool TCustomDASQL::Traced() const { return !trace_suppressed_ && (TCustomDASQLMonitor::HasMonitor() || debug_); }

bool TCustomDASQL::Prepared() const { return command_ && command_->GetPrepared(); }

bool TCustomDASQL::Executing() const {
  if (!command_) return false;
  classlib::Variant executing;
  command_->GetProp(prCommandProp24, executing);
  return executing.AsBoolean();
}

int TCustomDASQL::RowsAffected() const {
  if (!command_) return 0;
  classlib::Variant rows;
  command_->GetProp(prRowsProcessed, rows);
  return rows.AsInteger();
}

void TCustomDASQL::Prepare() {
  if (Prepared()) return;
  BeginConnection(true);
  try {
    uint32_t message_id = 0;
    if (Traced()) TCustomDASQLMonitor::NotifyPrepare(this, FinalSQL(), params_.get(), message_id, true);
    InternalPrepare();
    if (Traced()) TCustomDASQLMonitor::NotifyPrepare(this, FinalSQL(), params_.get(), message_id, false);
  } catch (...) {
    EndConnection();
    throw;
  }
}

void TCustomDASQL::UnPrepare() {
  if (!Prepared()) return;
  InternalUnPrepare();
  EndConnection();
}

void TCustomDASQL::InternalPrepare() {
  CLASSLIB_ASSERT(command_ != nullptr);
  command_->Prepare();
}

void TCustomDASQL::InternalUnPrepare() { command_->Unprepare(); }

void TCustomDASQL::Execute(int iters) {
  if (Executing()) return;
  BeginConnection(true);
  CLASSLIB_ASSERT(command_ != nullptr);
  uint32_t message_id = 0;
  const bool traced = Traced();
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, FinalSQL(), params_.get(), "", message_id, true);
  const bool waits = wait_hook_ && !non_blocking_;
  execution_reported_ = false;
  try {
    if (waits) StartWait();
    WriteParams(true);
    InternalExecute(iters);
  } catch (...) {
    if (waits) StopWait();
    // Failing before the driver reported (or with a driver that does not
    // report), the statement reports itself: the use taken above goes back.
    if (!execution_reported_) {
      try {
        CommandAfterExecute(false);
      } catch (const std::exception&) {
        // The execution's own error is the one to pass on.
      }
    }
    throw;
  }
  if (waits) StopWait();
  // A command still executing (in the background) reports its end itself.
  if (!execution_reported_ && !Executing()) CommandAfterExecute(true);
  if (traced) TCustomDASQLMonitor::NotifySQLExecute(this, FinalSQL(), params_.get(), "", message_id, false);
}

// A lost connection that the connection component restored asks for the
// statement to run again (the driver has compiled it anew on the new session).
// A larger operation that is to repeat (a whole apply, whose transaction went
// with the session) hears of it instead: this statement alone on the new
// session would leave the rows written before it lost.
void TCustomDASQL::InternalExecute(int iters) {
  TCustomDAConnection* connection = GetUsedConnection();
  connection->PushOperation(clExecute, true);
  try {
    for (;;) {
      try {
        command_->Execute(iters);
        break;
      } catch (const EFailOver& failover) {
        if (failover.ConnLostCause != clExecute) throw;
        execution_reported_ = false;
        WriteParams(true);
      }
    }
  } catch (...) {
    connection->PopOperation();
    throw;
  }
  connection->PopOperation();
}

// Called by the driver after every execution, failed ones too: it ends the
// counted connection that Execute began.
void TCustomDASQL::CommandAfterExecute(bool result) {
  execution_reported_ = true;
  if (result) ReadParamValues();
  if (wait_hook_ && non_blocking_) StopWait();
  NoteImplicitTransaction(GetUsedConnection(), auto_commit_);
  EndConnection();
  if (AfterExecute) AfterExecute(this, result);
}

}  // namespace dacore
