// A bare statement for tests of the descriptors: prepares, describes,
// executes and fetches through the client library with a parameter and a
// column vector, and answers the vectors' questions about the connection.
#pragma once

#include <string>
#include <vector>

#include "embedded_database.h"
#include "fib/statements/xsqlda.h"
#include "fib/statements/xsqlda_owner.h"

namespace fib_test {

// Runs one statement in its own committed transaction (DDL, set-up rows).
void ExecuteAndCommit(EmbeddedDatabase& db, const std::string& sql);

class TestStatement : public fib::TXSQLOwner {
 public:
  // Works in transaction `tr` of `db`, which the caller commits.
  TestStatement(EmbeddedDatabase& db, isc_tr_handle* tr);
  ~TestStatement() override;

  // Prepares `sql` and describes both vectors; parameters are named by
  // `names` (unquoted names are upper-cased), in marker order.
  void Prepare(const std::string& sql, const std::vector<std::string>& names = {});
  fib::TFIBXSQLDA& Params() { return params_; }
  fib::TFIBXSQLDA& Columns() { return columns_; }
  fib::TFIBXSQLVAR& Param(const std::string& name) { return *params_.ByName(name); }
  fib::TFIBXSQLVAR& Column(int index) { return columns_[index]; }

  // Sends kept blob contents as blobs, then executes; a select opens its
  // cursor, EXECUTE PROCEDURE returns its outputs at once.
  void Execute();
  // The next row into the column vector; false at the end.
  bool Fetch();

  // fib::TXSQLOwner
  fib::IIBClientLibrary* ClientLibrary() override { return &db_.Library(); }
  isc_db_handle* DBHandle() override { return db_.Handle(); }
  isc_tr_handle* TRHandle() override { return tr_; }
  bool HasDatabase() const override { return true; }
  int SQLDialect() const override { return 3; }
  bool UpperOldNames() const override { return false; }
  bool IsUTF8Connection() const override { return false; }
  bool TrimCharFields() const override { return trim_char_fields; }
  int RecordCount() const override { return record_count_; }
  bool IsExecProcedure() const override { return exec_procedure_; }
  std::string FullName() const override { return "TestStatement"; }
  void MacroValueChanged() override { ++macro_changes; }

  bool trim_char_fields = false;
  int macro_changes = 0;

 private:
  void Check(ISC_STATUS status);
  void Describe(fib::TFIBXSQLDA& vector, bool bind);

  EmbeddedDatabase& db_;
  isc_tr_handle* tr_;
  isc_stmt_handle handle_ = 0;
  fib::TFIBXSQLDA params_{this, true};
  fib::TFIBXSQLDA columns_{this, false};
  int record_count_ = 0;
  bool exec_procedure_ = false;
  bool cursor_open_ = false;
};

}  // namespace fib_test
