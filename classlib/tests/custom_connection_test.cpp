#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/custom_connection.h"
#include "classlib/dataset.h"
#include "classlib/exceptions.h"
#include "testing/dataset_test_table.h"

namespace classlib {
namespace {

using Log = std::vector<std::string>;

// A connection that writes every step it takes into a shared log.
class LoggingConnection : public TCustomConnection {
 public:
  LoggingConnection(TComponent* owner, Log& log) : TCustomConnection(owner), log_(log) {
    SetBeforeConnect(TNotifyEvent(this, &LoggingConnection::Note<'B', 'C'>));
    SetAfterConnect(TNotifyEvent(this, &LoggingConnection::Note<'A', 'C'>));
    SetBeforeDisconnect(TNotifyEvent(this, &LoggingConnection::Note<'B', 'D'>));
    SetAfterDisconnect(TNotifyEvent(this, &LoggingConnection::Note<'A', 'D'>));
  }
  ~LoggingConnection() override {
    Destroying();
    Close();
  }

  bool fail_connect = false;
  bool streamed_while_connecting = false;

  using TCustomConnection::StreamedConnected;

 protected:
  void DoConnect() override {
    log_.push_back("DoConnect");
    streamed_while_connecting = StreamedConnected();
    if (fail_connect) throw EDatabaseError("server unreachable");
    connected_ = true;
  }
  void DoDisconnect() override {
    log_.push_back("DoDisconnect");
    connected_ = false;
  }
  bool GetConnected() const override { return connected_; }

 private:
  template <char When, char What>
  void Note(TObject*) {
    log_.push_back(std::string(When == 'B' ? "Before" : "After") +
                   (What == 'C' ? "Connect" : "Disconnect"));
  }

  Log& log_;
  bool connected_ = false;
};

// A table that logs when it closes.
std::unique_ptr<testing::TestTable> LoggedTable(const std::string& name, Log& log) {
  auto table = std::make_unique<testing::TestTable>();
  table->SetName(name);
  table->AddColumn("ID", ftInteger);
  table->SetBeforeClose(
      TDataSetNotifyEvent::Function([&log, name](TDataSet*) { log.push_back("close " + name); }));
  return table;
}

// A client that is not a data set and logs what it hears.
struct Listener : TObject {
  Listener(Log& log, std::string name) : log(log), name(std::move(name)) {}
  void Changed(TObject*, bool connecting) {
    log.push_back(name + (connecting ? " connected" : " disconnected"));
  }
  TConnectChangeEvent Event() { return TConnectChangeEvent(this, &Listener::Changed); }
  Log& log;
  std::string name;
};

TEST(CustomConnection, ConnectAndDisconnectRunTheirStepsInOrder) {
  Log log;
  LoggingConnection conn(nullptr, log);
  Listener client(log, "client");
  conn.RegisterClient(&client, client.Event());

  conn.Open();
  EXPECT_TRUE(conn.Connected());
  EXPECT_EQ(log, (Log{"BeforeConnect", "DoConnect", "client connected", "AfterConnect"}));

  log.clear();
  conn.Open();  // already connected: nothing happens
  EXPECT_TRUE(log.empty());

  conn.Close();
  EXPECT_FALSE(conn.Connected());
  EXPECT_EQ(log, (Log{"BeforeDisconnect", "client disconnected", "DoDisconnect",
                      "AfterDisconnect"}));
  log.clear();
  conn.SetConnected(false);
  EXPECT_TRUE(log.empty());
}

TEST(CustomConnection, FailedConnectTellsNoClientAndSkipsAfterConnect) {
  Log log;
  LoggingConnection conn(nullptr, log);
  Listener client(log, "client");
  conn.RegisterClient(&client, client.Event());
  conn.fail_connect = true;
  EXPECT_THROW(conn.Open(), EDatabaseError);
  EXPECT_FALSE(conn.Connected());
  EXPECT_EQ(log, (Log{"BeforeConnect", "DoConnect"}));
}

TEST(CustomConnection, ConnectWhileLoadingWaitsForLoaded) {
  Log log;
  TComponent form(nullptr);
  auto* conn = new LoggingConnection(&form, log);
  form.BeginLoading();
  conn->SetConnected(true);
  EXPECT_FALSE(conn->Connected());
  EXPECT_TRUE(conn->StreamedConnected());
  EXPECT_TRUE(log.empty());

  form.EndLoading();
  EXPECT_TRUE(conn->Connected());
  EXPECT_TRUE(conn->streamed_while_connecting);
  EXPECT_FALSE(conn->StreamedConnected());
  EXPECT_EQ(log.front(), "BeforeConnect");
}

TEST(CustomConnection, FailedStreamedConnectForgetsTheWish) {
  Log log;
  TComponent form(nullptr);
  auto* conn = new LoggingConnection(&form, log);
  conn->fail_connect = true;
  form.BeginLoading();
  conn->Open();
  EXPECT_THROW(form.EndLoading(), EDatabaseError);
  EXPECT_FALSE(conn->Connected());
  EXPECT_FALSE(conn->StreamedConnected());
}

TEST(CustomConnection, ClientsRegisterOnceAndStopHearingWhenUnregistered) {
  Log log;
  LoggingConnection conn(nullptr, log);
  Listener a(log, "a"), b(log, "b");
  conn.RegisterClient(&a, a.Event());
  conn.RegisterClient(&a, a.Event());
  conn.RegisterClient(&b);  // a client without an event
  EXPECT_EQ(conn.ClientCount(), 2);
  conn.Open();
  EXPECT_EQ(log, (Log{"BeforeConnect", "DoConnect", "a connected", "AfterConnect"}));

  conn.UnRegisterClient(&a);
  log.clear();
  conn.Close();
  EXPECT_EQ(log, (Log{"BeforeDisconnect", "DoDisconnect", "AfterDisconnect"}));
  EXPECT_EQ(conn.ClientCount(), 1);
}

TEST(CustomConnection, AClientUnregisteredByAnotherClientIsNotTold) {
  Log log;
  LoggingConnection conn(nullptr, log);
  auto second = std::make_unique<Listener>(log, "second");
  Listener first(log, "first");
  conn.RegisterClient(&first, TConnectChangeEvent::Function([&](TObject*, bool) {
    log.push_back("first frees second");
    conn.UnRegisterClient(second.get());
    second.reset();
  }));
  conn.RegisterClient(second.get(), second->Event());
  conn.Open();
  EXPECT_EQ(log, (Log{"BeforeConnect", "DoConnect", "first frees second", "AfterConnect"}));
  EXPECT_EQ(conn.ClientCount(), 1);
}

TEST(CustomConnection, DataSetsAreListedAndClosedOnDisconnect) {
  Log log;
  LoggingConnection conn(nullptr, log);
  auto orders = LoggedTable("Orders", log);
  auto items = LoggedTable("Items", log);
  TDataSet& open_one = *orders;
  TDataSet& closed_one = *items;
  Listener listener(log, "listener");
  conn.RegisterClient(&open_one, TConnectChangeEvent::Function([&](TObject*, bool c) {
    log.push_back(std::string("Orders hears ") + (c ? "connect" : "disconnect"));
  }));
  conn.RegisterClient(&listener, listener.Event());
  conn.RegisterClient(&closed_one);

  ASSERT_EQ(conn.DataSetCount(), 2);
  EXPECT_EQ(conn.DataSets(0), &open_one);
  EXPECT_EQ(conn.DataSets(1), &closed_one);
  EXPECT_THROW(conn.DataSets(2), EListError);

  conn.Open();
  open_one.Open();
  ASSERT_TRUE(open_one.Active());
  log.clear();
  conn.Close();
  EXPECT_FALSE(open_one.Active());
  EXPECT_EQ(log, (Log{"BeforeDisconnect", "Orders hears disconnect", "close Orders",
                      "listener disconnected", "DoDisconnect", "AfterDisconnect"}));

  conn.UnRegisterClient(&open_one);
  EXPECT_EQ(conn.DataSetCount(), 1);
  EXPECT_EQ(conn.DataSets(0), &closed_one);
}

TEST(CustomConnection, FreeingAConnectedConnectionDisconnectsFirst) {
  Log log;
  auto table = LoggedTable("Orders", log);
  TDataSet& data_set = *table;
  {
    LoggingConnection conn(nullptr, log);
    conn.RegisterClient(&data_set);
    conn.Open();
    data_set.Open();
    log.clear();
  }
  EXPECT_FALSE(data_set.Active());
  EXPECT_EQ(log, (Log{"BeforeDisconnect", "close Orders", "DoDisconnect", "AfterDisconnect"}));
}

}  // namespace
}  // namespace classlib
