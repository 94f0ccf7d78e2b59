// Record numbers under random work: inserts, appends, deletes, edits and
// reverts with a filter, a local order and cached updates switched on and
// off. After every step each record number must lead to the row that stands
// at that place among the visible rows, and a sorted store keeps every row,
// hidden ones included, in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "dacore/tests/store_fixture.h"
#include "dacore/util_bytes.h"

namespace dacore {
namespace {

class RandomWorkTest : public ::testing::TestWithParam<unsigned> {
 protected:
  RandomWorkTest() : store_({{"ID", dtInt32, 4}, {"V", dtInt32, 4}}), rng_(GetParam()) {
    store_.Open();
    store_.OnApplyRecord = [](int, int& action, bool) { action = urApplied; };
  }

  int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(rng_); }
  static int32_t V(TRecBuf rec) { return LoadUnaligned<int32_t>(static_cast<uint8_t*>(rec) + 4); }

  void Insert(bool append) {
    TestRecord rec(store_);
    const int32_t id = next_id_++, v = Pick(50);
    store_.PutFieldByNo(1, rec.buf(), &id);
    store_.PutFieldByNo(2, rec.buf(), &v);
    if (append) store_.AppendRecord(rec.buf());
    else store_.InsertRecord(rec.buf());
  }
  void Edit() {
    TestRecord rec(store_);
    std::memcpy(rec.buf(), ItemRecord(store_.CurrentItem()), store_.RecordSize());
    const int32_t v = Pick(50);
    store_.PutFieldByNo(2, rec.buf(), &v);
    store_.UpdateRecord(rec.buf());
  }
  void SetFilter(bool on) {
    if (on) store_.SetFilterFunc([](TRecBuf rec) { return V(rec) % 4 != 0; });
    else store_.SetFilterFunc(nullptr);
    store_.ClearCache();
  }

  // Goes to a random visible row through its record number; false when none.
  bool GoSomewhere() {
    const int count = store_.GetRecordCount();
    if (count == 0) return false;
    store_.SetRecordNo(1 + Pick(count));
    return store_.CurrentItem() != nullptr;
  }

  void Step() {
    switch (Pick(20)) {
      case 0: case 1: case 2:
        if (Pick(3) == 0) store_.SetToBegin();
        else GoSomewhere();
        Insert(false);
        break;
      case 3: case 4: Insert(true); break;
      case 5: case 6: case 7: if (GoSomewhere()) store_.DeleteRecord(); break;
      case 8: case 9: case 10: case 11: if (GoSomewhere()) Edit(); break;
      case 12: case 13: if (GoSomewhere()) store_.RevertRecord(); break;
      case 14: SetFilter(!store_.HasFilter()); break;
      case 15: store_.SetSortFields(store_.HasSortColumns() ? "" : "V"); break;
      case 16: store_.SetCachedUpdates(!store_.CachedUpdates()); break;
      case 17:
        if (store_.CachedUpdates())
          store_.SetFilterItemTypes(store_.FilterItemTypes() == kAllItemTypes ? kDefaultItemTypes : kAllItemTypes);
        break;
      case 18: if (Pick(4) == 0) store_.CancelUpdates(); break;
      case 19: if (Pick(4) == 0) store_.CommitUpdates(); break;
    }
  }

  void ExpectRecordNumbersLeadToTheirRows(int step) {
    std::vector<ItemHeader*> visible;
    store_.SetToBegin();
    for (store_.GetNextRecord(nullptr); !store_.GetEOF(); store_.GetNextRecord(nullptr))
      visible.push_back(store_.CurrentItem());
    ASSERT_EQ(store_.GetRecordCount(), static_cast<int>(visible.size())) << "step " << step;
    std::vector<int> order(visible.size());
    std::iota(order.begin(), order.end(), 1);
    std::shuffle(order.begin(), order.end(), rng_);  // every walk starts somewhere else
    for (int k : order) {
      store_.SetRecordNo(k);
      ASSERT_EQ(store_.CurrentItem(), visible[k - 1]) << "step " << step << ", record " << k;
      ASSERT_EQ(store_.GetRecordNo(), k) << "step " << step;
    }
    if (!store_.HasSortColumns()) return;
    for (ItemHeader* it = store_.FirstItem(); it && it->next; it = it->next)
      ASSERT_LE(V(ItemRecord(it)), V(ItemRecord(it->next))) << "step " << step << ": rows out of order";
  }

  TTestStore store_;
  std::mt19937 rng_;
  int32_t next_id_ = 1;
};

TEST_P(RandomWorkTest, EveryRecordNumberLeadsToItsVisibleRow) {
  SetFilter(true);
  store_.SetSortFields("V");
  store_.SetCachedUpdates(true);
  for (int i = 0; i < 30; ++i) Insert(true);
  for (int step = 0; step < 600; ++step) {
    Step();
    ExpectRecordNumbersLeadToTheirRows(step);
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomWorkTest, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
}  // namespace dacore
