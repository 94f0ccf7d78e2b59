// A non-blocking query as a grid sees it: the rows of its execute and of
// its background fetch are shown as they come (the data link hears of them,
// no First() needed), and closing, freeing or disconnecting it while rows
// still wait to be tested by the application's filter runs none of its
// code and leaves nothing behind. Every test runs under a watchdog.
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "oracle/tests/query_background_fixture.h"
#include "testing/watchdog.h"

namespace oracle::testing {
namespace {

using classlib::testing::TWatchdog;

// A grid's link: it wants several records and counts what it hears.
class TGridLink : public classlib::TDataLink {
 public:
  TGridLink() { SetBufferCount(5); }
  void DataSetChanged() override { ++changes; }
  void DataSetScrolled(int) override { ++changes; }
  int changes = 0;
};

class QueryBackgroundOpenCloseTest : public OraBackgroundQueryFixture {
 protected:
  // A filter that reads its field by name, as an application's does.
  static void FilterEvenIds(TOraQuery& query, int& calls) {
    query.SetOnFilterRecord(classlib::TFilterRecordEvent::Function([&calls](classlib::TDataSet* data_set, bool& accept) {
      ++calls;
      accept = data_set->FieldByName("ID")->AsInteger() % 2 == 0;
    }));
    query.SetFiltered(true);
  }
  // Rows the thread appended and nobody has tested yet.
  static bool RowsWait(TOraQuery& query) {
    TOCIRecordSet& record_set = RecordSetOf(query);
    std::lock_guard<dacore::TRowsLock> rows(record_set.RowsLock());  // the thread appends under it
    return record_set.HasPendingRows();
  }
  static void LetRowsWait(TOraQuery& query) {
    for (int waited = 0; !RowsWait(query) && waited < 5000; ++waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(RowsWait(query)) << "rows wait for the filter";
    ASSERT_TRUE(StillArriving(query));
  }
};

// The execute's end shows its first rows; the end of the fetch of every
// row shows the rest: the link hears both, and the ring holds the rows.
TEST_F(QueryBackgroundOpenCloseTest, ANonBlockingOpenShowsItsRowsAsTheyCome) {
  TWatchdog watchdog(std::chrono::seconds(60), "a non-blocking open shows its rows");
  Script(60, 1);
  for (bool fetch_all : {false, true}) {
    SCOPED_TRACE(fetch_all ? "FetchAll" : "first rows only");
    auto query = NonBlocking(10, fetch_all);
    classlib::TDataSource source(nullptr);
    source.SetDataSet(query.get());
    TGridLink grid;
    grid.SetDataSource(&source);
    query->Open();
    const int before = grid.changes;
    RecordSetOf(*query).WaitForExecute();
    EXPECT_GT(grid.changes, before) << "the grid heard of the first rows";
    EXPECT_FALSE(query->Eof());
    EXPECT_EQ(query->RecNo(), 1);
    EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 0);
    const int at_execute = grid.changes;
    WaitForTheEnd(*query);
    if (fetch_all) {
      EXPECT_GT(grid.changes, at_execute) << "the grid heard of the rest";
      EXPECT_EQ(query->RecordCount(), 60);
    }
    EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 0) << "the record stays current";
    int rows = 0;
    for (; !query->Eof(); query->Next()) ASSERT_EQ(query->FieldByName("ID")->AsInteger(), rows++);
    EXPECT_EQ(rows, 60);
    grid.SetDataSource(nullptr);
  }
}

// A filter text set while the rows arrive is applied at their end.
TEST_F(QueryBackgroundOpenCloseTest, AFilterSetBeforeTheExecuteEndsIsAppliedAtItsEnd) {
  TWatchdog watchdog(std::chrono::seconds(60), "a pending filter text");
  Script(40, 1);
  auto query = NonBlocking(10, true);
  query->Open();
  query->SetFilter("GRP = 1");
  query->SetFiltered(true);
  RecordSetOf(*query).WaitForExecute();
  WaitForTheEnd(*query);
  EXPECT_EQ(query->RecordCount(), 10);
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 1);
}

// Close, free, disconnect and free the session while rows wait for the
// filter: the filter runs for none of them, nothing raises, and the
// sanitizer finds no record left behind.
TEST_F(QueryBackgroundOpenCloseTest, ClosingWhileRowsWaitForTheFilterRunsNoApplicationCode) {
  TWatchdog watchdog(std::chrono::seconds(90), "closing while rows wait for the filter");
  Script(3000, 1);
  enum class TEnd { kClose, kFree, kDisconnect, kFreeSession };
  for (TEnd end : {TEnd::kClose, TEnd::kFree, TEnd::kDisconnect, TEnd::kFreeSession}) {
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE("end " + std::to_string(static_cast<int>(end)) + ", round " + std::to_string(round));
      auto query = NonBlocking(5, true);
      int calls = 0;
      FilterEvenIds(*query, calls);
      query->Open();
      RecordSetOf(*query).WaitForExecute();
      LetRowsWait(*query);
      const int tested = calls;
      switch (end) {
        case TEnd::kClose:
          EXPECT_NO_THROW(query->Close());
          EXPECT_FALSE(query->Active());
          break;
        case TEnd::kFree:
          EXPECT_NO_THROW(query.reset());
          break;
        case TEnd::kDisconnect:
          EXPECT_NO_THROW(session_component_->Disconnect());
          EXPECT_FALSE(StillArriving(*query));
          session_component_->SetConnected(true);
          break;
        case TEnd::kFreeSession:
          EXPECT_NO_THROW(session_component_.reset());
          session_component_ = std::make_unique<TOraSession>();
          session_component_->SetConnectString("scott/tiger@db1");
          session_component_->SetConnected(true);
          break;
      }
      EXPECT_EQ(calls, tested) << "no filter ran for the rows that waited";
      if (query) {
        EXPECT_NO_THROW(query.reset());
      }
      EXPECT_EQ(calls, tested);
    }
  }
}

}  // namespace
}  // namespace oracle::testing
