// The string heap: size classes, page tails, large buffers, reference counts
// and the buffer that grows by a page's last bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dacore/heap_string.h"
#include "testing/message_of.h"

namespace dacore {
namespace {

using classlib::testing::MessageOf;

TEST(StringHeapTest, ClassListsAreReusedAfterRelease) {
  TStringHeap heap;
  EXPECT_TRUE(heap.Empty());
  EXPECT_EQ(heap.NewBuf(0), nullptr);
  void* a = heap.NewBuf(10);   // class 2
  void* b = heap.NewBuf(16);   // class 2 as well
  void* c = heap.NewBuf(2000); // the top class, from a page
  EXPECT_FALSE(heap.Empty());
  EXPECT_EQ(TStringHeap::BufSize(a), 16);
  EXPECT_EQ(TStringHeap::BufSize(c), 2000);
  EXPECT_FALSE(heap.HasLarge());
  heap.DisposeBuf(a);
  heap.DisposeBuf(b);
  EXPECT_EQ(heap.NewBuf(9), b);  // last in, first out
  EXPECT_EQ(heap.NewBuf(12), a);
  heap.DisposeBuf(c);
  EXPECT_EQ(heap.NewBuf(1993), c);
  void* large = heap.NewBuf(2001);
  EXPECT_TRUE(heap.HasLarge());
  EXPECT_EQ(TStringHeap::BufSize(large), 2001);
  heap.DisposeBuf(large);
  heap.Clear();
  EXPECT_TRUE(heap.Empty());
  EXPECT_FALSE(heap.HasLarge());
}

TEST(StringHeapTest, ReferencesKeepABufferUntilTheLastDispose) {
  TStringHeap heap;
  void* a = heap.NewBuf(8);
  heap.AddRefStr(a);
  EXPECT_EQ(TStringHeap::RefCount(a), 2);
  heap.DisposeBuf(a);
  void* other = heap.NewBuf(8);
  EXPECT_NE(other, a);  // still referenced, not on the class list
  heap.DisposeBuf(a);
  EXPECT_EQ(TStringHeap::RefCount(a), 0);
  EXPECT_EQ(MessageOf([&] { heap.DisposeBuf(a); }).rfind("DisposeBuf failed", 0), 0u);
  EXPECT_EQ(MessageOf([&] { heap.AddRefStr(a); }).rfind("AddRefStr failed", 0), 0u);
  EXPECT_EQ(heap.NewBuf(1), a);
}

// Carves buffers from a fresh page until exactly `bytes` of it are used.
void* Consume(TStringHeap& heap, int bytes) {
  int m = 1;
  while ((bytes - 6 * m) % 8 != 0 || (bytes - 6 * m) / 8 > TStringHeap::kClassCount * m) ++m;
  int classes = (bytes - 6 * m) / 8;
  void* last = nullptr;
  for (int i = m; i > 0; --i) {
    const int k = std::min(TStringHeap::kClassCount, classes - (i - 1));
    last = heap.NewBuf(k * 8);
    classes -= k;
  }
  return last;
}

TEST(StringHeapTest, PageTailBecomesAFreeBufferOfItsClass) {
  TStringHeap heap;
  // Leave 100 bytes on the first page: room for a class-11 buffer (88 + 6).
  auto* last = static_cast<uint8_t*>(Consume(heap, TStringHeap::kPageFree - 100));
  uint8_t* tail = last + TStringHeap::BufSize(last) + TStringHeap::kHeaderSize;
  void* big = heap.NewBuf(200);  // does not fit: a new page
  EXPECT_NE(big, tail);
  EXPECT_EQ(heap.NewBuf(88), tail);  // the tail was pushed on class 11
}

TEST(StringHeapTest, BufferGrownByThePageEndReturnsToTheTopClass) {
  // 2000 bytes carved when 8 to 13 bytes would remain (an even count, as
  // every carve takes an even number): the buffer takes 8 of them (2008
  // bytes) and a new page begins. Releasing it must not hand page memory to
  // the general heap; it serves the next 2000-byte request from its class.
  for (int remain : {8, 10, 12}) {
    TStringHeap heap;
    Consume(heap, TStringHeap::kPageFree - (2000 + 6) - remain);
    void* grown = heap.NewBuf(2000);
    EXPECT_EQ(TStringHeap::BufSize(grown), 2008) << remain;
    heap.DisposeBuf(grown);
    EXPECT_EQ(heap.NewBuf(2000), grown) << remain;
    heap.DisposeBuf(heap.NewBuf(8));  // the new page serves the next small request
  }
}

TEST(StringHeapTest, AllocStrTrimsAndTerminates) {
  TStringHeap heap;
  char* s = heap.AllocStr("AB  ", true);
  EXPECT_STREQ(s, "AB");
  EXPECT_EQ(TStringHeap::BufSize(s), 8);
  EXPECT_EQ(heap.AllocStr(nullptr), nullptr);
  char* part = heap.AllocStr("abcdef", false, 3);
  EXPECT_STREQ(part, "abc");
  char* again = heap.ReAllocStr(part);
  EXPECT_STREQ(again, "abc");
  EXPECT_EQ(TStringHeap::RefCount(part), 0);
  char16_t* w = heap.AllocWideStr(u"xy ", true);
  EXPECT_EQ(std::u16string(w), u"xy");
  EXPECT_EQ(TStringHeap::BufSize(w), 8);
}

TEST(StringHeapTest, ThreadSafeHeapServesSeveralThreads) {
  TStringHeap heap;
  heap.SetThreadSafety(true);
  EXPECT_THROW(heap.SetThreadSafety(true), classlib::EAssertionFailed);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&heap, t] {
      for (int i = 0; i < 2000; ++i) {
        char* s = heap.AllocStr(std::string(1 + (i + t) % 40, 'a' + t).c_str());
        if (s[0] != 'a' + t) std::abort();
        heap.DisposeBuf(s);
      }
    });
  }
  for (auto& th : threads) th.join();
  heap.SetThreadSafety(false);
  EXPECT_FALSE(heap.ThreadSafety());
}

}  // namespace
}  // namespace dacore
