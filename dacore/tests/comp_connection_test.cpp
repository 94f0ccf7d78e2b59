// The connection component on the scripted driver: the use counter after
// failed connects and in disconnected mode, transactions, fail-over after a
// fatal execute error with and without local fail-over, and applying the
// cached updates of data sets again after a lost connection or an error so
// that every row is written exactly once.
#include "dacore/comp_connection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dacore/tests/driver_script_fixture.h"

namespace dacore {
namespace {

using testing::EScriptFatal;
using testing::TScriptConnection;

// What the scripted server has committed, across connections.
struct ScriptServer {
  std::vector<std::string> committed;
};

// A session whose writes count only when committed; a lost session loses them.
class ServerConnection : public TScriptConnection {
 public:
  explicit ServerConnection(ScriptServer& server) : server_(server) {}
  void Write(const std::string& row) { pending.push_back(row); }
  void Commit() override {
    TScriptConnection::Commit();
    server_.committed.insert(server_.committed.end(), pending.begin(), pending.end());
    pending.clear();
  }
  void Rollback() override {
    TScriptConnection::Rollback();
    pending.clear();
  }
  void Disconnect() override {
    pending.clear();
    TScriptConnection::Disconnect();
  }
  std::vector<std::string> pending;

 private:
  ScriptServer& server_;
};

class TestConnection : public TCustomDAConnection {
 public:
  using TCustomDAConnection::TCustomDAConnection;
  ~TestConnection() override { DestroyConnection(); }
  // Like a server's session: no connect dialog.
  TConnectDialogClass ConnectDialogClass() const override { return {}; }
  ServerConnection& Script() { return *static_cast<ServerConnection*>(IConnection()); }
  bool IsFatalError(const classlib::Exception& e) const override {
    return dynamic_cast<const EScriptFatal*>(&e) != nullptr;
  }
  ScriptServer server;
  bool fail_connect = false;

 protected:
  void CreateIConnection() override {
    if (IConnection()) return;
    auto* connection = new ServerConnection(server);
    connection->fail_connect = fail_connect;
    SetIConnection(connection);
  }
};

// Runs a server call the way a driver does: a failure goes through the
// connection's error loop, which may reconnect and ask for a repeat.
template <class Call>
void DriverCall(TestConnection& connection, bool fail_now, Call call) {
  if (fail_now) {
    EScriptFatal error("connection lost");
    bool fail = true;
    connection.Script().DoError(error, fail);
    if (fail) throw error;
  }
  call();
}

class FakeStatement : public classlib::TComponent, public IDAConnectionClient {
 public:
  explicit FakeStatement(TestConnection& connection) : TComponent(nullptr), connection_(connection) {
    connection_.RegisterClient(this);
  }
  ~FakeStatement() override { connection_.UnRegisterClient(this); }
  classlib::TComponent* ClientComponent() override { return this; }
  bool IsDataSet() const override { return false; }
  TCustomDAConnection* ClientConnection() const override { return &connection_; }
  void SetDriverConnection(TCRConnection* connection) override { driver = connection; }

  void Execute(bool fail_now) {
    connection_.PushOperation(clExecute, true);
    connection_.InternalConnect();
    try {
      DriverCall(connection_, fail_now, [] {});
    } catch (...) {
      connection_.PopOperation();
      connection_.InternalDisconnect();
      throw;
    }
    connection_.PopOperation();
    connection_.InternalDisconnect();
  }
  TCRConnection* driver = nullptr;

 private:
  TestConnection& connection_;
};

class FakeDataSet : public classlib::TComponent, public IDAConnectionClient {
 public:
  FakeDataSet(TestConnection& connection, std::vector<std::string> values)
      : TComponent(nullptr), connection_(connection) {
    for (auto& v : values) rows.push_back(Row{v, false});
    connection_.RegisterClient(this);
  }
  ~FakeDataSet() override { connection_.UnRegisterClient(this); }
  classlib::TComponent* ClientComponent() override { return this; }
  bool IsDataSet() const override { return true; }
  TCustomDAConnection* ClientConnection() const override { return &connection_; }
  void SetDriverConnection(TCRConnection*) override {}
  bool Active() const override { return true; }
  bool CachedUpdates() const override { return true; }

  // Writes the rows not applied yet, marking each; fail_at picks a row that
  // loses the connection (fatal) or fails plainly, once.
  void ApplyClientUpdates() override {
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].applied) continue;
      const bool fail_here = static_cast<int>(i) == fail_at;
      if (fail_here && !fatal) {
        fail_at = -1;
        throw classlib::EDatabaseError("constraint violated");
      }
      if (fail_here) fail_at = -1;
      DriverCall(connection_, fail_here, [&] { connection_.Script().Write(rows[i].value); });
      rows[i].applied = true;
    }
  }
  void CommitClientUpdates() override { rows.clear(); }
  void RestoreClientUpdates() override {
    for (Row& row : rows) row.applied = false;
  }

  struct Row {
    std::string value;
    bool applied;
  };
  std::vector<Row> rows;
  int fail_at = -1;
  bool fatal = true;

 private:
  TestConnection& connection_;
};

TEST(DAConnection, FailedConnectLeavesTheCountAsItWas) {
  TestConnection connection(nullptr);
  connection.fail_connect = true;
  EXPECT_THROW(connection.SetConnected(true), EScriptFatal);
  EXPECT_EQ(connection.ConnectCount(), 0);
  EXPECT_THROW(connection.InternalConnect(), EScriptFatal);
  EXPECT_EQ(connection.ConnectCount(), 0);
  EXPECT_FALSE(connection.Connected());
}

TEST(DAConnection, AccountChangesCloseAndSettingsReachTheDriver) {
  TestConnection connection(nullptr);
  connection.SetUsername("scott");
  connection.SetPassword("tiger");
  connection.SetServer("orcl");
  connection.SetConnected(true);
  EXPECT_EQ(connection.Script().Username, "scott");
  EXPECT_EQ(connection.Script().Server, "orcl");
  EXPECT_EQ(connection.ConnectCount(), 1);
  connection.SetUsername("scott");
  EXPECT_TRUE(connection.Connected());
  connection.SetAutoCommit(false);
  EXPECT_FALSE(connection.Script().AutoCommit);
  connection.SetUsername("adams");
  EXPECT_FALSE(connection.Connected());
  EXPECT_EQ(connection.ConnectCount(), 0);
}

TEST(DAConnection, DisconnectedModeClosesOnTheLastUseOutsideATransaction) {
  TestConnection connection(nullptr);
  connection.Options().SetDisconnectedMode(true);
  connection.InternalConnect();
  connection.InternalConnect();
  connection.InternalDisconnect();
  EXPECT_TRUE(connection.Connected());
  connection.InternalDisconnect();
  EXPECT_FALSE(connection.Connected());

  connection.StartTransaction();
  EXPECT_EQ(connection.GetTransactionID(), "Local");
  EXPECT_FALSE(connection.Script().AutoCommit);
  connection.InternalConnect();
  connection.InternalDisconnect();
  EXPECT_TRUE(connection.Connected());  // the transaction keeps it open
  EXPECT_THROW(connection.StartTransaction(), classlib::EDatabaseError);
  connection.Commit();
  EXPECT_FALSE(connection.Connected());
}

TEST(DAConnection, CommitWithoutTransactionAndClosedConnection) {
  TestConnection connection(nullptr);
  try {
    connection.Commit();
    FAIL() << "no error";
  } catch (const classlib::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Operation is not allowed when the connection is closed");
  }
  connection.SetConnected(true);
  connection.Commit();
  EXPECT_EQ(connection.Script().commits, 1);
  EXPECT_TRUE(connection.Connected());
  connection.StartTransaction();
  connection.Script().Write("x");
  connection.Disconnect();  // commits the open transaction first
  EXPECT_EQ(connection.server.committed, std::vector<std::string>{"x"});
}

TEST(DAConnection, FatalExecuteErrorWithReconnectExecuteRaisesFailOver) {
  TestConnection connection(nullptr);
  connection.Options().LocalFailover = true;
  connection.OnConnectionLost = TConnectionLostEvent::Function(
      [](classlib::TObject*, classlib::TComponent*, TConnLostCause cause, TRetryMode& mode) {
        EXPECT_EQ(cause, clExecute);
        mode = rmReconnectExecute;
      });
  FakeStatement statement(connection);
  connection.SetConnected(true);
  EXPECT_EQ(statement.driver, connection.IConnection());
  EXPECT_THROW(statement.Execute(true), EFailOver);
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(connection.Script().connects, 2);
  statement.Execute(false);  // the repeat
  EXPECT_TRUE(connection.Connected());
}

TEST(DAConnection, FatalExecuteErrorWithoutFailOverDisconnectsTheComponent) {
  for (bool local_failover : {false, true}) {
    TestConnection connection(nullptr);
    connection.Options().LocalFailover = local_failover;  // without a handler: rmRaise
    FakeStatement statement(connection);
    connection.SetConnected(true);
    bool heard = false;
    connection.OnError = TDAConnectionErrorEvent::Function(
        [&](classlib::TObject*, EDAError&, bool&) { heard = true; });
    EXPECT_THROW(statement.Execute(true), EScriptFatal);
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(connection.ConnectCount(), 0);
    EXPECT_EQ(connection.Script().connects, 1);
    EXPECT_FALSE(heard);  // the scripted error is no EDAError
  }
}

TEST(DAConnection, ApplyUpdatesAfterFailOverWritesEachRowOnce) {
  TestConnection connection(nullptr);
  connection.Options().LocalFailover = true;
  connection.SetConnected(true);
  FakeDataSet first(connection, {"a1", "a2"});
  FakeDataSet second(connection, {"b1", "b2", "b3"});
  second.fail_at = 1;  // the connection is lost after a1, a2 and b1 were written
  connection.ApplyAllUpdates();
  EXPECT_EQ(connection.server.committed, (std::vector<std::string>{"a1", "a2", "b1", "b2", "b3"}));
  EXPECT_TRUE(first.rows.empty());
  EXPECT_TRUE(second.rows.empty());
  EXPECT_FALSE(connection.InTransaction());
}

TEST(DAConnection, FailedApplyRollsBackAndOffersEveryRowAgain) {
  TestConnection connection(nullptr);
  connection.SetConnected(true);
  FakeDataSet data_set(connection, {"r1", "r2", "r3"});
  data_set.fatal = false;
  data_set.fail_at = 2;
  EXPECT_THROW(connection.ApplyUpdates({&data_set}), classlib::EDatabaseError);
  EXPECT_FALSE(connection.InTransaction());
  EXPECT_EQ(connection.Script().rollbacks, 1);
  connection.Disconnect();  // nothing left to commit
  EXPECT_TRUE(connection.server.committed.empty());
  connection.SetConnected(true);
  connection.ApplyUpdates({&data_set});
  EXPECT_EQ(connection.server.committed, (std::vector<std::string>{"r1", "r2", "r3"}));
}

TEST(DAConnection, ApplyRefusesADataSetOfAnotherConnection) {
  TestConnection connection(nullptr);
  TestConnection other(nullptr);
  other.SetName("Other");
  connection.SetName("Main");
  connection.SetConnected(true);
  FakeDataSet foreign(other, {"x"});
  foreign.SetName("Foreign");
  try {
    connection.ApplyUpdates({&foreign});
    FAIL() << "no error";
  } catch (const classlib::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot update, Foreign is not owned by Main");
  }
}

TEST(DAConnection, FailOverStackIsEmptyWithoutLocalFailover) {
  TestConnection connection(nullptr);
  connection.PushOperation(clExecute, true);
  EXPECT_EQ(connection.GetConnLostCause(nullptr), clUnknown);
  connection.PopOperation();
  connection.Options().LocalFailover = true;
  connection.PushOperation(clApply, true);
  connection.PushOperation(clExecute, false);
  EXPECT_EQ(connection.GetConnLostCause(nullptr), clApply);
}

}  // namespace
}  // namespace dacore
