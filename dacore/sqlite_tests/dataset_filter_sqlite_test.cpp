// Filters of the SQL data set on the SQLite test driver: conditions added to
// statement texts that end in a line comment, the local filter keeping the
// current record through the table's key, searching over the sort order
// while the filter hides the last row, and a refreshed record that leaves
// the filter.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "classlib/data_link.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"

namespace dacore::sqlite_tests {
namespace {

class DataSetFilterTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE T (ID INTEGER PRIMARY KEY, S VARCHAR(20))");
    for (int id = 1; id <= 10; ++id)
      Exec(*session_, "INSERT INTO T VALUES (" + std::to_string(id) + ", 'row " + std::to_string(id) + "')");
  }

  int Count(const std::string& sql, const std::string& filter_sql) {
    auto data_set = Query(*session_, sql);
    data_set->SetFilterSQL(filter_sql);
    data_set->Open();
    return data_set->RecordCount();
  }

  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
};

// The engine reads a line comment up to a line feed: the added condition
// must not land inside it, with or without a WHERE clause of its own.
TEST_F(DataSetFilterTest, FilterSQLHoldsAfterATrailingLineComment) {
  EXPECT_EQ(Count("SELECT ID FROM T -- every row", "ID < 3"), 2);
  EXPECT_EQ(Count("SELECT ID FROM T WHERE ID > 1 -- not the first", "ID < 4"), 2);
  EXPECT_EQ(Count("SELECT ID FROM T WHERE ID > 1 --\r\nORDER BY ID -- in order", "ID < 4"), 2);
}

TEST_F(DataSetFilterTest, ServerSideDetailConditionHoldsAfterATrailingLineComment) {
  Exec(*session_, "CREATE TABLE C (CID INTEGER PRIMARY KEY, PARENT INTEGER, NAME VARCHAR(10))");
  Exec(*session_, "INSERT INTO C VALUES (1, 1, 'a'), (2, 1, 'b'), (3, 2, 'c')");
  auto master = Query(*session_, "SELECT ID FROM T WHERE ID <= 2 ORDER BY ID");
  classlib::TDataSource source(nullptr);
  source.SetDataSet(master.get());
  auto detail = Query(*session_, "SELECT NAME FROM C -- the children");
  detail->SetMasterSource(&source);
  detail->SetMasterFields("ID");
  detail->SetDetailFields("PARENT");
  master->Open();
  detail->Open();
  EXPECT_EQ(detail->RecordCount(), 2);
  master->Next();
  EXPECT_EQ(detail->RecordCount(), 1);
  detail->SetMasterSource(nullptr);
}

// No KeyFields: the table's primary key finds the record again.
TEST_F(DataSetFilterTest, SwitchingTheFilterKeepsTheRecordByThePrimaryKey) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  data_set->Open();
  ASSERT_TRUE(data_set->Locate("ID", classlib::Variant(4), {}));
  data_set->SetFilter("ID > 2");
  data_set->SetFiltered(true);
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 4);
  data_set->SetFiltered(false);
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 4);
}

TEST_F(DataSetFilterTest, LocateOverTheSortOrderFindsRowsWhenTheLastIsFilteredOut) {
  auto data_set = Query(*session_, "SELECT ID FROM T");
  data_set->SetIndexFieldNames("ID");
  data_set->SetFilter("ID < 10");
  data_set->SetFiltered(true);
  data_set->Open();
  EXPECT_TRUE(data_set->Locate("ID", classlib::Variant(9), {}));
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 9);
  EXPECT_TRUE(data_set->Locate("ID", classlib::Variant(5), {}));
  EXPECT_EQ(data_set->RecNo(), 5);
  EXPECT_FALSE(data_set->Locate("ID", classlib::Variant(10), {}));
}

// A refreshed record whose server value leaves the filter is hidden as a
// whole: the cursor goes on to the next record (to the one before at the
// end), which keeps its own values.
TEST_F(DataSetFilterTest, RefreshedRecordLeavingTheFilterIsHiddenWhole) {
  Exec(*session_, "CREATE TABLE U (ID INTEGER PRIMARY KEY, S VARCHAR(20), N INTEGER)");
  Exec(*session_, "INSERT INTO U VALUES (1, 'a', 1), (2, 'b', 2), (3, 'c', 3)");
  auto data_set = Query(*session_, "SELECT ID, S, N FROM U ORDER BY ID");
  data_set->SetSQLStatement(stRefresh, "WHERE ID = :ID");
  data_set->SetFilter("S < 'm'");
  data_set->SetFiltered(true);
  data_set->Open();
  data_set->Next();
  auto other = Session();
  Exec(*other, "UPDATE U SET S = 'zz', N = 20 WHERE ID = 2");
  data_set->RefreshRecord();
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(data_set->FieldByName("N")->AsInteger(), 3);
  Exec(*other, "UPDATE U SET S = 'zz' WHERE ID = 3");
  data_set->RefreshRecord();
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(data_set->RecordCount(), 1);
  data_set->SetFiltered(false);
  std::string rows;
  for (data_set->First(); !data_set->Eof(); data_set->Next())
    rows += data_set->FieldByName("ID")->AsString() + data_set->FieldByName("S")->AsString() +
            data_set->FieldByName("N")->AsString() + " ";
  EXPECT_EQ(rows, "1a1 2zz20 3zz3 ");
}

}  // namespace
}  // namespace dacore::sqlite_tests
