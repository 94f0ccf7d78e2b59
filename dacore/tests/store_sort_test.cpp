// Local sorting: index field lists, null order, comparisons by type and
// partial keys, keeping the order after edits, and a million rows in sorted,
// reverse and equal order on a small stack within n log n comparisons.
#include <gtest/gtest.h>
#include <pthread.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "dacore/tests/store_fixture.h"
#include "dacore/util_bytes.h"

namespace dacore {
namespace {

// Counts the field comparisons, and stops a sort that exceeds its budget.
class CountingStore : public TTestStore {
 public:
  using TTestStore::TTestStore;
  int64_t comparisons = 0;
  int64_t budget = INT64_MAX;
  bool by_keys = true;
  bool SortsByKeys() const override { return by_keys; }
  int CompareRecordField(TRecBuf rec1, TRecBuf rec2, const TSortColumn& column) override {
    if (++comparisons > budget) throw std::runtime_error("comparison budget exceeded");
    return TMemData::CompareRecordField(rec1, rec2, column);
  }
};

class SortTest : public ::testing::Test {
 protected:
  SortTest() : store_({{"GRP", dtInt32, 4}, {"NAME", dtString, 21, 20}, {"AMOUNT", dtFloat, 8}}) { store_.Open(); }

  // Appends a row; a null group or name when the pointer is null.
  void Add(const int32_t* grp, const char* name, double amount = 0) {
    TestRecord rec(store_);
    store_.PutFieldByNo(1, rec.buf(), grp);
    store_.PutFieldByNo(2, rec.buf(), name);
    store_.PutFieldByNo(3, rec.buf(), &amount);
    store_.InternalAppend(rec.buf());
  }
  void Add(int32_t grp, const char* name, double amount = 0) { Add(&grp, name, amount); }

  std::string Row(TRecBuf rec) {
    bool blank = false;
    int32_t grp = 0;
    char name[32] = {};
    store_.GetFieldByNo(1, rec, &grp, blank);
    std::string out = blank ? "-" : std::to_string(grp);
    store_.GetFieldByNo(2, rec, name, blank);
    return out + ":" + (blank ? "-" : name);
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    for (ItemHeader* it = store_.FirstItem(); it; it = it->next) out.push_back(Row(ItemRecord(it)));
    return out;
  }

  CountingStore store_;
};

TEST_F(SortTest, IndexFieldListOrdersByColumnsAndModifiers) {
  Add(2, "b");
  Add(1, "B");
  Add(nullptr, "a");
  Add(1, "a");
  Add(2, nullptr);
  store_.SetSortFields("NAME;GRP DESC");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"2:-", "1:a", "-:a", "2:b", "1:B"})) << "case-sensitive: b before B";
  store_.SetSortFields("[NAME] CIS, GRP");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"2:-", "-:a", "1:a", "1:B", "2:b"}));
  store_.SetSortFields("GRP DESC");
  EXPECT_EQ(Rows().back(), "-:a") << "null sorts last in descending order";
  EXPECT_EQ(store_.GetRecordCount(), 5);
}

// Rows whose sort columns are equal keep the order they had, whether their
// keys or the record comparison decide, ascending and descending; by keys a
// NaN sorts after every number, and -0 with 0.
TEST_F(SortTest, EqualRowsKeepTheirOrderAndNaNsComeLast) {
  auto is_nan_row = [](int i) { return i % 5 == 0; };
  char name[8];
  for (int i = 0; i < 40; ++i) {
    std::snprintf(name, sizeof name, "r%02d", i);
    Add(i % 3, name, is_nan_row(i) ? std::nan("") : (i % 2 ? 0.0 : -0.0));
  }
  // The rows of the groups in turn, each group's in the order they were added.
  auto rows_of = [&](std::vector<int> groups, std::function<bool(int)> take) {
    std::vector<std::string> out;
    for (int g : groups)
      for (int i = 0; i < 40; ++i)
        if (i % 3 == g && take(i)) out.push_back(std::to_string(g) + (i < 10 ? ":r0" : ":r") + std::to_string(i));
    return out;
  };
  auto all = [](int) { return true; };
  for (const bool by_keys : {true, false}) {
    store_.by_keys = by_keys;
    store_.SetSortFields("NAME DESC");
    store_.SetSortFields("NAME");  // back to the order the rows were added in
    store_.SetSortFields("GRP");
    EXPECT_EQ(Rows(), rows_of({0, 1, 2}, all)) << by_keys;
    store_.SetSortFields("NAME");
    store_.SetSortFields("GRP DESC");
    EXPECT_EQ(Rows(), rows_of({2, 1, 0}, all)) << by_keys;
  }
  store_.by_keys = true;
  store_.SetSortFields("NAME");
  store_.SetSortFields("AMOUNT;GRP");
  std::vector<std::string> want = rows_of({0, 1, 2}, [&](int i) { return !is_nan_row(i); });
  const std::vector<std::string> nans = rows_of({0, 1, 2}, is_nan_row);
  want.insert(want.end(), nans.begin(), nans.end());
  EXPECT_EQ(Rows(), want);
}

TEST_F(SortTest, BadIndexFieldListsAreRefused) {
  auto message = [&](const std::string& spec) {
    try {
      store_.SetSortFields(spec);
    } catch (const classlib::EDatabaseError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("NAME DESC ASC"), "Invalid IndexFieldNames format!");
  EXPECT_EQ(message("NAME CS CIS"), "Invalid IndexFieldNames format!");
  EXPECT_EQ(message("NAME = 1"), "Invalid IndexFieldNames format!");
  EXPECT_EQ(message("NAME UP"), "Invalid IndexFieldNames format!");
  EXPECT_EQ(message("[NAME"), "Invalid IndexFieldNames format!");
  EXPECT_EQ(message("SALARY"), "Field SALARY not found");
  EXPECT_EQ(message(" ;; "), "no error");
  EXPECT_FALSE(store_.HasSortColumns());
}

TEST(SortFieldNameTest, BracketedNamesKeepTheirBlanks) {
  TTestStore store({{"Last Name", dtString, 11, 10}});
  store.Open();
  for (const char* name : {"b", "A", "a"}) {
    TestRecord rec(store);
    store.PutFieldByNo(1, rec.buf(), name);
    store.InternalAppend(rec.buf());
  }
  store.SetSortFields("[Last Name] CIS");
  ASSERT_TRUE(store.HasSortColumns());
  EXPECT_EQ(store.SortColumns()[0].field->Name(), "Last Name");
  EXPECT_FALSE(store.SortColumns()[0].case_sensitive);
  char first[12] = {};
  bool blank = false;
  store.GetFieldByNo(1, ItemRecord(store.LastItem()), first, blank);
  EXPECT_STREQ(first, "b");
}

// Keys read once per record must order exactly as the record comparison
// does: nulls, equal texts, case variants, long texts (not copied beside the
// key), floats, descending and case-insensitive columns.
TEST(SortKeysTest, KeysOrderAsTheRecordComparison) {
  auto fill = [](CountingStore& store) {
    store.Open();
    const char* names[] = {"b", "B", "a", nullptr, "", "co-op", "coop", "a"};
    for (int i = 0; i < 400; ++i) {
      TestRecord rec(store);
      const int32_t grp = i % 7;
      const double amount = (i * 37 % 11) / 4.0;
      std::string text(i % 3 == 0 ? 90 : 5, static_cast<char>('a' + i % 4));
      store.PutFieldByNo(1, rec.buf(), i % 13 == 0 ? nullptr : &grp);
      store.PutFieldByNo(2, rec.buf(), names[i % 8]);
      store.PutFieldByNo(3, rec.buf(), i % 17 == 0 ? nullptr : &amount);
      store.PutFieldByNo(4, rec.buf(), i % 19 == 0 ? nullptr : text.c_str());
      const char16_t* wides[] = {u"b", u"B", u"ёж", u"Еж", u"a"};
      store.PutFieldByNo(5, rec.buf(), i % 23 == 0 ? nullptr : wides[i % 5]);
      store.InternalAppend(rec.buf());
    }
  };
  // Each row's appended position, in the store's present order.
  auto positions = [](CountingStore& store, const std::map<ItemHeader*, int>& appended) {
    std::vector<int> out;
    for (ItemHeader* it = store.FirstItem(); it; it = it->next) out.push_back(appended.at(it));
    return out;
  };
  auto appended_of = [](CountingStore& store) {
    std::map<ItemHeader*, int> out;
    for (ItemHeader* it = store.FirstItem(); it; it = it->next) out.emplace(it, static_cast<int>(out.size()));
    return out;
  };
  const std::vector<TestField> fields = {
      {"GRP", dtInt32, 4},         {"NAME", dtString, 21, 20}, {"AMOUNT", dtFloat, 8},
      {"LONGTEXT", dtString, 101, 100}, {"WIDE", dtWideString, 42, 20}};
  // A wide column has no key: it and the columns after it go through the
  // record comparison, descending ones too.
  for (const std::string spec : {"GRP;NAME", "NAME CIS;AMOUNT DESC", "LONGTEXT DESC;GRP", "AMOUNT;LONGTEXT CIS;NAME DESC",
                                 "GRP DESC;WIDE DESC;NAME", "NAME CIS;WIDE CIS;AMOUNT DESC", "WIDE;GRP DESC"}) {
    const bool keys_only = spec.find("WIDE") == std::string::npos;
    CountingStore keyed(fields), plain(fields);
    plain.by_keys = false;
    fill(keyed);
    fill(plain);
    const auto keyed_appended = appended_of(keyed), plain_appended = appended_of(plain);
    keyed.SetSortFields(spec);
    plain.SetSortFields(spec);
    if (keys_only) EXPECT_EQ(keyed.comparisons, 0) << spec << ": no column needs the record comparison";
    else EXPECT_GT(keyed.comparisons, 0) << spec;
    EXPECT_GT(plain.comparisons, 0) << spec;
    // The same appended position at every place of both orders.
    EXPECT_EQ(positions(keyed, keyed_appended), positions(plain, plain_appended)) << spec;
    for (ItemHeader* it = keyed.FirstItem(); it->next; it = it->next)
      ASSERT_LE(plain.CompareBySortColumns(ItemRecord(it), ItemRecord(it->next)), 0) << spec;
    EXPECT_EQ(keyed.RecordNoOf(keyed.LastItem()), 400);
  }
}

TEST_F(SortTest, InsertsAndUpdatesKeepTheOrder) {
  for (int32_t g : {10, 20, 30, 40}) Add(g, "x");
  store_.SetSortFields("GRP");
  // An update that makes the first row the largest moves it to the end.
  store_.SetToBegin();
  store_.GetNextRecord(nullptr);
  TestRecord rec(store_);
  store_.GetRecord(rec.buf());
  const int32_t big = 50;
  store_.PutFieldByNo(1, rec.buf(), &big);
  store_.UpdateRecord(rec.buf());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"20:x", "30:x", "40:x", "50:x"}));
  EXPECT_EQ(store_.GetRecordNo(), 4);
  // An insert lands at its place whatever the current row.
  const int32_t mid = 25;
  store_.PutFieldByNo(1, rec.buf(), &mid);
  store_.InsertRecord(rec.buf());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"20:x", "25:x", "30:x", "40:x", "50:x"}));
  EXPECT_EQ(store_.GetRecordNo(), 2);
  // Inserted at the start or the end, with no current row beside it.
  const int32_t big_again = 45, small = 5;
  store_.SetToBegin();
  store_.PutFieldByNo(1, rec.buf(), &big_again);
  store_.InsertRecord(rec.buf());
  store_.SetToEnd();
  store_.PutFieldByNo(1, rec.buf(), &small);
  store_.InsertRecord(rec.buf());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"5:x", "20:x", "25:x", "30:x", "40:x", "45:x", "50:x"}));
  EXPECT_EQ(store_.GetRecordNo(), 1);
}

// An edit or insert moves a row past the rows that sort before or after it,
// never past an equal one, so rows with equal keys keep their order.
TEST_F(SortTest, EqualNeighboursStayWhereTheyAre) {
  Add(10, "a");
  Add(20, "b");
  Add(20, "c");
  Add(30, "d");
  store_.SetSortFields("GRP");
  TestRecord rec(store_);
  auto edit = [&](int record_no, int32_t grp, const char* name) {
    store_.SetRecordNo(record_no);
    store_.GetRecord(rec.buf());
    store_.PutFieldByNo(1, rec.buf(), &grp);
    store_.PutFieldByNo(2, rec.buf(), name);
    store_.UpdateRecord(rec.buf());
  };
  edit(3, 20, "z");
  EXPECT_EQ(store_.GetRecordNo(), 3);
  // Inserted before an equal current row: it stays there.
  store_.SetRecordNo(2);
  const int32_t twenty = 20;
  store_.PutFieldByNo(1, rec.buf(), &twenty);
  store_.PutFieldByNo(2, rec.buf(), "n");
  store_.InsertRecord(rec.buf());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"10:a", "20:n", "20:b", "20:z", "30:d"}));
  EXPECT_EQ(store_.GetRecordNo(), 2);
  // Raised and lowered onto the equal rows: the first stays first, the last last.
  edit(1, 20, "a");
  edit(5, 20, "d");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"20:a", "20:n", "20:b", "20:z", "20:d"}));
  edit(1, 25, "a");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"20:n", "20:b", "20:z", "20:d", "25:a"}));
}

// Calculated columns exist only once the store's callback has filled them:
// they sort by the values it computes, descending too, with ties in their
// earlier order and a later column deciding between them.
TEST(SortCalculatedTest, CalculatedColumnsSortByTheComputedValues) {
  TTestStore store({{"ID", dtInt32, 4}, {"C", dtInt32, 4}});
  store.OnAfterInitFields = [&store] { store.Fields().GetItems(1)->SetFieldKind(fkCalculated); };
  store.Open();
  auto id_of = [&store](TRecBuf rec) {
    int32_t id = 0;
    bool blank = true;
    store.GetFieldByNo(1, rec, &id, blank);
    return id;
  };
  store.OnCalcFields = [&](TRecBuf rec) {
    const int32_t c = id_of(rec) % 3;
    store.PutFieldByNo(2, rec, &c);
  };
  for (int32_t id = 1; id <= 9; ++id) {
    TestRecord rec(store);
    store.PutFieldByNo(1, rec.buf(), &id);
    store.InternalAppend(rec.buf());
  }
  auto ids = [&] {
    std::vector<int32_t> out;
    for (ItemHeader* it = store.FirstItem(); it; it = it->next) out.push_back(id_of(ItemRecord(it)));
    return out;
  };
  store.SetSortFields("C DESC");
  EXPECT_EQ(ids(), (std::vector<int32_t>{2, 5, 8, 1, 4, 7, 3, 6, 9}));
  store.SetSortFields("C;ID DESC");
  EXPECT_EQ(ids(), (std::vector<int32_t>{9, 6, 3, 7, 4, 1, 8, 5, 2}));
}

// A cached change taken back restores values whose place in the order may
// be elsewhere: the row goes back to it, whichever way it is taken back.
TEST_F(SortTest, RowsTakenBackInCachedUpdatesReturnToTheirPlace) {
  for (int32_t g : {10, 20, 30, 40}) Add(g, "x");
  store_.SetSortFields("GRP");
  store_.SetCachedUpdates(true);
  TestRecord rec(store_);
  auto edit_first_to = [&](int32_t grp) {
    store_.SetRecordNo(1);
    store_.GetRecord(rec.buf());
    store_.PutFieldByNo(1, rec.buf(), &grp);
    store_.UpdateRecord(rec.buf());
  };
  const std::vector<std::string> sorted{"10:x", "20:x", "30:x", "40:x"};
  edit_first_to(35);
  store_.RevertRecord();
  EXPECT_EQ(Rows(), sorted);
  EXPECT_EQ(store_.GetRecordNo(), 1);

  edit_first_to(35);
  store_.CancelUpdates();
  EXPECT_EQ(Rows(), sorted);

  // Deleted after the edit: hidden with its first values, at their place,
  // so a later insert lands in order and a revert shows it where it belongs.
  edit_first_to(35);
  store_.DeleteRecord();
  EXPECT_EQ(Rows(), sorted);
  EXPECT_EQ(store_.GetRecordCount(), 3);
  const int32_t grp = 25;
  store_.PutFieldByNo(1, rec.buf(), &grp);
  store_.InsertRecord(rec.buf());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"10:x", "20:x", "25:x", "30:x", "40:x"}));
  store_.SetFilterItemTypes(kAllItemTypes);
  store_.SetRecordNo(1);
  store_.RevertRecord();
  store_.SetFilterItemTypes(kDefaultItemTypes);
  store_.SetRecordNo(1);
  EXPECT_EQ(Row(ItemRecord(store_.CurrentItem())), "10:x");
  EXPECT_EQ(store_.GetRecordCount(), 5);
}

TEST_F(SortTest, PartialKeysAndComparisonsByType) {
  EXPECT_EQ(store_.CompareFieldsPartial("Sm", "Smith", coPartialKey), 0);
  EXPECT_EQ(store_.CompareFieldsPartial("mit", "Smith", coPartialCompare), 0);
  EXPECT_EQ(store_.CompareFieldsPartial("MIT", "Smith", coPartialCompare | coCaseInsensitive), 0);
  EXPECT_EQ(store_.CompareFieldsPartial("MIT", "Smith", coPartialCompare), 1);
  EXPECT_EQ(store_.CompareFieldsPartial("Sm", "Smith", 0), -1);
  EXPECT_EQ(store_.CompareFieldsPartial("", "Smith", coPartialKey), -1) << "an empty key cuts nothing";
  EXPECT_EQ(store_.CompareFieldsPartial("smith", "SMITH", coCaseInsensitive), 0);
  const char16_t key[] = u"Sm", value[] = u"Smith";
  EXPECT_EQ(store_.CompareFieldsPartialW(key, value, coPartialKey), 0);
  EXPECT_EQ(store_.CompareFieldsPartialW(u"mit", value, coPartialCompare), 0);
  EXPECT_EQ(store_.CompareFieldsPartialW(key, value, 0), -1);

  Add(12, "Smith", 2.5);
  TRecBuf rec = ItemRecord(store_.FirstItem());
  const TFieldDesc& grp = *store_.Fields().GetItems(0);
  const TFieldDesc& name = *store_.Fields().GetItems(1);
  const TFieldDesc& amount = *store_.Fields().GetItems(2);
  const int32_t eleven = 11;
  const double twelve = 12.0;
  EXPECT_EQ(store_.CompareFieldValue(&eleven, dtInt32, grp, rec, 0), -1);
  EXPECT_EQ(store_.CompareFieldValue(&twelve, dtFloat, grp, rec, 0), 0);
  EXPECT_EQ(store_.CompareFieldValue(&eleven, dtInt32, amount, rec, 0), 1);
  EXPECT_EQ(store_.CompareFieldValue("12", dtString, grp, rec, 0), 0) << "the integer as decimal text";
  EXPECT_EQ(store_.CompareFieldValue("1", dtString, grp, rec, coPartialKey), 0);
  EXPECT_EQ(store_.CompareFieldValue("Smi", dtString, name, rec, coPartialKey), 0);
  EXPECT_THROW(store_.CompareFieldValue(&eleven, dtBlob, grp, rec, 0), classlib::EAssertionFailed);
}

TEST(SortBytesTest, BytesCompareByWordsThenBytes) {
  TTestStore store({{"B", dtVarBytes, 12, 10}});
  store.Open();
  TestRecord rec(store);
  const uint8_t stored[] = {6, 0, 1, 2, 3, 4, 5, 6};
  std::memcpy(rec.buf(), stored, sizeof stored);
  store.SetNull(1, rec.buf(), false);
  const TFieldDesc& field = *store.Fields().GetItems(0);
  auto key = [](std::vector<uint8_t> bytes) {
    std::vector<uint8_t> out{static_cast<uint8_t>(bytes.size()), 0};
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
  };
  EXPECT_EQ(store.CompareFieldValue(key({1, 2, 3, 4, 5, 6}).data(), dtVarBytes, field, rec.buf(), 0), 0);
  EXPECT_EQ(store.CompareFieldValue(key({1, 2, 3, 4, 5}).data(), dtVarBytes, field, rec.buf(), 0), -1);
  EXPECT_EQ(store.CompareFieldValue(key({1, 2, 3, 4, 5}).data(), dtVarBytes, field, rec.buf(), coPartialKey), 0);
  EXPECT_EQ(store.CompareFieldValue(key({3, 4}).data(), dtVarBytes, field, rec.buf(), coPartialCompare), 0);
  EXPECT_EQ(store.CompareFieldValue(key({4, 3}).data(), dtVarBytes, field, rec.buf(), coPartialCompare), 1);
  // The first word, little-endian, decides before the later bytes.
  EXPECT_EQ(store.CompareFieldValue(key({1, 2, 3, 5, 0, 0}).data(), dtVarBytes, field, rec.buf(), 0), 1);
}

// ---- A million rows on a 256 KB stack -------------------------------------

void RunOnSmallStack(const std::function<void()>& body) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 256 * 1024);
  struct Call {
    const std::function<void()>* body;
    std::string error;
  } call{&body, {}};
  pthread_t thread;
  ASSERT_EQ(pthread_create(&thread, &attr, [](void* arg) -> void* {
    auto* c = static_cast<Call*>(arg);
    try {
      (*c->body)();
    } catch (const std::exception& e) {
      c->error = e.what();
    }
    return nullptr;
  }, &call), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(call.error, "");
}

enum class Shape { kSorted, kReversed, kEqual };

class MillionRowsTest : public SortTest, public ::testing::WithParamInterface<Shape> {};

TEST_P(MillionRowsTest, SortsWithinNLogNComparisons) {
  constexpr int kRows = 1000000;
  const Shape shape = GetParam();
  char name[24];
  for (int k = 0; k < kRows; ++k) {
    const int i = shape == Shape::kReversed ? kRows - 1 - k : k;
    std::snprintf(name, sizeof name, "n%07d", shape == Shape::kEqual ? 0 : i % 1000);
    if (shape == Shape::kEqual || i < 1000) Add(nullptr, name);
    else Add(i / 1000, name);
  }
  RunOnSmallStack([&] { store_.SetSortFields("GRP;NAME"); });
  EXPECT_GT(store_.SortComparisons(), 0);
  EXPECT_LE(store_.SortComparisons(), static_cast<int64_t>(4.0 * kRows * std::log2(kRows)));
  ASSERT_EQ(store_.GetRecordCount(), kRows);
  int count = 1;
  for (ItemHeader* it = store_.FirstItem(); it->next; it = it->next, ++count)
    ASSERT_LE(store_.CompareBySortColumns(ItemRecord(it), ItemRecord(it->next)), 0) << count;
  EXPECT_EQ(count, kRows);
  EXPECT_EQ(store_.RecordNoOf(store_.LastItem()), kRows);
}

INSTANTIATE_TEST_SUITE_P(Shapes, MillionRowsTest, ::testing::Values(Shape::kSorted, Shape::kReversed, Shape::kEqual));

}  // namespace
}  // namespace dacore
