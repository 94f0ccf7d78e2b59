#include "app/prepare_update_native.h"

#include <optional>
#include <stdexcept>

#include "app/ado_connection.h"
#include "app/ado_query.h"
#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/variant.h"
#include "fib/statements/fib_database.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"

namespace app {

namespace {

// The release row: BDVERSION as text and ID, or nothing for an empty table.
struct TReleaseRow {
  std::string version;
  int32_t id = 0;
};

std::optional<TReleaseRow> ReadFirebirdRelease(fib::TFIBDatabase* db) {
  if (db == nullptr) throw std::runtime_error("no Firebird connection component");
  std::string location;
  if (!ConnectionStringValue(ProductConnectionString, "LOCATION=", location))
    throw std::runtime_error("the connection string names no Location");
  if (db->Connected()) db->Close();
  db->DBParams().SetText("user_name=" + SqlUserName + "\r\npassword=" + SqlPassword +
                         "\r\nlc_ctype=WIN1251");
  db->SetDBName(location);
  db->Connect();
  const classlib::Variant row = db->QueryValue(kReleaseQuery, -1);
  if (!classlib::VarIsArray(row)) return std::nullopt;
  return TReleaseRow{classlib::VarArrayGet(row, {0}).AsString(),
                     classlib::VarArrayGet(row, {1}).AsInteger()};
}

std::optional<TReleaseRow> ReadSqlServerRelease(TADOConnection* connection) {
  if (connection == nullptr) throw std::runtime_error("no SQL Server connection component");
  if (connection->Connected()) connection->Close();
  connection->SetConnectionString(ProductConnectionString);
  connection->Open();
  TADOQuery query(nullptr);
  query.SetConnection(connection);
  query.SQL().SetText(kReleaseQuery);
  query.Open();
  std::optional<TReleaseRow> row;
  if (!query.IsEmpty()) row = TReleaseRow{query.Fields(0).AsString(), query.Fields(1).AsInteger()};
  query.Close();
  return row;
}

// The server is the product connection's "Data Source", the account the
// stored one; the query is left closed and the session open.
std::optional<TReleaseRow> ReadOracleRelease(oracle::TOraSession* session, oracle::TOraQuery* query) {
  if (session == nullptr || query == nullptr)
    throw std::runtime_error("no Oracle connection component");
  std::string server;
  if (!ConnectionStringValue(ProductConnectionString, "DATA SOURCE=", server))
    throw std::runtime_error("the connection string names no Data Source");
  if (session->Connected()) session->Close();
  session->SetUsername(SqlUserName);
  session->SetPassword(SqlPassword);
  session->SetServer(server);
  session->Open();
  query->SetSession(session);
  query->Close();
  query->SQL().SetText(kReleaseQuery);
  query->Execute();
  std::optional<TReleaseRow> row;
  if (query->Active() && !query->Eof())
    row = TReleaseRow{query->Fields()[0]->AsString(), query->Fields()[1]->AsInteger()};
  query->Close();
  return row;
}

std::optional<TReleaseRow> ReadRelease(const TNativeConnections& connections) {
  if (DBType == kFirebird || DBType == kInterBase) return ReadFirebirdRelease(connections.zodDB);
  if (DBType == kOracle) return ReadOracleRelease(connections.oraSession, connections.oraQ);
  return ReadSqlServerRelease(connections.conLX);
}

}  // namespace

std::string UnknownReleaseText() { return classlib::Utf8ToCp1251("не определена"); }

bool ConnectionStringValue(const std::string& text, const std::string& name_with_equals,
                           std::string& value) {
  const std::string upper = classlib::UpperCase(text);
  const auto found = upper.find(classlib::UpperCase(name_with_equals));
  if (found == std::string::npos) return false;
  const auto start = found + name_with_equals.size();
  if (start < text.size() && text[start] == '"') {
    const auto close = text.find('"', start + 1);
    if (close != std::string::npos) {
      value = text.substr(start + 1, close - start - 1);
      return true;
    }
  }
  const auto end = text.find(';', start);
  value = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  return true;
}

void ReadDatabaseRelease(const TNativeConnections& connections) {
  try {
    const std::optional<TReleaseRow> row = ReadRelease(connections);
    if (row) {
      CurrentDBVersion = row->version;
      NextVersionId = row->id + 1;
    } else {
      CurrentDBVersion = StartVersions;
      NextVersionId = 1;
    }
  } catch (const std::exception&) {
    CurrentDBVersion = UnknownReleaseText();
    NextVersionId = 0;
  }
}

}  // namespace app
