// The connection on the stand-in: connecting in both call styles and every
// credential kind and mode, the banner, errors, commit and rollback of
// pending work, and ping inside an open transaction.
#include <atomic>
#include <thread>

#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/conn_session_command.h"
#include "oracle/error_ora.h"
#include "oracle/tests/conn_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class OciConnectionTest : public ConnectionTest {};

TEST_F(OciConnectionTest, NewerStyleAttachesBeginsAndEndsTheSession) {
  auto connection = NewConnection();
  connection->InternalName = "updater";
  connection->Connect("");
  EXPECT_TRUE(connection->GetConnected());
  EXPECT_EQ(connection->GetOCICallStyle(), kOci8);
  EXPECT_TRUE(InOrder(standin_->Log(),
                      {"OCIHandleAlloc type=3", "OCIHandleAlloc type=8", "OCIHandleAlloc type=9",
                       "OCIServerAttach link=db1 mode=0", "OCIAttrSet htype=8 attr=25",
                       "OCIAttrSet htype=3 attr=6", "OCIAttrSet htype=9 attr=22",
                       "OCIAttrSet htype=9 attr=23", "OCISessionBegin user=scott cred=1 mode=0",
                       "OCIAttrSet htype=3 attr=7", "OCIServerVersion size=255 htype=3",
                       "OCIAttrSet htype=8 attr=43"}));
  EXPECT_EQ(connection->GetServerVersion(), "10.2.0.1.0");
  EXPECT_EQ(connection->GetOracleVersion(), 10201);
  EXPECT_EQ(connection->CommandCallStyle, kOci8);

  standin_->ClearLog();
  connection->Disconnect();
  EXPECT_FALSE(connection->GetConnected());
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCISessionEnd mode=0", "OCIServerDetach mode=0",
                                        "OCIHandleFree type=9", "OCIHandleFree type=8",
                                        "OCIHandleFree type=3"}));
  EXPECT_EQ(standin_->LiveHandles(), 2) << "only the environment and its error handle stay";
  EXPECT_EQ(connection->ServerVersionText, "") << "the version is not kept past the session";
  EXPECT_EQ(connection->ServerVersion, 0);
}

TEST_F(OciConnectionTest, ModesAndCredentialKinds) {
  struct Case {
    uint8_t mode;
    bool cache;
    std::string user, password, begin;
  };
  const Case cases[] = {
      {cmSysDBA, false, "scott", "tiger", "OCISessionBegin user=scott cred=1 mode=2"},
      {cmSysOper, false, "scott", "tiger", "OCISessionBegin user=scott cred=1 mode=4"},
      {cmNormal, true, "scott", "tiger", "OCISessionBegin user=scott cred=1 mode=64"},
      {cmNormal, false, "", "", "OCISessionBegin user= cred=2 mode=0"},
  };
  for (const Case& c : cases) {
    standin_->ClearLog();
    auto connection = NewConnection(0, c.user, c.password);
    connection->SetProp(prConnectMode, static_cast<int32_t>(c.mode));
    connection->SetProp(prStatementCache, c.cache);
    connection->SetProp(prStatementCacheSize, 20);
    connection->Connect("");
    std::vector<std::string> log = standin_->Log();
    EXPECT_TRUE(Contains(log, c.begin)) << c.begin;
    EXPECT_EQ(Contains(log, "OCIAttrSet htype=3 attr=176"), c.cache) << "statement cache size";
    EXPECT_EQ(Contains(log, "OCIAttrSet htype=9 attr=22"), !c.user.empty())
        << "external credentials set no user name";
  }
}

TEST_F(OciConnectionTest, EmptyPasswordIsStillSetForAnOrdinarySession) {
  standin_->AddAccount("nopass", "");
  auto connection = NewConnection(0, "nopass", "");
  connection->Connect("");
  EXPECT_TRUE(Contains(standin_->Log(), "OCIAttrSet htype=9 attr=23"));
}

TEST_F(OciConnectionTest, WrongPasswordRaisesTheServersErrorInBothStyles) {
  for (uint8_t style : {kOci8, kOci7}) {
    auto connection = NewConnection(style, "scott", "TIGER");
    try {
      connection->Connect("");
      ADD_FAILURE() << "connected with a wrong password in style " << int(style);
    } catch (const EOraError& e) {
      EXPECT_EQ(e.ErrorCode(), 1017) << "style " << int(style);
      EXPECT_EQ(e.Message(), "ORA-01017: invalid username/password; logon denied");
    }
    EXPECT_FALSE(connection->GetConnected());
    EXPECT_EQ(connection->LastErrorCode, 1017);
    EXPECT_EQ(standin_->LiveHandles(), 2) << "a failed connect leaves no handles, style " << int(style);
  }
  EXPECT_TRUE(Contains(standin_->Log(), "oerhms code=1017")) << "the older style reads its text";
  EXPECT_TRUE(Contains(standin_->Log(), "OCIServerDetach mode=0")) << "the attached server is detached";
}

TEST_F(OciConnectionTest, OlderStyleLogsOnCommitsRollsBackAndLogsOff) {
  auto connection = NewConnection(kOci7);
  connection->Connect("");
  EXPECT_EQ(connection->GetOCICallStyle(), kOci7);
  EXPECT_EQ(connection->GetMaxStringSize(), 2000);
  connection->Command().Execute("INSERT INTO T VALUES (1)");
  connection->Commit();
  connection->Command().Execute("DELETE FROM T");
  connection->Rollback();
  EXPECT_EQ(session_->CommittedWork(), 1);
  EXPECT_EQ(session_->PendingWork(), 0);
  EXPECT_EQ(connection->GetServerVersion(), "10.2.0.1.0") << "asked with a block in this style";
  connection->Disconnect();
  EXPECT_TRUE(InOrder(standin_->Log(),
                      {"olog user=scott link=db1 mode=0", "oopen", "oparse sql=INSERT INTO T VALUES (1)  defer=0 syntax=2",
                       "oexn iters=1 offset=0", "oclose", "ocom", "orol", "obndrv name=:Result type=5 size=65", "ologof"}));
  EXPECT_EQ(standin_->LiveHandles(), 2);
}

TEST_F(OciConnectionTest, NewerSessionLendsItsLogonAreaToTheOlderCalls) {
  auto connection = NewConnection();
  connection->Connect("");
  ub1* lda = connection->GetLDA();
  EXPECT_EQ(connection->GetLDA(), lda) << "made once";
  connection->Command().Execute("INSERT INTO T VALUES (1)");
  EXPECT_EQ(ocom(lda), 0);
  EXPECT_EQ(session_->CommittedWork(), 1) << "the area stands for the same session";
  EXPECT_EQ(standin_->LogOf("OCISvcCtxToLda").size(), 1u);
}

TEST_F(OciConnectionTest, BannerCut) {
  EXPECT_EQ(ReleaseOfBanner("Oracle9i Enterprise Edition Release 9.2.0.1.0 - Production"), "9.2.0.1.0");
  EXPECT_EQ(ReleaseOfBanner("Oracle Database 10g Release 10.2.0.1.0 - Production"), "10.2.0.1.0");
  EXPECT_EQ(ReleaseOfBanner("Personal Oracle7 Release 7.3.4.0.0"), "7.3.4.0.0");
  EXPECT_EQ(ReleaseOfBanner("Oracle Release 9.2.0.1.0"), "9.2.0.1.0") << "at the end of the text";
  EXPECT_EQ(ReleaseOfBanner("no release here"), "no release here");

  standin_->SetBanner("Oracle9i Enterprise Edition Release 9.2.0.1.0 - Production");
  auto nine = NewConnection();
  nine->Connect("");
  EXPECT_EQ(nine->GetServerVersion(), "9.2.0.1.0");
  EXPECT_EQ(nine->GetOracleVersion(), 9201);
  EXPECT_EQ(nine->GetMaxStringSize(), 4000);
  nine->Disconnect();

  standin_->ClearLog();
  standin_->SetBanner("Oracle7 Server Release 7.3.4.0.0 - Production");
  auto seven = NewConnection();
  seven->Connect("");
  EXPECT_EQ(seven->CommandCallStyle, kOci7) << "a 7.x server takes only the older statements";
  EXPECT_EQ(seven->GetMaxStringSize(), 2000);
  EXPECT_FALSE(Contains(standin_->Log(), "OCIAttrSet htype=8 attr=43")) << "no fail-over before 8.0";
}

TEST_F(OciConnectionTest, CommitAndRollbackEndThePendingWork) {
  auto connection = NewConnection();
  connection->Connect("");
  connection->StartTransaction();
  EXPECT_TRUE(connection->InTransaction);
  connection->Command().Execute("INSERT INTO T VALUES (1)");
  EXPECT_EQ(session_->PendingWork(), 1);
  connection->Commit();
  EXPECT_FALSE(connection->InTransaction);
  EXPECT_EQ(session_->CommittedWork(), 1);
  connection->Command().Execute("UPDATE T SET A = 2");
  connection->Rollback();
  EXPECT_EQ(session_->PendingWork(), 0);
  EXPECT_EQ(session_->CommittedWork(), 1);
  EXPECT_TRUE(InOrder(standin_->LogOf("OCITransCommit"), {"OCITransCommit flags=0"}));
  EXPECT_TRUE(InOrder(standin_->LogOf("OCITransRollback"), {"OCITransRollback flags=0"}));
}

TEST_F(OciConnectionTest, RollbackWaitsForTheLockLikeCommit) {
  auto connection = NewConnection();
  connection->Connect("");
  std::atomic<bool> locked{false}, released{false};
  std::thread holder([&] {
    connection->Lock();
    locked = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    released = true;
    connection->Unlock();
  });
  while (!locked) std::this_thread::yield();
  connection->Rollback();
  EXPECT_TRUE(released) << "the rollback ran while another thread held the connection";
  holder.join();
}

TEST_F(OciConnectionTest, PingInsideAnOpenTransactionLeavesItOpen) {
  // Client and server 10.2: the ping call.
  auto connection = NewConnection();
  connection->Connect("");
  connection->StartTransaction();
  connection->Command().Execute("INSERT INTO T VALUES (1)");
  standin_->ClearLog();
  EXPECT_TRUE(connection->Ping());
  EXPECT_EQ(standin_->LogOf("OCIPing").size(), 1u);
  EXPECT_TRUE(standin_->LogOf("OCITransCommit").empty());
  EXPECT_EQ(session_->PendingWork(), 1);
  EXPECT_TRUE(connection->InTransaction);
  connection->Rollback();

  // A 9.2 server: the banner is fetched again instead of a commit.
  standin_->SetBanner("Oracle9i Enterprise Edition Release 9.2.0.1.0 - Production");
  auto nine = NewConnection();
  nine->Connect("");
  nine->Command().Execute("INSERT INTO T VALUES (1)");
  standin_->ClearLog();
  EXPECT_TRUE(nine->Ping());
  EXPECT_TRUE(standin_->LogOf("OCIPing").empty());
  EXPECT_EQ(standin_->LogOf("OCIServerVersion").size(), 1u);
  EXPECT_TRUE(standin_->LogOf("OCITransCommit").empty());
  EXPECT_EQ(session_->PendingWork(), 1);
  nine->Rollback();

  // The older style: an empty block.
  auto older = NewConnection(kOci7);
  older->Connect("");
  older->Command().Execute("INSERT INTO T VALUES (1)");
  standin_->ClearLog();
  EXPECT_TRUE(older->Ping());
  EXPECT_TRUE(standin_->LogOf("ocom").empty());
  EXPECT_TRUE(Contains(standin_->Log(), "oparse sql=begin null; end;  defer=0 syntax=2"));
  EXPECT_EQ(session_->PendingWork(), 1);
}

TEST_F(OciConnectionTest, PingOfALostSessionFails) {
  auto connection = NewConnection();
  connection->Connect("");
  standin_->InjectFault("OCIPing", 1, OCI_ERROR, 3113, "ORA-03113: end-of-file on communication channel");
  EXPECT_EQ(MessageOf([&] { connection->Ping(); }), "ORA-03113: end-of-file on communication channel");
  connection->IsValid = false;
  EXPECT_FALSE(connection->Ping()) << "an invalid connection answers at once";
}

TEST_F(OciConnectionTest, DirectModeSetsTheNetworkClientsAttributesAndProbesWithABlock) {
  EnterDirectMode();
  auto connection = NewConnection();
  connection->SetProp(prConnectionTimeout, 15);
  connection->SetProp(prCharset, "CL8MSWIN1251");
  connection->Connect("");
  std::vector<std::string> log = standin_->Log();
  EXPECT_TRUE(InOrder(log, {"OCIServerAttach link=db1 mode=0", "OCIAttrSet htype=3 attr=10001",
                            "OCIAttrSet htype=3 attr=20", "OCISessionBegin user=scott cred=1 mode=0"}));
  EXPECT_FALSE(Contains(log, "OCIAttrSet htype=8 attr=25")) << "no internal name";
  EXPECT_FALSE(Contains(log, "OCIAttrSet htype=8 attr=43")) << "no fail-over";
  EXPECT_EQ(connection->CharsetId, 171);
  EXPECT_EQ(connection->GetServerVersion(), "10.2.0.1.0");
  connection->Command().Execute("INSERT INTO T VALUES (1)");
  standin_->ClearLog();
  EXPECT_TRUE(connection->Ping());
  EXPECT_TRUE(standin_->LogOf("OCITransCommit").empty());
  EXPECT_EQ(session_->Executed().back(), "begin null; end; ");
  EXPECT_EQ(session_->PendingWork(), 1);

  auto unicode = NewConnection();
  unicode->SetProp(prUseUnicode, true);
  standin_->ClearLog();
  unicode->Connect("");
  EXPECT_TRUE(Contains(standin_->Log(), "OCIAttrSet htype=3 attr=31"));
}

TEST_F(OciConnectionTest, WithoutAStyleOrTheNewerOneTheConnectionRefuses) {
  TOCIConnection connection;
  EXPECT_EQ(MessageOf([&] { connection.CheckOCI(); }), "OCI is not inizialized");
  EXPECT_EQ(MessageOf([&] { connection.GetSvcCtx(); }), "Need Oracle 8 Call Interface");
  auto older = NewConnection(kOci7);
  older->Connect("");
  EXPECT_EQ(MessageOf([&] { older->GetSvcCtx(); }), "Need Oracle 8 Call Interface");
  EXPECT_EQ(MessageOf([&] { older->SetConnectionKind(kClientPoolSession); }).rfind("Assertion failure", 0), 0u);
}

TEST_F(OciConnectionTest, SuccessWithInfoRaisesOnlyForCompilationErrors) {
  auto connection = NewConnection();
  connection->Connect("");
  standin_->InjectFault("OCIStmtExecute", 1, OCI_SUCCESS_WITH_INFO, 24344,
                        "ORA-24344: success with compilation error");
  try {
    connection->Command().Execute("CREATE PROCEDURE P AS BEGIN X; END;");
    ADD_FAILURE() << "no error for a compilation error";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 24344);
  }
  standin_->InjectFault("OCIStmtExecute", 1, OCI_SUCCESS_WITH_INFO, 28002,
                        "ORA-28002: the password will expire within 7 days");
  EXPECT_NO_THROW(connection->Command().Execute("begin null; end;"));
  EXPECT_EQ(connection->LastErrorCode, 28002);
  EXPECT_EQ(session_->Executed().back(), "begin null; end; ") << "a warning comes after the work";
}

TEST_F(OciConnectionTest, ALogonThatWarnsIsConnected) {
  standin_->InjectFault("OCISessionBegin", 1, OCI_SUCCESS_WITH_INFO, 28002,
                        "ORA-28002: the password will expire within 7 days");
  auto connection = NewConnection();
  connection->Connect("");
  EXPECT_TRUE(connection->GetConnected());
  EXPECT_EQ(connection->LastErrorCode, 28002) << "the warning is kept as the last error";
  connection->Command().Execute("begin null; end;");
  EXPECT_EQ(session_->Executed().back(), "begin null; end; ");
}

}  // namespace
}  // namespace oracle::testing
