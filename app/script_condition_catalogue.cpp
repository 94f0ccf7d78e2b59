#include "app/script_condition_catalogue.h"

#include "app/script_condition.h"

namespace app {

namespace {

// One row of the table of conditions: the object kind's tests on Firebird,
// SQL Server and Oracle. "%1" and "%2" stand for the arguments as literals.
struct TConditionRow {
  const char* name;
  TConditionQuery firebird;
  TConditionQuery mssql;
  TConditionQuery oracle;
};

using T = TConditionTest;

const TConditionRow kConditions[] = {
    {"EXIST_TABLE",
     {T::Tables, ""},
     {T::Tables, ""},
     {T::HasRow,
      "select tabs.table_name from user_All_tables tabs where UPPER(tabs.table_name)=%1"}},
    {"EXIST_FIELD",
     {T::Fields, ""},
     {T::Fields, ""},
     {T::Count,
      "SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE TABLE_NAME = %1 AND COLUMN_NAME = %2"}},
    {"EXIST_VIEW",
     {T::Count,
      "SELECT COUNT(*) FROM RDB$RELATIONS R WHERE (R.RDB$VIEW_SOURCE IS NOT NULL) AND "
      "(R.RDB$RELATION_NAME=%1)"},
     {T::Count, "SELECT COUNT(*) FROM sysobjects WHERE type = 'V' AND category = 0 AND name = %1"},
     {T::Count, "SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'VIEW' AND OBJECT_NAME=%1"}},
    {"EXIST_PRC",
     {T::Count, "SELECT COUNT(*) FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME=%1"},
     {T::Count, "SELECT COUNT(*) FROM sysobjects WHERE type = 'P' AND category = 0 AND name = %1"},
     {T::Count,
      "SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'PROCEDURE' AND OBJECT_NAME=%1"}},
    {"EXIST_TRIGGER",
     {T::Count,
      "SELECT COUNT(*) FROM RDB$TRIGGERS T LEFT JOIN RDB$CHECK_CONSTRAINTS C ON "
      "C.RDB$TRIGGER_NAME = T.RDB$TRIGGER_NAME WHERE ((T.RDB$SYSTEM_FLAG = 0) or "
      "(T.RDB$SYSTEM_FLAG is null)) AND (C.RDB$TRIGGER_NAME IS NULL) AND (T.RDB$TRIGGER_NAME=%1)"},
     {T::Count,
      "SELECT COUNT(*) FROM sysobjects WHERE type = 'TR' AND category = 0 AND name = %1"},
     {T::Count,
      "SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'TRIGGER' AND OBJECT_NAME=%1"}},
    {"EXIST_GENERATOR",
     {T::Count,
      "SELECT COUNT(*) FROM RDB$GENERATORS WHERE (RDB$GENERATOR_NAME = %1) AND "
      "((RDB$SYSTEM_FLAG IS NULL) OR (RDB$SYSTEM_FLAG <> 1))"},
     {T::Never, ""},
     {T::Count,
      "SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'SEQUENCE' AND OBJECT_NAME=%1"}},
    {"EXIST_INDEX",
     {T::Count, "SELECT COUNT(*) FROM RDB$INDICES WHERE RDB$INDEX_NAME=%1"},
     {T::Count, "SELECT COUNT(*) FROM sysindexes WHERE name = %1"},
     {T::Count,
      "SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'INDEX' AND OBJECT_NAME=%1"}},
};

// Puts the literals in place. Done in one pass, so a "%2" inside the first
// argument's value is not replaced again.
std::string FillIn(const std::string& pattern, const std::string& first,
                   const std::string& second) {
  std::string text;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() &&
        (pattern[i + 1] == '1' || pattern[i + 1] == '2')) {
      text += SqlLiteral(pattern[i + 1] == '1' ? first : second);
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

const TConditionQuery& ForServer(const TConditionRow& row, TScriptServer server) {
  switch (server) {
    case TScriptServer::Firebird:
      return row.firebird;
    case TScriptServer::MsSql:
      return row.mssql;
    case TScriptServer::Oracle:
      break;
  }
  return row.oracle;
}

}  // namespace

TConditionQuery ConditionQuery(TScriptServer server, const std::string& name,
                               const std::string& first, const std::string& second) {
  for (const TConditionRow& row : kConditions) {
    if (name != row.name) continue;
    TConditionQuery query = ForServer(row, server);
    if (!query.sql.empty()) query.sql = FillIn(query.sql, first, second);
    return query;
  }
  return {};
}

}  // namespace app
