#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "classlib/exceptions.h"
#include "fib/base/obj_string_list.h"
#include "fib/base/sorted_list.h"
#include "fib/base/string_collection.h"

namespace {

using classlib::EAssertionFailed;
using fib::TObjStringList;
using fib::TSortedList;
using fib::TStringCollection;

// Counts its live instances, so the tests see what the list frees.
class Tracked : public classlib::TObject {
 public:
  explicit Tracked(int& live) : live_(live) { ++live_; }
  ~Tracked() override { --live_; }

 private:
  int& live_;
};

std::string AssertMessage(const std::function<void()>& action) {
  try {
    action();
  } catch (const EAssertionFailed& e) {
    return e.Message();
  }
  return "no assertion failure";
}

TEST(StringCollection, ChecksColumnBeforeRowOnReadAndWrite) {
  TStringCollection c(2);
  EXPECT_NE(AssertMessage([&] { c.GetValue(0, 0); })
                .find("Can't read value to StrCollection. Bad Y-Index"),
            std::string::npos);
  c.Grow();
  EXPECT_NE(AssertMessage([&] { c.GetCellRef(2, 5); })
                .find("Can't read value to StrCollection. Bad X-Index"),
            std::string::npos);
  EXPECT_NE(AssertMessage([&] { c.SetValue(1, 1, "x"); })
                .find("Can't write value to StrCollection. Bad Y-Index"),
            std::string::npos);
  EXPECT_NE(AssertMessage([&] { c.SetValueFromBuffer(-1, 0, 1, "x"); })
                .find("Can't write value to StrCollection. Bad X-Index"),
            std::string::npos);
}

TEST(StringCollection, GrowsByHalfStartingAt128) {
  TStringCollection c(1);
  EXPECT_EQ(c.Capacity(), 0);
  for (int i = 0; i < 128; ++i) EXPECT_EQ(c.Grow(), i + 1);
  EXPECT_EQ(c.Capacity(), 128);
  c.SetValue(0, 127, "kept");
  EXPECT_EQ(c.Grow(), 129);
  EXPECT_EQ(c.Capacity(), 192);
  EXPECT_EQ(c.GetValue(0, 127), "kept");
  EXPECT_EQ(c.GetValue(0, 128), "");
  c.Clear();
  EXPECT_EQ(c.RowCount(), 0);
  EXPECT_EQ(c.Capacity(), 0);
}

// Storage comes a block of rows at a time as rows are added; a row given
// back by a delete at a block's edge comes back empty from the same block.
TEST(StringCollection, RowsAtBlockEdgesComeBackEmptyAfterDeletes) {
  TStringCollection c(1);
  for (int i = 0; i < 129; ++i) c.Grow();
  c.SetValue(0, 127, "last of the first block");
  c.SetValue(0, 128, "first of the second");
  c.DeleteRow(0);
  c.DeleteRow(0);
  EXPECT_EQ(c.RowCount(), 127);
  EXPECT_EQ(c.GetValue(0, 126), "first of the second");
  EXPECT_EQ(c.Grow(), 128);
  EXPECT_EQ(c.Grow(), 129);
  EXPECT_EQ(c.Grow(), 130);
  EXPECT_EQ(c.GetValue(0, 127), "");
  EXPECT_EQ(c.GetValue(0, 128), "");
  EXPECT_EQ(c.GetValue(0, 129), "");
  c.SetValue(0, 129, "third row of the second block");
  EXPECT_EQ(c.GetValue(0, 129), "third row of the second block");
  EXPECT_EQ(c.Capacity(), 192);
}

TEST(StringCollection, DeleteRowMovesLaterRowsUpAndLeavesNoStaleCell) {
  TStringCollection c(2);
  c.Grow();
  c.Grow();
  c.SetValue(0, 0, "a0");
  c.SetValue(1, 1, "b1");
  c.DeleteRow(0);
  EXPECT_EQ(c.RowCount(), 1);
  EXPECT_EQ(c.GetValue(0, 0), "");
  EXPECT_EQ(c.GetValue(1, 0), "b1");
  // The slot freed at the end must come back empty.
  c.Grow();
  EXPECT_EQ(c.GetValue(1, 1), "");
}

// Rows far past the first capacity steps: texts stay put while rows are
// added, and deleting a row moves every later one up across the storage.
TEST(StringCollection, ManyRowsKeepTheirTextsThroughGrowthAndDeletes) {
  TStringCollection c(2);
  constexpr int kRows = 1000;
  c.Grow();
  c.SetValue(0, 0, "a text longer than the short-string buffer");
  const std::string* first = &c.GetCellRef(0, 0);
  for (int row = 1; row < kRows; ++row) {
    EXPECT_EQ(c.Grow(), row + 1);
    c.SetValue(0, row, "a" + std::to_string(row));
    c.SetValue(1, row, "b" + std::to_string(row));
  }
  EXPECT_EQ(&c.GetCellRef(0, 0), first);
  EXPECT_EQ(*first, "a text longer than the short-string buffer");
  EXPECT_GE(c.Capacity(), kRows);

  c.DeleteRow(100);
  c.DeleteRow(0);
  EXPECT_EQ(c.RowCount(), kRows - 2);
  EXPECT_EQ(c.GetValue(0, 0), "a1");
  EXPECT_EQ(c.GetValue(0, 98), "a99");
  EXPECT_EQ(c.GetValue(1, 99), "b101");
  EXPECT_EQ(c.GetValue(1, kRows - 3), "b" + std::to_string(kRows - 1));
  EXPECT_NE(AssertMessage([&] { c.GetValue(0, kRows - 2); })
                .find("Can't read value to StrCollection. Bad Y-Index"),
            std::string::npos);
  // The rows freed at the end come back empty.
  c.Grow();
  c.Grow();
  EXPECT_EQ(c.GetValue(0, kRows - 2), "");
  EXPECT_EQ(c.GetValue(1, kRows - 1), "");
}

TEST(StringCollection, BufferLengths) {
  TStringCollection c(1);
  c.Grow();
  const char bytes[] = {'a', '\0', 'b', 'c', '\0'};
  c.SetValueFromBuffer(0, 0, 4, bytes);
  EXPECT_EQ(c.GetValue(0, 0), std::string(bytes, 4));
  c.SetValueFromBuffer(0, 0, -1, bytes + 2);
  EXPECT_EQ(c.GetValue(0, 0), "bc");
  c.SetValueFromBuffer(0, 0, 0, bytes);
  EXPECT_EQ(c.GetValue(0, 0), "");
  c.SetValueFromBuffer(0, 0, 3, nullptr);
  EXPECT_EQ(c.GetValue(0, 0), "");
}

TEST(SortedList, KeepsOrderWithoutDuplicates) {
  TSortedList l;
  EXPECT_EQ(l.Last(), -1);
  l.Add(5);
  l.Add(-2);
  l.Add(9);
  EXPECT_EQ(l.Add(5), 1);
  EXPECT_EQ(l.Count(), 3);
  int index = -1;
  EXPECT_FALSE(l.Find(6, index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(l.Find(100, index));
  EXPECT_EQ(index, 3);
  l.Remove(5);
  l.Remove(42);
  EXPECT_EQ(l.Count(), 2);
  EXPECT_EQ(l.Items(1), 9);
  EXPECT_EQ(l.Last(), 9);
  EXPECT_THROW(l.Items(2), classlib::EListError);
}

TEST(SortedList, ShiftFromRenumbersTheTail) {
  TSortedList l;
  for (int v : {1, 4, 7}) l.Add(v);
  l.ShiftFrom(3, 1);  // a record inserted at 3
  EXPECT_EQ(l.Items(0), 1);
  EXPECT_EQ(l.Items(1), 5);
  EXPECT_EQ(l.Items(2), 8);
  l.ShiftFrom(5, -3);
  EXPECT_EQ(l.Items(1), 2);
  // 2 - 1 would meet 1: refused, list unchanged.
  EXPECT_THROW(l.ShiftFrom(2, -1), classlib::EListError);
  EXPECT_EQ(l.Items(1), 2);
  l.ShiftFrom(100, 1);  // nothing at or after 100
  EXPECT_EQ(l.Last(), 5);
}

TEST(ObjStringList, HashedNamesAreCaseSensitive) {
  int live = 0;
  {
    TObjStringList l(nullptr, true);
    l.Add("select 1", std::make_unique<Tracked>(live));
    l.Add("SELECT 1", std::make_unique<Tracked>(live));
    EXPECT_EQ(l.Count(), 2);
    int index = -1;
    ASSERT_TRUE(l.Find("SELECT 1", index));
    EXPECT_EQ(l.Name(index), "SELECT 1");
    EXPECT_FALSE(l.Find("Select 1", index));
  }
  EXPECT_EQ(live, 0);
}

TEST(ObjStringList, UnhashedNamesAreCaseInsensitive) {
  int live = 0;
  TObjStringList l(nullptr, false);
  l.Add("Beta", std::make_unique<Tracked>(live));
  l.Add("alpha", std::make_unique<Tracked>(live));
  int index = -1;
  ASSERT_TRUE(l.Find("ALPHA", index));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(l.Name(1), "Beta");
}

TEST(ObjStringList, HashedEntriesStayInHashOrderAndEqualHashesAreToldApart) {
  // Long names share a hash when their sampled characters agree.
  const std::string a(32, 'x');
  std::string b = a;
  b[1] = 'y';  // not a sampled character for a 32-character name
  ASSERT_EQ(TObjStringList::HashOf(a), TObjStringList::HashOf(b));
  int live = 0;
  TObjStringList l(nullptr, true);
  for (const char* n : {"q", "zz", "abc", "m"}) l.Add(n, std::make_unique<Tracked>(live));
  l.Add(a, std::make_unique<Tracked>(live));
  l.Add(b, std::make_unique<Tracked>(live));
  for (int i = 1; i < l.Count(); ++i) {
    EXPECT_LE(TObjStringList::HashOf(l.Name(i - 1)), TObjStringList::HashOf(l.Name(i)));
  }
  int ia = -1, ib = -1;
  ASSERT_TRUE(l.Find(a, ia));
  ASSERT_TRUE(l.Find(b, ib));
  EXPECT_NE(ia, ib);
  EXPECT_EQ(l.Name(ib), b);
}

TEST(ObjStringList, OwnershipOnDuplicateRemoveAndDelete) {
  int live = 0;
  {
    TObjStringList l(nullptr, true);
    auto first = std::make_unique<Tracked>(live);
    classlib::TObject* held = first.get();
    EXPECT_EQ(l.Add("a", std::move(first)), 0);
    EXPECT_EQ(l.Add("a", std::make_unique<Tracked>(live)), 0);
    EXPECT_EQ(live, 1);  // the refused duplicate is freed at once
    EXPECT_EQ(l.GetObject(0), held);
    l.Add("b", std::make_unique<Tracked>(live));
    auto removed = l.Remove("a");
    EXPECT_EQ(removed.get(), held);
    EXPECT_EQ(live, 2);  // removed, not freed
    EXPECT_EQ(l.Remove("a"), nullptr);
    l.Delete(0);
    EXPECT_EQ(live, 1);
    EXPECT_EQ(l.Count(), 0);
  }
  EXPECT_EQ(live, 0);
}

}  // namespace
