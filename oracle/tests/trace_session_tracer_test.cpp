// The session tracer on the stand-in: the statements each option set sends,
// in order, as the server got them; the server's own reading of them (the
// stand-in parses the literals as the server does); starting and stopping
// that need a connected session.
#include <memory>
#include <string>
#include <vector>

#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/conn_fixture.h"
#include "oracle/trace_session_tracer.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class SessionTracerTest : public ConnectionTest {
 protected:
  void SetUp() override {
    ConnectionTest::SetUp();
    session = std::make_unique<TOraSession>();
    session->SetConnectString("scott/tiger@db1");
  }
  void TearDown() override {
    tracer.reset();
    session.reset();
    ConnectionTest::TearDown();
  }

  void Connect() {
    session->SetConnected(true);
    standin_->ClearLog();
    executed_before = session_->Executed().size();
  }

  // The statements sent since Connect, without the blank the command adds.
  std::vector<std::string> Sent() {
    std::vector<std::string> all = session_->Executed();
    std::vector<std::string> sent;
    for (size_t i = executed_before; i < all.size(); ++i) {
      std::string text = all[i];
      while (!text.empty() && text.back() == ' ') text.pop_back();
      sent.push_back(text);
    }
    return sent;
  }

  std::vector<std::string> TraceLog() { return standin_->LogOf("trace"); }

  std::unique_ptr<TOraSession> session;
  std::unique_ptr<TOraSessionTracer> tracer = std::make_unique<TOraSessionTracer>();
  size_t executed_before = 0;
};

TEST_F(SessionTracerTest, SqlTraceStatementsOfEachOptionSet) {
  Connect();
  tracer->SetSession(session.get());

  struct Case {
    uint8_t options;
    std::string statistics, timed, level;
  };
  const Case cases[] = {
      {0x01, "BASIC", "FALSE", "1"},   {0x02, "TYPICAL", "FALSE", "1"}, {0x04, "ALL", "FALSE", "1"},
      {0x06, "ALL", "FALSE", "1"},     {0x08, "BASIC", "FALSE", "4"},   {0x10, "BASIC", "FALSE", "8"},
      {0x18, "BASIC", "FALSE", "12"},  {0x3E, "ALL", "TRUE", "12"},     {0x20, "BASIC", "TRUE", "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.options));
    executed_before = session_->Executed().size();
    tracer->SetSqlTraceOptions(c.options);
    tracer->StartSqlTrace();
    tracer->StopSqlTrace();
    EXPECT_EQ(Sent(), (std::vector<std::string>{
                          "ALTER SESSION SET statistics_level = " + c.statistics,
                          "ALTER SESSION SET timed_statistics = " + c.timed,
                          "ALTER SESSION SET EVENTS '10046 trace name context forever, level " + c.level + "'",
                          "ALTER SESSION SET EVENTS '10046 trace name context off'"}));
  }
}

TEST_F(SessionTracerTest, FileIdentifierAndDumpSizeComeFirst) {
  Connect();
  tracer->SetSqlTraceOptions(0x08);
  tracer->SetTraceFileIdentifier("nightly");
  tracer->SetMaxDumpFileSize(kUnlimitedDumpFileSize);
  tracer->SetSession(session.get());
  tracer->StartTrace();
  EXPECT_EQ(Sent(), (std::vector<std::string>{
                        "ALTER SESSION SET tracefile_identifier = 'nightly'",
                        "ALTER SESSION SET max_dump_file_size = UNLIMITED",
                        "ALTER SESSION SET statistics_level = BASIC",
                        "ALTER SESSION SET timed_statistics = FALSE",
                        "ALTER SESSION SET EVENTS '10046 trace name context forever, level 4'"}));
  EXPECT_TRUE(tracer->SqlTracing());
  EXPECT_FALSE(tracer->PlSqlTracing()) << "a zero PL/SQL mode starts nothing";

  tracer->StartSqlTrace();
  EXPECT_EQ(Sent().size(), 5u) << "a running trace is not started twice";
  tracer->StopTrace();
  tracer->StopTrace();
  EXPECT_EQ(Sent().size(), 6u) << "a stopped trace is not stopped twice";

  tracer->SetMaxDumpFileSize(1024);
  executed_before = session_->Executed().size();
  tracer->StartSqlTrace();
  EXPECT_EQ(Sent()[1], "ALTER SESSION SET max_dump_file_size = 1024");
}

TEST_F(SessionTracerTest, AnApostropheInTheIdentifierStaysInsideTheLiteral) {
  Connect();
  tracer->SetSqlTraceOptions(0x01);
  tracer->SetTraceFileIdentifier("o'brien' level 12");
  tracer->SetSession(session.get());
  tracer->StartSqlTrace();
  EXPECT_EQ(Sent().front(), "ALTER SESSION SET tracefile_identifier = 'o''brien'' level 12'");
  EXPECT_TRUE(InOrder(TraceLog(), {"trace TRACEFILE_IDENTIFIER=o'brien' level 12"}))
      << "the server reads the whole identifier";
}

TEST_F(SessionTracerTest, AnOlderServerGetsNoStatisticsLevel) {
  standin_->SetBanner("Oracle8i Enterprise Edition Release 8.1.7.0.0 - Production");
  Connect();
  tracer->SetSqlTraceOptions(0x04);
  tracer->SetSession(session.get());
  tracer->StartSqlTrace();
  EXPECT_EQ(Sent(), (std::vector<std::string>{
                        "ALTER SESSION SET timed_statistics = FALSE",
                        "ALTER SESSION SET EVENTS '10046 trace name context forever, level 1'"}));
}

TEST_F(SessionTracerTest, PlSqlTraceLevelsAndOrderOfStartAndStop) {
  EXPECT_EQ(TOraSessionTracer::PlSqlTraceLevel(0x01), 1);
  EXPECT_EQ(TOraSessionTracer::PlSqlTraceLevel(0x10), 32);
  EXPECT_EQ(TOraSessionTracer::PlSqlTraceLevel(0x80), 256);
  EXPECT_EQ(TOraSessionTracer::PlSqlTraceLevel(0xFF), 1 + 2 + 4 + 8 + 32 + 64 + 128 + 256);

  Connect();
  tracer->SetSqlTraceOptions(0x10);
  tracer->SetPlSqlTraceMode(0x03);
  tracer->SetSession(session.get());
  tracer->StartTrace();
  tracer->StopTrace();
  // The stand-in reports a statement's lines one by one.
  EXPECT_EQ(Sent(), (std::vector<std::string>{
                        "ALTER SESSION SET statistics_level = BASIC", "ALTER SESSION SET timed_statistics = FALSE",
                        "ALTER SESSION SET EVENTS '10046 trace name context forever, level 8'", "BEGIN",
                        "  dbms_trace.set_plsql_trace(:level);", "END;", "BEGIN", "  dbms_trace.clear_plsql_trace;",
                        "END;", "ALTER SESSION SET EVENTS '10046 trace name context off'"}));
  EXPECT_TRUE(InOrder(TraceLog(), {"trace EVENTS=10046 trace name context forever, level 8",
                                   "trace PLSQL level=3", "trace PLSQL off",
                                   "trace EVENTS=10046 trace name context off"}));
}

TEST_F(SessionTracerTest, AttachingMovesTheTraceBetweenSessions) {
  Connect();
  tracer->SetSqlTraceOptions(0x01);
  tracer->SetSession(session.get());
  EXPECT_TRUE(Sent().empty()) << "a disabled tracer starts nothing when attached";

  tracer->SetEnabled(true);
  tracer->SetSession(nullptr);
  tracer->SetSession(session.get());
  EXPECT_TRUE(tracer->SqlTracing());

  auto other = std::make_unique<TOraSession>();
  other->SetConnectString("scott/tiger@db1");
  other->SetConnected(true);
  executed_before = session_->Executed().size();
  tracer->SetSession(other.get());
  std::vector<std::string> sent = Sent();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front(), "ALTER SESSION SET EVENTS '10046 trace name context off'");
  EXPECT_TRUE(tracer->SqlTracing()) << "tracing on the new session";

  other.reset();
  EXPECT_EQ(tracer->Session(), nullptr) << "a freed session is forgotten";
}

// The tracer's statements change settings of the session, not its data:
// under AutoCommit they commit nothing of the application's pending work,
// which a rollback still undoes after the trace started and stopped.
TEST_F(SessionTracerTest, TracingLeavesTheApplicationsPendingWorkAlone) {
  Connect();
  ASSERT_TRUE(session->AutoCommit());
  TOraSQL work;
  work.SetSession(session.get());
  work.SetAutoCommit(false);
  work.SetSQL("update emp set sal = sal + 1");
  work.Execute();
  ASSERT_EQ(session_->PendingWork(), 1);
  const int committed = session_->CommittedWork();

  tracer->SetSqlTraceOptions(0x01);
  tracer->SetPlSqlTraceMode(0x01);
  tracer->SetEnabled(true);
  tracer->SetSession(session.get());
  ASSERT_TRUE(tracer->SqlTracing());
  ASSERT_TRUE(tracer->PlSqlTracing());
  EXPECT_EQ(session_->PendingWork(), 1) << "attaching commits nothing";
  tracer->StopTrace();
  EXPECT_EQ(session_->PendingWork(), 1) << "stopping commits nothing";
  tracer->StartTrace();
  tracer->SetSession(nullptr);
  EXPECT_EQ(session_->PendingWork(), 1) << "detaching commits nothing";

  session->Rollback();
  EXPECT_EQ(session_->PendingWork(), 0);
  EXPECT_EQ(session_->CommittedWork(), committed) << "the update was never committed";
}

TEST_F(SessionTracerTest, StartAndStopNeedAConnectedSession) {
  tracer->SetSqlTraceOptions(0x01);
  EXPECT_EQ(MessageOf([&] { tracer->StartTrace(); }), "Session is not defined");
  tracer->SetSession(session.get());
  EXPECT_EQ(MessageOf([&] { tracer->StopTrace(); }), "Session is not connected");
}

TEST_F(SessionTracerTest, AnEnabledTracerTracesEverySessionItsSessionOpens) {
  tracer->SetSqlTraceOptions(0x01);
  tracer->SetPlSqlTraceMode(0x01);
  tracer->SetEnabled(true);
  tracer->SetSession(session.get());
  EXPECT_EQ(session->Tracer(), tracer.get());
  EXPECT_FALSE(tracer->SqlTracing()) << "nothing to trace before the session connects";

  session->SetConnected(true);
  EXPECT_TRUE(tracer->SqlTracing());
  EXPECT_TRUE(tracer->PlSqlTracing());
  EXPECT_TRUE(InOrder(TraceLog(), {"trace EVENTS=10046 trace name context forever, level 1", "trace PLSQL level=1"}));

  standin_->ClearLog();
  session->SetConnected(false);
  EXPECT_FALSE(tracer->SqlTracing());
  EXPECT_FALSE(tracer->PlSqlTracing());
  EXPECT_TRUE(InOrder(standin_->Log(), {"trace PLSQL off", "trace EVENTS=10046 trace name context off",
                                        "OCISessionEnd mode=0"}))
      << "stopped on the session before it ends";

  standin_->ClearLog();
  session->SetConnected(true);
  EXPECT_TRUE(tracer->SqlTracing()) << "and started again on the next";
  tracer->SetEnabled(false);
  session->SetConnected(false);
  standin_->ClearLog();
  session->SetConnected(true);
  EXPECT_TRUE(TraceLog().empty()) << "a disabled tracer leaves a new session alone";
}

TEST_F(SessionTracerTest, ASessionInDisconnectedModeStopsItsTraceOnceAsItCloses) {
  session->Options().SetDisconnectedMode(true);
  tracer->SetSqlTraceOptions(0x01);
  tracer->SetEnabled(true);
  tracer->SetSession(session.get());
  session->SetConnected(true);
  standin_->ClearLog();
  session->SetConnected(false);
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(standin_->LogOf("trace").size(), 1u) << "the stop's own statement does not close the session again";
  EXPECT_EQ(standin_->LogOf("OCISessionEnd").size(), 1u);
}

TEST_F(SessionTracerTest, EitherOneFreedLetsGoOfTheOther) {
  Connect();
  tracer->SetSqlTraceOptions(0x01);
  tracer->SetEnabled(true);
  tracer->SetSession(session.get());
  ASSERT_TRUE(tracer->SqlTracing());
  tracer.reset();
  EXPECT_EQ(session->Tracer(), nullptr);
  EXPECT_EQ(Sent().back(), "ALTER SESSION SET EVENTS '10046 trace name context off'") << "a freed tracer stops";
  session->SetConnected(false);
  session->SetConnected(true);

  tracer = std::make_unique<TOraSessionTracer>();
  tracer->SetSqlTraceOptions(0x01);
  tracer->SetEnabled(true);
  tracer->SetSession(session.get());
  ASSERT_TRUE(tracer->SqlTracing());
  session.reset();
  EXPECT_EQ(tracer->Session(), nullptr);
  EXPECT_FALSE(tracer->SqlTracing()) << "the trace ended with its session";
  EXPECT_TRUE(InOrder(TraceLog(), {"trace EVENTS=10046 trace name context off"}));
}

}  // namespace
}  // namespace oracle::testing
