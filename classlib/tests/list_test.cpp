#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/list.h"

namespace classlib {
namespace {

int a = 1, b = 2, c = 3, d = 4;

// A list that owns what it holds hears of every item that enters or leaves.
class RecordingList : public TList {
 public:
  std::vector<std::pair<void*, TListNotification>> heard;

 protected:
  void Notify(void* item, TListNotification action) override { heard.emplace_back(item, action); }
};

TEST(List, NilSlotsStayUntilPack) {
  TList list;
  list.Add(&a);
  list.Add(nullptr);
  list.Add(&b);
  list.Add(nullptr);
  list.Add(&c);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.IndexOf(nullptr), 1);
  list.Pack();
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(0), &a);
  EXPECT_EQ(list.Items(1), &b);
  EXPECT_EQ(list.Items(2), &c);
  EXPECT_EQ(list.IndexOf(nullptr), -1);
}

TEST(List, RemoveAndExtractTellDerivedListsApart) {
  RecordingList list;
  list.Add(&a);
  list.Add(nullptr);  // nil items are not announced
  list.Add(&b);
  list.Add(&a);
  EXPECT_EQ(list.heard.size(), 3u);
  list.heard.clear();

  EXPECT_EQ(list.Remove(&a), 0);  // the first occurrence only
  EXPECT_EQ(list.IndexOf(&a), 2);
  EXPECT_EQ(list.Extract(&b), &b);
  EXPECT_EQ(list.Extract(&c), nullptr);
  EXPECT_EQ(list.Remove(&c), -1);
  ASSERT_EQ(list.heard.size(), 2u);
  EXPECT_EQ(list.heard[0], std::make_pair(static_cast<void*>(&a), lnDeleted));
  EXPECT_EQ(list.heard[1], std::make_pair(static_cast<void*>(&b), lnExtracted));

  list.heard.clear();
  list.SetItems(0, &c);  // nil -> c
  list.SetItems(1, &d);  // a -> d
  ASSERT_EQ(list.heard.size(), 3u);
  EXPECT_EQ(list.heard[1], std::make_pair(static_cast<void*>(&a), lnDeleted));

  list.heard.clear();
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.heard.size(), 2u);  // c and d, each deleted once
}

TEST(List, BadIndexesRaiseListErrorNamingTheIndex) {
  TList list;
  list.Add(&a);
  try {
    list.Items(3);
    FAIL() << "no exception";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(2, &b), EListError);
  EXPECT_NO_THROW(list.Insert(1, &b));  // at the end is fine
  EXPECT_THROW(list.Exchange(0, 2), EListError);
  EXPECT_THROW(list.Move(2, 0), EListError);
  EXPECT_THROW(TList().First(), EListError);
  EXPECT_THROW(TList().Last(), EListError);
}

TEST(List, CountAndCapacity) {
  TList list;
  for (int i = 0; i < 100; ++i) list.Add(&a);
  EXPECT_GE(list.Capacity(), 100);
  EXPECT_THROW(list.SetCapacity(99), EListError);
  list.SetCount(3);
  EXPECT_EQ(list.Count(), 3);
  list.SetCapacity(3);
  EXPECT_EQ(list.Capacity(), 3);
  list.SetCount(5);  // grows with nil slots
  EXPECT_EQ(list.Items(4), nullptr);
  EXPECT_GE(list.Capacity(), 5);
  EXPECT_THROW(list.SetCount(-1), EListError);
}

TEST(List, OrderOperations) {
  TList list;
  for (int* p : {&c, &a, &d, &b}) list.Add(p);
  list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
  EXPECT_EQ(list.Items(0), &a);
  EXPECT_EQ(list.Last(), &d);
  list.Move(0, 3);  // a to the end
  EXPECT_EQ(list.First(), &b);
  EXPECT_EQ(list.Items(3), &a);
  list.Exchange(0, 3);
  EXPECT_EQ(list.First(), &a);
  EXPECT_EQ(list.Last(), &b);
}

TEST(ThreadList, DuplicatesFollowTheSetting) {
  TThreadList list;
  list.Add(&a);
  list.Add(&a);  // ignored by default
  EXPECT_EQ(list.LockList()->Count(), 1);
  list.UnlockList();
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.Add(&a), EListError);
  list.SetDuplicates(dupAccept);
  list.Add(&a);
  EXPECT_EQ(list.LockList()->Count(), 2);
  list.UnlockList();
  list.Remove(&a);
  list.Remove(&a);
  EXPECT_EQ(list.LockList()->Count(), 0);
  list.UnlockList();
}

TEST(ThreadList, ConcurrentAddsAreAllKeptAndLockingNests) {
  TThreadList list;
  constexpr int kThreads = 4, kPerThread = 500;
  std::vector<int> cells(kThreads * kPerThread);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) list.Add(&cells[t * kPerThread + i]);
    });
  for (auto& t : threads) t.join();

  TList* locked = list.LockList();
  // The same thread may take the lock again, as callers holding the list
  // call helpers that lock it themselves.
  TList* again = list.LockList();
  EXPECT_EQ(locked, again);
  EXPECT_EQ(locked->Count(), kThreads * kPerThread);
  list.UnlockList();
  list.UnlockList();

  // Another thread gets it once both holds are released.
  std::thread other([&] {
    list.LockList()->Clear();
    list.UnlockList();
  });
  other.join();
  EXPECT_EQ(list.LockList()->Count(), 0);
  list.UnlockList();
}

}  // namespace
}  // namespace classlib
