// Rows of a record store: appending, inserting, deleting and navigating
// many rows with their record numbers, bookmarks that outlive their rows,
// blocks of items, filters and the refresh stamp.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "dacore/tests/store_fixture.h"
#include "dacore/util_bytes.h"

namespace dacore {
namespace {

class StoreRowsTest : public ::testing::Test {
 protected:
  StoreRowsTest() : store_({{"ID", dtInt32, 4}}) { store_.Open(); }

  void PutId(int32_t id) {
    TestRecord rec(store_);
    store_.PutFieldByNo(1, rec.buf(), &id);
    store_.InsertRecord(rec.buf());
  }
  void AppendId(int32_t id) {
    store_.SetToEnd();
    PutId(id);
  }
  int32_t CurrentId() {
    TestRecord rec(store_);
    store_.GetRecord(rec.buf());
    bool blank = true;
    int32_t id = 0;
    store_.GetFieldByNo(1, rec.buf(), &id, blank);
    return id;
  }
  // Every row's record number equals its position, and the count agrees.
  void ExpectNumbersRight(const std::vector<int32_t>& ids) {
    ASSERT_EQ(store_.GetRecordCount(), static_cast<int>(ids.size()));
    store_.SetToBegin();
    int position = 0;
    for (store_.GetNextRecord(nullptr); !store_.GetEOF(); store_.GetNextRecord(nullptr)) {
      ++position;
      ASSERT_EQ(store_.GetRecordNo(), position);
      ASSERT_EQ(CurrentId(), ids[position - 1]) << position;
    }
    ASSERT_EQ(position, static_cast<int>(ids.size()));
  }

  TTestStore store_;
};

TEST_F(StoreRowsTest, HundredThousandRowsAppendedInsertedDeletedAndNavigated) {
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < 100000; ++i) {
    AppendId(i);
    ids.push_back(i);
  }
  ExpectNumbersRight(ids);
  std::mt19937 rng(29);
  for (int step = 0; step < 300; ++step) {
    const int n = static_cast<int>(ids.size());
    const int at = static_cast<int>(rng() % n) + 1;
    store_.SetRecordNo(at);
    ASSERT_EQ(store_.GetRecordNo(), at);
    ASSERT_EQ(CurrentId(), ids[at - 1]);
    if (step % 3 == 0) {
      store_.DeleteRecord();
      ids.erase(ids.begin() + (at - 1));
    } else {
      PutId(1000000 + step);  // before the current row
      ids.insert(ids.begin() + (at - 1), 1000000 + step);
      ASSERT_EQ(store_.GetRecordNo(), at);
    }
  }
  ExpectNumbersRight(ids);
  // Backwards from the end.
  store_.SetToEnd();
  int expected = static_cast<int>(ids.size());
  for (store_.GetPriorRecord(nullptr); !store_.GetBOF(); store_.GetPriorRecord(nullptr))
    ASSERT_EQ(store_.GetRecordNo(), expected--);
  EXPECT_EQ(expected, 0);
  // Delete everything from the front.
  store_.SetRecordNo(1);
  while (store_.GetRecordCount() > 0) store_.DeleteRecord();
  EXPECT_TRUE(store_.GetBOF());
  EXPECT_TRUE(store_.GetEOF());
  EXPECT_EQ(store_.BlockManager().BlockCount(), 0);
}

TEST_F(StoreRowsTest, InsertNearTheStartRenumbersOnlyTheRowsBefore) {
  std::vector<int32_t> ids;
  for (int32_t i = 0; i < 1000; ++i) {
    AppendId(i);
    ids.push_back(i);
  }
  const int32_t last_order = store_.LastItem()->order;
  store_.SetRecordNo(3);
  PutId(-1);
  ids.insert(ids.begin() + 2, -1);
  EXPECT_EQ(store_.GetRecordNo(), 3);
  EXPECT_EQ(store_.LastItem()->order, last_order);  // the long side kept its numbers
  EXPECT_EQ(store_.OrderBase(), 1);
  store_.SetRecordNo(2);
  store_.DeleteRecord();
  ids.erase(ids.begin() + 1);
  EXPECT_EQ(store_.LastItem()->order, last_order);
  EXPECT_EQ(store_.OrderBase(), 0);
  ExpectNumbersRight(ids);
  // Near the end the rows after are renumbered instead.
  store_.SetRecordNo(998);
  PutId(-2);
  ids.insert(ids.begin() + 997, -2);
  EXPECT_EQ(store_.OrderBase(), 0);
  ExpectNumbersRight(ids);
}

TEST_F(StoreRowsTest, DeletingTheOnlyRowSetsBofAndEof) {
  AppendId(1);
  EXPECT_FALSE(store_.GetEOF());
  store_.DeleteRecord();
  EXPECT_EQ(store_.CurrentItem(), nullptr);
  EXPECT_TRUE(store_.GetBOF());
  EXPECT_TRUE(store_.GetEOF());
  EXPECT_EQ(store_.GetRecordCount(), 0);
}

TEST_F(StoreRowsTest, BlockIsReleasedWithItsLastUsedItem) {
  for (int32_t i = 0; i < 15; ++i) AppendId(i);
  EXPECT_EQ(store_.BlockManager().BlockCount(), 2);
  store_.SetRecordNo(11);
  for (int i = 0; i < 5; ++i) store_.DeleteRecord();
  EXPECT_EQ(store_.BlockManager().BlockCount(), 1);
  int free_items = 0;
  for (ItemHeader* it = store_.BlockManager().FirstFree(); it; it = it->next) {
    EXPECT_EQ(it->flag, kItemFree);
    ++free_items;
  }
  EXPECT_EQ(free_items, 0);  // the released block's items left the free list
  EXPECT_EQ(store_.GetRecordCount(), 10);
}

TEST_F(StoreRowsTest, BookmarksOfDeletedRowsFallBackToTheirRecordNumber) {
  for (int32_t i = 0; i < 30; ++i) AppendId(i);
  // A row whose block is released: the bookmark must not read freed memory.
  store_.SetRecordNo(25);
  TRecBookmark released;
  store_.GetBookmark(released);
  store_.SetRecordNo(21);
  for (int i = 0; i < 10; ++i) store_.DeleteRecord();  // rows 21..30: one block
  store_.SetRecordNo(3);
  store_.SetToBookmark(released);
  EXPECT_EQ(store_.GetRecordNo(), 3);  // row 25 is gone, nothing moved
  // A row whose item is reused by a new row: the serial tells them apart.
  store_.SetRecordNo(5);
  TRecBookmark reused;
  store_.GetBookmark(reused);
  store_.DeleteRecord();
  AppendId(777);  // takes the freed item
  EXPECT_EQ(store_.CurrentItem(), reused.item);
  store_.SetRecordNo(1);
  store_.SetToBookmark(reused);
  EXPECT_EQ(store_.GetRecordNo(), 5);
  EXPECT_EQ(CurrentId(), 5);  // the row now fifth, not the new row 777
  // A live bookmark goes straight to its row.
  store_.SetRecordNo(8);
  TRecBookmark live;
  store_.GetBookmark(live);
  store_.SetRecordNo(1);
  PutId(-5);
  store_.SetToBookmark(live);
  EXPECT_EQ(CurrentId(), 8);
  EXPECT_EQ(store_.GetRecordNo(), 9);
}

TEST_F(StoreRowsTest, BookmarksFromBeforeReopenUseTheRecordNumber) {
  for (int32_t i = 0; i < 5; ++i) AppendId(i);
  store_.SetRecordNo(4);
  TRecBookmark mark;
  store_.GetBookmark(mark);
  store_.Reopen();
  for (int32_t i = 10; i < 15; ++i) AppendId(i);
  store_.SetToBookmark(mark);
  EXPECT_NE(mark.refresh_stamp, store_.RefreshStamp());
  EXPECT_EQ(CurrentId(), 13);
  EXPECT_EQ(store_.CompareBookmarks(&mark, nullptr), -1);
  EXPECT_EQ(store_.CompareBookmarks(nullptr, &mark), 1);
  EXPECT_EQ(store_.CompareBookmarks(nullptr, nullptr), 0);
  TRecBookmark other;
  store_.GetBookmark(other);
  EXPECT_EQ(store_.CompareBookmarks(&other, &other), 0);
  EXPECT_EQ(store_.CompareBookmarks(&mark, &other), 0);  // same record number
  store_.SetToBegin();
  TRecBookmark none;
  store_.GetBookmark(none);
  EXPECT_EQ(none.record_no, -1);
  EXPECT_FALSE(store_.BookmarkValid(&none));
  EXPECT_TRUE(store_.BookmarkValid(&other));
}

TEST_F(StoreRowsTest, FilteredRowsAreSkippedAndNotCounted) {
  for (int32_t i = 1; i <= 20; ++i) AppendId(i);
  store_.SetFilterFunc([](TRecBuf rec) { return LoadUnaligned<int32_t>(rec) % 2 == 0; });
  store_.ClearCache();
  EXPECT_EQ(store_.GetRecordCount(), 10);
  std::vector<int32_t> even;
  for (int32_t i = 2; i <= 20; i += 2) even.push_back(i);
  ExpectNumbersRight(even);
  store_.SetRecordNo(3);
  EXPECT_EQ(CurrentId(), 6);
  TRecBookmark mark;
  store_.GetBookmark(mark);
  EXPECT_TRUE(store_.BookmarkValid(&mark));
  // An odd row inserted is hidden at once and changes no record number.
  PutId(7);
  EXPECT_EQ(store_.GetRecordCount(), 10);
  ExpectNumbersRight(even);
  store_.SetFilterFunc(nullptr);
  store_.ClearCache();
  EXPECT_EQ(store_.GetRecordCount(), 21);
}

// The walk to a record number starts from the last visible row, not from a
// hidden last item taken for the last record.
TEST_F(StoreRowsTest, RecordNumbersNearTheEndAreReachedWhenTheLastRowIsHidden) {
  for (int32_t i = 1; i <= 10; ++i) AppendId(i);
  store_.SetFilterFunc([](TRecBuf rec) { return LoadUnaligned<int32_t>(rec) < 10; });
  store_.ClearCache();
  store_.SetRecordNo(1);
  store_.SetRecordNo(9);
  EXPECT_EQ(CurrentId(), 9);
  store_.SetRecordNo(8);
  TRecBookmark mark;
  store_.GetBookmark(mark);
  store_.DeleteRecord();
  store_.SetRecordNo(1);
  store_.SetToBookmark(mark);  // the row is gone: its record number decides
  EXPECT_EQ(store_.GetRecordNo(), 8);
  EXPECT_EQ(CurrentId(), 9);
}

// A thread appends rows in blocks under the rows lock, as a driver's
// background fetch does, while this thread walks them as a data set does:
// the step under the lock, the end test, the record number and the
// bookmark without it. Every row is seen once, in order, with its own
// number; under ThreadSanitizer the walk shows no race with the appends.
TEST(SharedRowsStoreTest, AWalkReadsTheCurrentRowWithoutTheLockWhileRowsArrive) {
  constexpr int kRows = 20000;
  TTestStore store({{"ID", dtInt32, 4}});
  store.Open();
  std::atomic<int> appended{0};
  store.SetSharedRows(true);
  std::thread fetch([&] {
    TestRecord rec(store);
    for (int32_t id = 1; id <= kRows;) {
      std::lock_guard<TRowsLock> rows(store.RowsLock());
      for (const int end = std::min(kRows, id + 7); id <= end; ++id) {
        store.PutFieldByNo(1, rec.buf(), &id);
        store.InternalAppend(rec.buf());
      }
      appended.store(id - 1, std::memory_order_release);
    }
  });
  struct Joined {
    std::thread& thread;
    ~Joined() {
      if (thread.joinable()) thread.join();
    }
  } joined{fetch};
  TestRecord rec(store);
  for (int32_t id = 1; id <= kRows; ++id) {
    while (appended.load(std::memory_order_acquire) < id) std::this_thread::yield();
    if (id == 1) store.SetToBegin();  // from before the first row once there is one
    store.GetNextRecord(rec.buf());
    ASSERT_FALSE(store.GetEOF()) << id;
    ASSERT_EQ(store.GetRecordNo(), id);
    TRecBookmark mark;
    store.GetBookmark(mark);
    ASSERT_EQ(mark.record_no, id);
    ASSERT_EQ(mark.item, store.CurrentItem());
    int32_t read = 0;
    bool blank = true;
    store.GetFieldByNo(1, rec.buf(), &read, blank);
    ASSERT_EQ(read, id);
  }
  fetch.join();
  store.SetSharedRows(false);
  store.GetNextRecord(rec.buf());
  EXPECT_TRUE(store.GetEOF());
  EXPECT_EQ(store.GetRecordCount(), kRows);
}

// A background fetch tests no row it brings: the filter's callbacks are the
// application's code (a handler, calculated fields, a master/detail link),
// so the browsing thread tests the rows left pending, while it may set the
// callbacks and flags (a data set opening or changing its filter): they
// change under the rows lock, and a filter set last decides every row once
// the rows are tested anew. No callback ever runs on the appending thread.
TEST(SharedRowsStoreTest, FilterCallbacksAndFlagsChangeWhileRowsArrive) {
  constexpr int kRows = 4000;
  TTestStore store({{"ID", dtInt32, 4}});
  store.Open();
  store.SetSharedRows(true);
  std::atomic<bool> done{false};
  std::thread fetch([&] {
    TestRecord rec(store);
    for (int32_t id = 1; id <= kRows; ++id) {
      std::lock_guard<TRowsLock> rows(store.RowsLock());
      store.PutFieldByNo(1, rec.buf(), &id);
      store.InternalAppend(rec.buf());
    }
    done.store(true);
  });
  auto id_of = [&store](TRecBuf rec) {
    int32_t id = 0;
    bool blank = true;
    store.GetFieldByNo(1, rec, &id, blank);
    return id;
  };
  const std::thread::id browsing = std::this_thread::get_id();
  std::atomic<int> off_thread{0}, calls{0};
  auto on_browsing = [&] {
    ++calls;
    if (std::this_thread::get_id() != browsing) ++off_thread;
  };
  auto even = [&](TRecBuf rec) {
    on_browsing();
    return id_of(rec) % 2 == 0;
  };
  for (int turn = 0; !done.load(); ++turn) {
    store.SetFilterFunc(turn % 2 ? TData::TFilterFunc(even) : TData::TFilterFunc());
    store.SetFilterMDFunc(turn % 3 ? TData::TFilterFunc() : TData::TFilterFunc([&](TRecBuf) {
      on_browsing();
      return true;
    }));
    store.SetFilterCaseInsensitive(turn % 2 == 0);
    store.SetFilterNoPartialCompare(turn % 2 == 1);
  }
  fetch.join();
  store.SetSharedRows(false);
  store.SetFilterMDFunc(nullptr);
  store.SetFilterFunc(even);
  store.ClearCache();
  EXPECT_EQ(store.GetRecordCount(), kRows / 2);
  EXPECT_GT(calls.load(), 0);
  EXPECT_EQ(off_thread.load(), 0) << "a filter callback ran on the appending thread";
}

// Rows a filter must decide on wait, appended by the fetching thread,
// until the browsing thread looks at the list: it tests them in order
// (reading the count, walking, positioning), and every row it shows has
// its own record number.
TEST(SharedRowsStoreTest, PendingRowsAreTestedAndNumberedByTheBrowsingThread) {
  constexpr int kRows = 3000;
  TTestStore store({{"ID", dtInt32, 4}});
  store.Open();
  const std::thread::id browsing = std::this_thread::get_id();
  std::atomic<int> off_thread{0};
  auto id_of = [&store](TRecBuf rec) {
    int32_t id = 0;
    bool blank = true;
    store.GetFieldByNo(1, rec, &id, blank);
    return id;
  };
  store.SetFilterFunc([&](TRecBuf rec) {
    if (std::this_thread::get_id() != browsing) ++off_thread;
    return id_of(rec) % 3 == 0;
  });
  store.SetSharedRows(true);
  std::atomic<int> appended{0};
  std::thread fetch([&] {
    TestRecord rec(store);
    for (int32_t id = 0; id < kRows;) {
      std::lock_guard<TRowsLock> rows(store.RowsLock());
      for (const int end = std::min(kRows, id + 9); id < end; ++id) {
        store.PutFieldByNo(1, rec.buf(), &id);
        store.InternalAppend(rec.buf());
      }
      appended.store(id, std::memory_order_release);
    }
  });
  struct Joined {
    std::thread& thread;
    ~Joined() {
      if (thread.joinable()) thread.join();
    }
  } joined{fetch};
  TestRecord rec(store);
  int seen = 0;
  while (seen < kRows / 3) {
    const int count = store.GetRecordCount();
    ASSERT_LE(count, appended.load(std::memory_order_acquire) / 3 + 1);
    if (count <= seen) {
      std::this_thread::yield();
      continue;
    }
    if (seen == 0) store.SetToBegin();  // from before the first row once there is one
    store.GetNextRecord(rec.buf());
    ASSERT_FALSE(store.GetEOF());
    ++seen;
    ASSERT_EQ(id_of(rec.buf()), (seen - 1) * 3);
    ASSERT_EQ(store.GetRecordNo(), seen);
    if (seen % 50 == 0) {
      store.SetRecordNo(seen / 2);  // back and forth by record number
      store.GetRecord(rec.buf());
      ASSERT_EQ(id_of(rec.buf()), (seen / 2 - 1) * 3);
      store.SetRecordNo(seen);
    }
  }
  fetch.join();
  store.SetSharedRows(false);
  EXPECT_EQ(store.GetRecordCount(), kRows / 3);
  EXPECT_EQ(off_thread.load(), 0) << "the filter ran on the appending thread";
}

TEST(RefreshStampTest, StoresOpenedOnSeveralThreadsTakeDistinctStamps) {
  constexpr int kThreads = 4, kStamps = 50000, kStores = 200;
  std::vector<std::vector<int32_t>> stamps(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&stamps, t] {
      for (int i = 0; i < kStores; ++i) {
        TTestStore store({{"ID", dtInt32, 4}});
        store.Open();
        stamps[t].push_back(store.RefreshStamp());
      }
      for (int i = 0; i < kStamps; ++i) stamps[t].push_back(NextRefreshStamp());
    });
  }
  for (auto& th : threads) th.join();
  std::set<int32_t> all;
  for (const auto& list : stamps) all.insert(list.begin(), list.end());
  EXPECT_EQ(all.size(), size_t{kThreads} * (kStamps + kStores));
}

// Rows with heap strings, Variants and blobs: stored, posted, edited and
// freed without leaks (the ASan build checks).
TEST(StoreComplexRowsTest, PostAndStoreComplexValuesKeepOneOwnerPerValue) {
  constexpr uint16_t kPtr = sizeof(void*);
  TTestStore store({{"HS", dtHeapString, kPtr, 50}, {"V", dtVariant, kPtr}, {"M", dtMemo, kPtr}});
  store.Open();
  for (int i = 0; i < 50; ++i) {
    TRecBuf rec = store.AllocRecBuf();
    store.InitRecord(rec);
    store.CreateComplexFields(rec, true);
    store.PutFieldAsVariant(1, rec, classlib::Variant("row " + std::to_string(i)));
    store.PutFieldAsVariant(2, rec, classlib::Variant(i));
    store.PutFieldAsVariant(3, rec, classlib::Variant(std::string(3000 + i, 'm')));
    store.AppendRecord(rec);  // the row takes over the values
    TData::FreeRecBuf(rec);
  }
  store.SetRecordNo(10);
  const int32_t memo_offset = store.FieldByName("M")->Offset();
  TRecBuf edit = store.AllocRecBuf();
  // The memory data set's edit: the row's blob, its own holders and strings.
  store.GetRecord(edit);
  store.CreateComplexFields(edit, false);
  store.PutFieldAsVariant(1, edit, classlib::Variant("edited"));
  store.PutFieldAsVariant(2, edit, classlib::Variant(-1));
  store.GetBlob(3, edit)->SetAsString("new memo");
  store.PostRecord(edit);  // the row owns the posted values now
  // Values stored into the row: copies of the buffer's holders and strings.
  store.GetRecord(edit);
  store.CreateComplexFields(edit, false);
  store.PutFieldAsVariant(1, edit, classlib::Variant("stored"));
  store.PutFieldAsVariant(2, edit, classlib::Variant(99));
  store.StoreComplexValues(edit);
  StoreUnaligned<void*>(static_cast<uint8_t*>(edit) + memo_offset, nullptr);  // the row's blob
  store.FreeComplexFields(edit, true);
  TData::FreeRecBuf(edit);

  TRecBuf row = store.AllocRecBuf();
  store.GetRecord(row);
  classlib::Variant v;
  store.GetFieldAsVariant(1, row, v);
  EXPECT_EQ(v.AsString(), "stored");
  store.GetFieldAsVariant(2, row, v);
  EXPECT_EQ(v.AsInteger(), 99);
  EXPECT_EQ(store.GetBlob(3, row)->GetAsString(), "new memo");
  EXPECT_EQ(store.GetBlob(3, row)->Rollback(), nullptr);  // committed by the post
  TData::FreeRecBuf(row);
  store.SetRecordNo(11);
  store.DeleteRecord();
  EXPECT_EQ(store.GetRecordCount(), 49);
  store.Close();
}

}  // namespace
}  // namespace dacore
