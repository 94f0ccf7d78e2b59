// SQL trace: texts of connect, execute, transactions and errors reaching
// OnSQL and both sinks, the tool's records with message ids, kinds and
// identities, the parameter text, and no trace while inactive.
#include "dacore/trace_monitor.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dacore/comp_connection.h"
#include "dacore/tests/driver_script_fixture.h"

namespace dacore {
namespace {

using testing::TScriptConnection;

struct Recorded {
  std::vector<std::string> library;
  std::vector<TTraceEvent> events;
  std::vector<std::string> extras;
  std::vector<std::vector<TSQLParam>> statement_params;
  uint32_t next_id = 100;
};

class LibrarySink : public ISQLMonitorSink {
 public:
  explicit LibrarySink(Recorded& r) : r_(r) {}
  void Register(const classlib::TObject*, const std::string&, std::function<void(uint16_t)>) override {}
  void SendText(const std::string& text) override { r_.library.push_back(text); }
  Recorded& r_;
};

class ToolSink : public ITraceToolSink {
 public:
  explicit ToolSink(Recorded& r) : r_(r) {}
  void SetCaption(const std::string&) override {}
  void ReportEvent(TTraceEvent& e, const std::string& extra) override {
    if (e.EndFlag == 0) e.MessageID = ++r_.next_id;
    r_.events.push_back(e);
    r_.extras.push_back(extra);
  }
  void ReportStatement(TTraceEvent& e, const std::string&, const std::vector<TSQLParam>& params,
                       int) override {
    if (e.EndFlag == 0) e.MessageID = ++r_.next_id;
    r_.events.push_back(e);
    r_.statement_params.push_back(params);
  }
  Recorded& r_;
};

class ScriptDAConnection : public TCustomDAConnection {
 public:
  using TCustomDAConnection::TCustomDAConnection;
  ~ScriptDAConnection() override { DestroyConnection(); }
  // Like a server's session: no connect dialog.
  TConnectDialogClass ConnectDialogClass() const override { return {}; }

 protected:
  void CreateIConnection() override {
    if (!IConnection()) SetIConnection(new TScriptConnection());
  }
};

class Statement : public classlib::TComponent, public IDAConnectionClient {
 public:
  Statement(TCustomDAConnection& c) : TComponent(nullptr), connection_(c) {}
  classlib::TComponent* ClientComponent() override { return this; }
  bool IsDataSet() const override { return false; }
  TCustomDAConnection* ClientConnection() const override { return &connection_; }
  void SetDriverConnection(TCRConnection*) override {}
  int RowsAffected() const override { return 3; }

 private:
  TCustomDAConnection& connection_;
};

std::string Hex8(uint32_t v) {
  char t[9];
  std::snprintf(t, sizeof t, "%08X", static_cast<unsigned>(v));
  return t;
}

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSQLMonitorSinkFactory([this] { return std::make_unique<LibrarySink>(rec); });
    SetTraceToolSinkFactory([this] { return std::make_unique<ToolSink>(rec); });
    monitor = std::make_unique<TCustomDASQLMonitor>(nullptr);
    monitor->OnSQL = TOnSQLEvent::Function([this](classlib::TObject* sender, const std::string& text,
                                                  TDATraceFlag flag) {
      on_sql.push_back(text);
      senders.push_back(sender);
      flags.push_back(flag);
    });
    connection.SetUsername("scott");
    connection.SetServer("orcl");
  }
  void TearDown() override {
    monitor.reset();
    SetSQLMonitorSinkFactory(nullptr);
    SetTraceToolSinkFactory(nullptr);
  }

  Recorded rec;
  std::unique_ptr<TCustomDASQLMonitor> monitor;
  std::vector<std::string> on_sql;
  std::vector<classlib::TObject*> senders;
  std::vector<TDATraceFlag> flags;
  ScriptDAConnection connection{nullptr};
};

TEST_F(TraceTest, ConnectAndTransactionsReachEverySink) {
  connection.SetConnected(true);
  connection.StartTransaction();
  connection.Commit();
  connection.Rollback();
  EXPECT_EQ(on_sql, (std::vector<std::string>{"Connect: scott@orcl", "Start: scott@orcl",
                                               "Commit: scott@orcl", "Rollback: scott@orcl"}));
  EXPECT_EQ(rec.library, on_sql);  // the call before only
  ASSERT_EQ(rec.events.size(), 8u);
  const uint32_t kinds[] = {2, 2, 11, 11, 4, 4, 5, 5};
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(rec.events[i].Kind, kinds[i]);
    EXPECT_EQ(rec.events[i].EndFlag, i % 2);
    EXPECT_EQ(rec.events[i].ParentID, 0u);
  }
  EXPECT_EQ(rec.events[0].MessageID, rec.events[1].MessageID);
  EXPECT_NE(rec.events[0].MessageID, rec.events[2].MessageID);
  EXPECT_EQ(rec.extras[0], "Username=scott\r\nServer=orcl");
  EXPECT_EQ(rec.events[0].ObjectName,
            "TCustomDAConnection ($" + Hex8(TCustomDASQLMonitor::ObjectIdentity(&connection)) + ")");
  EXPECT_EQ(TCustomDASQLMonitor::ObjectIdentity(&connection),
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&connection)));
}

TEST_F(TraceTest, ExecuteWithParametersAndHandledDescriptions) {
  connection.SetName("Session");
  Statement statement(connection);
  statement.SetName("Query");
  TDAParams params;
  params.CreateParam(classlib::ftString, "NAME", classlib::ptInput)->SetAsString("Bob");
  params.CreateParam(classlib::ftInteger, "ID", classlib::ptUnknown);
  params.CreateParam(classlib::ftBlob, "DATA", classlib::ptInput)->SetAsString("12345");
  monitor->SetOptions(monitor->Options() + TMonitorOptions{moHandled});
  uint32_t id = 0;
  TCustomDASQLMonitor::NotifySQLExecute(&statement, "UPDATE t SET a = 1", &params, "", id, true);
  TCustomDASQLMonitor::NotifySQLExecute(&statement, "UPDATE t SET a = 1", &params, "", id, false);

  const std::string param_text = ":NAME(String[3],IN)='Bob' \r\n:ID(Integer)=<NULL> \r\n:DATA(Blob,IN)=<BLOB:5>";
  const uint32_t statement_id = TCustomDASQLMonitor::ObjectIdentity(&statement);
  const uint32_t connection_id = TCustomDASQLMonitor::ObjectIdentity(&connection);
  auto byte_reversed = [](uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
  };
  EXPECT_EQ(statement_id, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&statement)) ^
                              byte_reversed(connection_id));
  const std::string description = " [Query$" + Hex8(statement_id) + "; Session$" + Hex8(connection_id) + "] ";
  ASSERT_EQ(on_sql.size(), 1u);
  EXPECT_EQ(on_sql[0], "UPDATE t SET a = 1\r\n" + param_text);
  EXPECT_EQ(senders[0], &statement);
  EXPECT_EQ(rec.library, (std::vector<std::string>{"SQL Execute" + description + ": UPDATE t SET a = 1",
                                                   param_text}));
  ASSERT_EQ(rec.events.size(), 2u);
  EXPECT_EQ(rec.events[0].Kind, 8u);
  EXPECT_EQ(rec.events[0].ParentID, connection_id);
  EXPECT_EQ(rec.events[0].ParentName, "Session");
  EXPECT_EQ(rec.events[1].MessageID, id);
  EXPECT_EQ(rec.statement_params[0][0].Value, "'Bob'");

  // Without tfParams the library monitor gets no parameter text; OnSQL still does.
  monitor->SetTraceFlags(monitor->TraceFlags() - TDATraceFlags{tfParams});
  TCustomDASQLMonitor::NotifySQLExecute(&statement, "SELECT 1", &params, "Refresh", id, true);
  EXPECT_EQ(rec.library.back(), "SQL Execute [Refresh]" + description + ": SELECT 1");
  EXPECT_EQ(on_sql.back(), "SELECT 1\r\n" + param_text);
}

TEST_F(TraceTest, PrepareOnceUnprepareTwiceAndErrors) {
  Statement statement(connection);
  uint32_t id = 0;
  TCustomDASQLMonitor::NotifyPrepare(&statement, "SELECT 1 \r\n", nullptr, id, true);
  TCustomDASQLMonitor::NotifyPrepare(&statement, "SELECT 1", nullptr, id, false);
  TCustomDASQLMonitor::NotifyUnprepare(&statement, "SELECT 1", nullptr, id, true);
  TCustomDASQLMonitor::NotifyUnprepare(&statement, "SELECT 1", nullptr, id, false);
  EXPECT_EQ(rec.library, (std::vector<std::string>{"SQL Prepare: SELECT 1", "SQL Unprepare: SELECT 1",
                                                   "SQL Unprepare: SELECT 1"}));
  EXPECT_EQ(on_sql, (std::vector<std::string>{"Prepare: SELECT 1", "Unprepare: SELECT 1"}));
  // An unnamed component is named by its class and identity.
  EXPECT_EQ(rec.events[0].ObjectName,
            "TComponent ($" + Hex8(TCustomDASQLMonitor::ObjectIdentity(&statement)) + ")");
  classlib::EDatabaseError error("lost");
  TCustomDASQLMonitor::NotifyError(error);
  EXPECT_EQ(on_sql.back(), "Error: lost");
  EXPECT_EQ(senders.back(), &error);
  EXPECT_EQ(rec.events.back().Kind, 10u);
  EXPECT_EQ(rec.events.back().EndFlag, 1u);
  EXPECT_EQ(rec.extras.back(), "lost");
}

TEST_F(TraceTest, NothingIsTracedWhileInactiveOrWithoutAMonitor) {
  monitor->SetActive(false);
  connection.SetConnected(true);
  EXPECT_TRUE(on_sql.empty());
  EXPECT_TRUE(rec.library.empty());
  EXPECT_TRUE(rec.events.empty());
  EXPECT_FALSE(TCustomDASQLMonitor::HasMonitor());
  uint32_t id = 0;
  TCustomDASQLMonitor::NotifyPrepare(nullptr, "SELECT 1", nullptr, id, true);  // no hook: no effect
  EXPECT_TRUE(on_sql.empty());
}

}  // namespace
}  // namespace dacore
