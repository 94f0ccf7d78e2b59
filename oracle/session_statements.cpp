// TOraSession: statements run for the application and for itself (the
// current schema, the optimizer mode, savepoints), and the local
// transaction's identifier that tells whether the server still holds the
// transaction this session started.
#include <algorithm>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "oracle/call_state.h"
#include "oracle/conn_session_command.h"
#include "oracle/error_messages.h"
#include "oracle/error_raise.h"
#include "oracle/gtx_global_transaction.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"
#include "oracle/trace_ora_sql_monitor.h"

namespace oracle {

namespace {

constexpr const char* kConnectionClosed = "Operation is not allowed when the connection is closed";
constexpr const char* kCurrentSchemaBlock = "begin  :Result := SYS_CONTEXT ('USERENV', 'CURRENT_SCHEMA');end;";

}  // namespace

void TOraSession::CheckSessionConnected() const {
  if (!Connected()) RaiseOraException(kConnectionClosed);
}

// ---- Statements -------------------------------------------------------------------------

// A statement of the session's own statement component: it connects for
// the call when needed (and closes again in disconnected mode) and commits
// when AutoCommit holds outside a transaction, as a statement component
// would.
classlib::Variant TOraSession::ExecSQL(const std::string& text, const std::vector<classlib::Variant>& params) {
  return RunSQL(text, params, true);
}

TOraSQL& TOraSession::GetOraSQL() {
  if (!ora_sql_) {
    ora_sql_ = std::make_unique<TOraSQL>();
    ora_sql_->SetSession(this);
    ora_sql_->SetDebug(debug_);
  }
  return *ora_sql_;
}

void TOraSession::SetDebug(bool value) {
  debug_ = value;
  if (ora_sql_) ora_sql_->SetDebug(value);
}

// Each placeholder takes the type of its value, afresh for every call: a
// date goes as a DATE, a 64-bit integer as a NUMBER, a float as a double,
// bytes as binary data; one without a value binds as a null text.
classlib::Variant TOraSession::RunSQL(const std::string& text, const std::vector<classlib::Variant>& params,
                                      bool commit, int result_size) {
  TOraSQL& sql = GetOraSQL();
  sql.SetSQL(text);
  sql.SetAutoCommit(commit);
  for (int i = 0; i < sql.ParamCount(); ++i) {
    TOraParam* param = sql.Params().Items(i);
    param->SetDataType(classlib::ftUnknown);
    if (static_cast<size_t>(i) < params.size())
      param->SetValue(params[static_cast<size_t>(i)]);
    else
      param->Clear();
  }
  TOraParam* result = sql.Params().FindParam("Result");
  if (result && result->DataType() == classlib::ftUnknown) {
    result->SetDataType(classlib::ftString);
    result->SetSize(result_size);
  }
  sql.Execute();
  return result ? result->Value() : classlib::Unassigned();
}

void TOraSession::Savepoint(const std::string& name) {
  TOraSQLMonitor::NotifySavepoint(*this, name, false);
  RunSQL("SAVEPOINT " + name, {}, false);
}

void TOraSession::RollbackToSavepoint(const std::string& name) {
  TOraSQLMonitor::NotifySavepoint(*this, name, true);
  RunSQL("ROLLBACK TO SAVEPOINT " + name, {}, false);
}

// ---- Optimizer mode ---------------------------------------------------------------------

void TOraSession::ApplyOptimizerMode(TOptimizerMode mode) {
  if (mode == omDefault || !Connected()) return;
  // Servers before 9.0 know only the plain first-rows mode.
  if (mode >= omFirstRows1000 && mode <= omFirstRows1 && OCIConnection()->GetOracleVersion() < 9000)
    mode = omFirstRows;
  OCIConnection()->SessionSettingsChanged = true;
  ExecSQL("ALTER SESSION SET OPTIMIZER_MODE = " + OptimizerModeName(mode));
}

// ---- Schema -----------------------------------------------------------------------------

std::string TOraSession::DefaultSchema() const {
  return connect_mode_ == cmSysOper || connect_mode_ == cmSysDBA ? "SYS" : Username();
}

void TOraSession::SetCurrentSchema(const std::string& name) {
  if (OCILite) RaiseOraException(messages::kSchemaLite);
  CheckSessionConnected();
  OCIConnection()->SessionSettingsChanged = true;
  ExecSQL("ALTER SESSION SET CURRENT_SCHEMA = " + (name.empty() ? DefaultSchema() : name));
}

std::string TOraSession::CurrentSchema() {
  CheckSessionConnected();
  if (!OCILite && OCIConnection()->GetOracleVersion() >= 8100) return RunSQL(kCurrentSchemaBlock, {}, false).AsString();
  return schema_.empty() ? DefaultSchema() : schema_;
}

std::string TOraSession::Schema() {
  if (!Connected() || ComponentState().Contains(classlib::csDesigning)) return schema_;
  return CurrentSchema();
}

void TOraSession::SetSchema(const std::string& name) {
  if (name == schema_) return;
  if (Connected()) SetCurrentSchema(name);
  schema_ = name;
  cached_schema_ = name;
}

// ---- Transactions -----------------------------------------------------------------------

// Runs on the connection's own command, which never commits, so asking
// cannot end the transaction it asks about.
std::string TOraSession::ReadTransactionID(bool create) const {
  std::vector<TSessionParam> params{TSessionParam::OutputString(":result", 4000)};
  OCIConnection()->Command().Execute(std::string("begin") + "  :result := sys.dbms_transaction.local_transaction_id" +
                                         (create ? "(true)" : "") + "; " + "end;",
                                     params);
  return params[0].IsNull ? "" : params[0].Text;
}

// A connection found lost answers no transaction: asking it would fail, and
// the transaction went with it.
std::string TOraSession::GetTransactionID() const {
  if (!IConnection() || !IConnection()->GetConnected() || !IConnection()->IsValid) return "";
  return ReadTransactionID(false);
}

void TOraSession::StartTransaction() {
  TCustomDAConnection::StartTransaction();
  kept_transaction_id_ = ReadTransactionID(true);
}

// The server ends a transaction on its own (DDL, a commit inside a
// procedure); the identifier shows it, and the driver connection then goes
// back to the component's AutoCommit.
bool TOraSession::InTransaction() const {
  if (!IConnection()) return false;
  if (TOCIGlobalTransaction* global = OCIConnection()->GlobalTransaction()) return global->Active();
  if (!kept_transaction_id_.empty()) {
    if (GetTransactionID() == kept_transaction_id_) return true;
    kept_transaction_id_.clear();
    IConnection()->SetProp(dacore::prAutoCommit, AutoCommit());
  }
  return ImplicitTransactionOpen();
}

// Work a statement left uncommitted in disconnected mode: the statement
// recorded the server's identifier of the transaction it opened, and the
// session keeps its connection until that transaction ends, or the work
// would be lost with it.
bool TOraSession::ImplicitTransactionOpen() const {
  const std::string recorded = TransactionID();
  if (recorded.empty()) return false;
  if (GetTransactionID() == recorded) return true;
  const_cast<TOraSession*>(this)->SetTransactionID("");
  return false;
}

}  // namespace oracle
