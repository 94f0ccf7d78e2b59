#include "app/execute_statement_firebird.h"

#include <memory>

#include "classlib/ansistr.h"
#include "fib/fib_database.h"
#include "fib/fib_query.h"
#include "fib/fib_transaction.h"
#include "fib/xsqlvar.h"

namespace app {

namespace {

// The catalogue texts the database component uses for its own table and
// field lists: user tables without views, stored columns without computed
// ones, in name and position order.
const char kTableNamesSql[] =
    "Select RDB$RELATION_NAME from RDB$RELATIONS where RDB$VIEW_BLR is NULL and "
    "RDB$SYSTEM_FLAG = 0 ORDER BY RDB$RELATION_NAME";
const char kFieldNamesSql[] =
    "Select R.RDB$FIELD_NAME  from  RDB$RELATION_FIELDS R join rdb$fields R2 on "
    "(R.RDB$FIELD_SOURCE = R2.RDB$FIELD_NAME) where R.RDB$RELATION_NAME = :TN AND "
    "R2.RDB$COMPUTED_SOURCE IS NULL ORDER BY R.RDB$FIELD_POSITION";

}  // namespace

TFirebirdScriptConnection::TFirebirdScriptConnection(fib::TFIBDatabase& database,
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

// The lists run on a statement of their own in the component's transaction,
// so the text of the window's statement stays what the last query left.
std::vector<std::string> TFirebirdScriptConnection::FirstColumn(const std::string& sql,
                                                                const std::string* table) {
  fib::TFIBQuery list_query(nullptr);
  list_query.SetDatabase(&database_);
  list_query.SetTransaction(&transaction_);
  list_query.SetOptions(fib::TpZODQueryOptions{fib::qoStartTransaction, fib::qoTrimCharFields});
  list_query.SQL().SetText(sql);
  if (table != nullptr) {
    const std::string name = database_.SQLDialect() == 1 ? classlib::UpperCase(*table) : *table;
    list_query.ParamByName("TN").SetAsString(name);
  }
  list_query.ExecQuery();
  std::vector<std::string> names;
  while (!list_query.Eof()) {
    names.push_back(classlib::TrimRight(list_query.Fields(0).AsString()));
    list_query.Next();
  }
  list_query.Close();
  if (transaction_.Active()) transaction_.Commit();
  return names;
}

std::vector<std::string> TFirebirdScriptConnection::TableNames() {
  return FirstColumn(kTableNamesSql, nullptr);
}

std::vector<std::string> TFirebirdScriptConnection::FieldNames(const std::string& table) {
  return FirstColumn(kFieldNamesSql, &table);
}

std::string TFirebirdScriptConnection::QueryText() const { return query_.SQL().Text(); }

void TFirebirdScriptConnection::CloseQuery() { query_.Close(); }

}  // namespace app
