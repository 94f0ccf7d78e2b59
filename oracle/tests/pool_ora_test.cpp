// The Oracle pools on the stand-in: keys, local reuse, the client library's
// session pool, proxy sessions over pooled ones, a full pool's waiting get
// beside another pool's, a LOB of a released pool session, and the kinds
// this system cannot offer.
#include "oracle/pool_ora_manager.h"

#include <chrono>
#include <future>

#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/pool_ora_pools.h"
#include "oracle/tests/conn_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using namespace std::chrono_literals;

TOraConnectionParameters Parameters(uint8_t type, const std::string& password = "tiger") {
  TOraConnectionParameters parameters;
  parameters.PoolType = type;
  parameters.Username = "scott";
  parameters.Password = password;
  parameters.Server = "db1";
  parameters.MaxPoolSize = 4;
  return parameters;
}

class OraPoolTest : public ConnectionTest {
 protected:
  TOCIConnection* Get(const TOraConnectionParameters& parameters) {
    return dynamic_cast<TOCIConnection*>(TOraConnectionPoolManager::GetConnection(parameters));
  }
  int PoolCount() { return TOraConnectionPoolManager::Instance()->PoolCount(); }
};

TEST(OraConnectionParameters, Keys) {
  TOraConnectionParameters a = Parameters(optLocal), b = Parameters(optLocal);
  b.Username = "SCOTT";
  b.Server = "DB1";
  b.ProxyUsername = "end_user";
  EXPECT_TRUE(a.Equals(&b)) << "user and server ignore case; proxy credentials key nothing";
  b.Password = "TIGER";
  EXPECT_FALSE(a.Equals(&b)) << "passwords compare exactly";
  b = Parameters(optLocal);
  b.ConnectMode = 2;
  EXPECT_FALSE(a.Equals(&b));
  TOraConnectionParameters c = Parameters(optOCI), d = Parameters(optOCI, "other");
  d.Username = "adams";
  EXPECT_TRUE(c.Equals(&d)) << "the library's pool serves every account";
  EXPECT_FALSE(a.Equals(nullptr));

  std::unique_ptr<dacore::TCRConnectionParameters> copy = b.Create();
  copy->Assign(&b);
  EXPECT_TRUE(b.Equals(copy.get()));
}

TEST_F(OraPoolTest, LocalPoolHandsOutAndTakesBackConnectedSessions) {
  TOCIConnection* first = Get(Parameters(optLocal));
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->GetConnected());
  first->ReturnToPool();
  standin_->ClearLog();
  TOCIConnection* again = Get(Parameters(optLocal));
  EXPECT_EQ(again, first) << "the idle connection is reused";
  EXPECT_TRUE(standin_->LogOf("OCISessionBegin").empty());
  again->ReturnToPool();
  EXPECT_EQ(PoolCount(), 1);
}

TEST_F(OraPoolTest, SessionsThatDifferOnlyInPasswordNeverShareALocalPool) {
  TOCIConnection* right = Get(Parameters(optLocal));
  right->ReturnToPool();
  EXPECT_EQ(MessageOf([&] { Get(Parameters(optLocal, "wrong")); }),
            "ORA-01017: invalid username/password; logon denied")
      << "the idle session of the right password must not be handed over";
  EXPECT_EQ(PoolCount(), 2);
}

TEST_F(OraPoolTest, ClientLibraryPoolIsSharedAndAuthenticatesEveryRequest) {
  TOCIConnection* first = Get(Parameters(optOCI));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->ConnectionKind, kClientPoolSession);
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCIHandleAlloc type=27", "OCISessionPoolCreate link=db1 min=0 max=4 incr=0 mode=0",
                                        "OCIAttrSet htype=9 attr=22", "OCIAttrSet htype=9 attr=23",
                                        "OCISessionGet pool=STANDIN_POOL_1 user=scott mode=1"}));
  EXPECT_EQ(session_->PoolSessions(true), 1);
  EXPECT_EQ(MessageOf([&] { Get(Parameters(optOCI, "wrong")); }),
            "ORA-01017: invalid username/password; logon denied");
  EXPECT_EQ(PoolCount(), 1) << "both requests went to one pool";
  standin_->AddAccount("adams", "wood");
  TOraConnectionParameters adams = Parameters(optOCI, "wood");
  adams.Username = "adams";
  TOCIConnection* other = Get(adams);
  EXPECT_TRUE(Contains(standin_->Log(), "OCISessionGet pool=STANDIN_POOL_1 user=adams mode=1"))
      << "a later account gets its own session, not the first one's";
  other->ReturnToPool();
  EXPECT_EQ(standin_->LogOf("OCISessionPoolCreate").size(), 1u);

  first->ReturnToPool();
  EXPECT_TRUE(Contains(standin_->Log(), "OCISessionRelease mode=0"));
  EXPECT_EQ(session_->PoolSessions(true), 0);
  EXPECT_EQ(session_->PoolSessions(false), 2) << "the library keeps both sessions";
  TOCIConnection* second = Get(Parameters(optOCI));
  EXPECT_EQ(session_->PoolSessions(false), 2) << "and hands scott's out again";
  second->ReturnToPool();
  TOraConnectionPoolManager::Free();
  EXPECT_TRUE(Contains(standin_->Log(), "OCISessionPoolDestroy mode=0"));
  EXPECT_EQ(standin_->LiveHandles(), 2);
}

// The library's pool hands a released session (and its service context)
// out again: a LOB made on it before the release stays with the session it
// was made on, which has ended for its owner.
TEST_F(OraPoolTest, LobOfAReleasedPoolSessionIsNotCarriedOverOntoTheNextTaker) {
  TOCIConnection* first = Get(Parameters(optOCI));
  OCISvcCtx* context = first->GetSvcCtx();
  auto* lob = new TOraLob(context);
  lob->CreateTemporary(ltClob);
  lob->SetAsString("the first taker's");
  lob->WriteLob();
  first->ReturnToPool();
  TOCIConnection* second = Get(Parameters(optOCI));
  EXPECT_EQ(second->GetSvcCtx(), context) << "the same service context is handed out again";
  EXPECT_EQ(MessageOf([&] { lob->LengthLob(); }), messages::kSessionNotConnected);
  EXPECT_EQ(MessageOf([&] { lob->WriteLob(); }), messages::kSessionNotConnected);
  EXPECT_EQ(lob->GetAsString(), "the first taker's") << "what it holds stays readable";
  standin_->ClearLog();
  lob->Release();
  EXPECT_TRUE(standin_->LogOf("OCILobFreeTemporary").empty()) << "nothing is freed on the next taker's behalf";
  EXPECT_EQ(standin_->FreedHandleCalls(), 0);
  second->ReturnToPool();
  TOraConnectionPoolManager::Free();
}

TEST_F(OraPoolTest, ProxySessionsLayOverPooledOnes) {
  standin_->AddAccount("end_user", "secret");
  TOraConnectionParameters parameters = Parameters(optLocal);
  parameters.ProxyUsername = "end_user";
  TOCIConnection* proxy = Get(parameters);
  ASSERT_NE(proxy->ProxyConnection, nullptr);
  TOCIConnection* pooled = proxy->ProxyConnection;
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCISessionBegin user=scott cred=1 mode=0",
                                        "OCIAttrSet htype=9 attr=99",
                                        "OCISessionBegin user=end_user cred=3 mode=0"}));
  EXPECT_EQ(standin_->LogOf("OCIServerAttach").size(), 1u) << "the proxy uses the pooled server";
  standin_->ClearLog();
  proxy->ReturnToPool();
  EXPECT_EQ(standin_->LogOf("OCISessionEnd").size(), 1u) << "only the end user's session ends";
  EXPECT_TRUE(standin_->LogOf("OCIServerDetach").empty());
  TOCIConnection* again = Get(Parameters(optLocal));
  EXPECT_EQ(again, pooled) << "the pooled connection went back idle";
  again->ReturnToPool();
}

// A get waiting on a full local pool holds up no get of another pool, and
// the connection returned while it waits goes to it.
TEST_F(OraPoolTest, AFullLocalPoolHoldsUpNoOtherPool) {
  TOraConnectionParameters full = Parameters(optLocal);
  full.MaxPoolSize = 1;
  TOCIConnection* held = Get(full);
  ASSERT_NE(held, nullptr);
  auto waiting = std::async(std::launch::async, [&] { return Get(full); });
  ASSERT_EQ(waiting.wait_for(200ms), std::future_status::timeout) << "the full pool handed out a second session";
  auto other = std::async(std::launch::async, [&] { return Get(Parameters(optLocal)); });
  EXPECT_EQ(other.wait_for(2s), std::future_status::ready) << "a get of another pool waited behind the full one";
  held->ReturnToPool();
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
  TOCIConnection* got = waiting.get();
  EXPECT_EQ(got, held) << "the returned session goes to the waiting get";
  other.get()->ReturnToPool();
  got->ReturnToPool();
  EXPECT_EQ(PoolCount(), 2);
}

TEST_F(OraPoolTest, KindsThisSystemCannotOffer) {
  EXPECT_EQ(MessageOf([&] { Get(Parameters(optMTS)); }), "Can not find oramts10.dll");
  TOraConnectionPoolManager::Free();
  UnloadOci();
  UseClient(9, 0, 1);
  EXPECT_EQ(MessageOf([&] { Get(Parameters(optOCI)); }), "OCI pooling is supported starting with OCI 9.2");
  TOraConnectionPoolManager::Free();
  UnloadOci();
  UseClient(10, 2, 0, 1);
  EnterDirectMode();
  EXPECT_EQ(MessageOf([&] { Get(Parameters(optOCI)); }), "OCI pooling is not supported in Direct mode");
  EXPECT_EQ(MessageOf([&] { Get(Parameters(optMTS)); }), "MTS pooling is not supported in Direct mode");
}

}  // namespace
}  // namespace oracle::testing
