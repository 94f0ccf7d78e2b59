// A NaN in a currency or float column of the record store: the sort keys,
// the record comparison and the value comparison put it in one place, after
// every number and equal only to a NaN; NULL stays before every value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "classlib/variant.h"
#include "dacore/tests/store_fixture.h"

namespace dacore {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

class StoreFloatOrderTest : public ::testing::TestWithParam<TDataType> {
 protected:
  StoreFloatOrderTest() : store_({{"ID", dtInt32, 4}, {"C", GetParam(), 8}}) {
    store_.Open();
    // ID 4 holds NULL.
    const std::vector<std::pair<int, double>> rows{{1, kNaN}, {2, 2.5}, {3, -1.0}, {4, 0}, {5, 7.0}};
    for (const auto& [id, value] : rows) {
      TRecBuf rec = store_.AllocRecBuf();
      store_.InitRecord(rec);
      store_.PutFieldAsVariant(1, rec, classlib::Variant(id));
      if (id != 4) store_.PutFieldByNo(2, rec, &value);
      store_.AppendRecord(rec);
      TData::FreeRecBuf(rec);
    }
  }

  const TFieldDesc& C() { return *store_.Fields().GetItems(1); }

  // The record of the row with that ID.
  TRecBuf Row(int id) {
    store_.SetToBegin();
    for (store_.GetNextRecord(nullptr); !store_.GetEOF(); store_.GetNextRecord(nullptr)) {
      classlib::Variant value;
      store_.GetFieldAsVariant(1, ItemRecord(store_.CurrentItem()), value);
      if (value.AsInteger() == id) return ItemRecord(store_.CurrentItem());
    }
    return nullptr;
  }

  std::vector<int> Ids() {
    std::vector<int> ids;
    store_.SetToBegin();
    for (store_.GetNextRecord(nullptr); !store_.GetEOF(); store_.GetNextRecord(nullptr)) {
      classlib::Variant value;
      store_.GetFieldAsVariant(1, ItemRecord(store_.CurrentItem()), value);
      ids.push_back(value.AsInteger());
    }
    return ids;
  }

  TTestStore store_;
};

TEST_P(StoreFloatOrderTest, ValueAndRecordComparisonsOrderANaNAsTheSortKeysDo) {
  const double two_and_half = 2.5, other_nan = -std::nan("");
  // A number is before the NaN, a NaN equals the NaN and follows the numbers.
  EXPECT_EQ(store_.CompareFieldValue(&two_and_half, GetParam(), C(), Row(1), 0), -1);
  EXPECT_EQ(store_.CompareFieldValue(&other_nan, GetParam(), C(), Row(1), 0), 0);
  EXPECT_EQ(store_.CompareFieldValue(&other_nan, GetParam(), C(), Row(5), 0), 1);
  EXPECT_EQ(store_.CompareFieldValue(&two_and_half, GetParam(), C(), Row(2), 0), 0);
  const int32_t seven = 7;
  EXPECT_EQ(store_.CompareFieldValue(&seven, dtInt32, C(), Row(1), 0), -1);
  EXPECT_EQ(store_.CompareFieldValue(&seven, dtInt32, C(), Row(5), 0), 0);
  // Records: NULL first, the NaN last.
  EXPECT_EQ(store_.CompareRecords(Row(1), Row(5), 0, C()), 1);
  EXPECT_EQ(store_.CompareRecords(Row(5), Row(1), 0, C()), -1);
  EXPECT_EQ(store_.CompareRecords(Row(1), Row(1), 0, C()), 0);
  EXPECT_EQ(store_.CompareRecords(Row(4), Row(1), 0, C()), -1);
  EXPECT_EQ(store_.CompareRecords(Row(1), Row(4), 0, C()), 1);

  store_.SetSortFields("C");
  EXPECT_EQ(Ids(), (std::vector<int>{4, 3, 2, 5, 1}));
  store_.SetSortFields("C DESC");
  EXPECT_EQ(Ids(), (std::vector<int>{1, 5, 2, 3, 4}));
}

INSTANTIATE_TEST_SUITE_P(FloatAndCurrency, StoreFloatOrderTest, ::testing::Values(dtFloat, dtCurrency),
                         [](const ::testing::TestParamInfo<TDataType>& info) {
                           return std::string(info.param == dtFloat ? "Float" : "Currency");
                         });

}  // namespace
}  // namespace dacore
