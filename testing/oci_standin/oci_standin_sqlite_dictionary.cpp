// The SQLite tier's server side beside the tables: the functions that stand
// for what the layer writes (SYSDATE, USER, ROWID, sequences, empty LOBs), the
// objects SQLite does not keep (sequences, procedures) in a side table, and
// the data dictionary as temporary views of each connection, so that the
// tables a script creates show up under upper-cased names.
#include <sqlite3.h>

#include <ctime>
#include <map>

#include "testing/oci_standin/oci_standin_sqlite.h"
#include "testing/oci_standin/oci_standin_state.h"

namespace standin {

namespace {

// The side table of sequences and procedures, kept in the file itself.
constexpr const char* kObjectsTable =
    "CREATE TABLE IF NOT EXISTS standin_objects (name TEXT PRIMARY KEY, type TEXT NOT NULL, "
    "value INTEGER NOT NULL DEFAULT 0, increment INTEGER NOT NULL DEFAULT 1)";

void SysDate(sqlite3_context* context, int, sqlite3_value**) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  sqlite3_result_text(context, text, -1, SQLITE_TRANSIENT);
}

void Rowid(sqlite3_context* context, int, sqlite3_value** args) {
  if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(context);
  const std::string text = TierRowidText(sqlite3_value_int64(args[0]));
  sqlite3_result_text(context, text.c_str(), -1, SQLITE_TRANSIENT);
}

// The session's user, as the pseudo-column USER gives it.
void User(sqlite3_context* context, int, sqlite3_value**) {
  sqlite3_result_text(context, static_cast<const std::string*>(sqlite3_user_data(context))->c_str(), -1,
                      SQLITE_TRANSIENT);
}

void EmptyBlob(sqlite3_context* context, int, sqlite3_value**) { sqlite3_result_zeroblob(context, 0); }
void EmptyClob(sqlite3_context* context, int, sqlite3_value**) { sqlite3_result_text(context, "", 0, SQLITE_STATIC); }

// The values a session took from its sequences (CURRVAL), by name.
using SessionSequences = std::map<std::string, sqlite3_int64>;

void NextVal(sqlite3_context* context, int, sqlite3_value** args) {
  const auto* name = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
  sqlite3* db = sqlite3_context_db_handle(context);
  sqlite3_stmt* step = nullptr;
  sqlite3_prepare_v2(db,
                     "UPDATE standin_objects SET value = value + increment "
                     "WHERE name = ?1 AND type = 'SEQUENCE' RETURNING value",
                     -1, &step, nullptr);
  sqlite3_bind_text(step, 1, name ? name : "", -1, SQLITE_TRANSIENT);
  const bool found = sqlite3_step(step) == SQLITE_ROW;
  const sqlite3_int64 value = found ? sqlite3_column_int64(step, 0) : 0;
  sqlite3_finalize(step);
  if (!found) return sqlite3_result_error(context, "ORA-02289: sequence does not exist", -1);
  (*static_cast<SessionSequences*>(sqlite3_user_data(context)))[name] = value;
  sqlite3_result_int64(context, value);
}

void CurrVal(sqlite3_context* context, int, sqlite3_value** args) {
  const auto* name = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
  auto& taken = *static_cast<SessionSequences*>(sqlite3_user_data(context));
  auto found = taken.find(name ? name : "");
  if (found == taken.end())
    return sqlite3_result_error(context, "ORA-08002: sequence is not yet defined in this session", -1);
  sqlite3_result_int64(context, found->second);
}

// The tables of the file: not SQLite's own, not the side table.
constexpr const char* kTables =
    "(SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
    "AND name <> 'standin_objects')";

std::string Views(const std::string& user) {
  const std::string owner = "'" + user + "'";
  const std::string tables = std::string("SELECT ") + owner + " AS OWNER, upper(name) AS TABLE_NAME, " +
                             "'VALID' AS STATUS FROM " + kTables;
  const std::string columns =
      std::string("SELECT ") + owner + " AS OWNER, upper(t.name) AS TABLE_NAME, upper(c.name) AS COLUMN_NAME, " +
      "upper(CASE WHEN instr(c.type, '(') > 0 THEN substr(c.type, 1, instr(c.type, '(') - 1) ELSE c.type END) "
      "AS DATA_TYPE, CASE c.\"notnull\" WHEN 0 THEN 'Y' ELSE 'N' END AS NULLABLE, c.cid + 1 AS COLUMN_ID, "
      "c.dflt_value AS DATA_DEFAULT FROM " + kTables + " t, pragma_table_info(t.name) c";
  // A primary key is named PK_<table>; a UNIQUE constraint by SQLite's index.
  const std::string constraints =
      std::string("SELECT ") + owner + " AS OWNER, 'PK_' || upper(t.name) AS CONSTRAINT_NAME, 'P' AS CONSTRAINT_TYPE, " +
      "upper(t.name) AS TABLE_NAME FROM " + kTables + " t WHERE EXISTS (SELECT 1 FROM pragma_table_info(t.name) "
      "WHERE pk > 0) UNION ALL SELECT " + owner + ", upper(i.name), 'U', upper(t.name) FROM " + kTables +
      " t, pragma_index_list(t.name) i WHERE i.\"unique\" = 1 AND i.origin = 'u'";
  const std::string cons_columns =
      std::string("SELECT ") + owner + " AS OWNER, 'PK_' || upper(t.name) AS CONSTRAINT_NAME, upper(t.name) AS " +
      "TABLE_NAME, upper(c.name) AS COLUMN_NAME, c.pk AS POSITION FROM " + kTables +
      " t, pragma_table_info(t.name) c WHERE c.pk > 0 UNION ALL SELECT " + owner + ", upper(i.name), "
      "upper(t.name), upper(k.name), k.seqno + 1 FROM " + kTables + " t, pragma_index_list(t.name) i, "
      "pragma_index_info(i.name) k WHERE i.\"unique\" = 1 AND i.origin = 'u'";
  const std::string objects =
      std::string("SELECT ") + owner + " AS OWNER, upper(name) AS OBJECT_NAME, upper(type) AS OBJECT_TYPE, " +
      "'VALID' AS STATUS FROM sqlite_master WHERE type IN ('table', 'view', 'index', 'trigger') AND name NOT LIKE 'sqlite_%' "
      "AND name <> 'standin_objects' UNION ALL SELECT " + owner + ", name, type, 'VALID' FROM standin_objects";
  const std::string sequences =
      "SELECT " + owner + " AS SEQUENCE_OWNER, name AS SEQUENCE_NAME, increment AS INCREMENT_BY, "
      "value AS LAST_NUMBER FROM standin_objects WHERE type = 'SEQUENCE'";
  std::string script = "CREATE TEMP VIEW DUAL AS SELECT 'X' AS DUMMY;";
  auto view = [&script](const std::string& name, const std::string& body) {
    script += "CREATE TEMP VIEW " + name + " AS " + body + ";";
  };
  for (const char* prefix : {"USER", "ALL"}) {
    const std::string p = prefix;
    view(p + "_ALL_TABLES", tables);
    view(p + "_TABLES", tables);
    view(p + "_TAB_COLUMNS", columns);
    view(p + "_CONSTRAINTS", constraints);
    view(p + "_CONS_COLUMNS", cons_columns);
    view(p + "_OBJECTS", objects);
    view(p + "_SEQUENCES", sequences);
  }
  return script;
}

}  // namespace

// Prepares a new connection of a session: the side table, the functions
// and the dictionary; answers the SQLite error text, empty on success.
std::string PrepareTierConnection(sqlite3* db, const std::string& user) {
  auto* taken = new SessionSequences;
  sqlite3_create_function_v2(db, "ora_nextval", 1, SQLITE_UTF8, taken, NextVal, nullptr, nullptr,
                             [](void* p) { delete static_cast<SessionSequences*>(p); });
  sqlite3_create_function_v2(db, "ora_currval", 1, SQLITE_UTF8, taken, CurrVal, nullptr, nullptr, nullptr);
  sqlite3_create_function(db, "ora_sysdate", 0, SQLITE_UTF8, nullptr, SysDate, nullptr, nullptr);
  sqlite3_create_function_v2(db, "ora_user", 0, SQLITE_UTF8 | SQLITE_DETERMINISTIC, new std::string(user), User,
                             nullptr, nullptr, [](void* p) { delete static_cast<std::string*>(p); });
  sqlite3_create_function(db, "ora_rowid", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, Rowid, nullptr, nullptr);
  sqlite3_create_function(db, "EMPTY_BLOB", 0, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, EmptyBlob, nullptr,
                          nullptr);
  sqlite3_create_function(db, "EMPTY_CLOB", 0, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, EmptyClob, nullptr,
                          nullptr);
  const std::string script = std::string("PRAGMA journal_mode = WAL;") + kObjectsTable + ";" + Views(user);
  char* error = nullptr;
  if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return "";
  std::string text = error ? error : "cannot prepare the file";
  sqlite3_free(error);
  return text;
}

}  // namespace standin
