// A data set's local settings across every way it opens again, on the
// SQLite test driver: for a local sort (ascending and descending), a local
// filter, and a detail linked by field lists, by parameter names alone and
// locally, after Close/Open, a new FilterSQL, a macro change, UnPrepare, a
// new SQL text, Prepare before the open and Refresh, the rows come in the
// local order, Locate and Lookup on the sort column find every row, a new
// row takes its place in the order, and a detail follows its master.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/macro_macros.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::Variant;
using sqlite_driver::TSQLiteSession;

// The server's order (by ID) differs from the order of the names.
constexpr const char* kRows =
    "INSERT INTO T VALUES (1, 1, 'd'), (2, 1, 'b'), (3, 1, 'e'), (4, 2, 'f'), (5, 1, 'a'), (6, 2, 'c')";

enum class TLink { kNone, kFields, kParamNames, kLocal };

struct TSetting {
  const char* name;
  const char* index_field_names;
  bool filtered;  // the local filter PARENT = 1
  TLink link;
  const char* first_names;   // the rows shown for master 1 (or all rows)
  const char* with_new_row;  // the same with the new row "bb"
  const char* second_names;  // the rows shown for master 2 (detail only)
};

const TSetting kSettings[] = {
    {"sort", "NAME", false, TLink::kNone, "abcdef", "a b bb c d e f", ""},
    {"sort descending", "NAME DESC", false, TLink::kNone, "fedcba", "f e d c bb b a", ""},
    {"filter and sort", "NAME", true, TLink::kNone, "abde", "a b bb d e", ""},
    {"detail by fields", "NAME", false, TLink::kFields, "abde", "a b bb d e", "cf"},
    {"detail by parameter names", "NAME", false, TLink::kParamNames, "abde", "a b bb d e", "cf"},
    {"detail by parameter names, server order", "", false, TLink::kParamNames, "dbea", "d b e a bb", "fc"},
    {"local detail", "NAME", false, TLink::kLocal, "abde", "a b bb d e", "cf"},
};

struct TReopen {
  const char* name;
  std::function<void(TCustomDADataSet&, const std::string& sql)> run;
};

const TReopen kReopens[] = {
    {"Close and Open", [](TCustomDADataSet& d, const std::string&) { d.Close(); d.Open(); }},
    {"new FilterSQL", [](TCustomDADataSet& d, const std::string&) { d.SetFilterSQL("ID > 0"); }},
    {"macro change",
     [](TCustomDADataSet& d, const std::string&) {
       d.Macros().MacroByName("ORD")->SetValue("T.ID");
       d.Open();
     }},
    {"UnPrepare", [](TCustomDADataSet& d, const std::string&) { d.UnPrepare(); d.Open(); }},
    {"new SQL text",
     [](TCustomDADataSet& d, const std::string& sql) {
       d.SetSQL(sql + "\n-- again");
       d.Macros().MacroByName("ORD")->SetValue("ID");
       d.Open();
     }},
    {"Prepare, then Open", [](TCustomDADataSet& d, const std::string&) { d.Close(); d.Prepare(); d.Open(); }},
    {"Refresh", [](TCustomDADataSet& d, const std::string&) { d.Refresh(); }},
};

class ReopenTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE M (ID INTEGER PRIMARY KEY)");
    Exec(*session_, "INSERT INTO M VALUES (1), (2)");
    Exec(*session_, "CREATE TABLE T (ID INTEGER PRIMARY KEY, PARENT INTEGER, NAME VARCHAR(10))");
    Exec(*session_, kRows);
    master_ = Query(*session_, "SELECT ID FROM M ORDER BY ID");
    source_.SetDataSet(master_.get());
    master_->Open();
  }
  void TearDown() override {
    master_.reset();
    session_.reset();
    SQLiteTest::TearDown();
  }

  static std::string SqlOf(const TSetting& setting) {
    return setting.link == TLink::kParamNames ? "SELECT ID, PARENT, NAME FROM T WHERE PARENT = :ID ORDER BY &ORD"
                                              : "SELECT ID, PARENT, NAME FROM T ORDER BY &ORD";
  }

  std::unique_ptr<TCustomDADataSet> Make(const TSetting& setting) {
    auto data_set = Query(*session_, SqlOf(setting));
    data_set->Macros().MacroByName("ORD")->SetValue("ID");
    data_set->SetIndexFieldNames(setting.index_field_names);
    if (setting.filtered) {
      data_set->SetFilter("PARENT = 1");
      data_set->SetFiltered(true);
    }
    if (setting.link != TLink::kNone) data_set->SetMasterSource(&source_);
    if (setting.link == TLink::kFields || setting.link == TLink::kLocal) {
      data_set->SetMasterFields("ID");
      data_set->SetDetailFields("PARENT");
    }
    if (setting.link == TLink::kLocal) data_set->Options().SetLocalMasterDetail(true);
    return data_set;
  }

  // The names shown, in order, joined by the separator; the current record
  // becomes the first.
  static std::string Names(TCustomDADataSet& d, const char* separator = "") {
    std::string names;
    for (d.First(); !d.Eof(); d.Next()) {
      if (!names.empty()) names += separator;
      names += d.FieldByName("NAME")->AsString();
    }
    d.First();
    return names;
  }

  // The ID a row of this name has on the server.
  static int IdOf(char name) {
    const std::string ids = "dbefac";
    return static_cast<int>(ids.find(name)) + 1;
  }

  // Every row shown is found by its name, and a name not shown is not.
  static void ExpectFound(TCustomDADataSet& d, const std::string& names) {
    ExpectNamesFound(d, names, IdOf, {"zz", "0"});
  }

  // A new row (kept in memory) takes its place in the local order.
  static void ExpectNewRowPlaced(TCustomDADataSet& d, const TSetting& setting) {
    d.SetLocalUpdate(true);
    d.Append();
    d.FieldByName("ID")->SetAsInteger(10);
    d.FieldByName("PARENT")->SetAsInteger(1);
    d.FieldByName("NAME")->SetAsString("bb");
    d.Post();
    EXPECT_EQ(Names(d, " "), setting.with_new_row);
    EXPECT_TRUE(d.Locate("NAME", Variant(std::string("bb")), {}));
    EXPECT_EQ(d.FieldByName("ID")->AsInteger(), 10);
    d.SetLocalUpdate(false);
  }

  // A detail follows its master to its second record and back, in its order.
  void ExpectFollowsMaster(TCustomDADataSet& d, const TSetting& setting) {
    if (setting.link == TLink::kNone) return;
    master_->Next();
    EXPECT_EQ(Names(d), setting.second_names) << "master 2";
    ExpectFound(d, setting.second_names);
    master_->First();
    EXPECT_EQ(Names(d), setting.first_names) << "master 1 again";
  }

  std::unique_ptr<TSQLiteSession> session_;
  std::unique_ptr<TCustomDADataSet> master_;
  classlib::TDataSource source_{nullptr};
};

TEST_F(ReopenTest, LocalOrderFilterAndLinksHoldAfterEveryReopen) {
  for (const TSetting& setting : kSettings) {
    for (const TReopen& reopen : kReopens) {
      SCOPED_TRACE(std::string(setting.name) + " / " + reopen.name);
      master_->First();
      auto data_set = Make(setting);
      data_set->Open();
      EXPECT_EQ(Names(*data_set), setting.first_names) << "first open";
      reopen.run(*data_set, SqlOf(setting));
      ASSERT_TRUE(data_set->Active());
      EXPECT_EQ(Names(*data_set), setting.first_names);
      ExpectFound(*data_set, setting.first_names);
      ExpectFollowsMaster(*data_set, setting);
      ExpectNewRowPlaced(*data_set, setting);
      data_set->SetMasterSource(nullptr);
    }
  }
}

}  // namespace
}  // namespace dacore::sqlite_tests
