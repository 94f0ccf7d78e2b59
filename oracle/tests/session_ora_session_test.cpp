// The session component on the stand-in: connect strings, the session list,
// errors that mean a lost connection, connecting and disconnecting with the
// calls it makes, the settings of a new session (schema, optimizer mode),
// statements with placeholders, transactions the server may end on its
// own, and the fail-over as the application hears of it.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/session_connect_string.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/conn_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

constexpr const char* kDefaultBannerForTests =
    "Oracle Database 10g Enterprise Edition Release 10.2.0.1.0 - Production";

class OraSessionTest : public ConnectionTest {
 protected:
  std::unique_ptr<TOraSession> NewSession(const std::string& connect_string = "scott/tiger@db1") {
    auto session = std::make_unique<TOraSession>();
    session->SetConnectString(connect_string);
    return session;
  }

  // The command hands the server its text with a blank appended.
  bool Executed(const std::string& sql) { return Contains(session_->Executed(), sql + " "); }
};

// ---- Connect strings -----------------------------------------------------------------

TEST(ConnectString, PartsAreTrimmedAndTheModeIsReadInAnyCase) {
  TConnectStringParts parts = ParseConnectString(" u1 / pw1 @ db1  as sysdba ");
  EXPECT_EQ(parts.Username, "u1");
  EXPECT_EQ(parts.Password, "pw1");
  EXPECT_EQ(parts.Server, "db1");
  EXPECT_EQ(parts.Mode, cmSysDBA);
  EXPECT_EQ(ParseConnectString("u1@db1 AS SysOper").Mode, cmSysOper);
  EXPECT_EQ(ParseConnectString("u1/pw1").Password, "pw1");
  EXPECT_EQ(ParseConnectString("u1/pw1").Server, "");
  EXPECT_EQ(ParseConnectString("@db1").Server, "db1");
}

TEST(ConnectString, AnUnknownModeIsRefused) {
  EXPECT_EQ(MessageOf([] { ParseConnectString("u1/pw1@db1 as sysfoo"); }), "Invalid connect string");
  EXPECT_EQ(MessageOf([] { ParseConnectString("u1/pw1@db1 as "); }), "Invalid connect string");
}

TEST_F(OraSessionTest, ConnectStringWritesAndReadsTheAccount) {
  auto session = std::make_unique<TOraSession>();
  // Given as any connection takes it, the text is the session's own form.
  dacore::TCustomDAConnection& connection = *session;
  connection.SetConnectString("u1/pw1@db1 as sysdba");
  EXPECT_EQ(session->Username(), "u1");
  EXPECT_EQ(session->Password(), "pw1");
  EXPECT_EQ(session->Server(), "db1");
  EXPECT_EQ(session->ConnectMode(), cmSysDBA);
  EXPECT_EQ(connection.ConnectString(), "u1/pw1@db1 AS SYSDBA");

  session->SetConnectString("u2@db2");
  EXPECT_EQ(session->Username(), "u2");
  EXPECT_EQ(session->Password(), "");
  EXPECT_EQ(session->Server(), "db2");
  EXPECT_EQ(session->ConnectMode(), cmSysDBA) << "a text without a mode keeps the session's";
  EXPECT_EQ(session->ConnectString(), "u2@db2 AS SYSDBA");

  session->SetConnectMode(cmNormal);
  session->SetConnectString("justme");
  EXPECT_EQ(session->Username(), "justme");
  EXPECT_EQ(session->Server(), "");
  EXPECT_EQ(session->ConnectString(), "justme");

  EXPECT_EQ(MessageOf([&] { session->SetConnectString("u1/pw1@db1 as admin"); }), "Invalid connect string");
}

TEST_F(OraSessionTest, ChangingTheConnectStringEndsTheSession) {
  auto session = NewSession();
  session->SetConnected(true);
  session->SetConnectString("scott/tiger@db1");
  EXPECT_TRUE(session->Connected()) << "the same account keeps the session";
  session->SetConnectString("scott/tiger@db2");
  EXPECT_FALSE(session->Connected());
}

// ---- The session list -------------------------------------------------------------------

TEST_F(OraSessionTest, LaterSessionsShareTheFirstOnesHomeAndClientMode) {
  auto first = std::make_unique<TOraSession>();
  first->SetHomeName("OraHome92");
  first->Options().SetDirect(true);
  auto second = std::make_unique<TOraSession>();
  EXPECT_EQ(second->HomeName(), "OraHome92");
  EXPECT_TRUE(second->Options().Direct());
  EXPECT_EQ(TOraSession::DefaultSession(), first.get());
  first.reset();
  EXPECT_EQ(TOraSession::DefaultSession(), second.get()) << "the next session becomes the default";
  second.reset();
  EXPECT_EQ(TOraSession::DefaultSession(), nullptr);
}

// ---- Errors -------------------------------------------------------------------------------

TEST_F(OraSessionTest, LostConnectionsAndKeyViolationsAreToldApart) {
  TOraSession session;
  const EOraError lost(3113, "ORA-03113: end-of-file on communication channel");
  const EOraError duplicate(1, "ORA-00001: unique constraint (SCOTT.PK) violated");
  const EOraError missing(942, "ORA-00942: table or view does not exist");
  EXPECT_TRUE(session.IsFatalError(lost));
  EXPECT_FALSE(session.IsKeyViolation(lost));
  EXPECT_FALSE(session.IsFatalError(duplicate));
  EXPECT_TRUE(session.IsKeyViolation(duplicate));
  EXPECT_FALSE(session.IsFatalError(missing));
  EXPECT_FALSE(session.IsKeyViolation(missing));
  EXPECT_TRUE(session.IsFatalError(EOraError(12571, "ORA-12571: TNS:packet writer failure")));
  EXPECT_FALSE(session.IsFatalError(classlib::Exception("not a server error")));
}

// ---- Connecting ---------------------------------------------------------------------------

TEST_F(OraSessionTest, ConnectAndDisconnectOnTheClientLibrary) {
  auto session = NewSession("scott/tiger@db1 as sysdba");
  session->InternalName = "updater";
  std::vector<bool> changes;
  session->OnConnectChange = TConnectChangeEvent::Function(
      [&](classlib::TObject*, bool connected) { changes.push_back(connected); });
  session->SetConnected(true);
  EXPECT_TRUE(session->Connected());
  EXPECT_TRUE(InOrder(standin_->Log(),
                      {"OCIEnvCreate mode=7", "OCIHandleAlloc type=2", "OCIHandleAlloc type=3",
                       "OCIServerAttach link=db1 mode=0", "OCIAttrSet htype=8 attr=25",
                       "OCIAttrSet htype=9 attr=22", "OCIAttrSet htype=9 attr=23",
                       "OCISessionBegin user=scott cred=1 mode=2", "OCIAttrSet htype=3 attr=7"}));
  EXPECT_EQ(session->OCICallStyle(), kOci8);
  EXPECT_EQ(session->GetServerVersion(), "10.2.0.1.0");
  EXPECT_TRUE(session_->Executed().empty()) << "a default session sends no statement";

  standin_->ClearLog();
  session->SetConnected(false);
  EXPECT_FALSE(session->Connected());
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCISessionEnd mode=0", "OCIServerDetach mode=0", "OCIHandleFree type=9",
                                        "OCIHandleFree type=8", "OCIHandleFree type=3"}));
  EXPECT_EQ(changes, (std::vector<bool>{true, false}));
  EXPECT_EQ(standin_->LiveHandles(), 2) << "the environment and its error handle stay";
}

TEST_F(OraSessionTest, APasswordAboutToExpireStillConnects) {
  standin_->InjectFault("OCISessionBegin", 1, OCI_SUCCESS_WITH_INFO, 28002,
                        "ORA-28002: the password will expire within 7 days");
  auto session = NewSession("scott/tiger@db1");
  session->SetConnected(true);
  EXPECT_TRUE(session->Connected());
  session->ExecSQL("begin null; end;");
  EXPECT_EQ(session_->Executed().back(), "begin null; end; ");
}

TEST_F(OraSessionTest, OlderCallStyleAndAWrongPassword) {
  auto session = NewSession("scott/tiger@db1");
  session->Options().SetUseOCI7(true);
  session->SetOCICallStyle(kOci7);
  session->SetConnected(true);
  EXPECT_TRUE(Contains(standin_->Log(), "olog user=scott link=db1 mode=0"));
  EXPECT_EQ(session->OCICallStyle(), kOci7);
  session->SetConnected(false);

  auto wrong = NewSession("scott/lion@db1");
  try {
    wrong->SetConnected(true);
    ADD_FAILURE() << "connected with a wrong password";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 1017);
  }
  EXPECT_FALSE(wrong->Connected());
  EXPECT_EQ(wrong->ConnectCount(), 0);
}

TEST_F(OraSessionTest, OptimizerModeFitsTheServer) {
  standin_->SetBanner("Oracle8i Enterprise Edition Release 8.1.7.0.0 - Production");
  auto session = NewSession();
  session->Options().SetOptimizerMode(omFirstRows10);
  EXPECT_TRUE(session_->Executed().empty()) << "nothing is sent while disconnected";
  session->SetConnected(true);
  EXPECT_TRUE(Executed("ALTER SESSION SET OPTIMIZER_MODE = FIRST_ROWS")) << "8.1 has no FIRST_ROWS_n";
  EXPECT_EQ(session_->Setting(session->OCIConnection()->GetSvcCtx(), "OPTIMIZER_MODE"), "FIRST_ROWS");
  session->SetConnected(false);

  standin_->SetBanner(kDefaultBannerForTests);
  session->SetConnected(true);
  EXPECT_EQ(session_->Setting(session->OCIConnection()->GetSvcCtx(), "OPTIMIZER_MODE"), "FIRST_ROWS_10");
  session->Options().SetOptimizerMode(omRule);
  EXPECT_EQ(session_->Setting(session->OCIConnection()->GetSvcCtx(), "OPTIMIZER_MODE"), "RULE")
      << "a connected session takes the mode at once";
  EXPECT_EQ(session->Options().OptimizerMode(), omRule);
}

TEST_F(OraSessionTest, SchemaAndClientIdentifierReachANewSession) {
  auto session = NewSession();
  session->SetSchema("hr");
  session->Options().SetClientIdentifier("clerk");
  EXPECT_EQ(session->Schema(), "hr") << "the stored text while disconnected";
  session->SetConnected(true);
  EXPECT_TRUE(Executed("ALTER SESSION SET CURRENT_SCHEMA = hr"));
  EXPECT_EQ(session->Schema(), "HR") << "the server's current schema";
  EXPECT_EQ(session_->ClientIdentifier(session->OCIConnection()->GetSvcCtx()), "clerk");

  session->SetSchema("");
  EXPECT_EQ(session->Schema(), "SCOTT") << "an empty name is the user's own schema";
  session->SetConnected(false);
  session->SetConnectMode(cmSysDBA);
  session->SetConnected(true);
  EXPECT_TRUE(Executed("ALTER SESSION SET CURRENT_SCHEMA = hr")) << "kept from before";
}

TEST_F(OraSessionTest, ASessionWhoseSchemaFailsIsNotLeftOpen) {
  auto session = NewSession();
  session->SetSchema("bad schema");
  EXPECT_NE(MessageOf([&] { session->SetConnected(true); }).find("ORA-00922"), std::string::npos);
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(standin_->LiveHandles(), 2);
}

TEST_F(OraSessionTest, OperationsThatNeedASessionRefuseWithoutOne) {
  auto session = NewSession();
  EXPECT_EQ(MessageOf([&] { session->GetServerVersion(); }),
            "Operation is not allowed when the connection is closed");
}

// ---- Statements -------------------------------------------------------------------------

TEST_F(OraSessionTest, ExecSQLBindsValuesInOrderAndAnswersResult) {
  auto session = NewSession();
  session->SetConnected(true);
  standin_->ClearLog();
  session->ExecSQL("begin update t set a = :n, b = :s, c = :rest where d = :n; end;", {7, std::string("x")});
  // Each value in its own type, a missing one as a null text; AutoCommit
  // commits with the execute itself.
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCIBindByName name=n type=3 size=4 mode=0",
                                        "OCIBindByName name=s type=5 size=2 mode=0",
                                        "OCIBindByName name=rest type=1 size=0 mode=0",
                                        "OCIStmtExecute iters=1 offset=0 mode=32"}));
  EXPECT_EQ(standin_->LogOf("OCIBindByName").size(), 3u) << "a name used twice is bound once";

  // Asked as any connection is, the session runs the statement itself.
  dacore::TCustomDAConnection& connection = *session;
  EXPECT_EQ(connection.ExecSQL("begin  :Result := SYS_CONTEXT ('USERENV', 'CURRENT_SCHEMA');end;").AsString(),
            "SCOTT");
  EXPECT_TRUE(classlib::VarIsEmpty(session->ExecSQL("ALTER SESSION SET NLS_DATE_FORMAT = 'YYYY'")));
}

TEST_F(OraSessionTest, ExecSQLConnectsForTheCallInDisconnectedMode) {
  auto session = NewSession();
  session->Options().SetDisconnectedMode(true);
  session->ExecSQL("INSERT INTO T VALUES (1)");
  EXPECT_FALSE(session->Connected()) << "the session opened for the call is closed again";
  EXPECT_EQ(session_->CommittedWork(), 1) << "AutoCommit committed the row";
}

// ---- Transactions ---------------------------------------------------------------------------

TEST_F(OraSessionTest, TransactionsFollowTheServersIdentifier) {
  auto session = NewSession();
  session->SetConnected(true);
  session->StartTransaction();
  EXPECT_TRUE(session->InTransaction());
  EXPECT_FALSE(session->GetTransactionID().empty());
  session->ExecSQL("INSERT INTO T VALUES (1)");
  EXPECT_EQ(session_->PendingWork(), 1) << "no commit inside a transaction";
  session->Commit();
  EXPECT_FALSE(session->InTransaction());
  EXPECT_EQ(session_->CommittedWork(), 1);

  // The transaction ends behind the component's back.
  session->StartTransaction();
  session->OCIConnection()->Commit();
  EXPECT_FALSE(session->InTransaction());
  EXPECT_TRUE(session->OCIConnection()->AutoCommit) << "the driver takes the component's AutoCommit again";
  session->ExecSQL("DELETE FROM T");
  EXPECT_EQ(session_->PendingWork(), 0);
}

TEST_F(OraSessionTest, DisconnectCommitsAnOpenTransaction) {
  auto session = NewSession();
  session->SetConnected(true);
  session->StartTransaction();
  session->ExecSQL("INSERT INTO T VALUES (1)");
  session->SetConnected(false);
  EXPECT_EQ(session_->CommittedWork(), 1);
}

// ---- Fail-over ------------------------------------------------------------------------------

TEST_F(OraSessionTest, FailoverIsReportedInTheApplicationsTerms) {
  auto session = NewSession();
  std::vector<std::pair<TFailoverState, TFailoverType>> heard;
  session->OnFailover = TFailoverEvent::Function(
      [&](classlib::TObject* sender, TFailoverState state, TFailoverType type, bool& retry) {
        EXPECT_EQ(sender, session.get());
        heard.emplace_back(state, type);
        retry = state == fsError;
      });
  session->SetConnected(true);
  EXPECT_EQ(session_->TriggerFailover(OCI_FO_SELECT, 1), 3);
  EXPECT_EQ(heard, (std::vector<std::pair<TFailoverState, TFailoverType>>{
                       {fsBegin, ftSelect}, {fsError, ftSelect}, {fsEnd, ftSelect}}));
  EXPECT_EQ(FailoverStateOf(4), fsReauth);
  EXPECT_EQ(FailoverStateOf(3), fsUnknown);
  EXPECT_EQ(FailoverTypeOf(8), ftTransaction);
  EXPECT_EQ(FailoverTypeOf(16), ftUnknown);
}

}  // namespace
}  // namespace oracle::testing
