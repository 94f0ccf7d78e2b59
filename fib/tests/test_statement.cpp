#include "test_statement.h"

#include "fib/base/errors.h"

namespace fib_test {

void ExecuteAndCommit(EmbeddedDatabase& db, const std::string& sql) {
  isc_tr_handle tr = db.StartTransaction();
  fib::IIBClientLibrary& library = db.Library();
  fib::CheckClientCall(library.isc_dsql_execute_immediate(fib::StatusVector(), db.Handle(), &tr,
                                                          0, sql.c_str(), 3, nullptr),
                       true, library, nullptr);
  fib::CheckClientCall(library.isc_commit_transaction(fib::StatusVector(), &tr), true, library,
                       nullptr);
}

TestStatement::TestStatement(EmbeddedDatabase& db, isc_tr_handle* tr) : db_(db), tr_(tr) {}

TestStatement::~TestStatement() {
  if (handle_ != 0) db_.Library().isc_dsql_free_statement(fib::StatusVector(), &handle_, DSQL_drop);
}

void TestStatement::Check(ISC_STATUS status) {
  fib::CheckClientCall(status, true, db_.Library(), nullptr);
}

// A describe that reports more items than the vector holds is repeated on
// a vector of the reported size.
void TestStatement::Describe(fib::TFIBXSQLDA& vector, bool bind) {
  auto describe = [&] {
    if (bind)
      Check(db_.Library().isc_dsql_describe_bind(fib::StatusVector(), &handle_, 3,
                                                 vector.AsXSQLDA()));
    else
      Check(db_.Library().isc_dsql_describe(fib::StatusVector(), &handle_, 3, vector.AsXSQLDA()));
  };
  describe();
  if (vector.DescribedCount() > vector.AsXSQLDA()->sqln) {
    vector.Resize(vector.DescribedCount());
    describe();
  }
}

void TestStatement::Prepare(const std::string& sql, const std::vector<std::string>& names) {
  Check(db_.Library().isc_dsql_alloc_statement2(fib::StatusVector(), db_.Handle(), &handle_));
  Check(db_.Library().isc_dsql_prepare(fib::StatusVector(), tr_, &handle_, 0, sql.c_str(), 3,
                                       nullptr));
  exec_procedure_ = sql.rfind("EXECUTE ", 0) == 0;
  params_.Resize(static_cast<int>(names.size()));
  for (size_t i = 0; i < names.size(); ++i) params_.SetItemName(static_cast<int>(i), names[i], false);
  Describe(params_, true);
  params_.Initialize();
  columns_.Resize(0);
  Describe(columns_, false);
  columns_.Initialize();
}

void TestStatement::Execute() {
  for (int i = 0; i < params_.Count(); ++i) params_[i].SaveStreamToBlob();
  record_count_ = 0;
  columns_.RowStateChanged();
  if (exec_procedure_) {
    Check(db_.Library().isc_dsql_execute2(fib::StatusVector(), tr_, &handle_, 3,
                                          params_.AsXSQLDA(), columns_.AsXSQLDA()));
    return;
  }
  if (cursor_open_) {
    Check(db_.Library().isc_dsql_free_statement(fib::StatusVector(), &handle_, DSQL_close));
    cursor_open_ = false;
  }
  Check(db_.Library().isc_dsql_execute(fib::StatusVector(), tr_, &handle_, 3, params_.AsXSQLDA()));
  cursor_open_ = columns_.Count() > 0;
}

bool TestStatement::Fetch() {
  ISC_STATUS status =
      db_.Library().isc_dsql_fetch(fib::StatusVector(), &handle_, 3, columns_.AsXSQLDA());
  if (status == 100) return false;
  Check(status);
  ++record_count_;
  columns_.RowStateChanged();
  return true;
}

}  // namespace fib_test
