// Fetching every row on a background thread of the connection: the end and
// the after-fetch handler reach the main thread through the utility window,
// closing midway stops the loop and frees everything it made, and a
// connection that disconnects or goes stops it before it ends the session.
#include <algorithm>
#include <string>
#include <vector>

#include "classlib/thread.h"
#include "dacore/driver_props.h"
#include "oracle/conn_util_window.h"
#include "oracle/error_ora.h"
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
  // Opens it and hands the execute's end to the main thread, which starts
  // the fetch of every row.
  void OpenAndExecute(TOCIRecordSet& record_set) {
    record_set.Open();
    record_set.WaitForExecute();
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
  OpenAndExecute(*record_set);
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
  OpenAndExecute(*record_set);
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

TEST_F(BackgroundTest, RowCountGrowsWhileRowsArrive) {
  Connect();
  auto record_set = Background(600, 20, 5);
  OpenAndExecute(*record_set);
  int last = 0, partial = 0;
  while (record_set->FetchingAll()) {
    const int count = record_set->GetRecordCount();
    EXPECT_GE(count, last) << "rows are only added";
    if (count > 0 && count < 600) ++partial;
    last = count;
    platform::MessageLoop::Current().ProcessMessages();
    classlib::Sleep(1);
  }
  EXPECT_GT(partial, 0) << "the count is readable before the fetch ends";
  EXPECT_EQ(record_set->GetRecordCount(), 600);
}

TEST_F(BackgroundTest, FilterSetBeforeTheOpenHidesRowsOfEveryBlock) {
  Connect();
  auto record_set = Background(300, 30, 2);
  record_set->SetFilterText("ID < 45");
  OpenAndExecute(*record_set);
  int rows = 0, last = -1;
  for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr)) {
    ++rows;
    last = Value(*record_set, "ID").AsInteger();
  }
  EXPECT_EQ(rows, 45) << "rows of the thread's first block and of the later ones alike";
  EXPECT_EQ(last, 44);
  record_set->WaitForFetchAll();
}

TEST_F(BackgroundTest, FilterSetDuringTheFetchAppliesAtItsEnd) {
  Connect();
  auto record_set = Background(200, 20, 3);
  OpenAndExecute(*record_set);
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

TEST_F(BackgroundTest, BlockSizeChangedWhileRowsArriveTakesEffectBetweenBlocks) {
  Connect();
  auto record_set = Background(600, 20, 1);
  OpenAndExecute(*record_set);
  // Each change frees the buffers the client fills: a change in the middle
  // of a block would have it write into freed memory.
  for (int change = 0; record_set->FetchingAll(); ++change) {
    record_set->SetProp(prFetchRows, change % 2 == 0 ? 7 : 20);
    platform::MessageLoop::Current().ProcessMessages();
  }
  record_set->WaitForFetchAll();
  int rows = 0;
  record_set->SetToBegin();
  for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr), ++rows)
    ASSERT_EQ(Value(*record_set, "ID").AsInteger(), rows) << "a row lost or moved";
  EXPECT_EQ(rows, 600);
}

TEST_F(BackgroundTest, CloseMidwayStopsTheLoopAndFreesWhatItMade) {
  Connect();
  const int handles_before = standin_->LiveHandles();
  {
    auto record_set = Background(2000, 20, 5);
    OpenAndExecute(*record_set);
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

struct ExecuteListener {
  int calls = 0;
  bool result = false;
  std::thread::id thread;
  void AfterExecute(bool ok) {
    ++calls;
    result = ok;
    thread = std::this_thread::get_id();
  }
};

TEST_F(BackgroundTest, ExecuteAndFirstRowsRunOnAThread) {
  Connect();
  auto record_set = Background(100, 25, 40);
  record_set->SetProp(prFetchAll, false);
  ExecuteListener listener;
  record_set->GetCommand()->OnAfterExecute = TCRCommand::TAfterExecuteProc(&listener, &ExecuteListener::AfterExecute);
  record_set->Open();
  EXPECT_TRUE(record_set->ExecutingInBackground()) << "Open returned while the first fetch waits";
  EXPECT_TRUE(record_set->GetEOF()) << "no rows before the execute has ended";
  EXPECT_EQ(listener.calls, 0);
  record_set->WaitForExecute();
  EXPECT_EQ(listener.calls, 1);
  EXPECT_TRUE(listener.result);
  EXPECT_EQ(listener.thread, std::this_thread::get_id()) << "the end is handled on the main thread";
  EXPECT_EQ(record_set->GetRecordCount(), 25) << "the thread fetched the first block";
  EXPECT_EQ(fetch_->FetchCalls(), 1);
  // The rest comes on demand, on this thread.
  int rows = 0;
  record_set->SetToBegin();
  for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr)) ++rows;
  EXPECT_EQ(rows, 100);
}

TEST_F(BackgroundTest, ServerErrorOfTheRunReachesTheMainThread) {
  Connect();
  auto record_set = Background(100, 25, 0);
  record_set->SetProp(prFetchAll, false);
  ExecuteListener listener;
  record_set->GetCommand()->OnAfterExecute = TCRCommand::TAfterExecuteProc(&listener, &ExecuteListener::AfterExecute);
  standin_->InjectFault("OCIStmtFetch", 1, OCI_ERROR, 1013, "ORA-01013: user requested cancel of current operation");
  record_set->Open();
  try {
    record_set->WaitForExecute();
    ADD_FAILURE() << "the error was lost";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 1013);
  }
  EXPECT_FALSE(record_set->ExecutingInBackground());
  EXPECT_EQ(listener.calls, 1);
  EXPECT_FALSE(listener.result);
  EXPECT_EQ(connection_->UtilWindow().PendingCount(), 0);
}

TEST_F(BackgroundTest, CloseDuringTheExecuteTakesItsEndBack) {
  Connect();
  const int handles_before = standin_->LiveHandles();
  {
    auto record_set = Background(500, 25, 60);
    ExecuteListener listener;
    record_set->GetCommand()->OnAfterExecute =
        TCRCommand::TAfterExecuteProc(&listener, &ExecuteListener::AfterExecute);
    record_set->Open();
    ASSERT_TRUE(record_set->ExecutingInBackground());
    record_set->Close();
    EXPECT_FALSE(record_set->ExecutingInBackground());
    EXPECT_FALSE(record_set->FetchingAll()) << "no fetch of everything started after Close";
    EXPECT_EQ(connection_->UtilWindow().PendingCount(), 0);
    platform::MessageLoop::Current().ProcessMessages();
    EXPECT_EQ(listener.calls, 0) << "a closed record set hears nothing of the run";
    EXPECT_LE(fetch_->FetchCalls(), 1);
  }
  EXPECT_EQ(standin_->LiveHandles(), handles_before);
}

TEST_F(BackgroundTest, EndOfTheRowsWaitsForTheExecuteAndFetchesEverything) {
  Connect();
  auto record_set = Background(130, 25, 5);
  record_set->SetProp(prFetchAll, false);
  record_set->Open();
  ASSERT_TRUE(record_set->ExecutingInBackground());
  record_set->SetToEnd();
  EXPECT_FALSE(record_set->ExecutingInBackground());
  EXPECT_FALSE(record_set->FetchingAll());
  EXPECT_EQ(record_set->GetRecordCount(), 130);
  record_set->GetPriorRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "ID").AsInteger(), 129);
}

TEST_F(BackgroundTest, NeedsAThreadSafeSession) {
  Connect();
  auto record_set = Background(10, 5, 0);
  connection_->ThreadSafety = false;
  EXPECT_EQ(MessageOf([&] { record_set->Open(); }), "Session must be Thread Safety");
}

// Before: the connection ended the session and freed its handles while the
// loop went on fetching with them.
TEST_F(BackgroundTest, DisconnectStopsTheFetchOfEveryRowFirst) {
  Connect();
  auto record_set = Background(2000, 20, 5);
  OpenAndExecute(*record_set);
  while (fetch_->FetchCalls() < 3) classlib::Sleep(1);
  standin_->ClearLog();
  connection_->Disconnect();
  EXPECT_FALSE(record_set->FetchingAll());
  const int calls = fetch_->FetchCalls();
  EXPECT_LT(calls, 100) << "the loop stopped before the end";
  classlib::Sleep(30);
  EXPECT_EQ(fetch_->FetchCalls(), calls) << "nothing fetches after the disconnect";
  const std::vector<std::string> log = standin_->Log();
  const auto end =
      std::find_if(log.begin(), log.end(), [](const std::string& line) { return line.rfind("OCISessionEnd", 0) == 0; });
  ASSERT_NE(end, log.end());
  EXPECT_EQ(std::find_if(end, log.end(), [](const std::string& line) { return line.rfind("OCIStmtFetch", 0) == 0; }),
            log.end())
      << "no fetch after the session ended";
  EXPECT_EQ(connection_->UtilWindow().PendingCount(), 0) << "the thread's end was taken back";
  record_set->Close();
}

// Before: the record set and the command read the freed connection, and
// Close waited for ever for the end of a fetch whose message had gone with
// the connection's utility window.
TEST_F(BackgroundTest, RecordSetAndCommandOutliveTheirConnectionCleanly) {
  Connect();
  const int handles_connected = standin_->LiveHandles();
  auto record_set = Background(2000, 20, 5);
  auto command = NewCommand("begin null; end;");
  command->SetProp(prNonBlocking, true);
  command->Prepare();
  OpenAndExecute(*record_set);
  while (fetch_->FetchCalls() < 3) classlib::Sleep(1);
  connection_.reset();
  EXPECT_FALSE(record_set->FetchingAll());
  EXPECT_FALSE(command->GetPrepared()) << "its statement went with the connection";
  const int calls = fetch_->FetchCalls();
  classlib::Sleep(30);
  EXPECT_EQ(fetch_->FetchCalls(), calls);
  EXPECT_EQ(MessageOf([&] { record_set->FetchAll(); }), "Session is not defined");
  record_set->Close();
  EXPECT_EQ(MessageOf([&] { record_set->Open(); }), "Session is not defined");
  EXPECT_EQ(MessageOf([&] { command->Execute(1); }), "Session is not defined");
  record_set.reset();
  command.reset();
  platform::MessageLoop::Current().ProcessMessages();
  // The service context, server, session and error handle went with the connection.
  EXPECT_EQ(standin_->LiveHandles(), handles_connected - 4) << "nothing of the session is left";
}

}  // namespace
}  // namespace oracle::testing
