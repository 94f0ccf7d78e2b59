// A session in disconnected mode on the stand-in's SQLite tier, driven as an
// application drives it: each operation of the query and statement
// components with AutoCommit on and off, and what follows it: whether the
// session is still connected, the uses it counts, the work the server holds
// pending and what another session sees committed.
#include <functional>
#include <memory>
#include <string>

#include "classlib/field.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_options.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

constexpr const char* kRow1 = "SELECT ID, GUID_COL FROM T WHERE ID = 1";

class DisconnectedSessionTest : public SqliteTierTest {
 protected:
  // A session of scott/tiger@db1 in disconnected mode, not connected yet.
  std::unique_ptr<TOraSession> NewSession(bool auto_commit) {
    auto session = std::make_unique<TOraSession>();
    session->SetConnectString("scott/tiger@db1");
    session->Options().SetDisconnectedMode(true);
    session->SetAutoCommit(auto_commit);
    return session;
  }
  std::unique_ptr<TOraQuery> Row1Query(TOraSession& session) {
    auto query = NewQuery(session, kRow1);
    query->SetKeyFields("ID");
    query->SetAutoCommit(session.AutoCommit());
    return query;
  }
  static std::string Update(const std::string& value) {
    return "UPDATE T SET GUID_COL = '" + value + "' WHERE ID = 1";
  }
  // Row 1's GUID_COL as a session of its own reads it.
  std::string Committed() {
    TOraSession reader;
    reader.SetConnectString("scott/tiger@db1");
    auto query = NewQuery(reader, "SELECT GUID_COL FROM T WHERE ID = 1");
    query->Open();
    std::string value = query->FieldByNumber(1)->AsString();
    query->Close();
    return value;
  }

  // What the operation left: the work is the value it wrote (empty for
  // none). Uncommitted work keeps the connection and waits for the commit;
  // committed work (or none) lets the session close.
  void ExpectAfter(TOraSession& session, bool pending, const std::string& work) {
    EXPECT_EQ(session.ConnectCount(), 0) << "no use is left behind";
    EXPECT_EQ(session.Connected(), pending) << "connected only while work waits for its commit";
    EXPECT_EQ(session.InTransaction(), pending);
    EXPECT_EQ(session_->PendingWork(), pending ? 1 : 0);
    if (!work.empty()) {
      EXPECT_EQ(Committed() == work, !pending) << "others see committed work only";
    }
  }
  // Commits work left pending: the session closes, the work stays.
  void CommitAndExpect(TOraSession& session, const std::string& work) {
    session.Commit();
    EXPECT_FALSE(session.Connected());
    EXPECT_FALSE(session.InTransaction());
    EXPECT_EQ(session_->PendingWork(), 0);
    EXPECT_EQ(Committed(), work);
  }
  // Runs the operation with AutoCommit on, then off, and checks each.
  void ForBothAutoCommits(bool writes, const std::function<void(TOraSession&, const std::string&)>& operation) {
    for (const bool auto_commit : {true, false}) {
      SCOPED_TRACE(auto_commit ? "AutoCommit on" : "AutoCommit off");
      auto session = NewSession(auto_commit);
      const std::string work = writes ? std::string(auto_commit ? "{on}" : "{off}") : "";
      operation(*session, work);
      const bool pending = writes && !auto_commit;
      ExpectAfter(*session, pending, work);
      if (pending) CommitAndExpect(*session, work);
    }
  }
};

// ---- Reading ---------------------------------------------------------------------------

TEST_F(DisconnectedSessionTest, AnOpenQueryHoldsOneUseUntilItCloses) {
  ForBothAutoCommits(false, [&](TOraSession& session, const std::string&) {
    auto query = Row1Query(session);
    query->SetFetchAll(true);
    query->Open();
    EXPECT_TRUE(session.Connected());
    EXPECT_EQ(session.ConnectCount(), 1);
    query->Close();
  });
}

// The prepare an Execute makes for itself is the Execute's, not the user's:
// the open cursor holds the only use, and Close gives it back.
TEST_F(DisconnectedSessionTest, AQueryRunByExecuteGivesItsUseBackAtClose) {
  ForBothAutoCommits(false, [&](TOraSession& session, const std::string&) {
    auto query = Row1Query(session);
    query->Execute();
    ASSERT_TRUE(query->Active());
    EXPECT_EQ(query->FieldByName("GUID_COL")->AsString(), "{A}");
    EXPECT_EQ(session.ConnectCount(), 1) << "the cursor's use only";
    query->Close();
    EXPECT_EQ(session.ConnectCount(), 0);
    EXPECT_FALSE(session.Connected());
    // Run again, the query reads the row afresh on a new connection.
    query->Execute();
    EXPECT_EQ(query->FieldByName("GUID_COL")->AsString(), "{A}");
    query->Close();
  });
}

// Outside disconnected mode too: the count is as before the Execute.
TEST_F(DisconnectedSessionTest, ConnectedSessionCountsNoUseForAnExecutedQueryAfterClose) {
  auto session = NewSession(true);
  session->Options().SetDisconnectedMode(false);
  session->SetConnected(true);
  const int before = session->ConnectCount();
  auto query = Row1Query(*session);
  query->Execute();
  EXPECT_EQ(session->ConnectCount(), before + 1);
  query->Close();
  EXPECT_EQ(session->ConnectCount(), before);
  query->UnPrepare();
  EXPECT_EQ(session->ConnectCount(), before) << "the execute's prepare held nothing to give back";
  // A prepare the user asks for holds its use until UnPrepare.
  query->Prepare();
  EXPECT_EQ(session->ConnectCount(), before + 1);
  query->Execute();
  query->Close();
  EXPECT_EQ(session->ConnectCount(), before + 1);
  query->UnPrepare();
  EXPECT_EQ(session->ConnectCount(), before);
}

// A statement the server refuses leaves no use and no work behind: the
// session closes, whatever AutoCommit says.
TEST_F(DisconnectedSessionTest, AQueryWhoseStatementFailsGivesItsUseBack) {
  ForBothAutoCommits(false, [&](TOraSession& session, const std::string&) {
    auto query = NewQuery(session, "UPDATE NO_SUCH_TABLE SET ID = 1");
    query->SetAutoCommit(session.AutoCommit());
    EXPECT_EQ(OracleErrorOf([&] { query->Execute(); }).substr(0, 3), "942");
  });
}

// ---- Writing ---------------------------------------------------------------------------

TEST_F(DisconnectedSessionTest, AnUpdateRunByAQueryKeepsUncommittedWork) {
  ForBothAutoCommits(true, [&](TOraSession& session, const std::string& work) {
    auto query = NewQuery(session, Update(work));
    query->SetAutoCommit(session.AutoCommit());
    query->Execute();
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(query->RowsAffected(), 1);
  });
}

TEST_F(DisconnectedSessionTest, APostedEditKeepsUncommittedWorkPastClose) {
  ForBothAutoCommits(true, [&](TOraSession& session, const std::string& work) {
    auto query = Row1Query(session);
    query->Open();
    query->Edit();
    query->FieldByName("GUID_COL")->SetAsString(work);
    query->Post();
    query->Close();
  });
}

TEST_F(DisconnectedSessionTest, ExecSQLKeepsUncommittedWork) {
  ForBothAutoCommits(true, [&](TOraSession& session, const std::string& work) { session.ExecSQL(Update(work)); });
}

TEST_F(DisconnectedSessionTest, AStatementKeepsUncommittedWork) {
  ForBothAutoCommits(true, [&](TOraSession& session, const std::string& work) {
    TOraSQL statement;
    statement.SetSession(&session);
    statement.SetAutoCommit(session.AutoCommit());
    statement.SetSQL(Update(work));
    statement.Execute();
    EXPECT_EQ(statement.RowsAffected(), 1);
  });
}

// A prepared statement holds its use until UnPrepare; the work it leaves
// holds the connection past that.
TEST_F(DisconnectedSessionTest, APreparedStatementKeepsUncommittedWorkPastUnPrepare) {
  ForBothAutoCommits(true, [&](TOraSession& session, const std::string& work) {
    TOraSQL statement;
    statement.SetSession(&session);
    statement.SetAutoCommit(session.AutoCommit());
    statement.SetSQL(Update(work));
    statement.Prepare();
    EXPECT_EQ(session.ConnectCount(), 1);
    statement.Execute();
    EXPECT_EQ(session.ConnectCount(), 1);
    statement.UnPrepare();
  });
}

// A statement commits only when its own AutoCommit is on too; left at its
// default (off), its work waits for the session's commit.
TEST_F(DisconnectedSessionTest, AStatementAtItsDefaultAutoCommitLeavesItsWorkPending) {
  auto session = NewSession(true);
  TOraSQL statement;
  statement.SetSession(session.get());
  statement.SetSQL(Update("{default}"));
  statement.Execute();
  ExpectAfter(*session, true, "{default}");
  // A rollback throws the work away and lets the session close.
  session->Rollback();
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(session_->PendingWork(), 0);
  EXPECT_EQ(Committed(), "{A}");
}

TEST_F(DisconnectedSessionTest, AppliedCachedUpdatesKeepUncommittedWork) {
  ForBothAutoCommits(true, [&](TOraSession& session, const std::string& work) {
    auto query = Row1Query(session);
    query->SetCachedUpdates(true);
    query->Open();
    query->Edit();
    query->FieldByName("GUID_COL")->SetAsString(work);
    query->Post();
    EXPECT_EQ(session_->PendingWork(), 0) << "cached until applied";
    query->ApplyUpdates();
    query->CommitUpdates();
    query->Close();
  });
}

// The session's own apply runs in a transaction of its own, which it
// commits whatever AutoCommit says; the query's cursor keeps its use.
TEST_F(DisconnectedSessionTest, TheSessionsApplyCommitsAndLetsTheSessionClose) {
  for (const bool auto_commit : {true, false}) {
    SCOPED_TRACE(auto_commit ? "AutoCommit on" : "AutoCommit off");
    auto session = NewSession(auto_commit);
    auto query = Row1Query(*session);
    query->SetCachedUpdates(true);
    query->Open();
    query->Edit();
    const std::string work = auto_commit ? "{all on}" : "{all off}";
    query->FieldByName("GUID_COL")->SetAsString(work);
    query->Post();
    session->ApplyUpdates({query.get()});
    EXPECT_EQ(session->ConnectCount(), 1) << "the open cursor's use";
    EXPECT_FALSE(session->InTransaction());
    EXPECT_EQ(Committed(), work);
    query->Close();
    ExpectAfter(*session, false, work);
  }
}

// Closing the session commits the work it holds, as any disconnect does.
TEST_F(DisconnectedSessionTest, ClosingTheSessionCommitsTheWorkItHolds) {
  auto session = NewSession(false);
  session->ExecSQL(Update("{closed}"));
  ASSERT_TRUE(session->InTransaction());
  session->SetConnected(false);
  EXPECT_EQ(session_->PendingWork(), 0);
  EXPECT_EQ(Committed(), "{closed}");
  EXPECT_FALSE(session->InTransaction());
}

// Work the server ended itself (data definition commits) no longer holds
// the connection.
TEST_F(DisconnectedSessionTest, WorkTheServerCommittedItselfLetsTheSessionClose) {
  auto session = NewSession(false);
  session->ExecSQL(Update("{ddl}"));
  ASSERT_TRUE(session->Connected());
  session->ExecSQL("CREATE TABLE T2 (ID NUMBER(9))");
  EXPECT_FALSE(session->InTransaction());
  EXPECT_EQ(Committed(), "{ddl}");
  session->ExecSQL("SELECT 1 FROM DUAL");
  EXPECT_FALSE(session->Connected());
}

}  // namespace
}  // namespace oracle::testing
