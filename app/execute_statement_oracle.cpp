#include "app/execute_statement_oracle.h"

#include "classlib/field.h"
#include "classlib/fields.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"

namespace app {

TOracleScriptConnection::TOracleScriptConnection(oracle::TOraSession& session,
                                                 oracle::TOraQuery& query)
    : session_(session), query_(query) {
  query_.SetSession(&session_);
}

void TOracleScriptConnection::Reconnect() {
  if (session_.Connected()) session_.Close();
  session_.Open();
}

// A statement that returns rows leaves the query open on them; the next
// statement closes it first.
void TOracleScriptConnection::RunQuery(const std::string& sql) {
  query_.Close();
  query_.SQL().SetText(sql);
  query_.Execute();
}

void TOracleScriptConnection::Execute(const std::string& text) { RunQuery(text); }

int64_t TOracleScriptConnection::QueryCount(const std::string& sql) {
  RunQuery(sql);
  if (!query_.Active() || query_.Eof()) return 0;
  return query_.Fields()[0]->AsInteger();
}

bool TOracleScriptConnection::QueryHasRow(const std::string& sql) {
  RunQuery(sql);
  return query_.Active() && !query_.Eof();
}

std::string TOracleScriptConnection::QueryText() const {
  return query_.SQL().Text();
}

void TOracleScriptConnection::CloseQuery() { query_.Close(); }

}  // namespace app
