// Carving small buffers one after the other from the current page, the
// common case of filling a store: adjacent buffers with their headers, up to
// the last one that leaves the page exactly a header and a word, and a
// fresh page after Clear.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "classlib/unaligned.h"
#include "dacore/heap_string.h"

namespace dacore {
namespace {

int32_t HeaderSize(const void* buf) {
  return classlib::LoadUnaligned<int32_t>(static_cast<const uint8_t*>(buf) - TStringHeap::kHeaderSize);
}

TEST(StringHeapCarveTest, BuffersFollowEachOtherUpToThePageEnd) {
  TStringHeap heap;
  for (int round = 0; round < 2; ++round) {  // the second after Clear, on a fresh page
    auto* first = static_cast<uint8_t*>(heap.NewBuf(100));  // class 13
    EXPECT_EQ(HeaderSize(first), 104);
    EXPECT_EQ(TStringHeap::RefCount(first), 1);
    // Fill the page with 500-byte buffers while more than one fits...
    int left = TStringHeap::kPageFree - (104 + 6);
    uint8_t* last = first;
    auto carve = [&](int size) {
      auto* next = static_cast<uint8_t*>(heap.NewBuf(size));
      EXPECT_EQ(next, last + TStringHeap::BufSize(last) + TStringHeap::kHeaderSize) << "carved in address order";
      last = next;
      left -= TStringHeap::BufSize(next) + TStringHeap::kHeaderSize;
    };
    while (left >= 506 + 600) carve(500);
    // (8-byte buffers until the bytes left are a word and a header short of
    // a multiple of 8.)
    while (left % 8 != 4) carve(8);
    // ...then one sized to leave 14 bytes: it keeps its size, the 14 bytes
    // serve the next 8-byte buffer, and the page after that is a new one.
    const int k = (left - 14 - 6) / 8;
    ASSERT_EQ(left - (k * 8 + 6), 14);
    auto* sized = static_cast<uint8_t*>(heap.NewBuf(k * 8));
    EXPECT_EQ(sized, last + TStringHeap::BufSize(last) + TStringHeap::kHeaderSize);
    EXPECT_EQ(HeaderSize(sized), k * 8);
    auto* tail = static_cast<uint8_t*>(heap.NewBuf(5));
    EXPECT_EQ(tail, sized + k * 8 + TStringHeap::kHeaderSize);
    EXPECT_EQ(HeaderSize(tail), 8);
    std::memset(tail, 'x', 8);  // the whole buffer is the heap's to give
    auto* fresh = static_cast<uint8_t*>(heap.NewBuf(8));
    EXPECT_TRUE(fresh < first || fresh >= first + TStringHeap::kPageSize) << "a new page";
    heap.Clear();
    EXPECT_TRUE(heap.Empty());
  }
}

}  // namespace
}  // namespace dacore
