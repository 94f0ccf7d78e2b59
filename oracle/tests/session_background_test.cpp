// A session that disconnects or goes while a statement runs in the
// background, driven through TOraSession and TOraSQL on the stand-in: the
// running call is broken and its thread joined before anything it uses is
// freed, and a statement's own unprepare waits for its execute.
#include <chrono>
#include <memory>
#include <string>

#include "classlib/thread.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/query_fixture.h"
#include "platform/message_loop.h"

namespace oracle::testing {
namespace {

constexpr const char* kLongCall = "begin dbms_lock.sleep(30); end;";

struct ExecuteWatch {
  int calls = 0;
  bool result = false;
  void AfterExecute(classlib::TObject*, bool ok) {
    ++calls;
    result = ok;
  }
};

class SessionBackgroundTest : public OraQueryFixture {
 protected:
  std::unique_ptr<TOraSession> NewSession() {
    auto session = std::make_unique<TOraSession>();
    session->SetConnectString("scott/tiger@db1");
    session->SetConnected(true);
    return session;
  }
  std::unique_ptr<TOraSQL> NonBlockingSQL(TOraSession& session, const std::string& sql, ExecuteWatch& watch) {
    auto statement = std::make_unique<TOraSQL>();
    statement->SetSession(&session);
    statement->SetSQL(sql);
    statement->SetNonBlocking(true);
    statement->AfterExecute = dacore::TAfterExecuteEvent(&watch, &ExecuteWatch::AfterExecute);
    return statement;
  }
  static void ProcessMessages() { platform::MessageLoop::Current().ProcessMessages(); }
};

using Clock = std::chrono::steady_clock;

// Before: the statement's handle and the session's handles were freed while
// the thread was inside the execute call (the client handed freed handles).
TEST_F(SessionBackgroundTest, DisconnectBreaksAStatementRunningInTheBackground) {
  enum Way { kDisconnect, kSetConnected, kDestroy };
  for (Way way : {kDisconnect, kSetConnected, kDestroy}) {
    SCOPED_TRACE(way);
    auto session = NewSession();
    ExecuteWatch watch;
    auto sql = NonBlockingSQL(*session, kLongCall, watch);
    sql->Execute();
    EXPECT_TRUE(sql->Executing()) << "the statement runs in the background";
    EXPECT_EQ(watch.calls, 0) << "no end is reported before the run ends";
    WaitForRunningCalls(1);
    standin_->ClearLog();
    const auto started = Clock::now();
    if (way == kDisconnect) session->Disconnect();
    else if (way == kSetConnected) session->SetConnected(false);
    else session.reset();
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(10)) << "the call was broken, not waited for";
    EXPECT_EQ(session_->RunningCalls(), 0);
    EXPECT_TRUE(InOrder(standin_->Log(), {"OCIBreak", "OCIHandleFree type=4", "OCISessionEnd mode=0"}))
        << "the call is broken before the statement and the session are freed";
    EXPECT_FALSE(sql->Executing());
    EXPECT_FALSE(sql->Prepared());
    ProcessMessages();
    EXPECT_EQ(watch.calls, 0) << "a run the disconnect broke reports to nobody";
    if (way != kDestroy) {
      session->SetConnected(true);
      sql->SetSQL("begin null; end;");
      sql->Execute();
      while (sql->Executing()) {
        ProcessMessages();
        classlib::Sleep(1);
      }
      EXPECT_EQ(watch.calls, 1) << "the statement works again on the new session";
      EXPECT_TRUE(watch.result);
    }
  }
}

// Before: the statement was released under its running execute, and its end
// was reported twice, the first time as the run began.
TEST_F(SessionBackgroundTest, UnprepareOfAStatementWaitsForItsBackgroundExecute) {
  auto session = NewSession();
  ExecuteWatch watch;
  auto sql = NonBlockingSQL(*session, "begin dbms_lock.sleep(1); end;", watch);
  sql->Prepare();
  sql->Execute();
  sql->Execute();  // ignored: the first run still goes on
  WaitForRunningCalls(1);
  standin_->ClearLog();
  sql->UnPrepare();
  EXPECT_EQ(session_->RunningCalls(), 0);
  EXPECT_FALSE(Contains(standin_->Log(), "OCIBreak")) << "the execute ran to its end";
  EXPECT_TRUE(Contains(standin_->Log(), "OCIHandleFree type=4"));
  EXPECT_EQ(watch.calls, 1) << "one end, reported once the run ended";
  EXPECT_TRUE(watch.result) << "the run was not broken";
  EXPECT_FALSE(sql->Prepared());
  EXPECT_EQ(session->ConnectCount(), 1) << "the uses of the run and of the prepare went back";
}

}  // namespace
}  // namespace oracle::testing
