/* An SQLite extension for the SQL Server stand-in: GETDATE(), the server
   clock the updater's version row asks for, as local time text. The ODBC
   driver loads it when the connection string names it with LoadExt=. */
#include <sqlite3ext.h>
#include <time.h>

SQLITE_EXTENSION_INIT1

static void GetDate(sqlite3_context* context, int argc, sqlite3_value** argv) {
  (void)argc;
  (void)argv;
  time_t now = time(NULL);
  struct tm local;
  char text[32];
  localtime_r(&now, &local);
  strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  sqlite3_result_text(context, text, -1, SQLITE_TRANSIENT);
}

__attribute__((visibility("default"))) int sqlite3_extension_init(
    sqlite3* db, char** error, const sqlite3_api_routines* api) {
  (void)error;
  SQLITE_EXTENSION_INIT2(api);
  return sqlite3_create_function(db, "GETDATE", 0, SQLITE_UTF8, 0, GetDate, 0, 0);
}
