// Change notifications reflected by a query that selects only some rows,
// on the stand-in's SQLite tier: a notified row is read with the query's
// own conditions (its WHERE clause, its parameters, a detail's link to its
// master), and a row the query would not select is left out, or taken out
// when it was shown, without an error reaching the application.
#include <memory>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "oracle/tests/notify_control.h"
#include "oracle/tests/query_sqlite_fixture.h"

namespace oracle::testing {
namespace {

class NotifyConditionsTest : public SqliteTierTest {
 protected:
  void SetUp() override {
    SqliteTierTest::SetUp();
    ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE EMP (ID NUMBER(9) PRIMARY KEY, DEPT NUMBER(9), SAL NUMBER(9))"), "");
    ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE DEPT (ID NUMBER(9) PRIMARY KEY)"), "");
    control_ = std::make_unique<NotifyControl>(ORACLE_STANDIN_PATH);
    writer_ = &Connect();
    Run("INSERT INTO DEPT VALUES (1)");
    Run("INSERT INTO DEPT VALUES (2)");
    Run("INSERT INTO EMP VALUES (1, 1, 100)");
    Run("INSERT INTO EMP VALUES (2, 2, 200)");
    Run("INSERT INTO EMP VALUES (3, 1, 900)");
    component_ = std::make_unique<TOraChangeNotification>();
  }
  void TearDown() override {
    control_->Join();
    component_.reset();
    control_.reset();
    SqliteTierTest::TearDown();
  }

  void Run(const std::string& sql) { NewQuery(*writer_, sql)->Execute(); }
  std::string RowIdOf(int id) {
    auto query = NewQuery(*writer_, "SELECT ROWID FROM EMP WHERE ID = " + std::to_string(id));
    query->Open();
    return query->Eof() ? "" : query->Fields().Fields(0)->AsString();
  }
  // Tells the query's subscription of one row change (2 insert, 4 update).
  void Notify(int id, int operation) {
    const std::string row_id = RowIdOf(id);
    ASSERT_FALSE(row_id.empty());
    const std::string op = std::to_string(operation);
    ASSERT_EQ(control_->Deliver(*component_, "SCOTT.EMP:" + op + ":" + row_id + "/" + op), 1);
  }
  std::unique_ptr<TOraQuery> Reflecting(const std::string& sql) {
    auto query = NewQuery(Connect(), sql);
    query->Options().SetReflectChangeNotify(true);
    query->SetChangeNotification(component_.get());
    return query;
  }
  static std::vector<std::string> Ids(TOraQuery& query) {
    std::vector<std::string> ids;
    for (query.First(); !query.Eof(); query.Next()) ids.push_back(query.FieldByName("ID")->AsString());
    return ids;
  }

  std::unique_ptr<NotifyControl> control_;
  std::unique_ptr<TOraChangeNotification> component_;
  TOraSession* writer_ = nullptr;
};

// The WHERE clause holds for inserted and updated rows alike, with the
// generated refresh and with FullRefresh over a key of the user's.
TEST_F(NotifyConditionsTest, RowsOutsideTheWhereClauseAreNotShown) {
  for (bool full_refresh : {false, true}) {
    SCOPED_TRACE(full_refresh ? "FullRefresh, key ID" : "generated refresh");
    Run("DELETE FROM EMP WHERE ID > 3");
    Run("UPDATE EMP SET SAL = 100 WHERE ID = 1");
    Run("UPDATE EMP SET SAL = 200 WHERE ID = 2");
    Run("UPDATE EMP SET SAL = 900 WHERE ID = 3");
    auto query = Reflecting("SELECT ROWID, ID, DEPT, SAL FROM EMP WHERE SAL < 500");
    query->Options().SetFullRefresh(full_refresh);
    if (full_refresh) query->SetKeyFields("ID");
    query->Open();
    ASSERT_EQ(Ids(*query), (std::vector<std::string>{"1", "2"}));
    query->First();

    Run("INSERT INTO EMP VALUES (4, 1, 800)");
    EXPECT_NO_THROW(Notify(4, 2));
    Run("INSERT INTO EMP VALUES (5, 1, 150)");
    EXPECT_NO_THROW(Notify(5, 2));
    EXPECT_EQ(Ids(*query), (std::vector<std::string>{"1", "2", "5"})) << "only the row the query selects";

    query->First();
    Run("UPDATE EMP SET SAL = 700 WHERE ID = 2");
    EXPECT_NO_THROW(Notify(2, 4));
    Run("UPDATE EMP SET SAL = 300 WHERE ID = 1");
    EXPECT_NO_THROW(Notify(1, 4));
    EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 1) << "the user's record stays current";
    EXPECT_EQ(query->FieldByName("SAL")->AsInteger(), 300) << "the row still selected is read again";
    EXPECT_EQ(Ids(*query), (std::vector<std::string>{"1", "5"})) << "the row that left the WHERE went";
    query.reset();
  }
}

// A parameter of the query's own, named as one of its fields, keeps its
// value when a notified row is read.
TEST_F(NotifyConditionsTest, TheQuerysParametersHoldForNotifiedRows) {
  auto query = Reflecting("SELECT ROWID, ID, DEPT, SAL FROM EMP WHERE DEPT = :DEPT");
  query->ParamByName("DEPT")->SetAsInteger(1);
  query->Open();
  ASSERT_EQ(Ids(*query), (std::vector<std::string>{"1", "3"}));
  Run("INSERT INTO EMP VALUES (6, 2, 100)");
  EXPECT_NO_THROW(Notify(6, 2));
  Run("INSERT INTO EMP VALUES (7, 1, 100)");
  EXPECT_NO_THROW(Notify(7, 2));
  EXPECT_EQ(Ids(*query), (std::vector<std::string>{"1", "3", "7"}));
}

// A detail linked to its master by a parameter shows only the rows of the
// master's current record, before and after the master moves.
TEST_F(NotifyConditionsTest, ADetailShowsOnlyItsMastersNotifiedRows) {
  TOraSession& session = Connect();
  auto master = NewQuery(session, "SELECT ID FROM DEPT ORDER BY ID");
  classlib::TDataSource source(nullptr);
  source.SetDataSet(master.get());
  auto detail = Reflecting("SELECT ROWID, ID, DEPT, SAL FROM EMP WHERE DEPT = :ID");
  detail->SetMasterSource(&source);
  master->Open();
  detail->Open();
  ASSERT_EQ(Ids(*detail), (std::vector<std::string>{"1", "3"}));
  Run("INSERT INTO EMP VALUES (8, 2, 100)");
  EXPECT_NO_THROW(Notify(8, 2));
  EXPECT_EQ(Ids(*detail), (std::vector<std::string>{"1", "3"})) << "a row of the other master stays out";
  Run("UPDATE EMP SET DEPT = 2 WHERE ID = 3");
  EXPECT_NO_THROW(Notify(3, 4));
  EXPECT_EQ(Ids(*detail), (std::vector<std::string>{"1"})) << "a row moved to the other master goes";
  master->Next();
  ASSERT_EQ(Ids(*detail), (std::vector<std::string>{"2", "3", "8"}));
  Run("INSERT INTO EMP VALUES (9, 2, 100)");
  EXPECT_NO_THROW(Notify(9, 2));
  Run("INSERT INTO EMP VALUES (10, 1, 100)");
  EXPECT_NO_THROW(Notify(10, 2));
  EXPECT_EQ(Ids(*detail), (std::vector<std::string>{"2", "3", "8", "9"}));
  detail.reset();
}

}  // namespace
}  // namespace oracle::testing
