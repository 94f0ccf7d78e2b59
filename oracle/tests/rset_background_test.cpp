// Fetching every row on a background thread of the connection: the end and
// the after-fetch handler reach the main thread through the utility window,
// and closing midway stops the loop and frees everything it made.
#include "classlib/thread.h"
#include "dacore/driver_props.h"
#include "oracle/conn_util_window.h"
#include "oracle/tests/rset_fixture.h"
#include "platform/message_loop.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using namespace dacore;

constexpr const char* kQuery = "select id, name, note from many";

class BackgroundTest : public RecordSetTest {
 protected:
  std::unique_ptr<TOCIRecordSet> Background(int rows, int fetch_rows, int delay_ms) {
    fetch_->ScriptQuery(kQuery, "ID NUMBER(9); NAME VARCHAR2(100); NOTE CLOB");
    fetch_->GenerateRows(kQuery, rows);
    fetch_->SetFetchDelay(delay_ms);
    auto record_set = NewRecordSet(kQuery, fetch_rows);
    record_set->GetCommand()->SetProp(prNonBlocking, true);
    record_set->SetProp(prFetchAll, true);
    return record_set;
  }
};

struct FetchListener {
  int calls = 0;
  std::thread::id thread;
  void AfterFetch() {
    ++calls;
    thread = std::this_thread::get_id();
  }
};

TEST_F(BackgroundTest, FetchAllEndsOnTheMainThread) {
  Connect();
  auto record_set = Background(500, 50, 2);
  FetchListener listener;
  record_set->OnAfterFetch = TCRRecordSet::TAfterFetchProc(&listener, &FetchListener::AfterFetch);
  record_set->Open();
  EXPECT_TRUE(record_set->FetchingAll());
  while (record_set->FetchingAll()) {
    platform::MessageLoop::Current().ProcessMessages();
    classlib::Sleep(1);
  }
  platform::MessageLoop::Current().ProcessMessages();
  EXPECT_EQ(record_set->GetRecordCount(), 500);
  EXPECT_EQ(listener.calls, 1) << "while everything is fetched only the end is reported";
  EXPECT_EQ(listener.thread, std::this_thread::get_id());
  EXPECT_EQ(record_set->Command().GetCursorState(), csFinished);
}

TEST_F(BackgroundTest, ReadingAheadOfTheBackgroundFetchWaitsForIt) {
  Connect();
  auto record_set = Background(300, 30, 2);
  record_set->Open();
  int rows = 0, last = -1;
  for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr)) {
    ++rows;
    last = Value(*record_set, "ID").AsInteger();
  }
  EXPECT_EQ(rows, 300) << "the end of the rows held was no end while the fetch ran";
  EXPECT_EQ(last, 299);
  record_set->WaitForFetchAll();
  EXPECT_FALSE(record_set->FetchingAll());
}

TEST_F(BackgroundTest, FilterSetDuringTheFetchAppliesAtItsEnd) {
  Connect();
  auto record_set = Background(200, 20, 3);
  record_set->Open();
  ASSERT_TRUE(record_set->FetchingAll());
  record_set->SetFilterText("ID < 10");
  EXPECT_EQ(record_set->FilterText(), "") << "kept aside while rows arrive";
  record_set->WaitForFetchAll();
  EXPECT_EQ(record_set->FilterText(), "ID < 10");
  int rows = 0;
  record_set->SetToBegin();
  for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr)) ++rows;
  EXPECT_EQ(rows, 10);
}

TEST_F(BackgroundTest, CloseMidwayStopsTheLoopAndFreesWhatItMade) {
  Connect();
  const int handles_before = standin_->LiveHandles();
  {
    auto record_set = Background(2000, 20, 5);
    record_set->Open();
    while (fetch_->FetchCalls() < 3) classlib::Sleep(1);
    record_set->Close();
    EXPECT_FALSE(record_set->FetchingAll());
    const int calls = fetch_->FetchCalls();
    EXPECT_LT(calls, 100) << "the loop stopped before the end";
    classlib::Sleep(30);
    EXPECT_EQ(fetch_->FetchCalls(), calls) << "nothing fetches after Close returned";
    EXPECT_EQ(connection_->UtilWindow().PendingCount(), 0) << "Close took the thread's end message";
  }
  // The statement, its LOB locators and the record set's value objects are gone.
  EXPECT_EQ(standin_->LiveHandles(), handles_before);
}

TEST_F(BackgroundTest, NeedsAThreadSafeSession) {
  Connect();
  auto record_set = Background(10, 5, 0);
  connection_->ThreadSafety = false;
  EXPECT_EQ(MessageOf([&] { record_set->Open(); }), "Session must be Thread Safety");
}

}  // namespace
}  // namespace oracle::testing
