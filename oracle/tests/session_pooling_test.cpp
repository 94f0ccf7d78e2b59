// Where a session's driver connection comes from besides its own logon:
// the pools (also from several threads while the pools are validated), a
// proxy session over another session, and the Oracle home chosen among
// those of the registry.
#include <atomic>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "oracle/call_state.h"
#include "oracle/pool_ora_manager.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/conn_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class SessionSourcesTest : public ConnectionTest {
 protected:
  std::unique_ptr<TOraSession> NewSession(const std::string& connect_string) {
    auto session = std::make_unique<TOraSession>();
    session->SetConnectString(connect_string);
    return session;
  }
};

TEST_F(SessionSourcesTest, APooledSessionGoesBackToItsPoolAndIsTakenAgain) {
  auto session = NewSession("scott/tiger@db1");
  session->SetPooling(true);
  session->SetConnected(true);
  TOCIConnection* first = session->OCIConnection();
  session->SetConnected(false);
  EXPECT_EQ(session->OCIConnection(), nullptr) << "given back, not kept";
  standin_->ClearLog();
  session->SetConnected(true);
  EXPECT_EQ(session->OCIConnection(), first);
  EXPECT_TRUE(standin_->LogOf("OCISessionBegin").empty()) << "no new logon";
  session->SetConnected(false);
}

// What a server session reports of the settings a session component sets on
// it: those a pooled connection must not carry to its next user.
struct ServerSettings {
  std::string schema, client_identifier, date_format, optimizer_mode;
  bool operator==(const ServerSettings&) const = default;
  friend void PrintTo(const ServerSettings& s, std::ostream* out) {
    *out << "{schema " << s.schema << ", identifier '" << s.client_identifier << "', date format " << s.date_format
         << ", optimizer mode '" << s.optimizer_mode << "'}";
  }
};

ServerSettings SettingsOf(TOraSession& session, SessionControl& control) {
  const void* context = session.OCIConnection()->GetSvcCtx();
  return {session.Schema(), control.ClientIdentifier(context), control.Setting(context, "NLS_DATE_FORMAT"),
          control.Setting(context, "OPTIMIZER_MODE")};
}

// A user's schema, identifier, language setting and optimizer mode, set
// before the connect or while connected, end with his use of the pooled
// connection, whichever pool keeps it; a session that changes none of them
// gives its connection back for reuse.
TEST_F(SessionSourcesTest, APooledConnectionCarriesNoSettingsOfItsLastUser) {
  auto fresh = NewSession("scott/tiger@db1");
  fresh->SetConnected(true);
  const ServerSettings defaults = SettingsOf(*fresh, *session_);
  fresh->SetConnected(false);

  using Change = std::function<void(TOraSession&)>;
  const std::vector<std::pair<std::string, Change>> changes{
      {"schema", [](TOraSession& s) { s.SetSchema("hr"); }},
      {"client identifier", [](TOraSession& s) { s.Options().SetClientIdentifier("clerk"); }},
      {"date format", [](TOraSession& s) { s.Options().SetDateFormat("YYYY-MM-DD"); }},
      {"optimizer mode", [](TOraSession& s) { s.Options().SetOptimizerMode(omRule); }}};
  for (TOraPoolingType pool_type : {optLocal, optOCI}) {
    auto pooled = [&] {
      auto session = NewSession("scott/tiger@db1");
      session->SetPooling(true);
      session->PoolingOptions().SetPoolType(pool_type);
      return session;
    };
    for (bool while_connected : {false, true})
      for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name + (while_connected ? " set while connected" : " set before the connect") +
                     (pool_type == optOCI ? ", client library's pool" : ", local pool"));
        auto first = pooled();
        if (!while_connected) change(*first);
        first->SetConnected(true);
        if (while_connected) change(*first);
        ASSERT_NE(SettingsOf(*first, *session_), defaults) << "the setting reached the server";
        first->SetConnected(false);

        auto next = pooled();
        next->SetConnected(true);
        EXPECT_EQ(SettingsOf(*next, *session_), defaults);
        EXPECT_EQ(next->Options().DateFormat(), defaults.date_format);
        next->SetConnected(false);
      }

    auto plain = pooled();
    plain->SetConnected(true);
    plain->SetConnected(false);
    const int sessions = session_->PoolSessions(false);
    standin_->ClearLog();
    plain->SetConnected(true);
    EXPECT_TRUE(standin_->LogOf("OCISessionBegin").empty()) << "an unchanged session is reused";
    EXPECT_EQ(session_->PoolSessions(false), sessions);
    plain->SetConnected(false);
  }
}

// Sessions on several threads connect through pools of their own servers
// (the manager's list grows) while validation rounds walk that list: each
// session gets a connection of its server, and the rounds free every pool
// once all went back and stayed idle long enough.
TEST_F(SessionSourcesTest, PooledSessionsOnManyThreadsRaceTheValidationRounds) {
  constexpr int kThreads = 4, kConnects = 60, kServers = 15;
  std::atomic<bool> connecting{true};
  std::thread validator([&] {
    while (connecting)
      if (TOraConnectionPoolManager* manager = TOraConnectionPoolManager::Instance()) manager->ValidatePools();
  });
  std::atomic<int> wrong_server{0};
  std::vector<std::thread> clients;
  for (int t = 0; t < kThreads; ++t)
    clients.emplace_back([&, t] {
      for (int i = 0; i < kConnects; ++i) {
        const std::string server = "db" + std::to_string(t) + "_" + std::to_string(i % kServers);
        auto session = NewSession("scott/tiger@" + server);
        session->SetPooling(true);
        session->SetConnected(true);
        if (session->OCIConnection()->Pool->ConnectionParameters().Server != server) ++wrong_server;
        session->SetConnected(false);
      }
    });
  for (auto& client : clients) client.join();
  connecting = false;
  validator.join();
  EXPECT_EQ(wrong_server, 0);
  TOraConnectionPoolManager* manager = TOraConnectionPoolManager::Instance();
  ASSERT_NE(manager, nullptr);
  for (int i = 0; i < 9; ++i) manager->ValidatePools();
  EXPECT_EQ(manager->PoolCount(), 0);
}

TEST_F(SessionSourcesTest, APoolOfProxySessionsLogsOnWithTheProxyAccount) {
  standin_->AddAccount("pool_owner", "secret");
  auto session = NewSession("end_user/any@db1");
  session->SetPooling(true);
  session->PoolingOptions().SetProxyUsername("pool_owner");
  session->PoolingOptions().SetProxyPassword("secret");
  session->SetConnected(true);
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCISessionBegin user=pool_owner cred=1 mode=0",
                                        "OCISessionBegin user=end_user cred=3 mode=0"}));
  session->SetConnected(false);
}

TEST_F(SessionSourcesTest, AProxySessionNeedsAnOpenOuterSessionAndNoPool) {
  auto outer = NewSession("scott/tiger@db1");
  auto inner = NewSession("end_user@db1");
  inner->SetProxySession(outer.get());
  EXPECT_EQ(MessageOf([&] { inner->SetConnected(true); }),
            "Operation is not allowed when the proxy connection is closed");
  outer->SetConnected(true);
  inner->SetConnected(true);
  EXPECT_TRUE(Contains(standin_->Log(), "OCISessionBegin user=end_user cred=3 mode=0"));
  EXPECT_EQ(standin_->LogOf("OCIServerAttach").size(), 1u) << "the proxy uses the outer session's server";
  inner->SetConnected(false);

  inner->SetPooling(true);
  EXPECT_EQ(MessageOf([&] { inner->SetConnected(true); }), "Operation is not allowed when Pooling is True");
  outer.reset();
  EXPECT_EQ(inner->ProxySession(), nullptr) << "a freed outer session is forgotten";
}

TEST_F(SessionSourcesTest, HomesAreChosenByNumberAmongTheRegistrysHomes) {
  WriteOracleValue("HOME0", "ORACLE_HOME_NAME", "OraHome92");
  WriteOracleValue("HOME0", "ORACLE_HOME", MakeFolder("home92"));
  WriteOracleValue("HOME1", "ORACLE_HOME_NAME", "OraDb10g");
  WriteOracleValue("HOME1", "ORACLE_HOME", MakeFolder("home10"));
  auto session = NewSession("scott/tiger@db1");
  EXPECT_EQ(session->Home(), ohDefault);
  session->SetHome(ohHome1);
  EXPECT_EQ(session->HomeName(), "OraDb10g");
  EXPECT_EQ(OracleHomeName, "OraDb10g") << "one home for the process";
  EXPECT_EQ(session->Home(), ohHome1);
  session->SetHome(ohHome5);
  EXPECT_EQ(session->HomeName(), "OraDb10g") << "no sixth home: nothing changes";

  session->SetConnected(true);
  auto other = NewSession("scott/tiger@db1");
  EXPECT_EQ(other->HomeName(), "OraDb10g");
  other->SetHomeName("OraHome92");
  EXPECT_FALSE(session->Connected()) << "a new home ends every session";
  EXPECT_FALSE(IsOciLoaded()) << "and unloads the client library";
}

}  // namespace
}  // namespace oracle::testing
