// The main thread reading rows while a background thread fetches more:
// every row it reads, every record number and every bookmark is that of the
// row it stands on, whether the record set keeps every row or, one-way,
// only those still to be read. Each case runs several rounds so that the
// two threads meet at many points of the list.
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "dacore/driver_props.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/error_ora.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using namespace dacore;

constexpr const char* kQuery = "select id, name from shared_rows";

class SharedRowsTest : public RecordSetTest {
 protected:
  // A non-blocking record set that fetches every row in the background,
  // executed and handed to the main thread with the fetch running.
  std::unique_ptr<TOCIRecordSet> OpenFetchingAll(int rows, int fetch_rows, bool one_way,
                                                 const std::string& filter = "") {
    if (!scripted_) {
      fetch_->ScriptQuery(kQuery, "ID NUMBER(9); NAME VARCHAR2(4000)");
      fetch_->GenerateRows(kQuery, rows);
      scripted_ = true;
    }
    auto record_set = NewRecordSet(kQuery, fetch_rows);
    record_set->GetCommand()->SetProp(prNonBlocking, true);
    record_set->SetProp(prFetchAll, true);
    record_set->SetProp(prUniDirectional, one_way);
    record_set->SetFilterText(filter);
    record_set->Open();
    record_set->WaitForExecute();
    buffer_ = std::make_unique<TRecBufHolder>(static_cast<size_t>(record_set->RecordSize()));
    return record_set;
  }

  // The row as the data set sees it: a copy of the record, its text read
  // through the record's own heap value.
  struct TRow {
    int id = -1;
    std::string name;
  };
  TRow RowOf(TOCIRecordSet& record_set, TRecBuf rec) {
    classlib::Variant id, name;
    record_set.GetFieldAsVariant(record_set.FieldByName("ID")->FieldNo(), rec, id);
    record_set.GetFieldAsVariant(record_set.FieldByName("NAME")->FieldNo(), rec, name);
    return {id.AsInteger(), name.AsString()};
  }
  TRow CurrentRow(TOCIRecordSet& record_set) {
    record_set.GetRecord(buffer_->buf);
    return RowOf(record_set, buffer_->buf);
  }
  static std::string NameOf(int id) { return "name-" + std::to_string(id); }
  static void Spin(unsigned rounds) {
    for (unsigned i = 0; i < rounds; ++i) asm volatile("" ::: "memory");
  }

  std::unique_ptr<TRecBufHolder> buffer_;
  bool scripted_ = false;
};

constexpr int kRounds = 8;

// Before: the thread freed the block of the row the main thread stood on
// and refilled it with later rows, so rows were skipped or read twice.
TEST_F(SharedRowsTest, OneWayBackgroundFetchShowsEveryRowOnceInOrder) {
  Connect();
  constexpr int kRows = 1500;
  for (int round = 0; round < kRounds; ++round) {
    auto record_set = OpenFetchingAll(kRows, 4 + round, true);
    int expected = 0;
    record_set->GetNextRecord(buffer_->buf);
    while (!record_set->GetEOF()) {
      TRow row = RowOf(*record_set, buffer_->buf);
      ASSERT_EQ(row.id, expected) << "round " << round;
      ASSERT_EQ(row.name, NameOf(expected));
      ASSERT_EQ(CurrentRow(*record_set).id, expected) << "the row stood on is still that row";
      ASSERT_EQ(record_set->GetRecordNo(), expected + 1) << "record numbers count on over dropped rows";
      TRecBookmark mark;
      record_set->GetBookmark(mark);
      ASSERT_EQ(mark.record_no, expected + 1);
      ++expected;
      record_set->GetNextRecord(buffer_->buf);
    }
    EXPECT_EQ(expected, kRows);
    record_set->WaitForFetchAll();
  }
}

// A data set steps through StepNext, which takes the row and its bookmark in
// one call: while the thread still fetches it must wait and lock as the
// separate calls do, and show every row once with its own bookmark.
TEST_F(SharedRowsTest, TheDataSetsStepShowsEveryRowOnceWithItsBookmark) {
  Connect();
  constexpr int kRows = 1500;
  for (int round = 0; round < kRounds; ++round) {
    auto record_set = OpenFetchingAll(kRows, 4 + round, round % 2 == 1);
    int expected = 0;
    TRecBookmark mark;
    while (record_set->StepNext(buffer_->buf, mark)) {
      ASSERT_EQ(RowOf(*record_set, buffer_->buf).id, expected) << "round " << round;
      ASSERT_EQ(mark.record_no, expected + 1);
      ASSERT_EQ(mark.item, record_set->CurrentItem()) << "the bookmark is the row stepped to";
      ++expected;
    }
    EXPECT_EQ(expected, kRows);
    EXPECT_TRUE(record_set->GetEOF());
    record_set->WaitForFetchAll();
  }
}

// Before: the block manager's map of blocks was searched for a bookmarked
// item while the thread inserted the blocks it fetched into.
TEST_F(SharedRowsTest, BookmarksTakenWhileRowsArriveReturnTheirRows) {
  Connect();
  std::mt19937 random(58);
  for (int round = 0; round < kRounds; ++round) {
    auto record_set = OpenFetchingAll(1200, 1 + round % 3, false);
    std::vector<std::pair<TRecBookmark, int>> marks;
    record_set->GetNextRecord(buffer_->buf);
    int jumps = 0;
    while (!record_set->GetEOF()) {
      const TRow here = RowOf(*record_set, buffer_->buf);
      TRecBookmark mark;
      record_set->GetBookmark(mark);
      ASSERT_EQ(mark.record_no, here.id + 1);
      marks.emplace_back(mark, here.id);
      for (int i = 0; i < 4; ++i) {
        const auto& [target, id] = marks[random() % marks.size()];
        record_set->SetToBookmark(target);
        ASSERT_TRUE(record_set->BookmarkValid(&target));
        const TRow row = CurrentRow(*record_set);
        ASSERT_EQ(row.id, id) << "round " << round;
        ASSERT_EQ(row.name, NameOf(id));
        ++jumps;
      }
      record_set->SetToBookmark(mark);
      record_set->GetNextRecord(buffer_->buf);
    }
    EXPECT_EQ(marks.size(), 1200u);
    EXPECT_GT(jumps, 0);
    record_set->WaitForFetchAll();
  }
}

// Before: the walk to a record number read the count and the links while
// the thread linked new rows in (slowly here: a filter tests each), and
// missed rows it had linked but not yet numbered.
TEST_F(SharedRowsTest, RecordNumbersSetWhileRowsArriveCountUpWithNoGap) {
  Connect();
  constexpr int kRows = 3000;
  std::mt19937 random(58);
  for (int round = 0; round < kRounds; ++round) {
    auto record_set = OpenFetchingAll(kRows, 5 + round, false, "NAME LIKE 'name-%' AND ID >= 0");
    for (int count = 0, highest = 0; count < kRows; highest = count) {
      count = record_set->GetRecordCount();
      ASSERT_GE(count, highest) << "rows are only added";
      if (count == 0) continue;
      Spin(random() % 5000);  // so the next step meets the thread anywhere
      record_set->SetRecordNo(count);
      ASSERT_EQ(record_set->GetRecordNo(), count) << "round " << round;
      ASSERT_EQ(CurrentRow(*record_set).id, count - 1);
      record_set->SetRecordNo(1 + count / 2);
      ASSERT_EQ(record_set->GetRecordNo(), 1 + count / 2);
      ASSERT_EQ(CurrentRow(*record_set).id, count / 2);
    }
    record_set->WaitForFetchAll();
    for (int n = 1; n <= kRows; n += 7) {
      record_set->SetRecordNo(n);
      ASSERT_EQ(record_set->GetRecordNo(), n);
      ASSERT_EQ(CurrentRow(*record_set).id, n - 1);
    }
  }
}

// Before: each insert linked and renumbered rows next to those the thread
// appended (slowly here: a filter tests each), and took its text from the
// string heap beside the thread.
TEST_F(SharedRowsTest, InsertsDuringTheFetchWaitAndKeepEveryRow) {
  Connect();
  constexpr int kRows = 2000, kInserts = 60;
  std::mt19937 random(58);
  for (int round = 0; round < 3; ++round) {
    auto record_set = OpenFetchingAll(kRows, 3, false, "NAME LIKE 'name-%'");
    TRecBufHolder fresh(static_cast<size_t>(record_set->RecordSize()));
    for (int i = 0; i < kInserts; ++i) {
      while (record_set->GetRecordCount() < 2) std::this_thread::yield();
      record_set->SetRecordNo(record_set->GetRecordCount());
      record_set->InitRecord(fresh.buf);
      record_set->PutFieldAsVariant(record_set->FieldByName("ID")->FieldNo(), fresh.buf, -1 - i);
      record_set->PutFieldAsVariant(record_set->FieldByName("NAME")->FieldNo(), fresh.buf, NameOf(-1 - i));
      record_set->InsertRecord(fresh.buf);
      ASSERT_EQ(CurrentRow(*record_set).id, -1 - i);
      Spin(random() % 5000);
    }
    record_set->WaitForFetchAll();
    ASSERT_EQ(record_set->GetRecordCount(), kRows + kInserts);
    record_set->SetToBegin();
    int number = 0, next_fetched = 0, inserted = 0;
    for (record_set->GetNextRecord(buffer_->buf); !record_set->GetEOF(); record_set->GetNextRecord(buffer_->buf)) {
      const TRow row = RowOf(*record_set, buffer_->buf);
      ASSERT_EQ(record_set->GetRecordNo(), ++number) << "round " << round;
      ASSERT_EQ(row.name, NameOf(row.id));
      if (row.id < 0) {
        ++inserted;
      } else {
        ASSERT_EQ(row.id, next_fetched) << "fetched rows keep their order, once each";
        ++next_fetched;
      }
    }
    EXPECT_EQ(next_fetched, kRows);
    EXPECT_EQ(inserted, kInserts);
  }
}

// Before: a fetch that failed on the thread set the end under the row the
// main thread stood on, so the walk stopped there for good: GetNextRecord
// no longer moved and GetEOF stayed false. Now the walk reads every row
// fetched before the failure, then ends, and asks for no more rows.
TEST_F(SharedRowsTest, AFailedBackgroundFetchEndsTheWalkAfterTheRowsItBrought) {
  Connect();
  standin_->InjectFault("OCIStmtFetch", 4, OCI_ERROR, 1555, "ORA-01555: snapshot too old");
  auto record_set = OpenFetchingAll(100, 10, false);
  int rows = 0;
  for (record_set->GetNextRecord(buffer_->buf); !record_set->GetEOF() && rows <= 100;
       record_set->GetNextRecord(buffer_->buf), ++rows)
    ASSERT_EQ(RowOf(*record_set, buffer_->buf).id, rows) << "each row once, in order";
  EXPECT_GT(rows, 0);
  EXPECT_LT(rows, 100);
  EXPECT_EQ(rows % 10, 0) << "whole blocks";
  EXPECT_EQ(record_set->GetRecordCount(), rows);
  const size_t fetches = standin_->LogOf("OCIStmtFetch").size();
  record_set->GetNextRecord(buffer_->buf);
  EXPECT_TRUE(record_set->GetEOF());
  EXPECT_EQ(standin_->LogOf("OCIStmtFetch").size(), fetches) << "no fetch after the failed one";
  try {
    record_set->WaitForFetchAll();
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 1555);
  }
}

// Before: the fetch of everything moved a scrollable cursor's window (and
// its current row) on the thread, under the main thread's reads.
TEST_F(SharedRowsTest, AScrollableCursorFetchesEverythingOnTheMainThread) {
  Connect();
  fetch_->ScriptQuery(kQuery, "ID NUMBER(9); NAME VARCHAR2(4000)");
  fetch_->GenerateRows(kQuery, 40);
  auto record_set = NewRecordSet(kQuery, 6);
  record_set->GetCommand()->SetProp(prNonBlocking, true);
  record_set->GetCommand()->SetProp(prScrollableCursor, true);
  record_set->SetProp(prFetchAll, true);
  record_set->Open();
  record_set->WaitForExecute();
  EXPECT_FALSE(record_set->FetchingAll()) << "no thread moves the window";
  EXPECT_EQ(record_set->GetRecordCount(), 40);
  record_set->SetToEnd();
  record_set->GetPriorRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "ID").AsInteger(), 39);
}

}  // namespace
}  // namespace oracle::testing
