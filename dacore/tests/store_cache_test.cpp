// Cached updates: recording inserts, updates and deletes with their earlier
// values, applying them with the handler's answers (retry, skip, pending),
// committing, reverting and cancelling, heap strings and blobs included.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "classlib/variant.h"
#include "dacore/tests/store_fixture.h"

namespace dacore {
namespace {

using classlib::Variant;

class CacheTest : public ::testing::Test {
 protected:
  CacheTest()
      : store_({{"ID", dtInt32, 4}, {"NAME", dtHeapString, sizeof(void*), 20}, {"NOTE", dtMemo, sizeof(void*)}}) {
    store_.Open();
    for (int id = 1; id <= 3; ++id) Append(id, "name " + std::to_string(id), "note " + std::to_string(id));
    store_.SetCachedUpdates(true);
    new_buf_ = store_.AllocRecBuf();
    old_buf_ = store_.AllocRecBuf();
    store_.SetCacheRecBuf(new_buf_, old_buf_);
  }
  ~CacheTest() override {
    TData::FreeRecBuf(new_buf_);
    TData::FreeRecBuf(old_buf_);
  }

  // A fresh buffer with its own values; the store takes them over.
  TRecBuf NewRecord(int id, const std::string& name, const std::string& note) {
    TRecBuf rec = store_.AllocRecBuf();
    store_.InitRecord(rec);
    store_.CreateComplexFields(rec, true);
    Put(rec, id, name);
    store_.GetBlob(3, rec)->SetAsString(note);
    store_.SetNull(3, rec, false);
    return rec;
  }
  void Put(TRecBuf rec, int id, const std::string& name) {
    store_.PutFieldAsVariant(1, rec, id);
    store_.PutFieldAsVariant(2, rec, name);
  }
  void Append(int id, const std::string& name, const std::string& note) {
    TRecBuf rec = NewRecord(id, name, note);
    store_.AppendRecord(rec);
    TData::FreeRecBuf(rec);
  }
  void Insert(int id, const std::string& name) {
    TRecBuf rec = NewRecord(id, name, "new");
    store_.InsertRecord(rec);
    TData::FreeRecBuf(rec);
  }
  // Edits the current row as the memory data set does: a copy of the row
  // with its own heap string, the blob written in place, then posted.
  void Edit(int id, const std::string& name, const std::string& note) {
    TRecBuf rec = store_.AllocRecBuf();
    std::memcpy(rec, ItemRecord(store_.CurrentItem()), store_.RecordSize());
    std::memset(static_cast<uint8_t*>(rec) + store_.Fields().GetItems(1)->Offset(), 0, sizeof(void*));
    Put(rec, id, name);
    store_.GetBlob(3, rec)->SetAsString(note);
    store_.PostRecord(rec);
    TData::FreeRecBuf(rec);
  }
  void Go(int record_no) { store_.SetRecordNo(record_no); }
  std::string Row(TRecBuf rec) {
    Variant id, name;
    store_.GetFieldAsVariant(1, rec, id);
    store_.GetFieldAsVariant(2, rec, name);
    return std::to_string(id.AsInteger()) + " " + classlib::VarToStr(name) + " " + store_.GetBlob(3, rec)->GetAsString();
  }
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    store_.SetToBegin();
    for (store_.GetNextRecord(nullptr); !store_.GetEOF(); store_.GetNextRecord(nullptr))
      out.push_back(Row(ItemRecord(store_.CurrentItem())));
    return out;
  }
  int Entries() {
    int n = 0;
    for (ItemHeader* it = store_.FirstItem(); it; it = it->next) n += it->status != isUnmodified;
    return n;
  }

  const std::vector<std::string> original_{"1 name 1 note 1", "2 name 2 note 2", "3 name 3 note 3"};
  TTestStore store_;
  TRecBuf new_buf_ = nullptr;
  TRecBuf old_buf_ = nullptr;
};

TEST_F(CacheTest, RevertAfterTwoUpdatesRestoresTheFirstValues) {
  Go(2);
  Edit(20, "first edit", "edited once");
  Edit(21, "second edit", "edited twice");
  EXPECT_EQ(store_.GetUpdateStatus(), isUpdated);
  TRecBuf refresh = store_.AllocRecBuf();
  store_.GetRefreshRecord(refresh);
  EXPECT_EQ(Row(refresh), "2 name 2 note 2") << "the values before the first update";
  TData::FreeRecBuf(refresh);
  store_.RevertRecord();
  EXPECT_EQ(store_.GetUpdateStatus(), isUnmodified);
  EXPECT_FALSE(store_.UpdatesPending());
  EXPECT_EQ(Rows(), original_);
}

TEST_F(CacheTest, InsertThenDeleteLeavesNothing) {
  Go(2);
  Insert(9, "inserted");
  EXPECT_EQ(store_.GetRecordCount(), 4);
  EXPECT_EQ(store_.GetUpdateStatus(), isAppended);
  EXPECT_EQ(store_.GetRecordNo(), 2);
  store_.DeleteRecord();
  EXPECT_EQ(store_.GetRecordCount(), 3);
  EXPECT_FALSE(store_.UpdatesPending());
  EXPECT_EQ(Entries(), 0);
  EXPECT_EQ(store_.GetRecordNo(), 2) << "the row after the removed one is current";
  EXPECT_EQ(Rows(), original_);
  // Updated after insert, still an insert; then deleted.
  Insert(8, "again");
  Edit(8, "again edited", "x");
  EXPECT_EQ(store_.GetUpdateStatus(), isAppended);
  store_.DeleteRecord();
  EXPECT_EQ(Rows(), original_);
  EXPECT_EQ(store_.GetRecordCount(), 3);
}

TEST_F(CacheTest, CancelRestoresEveryValue) {
  Go(1);
  Edit(10, "changed", "changed note");
  Go(2);
  store_.DeleteRecord();
  EXPECT_EQ(store_.GetRecordCount(), 2);
  Go(2);
  Edit(30, "changed 3", "third");
  store_.DeleteRecord();
  Insert(7, "new one");
  EXPECT_TRUE(store_.UpdatesPending());
  store_.CancelUpdates();
  EXPECT_EQ(Rows(), original_);
  EXPECT_EQ(store_.GetRecordCount(), 3);
  EXPECT_EQ(Entries(), 0);
  EXPECT_FALSE(store_.UpdatesPending());
}

TEST_F(CacheTest, DeletedRowsHideAndComeBack) {
  Go(3);
  TRecBookmark bookmark;
  store_.GetBookmark(bookmark);
  store_.DeleteRecord();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"1 name 1 note 1", "2 name 2 note 2"}));
  store_.SetFilterItemTypes(kAllItemTypes);
  EXPECT_EQ(store_.GetRecordCount(), 3);
  store_.SetFilterItemTypes(kDefaultItemTypes);
  store_.SetToBookmark(bookmark);
  EXPECT_EQ(store_.GetUpdateStatus(), isDeleted);
  store_.RevertRecord();
  EXPECT_EQ(store_.GetRecordCount(), 3);
  EXPECT_EQ(Rows(), original_);
}

class ApplyTest : public CacheTest {
 protected:
  void Answer(std::vector<int> actions) {
    actions_ = std::move(actions);
    store_.OnApplyRecord = [this](int kind, int& action, bool last) {
      kinds.push_back(kind);
      lasts.push_back(last);
      olds.push_back(Row(old_buf_));
      news.push_back(Row(new_buf_));
      action = actions_.at(calls++);
    };
  }
  void ThreeChanges() {
    Go(1);
    Edit(11, "upd", "upd note");  // update
    Go(2);
    store_.DeleteRecord();  // delete of an unchanged row
    store_.SetToEnd();
    Insert(4, "ins");  // insert
  }
  std::vector<int> actions_;
  size_t calls = 0;
  std::vector<int> kinds;
  std::vector<bool> lasts;
  std::vector<std::string> olds, news;
};

// What the handler writes into the new values (a refresh after the statement
// does) stays in the row, heap strings and blobs included, whatever it answers.
TEST_F(ApplyTest, ValuesTheHandlerWritesStayInTheRow) {
  ThreeChanges();
  std::vector<int> answers{urApplied, urApplied, urSkip};
  store_.OnApplyRecord = [&](int kind, int& action, bool) {
    if (kind != 2) {
      store_.PutFieldAsVariant(2, new_buf_, Variant(std::string(kind == 0 ? "read back" : "inserted back")));
      store_.GetBlob(3, new_buf_)->SetAsString("server note");
    }
    action = answers.at(calls++);
  };
  store_.ApplyUpdates();
  EXPECT_EQ(Rows(), (std::vector<std::string>{"11 read back server note", "3 name 3 note 3", "4 inserted back server note"}));
  // The skipped insert stays pending; the rest is committed as it was read back.
  answers.push_back(urApplied);
  store_.CommitUpdates();
  EXPECT_FALSE(store_.UpdatesPending());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"11 read back server note", "3 name 3 note 3", "4 inserted back server note"}));
}

TEST_F(ApplyTest, HandlerSeesKindsAndValuesOldFromTheRowWithoutRollback) {
  ThreeChanges();
  Answer({urApplied, urApplied, urApplied});
  store_.ApplyUpdates();
  EXPECT_EQ(kinds, (std::vector<int>{0, 2, 1}));
  EXPECT_EQ(lasts, (std::vector<bool>{false, false, true}));
  EXPECT_EQ(olds, (std::vector<std::string>{"1 name 1 note 1", "2 name 2 note 2", "4 ins new"}));
  EXPECT_EQ(news, (std::vector<std::string>{"11 upd upd note", "2 name 2 note 2", "4 ins new"}));
  EXPECT_FALSE(store_.UpdatesPending());
  store_.CommitUpdates();
  EXPECT_EQ(Entries(), 0);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"11 upd upd note", "3 name 3 note 3", "4 ins new"}));
  store_.SetFilterItemTypes(kAllItemTypes);
  EXPECT_EQ(store_.GetRecordCount(), 3) << "the committed delete removed its row";
}

TEST_F(ApplyTest, RetrySkipAndPendingAnswers) {
  ThreeChanges();
  // The update is retried once, the delete skipped, the insert applied.
  Answer({urRetry, urApplied, urSkip, urApplied, urApplied});
  store_.ApplyUpdates();
  EXPECT_EQ(kinds, (std::vector<int>{0, 0, 2, 1}));
  EXPECT_TRUE(store_.UpdatesPending());
  Go(1);
  EXPECT_EQ(store_.GetUpdateResult(), urApplied);
  store_.CommitUpdates();  // offers the skipped delete again, then forgets all
  EXPECT_EQ(kinds, (std::vector<int>{0, 0, 2, 1, 2}));
  // The insert after it was applied: the delete is the last change to apply.
  EXPECT_TRUE(lasts.back());
  EXPECT_FALSE(store_.UpdatesPending());
  EXPECT_EQ(Entries(), 0);
}

TEST_F(ApplyTest, PendingEntriesTakeTheNextAnswer) {
  ThreeChanges();
  Answer({6, urApplied, urApplied});
  store_.ApplyUpdates();
  EXPECT_FALSE(store_.UpdatesPending()) << "the pending update took the delete's answer";
  // A retry after a pending entry goes back to it.
  store_.RestoreUpdates();
  calls = 0;
  kinds.clear();
  Answer({6, urRetry, urApplied, urApplied, urApplied});
  store_.ApplyUpdates();
  EXPECT_EQ(kinds, (std::vector<int>{0, 2, 0, 2, 1}));
  EXPECT_FALSE(store_.UpdatesPending());
}

TEST_F(ApplyTest, SwitchingCachedUpdatesOffCancels) {
  ThreeChanges();
  store_.SetCachedUpdates(false);
  EXPECT_EQ(Rows(), original_);
  EXPECT_EQ(Entries(), 0);
}

}  // namespace
}  // namespace dacore
