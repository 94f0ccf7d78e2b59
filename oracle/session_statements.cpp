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
#include "oracle/session_bind_names.h"
#include "oracle/session_ora_session.h"
#include "oracle/trace_ora_sql_monitor.h"

namespace oracle {

namespace {

constexpr const char* kConnectionClosed = "Operation is not allowed when the connection is closed";
constexpr const char* kCurrentSchemaBlock = "begin  :Result := SYS_CONTEXT ('USERENV', 'CURRENT_SCHEMA');end;";
// What an output text can hold: the longest VARCHAR2 and its zero.
constexpr int kOutputTextSize = 4001;

// A given value becomes an integer or a text placeholder; every placeholder
// is also read back, so an output or in/out one answers its value.
TSessionParam ParamOf(const std::string& name, const classlib::Variant* value) {
  TSessionParam param;
  param.Name = name;
  param.IsOutput = true;
  param.Size = kOutputTextSize;
  if (!value || classlib::VarIsNull(*value) || classlib::VarIsEmpty(*value)) return param;
  param.IsNull = false;
  if (classlib::VarIsOrdinal(*value)) {
    param.IsInteger = true;
    param.Integer = value->AsInteger();
    param.Size = sizeof(int32_t);
  } else {
    param.Text = value->AsString();
    param.Size = std::max(kOutputTextSize, static_cast<int>(param.Text.size()) + 1);
  }
  return param;
}

classlib::Variant ValueOf(const TSessionParam& param) {
  if (param.IsNull) return classlib::Null();
  if (param.IsInteger) return classlib::Variant(param.Integer);
  return classlib::Variant(param.Text);
}

}  // namespace

void TOraSession::CheckSessionConnected() const {
  if (!Connected()) RaiseOraException(kConnectionClosed);
}

// ---- Statements -------------------------------------------------------------------------

// A statement of the session's own: it connects for the call when needed
// (and closes again in disconnected mode) and commits when AutoCommit holds
// outside a transaction, as a statement component would.
classlib::Variant TOraSession::ExecSQL(const std::string& text, const std::vector<classlib::Variant>& params) {
  return RunSQL(text, params, true);
}

classlib::Variant TOraSession::RunSQL(const std::string& text, const std::vector<classlib::Variant>& params,
                                      bool commit) {
  const std::vector<std::string> names = BindNamesOf(text);
  std::vector<TSessionParam> bound;
  for (size_t i = 0; i < names.size(); ++i) bound.push_back(ParamOf(names[i], i < params.size() ? &params[i] : nullptr));
  InternalConnect();
  try {
    TOCIConnection& connection = *OCIConnection();
    connection.Command().Execute(text, bound);
    if (commit && connection.AutoCommit) connection.Commit();
  } catch (...) {
    InternalDisconnect();
    throw;
  }
  InternalDisconnect();
  for (const TSessionParam& param : bound)
    if (classlib::SameText(param.Name, ":Result")) return ValueOf(param);
  return classlib::Unassigned();
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
  ExecSQL("ALTER SESSION SET OPTIMIZER_MODE = " + OptimizerModeName(mode));
}

// ---- Schema -----------------------------------------------------------------------------

std::string TOraSession::DefaultSchema() const {
  return connect_mode_ == cmSysOper || connect_mode_ == cmSysDBA ? "SYS" : Username();
}

void TOraSession::SetCurrentSchema(const std::string& name) {
  if (OCILite) RaiseOraException(messages::kSchemaLite);
  CheckSessionConnected();
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
  if (kept_transaction_id_.empty()) return false;
  if (GetTransactionID() == kept_transaction_id_) return true;
  kept_transaction_id_.clear();
  IConnection()->SetProp(dacore::prAutoCommit, AutoCommit());
  return false;
}

}  // namespace oracle
