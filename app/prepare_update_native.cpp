#include "app/prepare_update_native.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "app/admin_login_missing_table.h"
#include "app/ado_connection.h"
#include "app/ado_connection_errors.h"
#include "app/ado_provider.h"
#include "app/ado_query.h"
#include "app/run_state.h"
#include "app/val_list.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/variant.h"
#include "fib/base/errors.h"
#include "fib/statements/fib_database.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"

namespace app {

namespace {

// The release row: BDVERSION as text and ID, or nothing for an empty table.
std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

struct TReleaseRow {
  std::string version;
  int32_t id = 0;
};

// How far reading the release got: a failure before the query ran is the
// connection's, after it the query's.
enum class TReleaseStep { kConnecting, kQuerying };

std::optional<TReleaseRow> ReadFirebirdRelease(fib::TFIBDatabase* db, TReleaseStep& step) {
  if (db == nullptr) throw std::runtime_error("no Firebird connection component");
  std::string location;
  if (!ConnectionStringValue(ProductConnectionString, "LOCATION=", location))
    throw std::runtime_error("the connection string names no Location");
  if (db->Connected()) db->Close();
  db->DBParams().SetText("user_name=" + SqlUserName + "\r\npassword=" + SqlPassword +
                         "\r\nlc_ctype=WIN1251");
  db->SetDBName(location);
  db->Connect();
  step = TReleaseStep::kQuerying;
  const classlib::Variant row = db->QueryValue(kReleaseQuery, -1);
  if (!classlib::VarIsArray(row)) return std::nullopt;
  return TReleaseRow{classlib::VarArrayGet(row, {0}).AsString(),
                     classlib::VarArrayGet(row, {1}).AsInteger()};
}

std::optional<TReleaseRow> ReadSqlServerRelease(TADOConnection* connection, TReleaseStep& step) {
  if (connection == nullptr) throw std::runtime_error("no SQL Server connection component");
  if (connection->Connected()) connection->Close();
  connection->SetConnectionString(ProductConnectionString);
  connection->SetAccountOrigin(TAccountOrigin::kStored);
  connection->Open();
  step = TReleaseStep::kQuerying;
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
std::optional<TReleaseRow> ReadOracleRelease(oracle::TOraSession* session, oracle::TOraQuery* query,
                                             TReleaseStep& step) {
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
  step = TReleaseStep::kQuerying;
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

std::optional<TReleaseRow> ReadRelease(const TNativeConnections& connections, TReleaseStep& step) {
  if (DBType == kFirebird || DBType == kInterBase)
    return ReadFirebirdRelease(connections.zodDB, step);
  if (DBType == kOracle) return ReadOracleRelease(connections.oraSession, connections.oraQ, step);
  return ReadSqlServerRelease(connections.conLX, step);
}

// The server's own words of a failure: a Firebird error without the SQL
// message that stands before them.
std::vector<std::string> FailureMessages(const std::exception& error) {
  if (const auto* fib_error = dynamic_cast<const fib::EFIBError*>(&error);
      fib_error != nullptr && !fib_error->IBMessage().empty())
    return ConnectionErrorMessages(fib_error->IBMessage());
  if (const auto* e = dynamic_cast<const classlib::Exception*>(&error))
    return ConnectionErrorMessages(e->Message());
  return ConnectionErrorMessages(std::string(error.what()));
}

// Lines of a Firebird SQL error that say only what kind of error it is, or
// where in the statement: every such error begins with them.
bool SaysNothingOfTheCause(const std::string& line) {
  for (const char* start : {"Dynamic SQL Error", "SQL error code = ", "At line ", "At block line"})
    if (line.rfind(start, 0) == 0) return true;
  return false;
}

// What a failed query tells: for a Firebird error the lines that say what
// is wrong (the unknown column or table and its name, the missing rights)
// in the server's order; for the others their first message.
std::string QueryFailureWords(const std::exception& error,
                              const std::vector<std::string>& messages) {
  if (messages.empty()) return error.what();
  if (dynamic_cast<const fib::EFIBError*>(&error) == nullptr) return messages.front();
  std::string words;
  for (const std::string& line : messages)
    if (!SaysNothingOfTheCause(line)) words += (words.empty() ? "" : " ") + line;
  return words.empty() ? messages.front() : words;
}

// Why the connection failed: the known cause, and for a refused account
// also the server's refusal, which names the account (not a driver's
// "Unable to connect" before it); else the server's first words.
std::string ConnectionFailureWords(const std::exception& error,
                                   const std::vector<std::string>& messages) {
  TValList pairs;
  pairs.SetText(ProductConnectionString);
  const std::string advice =
      ConnectionFailureAdvice(pairs, MssqlOdbcDriver(), messages, TAccountOrigin::kStored);
  if (advice.empty()) return messages.empty() ? std::string(error.what()) : messages.front();
  for (const std::string& message : messages)
    if (SaysLoginRefused({message})) return advice + " " + message;
  return advice;
}

std::string ReleaseFailureText(TReleaseStep step, const std::exception& error) {
  const std::vector<std::string> messages = FailureMessages(error);
  std::string reason;
  if (step == TReleaseStep::kConnecting)
    reason = Ansi("нет соединения с базой данных: ") + ConnectionFailureWords(error, messages);
  else if (SaysTableMissing(messages, "BO_VERSION"))
    reason = Ansi("в базе данных нет таблицы BO_VERSION");
  else
    reason = Ansi("ошибка чтения таблицы BO_VERSION: ") + QueryFailureWords(error, messages);
  // One line: the status line shows it whole.
  std::replace(reason.begin(), reason.end(), '\r', ' ');
  std::replace(reason.begin(), reason.end(), '\n', ' ');
  return Ansi("Версия базы данных не определена, ") + reason;
}

}  // namespace

std::string UnknownReleaseText() { return classlib::Utf8ToCp1251("не определена"); }

bool ConnectionStringValue(const std::string& text, const std::string& name_with_equals,
                           std::string& value) {
  // The pairs as the page writes them: a quoted value may hold ";" and
  // doubled quotes, and another pair's value may hold the name itself.
  TValList pairs;
  pairs.SetText(text);
  std::string name = name_with_equals;
  if (!name.empty() && name.back() == '=') name.pop_back();
  const std::string wanted = classlib::UpperCase(classlib::Trim(name));
  for (std::size_t i = 0; i < pairs.Count(); ++i) {
    if (classlib::UpperCase(classlib::Trim(pairs.Items(i).Name())) != wanted) continue;
    value = pairs.Items(i).Value();
    return true;
  }
  return false;
}

void ReadDatabaseRelease(const TNativeConnections& connections) {
  TReleaseStep step = TReleaseStep::kConnecting;
  ReleaseReadFailure.clear();
  try {
    const std::optional<TReleaseRow> row = ReadRelease(connections, step);
    if (row) {
      CurrentDBVersion = row->version;
      NextVersionId = row->id + 1;
    } else {
      CurrentDBVersion = StartVersions;
      NextVersionId = 1;
    }
  } catch (const std::exception& error) {
    CurrentDBVersion = UnknownReleaseText();
    NextVersionId = 0;
    ReleaseReadFailure = ReleaseFailureText(step, error);
  }
}

}  // namespace app
