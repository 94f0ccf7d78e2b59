// The SQLite test driver's connection: session, transactions, errors.
#include "testing/sqlite_driver/sqlite_driver_connection.h"

namespace sqlite_driver {

TSQLiteConnection::TSQLiteConnection() {
  // Like the connection component's default: each statement commits.
  AutoCommit = true;
}

TSQLiteConnection::~TSQLiteConnection() { TSQLiteConnection::Disconnect(); }

// A pooled connection handed out again keeps its open session.
void TSQLiteConnection::Connect(const std::string& connect_string) {
  if (db_ && !killed_ && Connected) return;
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  killed_ = false;
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(Server.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close_v2(db);
    Connected = false;
    RaiseError(rc, message, nullptr);
    return;
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, BusyTimeout);
  db_ = db;
  Connected = true;
  TCRConnection::Connect(connect_string);
}

// Statements still open keep the session alive as a zombie until they are
// finalized; the connection lets go at once.
void TSQLiteConnection::Disconnect() {
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  killed_ = false;
  Connected = false;
}

// A server that drops a session rolls its transaction back; the engine would
// keep it (and its locks) while statements compiled on the session live.
void TSQLiteConnection::Kill() {
  if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
  killed_ = true;
}

// The error loop may have reconnected; without a session the error stands.
sqlite3* TSQLiteConnection::Handle(classlib::TComponent* component) {
  if (db_ && !killed_) return db_;
  const int code = killed_ ? kConnectionLost : SQLITE_MISUSE;
  const char* message = killed_ ? "connection to the database lost" : "not connected";
  RaiseError(code, message, component);
  if (!db_ || killed_) throw ESQLiteError(code, message, component);
  return db_;
}

bool TSQLiteConnection::InTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }

void TSQLiteConnection::StartTransaction() { Exec("BEGIN", nullptr); }

void TSQLiteConnection::Commit() {
  sqlite3* db = Handle(nullptr);
  if (!sqlite3_get_autocommit(db)) Exec("COMMIT", nullptr);
}

void TSQLiteConnection::Rollback() {
  sqlite3* db = Handle(nullptr);
  if (!sqlite3_get_autocommit(db)) Exec("ROLLBACK", nullptr);
}

bool TSQLiteConnection::Ping() {
  Exec("SELECT 1", nullptr);
  return true;
}

void TSQLiteConnection::BeginStatement(bool command_auto_commit, classlib::TComponent* component) {
  sqlite3* db = Handle(component);
  if (AutoCommit && command_auto_commit) return;
  if (sqlite3_get_autocommit(db)) Exec("BEGIN", component);
}

void TSQLiteConnection::Exec(const std::string& sql, classlib::TComponent* component) {
  sqlite3* db = Handle(component);
  Check(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), component);
}

void TSQLiteConnection::Check(int rc, classlib::TComponent* component) {
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
  RaiseError(rc, db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc), component);
}

void TSQLiteConnection::RaiseError(int code, const std::string& message, classlib::TComponent* component) {
  ESQLiteError error(code, message, component);
  bool fail = true;
  DoError(error, fail);
  if (fail) throw error;
}

}  // namespace sqlite_driver
