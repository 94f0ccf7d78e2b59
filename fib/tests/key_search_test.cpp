#include <gtest/gtest.h>

#include <vector>

#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/variant.h"
#include "fib/records/key_search.h"

namespace {

using classlib::Null;
using classlib::Variant;
using fib::TKeyColumn;
using fib::TKeySearch;
using fib::TLocateKeyOptions;

// One key column of records in memory. Rows past `cached` come in by
// FetchOne, one at a time, as the cursor would deliver them.
class Records : public fib::ILocateRecords {
 public:
  Records(std::vector<Variant> values, int cached = -1)
      : values_(std::move(values)),
        visible_(values_.size(), true),
        cached_(cached < 0 ? static_cast<int>(values_.size()) : cached) {}

  int CachedCount() override { return cached_; }
  bool FetchOne() override {
    if (cached_ >= static_cast<int>(values_.size())) return false;
    ++cached_;
    ++fetches;
    return true;
  }
  bool PastEnd(int index, bool forwards, bool fetched_only) override {
    if (!forwards) return index < 0;
    return index >= cached_ && (fetched_only || !FetchOne());
  }
  bool Visible(int index) override { return visible_[static_cast<size_t>(index)]; }
  Variant Value(int index, int) override {
    EXPECT_LT(index, cached_) << "read a record that is not in the cache";
    tested.push_back(index);
    return values_[static_cast<size_t>(index)];
  }
  int CompareValues(int, const Variant& a, const Variant& b) override {
    if (classlib::VarIsNull(a) || classlib::VarIsNull(b))
      return classlib::VarIsNull(a) == classlib::VarIsNull(b) ? 0 : (classlib::VarIsNull(a) ? -1 : 1);
    return a == b ? 0 : (a < b ? -1 : 1);
  }

  std::vector<Variant> values_;
  std::vector<bool> visible_;
  int cached_;
  int fetches = 0;
  std::vector<int> tested;
};

std::vector<Variant> Ints(std::initializer_list<int> values) {
  std::vector<Variant> out;
  for (int v : values) out.push_back(Variant(v));
  return out;
}

TKeyColumn Column(classlib::TFieldType type, Variant key) {
  TKeyColumn column;
  column.type = type;
  column.value = std::move(key);
  return column;
}

fib::TKeySearchResult Find(Records& records, TKeyColumn key, TLocateKeyOptions options = {},
                           int start = 0, fib::TLocateDirection direction = fib::ldFirst,
                           int reposition = -1) {
  TKeySearch search(records, {std::move(key)}, options, true, reposition);
  return search.Run(start, direction);
}

// ---- linear search --------------------------------------------------------------

TEST(KeySearchLinear, FindsTheFirstVisibleMatchAndFetchesOnlyPastTheCache) {
  Records records(Ints({5, 7, 7, 9, 7, 11}), 2);
  records.visible_[1] = false;
  auto result = Find(records, Column(classlib::ftInteger, Variant(7)));
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.index, 2);
  EXPECT_EQ(records.fetches, 1);

  auto missing = Find(records, Column(classlib::ftInteger, Variant(8)));
  EXPECT_FALSE(missing.found);
  EXPECT_EQ(records.cached_, 6);

  Records cached_only(Ints({1, 2, 3}), 1);
  EXPECT_FALSE(Find(cached_only, Column(classlib::ftInteger, Variant(3)), {fib::lkoFetchedOnly}).found);
  EXPECT_EQ(cached_only.fetches, 0);
}

TEST(KeySearchLinear, DirectionsAndStartIndexes) {
  Records records(Ints({1, 2, 1, 2, 1}));
  auto next = Find(records, Column(classlib::ftInteger, Variant(1)), {}, 1, fib::ldNext);
  EXPECT_EQ(next.index, 2);
  auto prior = Find(records, Column(classlib::ftInteger, Variant(1)), {}, 3, fib::ldPrior);
  EXPECT_TRUE(prior.found);
  EXPECT_EQ(prior.index, 2);
  EXPECT_FALSE(Find(records, Column(classlib::ftInteger, Variant(2)), {}, 0, fib::ldPrior).found);

  // ldNext on the last cached record has nothing after it and fetches nothing.
  EXPECT_EQ(fib::SearchStart(false, fib::ldNext, 0, 3, 3, -1), -1);
  EXPECT_EQ(fib::SearchStart(false, fib::ldNext, 0, 1, 3, -1), 1);
  EXPECT_EQ(fib::SearchStart(false, fib::ldNext, 0, 1, 3, 1), 2);
  EXPECT_EQ(fib::SearchStart(false, fib::ldPrior, 0, 3, 3, 1), 0);
  EXPECT_EQ(fib::SearchStart(true, fib::ldPrior, 0, 3, 3, 0), 1);
  EXPECT_EQ(fib::SearchStart(false, fib::ldFirst, 0, 3, 3, -1), 0);
  Records none(Ints({1, 2, 3}));
  EXPECT_FALSE(Find(none, Column(classlib::ftInteger, Variant(1)), {}, -1, fib::ldNext).found);
  EXPECT_TRUE(none.tested.empty());
}

TEST(KeySearchLinear, NullKeysAndNullValues) {
  Records records({Variant(1), Null(), Variant(3), Null()});
  auto null_key = Find(records, Column(classlib::ftInteger, Null()));
  EXPECT_TRUE(null_key.found);
  EXPECT_EQ(null_key.index, 1);
  auto value = Find(records, Column(classlib::ftInteger, Variant(3)));
  EXPECT_EQ(value.index, 2);
}

TEST(KeySearchLinear, KeysTakeTheValueTypeOnceAndBadOnesMatchNothing) {
  // "3" becomes the integer 3 at the first record where both are set.
  Records records({Null(), Variant(1), Variant(3)});
  auto converted = Find(records, Column(classlib::ftInteger, Variant("3")));
  EXPECT_TRUE(converted.found);
  EXPECT_EQ(converted.index, 2);

  // A text that is no number finds nothing and raises nothing.
  EXPECT_FALSE(Find(records, Column(classlib::ftInteger, Variant("abc"))).found);

  // An empty text becomes Null at the first non-null value: from there on
  // only NULL values match.
  Records empty_key({Variant(0), Variant(2), Null()});
  auto empty = Find(empty_key, Column(classlib::ftInteger, Variant("")));
  EXPECT_TRUE(empty.found);
  EXPECT_EQ(empty.index, 2);

  // The caller's key is never changed.
  std::vector<TKeyColumn> keys{Column(classlib::ftInteger, Variant("3"))};
  TKeySearch search(records, keys, {}, true, -1);
  search.Run(0, fib::ldFirst);
  EXPECT_EQ(classlib::VarType(keys[0].value), classlib::varString);
  EXPECT_EQ(classlib::VarType(search.Key(0).value), classlib::varInteger);
}

TEST(KeySearchLinear, TextOptionsApplyToTextFieldsOnly) {
  Records text({Variant("XAB"), Variant("ABC"), Variant("ABD")});
  EXPECT_EQ(Find(text, Column(classlib::ftString, Variant("AB")), {fib::lkoPartialKey}).index, 1);
  EXPECT_FALSE(Find(text, Column(classlib::ftString, Variant("AB"))).found);
  EXPECT_EQ(Find(text, Column(classlib::ftString, Variant("A_D")), {fib::lkoWildcards}).index, 2);
  EXPECT_EQ(Find(text, Column(classlib::ftString, Variant("%B%")), {fib::lkoWildcards}).index, 0);

  // Keys arrive upper-cased; the values are upper-cased as they are read.
  const std::string lower = classlib::Utf8ToCp1251("ёлка");
  Records cyrillic({Variant("abc"), Variant(lower)});
  const std::string upper_key = classlib::AnsiUpperCase(lower);
  EXPECT_EQ(Find(cyrillic, Column(classlib::ftString, Variant(upper_key)), {fib::lkoCaseInsensitive}).index, 1);
  EXPECT_EQ(Find(cyrillic, Column(classlib::ftString, Variant("ABC")), {fib::lkoCaseInsensitive}).index, 0);
  EXPECT_FALSE(Find(cyrillic, Column(classlib::ftString, Variant("ABC"))).found);

  Records wide({Variant(classlib::AnsiToWide(lower))});
  EXPECT_TRUE(Find(wide, Column(classlib::ftWideString, Variant(classlib::AnsiToWide(upper_key))),
                   {fib::lkoCaseInsensitive})
                  .found);

  // Numbers compare as numbers whatever the options say.
  Records numbers(Ints({12, 1}));
  EXPECT_EQ(Find(numbers, Column(classlib::ftInteger, Variant(1)), {fib::lkoPartialKey}).index, 1);
}

// ---- sorted search --------------------------------------------------------------

TEST(KeySearchSorted, NearestTellsWhereTheKeyBelongs) {
  const TLocateKeyOptions sorted{fib::lkoSortedData, fib::lkoNearest};
  Records records(Ints({10, 20, 30}));
  // 25: not found, after record 1, before record 2.
  auto between = Find(records, Column(classlib::ftInteger, Variant(25)), sorted);
  EXPECT_FALSE(between.found);
  EXPECT_EQ(between.index + (between.key_before ? 0 : 1), 2);
  auto early = Find(records, Column(classlib::ftInteger, Variant(15)), sorted);
  EXPECT_EQ(early.index + (early.key_before ? 0 : 1), 1);
  auto first = Find(records, Column(classlib::ftInteger, Variant(5)), sorted);
  EXPECT_FALSE(first.found);
  EXPECT_EQ(first.index + (first.key_before ? 0 : 1), 0);
  auto exact = Find(records, Column(classlib::ftInteger, Variant(20)), sorted);
  EXPECT_TRUE(exact.found);
  EXPECT_EQ(exact.index, 1);
}

TEST(KeySearchSorted, EndsOnTheFirstRecordOfARun) {
  Records run(Ints({10, 20, 20, 20, 30}));
  auto middle = Find(run, Column(classlib::ftInteger, Variant(20)), {fib::lkoSortedData});
  EXPECT_TRUE(middle.found);
  EXPECT_EQ(middle.index, 1);

  // The last cached record is tested before bisecting, and it matches.
  Records tail(Ints({10, 20, 20}));
  EXPECT_EQ(Find(tail, Column(classlib::ftInteger, Variant(20)), {fib::lkoSortedData}).index, 2);

  // Descending order.
  Records down(Ints({50, 40, 30, 30, 20, 10}));
  TKeyColumn key = Column(classlib::ftInteger, Variant(30));
  key.ascending = false;
  EXPECT_EQ(Find(down, key, {fib::lkoSortedData}).index, 2);
}

TEST(KeySearchSorted, BisectsInsteadOfWalking) {
  std::vector<Variant> values;
  for (int i = 0; i < 1000; ++i) values.push_back(Variant(i * 2));
  Records records(values);
  auto result = Find(records, Column(classlib::ftInteger, Variant(1234)), {fib::lkoSortedData});
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.index, 617);
  EXPECT_LT(records.tested.size(), 20u);
}

TEST(KeySearchSorted, KeysBeyondTheCacheFetchRowByRow) {
  Records records(Ints({10, 20, 30, 40, 50}), 2);
  auto result = Find(records, Column(classlib::ftInteger, Variant(40)), {fib::lkoSortedData});
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.index, 3);
  EXPECT_EQ(records.fetches, 2);

  Records only_cached(Ints({10, 20, 30}), 2);
  EXPECT_FALSE(
      Find(only_cached, Column(classlib::ftInteger, Variant(30)), {fib::lkoSortedData, fib::lkoFetchedOnly})
          .found);
  EXPECT_EQ(only_cached.fetches, 0);
}

TEST(KeySearchSorted, OnlyATestedVisibleMatchIsFound) {
  // The run of 20 holds no visible record and the records after it are
  // hidden too: walking forward reaches the end of the cache without a test.
  Records records(Ints({10, 20, 30}));
  records.visible_[1] = false;
  records.visible_[2] = false;
  EXPECT_FALSE(Find(records, Column(classlib::ftInteger, Variant(20)), {fib::lkoSortedData}).found);

  // A hidden first record of a run: the next visible one of the run is taken.
  Records hidden_first(Ints({10, 20, 20, 30}));
  hidden_first.visible_[1] = false;
  auto result = Find(hidden_first, Column(classlib::ftInteger, Variant(20)), {fib::lkoSortedData});
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.index, 2);
}

TEST(KeySearchSorted, PassesOverTheRecordBeingMoved) {
  // Record 2 (value 99) is being moved to its sorted place: it is no
  // landmark, and the search for 25 must land after 20.
  Records records(Ints({10, 20, 99, 30, 40}));
  const TLocateKeyOptions sorted{fib::lkoSortedData, fib::lkoNearest};
  TKeySearch search(records, {Column(classlib::ftInteger, Variant(25))}, sorted, true, 2);
  auto result = search.Run(0, fib::ldFirst);
  EXPECT_FALSE(result.found);
  const int after = result.index + (result.key_before ? 0 : 1);
  EXPECT_TRUE(after == 2 || after == 3) << after;
  for (int index : records.tested) EXPECT_NE(index, 2);

  TKeySearch equal(records, {Column(classlib::ftInteger, Variant(30))}, sorted, true, 2);
  auto found = equal.Run(0, fib::ldFirst);
  EXPECT_TRUE(found.found);
  EXPECT_EQ(found.index, 3);
}

TEST(KeySearchSorted, NullsSortByTheOrderInForce) {
  Records records({Null(), Null(), Variant(5), Variant(9)});
  auto null_key = Find(records, Column(classlib::ftInteger, Null()), {fib::lkoSortedData});
  EXPECT_TRUE(null_key.found);
  EXPECT_EQ(null_key.index, 0);
  auto nine = Find(records, Column(classlib::ftInteger, Variant(9)), {fib::lkoSortedData});
  EXPECT_EQ(nine.index, 3);

  // Statement order with NULLs last: the key-before flag follows nulls_first.
  Records last({Variant(5), Variant(9), Null()});
  TKeyColumn key = Column(classlib::ftInteger, Null());
  key.nulls_first = false;
  TKeySearch search(last, {key}, {fib::lkoSortedData}, false, -1);
  auto result = search.Run(0, fib::ldFirst);
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.index, 2);
}

}  // namespace
