#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "classlib/variant.h"
#include "fib/records/record_sort.h"

namespace {

using classlib::Null;
using classlib::Variant;

// Rows of values in memory, compared like the data sets compare: Null
// first, then by value.
class Rows : public fib::ISortRecords {
 public:
  explicit Rows(std::vector<std::vector<Variant>> rows) : rows_(std::move(rows)) {}
  int Count() override { return static_cast<int>(rows_.size()); }
  std::vector<Variant> Key(int position) override { return rows_[static_cast<size_t>(position)]; }
  int CompareValues(int, const Variant& a, const Variant& b) override {
    if (classlib::VarIsNull(a) || classlib::VarIsNull(b))
      return classlib::VarIsNull(a) == classlib::VarIsNull(b) ? 0 : (classlib::VarIsNull(a) ? -1 : 1);
    return a == b ? 0 : (a < b ? -1 : 1);
  }
  void Exchange(int i, int j) override {
    std::swap(rows_[static_cast<size_t>(i)], rows_[static_cast<size_t>(j)]);
    ++exchanges;
  }
  std::vector<std::vector<Variant>> rows_;
  int exchanges = 0;
};

int DepthBound(int count) { return static_cast<int>(std::floor(std::log2(count))) + 1; }

TEST(RecordSort, OrdersByEveryFieldInTurnWithNullsFirst) {
  Rows rows({{Variant(2), Variant("b")},
             {Null(), Variant("z")},
             {Variant(1), Null()},
             {Variant(2), Variant("a")},
             {Variant(1), Variant("c")},
             {Null(), Variant("a")}});
  fib::SortRecords(rows, {true, false});
  std::vector<std::string> seen;
  for (auto& row : rows.rows_)
    seen.push_back(classlib::VarToStrDef(row[0], "N") + classlib::VarToStrDef(row[1], "N"));
  // Second field descending: Null, which sorts first, comes last.
  EXPECT_EQ(seen, (std::vector<std::string>{"Nz", "Na", "1c", "1N", "2b", "2a"}));
}

TEST(RecordSort, NeverExchangesEqualKeys) {
  std::vector<std::vector<Variant>> same(50, {Variant(7)});
  Rows rows(same);
  fib::SortRecords(rows, {true});
  EXPECT_EQ(rows.exchanges, 0);

  Rows short_rows({{Variant(1)}});
  fib::SortRecords(short_rows, {true});
  Rows none({});
  fib::SortRecords(none, {true});
  EXPECT_EQ(short_rows.exchanges + none.exchanges, 0);
}

TEST(RecordSort, SortedAndReversedInputStayShallow) {
  const int count = 30000;
  std::vector<std::vector<Variant>> sorted;
  for (int i = 0; i < count; ++i) sorted.push_back({Variant(i)});
  Rows ascending(sorted);
  EXPECT_LE(fib::SortRecords(ascending, {true}), DepthBound(count));
  EXPECT_EQ(ascending.exchanges, 0);

  Rows descending(sorted);
  EXPECT_LE(fib::SortRecords(descending, {false}), DepthBound(count));
  for (int i = 0; i < count; ++i)
    ASSERT_EQ(descending.rows_[static_cast<size_t>(i)][0].AsInteger(), count - 1 - i);
}

// An adversary that fixes values only when the sort compares them, always
// making the pivot the largest value of its range. Every partition then
// leaves one record on one side and all others on the other, the input on
// which recursing into the larger side nests once per record.
class PivotAdversary : public fib::ISortRecords {
 public:
  explicit PivotAdversary(int count) : value_(static_cast<size_t>(count), kGas), next_(count) {
    position_.resize(static_cast<size_t>(count));
    std::iota(position_.begin(), position_.end(), 0);
  }
  int Count() override { return static_cast<int>(position_.size()); }
  std::vector<Variant> Key(int position) override {
    return {Variant(position_[static_cast<size_t>(position)])};
  }
  int CompareValues(int, const Variant& a, const Variant& b) override {
    int& va = value_[static_cast<size_t>(a.AsInteger())];
    int& vb = value_[static_cast<size_t>(b.AsInteger())];
    if (va == kGas && vb == kGas) vb = next_--;  // the pivot side becomes large
    if (va == kGas) return -1;
    if (vb == kGas) return 1;
    return va < vb ? -1 : (va > vb ? 1 : 0);
  }
  void Exchange(int i, int j) override {
    std::swap(position_[static_cast<size_t>(i)], position_[static_cast<size_t>(j)]);
  }

 private:
  static constexpr int kGas = -1;
  std::vector<int> position_;
  std::vector<int> value_;
  int next_;
};

TEST(RecordSort, AdversarialPivotsDoNotDeepenTheRecursion) {
  const int count = 3000;
  PivotAdversary adversary(count);
  EXPECT_LE(fib::SortRecords(adversary, {true}), DepthBound(count));
}

}  // namespace
