// Background execution: completion through the utility window's queue on the
// main thread, and a long call broken from another thread with its thread
// joined, in both call styles.
#include "oracle/conn_exec_thread.h"

#include <atomic>

#include "oracle/conn_session_command.h"
#include "oracle/conn_util_window.h"
#include "oracle/error_ora.h"
#include "oracle/tests/conn_fixture.h"
#include "platform/message_loop.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

constexpr const char* kLongCall = "begin dbms_lock.sleep(60); end;";

class ExecThreadTest : public ConnectionTest {};

TEST_F(ExecThreadTest, CompletionRunsOnTheMainThreadWhenTheLoopProcessesMessages) {
  auto connection = NewConnection();
  connection->Connect("");
  std::atomic<bool> ran{false};
  bool completed = false;
  const classlib::Exception* error = reinterpret_cast<const classlib::Exception*>(1);
  RunExecThread(*connection, [&] {
    connection->Command().Execute("INSERT INTO T VALUES (1)");
    ran = true;
  }, [&](const classlib::Exception* kept) {
    completed = true;
    error = kept;
  });
  while (connection->UtilWindow().PendingCount() == 0) classlib::Sleep(1);
  EXPECT_TRUE(ran);
  EXPECT_FALSE(completed) << "nothing runs before the main thread looks";
  platform::MessageLoop::Current().ProcessMessages();
  EXPECT_TRUE(completed);
  EXPECT_EQ(error, nullptr);
  EXPECT_EQ(session_->PendingWork(), 1);
}

TEST_F(ExecThreadTest, AServerErrorIsRaisedAgainOnTheMainThread) {
  auto connection = NewConnection();
  connection->Connect("");
  int code = 0;
  RunExecThread(*connection, [&] { connection->Command().Execute("ALTER SESSION SET NLS_X"); },
                [&](const classlib::Exception* kept) {
                  code = dynamic_cast<const EOraError&>(*kept).ErrorCode();
                });
  while (connection->UtilWindow().PendingCount() == 0) classlib::Sleep(1);
  try {
    connection->UtilWindow().ProcessMessages();
    ADD_FAILURE() << "the kept error was not raised";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 922);
  }
  EXPECT_EQ(code, 922);
}

TEST_F(ExecThreadTest, StopBreaksALongCallAndJoinsTheThreadInBothStyles) {
  for (uint8_t style : {kOci8, kOci7}) {
    auto connection = NewConnection(style);
    connection->Connect("");
    standin_->ClearLog();
    int code = 0;
    TExecThread* thread = RunExecThread(*connection, [&] { connection->Command().Execute(kLongCall); },
                                        [&](const classlib::Exception* kept) {
                                          if (kept) code = dynamic_cast<const EOraError&>(*kept).ErrorCode();
                                        });
    WaitForRunningCalls(1);
    EXPECT_TRUE(StopExecThread(*connection, thread, false));
    EXPECT_EQ(session_->RunningCalls(), 0);
    EXPECT_TRUE(thread->Finished()) << "the thread was joined";
    EXPECT_TRUE(Contains(standin_->Log(), style == kOci8 ? "OCIBreak" : "obreak"));
    EXPECT_EQ(connection->UtilWindow().PendingCount(), 1) << "its end message stays";
    EXPECT_EQ(MessageOf([&] { connection->UtilWindow().ProcessMessages(); }),
              "ORA-01013: user requested cancel of current operation");
    EXPECT_EQ(code, 1013) << "style " << int(style);
  }
}

TEST_F(ExecThreadTest, StopWithRemoveTakesTheEndMessageBackAndFreesTheThread) {
  auto connection = NewConnection();
  connection->Connect("");
  bool completed = false;
  TExecThread* thread = RunExecThread(*connection, [&] { connection->Command().Execute(kLongCall); },
                                      [&](const classlib::Exception*) { completed = true; });
  WaitForRunningCalls(1);
  StopExecThread(*connection, thread, true);
  EXPECT_EQ(connection->UtilWindow().PendingCount(), 0);
  platform::MessageLoop::Current().ProcessMessages();
  EXPECT_FALSE(completed);
  connection->Command().Execute("begin null; end;");  // the session is usable again
}

// Before: the connection freed its session and utility window under the
// thread, which then posted its end into freed memory.
TEST_F(ExecThreadTest, FreeingTheConnectionJoinsItsThreadsFirst) {
  for (int round = 0; round < 5; ++round) {
    auto connection = NewConnection();
    connection->Connect("");
    std::atomic<bool> finished{false};
    RunExecThread(*connection, [&] {
      classlib::Sleep(20);
      finished = true;
    }, nullptr);
    EXPECT_EQ(connection->ExecThreadCount(), 1);
    connection.reset();
    EXPECT_TRUE(finished) << "the thread ended before its connection went";
  }
  platform::MessageLoop::Current().ProcessMessages();  // the loop's calls find the queue gone
}

TEST_F(ExecThreadTest, FreeingTheConnectionBreaksALongCallOfItsThread) {
  auto connection = NewConnection();
  connection->Connect("");
  int code = 0;
  RunExecThread(*connection, [&] { connection->Command().Execute(kLongCall); },
                [&](const classlib::Exception* kept) { code = kept ? 1 : 0; });
  WaitForRunningCalls(1);
  connection.reset();
  EXPECT_EQ(session_->RunningCalls(), 0) << "the call was broken before the session ended";
  platform::MessageLoop::Current().ProcessMessages();
  EXPECT_EQ(code, 0) << "a thread of a connection gone reports to nobody";
}

TEST_F(ExecThreadTest, AHandledThreadLeavesItsConnection) {
  auto connection = NewConnection();
  connection->Connect("");
  RunExecThread(*connection, [] {}, nullptr);
  while (connection->UtilWindow().PendingCount() == 0) classlib::Sleep(1);
  platform::MessageLoop::Current().ProcessMessages();
  EXPECT_EQ(connection->ExecThreadCount(), 0);
}

TEST_F(ExecThreadTest, OtherMessagesGoToTheirRegisteredHandler) {
  TUtilWindow window;
  std::vector<uintptr_t> heard;
  SetUtilMessageHandler(kWmChangeNotify, [&](uintptr_t wparam, uintptr_t lparam) {
    heard.push_back(wparam);
    heard.push_back(lparam);
  });
  window.Post(kWmChangeNotify, 7, 8);
  window.Post(kWmFetchEnded, 9, 0);  // no handler: dropped
  window.Post(kWmChangeNotify, 10, 11);
  EXPECT_TRUE(window.RemoveMessage(kWmChangeNotify, 10));
  platform::MessageLoop::Current().ProcessMessages();
  SetUtilMessageHandler(kWmChangeNotify, nullptr);
  EXPECT_EQ(heard, (std::vector<uintptr_t>{7, 8}));
}

}  // namespace
}  // namespace oracle::testing
