#include "app/execute_statement_native.h"

#include "app/execute_statement_firebird.h"
#include "app/execute_statement_mssql.h"
#include "app/execute_statement_oracle.h"
#include "app/run_state.h"
#include "classlib/codepage.h"

namespace app {

namespace {

[[noreturn]] void Unavailable(const std::string& db_type, const char* why_utf8) {
  throw EScriptConnectionError(classlib::Utf8ToCp1251("Скрипты не могут быть выполнены для ") +
                               db_type + ": " + classlib::Utf8ToCp1251(why_utf8));
}

}  // namespace

std::unique_ptr<IScriptConnection> NativeScriptConnection(const std::string& db_type,
                                                          const TScriptComponents& c) {
  if (db_type == kFirebird || db_type == kInterBase) {
    if (c.zodDB == nullptr || c.zodTrans == nullptr || c.zodQ == nullptr)
      Unavailable(db_type, "нет компонентов соединения");
    return std::make_unique<TFirebirdScriptConnection>(*c.zodDB, *c.zodTrans, *c.zodQ);
  }
  if (db_type == kMsSql) {
    if (c.conLX == nullptr || c.qLX == nullptr || c.qEx == nullptr)
      Unavailable(db_type, "нет компонентов соединения");
    return std::make_unique<TSqlServerScriptConnection>(*c.conLX, *c.qLX, *c.qEx);
  }
  if (db_type == kOracle) {
    if (c.oraSession == nullptr || c.oraQ == nullptr)
      Unavailable(db_type, "нет компонентов соединения");
    return std::make_unique<TOracleScriptConnection>(*c.oraSession, *c.oraQ);
  }
  Unavailable(db_type, "неизвестный тип сервера");
}

}  // namespace app
