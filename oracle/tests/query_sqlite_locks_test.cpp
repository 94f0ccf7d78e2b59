// Row locks of the Oracle data set on the SQLite tier: the LOCK_ savepoint,
// the FOR UPDATE NOWAIT statement, and what happens when another session
// holds the row.
#include <fstream>
#include <memory>
#include <string>

#include "classlib/field.h"
#include "dacore/blob.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

// ---- Row locks ----------------------------------------------------------------------------

class SqliteTierLockTest : public SqliteTierTest {
 protected:
  // A session whose UPDATE of row 1 stays uncommitted: it holds the lock.
  void HoldRowLock() {
    TOraSession& holder = Connect();
    holder.SetAutoCommit(false);
    auto query = NewQuery(holder, "UPDATE T SET GUID_COL = '{A}' WHERE ID = 1");
    query->SetAutoCommit(false);
    query->Execute();
  }
  std::unique_ptr<TOraQuery> OpenForEdit(TOraSession& session, TLockMode mode) {
    auto query = NewQuery(session, "SELECT ID, GUID_COL FROM T WHERE ID = 1");
    query->SetName("oraQ");
    query->SetLockMode(mode);
    query->Open();
    return query;
  }
};

TEST_F(SqliteTierLockTest, DelayedLockIsTakenUnderASavepointBeforeTheUpdate) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockDelayed);
  query->Edit();
  query->FieldByNumber(2)->SetAsString("{Z}");
  query->Post();
  EXPECT_TRUE(InOrder(Executed(),
                      {"SAVEPOINT LOCK_oraQ", "SELECT * FROM T", "WHERE", "  ID = :Old_ID", "FOR UPDATE NOWAIT",
                       "UPDATE T", "SET", "  GUID_COL = :GUID_COL", "WHERE", "  ID = :Old_ID"}))
      << ::testing::PrintToString(Executed());
  EXPECT_EQ(ReadBlobs().count("{Z}"), 1u) << "the update committed";
}

TEST_F(SqliteTierLockTest, RefusedLockRollsBackToItsSavepointAndLeavesTheRow) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockDelayed);
  HoldRowLock();
  query->Edit();
  query->FieldByNumber(2)->SetAsString("{Z}");
  EXPECT_EQ(OracleErrorOf([&] { query->Post(); }), "54 ORA-00054:") << "the row is locked by another session";
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "ROLLBACK TO SAVEPOINT LOCK_oraQ"}));
  for (const std::string& line : Executed()) EXPECT_NE(line, "UPDATE T") << "no update after a refused lock";
  query->Cancel();
}

TEST_F(SqliteTierLockTest, PostWithNothingToStoreGivesTheLockBack) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockDelayed);
  query->Edit();
  query->Post();
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "FOR UPDATE NOWAIT", "ROLLBACK TO SAVEPOINT LOCK_oraQ"}))
      << ::testing::PrintToString(Executed());
}

TEST_F(SqliteTierLockTest, DeleteLocksItsRowFirst) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  standin_->ClearLog();
  query->Delete();
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "FOR UPDATE NOWAIT", "DELETE FROM T"}))
      << ::testing::PrintToString(Executed());
  EXPECT_TRUE(standin_->LogOf("OCIRowidToChar").empty()) << "a delete and a lock have no ROWID to read";
  EXPECT_EQ(ReadBlobs().count("{A}"), 0u);
}

TEST_F(SqliteTierLockTest, CancelledEditGivesItsImmediateLockBack) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  query->Edit();
  query->Cancel();
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "FOR UPDATE NOWAIT", "ROLLBACK TO SAVEPOINT LOCK_oraQ"}))
      << ::testing::PrintToString(Executed());
  auto other = NewQuery(Connect(), "UPDATE T SET GUID_COL = '{O}' WHERE ID = 1");
  EXPECT_NO_THROW(other->Execute()) << "another session may write the row again";
}

// Without a session of its own a query works on the default session
// through and through: its key from the dictionary, its lock under the
// savepoint, and the lock given back when the edit is cancelled.
TEST_F(SqliteTierLockTest, QueryWithoutASessionLocksOnTheDefaultSession) {
  TOraSession& session = Connect();
  ASSERT_EQ(TOraSession::DefaultSession(), &session);
  TOraQuery query;
  query.SetName("oraQ");
  query.SetSQL("SELECT ID, GUID_COL FROM T WHERE ID = 1");
  query.SetLockMode(lmLockImmediate);
  query.Open();
  EXPECT_EQ(query.Session(), &session);
  query.Edit();
  query.Cancel();
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "SELECT * FROM T", "WHERE", "  ID = :Old_ID",
                                   "FOR UPDATE NOWAIT", "ROLLBACK TO SAVEPOINT LOCK_oraQ"}))
      << ::testing::PrintToString(Executed());
  auto other = NewQuery(Connect(), "UPDATE T SET GUID_COL = '{O}' WHERE ID = 1");
  EXPECT_NO_THROW(other->Execute()) << "the cancelled edit's lock is gone";
}

TEST_F(SqliteTierLockTest, EditUnderAnImmediateLockGivesItsConnectionUseBack) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  const int uses = session.ConnectCount();
  query->Edit();
  EXPECT_EQ(session.ConnectCount(), uses + 1) << "the edit holds the connection for its lock";
  query->FieldByNumber(2)->SetAsString("{E}");
  query->Post();
  EXPECT_EQ(session.ConnectCount(), uses);
  query->Edit();
  query->Cancel();
  EXPECT_EQ(session.ConnectCount(), uses);
}

TEST_F(SqliteTierLockTest, ImmediateLockIsTakenAtEdit) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  HoldRowLock();
  const int uses = session.ConnectCount();
  EXPECT_THROW(query->Edit(), EOraError);
  EXPECT_EQ(session.ConnectCount(), uses) << "a refused edit holds no connection";
  EXPECT_EQ(query->State(), classlib::dsBrowse) << "a refused lock leaves the record unedited";
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "ROLLBACK TO SAVEPOINT LOCK_oraQ"}));
}

// ---- The statement an edit locks with -----------------------------------------------------

class SqliteTierEditLockTest : public SqliteTierLockTest {
 protected:
  // Another session changes row 1 and commits.
  void ChangeElsewhere(const std::string& guid) {
    auto other = NewQuery(Connect(), "UPDATE T SET GUID_COL = '" + guid + "' WHERE ID = 1");
    other->Execute();
  }
  // Whether an immediate lock of row 1 by another session is refused with ORA-00054.
  std::string OtherSessionsLock() {
    auto other = OpenForEdit(Connect(), lmLockImmediate);
    const std::string error = OracleErrorOf([&] { other->Edit(); });
    if (other->State() == classlib::dsEdit) other->Cancel();
    return error;
  }
};

TEST_F(SqliteTierEditLockTest, UsersOwnLockStatementRunsAsItIs) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  query->SQLLock().SetText("SELECT ID FROM T WHERE ID = :OLD_ID FOR UPDATE NOWAIT");
  query->SetRefreshOptions({dacore::roBeforeEdit});
  ChangeElsewhere("{C}");
  query->Edit();
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "SELECT ID FROM T WHERE ID = :OLD_ID FOR UPDATE NOWAIT"}))
      << ::testing::PrintToString(Executed());
  EXPECT_EQ(query->FieldByNumber(2)->AsString(), "{A}") << "the user's lock reads nothing into the record";
  EXPECT_EQ(OtherSessionsLock(), "54 ORA-00054:") << "the lock is held during the edit";
  query->Cancel();
  EXPECT_EQ(OtherSessionsLock(), "(no error)") << "the cancel gave the lock back";
}

TEST_F(SqliteTierEditLockTest, LockClauseCompletesTheRefreshStatement) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  query->SQLRefresh().SetText("SELECT GUID_COL FROM T WHERE ID = :ID");
  query->SQLLock().SetText("FOR UPDATE NOWAIT");
  query->Edit();
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "SELECT GUID_COL FROM T WHERE ID = :ID", "FOR UPDATE NOWAIT"}))
      << ::testing::PrintToString(Executed());
  query->FieldByNumber(2)->SetAsString("{L}");
  query->Post();
  EXPECT_EQ(ReadBlobs().count("{L}"), 1u);
}

TEST_F(SqliteTierEditLockTest, LockClauseWithoutRefreshTextCompletesTheGeneratedRefresh) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  query->SQLLock().SetText("for update nowait");
  query->Edit();
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "SELECT ID AS _0, GUID_COL AS _1 FROM T", "WHERE",
                                   "  ID = :ID", "for update nowait"}))
      << ::testing::PrintToString(Executed());
  EXPECT_EQ(OtherSessionsLock(), "54 ORA-00054:");
  query->Cancel();
}

TEST_F(SqliteTierEditLockTest, RefreshBeforeEditReadsTheRowItLocks) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  query->SQLRefresh().SetText("SELECT GUID_COL FROM T WHERE ID = :ID");
  query->SetRefreshOptions({dacore::roBeforeEdit});
  ChangeElsewhere("{R}");
  query->Edit();
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "SELECT GUID_COL FROM T WHERE ID = :ID", "FOR UPDATE NOWAIT"}))
      << ::testing::PrintToString(Executed());
  EXPECT_EQ(query->FieldByNumber(2)->AsString(), "{R}") << "the edit starts from the row as it is now";
  EXPECT_EQ(OtherSessionsLock(), "54 ORA-00054:");
  query->FieldByNumber(2)->SetAsString("{S}");
  query->Post();
  EXPECT_EQ(OtherSessionsLock(), "(no error)") << "the update's commit ended the lock";
  EXPECT_EQ(ReadBlobs().count("{S}"), 1u);
}

TEST_F(SqliteTierEditLockTest, RefreshBeforeEditWithoutRefreshTextUsesTheLockStatement) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  query->SetRefreshOptions({dacore::roBeforeEdit});
  ChangeElsewhere("{G}");
  query->Edit();
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "SELECT * FROM T", "WHERE", "  ID = :Old_ID",
                                   "FOR UPDATE NOWAIT"}))
      << ::testing::PrintToString(Executed());
  EXPECT_EQ(query->FieldByNumber(2)->AsString(), "{G}") << "columns found by their names";
  query->Cancel();
  EXPECT_EQ(query->FieldByNumber(2)->AsString(), "{G}") << "a cancel keeps what was read";
}

TEST_F(SqliteTierEditLockTest, RowGoneBeforeTheEditIsNotEdited) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  query->SetRefreshOptions({dacore::roBeforeEdit});
  auto other = NewQuery(Connect(), "DELETE FROM T WHERE ID = 1");
  other->Execute();
  EXPECT_THROW(query->Edit(), classlib::EDatabaseError);
  EXPECT_EQ(query->State(), classlib::dsBrowse);
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "FOR UPDATE NOWAIT", "ROLLBACK TO SAVEPOINT LOCK_oraQ"}));
}
}  // namespace
}  // namespace oracle::testing
