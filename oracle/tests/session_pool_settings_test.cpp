// Pooled connections and the session settings they carry: the server-side
// trace a session tracer switched on (statistics level, timed statistics,
// the trace-file identifier, the 10046 event) ends with its user's use of
// the connection, and a connection whose settings are those its next user
// asks for (client identifier, date format) is reused, not logged on anew.
#include <memory>
#include <string>

#include "oracle/pool_ora_manager.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/conn_fixture.h"
#include "oracle/trace_session_tracer.h"

namespace oracle::testing {
namespace {

class PoolSettingsTest : public ConnectionTest {
 protected:
  std::unique_ptr<TOraSession> Pooled(TOraPoolingType type = optLocal) {
    auto session = std::make_unique<TOraSession>();
    session->SetConnectString("scott/tiger@db1");
    session->SetPooling(true);
    session->PoolingOptions().SetPoolType(type);
    return session;
  }
  int Logons() { return static_cast<int>(standin_->LogOf("OCISessionBegin").size()); }
};

// A traced user hands the connection back; whoever comes next gets a
// session of its own, not the one the trace settings were made on. So
// does a trace started and stopped by hand while connected.
TEST_F(PoolSettingsTest, ATracedConnectionDoesNotReachTheNextUser) {
  for (bool at_connect : {true, false}) {
    SCOPED_TRACE(at_connect ? "traced from the connect" : "traced by hand");
    TOraConnectionPoolManager::Clear();
    auto plain = Pooled();
    plain->SetConnected(true);
    plain->SetConnected(false);

    auto traced = Pooled();
    TOraSessionTracer tracer;
    tracer.SetSqlTraceOptions(kSqlTraceStatisticsAll | kSqlTraceTimedStatistics | kSqlTraceBinds);
    tracer.SetTraceFileIdentifier("clerk_run");
    tracer.SetEnabled(at_connect);
    tracer.SetSession(traced.get());
    standin_->ClearLog();
    traced->SetConnected(true);
    EXPECT_EQ(Logons(), 0) << "the traced session took the pooled connection";
    if (!at_connect) {
      tracer.StartTrace();
      tracer.StopTrace();
    }
    EXPECT_EQ(standin_->LogOf("trace STATISTICS_LEVEL=ALL").size(), 1u);
    traced->SetConnected(false);
    tracer.SetSession(nullptr);

    standin_->ClearLog();
    auto next = Pooled();
    next->SetConnected(true);
    EXPECT_EQ(Logons(), 1) << "the traced session left the pool";
    EXPECT_TRUE(standin_->LogOf("trace").empty());
    next->SetConnected(false);
    standin_->ClearLog();
    next->SetConnected(true);
    EXPECT_EQ(Logons(), 0) << "an untraced one stays";
    next->SetConnected(false);
  }
}

// Sessions asking for the same client identifier and date format share one
// logon; one asking for other settings gets a connection of its own, and
// none sees another's settings.
TEST_F(PoolSettingsTest, SessionsWithTheSameSettingsReuseOneConnection) {
  for (TOraPoolingType type : {optLocal, optOCI}) {
    SCOPED_TRACE(type == optLocal ? "local pool" : "client library's pool");
    TOraConnectionPoolManager::Clear();
    auto with = [&](const std::string& identifier, const std::string& format) {
      auto session = Pooled(type);
      session->Options().SetClientIdentifier(identifier);
      session->Options().SetDateFormat(format);
      return session;
    };
    auto settings = [&](TOraSession& session) {
      const void* context = session.OCIConnection()->GetSvcCtx();
      return session_->ClientIdentifier(context) + " " + session_->Setting(context, "NLS_DATE_FORMAT");
    };
    standin_->ClearLog();
    for (int i = 0; i < 3; ++i) {
      auto clerk = with("clerk", "YYYY-MM-DD");
      clerk->SetConnected(true);
      EXPECT_EQ(settings(*clerk), "clerk YYYY-MM-DD");
      clerk->SetConnected(false);
    }
    if (type == optLocal) {
      EXPECT_EQ(Logons(), 1) << "one logon for three connects";
    }

    auto other = with("auditor", "DD.MM.YYYY");
    other->SetConnected(true);
    EXPECT_EQ(settings(*other), "auditor DD.MM.YYYY");
    other->SetConnected(false);
    auto clerk = with("clerk", "YYYY-MM-DD");
    clerk->SetConnected(true);
    EXPECT_EQ(settings(*clerk), "clerk YYYY-MM-DD");
    // A change the pool's key does not hold ends the connection's reuse.
    clerk->Options().SetDateFormat("YYYY");
    clerk->SetConnected(false);
    standin_->ClearLog();
    auto again = with("clerk", "YYYY-MM-DD");
    again->SetConnected(true);
    EXPECT_EQ(settings(*again), "clerk YYYY-MM-DD");
    if (type == optLocal) {
      EXPECT_EQ(Logons(), 1) << "the changed connection was not kept";
    }
    again->SetConnected(false);
  }
}

}  // namespace
}  // namespace oracle::testing
