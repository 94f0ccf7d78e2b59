// Savepoints as the server keeps them, on the SQLite tier: a rollback to a
// savepoint undoes the work after it and keeps the savepoint, also when the
// savepoint began the transaction; and the data set's immediate lock, taken
// under its savepoint, is given back once by a post that stores nothing.
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "oracle/tests/query_sqlite_fixture.h"

namespace oracle::testing {
namespace {

class LockSavepointTest : public SqliteTierTest {
 protected:
  std::vector<std::string> Ids(TOraSession& session) {
    auto query = NewQuery(session, "SELECT ID FROM T ORDER BY ID");
    std::vector<std::string> ids;
    for (const std::string& row : Rows(*query)) ids.push_back(row);
    return ids;
  }
  // Whether another session gets the row's lock at once.
  bool RowFree(int id) {
    TOraSession& other = Connect();
    other.SetAutoCommit(false);
    try {
      other.ExecSQL("SELECT * FROM T WHERE ID = " + std::to_string(id) + " FOR UPDATE NOWAIT", {});
    } catch (const EOraError&) {
      other.Rollback();
      return false;
    }
    other.Rollback();
    return true;
  }
};

// The server's rule: ROLLBACK TO SAVEPOINT keeps the named savepoint, so the
// same rollback may be run again; the locks taken after it are released.
TEST_F(LockSavepointTest, RollbackToASavepointKeepsItWhereverItStands) {
  TOraSession& session = Connect();
  session.SetAutoCommit(false);
  session.StartTransaction();
  session.Savepoint("FIRST");  // the savepoint that begins the transaction
  session.ExecSQL("INSERT INTO T (ID) VALUES (10)", {});
  EXPECT_FALSE(RowFree(10)) << "the new row is this session's";
  session.RollbackToSavepoint("FIRST");
  EXPECT_TRUE(RowFree(1)) << "no lock of the undone work remains";
  EXPECT_NO_THROW(session.RollbackToSavepoint("FIRST")) << "the savepoint stays established";
  session.ExecSQL("INSERT INTO T (ID) VALUES (11)", {});
  session.Savepoint("SECOND");
  session.ExecSQL("INSERT INTO T (ID) VALUES (12)", {});
  session.RollbackToSavepoint("SECOND");
  EXPECT_NO_THROW(session.RollbackToSavepoint("SECOND"));
  EXPECT_NO_THROW(session.RollbackToSavepoint("FIRST")) << "an earlier savepoint too";
  session.ExecSQL("INSERT INTO T (ID) VALUES (13)", {});
  session.Commit();
  EXPECT_EQ(Ids(Connect()), (std::vector<std::string>{"1", "2", "3", "13"}));
}

// An immediate lock after an insert: the edit that changes nothing gives
// the lock back once, and the row is free for others and for the next edit.
TEST_F(LockSavepointTest, PostThatStoresNothingGivesTheImmediateLockBackOnce) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID, GUID_COL FROM T");
  query->SetName("oraQ");
  query->SetLockMode(lmLockImmediate);
  query->SetKeyFields("ID");
  query->Open();
  query->Append();
  query->FieldByName("ID")->SetAsInteger(7);
  query->FieldByName("GUID_COL")->SetAsString("{N}");
  query->Post();
  auto rollbacks = [&] {
    int count = 0;
    for (const std::string& line : Executed())
      if (line == "ROLLBACK TO SAVEPOINT LOCK_oraQ") ++count;
    return count;
  };
  const int before = rollbacks();
  query->Edit();
  EXPECT_FALSE(RowFree(7)) << "the edit holds the row";
  EXPECT_NO_THROW(query->Post());
  EXPECT_EQ(query->State(), classlib::dsBrowse);
  EXPECT_EQ(rollbacks() - before, 1) << ::testing::PrintToString(Executed());
  EXPECT_TRUE(RowFree(7)) << "the lock went with the savepoint";
  query->Edit();
  query->FieldByName("GUID_COL")->SetAsString("{M}");
  query->Post();
  auto check = NewQuery(Connect(), "SELECT GUID_COL FROM T WHERE ID = 7");
  EXPECT_EQ(Rows(*check), (std::vector<std::string>{"{M}"}));
}

}  // namespace
}  // namespace oracle::testing
