// The SQLite test driver's statement: compiling, binding, running.
#include "testing/sqlite_driver/sqlite_driver_command.h"

#include "testing/sqlite_driver/sqlite_driver_types.h"

namespace sqlite_driver {

using namespace dacore;

TSQLiteCommand::~TSQLiteCommand() { Finalize(); }

TSQLiteConnection& TSQLiteCommand::Connection() {
  if (!connection_) throw ESQLiteError(SQLITE_MISUSE, "no connection", Owner());
  return *connection_;
}

void TSQLiteCommand::SetSQL(const std::string& value) {
  if (value != GetSQL()) Unprepare();
  TCRCommand::SetSQL(value);
}

void TSQLiteCommand::SetConnection(TCRConnection* value) {
  if (value != GetConnection()) Unprepare();
  TCRCommand::SetConnection(value);
  // Asked for every fetched row: the type is checked once, here.
  connection_ = dynamic_cast<TSQLiteConnection*>(value);
}

void TSQLiteCommand::Finalize() {
  if (stmt_) sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  compiled_on_ = nullptr;
  has_row_ = false;
}

sqlite3_stmt* TSQLiteCommand::Compile(size_t offset, size_t& tail) {
  sqlite3* db = Connection().Handle(Owner());
  const std::string& sql = GetSQL();
  sqlite3_stmt* stmt = nullptr;
  const char* end = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.c_str() + offset, static_cast<int>(sql.size() - offset), &stmt, &end);
  if (rc != SQLITE_OK) Connection().Check(rc, Owner());
  tail = end ? static_cast<size_t>(end - sql.c_str()) : sql.size();
  return stmt;
}

void TSQLiteCommand::Prepare() {
  Finalize();
  stmt_ = Compile(0, first_tail_);
  compiled_on_ = Connection().Handle(Owner());
  // Only a single statement is a cursor: what follows must compile to nothing.
  returns_rows_ = false;
  if (stmt_ && sqlite3_column_count(stmt_) > 0) {
    const std::string& sql = GetSQL();
    returns_rows_ = sql.find_first_not_of(" \t\r\n;", first_tail_) == std::string::npos;
  }
  prepared_ = true;
  TCRCommand::Prepare();
}

void TSQLiteCommand::Unprepare() {
  Finalize();
  returns_rows_ = false;
  prepared_ = false;
  TCRCommand::Unprepare();
}

void TSQLiteCommand::Execute(int iters) {
  bool ok = false;
  try {
    for (int i = 0; i < (iters < 1 ? 1 : iters); ++i) RunOnce();
    ok = true;
  } catch (...) {
    if (OnAfterExecute) OnAfterExecute(false);
    throw;
  }
  if (ok && OnAfterExecute) OnAfterExecute(true);
}

void TSQLiteCommand::RunOnce() {
  TSQLiteConnection& connection = Connection();
  // A statement compiled on a session that has since gone is compiled anew;
  // one compiled only for this run (not a cursor) goes again after it.
  const bool was_prepared = GetPrepared();
  if (!was_prepared || compiled_on_ != connection.Handle(Owner())) Prepare();
  // A query that writes nothing has nothing to commit: it opens no
  // transaction of its own, so it reads what others committed last, as a
  // server's statement does, and holds no snapshot open afterwards.
  if (!(returns_rows_ && sqlite3_stmt_readonly(stmt_))) connection.BeginStatement(AutoCommit, Owner());
  rows_affected_ = 0;
  has_row_ = false;
  if (returns_rows_) {
    int next_param = 0;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    Bind(stmt_, next_param);
    state_ = csFetching;
    Step();
    return;
  }
  try {
    RunScript();
  } catch (...) {
    if (!was_prepared) Unprepare();
    throw;
  }
  if (!was_prepared) Unprepare();
  state_ = csFinished;
}

void TSQLiteCommand::RunScript() {
  int next_param = 0;
  if (stmt_) {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    Bind(stmt_, next_param);
    RunToEnd(stmt_, true);
  }
  size_t offset = first_tail_;
  while (offset < GetSQL().size()) {
    size_t tail = offset;
    sqlite3_stmt* stmt = Compile(offset, tail);
    offset = tail;
    if (!stmt) break;
    Bind(stmt, next_param);
    RunToEnd(stmt, false);
  }
}

void TSQLiteCommand::Bind(sqlite3_stmt* stmt, int& next_param) {
  const int markers = sqlite3_bind_parameter_count(stmt);
  for (int i = 1; i <= markers; ++i, ++next_param) {
    int rc = SQLITE_OK;
    if (next_param < GetParamCount()) rc = BindParam(stmt, i, *GetParam(next_param));
    else rc = sqlite3_bind_null(stmt, i);
    if (rc != SQLITE_OK) {
      if (stmt != stmt_) sqlite3_finalize(stmt);
      Connection().Check(rc, Owner());
    }
  }
}

void TSQLiteCommand::RunToEnd(sqlite3_stmt* stmt, bool keep) {
  sqlite3* db = sqlite3_db_handle(stmt);
  const sqlite3_int64 before = sqlite3_total_changes64(db);
  int rc = SQLITE_ROW;
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt);
  // The statement's own rows: what its triggers wrote does not count, as a
  // server counts only the rows the statement itself touched.
  if (sqlite3_total_changes64(db) != before) rows_affected_ += static_cast<int>(sqlite3_changes64(db));
  // The engine's text must be read before the statement is let go.
  std::string message = rc == SQLITE_DONE ? "" : sqlite3_errmsg(db);
  if (keep) sqlite3_reset(stmt);
  else sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) Connection().RaiseError(rc, message, Owner());
}

void TSQLiteCommand::Step() {
  const int rc = sqlite3_step(stmt_);
  has_row_ = rc == SQLITE_ROW;
  if (rc == SQLITE_ROW) return;
  state_ = csFinished;
  if (rc == SQLITE_DONE) return;
  const std::string message = sqlite3_errmsg(sqlite3_db_handle(stmt_));
  sqlite3_reset(stmt_);
  Connection().RaiseError(rc, message, Owner());
}

void TSQLiteCommand::NextRow() {
  if (!stmt_ || !has_row_) return;
  // A killed session fails the fetch as a lost link would.
  Connection().Handle(Owner());
  Step();
}

bool TSQLiteCommand::GetProp(int prop, classlib::Variant& value) {
  if (prop != prRowsProcessed) return TCRCommand::GetProp(prop, value);
  value = rows_affected_;
  return true;
}

}  // namespace sqlite_driver
