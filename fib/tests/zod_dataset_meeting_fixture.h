// The extended data set with generated statements on the embedded engine,
// over one table that holds a column of every kind the tests where features
// meet need: numbers, text, a date, BOOLEAN, text and binary blobs and
// arrays of integer, varchar, numeric and double. A CHECK on I lets the
// server refuse a statement on demand (I < 0). What the server holds is
// read through another attachment.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "classlib/variant.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_dataset.h"
#include "fib_query_fixture.h"

namespace fib_test {

constexpr const char* kNullText = "<null>";

// How the data set under test is set up.
struct DataSetSetup {
  bool limited = false;         // the limited cache model
  bool cached = false;          // CachedUpdates
  bool only_modified = false;   // UpdateOnlyModifiedFields
  bool auto_commit = false;     // AutoCommit
  bool own_update_tr = false;   // a separate UpdateTransaction
  std::string name() const;
};
inline void PrintTo(const DataSetSetup& setup, std::ostream* out) { *out << setup.name(); }

class MeetingTest : public QueryTest {
 protected:
  MeetingTest();

  // Rows 1..count with I = id, L = "row<id>", every other column NULL but
  // the blob TB ("note<id>") and the array AI ({id, id, id}).
  void InsertRows(int count);

  // A fresh data set over the table, opened.
  fib::TpZODDataSet& Open(const DataSetSetup& setup,
                          const std::string& select = "select * from ITEMS order by ID");
  // The data set's update transaction: the separate one when asked for.
  fib::TFIBTransaction& UpdateTr() { return update_tr_ ? *update_tr_ : *tr_; }

  // What another attachment reads, committed; NULL as kNullText.
  std::string Server(const std::string& expression, int id);
  int Id() { return ds_->FieldByName("ID")->AsInteger(); }
  void Go(int id);

  std::unique_ptr<fib::TFIBTransaction> update_tr_;
  std::unique_ptr<fib::TpZODDataSet> ds_;
};

// The elements of a one-dimensional variant array joined by ",".
std::string Joined(const classlib::Variant& array);

}  // namespace fib_test
