// A local order on a data set whose rows come a few at a time: the order
// holds for every row the data set will show, not only for the rows held
// when it was set. With FetchRows 3 and 24 rows stored in an order unlike the
// names', a sort set before the open, after it, or kept across Close/Open and
// Refresh shows every row in order; Locate and Lookup on the sort column
// find every row and miss absent ones; a new row takes its place.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/dataset_component.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::Variant;

constexpr int kRows = 24;

// The name of the row with this ID: the IDs 1, 2, 3 ... get h, o, v ...
// (7 and 24 share no factor, so every letter from a to x comes once).
std::string NameOf(int id) { return std::string(1, static_cast<char>('a' + id * 7 % kRows)); }

std::string Alphabet(bool descending) {
  std::string names;
  for (int i = 0; i < kRows; ++i) names += static_cast<char>('a' + i);
  return descending ? std::string(names.rbegin(), names.rend()) : names;
}

struct TWay {
  const char *name;
  bool descending;
  std::function<void(TCustomDADataSet &, const char *index)> open;
};

const TWay kWays[] = {
    {"sort set before the open", false,
     [](TCustomDADataSet &d, const char *index) {
       d.SetIndexFieldNames(index);
       d.Open();
     }},
    {"sort set after the open", true,
     [](TCustomDADataSet &d, const char *index) {
       d.Open();
       d.Next();  // the user has begun to read
       d.SetIndexFieldNames(index);
     }},
    {"Close and Open", false,
     [](TCustomDADataSet &d, const char *index) {
       d.SetIndexFieldNames(index);
       d.Open();
       d.Close();
       d.Open();
     }},
    {"Refresh", true,
     [](TCustomDADataSet &d, const char *index) {
       d.SetIndexFieldNames(index);
       d.Open();
       d.Refresh();
     }},
};

class SortFetchTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME VARCHAR(10))");
    std::string rows;
    for (int id = 1; id <= kRows; ++id)
      rows += (rows.empty() ? "" : ", ") + ("(" + std::to_string(id) + ", '" + NameOf(id) + "')");
    Exec(*session_, "INSERT INTO T VALUES " + rows);
  }
  void TearDown() override {
    session_.reset();
    SQLiteTest::TearDown();
  }

  std::unique_ptr<TCustomDADataSet> Make() {
    auto data_set = Query(*session_, "SELECT ID, NAME FROM T ORDER BY ID");
    data_set->SetFetchRows(3);
    return data_set;
  }

  // The names shown, First to EOF.
  static std::string Names(TCustomDADataSet &d) {
    std::string names;
    for (d.First(); !d.Eof(); d.Next()) names += d.FieldByName("NAME")->AsString();
    d.First();
    return names;
  }

  static int IdOf(char name) {
    for (int id = 1; id <= kRows; ++id)
      if (NameOf(id)[0] == name) return id;
    return -1;
  }

  // Every row shown is found by its name, and a name not shown is not.
  static void ExpectFound(TCustomDADataSet& d, const std::string& names) {
    ExpectNamesFound(d, names, IdOf, {"0", "bb", "zz"});
  }

  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
};

TEST_F(SortFetchTest, EveryRowFollowsTheLocalOrderHoweverItOpens) {
  for (const TWay &way : kWays) {
    SCOPED_TRACE(way.name);
    auto data_set = Make();
    way.open(*data_set, way.descending ? "NAME DESC" : "NAME");
    const std::string all = Alphabet(way.descending);
    EXPECT_EQ(data_set->RecordCount(), kRows);
    EXPECT_EQ(Names(*data_set), all);
    ExpectFound(*data_set, all);

    // A new row (kept in memory) takes its place among all the others.
    data_set->SetLocalUpdate(true);
    data_set->Append();
    data_set->FieldByName("ID")->SetAsInteger(100);
    data_set->FieldByName("NAME")->SetAsString("bb");
    data_set->Post();
    std::string with_new = all;
    with_new.insert(way.descending ? all.find('b') : all.find('c'), "_");
    std::string shown;
    for (data_set->First(); !data_set->Eof(); data_set->Next()) {
      const std::string name = data_set->FieldByName("NAME")->AsString();
      shown += name == "bb" ? "_" : name;
    }
    EXPECT_EQ(shown, with_new);
    EXPECT_TRUE(data_set->Locate("NAME", Variant(std::string("bb")), {}));
    EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 100);
    EXPECT_TRUE(data_set->Locate("NAME", Variant(std::string("x")), {}));
    EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), IdOf('x'));
  }
}

// Without a local order the rows still come a few at a time, in the
// server's order; clearing the order leaves the rows held as they are.
TEST_F(SortFetchTest, WithoutALocalOrderRowsComeInTheServersOrder) {
  auto data_set = Make();
  data_set->Open();
  std::string server_order;
  for (int id = 1; id <= kRows; ++id) server_order += NameOf(id);
  EXPECT_LT(data_set->RecordCount(), kRows) << "only the first rows are fetched";
  EXPECT_EQ(Names(*data_set), server_order);
  data_set->SetIndexFieldNames("NAME");
  EXPECT_EQ(Names(*data_set), Alphabet(false));
  data_set->SetIndexFieldNames("");
  EXPECT_EQ(data_set->RecordCount(), kRows);
  EXPECT_TRUE(data_set->Locate("NAME", Variant(std::string("a")), {}));
}

// A one-way data set keeps only the rows of its last fetch, so it cannot
// fetch every row before it sorts: it orders the rows it holds, and its walk
// still shows every row once, with or without a local order.
TEST_F(SortFetchTest, OneWayDataSetShowsEveryRowOnce) {
  for (const char *index : {"", "NAME"}) {
    SCOPED_TRACE(std::string("IndexFieldNames ") + index);
    auto data_set = Make();
    data_set->SetUniDirectional(true);
    data_set->SetIndexFieldNames(index);
    data_set->Open();
    std::set<std::string> seen;
    int read = 0;
    for (; !data_set->Eof() && read <= kRows; data_set->Next(), ++read)
      seen.insert(data_set->FieldByName("NAME")->AsString());
    EXPECT_EQ(read, kRows);
    EXPECT_EQ(seen.size(), static_cast<size_t>(kRows));
  }
}

}  // namespace
}  // namespace dacore::sqlite_tests
