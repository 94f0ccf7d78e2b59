// The SQLite test driver's statement. A text of several statements runs
// them one at a time (each compiled when its turn comes, so a later one may
// use what an earlier one created) and binds the positional parameters in
// order across them; only a single statement that returns rows is a cursor,
// whose rows the record set fetches.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>

#include "classlib/component.h"
#include "dacore/driver_command.h"
#include "testing/sqlite_driver/sqlite_driver_connection.h"

namespace sqlite_driver {

class TSQLiteCommand : public dacore::TCRCommand {
  CLASSLIB_CLASS(TSQLiteCommand, dacore::TCRCommand)
 public:
  ~TSQLiteCommand() override;

  // Compiles the first statement (a cursor when it is the only one and
  // returns rows).
  void Prepare() override;
  void Unprepare() override;
  bool GetPrepared() override { return prepared_; }
  // Runs the text iters times. A cursor stops at its first row.
  void Execute(int iters) override;
  void SetSQL(const std::string& value) override;
  void SetConnection(dacore::TCRConnection* value) override;
  uint8_t GetCursorState() override { return state_; }
  void SetCursorState(uint8_t value) override { state_ = value; }
  // 13: rows the last execution changed.
  bool GetProp(int prop, classlib::Variant& value) override;

  // ---- For the record set --------------------------------------------------
  bool ReturnsRows() const { return returns_rows_; }
  sqlite3_stmt* Statement() const { return stmt_; }
  // Whether a row waits to be read; NextRow steps to the next one.
  bool HasRow() const { return has_row_; }
  void NextRow();
  int RowsAffected() const { return rows_affected_; }
  TSQLiteConnection& Connection();

 private:
  classlib::TComponent* Owner() const { return static_cast<classlib::TComponent*>(Component); }
  // Compiles the statement that starts at offset; nullptr when only blanks
  // and comments remain. tail receives the offset after it.
  sqlite3_stmt* Compile(size_t offset, size_t& tail);
  void Finalize();
  void RunOnce();
  // Runs every statement of the text to its end.
  void RunScript();
  // Binds the statement's markers from parameter next_param on.
  void Bind(sqlite3_stmt* stmt, int& next_param);
  // Steps a statement that is not the cursor to its end; finalizes it unless it is kept.
  void RunToEnd(sqlite3_stmt* stmt, bool keep);
  void Step();

  TSQLiteConnection* connection_ = nullptr;  // the connection, when it is this driver's
  sqlite3_stmt* stmt_ = nullptr;  // the first statement, compiled by Prepare
  sqlite3* compiled_on_ = nullptr;
  size_t first_tail_ = 0;
  bool prepared_ = false;
  bool returns_rows_ = false;
  bool has_row_ = false;
  int rows_affected_ = 0;
  uint8_t state_ = dacore::csIdle;
};

}  // namespace sqlite_driver
