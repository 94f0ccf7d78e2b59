// Global transactions on the stand-in's sessions: branches started with
// their identifiers, the two-phase commit, a branch that cannot prepare
// rolling every branch back, read-only branches, and the default action a
// session's disconnect takes.
#include <memory>
#include <string>
#include <vector>

#include "oracle/error_ora.h"
#include "oracle/gtx_global_transaction.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/conn_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class GlobalTransactionTest : public ConnectionTest {
 protected:
  void TearDown() override {
    transaction.reset();
    sessions.clear();
    ConnectionTest::TearDown();
  }

  TOraSession& Connected() {
    auto session = std::make_unique<TOraSession>();
    session->SetConnectString("scott/tiger@db1");
    session->SetAutoCommit(false);
    session->SetConnected(true);
    sessions.push_back(std::move(session));
    return *sessions.back();
  }

  // Three sessions enlisted, each with one row inserted.
  void ThreeBranchesWithWork() {
    for (int i = 0; i < 3; ++i) {
      TOraSession& session = Connected();
      transaction->Enlist(*session.OCIConnection());
      session.ExecSQL("INSERT INTO T VALUES (1)");
    }
    standin_->ClearLog();
  }

  std::vector<std::unique_ptr<TOraSession>> sessions;
  std::unique_ptr<TOCIGlobalTransaction> transaction = std::make_unique<TOCIGlobalTransaction>("batch-7");
};

TEST_F(GlobalTransactionTest, EachBranchStartsWithItsOwnIdentifierOnItsContext) {
  TOraSession& first = Connected();
  TOraSession& second = Connected();
  standin_->ClearLog();
  transaction->Enlist(*first.OCIConnection());
  transaction->Enlist(*second.OCIConnection());
  EXPECT_TRUE(InOrder(standin_->Log(),
                      {"OCIHandleAlloc type=10", "OCIAttrSet htype=10 attr=27", "OCIAttrSet htype=3 attr=8",
                       "OCITransStart xid=batch-7.1 timeout=60 flags=1", "OCIHandleAlloc type=10",
                       "OCITransStart xid=batch-7.2 timeout=60 flags=1"}));
  EXPECT_TRUE(transaction->Active());
  EXPECT_EQ(first.OCIConnection()->GlobalTransaction(), transaction.get());
  EXPECT_EQ(MessageOf([&] { transaction->Enlist(*first.OCIConnection()); }),
            "Cannot perform operation when transaction is active")
      << "a connection is a branch of one transaction at a time";
}

// A branch's session is in a transaction while the global one is active,
// though it started none of its own.
TEST_F(GlobalTransactionTest, ABranchsSessionIsInTransactionWhileTheGlobalOneIsActive) {
  TOraSession& session = Connected();
  EXPECT_FALSE(session.InTransaction());
  transaction->Enlist(*session.OCIConnection());
  EXPECT_TRUE(session.InTransaction());
  session.ExecSQL("INSERT INTO T VALUES (1)");
  transaction->Commit();
  EXPECT_FALSE(session.InTransaction());
  EXPECT_EQ(session_->CommittedWork(), 1);
}

TEST_F(GlobalTransactionTest, CommitPreparesEveryBranchThenCommitsInTwoPhases) {
  ThreeBranchesWithWork();
  int handles = standin_->LiveHandles();
  transaction->Commit();
  EXPECT_TRUE(InOrder(standin_->Log(),
                      {"OCITransPrepare flags=0", "OCITransPrepare flags=0", "OCITransPrepare flags=0",
                       "OCITransCommit flags=16777216", "OCITransCommit flags=16777216",
                       "OCITransCommit flags=16777216", "OCIAttrSet htype=3 attr=8", "OCIHandleFree type=10"}));
  EXPECT_EQ(session_->CommittedWork(), 3);
  EXPECT_EQ(session_->PendingWork(), 0);
  EXPECT_FALSE(transaction->Active());
  EXPECT_EQ(standin_->LiveHandles(), handles - 3) << "the transaction handles are freed";
  for (auto& session : sessions) EXPECT_EQ(session->OCIConnection()->GlobalTransaction(), nullptr);
  EXPECT_EQ(MessageOf([&] { transaction->Commit(); }), "Transaction must be active to perform this operation");
}

TEST_F(GlobalTransactionTest, ABranchThatFailsToPrepareRollsEveryBranchBack) {
  ThreeBranchesWithWork();
  standin_->InjectFault("OCITransPrepare", 2, -1, 2091, "ORA-02091: transaction rolled back");
  try {
    transaction->Commit();
    FAIL() << "the commit must fail";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 2091);
    EXPECT_NE(std::string(e.what()).find("ORA-02091"), std::string::npos) << e.what();
  }
  EXPECT_EQ(standin_->LogOf("OCITransCommit").size(), 0u) << "no branch committed";
  EXPECT_EQ(standin_->LogOf("OCITransRollback").size(), 3u) << "the prepared, failed and unprepared branch";
  EXPECT_EQ(session_->CommittedWork(), 0);
  EXPECT_EQ(session_->PendingWork(), 0);
  EXPECT_FALSE(transaction->Active());
  for (auto& session : sessions) EXPECT_EQ(session->OCIConnection()->GlobalTransaction(), nullptr);
}

TEST_F(GlobalTransactionTest, ReadOnlyBranchesEndAtPrepareAndOneBranchCommitsInOnePhase) {
  TOraSession& reader = Connected();
  TOraSession& writer = Connected();
  transaction->Enlist(*reader.OCIConnection());
  transaction->Enlist(*writer.OCIConnection());
  writer.ExecSQL("UPDATE T SET A = 1");
  standin_->ClearLog();
  transaction->Commit();
  EXPECT_EQ(standin_->LogOf("OCITransPrepare").size(), 2u);
  EXPECT_EQ(standin_->LogOf("OCITransCommit"), (std::vector<std::string>{"OCITransCommit flags=16777216"}))
      << "only the branch with work is committed";
  EXPECT_EQ(session_->CommittedWork(), 1);

  TOCIGlobalTransaction single("solo");
  single.Enlist(*writer.OCIConnection());
  writer.ExecSQL("UPDATE T SET A = 2");
  standin_->ClearLog();
  single.Commit();
  EXPECT_TRUE(standin_->LogOf("OCITransPrepare").empty());
  EXPECT_EQ(standin_->LogOf("OCITransCommit"), (std::vector<std::string>{"OCITransCommit flags=0"}));
  EXPECT_EQ(session_->CommittedWork(), 2);
}

TEST_F(GlobalTransactionTest, DisconnectEndsTheTransactionWithItsDefaultAction) {
  ThreeBranchesWithWork();
  transaction->SetDefaultAction(gdaRollback);
  sessions[1]->SetConnected(false);
  EXPECT_FALSE(transaction->Active());
  EXPECT_EQ(standin_->LogOf("OCITransRollback").size(), 3u);
  EXPECT_EQ(session_->CommittedWork(), 0);

  auto commits = std::make_unique<TOCIGlobalTransaction>("batch-8");
  TOraSession& a = Connected();
  TOraSession& b = Connected();
  commits->Enlist(*a.OCIConnection());
  commits->Enlist(*b.OCIConnection());
  a.ExecSQL("INSERT INTO T VALUES (2)");
  b.ExecSQL("INSERT INTO T VALUES (3)");
  b.SetConnected(false);
  EXPECT_EQ(session_->CommittedWork(), 2) << "the default action commits both branches";
}

TEST_F(GlobalTransactionTest, ATransactionDroppedWhileActiveRollsBack) {
  ThreeBranchesWithWork();
  EXPECT_EQ(MessageOf([&] { transaction->CheckActive(false); }),
            "Cannot perform operation when transaction is active");
  transaction.reset();
  EXPECT_EQ(standin_->LogOf("OCITransRollback").size(), 3u);
  EXPECT_EQ(session_->CommittedWork(), 0);
}

}  // namespace
}  // namespace oracle::testing
