#include "app/execute_statement_mssql.h"

#include "app/ado_command.h"
#include "app/ado_connection.h"
#include "app/ado_field.h"
#include "app/ado_query.h"
#include "classlib/strings.h"

namespace app {

TSqlServerScriptConnection::TSqlServerScriptConnection(TADOConnection& connection,
                                                       TADOQuery& query, TADOCommand& command)
    : connection_(connection), query_(query), command_(command) {
  query_.SetConnection(&connection_);
  command_.SetConnection(&connection_);
}

void TSqlServerScriptConnection::Reconnect() {
  if (connection_.Connected()) connection_.Close();
  connection_.Open();
}

void TSqlServerScriptConnection::Execute(const std::string& text) {
  command_.SetCommandText(text);
  command_.Execute();
}

void TSqlServerScriptConnection::LendTo(QThread* worker) {
  if (connection_.Connected()) connection_.MoveToThread(worker);
}

void TSqlServerScriptConnection::GiveBack(QThread* owner) {
  if (connection_.Connected()) connection_.MoveToThread(owner);
}

void TSqlServerScriptConnection::Commit() {
  if (connection_.InTransaction()) connection_.CommitTrans();
}

void TSqlServerScriptConnection::OpenQuery(const std::string& sql) {
  query_.Close();
  query_.SQL().SetText(sql);
  query_.Open();
}

int64_t TSqlServerScriptConnection::QueryCount(const std::string& sql) {
  OpenQuery(sql);
  if (query_.IsEmpty() || query_.FieldCount() == 0) return 0;
  return query_.Fields(0).AsInteger();
}

bool TSqlServerScriptConnection::QueryHasRow(const std::string& sql) {
  OpenQuery(sql);
  return !query_.IsEmpty();
}

std::vector<std::string> TSqlServerScriptConnection::TableNames() {
  classlib::TStringList list;
  connection_.GetTableNames(list, false);
  return NamesOf(list);
}

std::vector<std::string> TSqlServerScriptConnection::FieldNames(const std::string& table) {
  classlib::TStringList list;
  connection_.GetFieldNames(table, list);
  return NamesOf(list);
}

std::string TSqlServerScriptConnection::QueryText() const { return query_.SQL().Text(); }

void TSqlServerScriptConnection::CloseQuery() { query_.Close(); }

}  // namespace app
