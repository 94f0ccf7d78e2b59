// A buffered data set that keeps only a window of 100 records while it
// browses 100 000 rows of the embedded engine: every row once in each
// direction, Locate, bookmarks whose record left the window, and the memory
// the cache holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "classlib/variant.h"
#include "fib/base/errors.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/records_cache.h"
#include "items_fixture.h"

namespace fib {
namespace {

using Row = fib_test::ItemsTest::Row;

// The data set with its window in view.
class ProbedDataSet : public TFIBDataSet {
 public:
  using TFIBDataSet::TFIBDataSet;
  const TLimitedCacheWindow& Window() const { return *window_; }
};

class LimitedDataSetTest : public fib_test::ItemsTest {
 protected:
  static constexpr int kChunks = 100;

  LimitedDataSetTest() {
    ds_ = std::make_unique<ProbedDataSet>(&connection_.form);
    ds_->SetName("Items");
    ds_->SetDatabase(connection_.db.get());
    ds_->SelectSQL().SetText(kSelect);
    ds_->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
    ds_->CacheModelOptions().SetBufferChunks(kChunks);
    ds_->Open();
  }

  Row Current() const {
    return {ds_->FieldByName("GRP")->AsInteger(), ds_->FieldByName("SEQ")->AsInteger()};
  }

  // The cache never holds more than the window: one block of kChunks records.
  void ExpectBoundedCache() {
    TRecordsCache* cache = ds_->RecordsCache();
    ASSERT_NE(cache, nullptr);
    EXPECT_LE(cache->RecordCount(), kChunks);
    EXPECT_LE(static_cast<int64_t>(cache->PageCount()) * cache->BlockSize(),
              static_cast<int64_t>(kChunks) * cache->RecordSize());
  }

  // Every row from the current one to an end, in one direction.
  std::vector<Row> Browse(bool forward) {
    std::vector<Row> rows;
    while (forward ? !ds_->Eof() : !ds_->Bof()) {
      rows.push_back(Current());
      if (rows.size() % 10000 == 0) ExpectBoundedCache();
      forward ? ds_->Next() : ds_->Prior();
    }
    return rows;
  }

  std::unique_ptr<ProbedDataSet> ds_;
};

TEST_F(LimitedDataSetTest, BrowsesEveryRowOnceInEachDirectionWithinTheWindow) {
  ASSERT_TRUE(ds_->Active());
  EXPECT_EQ(Browse(true), Expected());
  ds_->Last();
  std::vector<Row> back = Browse(false);
  EXPECT_EQ(std::vector<Row>(back.rbegin(), back.rend()), Expected());
  ExpectBoundedCache();
  ds_->First();
  EXPECT_EQ(Current(), Expected().front());
}

TEST_F(LimitedDataSetTest, LocateRefillsTheWindowAroundTheRow) {
  const Row wanted = Expected()[61234];
  ASSERT_TRUE(ds_->Locate("GRP;SEQ", classlib::VarArrayOf({wanted.first, wanted.second}), {}));
  EXPECT_EQ(Current(), wanted);
  for (int k = 1; k <= 300; ++k) {
    ds_->Next();
    ASSERT_EQ(Current(), Expected()[61234 + static_cast<size_t>(k)]);
  }
  for (int k = 299; k >= -300; --k) {
    ds_->Prior();
    ASSERT_EQ(Current(), Expected()[static_cast<size_t>(61234 + k)]);
  }
  ExpectBoundedCache();
  EXPECT_FALSE(ds_->Locate("GRP;SEQ", classlib::VarArrayOf({-5, 1}), {}));
  EXPECT_EQ(Current(), Expected()[61234 - 300]);
}

TEST_F(LimitedDataSetTest, BookmarksFindTheirRecordAfterTheWindowMoved) {
  for (int k = 0; k < 1500; ++k) ds_->Next();
  const Row marked = Current();
  const classlib::TBookmark near = ds_->GetBookmark();
  ds_->MoveBy(40);  // still in the window
  ds_->GotoBookmark(near);
  EXPECT_EQ(Current(), marked);

  ds_->MoveBy(20000);  // the record left the window long ago
  ds_->GotoBookmark(near);
  EXPECT_EQ(Current(), marked);
  ds_->Next();
  EXPECT_EQ(Current(), Expected()[1501]);

  ds_->Last();
  const classlib::TBookmark last = ds_->GetBookmark();
  ds_->First();
  ds_->GotoBookmark(last);
  EXPECT_EQ(Current(), Expected().back());
  ExpectBoundedCache();
}

TEST_F(LimitedDataSetTest, DeletingARowRefillsTheWindowAroundIt) {
  ds_->Close();
  ds_->DeleteSQL().SetText("delete from ITEMS where GRP = ?OLD_GRP and SEQ = ?OLD_SEQ");
  ds_->RefreshSQL().SetText("select GRP, SEQ, NAME from ITEMS where GRP = ?GRP and SEQ = ?SEQ");
  ds_->Open();
  ds_->MoveBy(3000);
  ASSERT_EQ(Current(), Expected()[3000]);
  ds_->Delete();
  EXPECT_EQ(Current(), Expected()[3001]);
  ds_->Prior();
  EXPECT_EQ(Current(), Expected()[2999]);
  // The rows that follow, across several windows, skip only the deleted one.
  for (int k = 3001; k < 4000; ++k) {
    ds_->Next();
    ASSERT_EQ(Current(), Expected()[static_cast<size_t>(k)]);
  }
  ds_->Close();
  // The other tests read the table as it was.
  connection_.tr->Rollback();
}

TEST_F(LimitedDataSetTest, PostingAnEditRefillsTheWindowAroundTheRecord) {
  ds_->Close();
  ds_->UpdateSQL().SetText("update ITEMS set NAME = ?NAME where GRP = ?OLD_GRP and SEQ = ?OLD_SEQ");
  ds_->RefreshSQL().SetText("select GRP, SEQ, NAME from ITEMS where GRP = ?GRP and SEQ = ?SEQ");
  ds_->Open();
  ds_->MoveBy(3000);
  ds_->Edit();
  ds_->FieldByName("NAME")->SetAsString("Changed");
  ds_->Post();
  EXPECT_EQ(Current(), Expected()[3000]);
  EXPECT_EQ(ds_->FieldByName("NAME")->AsString(), "Changed");
  ds_->Next();
  EXPECT_EQ(Current(), Expected()[3001]);
  ds_->Prior();
  ds_->Prior();
  EXPECT_EQ(Current(), Expected()[2999]);
  ds_->Close();
  // The other tests read the table as it was.
  connection_.tr->Rollback();
}

// NAME is "Item " followed by the row's number i: GRP = i div 10 and
// SEQ = i * 37 mod 1009.
std::string NameOf(const Row& row) {
  for (int i = row.first * 10; i < row.first * 10 + 10; ++i)
    if (i * 37 % 1009 == row.second) return "Item " + std::to_string(i);
  return "";
}

TEST_F(LimitedDataSetTest, LocateComparesCaseAndPrefixesOnTheServer) {
  using classlib::Variant;
  ASSERT_TRUE(ds_->Locate("NAME", Variant("item 4321"), {classlib::loCaseInsensitive}));
  EXPECT_EQ(ds_->FieldByName("NAME")->AsString(), "Item 4321");
  EXPECT_EQ(NameOf(Current()), "Item 4321");
  ASSERT_TRUE(ds_->Locate("NAME", Variant("Item 777"), {classlib::loPartialKey}));
  EXPECT_EQ(ds_->FieldByName("NAME")->AsString().rfind("Item 777", 0), 0u);
  // A prefix is text, not a pattern.
  EXPECT_FALSE(ds_->Locate("NAME", Variant("Item 7%"), {classlib::loPartialKey}));
  try {
    ds_->Locate("", Variant(1), {});
    ADD_FAILURE() << "an empty field list must be refused";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 76);
    EXPECT_NE(e.Message().find("Items.LocateForPartialCache"), std::string::npos) << e.Message();
  }
  ds_->Close();
  EXPECT_THROW(ds_->Locate("NAME", Variant("Item 1"), {}), classlib::EDatabaseError);
}

TEST_F(LimitedDataSetTest, LookupFindsRowsInsideAndOutsideTheWindow) {
  using classlib::Variant;
  // Far enough for the window's indexes to exceed its size.
  ds_->MoveBy(5000);
  const Row at = Current();
  const Row in_window = Expected()[4997];
  EXPECT_EQ(ds_->Lookup("GRP;SEQ", classlib::VarArrayOf({in_window.first, in_window.second}),
                        "NAME")
                .AsString(),
            NameOf(in_window));
  const Row far = Expected()[90000];
  EXPECT_EQ(ds_->Lookup("GRP;SEQ", classlib::VarArrayOf({far.first, far.second}), "NAME")
                .AsString(),
            NameOf(far));
  EXPECT_TRUE(classlib::VarIsNull(
      ds_->Lookup("GRP;SEQ", classlib::VarArrayOf({-1, 0}), "NAME")));
  EXPECT_EQ(Current(), at);  // Lookup leaves the data set where it was

  // The key search itself sees only the window and fetches nothing.
  EXPECT_FALSE(ds_->LocateByKeys("GRP;SEQ", classlib::VarArrayOf({far.first, far.second}), {},
                                 true, ldFirst, true));
  EXPECT_EQ(Current(), at);
  ASSERT_TRUE(ds_->LocateByKeys("GRP;SEQ",
                                classlib::VarArrayOf({in_window.first, in_window.second}), {},
                                true, ldFirst, true));
  EXPECT_EQ(Current(), in_window);
}

// A control that shows 20 rows makes the data set read ahead of its current
// record. When that reading passes the window's end, the rows after the end
// must follow the window's last record, not the record the control shows.
TEST_F(LimitedDataSetTest, ARingThatReadsAheadLosesAndRepeatsNoRow) {
  ds_->Close();
  classlib::TDataSource source(&connection_.form);
  source.SetDataSet(ds_.get());
  classlib::TDataLink grid;
  grid.SetBufferCount(20);
  grid.SetDataSource(&source);
  ds_->Open();
  ds_->Last();
  for (int k = 0; k < 150; ++k) ds_->Prior();
  ASSERT_FALSE(ds_->Window().AtEnd);
  ds_->SetRecNo(ds_->Window().LastIndex - 1);  // two records before the window's end
  const auto from = std::find(Expected().begin(), Expected().end(), Current());
  ASSERT_NE(from, Expected().end());
  EXPECT_EQ(Browse(true), std::vector<Row>(from, Expected().end()));
  grid.SetDataSource(nullptr);
}

}  // namespace
}  // namespace fib
