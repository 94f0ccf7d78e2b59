#include "app/version_record.h"

#include "app/ado_connection.h"
#include "app/ado_query.h"
#include "app/details_log.h"
#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "fib/zod/zod_database.h"
#include "oracle/session_ora_session.h"

namespace app {

namespace {

const char kColumns[] = "INSERT INTO BO_VERSION (ID, BDVERSION, UPDATEUSER, UPDATEDATE,UPDATELOG) ";

std::string ServerClock(const std::string& db_type) {
  if (db_type == kOracle) return "SYSDATE";
  if (db_type == kMsSql) return "GETDATE()";
  return "CAST('NOW' AS TIMESTAMP)";
}

std::string Values(int32_t id, const std::string& version, const std::string& user,
                   const std::string& clock) {
  return "VALUES (" + std::to_string(id) + ", " + classlib::QuotedStr(version) + ", " +
         classlib::QuotedStr(user) + ", " + clock + ", NULL)";
}

std::string MessageOf(const std::exception& error) {
  if (const auto* e = dynamic_cast<const classlib::Exception*>(&error)) return e->Message();
  return error.what();
}

void OpenNativeConnection(const TScriptComponents& c) {
  if ((DBType == kFirebird || DBType == kInterBase) && c.zodDB && !c.zodDB->Connected())
    c.zodDB->Connect();
  if (DBType == kMsSql && c.conLX && !c.conLX->Connected()) c.conLX->Open();
  if (DBType == kOracle && c.oraSession && !c.oraSession->Connected()) c.oraSession->Open();
}

void ExecuteOnQuery(TADOQuery& query, const std::string& sql) {
  query.Close();
  query.SQL().SetText(sql);
  query.ExecSQL();
}

// Runs the statement(s) for DBType; `tried` is the text that ran last.
void ExecuteVersionInsert(const TScriptComponents& c, std::string& tried) {
  if (DBType == kMsSql) {
    if (c.qLX == nullptr) throw EScriptConnectionError("no MSSQL query component");
    tried = VersionIdentityInsertBatch(NextVersionId, ResultVersion, LoginUserName);
    try {
      ExecuteOnQuery(*c.qLX, tried);
      return;
    } catch (const std::exception&) {
      // A version table without an identity column rejects the batch.
    }
    tried = VersionInsertStatement(DBType, NextVersionId, ResultVersion, LoginUserName) + ";";
    ExecuteOnQuery(*c.qLX, tried);
    return;
  }
  tried = VersionInsertStatement(DBType, NextVersionId, ResultVersion, LoginUserName);
  // The script connection sets the statement up to start and commit its
  // own transaction.
  NativeScriptConnection(DBType, c)->Execute(tried);
}

}  // namespace

std::string VersionInsertStatement(const std::string& db_type, int32_t id,
                                   const std::string& version, const std::string& user) {
  return kColumns + Values(id, version, user, ServerClock(db_type));
}

std::string VersionIdentityInsertBatch(int32_t id, const std::string& version,
                                       const std::string& user) {
  return "SET IDENTITY_INSERT BO_VERSION ON;\r\n" +
         VersionInsertStatement(kMsSql, id, version, user) +
         ";\r\nSET IDENTITY_INSERT BO_VERSION OFF;\r\n";
}

bool WriteVersionRecord(IProgressView& view, const TScriptComponents& components) {
  std::string tried;
  try {
    OpenNativeConnection(components);
    if (AlwaysUpdateDB) return true;
    ExecuteVersionInsert(components, tried);
    return true;
  } catch (const std::exception& error) {
    AddDetailsLog(view, "",
                  classlib::Utf8ToCp1251("Не удалось записать информацию о версии") + "\r\n" +
                      MessageOf(error) + "\r\n" + tried,
                  "");
    return false;
  }
}

}  // namespace app
