#include "app/execute_statement_firebird.h"

#include "classlib/strings.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/xsqlvar.h"
#include "fib/zod/zod_database.h"

namespace app {

TFirebirdScriptConnection::TFirebirdScriptConnection(fib::TpZODDatabase& database,
                                                     fib::TFIBTransaction& transaction,
                                                     fib::TFIBQuery& query)
    : database_(database), transaction_(transaction), query_(query) {
  query_.SetDatabase(&database_);
  query_.SetTransaction(&transaction_);
  query_.SetParamCheck(false);
  query_.SetOptions(fib::TpZODQueryOptions{fib::qoStartTransaction, fib::qoAutoCommit});
}

void TFirebirdScriptConnection::Reconnect() {
  if (database_.Connected()) {
    if (transaction_.Active()) transaction_.Commit();
    database_.Close();
  }
  database_.Connect();
}

void TFirebirdScriptConnection::RunQuery(const std::string& sql) {
  query_.Close();
  query_.SQL().SetText(sql);
  query_.ExecQuery();
}

void TFirebirdScriptConnection::Execute(const std::string& text) { RunQuery(text); }

void TFirebirdScriptConnection::Commit() {
  if (transaction_.Active()) transaction_.Commit();
}

// The statement commits after executing, which closes its cursor; the row
// fetched on execution stays in the column vector and the row counter tells
// whether there was one.
int64_t TFirebirdScriptConnection::QueryCount(const std::string& sql) {
  RunQuery(sql);
  if (query_.RecordCount() == 0 || query_.FieldCount() == 0) return 0;
  return query_.Fields(0).AsInt64();
}

bool TFirebirdScriptConnection::QueryHasRow(const std::string& sql) {
  RunQuery(sql);
  return query_.RecordCount() > 0;
}

// The database component reads the lists on its own internal transaction,
// so the statement keeps the text the last query left in it.
std::vector<std::string> TFirebirdScriptConnection::TableNames() {
  classlib::TStringList names;
  database_.GetTableNames(names, false);
  return NamesOf(names);
}

std::vector<std::string> TFirebirdScriptConnection::FieldNames(const std::string& table) {
  classlib::TStringList names;
  database_.GetFieldNames(table, names, false);
  return NamesOf(names);
}

std::string TFirebirdScriptConnection::QueryText() const { return query_.SQL().Text(); }

void TFirebirdScriptConnection::CloseQuery() { query_.Close(); }

}  // namespace app
