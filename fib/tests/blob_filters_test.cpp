#include <gtest/gtest.h>

#include <string>

#include "fib/statements/blob_filters.h"

namespace {

using fib::TIBBlobFilters;

TEST(BlobFilters, EmptyRegistryPassesContentsUnchanged) {
  TIBBlobFilters filters;
  int index = -1;
  EXPECT_FALSE(filters.Find(-1, index));
  EXPECT_EQ(index, 0);
  std::string data = "abc";
  filters.ApplyFilter(data, true, -5);
  EXPECT_EQ(data, "abc");
  EXPECT_FALSE(fib::BlobSubTypeHasFilter(nullptr, -5));
  fib::FilterBlobBuffer(nullptr, data, false, -5);
  EXPECT_EQ(data, "abc");
}

TEST(BlobFilters, FindsEntriesRegisteredOutOfOrder) {
  TIBBlobFilters filters;
  for (int sub_type : {-3, -10, -1, -7}) {
    filters.Add(sub_type, [sub_type](std::string& b) { b += std::to_string(sub_type); }, nullptr);
  }
  int index = -1;
  ASSERT_TRUE(filters.Find(-7, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(filters.Find(-5, index));
  EXPECT_EQ(index, 2);  // leftmost sub-type not smaller than -5 is -3
  EXPECT_TRUE(fib::BlobSubTypeHasFilter(&filters, -10));
  std::string data = "x";
  filters.ApplyFilter(data, true, -7);
  EXPECT_EQ(data, "x-7");
}

TEST(BlobFilters, AppliesOnlyToNegativeSubTypesAndNonEmptyBuffers) {
  TIBBlobFilters filters;
  int calls = 0;
  auto count = [&calls](std::string& b) { ++calls; b = "replaced, longer"; };
  filters.Add(-2, count, nullptr);
  filters.Add(2, count, count);
  std::string data = "abc";
  filters.ApplyFilter(data, true, 2);
  std::string empty;
  filters.ApplyFilter(empty, true, -2);
  filters.ApplyFilter(data, false, -2);  // no write routine
  EXPECT_EQ(calls, 0);
  filters.ApplyFilter(data, true, -2);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(data, "replaced, longer");
}

TEST(BlobFilters, RegisteringASubTypeAgainReplacesItsRoutines) {
  TIBBlobFilters filters;
  filters.Add(-4, [](std::string& b) { b = "old"; }, nullptr);
  filters.Add(-4, [](std::string& b) { b = "new"; }, nullptr);
  EXPECT_EQ(filters.Count(), 1);
  std::string data = "x";
  fib::FilterBlobBuffer(&filters, data, true, -4);
  EXPECT_EQ(data, "new");
}

}  // namespace
