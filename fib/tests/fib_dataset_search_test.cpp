// Finding and ordering records of a buffered data set on the embedded
// engine: Lookup, the key search with its options, local sorting on several
// fields with NULLs, and keeping a posted record in its sorted place.
#include <gtest/gtest.h>

#include <algorithm>

#include "classlib/codepage.h"
#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "people_fixture.h"
#include "testing/message_of.h"

namespace fib {
namespace {

using classlib::Null;
using classlib::Variant;
using classlib::testing::MessageOf;

class DataSetSearchTest : public fib_test::PeopleTest {
 protected:
  bool Find(TFIBCustomDataSet& ds, const std::string& fields, const Variant& values,
            TLocateKeyOptions options = {}, bool from_start = true,
            TLocateDirection direction = ldFirst) {
    return ds.LocateByKeys(fields, values, options, from_start, direction, true);
  }
};

TEST_F(DataSetSearchTest, LookupAnswersValuesAndStaysPut) {
  auto ds = People();
  ds->Open();
  ds->Next();
  EXPECT_EQ(ds->Lookup("ID", Variant(3), "NAME").AsString(), "Vera");
  const Variant both = ds->Lookup("NAME", Variant("Anna"), "ID;SCORE");
  EXPECT_EQ(classlib::VarArrayGet(both, {0}).AsInteger(), 1);
  EXPECT_EQ(classlib::VarArrayGet(both, {1}).AsInteger(), 10);
  EXPECT_TRUE(classlib::VarIsNull(ds->Lookup("ID", Variant(7), "NAME")));
  EXPECT_TRUE(classlib::VarIsNull(ds->Lookup("ID", Variant(3), "")));
  EXPECT_EQ(Id(*ds), 2);
  EXPECT_THROW(ds->Lookup("NOPE", Variant(3), "NAME"), classlib::Exception);
}

TEST_F(DataSetSearchTest, KeySearchOptionsOnText) {
  Run("insert into PEOPLE values (4, 'ABC', '" + classlib::Utf8ToCp1251("Ёлка") + "', 40)");
  Run("insert into PEOPLE values (5, 'XAB', '" + classlib::Utf8ToCp1251("ёлочка") + "', 50)");
  auto ds = People();
  ds->Open();
  EXPECT_TRUE(Find(*ds, "NAME", Variant("AB"), {lkoPartialKey}));
  EXPECT_EQ(Id(*ds), 4);
  EXPECT_FALSE(Find(*ds, "NAME", Variant("AB")));
  EXPECT_EQ(Id(*ds), 4);
  EXPECT_TRUE(Find(*ds, "NAME", Variant("_o%"), {lkoWildcards}));
  EXPECT_EQ(Id(*ds), 2);
  EXPECT_TRUE(Find(*ds, "NAME", Variant("vera"), {lkoCaseInsensitive}));
  EXPECT_EQ(Id(*ds), 3);
  EXPECT_TRUE(Find(*ds, "NOTE", Variant(classlib::Utf8ToCp1251("ЁЛОЧ")),
                   {lkoCaseInsensitive, lkoPartialKey}));
  EXPECT_EQ(Id(*ds), 5);
  // Several fields, one of them Null.
  EXPECT_TRUE(Find(*ds, "NOTE;SCORE", classlib::VarArrayOf({Null(), Variant(30)})));
  EXPECT_EQ(Id(*ds), 3);
  // A number key that is text, and a text that is no number.
  EXPECT_TRUE(Find(*ds, "SCORE", Variant("20")));
  EXPECT_EQ(Id(*ds), 2);
  EXPECT_FALSE(Find(*ds, "SCORE", Variant("twenty")));
  EXPECT_FALSE(Find(*ds, "", Variant(1)));
  // A pending edit is posted before the search.
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Anya");
  EXPECT_TRUE(Find(*ds, "NAME", Variant("Anya")));
  EXPECT_EQ(ds->State(), classlib::dsBrowse);
}

TEST_F(DataSetSearchTest, KeySearchDirectionsAndFetching) {
  for (int id = 10; id < 60; ++id)
    Run("insert into PEOPLE values (" + std::to_string(id) + ", 'P', null, " +
        std::to_string(id % 3) + ")");
  auto ds = People();
  ds->Open();
  const int cached = ds->CacheRecordCount();
  // Nothing past the cache with fetched-only.
  EXPECT_FALSE(Find(*ds, "ID", Variant(59), {lkoFetchedOnly}));
  EXPECT_EQ(ds->CacheRecordCount(), cached);
  EXPECT_TRUE(Find(*ds, "ID", Variant(59)));
  EXPECT_EQ(ds->CacheRecordCount(), 53);
  EXPECT_TRUE(Find(*ds, "SCORE", Variant(2), {}, true));
  EXPECT_EQ(Id(*ds), 11);
  EXPECT_TRUE(Find(*ds, "SCORE", Variant(2), {}, false, ldNext));
  EXPECT_EQ(Id(*ds), 14);
  EXPECT_TRUE(Find(*ds, "SCORE", Variant(2), {}, false, ldPrior));
  EXPECT_EQ(Id(*ds), 11);
  ds->Last();
  EXPECT_FALSE(Find(*ds, "SCORE", Variant(2), {}, false, ldNext));
  EXPECT_EQ(Id(*ds), 59);
}

TEST_F(DataSetSearchTest, NearestOnSortedData) {
  Run("delete from PEOPLE");
  Run("insert into PEOPLE values (10, 'a', null, 1)");
  Run("insert into PEOPLE values (20, 'b', null, 2)");
  Run("insert into PEOPLE values (30, 'c', null, 3)");
  auto ds = People();
  ds->Open();
  const TLocateKeyOptions nearest{lkoSortedData, lkoNearest};
  EXPECT_FALSE(Find(*ds, "ID", Variant(25), nearest));
  EXPECT_EQ(Id(*ds), 30);
  EXPECT_FALSE(Find(*ds, "ID", Variant(15), nearest));
  EXPECT_EQ(Id(*ds), 20);
  EXPECT_FALSE(Find(*ds, "ID", Variant(5), nearest));
  EXPECT_EQ(Id(*ds), 10);
  EXPECT_TRUE(Find(*ds, "ID", Variant(20), nearest));
  EXPECT_EQ(Id(*ds), 20);
  // A field the records are not sorted by makes the search linear.
  EXPECT_TRUE(Find(*ds, "SCORE", Variant(3), {lkoSortedData}));
  EXPECT_EQ(Id(*ds), 30);
}

TEST_F(DataSetSearchTest, LocalSortOnSeveralFieldsWithNulls) {
  Run("insert into PEOPLE values (4, 'Anna', 'y', null)");
  Run("insert into PEOPLE values (5, 'Boris', null, 20)");
  Run("insert into PEOPLE values (6, 'Anna', 'z', 10)");
  auto ds = People();
  ds->Open();
  ds->Next();  // on 2
  ds->DoSort({Variant("NAME"), Variant(3)}, {true, false});
  EXPECT_EQ(Id(*ds), 2);
  EXPECT_TRUE(ds->LocallySorted());
  // NAME ascending, then SCORE descending with NULL (which sorts first) last.
  std::vector<std::string> order;
  for (ds->First(); !ds->Eof(); ds->Next())
    order.push_back(ds->FieldByName("ID")->AsString());
  ASSERT_EQ(order.size(), 6u);
  EXPECT_TRUE((order[0] == "1" && order[1] == "6") || (order[0] == "6" && order[1] == "1"));
  EXPECT_EQ(order[2], "4");
  EXPECT_TRUE((order[3] == "2" && order[4] == "5") || (order[3] == "5" && order[4] == "2"));
  EXPECT_EQ(order[5], "3");
  // The sorted search trusts the new order.
  EXPECT_TRUE(Find(*ds, "NAME", Variant("Boris"), {lkoSortedData}));
  EXPECT_EQ(ds->RecNo(), 4);

  // A comparison that fails ends the sort: the order is no longer claimed,
  // and the records are all still there, the current one too.
  int comparisons = 0;
  ds->OnCompareFieldValues = TCompareFieldValuesEvent::Function(
      [&](classlib::TField*, const Variant& a, const Variant& b) -> int {
        if (++comparisons > 5) throw classlib::Exception("no order");
        return a == b ? 0 : (a < b ? -1 : 1);
      });
  ds->Next();
  const int current = Id(*ds);
  EXPECT_EQ(MessageOf([&] { ds->DoSort({Variant("ID")}, {false}); }), "no order");
  EXPECT_FALSE(classlib::VarIsArray(ds->SortInfo()));
  EXPECT_EQ(Id(*ds), current);
  EXPECT_EQ(ds->RecordCount(), 6);
  ds->OnCompareFieldValues = TCompareFieldValuesEvent();
  // Storing the current record must not overwrite another one.
  ds->Edit();
  ds->FieldByName("SCORE")->SetAsInteger(77);
  ds->Post();
  std::vector<std::string> ids = Rows(*ds, "ID", "SCORE");
  std::sort(ids.begin(), ids.end());
  std::vector<std::string> expected{"1:10", "2:20", "3:30", "4:", "5:20", "6:10"};
  expected[static_cast<size_t>(current - 1)] = std::to_string(current) + ":77";
  EXPECT_EQ(ids, expected);

  EXPECT_EQ(MessageOf([&] { ds->DoSort({Variant("NAME"), Variant("MISSING")}, {true, true}); }),
            "Can't sort. Invalid parameter: Fields[1]");
  EXPECT_EQ(MessageOf([&] { ds->DoSort({Variant(2.5)}, {true}); }),
            "Can't sort. Invalid parameter: Fields[0]");
}

TEST_F(DataSetSearchTest, CalculatedFieldsAreComputedForSortingAndSearching) {
  auto ds = People();
  ds->Prepare();
  for (int i = 0; i < 4; ++i) ds->FieldDefs()[i]->CreateField(ds.get());
  classlib::TField* negative = ds->FieldDefs()[3]->CreateField(ds.get(), nullptr, "NEGATIVE");
  negative->SetFieldKind(classlib::fkCalculated);
  ds->SetOnCalcFields(classlib::TDataSetNotifyEvent::Function([](classlib::TDataSet* data_set) {
    data_set->FieldByName("NEGATIVE")->SetAsInteger(-data_set->FieldByName("SCORE")->AsInteger());
  }));
  ds->Open();
  ds->DoSort({Variant("NEGATIVE")}, {true});
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"3:Vera", "2:Boris", "1:Anna"}));
  EXPECT_TRUE(Find(*ds, "NEGATIVE", Variant(-20)));
  EXPECT_EQ(Id(*ds), 2);
  EXPECT_EQ(ds->Lookup("NEGATIVE", Variant(-10), "NAME").AsString(), "Anna");
}

TEST_F(DataSetSearchTest, LocalSortOfALargeSortedSet) {
  Run("delete from PEOPLE");
  Run("execute block as declare i integer = 0; begin while (i < 20000) do begin "
      "insert into PEOPLE (ID, NAME, SCORE) values (:i, 'N' || :i, :i / 7); i = i + 1; end end");
  auto ds = People();
  ds->Open();
  ds->DoSort({Variant("ID")}, {true});
  ds->First();
  EXPECT_EQ(Id(*ds), 0);
  ds->Last();
  EXPECT_EQ(Id(*ds), 19999);
  ds->DoSort({Variant("SCORE"), Variant("ID")}, {false, false});
  ds->First();
  EXPECT_EQ(Id(*ds), 19999);
  ds->Next();
  EXPECT_EQ(Id(*ds), 19998);
  ds->Last();
  EXPECT_EQ(Id(*ds), 0);
  EXPECT_EQ(ds->RecordCount(), 20000);
}

TEST_F(DataSetSearchTest, KeepSortingMovesAPostedRecordToItsPlace) {
  auto ds = People();
  ds->SetOptions(ds->Options() + TpZODDsOptions{poKeepSorting});
  ds->Open();
  ds->DoSort({Variant("NAME")}, {true});
  ds->First();  // Anna
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Zoya");
  ds->Post();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Zoya");
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"2:Boris", "3:Vera", "1:Zoya"}));
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(7);
  ds->FieldByName("NAME")->SetAsString("Carl");
  ds->Post();
  EXPECT_EQ(Id(*ds), 7);
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"2:Boris", "7:Carl", "3:Vera", "1:Zoya"}));
  // A key equal to another record's lands beside it, not elsewhere.
  ds->Last();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Boris");
  ds->Post();
  EXPECT_EQ(Id(*ds), 1);
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"1:Boris", "2:Boris", "7:Carl", "3:Vera"}));
}

TEST_F(DataSetSearchTest, AnOrderItemWithAQualifierOrQuotesNamesItsField) {
  const std::pair<const char*, const char*> selects[] = {
      {"select P.ID, P.NAME from PEOPLE P order by P.NAME", "Anna"},
      {"select ID, NAME from PEOPLE order by \"NAME\" desc", "Vera"}};
  for (const auto& [sql, first] : selects) {
    auto ds = NewDataSet("Ordered", sql);
    ds->SetPrepareOptions(ds->PrepareOptions() + TpPrepareOptions{psGetOrderInfo});
    ASSERT_NO_THROW(ds->Open()) << sql;
    EXPECT_EQ(ds->FieldByName("NAME")->AsString(), first) << sql;
  }
  auto ds = NewDataSet("Missing", "select ID from PEOPLE order by NAME");
  ds->SetPrepareOptions(ds->PrepareOptions() + TpPrepareOptions{psGetOrderInfo});
  EXPECT_NE(MessageOf([&] { ds->Open(); }).find("Field NAME use in order"), std::string::npos);
}

// The server puts NULL first in an ascending order and last in a
// descending one; the sorted search and the repositioning must agree.
TEST_F(DataSetSearchTest, SortedSearchAndKeepSortingPlaceNullKeysAsTheServerDoes) {
  Run("insert into PEOPLE values (4, 'Gleb', null, null)");
  Run("insert into PEOPLE values (5, 'Dina', null, null)");
  auto scores = [](TFIBCustomDataSet& ds) {
    std::vector<std::string> result;
    for (const std::string& row : Rows(ds, "ID", "SCORE"))
      result.push_back(row.substr(row.find(':') + 1));
    return result;
  };
  auto ds = People();
  ds->SelectSQL().SetText("select ID, NAME, NOTE, SCORE from PEOPLE order by SCORE");
  ds->SetPrepareOptions(ds->PrepareOptions() + TpPrepareOptions{psGetOrderInfo});
  ds->SetOptions(ds->Options() + TpZODDsOptions{poKeepSorting});
  ds->Open();
  ASSERT_EQ(scores(*ds), (std::vector<std::string>{"", "", "10", "20", "30"}));
  EXPECT_TRUE(Find(*ds, "SCORE", Variant(20), {lkoSortedData}));
  EXPECT_EQ(Id(*ds), 2);
  EXPECT_TRUE(Find(*ds, "SCORE", Null(), {lkoSortedData}));
  EXPECT_TRUE(ds->FieldByName("SCORE")->IsNull());
  EXPECT_FALSE(Find(*ds, "SCORE", Variant(15), {lkoSortedData, lkoNearest}));
  EXPECT_EQ(Id(*ds), 2);

  // A record given a NULL key goes among the NULLs, one given a value
  // leaves them for its place among the values.
  ASSERT_TRUE(Find(*ds, "ID", Variant(3)));
  ds->Edit();
  ds->FieldByName("SCORE")->Clear();
  ds->Post();
  EXPECT_EQ(Id(*ds), 3);
  EXPECT_LE(ds->RecNo(), 3);
  EXPECT_EQ(scores(*ds), (std::vector<std::string>{"", "", "", "10", "20"}));
  ASSERT_TRUE(Find(*ds, "ID", Variant(4)));
  ds->Edit();
  ds->FieldByName("SCORE")->SetAsInteger(15);
  ds->Post();
  EXPECT_EQ(Id(*ds), 4);
  EXPECT_EQ(scores(*ds), (std::vector<std::string>{"", "", "10", "15", "20"}));
  EXPECT_TRUE(classlib::VarIsArray(ds->SortInfo()));

  ds->Close();
  ds->SelectSQL().SetText("select ID, NAME, NOTE, SCORE from PEOPLE order by SCORE desc");
  ds->Open();
  ASSERT_EQ(scores(*ds), (std::vector<std::string>{"20", "15", "10", "", ""}));
  EXPECT_TRUE(Find(*ds, "SCORE", Variant(10), {lkoSortedData}));
  EXPECT_EQ(Id(*ds), 1);
  EXPECT_TRUE(Find(*ds, "SCORE", Null(), {lkoSortedData}));
  EXPECT_TRUE(ds->FieldByName("SCORE")->IsNull());
}

TEST_F(DataSetSearchTest, WithoutKeepSortingAPostThatBreaksTheOrderForgetsIt) {
  auto ds = People();
  ds->Open();
  ds->DoSort({Variant("NAME")}, {true});
  ds->Edit();
  ds->FieldByName("SCORE")->SetAsInteger(1);
  ds->Post();
  EXPECT_TRUE(ds->LocallySorted());
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("Zoya");
  ds->Post();
  EXPECT_FALSE(ds->LocallySorted());
  EXPECT_FALSE(classlib::VarIsArray(ds->SortInfo()));
}

// Going to a bookmark whose record is gone (deleted, or of an earlier
// opening) leaves the data set where it was, and the next moves work.
TEST_F(DataSetSearchTest, ABookmarkWhoseRecordIsGoneKeepsThePosition) {
  auto ds = People();
  ds->Open();
  ds->Last();
  const classlib::TBookmark vera = ds->GetBookmark();
  ds->Delete();  // hidden, still in the cache
  ds->DoSort({Variant("SCORE")}, {true});  // it sorts last
  ds->First();
  EXPECT_NO_THROW(ds->GotoBookmark(vera));
  EXPECT_EQ(Id(*ds), 1);
  EXPECT_FALSE(ds->ControlsDisabled());
  ds->SetRecNo(2);
  EXPECT_EQ(Id(*ds), 2);
  const classlib::TBookmark boris = ds->GetBookmark();
  ds->GotoBookmark(boris);
  EXPECT_EQ(Id(*ds), 2);

  ds->Close();
  ds->SelectSQL().SetText("select ID, NAME, NOTE, SCORE from PEOPLE order by ID desc");
  ds->Open();  // Boris first, Anna where Boris was before
  EXPECT_FALSE(ds->BookmarkValid(boris));
  ds->GotoBookmark(boris);
  EXPECT_EQ(Id(*ds), 2);
  ds->Next();
  EXPECT_EQ(Id(*ds), 1);
}

}  // namespace
}  // namespace fib
