// The window of a limited data set moved over 100 000 rows of the embedded
// engine by the real keyset statements, with a host that keeps the ring of
// BufferChunks records and checks that every record read is the one stored
// for its index (a record overwritten while still in the window shows).
#include "fib/records/limited_cache_navigator.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "classlib/variant.h"
#include "fib/records/limited_cache_sql.h"
#include "fib/statements/fib_base_params.h"
#include "fib/statements/fib_query.h"
#include "items_fixture.h"

namespace fib {
namespace {

using Row = fib_test::ItemsTest::Row;
constexpr int kRows = fib_test::ItemsTest::kRows;

// Field values of one record by name: GRP and SEQ.
class RowValues : public ISQLObject {
 public:
  Row row{0, 0};
  int ParamCount() const override { return 0; }
  std::string ParamName(int) const override { return {}; }
  bool ParamExist(const std::string&, int&) const override { return false; }
  classlib::Variant ParamValue(int) const override { return {}; }
  void SetParamValue(int, const classlib::Variant&) override {}
  bool FieldExist(const std::string& name, int& index) const override {
    index = name == "GRP" ? 0 : name == "SEQ" ? 1 : -1;
    return index >= 0;
  }
  classlib::Variant FieldValue(int index, bool) const override {
    return classlib::Variant(index == 0 ? row.first : row.second);
  }
};

// A cache of exactly BufferChunks positions used as a ring.
class RingHost : public ILimitedCacheHost {
 public:
  explicit RingHost(int chunks) : slots_(static_cast<size_t>(chunks)) {}

  void StoreRow(TFIBQuery& statement, int index) override {
    Slot& slot = SlotOf(index);
    slot.index = index;
    slot.row = {statement.FieldByName("GRP").AsInteger(), statement.FieldByName("SEQ").AsInteger()};
  }
  void ShiftBufferIndexes(int delta) override {
    for (Slot& slot : slots_)
      if (slot.index >= 0) slot.index += delta;
    ++shifts;
  }
  ISQLObject& RecordValues(int index) override {
    values_.row = Read(index);
    return values_;
  }
  ISQLObject& CurrentValues() override {
    values_.row = current;
    return values_;
  }
  // The record of index; fails the test when the ring lost it.
  Row Read(int index) {
    Slot& slot = SlotOf(index);
    EXPECT_EQ(slot.index, index) << "record " << index << " was overwritten";
    return slot.row;
  }

  Row current{0, 0};
  int shifts = 0;

 private:
  struct Slot {
    int index = -1;
    Row row{0, 0};
  };
  Slot& SlotOf(int index) { return slots_[static_cast<size_t>(index) % slots_.size()]; }
  std::vector<Slot> slots_;
  RowValues values_;
};

constexpr int kChunks = 100;

class LimitedCacheNavigatorTest : public fib_test::ItemsTest {
 protected:
  LimitedCacheNavigatorTest() : host_(kChunks) {
    const std::vector<KeysetField> sort{{"GRP", "GRP", "ITEMS", "", false},
                                        {"SEQ", "SEQ", "ITEMS", "", true}};
    const LimitedCacheTexts texts = BuildLimitedCacheTexts("DS", kSelect, sort, sort, "");
    select_ = NewQuery("SelectQuery", kSelect);
    desc_ = NewQuery("SelectDescQuery", texts.desc);
    part_ = NewQuery("SelectPartQuery", texts.part);
    part_desc_ = NewQuery("SelectPartDescQuery", texts.part_desc);
    locate_ = NewQuery("SelectLocate", texts.locate);
    select_->ExecQuery();
    nav_ = std::make_unique<TLimitedCacheNavigator>(
        host_, LimitedCacheCursor{window_, current_, record_count_},
        LimitedCacheStatements{select_.get(), desc_.get(), part_.get(), part_desc_.get()},
        kChunks);
    nav_->Reset();
  }

  // One step; on OK the row read, checked against the ring.
  WindowStep Step(bool forward, Row& row) {
    WindowStep step = forward ? nav_->Next() : nav_->Prior();
    const int size = nav_->LastIndex() - nav_->FirstIndex() + 1;
    EXPECT_LE(size, kChunks);
    if (step == WindowStep::kOK) row = host_.current = host_.Read(nav_->Current());
    return step;
  }

  // Every row from the cursor on in one direction, until BOF or EOF.
  std::vector<Row> Walk(bool forward) {
    std::vector<Row> rows;
    Row row;
    while (Step(forward, row) == WindowStep::kOK) rows.push_back(row);
    return rows;
  }

  RingHost host_;
  std::unique_ptr<TFIBQuery> select_, desc_, part_, part_desc_, locate_;
  TLimitedCacheWindow window_;
  int current_ = -1;
  int record_count_ = 0;
  std::unique_ptr<TLimitedCacheNavigator> nav_;
  const std::vector<Row>& expected_ = Expected();
};

TEST_F(LimitedCacheNavigatorTest, WalksTheWholeResultBothWaysFromEitherEnd) {
  ASSERT_EQ(expected_.size(), static_cast<size_t>(kRows));
  EXPECT_EQ(Walk(true), expected_);
  EXPECT_TRUE(nav_->AtEnd());
  EXPECT_FALSE(nav_->AtStart());
  // Back from the end: the window re-reads the rows before its first record.
  std::vector<Row> back = Walk(false);
  EXPECT_EQ(std::vector<Row>(back.rbegin(), back.rend()), expected_);
  EXPECT_TRUE(nav_->AtStart());

  nav_->GoLast(false);
  EXPECT_EQ(nav_->Current(), TLimitedCacheNavigator::kLastStart);
  EXPECT_EQ(nav_->RecordCount(), kChunks);
  back = Walk(false);
  EXPECT_EQ(std::vector<Row>(back.rbegin(), back.rend()), expected_);
  // Forwards again from the first row, the window fed backwards so far.
  nav_->GoFirst();
  EXPECT_EQ(Walk(true), expected_);
}

TEST_F(LimitedCacheNavigatorTest, RandomStepsMatchThePlainSelect) {
  std::mt19937 random(20261207);
  int position = -1;  // index into expected_ of the record at the cursor
  int index = -1;     // its record index
  Row row;
  for (int burst = 0; burst < 60; ++burst) {
    const bool forward = random() % 2 == 0;
    const int length = static_cast<int>(random() % 700);
    for (int k = 0; k < length; ++k) {
      WindowStep step = Step(forward, row);
      const int next = position + (forward ? 1 : -1);
      if (next < 0 || next >= kRows) {
        ASSERT_NE(step, WindowStep::kOK);
        // As the data set does, the cursor goes back to the record shown.
        current_ = index;
        break;
      }
      ASSERT_EQ(step, WindowStep::kOK) << "burst " << burst << " step " << k;
      position = next;
      index = nav_->Current();
      ASSERT_EQ(row, expected_[static_cast<size_t>(position)]) << "burst " << burst;
    }
  }
}

TEST_F(LimitedCacheNavigatorTest, RefillsAroundALocatedRow) {
  const Row wanted = expected_[54321];
  locate_->ParamByName("LOCATE_GRP").SetAsInteger(wanted.first);
  locate_->ParamByName("LOCATE_SEQ").SetAsInteger(wanted.second);
  int target = 3;  // below BufferChunks div 2: placed there
  ASSERT_TRUE(nav_->FillAround(*locate_, target, true, true));
  EXPECT_EQ(target, kChunks / 2);
  EXPECT_EQ(nav_->Current(), target);
  EXPECT_EQ(host_.Read(target), wanted);
  EXPECT_EQ(nav_->LastIndex() - nav_->FirstIndex() + 1, kChunks - 1);

  // From the located row the cursor reaches both ends without a gap.
  host_.current = wanted;
  std::vector<Row> after = Walk(true);
  ASSERT_EQ(after.size(), static_cast<size_t>(kRows - 54321 - 1));
  EXPECT_EQ(after.front(), expected_[54322]);
  EXPECT_EQ(after.back(), expected_.back());
  ASSERT_TRUE(nav_->FillAround(*locate_, target, true, true));
  std::vector<Row> before = Walk(false);
  ASSERT_EQ(before.size(), 54321u);
  EXPECT_GT(host_.shifts, 0);  // the indexes ran down to -1 on the way
  EXPECT_EQ(std::vector<Row>(before.rbegin(), before.rend()),
            std::vector<Row>(expected_.begin(), expected_.begin() + 54321));

  // A key that selects no row leaves the window alone.
  const int first = nav_->FirstIndex();
  locate_->ParamByName("LOCATE_SEQ").SetAsInteger(5000);
  EXPECT_FALSE(nav_->FillAround(*locate_, target, true, true));
  EXPECT_EQ(nav_->FirstIndex(), first);
}

TEST_F(LimitedCacheNavigatorTest, RefillAroundAVanishedRowStartsAfterIt) {
  // The data set's current values name a row the statement no longer finds:
  // the window holds its neighbours and the cursor stands on the next one.
  host_.current = expected_[500];
  locate_->ParamByName("LOCATE_GRP").SetAsInteger(-1);
  int target = 200;
  EXPECT_FALSE(nav_->FillAround(*locate_, target, false, true));
  EXPECT_EQ(host_.Read(nav_->Current()), expected_[501]);
  Row row;
  ASSERT_EQ(Step(false, row), WindowStep::kOK);
  EXPECT_EQ(row, expected_[499]);
}

TEST_F(LimitedCacheNavigatorTest, ShortAndEmptyResults) {
  // Fewer rows than the window holds: all stay in it, and going to the last
  // record executes nothing more.
  select_->Close();
  select_->SQL().SetText("select GRP, SEQ from ITEMS where GRP < 3 order by GRP desc, SEQ");
  select_->ExecQuery();
  nav_->Reset();
  std::vector<Row> rows = Walk(true);
  ASSERT_EQ(rows.size(), 30u);
  EXPECT_EQ(rows.back(), expected_.back());
  EXPECT_TRUE(nav_->AtStart());
  EXPECT_TRUE(nav_->AtEnd());
  nav_->GoLast(false);
  EXPECT_EQ(nav_->Feeder(), select_.get());
  EXPECT_EQ(nav_->Current(), nav_->LastIndex() + 1);

  select_->Close();
  select_->SQL().SetText("select GRP, SEQ from ITEMS where GRP < 0 order by GRP desc, SEQ");
  select_->ExecQuery();
  nav_->Reset();
  Row row;
  EXPECT_EQ(Step(true, row), WindowStep::kEOF);
  EXPECT_TRUE(nav_->AtEnd());
  desc_->SQL().SetText("select GRP, SEQ from ITEMS where GRP < 0 order by GRP, SEQ desc");
  nav_->Reset();
  nav_->GoLast(false);
  EXPECT_EQ(nav_->FirstIndex(), TLimitedCacheNavigator::kLastStart);
  EXPECT_EQ(nav_->LastIndex(), TLimitedCacheNavigator::kLastStart - 1);
  EXPECT_EQ(nav_->RecordCount(), 0);
  EXPECT_EQ(Step(false, row), WindowStep::kBOF);
  EXPECT_EQ(Step(true, row), WindowStep::kEOF);
}

}  // namespace
}  // namespace fib
