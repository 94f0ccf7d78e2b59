// The statement component on the SQLite test driver: parameter markers
// found and rewritten (names, quoted names, what is no marker), values
// bound in order, commits seen by a second session, engine errors as the
// layer's exception, the use count after success and failure, the implicit
// transaction in disconnected mode, fail-over after a killed session, and
// pooled sessions.
#include "dacore/sql_component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "dacore/comp_connection.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"

namespace dacore::sqlite_tests {
namespace {

using sqlite_driver::ESQLiteError;
using sqlite_driver::TSQLiteSession;

class SQLComponentTest : public SQLiteTest {
 protected:
  // Runs sql on the session with auto-commit.
  void Exec(TSQLiteSession& session, const std::string& sql) {
    auto statement = session.CreateSQL();
    statement->SetAutoCommit(true);
    statement->SetSQL(sql);
    statement->Execute();
  }
};

TEST_F(SQLComponentTest, NamedMarkersBecomePositionalParametersBoundInOrder) {
  auto session = Session();
  Exec(*session, "CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME VARCHAR(20), \"Long Name\" TEXT)");
  auto statement = session->CreateSQL();
  statement->SetAutoCommit(true);
  statement->SetSQL("INSERT INTO T (NAME, ID, \"Long Name\") VALUES (:NAME, :ID, :\"Long Name\")");
  ASSERT_EQ(statement->ParamCount(), 3);
  EXPECT_EQ(statement->Params().Items(0)->Name(), "NAME");
  EXPECT_EQ(statement->Params().Items(1)->Name(), "ID");
  EXPECT_EQ(statement->Params().Items(2)->Name(), "Long Name");
  EXPECT_EQ(statement->ICommand()->GetSQL(), "INSERT INTO T (NAME, ID, \"Long Name\") VALUES (?, ?, ?)");
  statement->ParamByName("ID")->SetAsInteger(7);
  statement->ParamByName("NAME")->SetAsString("seven");
  statement->ParamByName("Long Name")->SetAsString("the seventh");
  statement->Execute();
  EXPECT_EQ(statement->RowsAffected(), 1);
  EXPECT_EQ(session->ConnectCount(), 1);  // the component's own connect only

  // A second session sees the committed row with each value in its place.
  auto reader = Session();
  auto check = reader->CreateSQL();
  check->SetAutoCommit(true);
  check->SetSQL("UPDATE T SET ID = 8 WHERE ID = :ID AND NAME = :N AND \"Long Name\" = :L");
  check->ParamByName("ID")->SetAsInteger(7);
  check->ParamByName("N")->SetAsString("seven");
  check->ParamByName("L")->SetAsString("the seventh");
  check->Execute();
  EXPECT_EQ(check->RowsAffected(), 1);

  // A name used twice binds the same value at both places.
  check->SetSQL("UPDATE T SET ID = :ID + 1 WHERE ID = :ID");
  EXPECT_EQ(check->ParamCount(), 2);
  check->ParamByName("ID")->SetAsInteger(8);
  check->Execute();
  EXPECT_EQ(check->RowsAffected(), 1);
}

TEST_F(SQLComponentTest, ATextSetBeforeTheConnectionReachesTheDriverRewritten) {
  auto session = Session();
  Exec(*session, "CREATE TABLE T (ID INTEGER PRIMARY KEY)");
  Exec(*session, "INSERT INTO T VALUES (1)");
  TCustomDASQL statement(nullptr);
  statement.SetSQL("UPDATE T SET ID = :ID + 1 WHERE ID = :ID");
  statement.SetConnection(session.get());
  EXPECT_EQ(statement.ICommand()->GetSQL(), "UPDATE T SET ID = ? + 1 WHERE ID = ?");
  statement.ParamByName("ID")->SetAsInteger(1);
  statement.SetAutoCommit(true);
  statement.Execute();
  EXPECT_EQ(statement.RowsAffected(), 1);
}

TEST_F(SQLComponentTest, AssignmentsDoubleColonsLiteralsAndCommentsAreNoMarkers) {
  auto session = Session();
  auto statement = session->CreateSQL();
  statement->SetSQL("UPDATE T SET A = :A, B = ':B' -- :C\nWHERE X := 1 OR Y::INT = :D /* :E */");
  ASSERT_EQ(statement->ParamCount(), 2);
  EXPECT_EQ(statement->Params().Items(0)->Name(), "A");
  EXPECT_EQ(statement->Params().Items(1)->Name(), "D");
  EXPECT_EQ(statement->ICommand()->GetSQL(), "UPDATE T SET A = ?, B = ':B' -- :C\r\nWHERE X := 1 OR Y::INT = ? /* :E */");
  // A number and a keyword after the colon name parameters too.
  statement->SetSQL("SELECT :1, :AND, :_x");
  ASSERT_EQ(statement->ParamCount(), 3);
  EXPECT_EQ(statement->Params().Items(0)->Name(), "1");
  EXPECT_EQ(statement->Params().Items(1)->Name(), "AND");
  EXPECT_EQ(statement->ICommand()->GetSQL(), "SELECT ?, ?, ?");
}

TEST_F(SQLComponentTest, TextChangesKeepValuesOfSameNamedParametersAndParamCheckOffLeavesThem) {
  auto session = Session();
  auto statement = session->CreateSQL();
  statement->SetSQL("SELECT :A, :B");
  statement->ParamByName("A")->SetAsInteger(1);
  statement->ParamByName("B")->SetAsString("b");
  statement->SetSQL("SELECT :B, :C");
  ASSERT_EQ(statement->ParamCount(), 2);
  EXPECT_EQ(statement->ParamByName("B")->AsString(), "b");
  EXPECT_TRUE(statement->ParamByName("C")->IsNull());

  statement->SetParamCheck(false);
  statement->SetSQL("SELECT :Z");
  EXPECT_EQ(statement->ParamCount(), 2);
  EXPECT_EQ(statement->ICommand()->GetSQL(), "SELECT :Z");
}

TEST_F(SQLComponentTest, TheSameTextAgainKeepsTheStatementPrepared) {
  auto session = Session();
  Exec(*session, "CREATE TABLE T (ID INTEGER)");
  auto statement = session->CreateSQL();
  statement->SetSQL("INSERT INTO T VALUES (:ID)");
  statement->Prepare();
  EXPECT_TRUE(statement->Prepared());
  EXPECT_EQ(session->ConnectCount(), 2);  // a prepared statement holds a use
  statement->SetSQL("INSERT INTO T VALUES (:ID)");
  EXPECT_TRUE(statement->Prepared());
  statement->SetSQL("INSERT INTO T VALUES (:ID + 1)");
  EXPECT_FALSE(statement->Prepared());
  EXPECT_EQ(session->ConnectCount(), 1);
}

TEST_F(SQLComponentTest, AStatementWithoutAutoCommitWaitsForTheConnectionsCommit) {
  auto session = Session();
  Exec(*session, "CREATE TABLE T (ID INTEGER)");
  auto statement = session->CreateSQL();
  statement->SetSQL("INSERT INTO T VALUES (1)");
  statement->Execute();  // auto-commit is off by default
  EXPECT_TRUE(session->SQLiteConnection()->InTransaction());

  auto reader = Session();
  auto count = reader->CreateSQL();
  count->SetAutoCommit(true);
  count->SetSQL("DELETE FROM T");
  // The writer's open transaction holds the lock: the reader's delete waits and gives up.
  reader->SQLiteConnection()->BusyTimeout = 0;
  reader->SetConnected(false);
  reader->SetConnected(true);
  EXPECT_THROW(count->Execute(), ESQLiteError);
  session->Commit();
  count->Execute();
  EXPECT_EQ(count->RowsAffected(), 1);
}

TEST_F(SQLComponentTest, EngineErrorsSurfaceAsTheLayersExceptionAndEndTheUse) {
  auto session = Session();
  std::string heard;
  session->OnError = TDAConnectionErrorEvent::Function(
      [&](classlib::TObject*, EDAError& e, bool&) { heard = e.Message(); });
  auto statement = session->CreateSQL();
  statement->SetSQL("INSERT INTO MISSING VALUES (:X)");
  try {
    statement->Execute();
    FAIL() << "no error";
  } catch (const EDAError& e) {
    EXPECT_EQ(e.Message(), "no such table: MISSING");
    EXPECT_EQ(e.Component(), statement.get());
  }
  EXPECT_EQ(heard, "no such table: MISSING");
  EXPECT_EQ(session->ConnectCount(), 1);
  EXPECT_TRUE(session->Connected());
}

TEST_F(SQLComponentTest, InDisconnectedModeAnImplicitTransactionKeepsTheConnectionOpen) {
  TSQLiteSession session(nullptr);
  session.SetServer(Path());
  session.Options().SetDisconnectedMode(true);
  auto statement = session.CreateSQL();
  statement->SetAutoCommit(true);
  statement->SetSQL("CREATE TABLE T (ID INTEGER)");
  statement->Execute();
  EXPECT_FALSE(session.Connected());  // closed again after its one use

  statement->SetAutoCommit(false);
  statement->SetSQL("INSERT INTO T VALUES (1)");
  statement->Execute();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.GetTransactionID(), "CRImplicitTransaction");
  session.Commit();
  EXPECT_FALSE(session.InTransaction());

  TSQLiteSession reader(nullptr);
  reader.SetServer(Path());
  auto check = reader.CreateSQL();
  check->SetAutoCommit(true);
  check->SetSQL("DELETE FROM T WHERE ID = 1");
  check->Execute();
  EXPECT_EQ(check->RowsAffected(), 1);
}

TEST_F(SQLComponentTest, AKilledSessionReconnectsAndTheStatementRunsOnceMore) {
  auto session = Session();
  Exec(*session, "CREATE TABLE T (ID INTEGER)");
  session->Options().LocalFailover = true;
  std::vector<TConnLostCause> causes;
  session->OnConnectionLost = TConnectionLostEvent::Function(
      [&](classlib::TObject*, classlib::TComponent*, TConnLostCause cause, TRetryMode& mode) {
        causes.push_back(cause);
        mode = rmReconnectExecute;
      });
  auto statement = session->CreateSQL();
  statement->SetAutoCommit(true);
  statement->SetSQL("INSERT INTO T VALUES (:ID)");
  statement->ParamByName("ID")->SetAsInteger(5);
  statement->Execute();
  session->SQLiteConnection()->Kill();
  statement->Execute();
  EXPECT_EQ(causes, std::vector<TConnLostCause>{clExecute});
  EXPECT_EQ(session->ConnectCount(), 1);
  EXPECT_TRUE(session->IsFatalError(ESQLiteError(sqlite_driver::kConnectionLost, "lost")));
  EXPECT_FALSE(session->IsFatalError(ESQLiteError(SQLITE_ERROR, "syntax")));

  auto count = session->CreateSQL();
  count->SetAutoCommit(true);
  count->SetSQL("DELETE FROM T WHERE ID = 5");
  count->Execute();
  EXPECT_EQ(count->RowsAffected(), 2);
}

TEST_F(SQLComponentTest, WithoutFailOverAKilledSessionDisconnectsTheComponent) {
  auto session = Session();
  auto statement = session->CreateSQL();
  statement->SetSQL("SELECT 1");
  session->SQLiteConnection()->Kill();
  try {
    statement->Execute();
    FAIL() << "no error";
  } catch (const ESQLiteError& e) {
    EXPECT_TRUE(e.ConnectionLost());
  }
  EXPECT_FALSE(session->Connected());
  session->SetConnected(true);
  statement->Execute();
}

TEST_F(SQLComponentTest, APooledSessionIsHandedOutAgainAfterADisconnect) {
  TSQLiteSession session(nullptr);
  session.SetServer(Path());
  session.SetPooling(true);
  session.SetConnected(true);
  TCRConnection* first = session.IConnection();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first->Pool, nullptr);
  Exec(session, "CREATE TABLE T (ID INTEGER)");
  session.SetConnected(false);
  EXPECT_EQ(session.IConnection(), nullptr);
  session.SetConnected(true);
  EXPECT_EQ(session.IConnection(), first);
  Exec(session, "INSERT INTO T VALUES (1)");
  session.SetConnected(false);
}

TEST_F(SQLComponentTest, AStatementOutlivesItsConnectionAndACopyRunsAlike) {
  auto session = Session();
  Exec(*session, "CREATE TABLE T (ID INTEGER)");
  auto statement = session->CreateSQL();
  statement->SetAutoCommit(true);
  statement->SetSQL("INSERT INTO T VALUES (:ID)");
  statement->ParamByName("ID")->SetAsInteger(4);
  statement->Prepare();

  TCustomDASQL copy(nullptr);
  copy.Assign(statement.get());
  EXPECT_EQ(copy.Connection(), session.get());
  EXPECT_TRUE(copy.AutoCommit());
  EXPECT_EQ(copy.ParamByName("ID")->AsInteger(), 4);
  EXPECT_EQ(copy.ICommand()->GetSQL(), "INSERT INTO T VALUES (?)");

  session.reset();
  EXPECT_EQ(statement->Connection(), nullptr);
  EXPECT_FALSE(statement->Prepared());
  EXPECT_THROW(statement->Execute(), classlib::EDatabaseError);  // "Connection is not defined"
}

TEST_F(SQLComponentTest, BlobAndDateParametersArriveWhole) {
  auto session = Session();
  Exec(*session, "CREATE TABLE B (DATA BLOB, NOTE TEXT, AT DATETIME)");
  auto statement = session->CreateSQL();
  statement->SetAutoCommit(true);
  statement->SetSQL("INSERT INTO B VALUES (:DATA, :NOTE, :AT)");
  const std::string bytes("\0\1\xff\0tail", 7);
  statement->ParamByName("DATA")->SetAsBlob(bytes);
  statement->ParamByName("NOTE")->SetAsMemo(std::string(70000, 'n'));
  statement->ParamByName("AT")->SetAsDateTime(classlib::EncodeDate(2001, 2, 3) + classlib::EncodeTime(4, 5, 6, 7));
  statement->Execute();

  auto check = session->CreateSQL();
  check->SetAutoCommit(true);
  check->SetSQL("DELETE FROM B WHERE DATA = :DATA AND length(NOTE) = 70000 AND AT = '2001-02-03 04:05:06.007'");
  check->ParamByName("DATA")->SetAsBlob(bytes);
  check->Execute();
  EXPECT_EQ(check->RowsAffected(), 1);
}

TEST_F(SQLComponentTest, MacrosExpandInTheFinalText) {
  auto session = Session();
  Exec(*session, "CREATE TABLE T1 (ID INTEGER)");
  auto statement = session->CreateSQL();
  statement->SetAutoCommit(true);
  statement->SetSQL("INSERT INTO &TAB VALUES (:ID)   \r\n");
  ASSERT_EQ(statement->Macros().Count(), 1);
  statement->Macros().MacroByName("TAB")->SetValue("T1");
  EXPECT_EQ(statement->FinalSQL(), "INSERT INTO T1 VALUES (:ID)");
  EXPECT_EQ(statement->ICommand()->GetSQL(), "INSERT INTO T1 VALUES (?)");
  statement->ParamByName("ID")->SetAsInteger(3);
  statement->Execute();
  EXPECT_EQ(statement->RowsAffected(), 1);
}

}  // namespace
}  // namespace dacore::sqlite_tests
