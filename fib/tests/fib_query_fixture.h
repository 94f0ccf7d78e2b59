// Statements on the embedded engine: a connected database component with
// its default transaction, over the test file's table T (V INTEGER).
#pragma once

#include <memory>
#include <string>

#include "database_fixture.h"
#include "fib/statements/fib_query.h"

namespace fib_test {

class QueryTest : public DatabaseTest {
 protected:
  QueryTest() {
    form_.SetName("Form1");
    db_ = NewDatabase(&form_);
    db_->SetName("DB");
    tr_ = std::make_unique<fib::TFIBTransaction>(&form_);
    tr_->SetName("TR");
    tr_->SetDefaultDatabase(db_.get());
    db_->SetDefaultTransaction(tr_.get());
    db_->Connect();
  }

  // A statement of the form that starts its transaction on demand.
  template <class Q = fib::TFIBQuery>
  std::unique_ptr<Q> NewQuery(const std::string& name, const std::string& sql = "") {
    auto query = std::make_unique<Q>(&form_);
    query->SetName(name);
    query->SetDatabase(db_.get());
    query->SetTransaction(tr_.get());
    query->SetOptions(fib::TpZODQueryOptions{fib::qoStartTransaction});
    if (!sql.empty()) query->SQL().SetText(sql);
    return query;
  }

  // Runs a statement in the component's transaction and commits.
  void Run(const std::string& sql) {
    auto query = NewQuery("Runner", sql);
    query->ExecQuery();
    tr_->Commit();
  }

  classlib::TComponent form_{nullptr};
  std::unique_ptr<fib::TFIBDatabase> db_;
  std::unique_ptr<fib::TFIBTransaction> tr_;
};

}  // namespace fib_test
