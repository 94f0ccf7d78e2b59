// The Oracle script connection on the stand-in client library's scripted
// engine: a fresh session per script file, statements committed by the
// query itself, the conditions' dictionary queries as the server receives
// them, and the version row and release read on the window's components.
#include "app/execute_statement_oracle.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/prepare_update_native.h"
#include "app/run_state.h"
#include "app/script_condition.h"
#include "app/tests/oracle_standin.h"
#include "app/version_record.h"
#include "classlib/codepage.h"
#include "fake_progress_view.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "product_environment.h"

namespace app::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class OracleScriptTest : public ::testing::Test {
 protected:
  OracleScriptTest() {
    OracleStandin::WriteHomeToRegistry();
    standin_.AddAccount("LEXUSER", "pw");
    session_.SetUsername("LEXUSER");
    session_.SetPassword("pw");
    session_.SetServer("orcl");
    DBType = kOracle;
  }
  TScriptComponents Components() {
    TScriptComponents components;
    components.oraSession = &session_;
    components.oraQ = &query_;
    return components;
  }
  // A dictionary count the server answers with `count`.
  void ScriptCount(const std::string& sql, int count) {
    standin_.ScriptQuery(sql, "COUNT(*) NUMBER", std::to_string(count));
  }
  TScriptContext Context(bool log) { return {connection_, view_, log, "/r/s.xml"}; }

  ProductEnvironment product_;
  OracleStandin standin_;
  oracle::TOraSession session_{nullptr};
  oracle::TOraQuery query_{nullptr};
  TOracleScriptConnection connection_{session_, query_};
  FakeProgressView view_;
};

TEST_F(OracleScriptTest, EachFileStartsOnAFreshSession) {
  connection_.Reconnect();
  EXPECT_TRUE(session_.Connected());
  EXPECT_THAT(standin_.LogOf("OCISessionBegin"), ElementsAre(HasSubstr("user=LEXUSER")));
  connection_.Reconnect();
  EXPECT_EQ(standin_.LogOf("OCISessionEnd").size(), 1u);
  EXPECT_EQ(standin_.LogOf("OCISessionBegin").size(), 2u);
  EXPECT_EQ(query_.Session(), &session_);
}

// A server that went away fails the statement with its text and closes the
// session, so the next script file's reconnect logs on afresh.
TEST_F(OracleScriptTest, AServerGoneAwayLeavesTheNextFileAFreshSession) {
  standin_.ScriptStatement("UPDATE BOOKS SET TITLE = 'x'", "rows=2");
  connection_.Reconnect();
  ASSERT_EQ(standin_.LoseLink(), 1);
  std::string error;
  EXPECT_FALSE(ExecuteStatement(connection_, "UPDATE BOOKS SET TITLE = 'x'", error));
  EXPECT_EQ(error, "ORA-03114: not connected to ORACLE");
  EXPECT_FALSE(session_.Connected());
  connection_.Reconnect();
  EXPECT_TRUE(session_.Connected());
  EXPECT_EQ(standin_.LogOf("OCISessionBegin").size(), 2u);
  EXPECT_TRUE(ExecuteStatement(connection_, "UPDATE BOOKS SET TITLE = 'x'", error)) << error;
  EXPECT_EQ(standin_.CommittedWork(), 1);
}

TEST_F(OracleScriptTest, StatementsCommitOneByOneAndFailuresCarryTheServersText) {
  standin_.ScriptStatement("UPDATE BOOKS SET TITLE = 'x'", "rows=2");
  standin_.ScriptStatement("DROP TABLE NOWHERE", "error=942 text=ORA-00942: table or view does not exist");
  connection_.Reconnect();
  std::string error;
  EXPECT_TRUE(ExecuteStatement(connection_, "UPDATE BOOKS SET TITLE = 'x'", error));
  EXPECT_EQ(standin_.CommittedWork(), 1);
  EXPECT_TRUE(ExecuteStatement(connection_, "commit", error)) << "not sent: the query committed";
  EXPECT_FALSE(ExecuteStatement(connection_, "DROP TABLE NOWHERE", error));
  EXPECT_EQ(error, "ORA-00942: table or view does not exist");
  // Each execute commits on success (mode 32).
  EXPECT_THAT(standin_.LogOf("OCIStmtExecute"), ElementsAre("OCIStmtExecute iters=1 offset=0 mode=32",
                                                            "OCIStmtExecute iters=1 offset=0 mode=32"));
  EXPECT_TRUE(standin_.LogOf("OCITransCommit").empty()) << "no commit of the updater's own";
}

TEST_F(OracleScriptTest, ConditionsAskTheDictionaryViews) {
  standin_.ScriptQuery("select tabs.table_name from user_All_tables tabs where "
                       "UPPER(tabs.table_name)='BOOKS'",
                       "TABLE_NAME VARCHAR2(30)", "BOOKS");
  standin_.ScriptQuery("select tabs.table_name from user_All_tables tabs where "
                       "UPPER(tabs.table_name)='NOPE'",
                       "TABLE_NAME VARCHAR2(30)");
  ScriptCount("SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'BOOKS' AND COLUMN_NAME = 'TITLE'", 1);
  ScriptCount("SELECT COUNT(*) FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'BOOKS' AND COLUMN_NAME = 'PRICE'", 0);
  ScriptCount("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'VIEW' AND OBJECT_NAME='IT''S'", 1);
  ScriptCount("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'SEQUENCE' AND OBJECT_NAME='G1'", 0);
  connection_.Reconnect();
  EXPECT_TRUE(CheckConditionText(Context(false), "exist_table(books);"));
  EXPECT_FALSE(CheckConditionText(Context(false), "EXIST_TABLE(NOPE);"));
  EXPECT_TRUE(CheckConditionText(Context(false), "EXIST_FIELD(BOOKS, TITLE);"));
  EXPECT_TRUE(CheckConditionText(Context(false), "NOT_EXIST_FIELD(BOOKS, PRICE);"));
  EXPECT_TRUE(CheckConditionText(Context(false), "EXIST_VIEW(IT'S);")) << "the apostrophe doubled";
  EXPECT_FALSE(CheckConditionText(Context(false), "EXIST_GENERATOR(G1);"));
  EXPECT_FALSE(query_.Active()) << "the query is closed after every condition";
}

TEST_F(OracleScriptTest, AnUnmetTermLogsTheQueryItRan) {
  ScriptCount("SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'INDEX' AND OBJECT_NAME='IX1'", 0);
  connection_.Reconnect();
  EXPECT_FALSE(CheckConditionText(Context(true), "EXIST_INDEX(IX1);"));
  std::string details;
  for (const std::string& line : view_.details) details += line + "\n";
  EXPECT_THAT(details, HasSubstr("'SELECT COUNT(*) FROM USER_OBJECTS WHERE OBJECT_TYPE = 'INDEX' "
                                 "AND OBJECT_NAME='IX1'"));
}

TEST_F(OracleScriptTest, TheVersionRowOpensTheSessionAndTakesTheServersDate) {
  const std::string insert =
      "INSERT INTO BO_VERSION (ID, BDVERSION, UPDATEUSER, UPDATEDATE,UPDATELOG) VALUES "
      "(4, '3.2', 'admin', SYSDATE, NULL)";
  standin_.ScriptStatement(insert, "rows=1");
  NextVersionId = 4;
  ResultVersion = "3.2";
  LoginUserName = "admin";
  ASSERT_FALSE(session_.Connected());
  EXPECT_TRUE(WriteVersionRecord(view_, Components()));
  EXPECT_TRUE(session_.Connected());
  EXPECT_EQ(standin_.CommittedWork(), 1);
  EXPECT_TRUE(view_.details.empty());

  standin_.ScriptStatement(insert, "error=1 text=ORA-00001: unique constraint (BO_VERSION_PK) violated");
  EXPECT_FALSE(WriteVersionRecord(view_, Components()));
  std::string details;
  for (const std::string& line : view_.details) details += line + "\n";
  EXPECT_THAT(details, HasSubstr("ORA-00001: unique constraint"));
  EXPECT_THAT(details, HasSubstr(insert));
}

class OracleReleaseTest : public OracleScriptTest {
 protected:
  OracleReleaseTest() {
    ProductConnectionString =
        "provider=oraoledb.oracle.1;user id=lexuser;password=pw;data source=orcl;x=1";
    SqlUserName = "LEXUSER";
    SqlPassword = "pw";
    StartVersions = "3.1;";
    session_.SetServer("");
  }
  void Read() { ReadDatabaseRelease(TNativeConnections{nullptr, nullptr, &session_, &query_}); }
};

TEST_F(OracleReleaseTest, TheLatestRowGivesTheReleaseAndTheNextId) {
  standin_.ScriptQuery(kReleaseQuery, "BDVERSION VARCHAR2(20); ID NUMBER(9)", "3.1;|7");
  Read();
  EXPECT_EQ(CurrentDBVersion, "3.1;");
  EXPECT_EQ(NextVersionId, 8);
  EXPECT_EQ(session_.Server(), "orcl") << "the service after DATA SOURCE=, up to the next pair";
  EXPECT_TRUE(session_.Connected()) << "the session stays open for the run";
  EXPECT_FALSE(query_.Active());
  EXPECT_THAT(standin_.LogOf("OCIServerAttach"), ElementsAre("OCIServerAttach link=orcl mode=0"));
}

TEST_F(OracleReleaseTest, AnEmptyTableStartsAtTheStartListAndAFailureIsUnknown) {
  standin_.ScriptQuery(kReleaseQuery, "BDVERSION VARCHAR2(20); ID NUMBER(9)");
  Read();
  EXPECT_EQ(CurrentDBVersion, "3.1;");
  EXPECT_EQ(NextVersionId, 1);

  SqlPassword = "wrong";
  Read();
  EXPECT_EQ(CurrentDBVersion, UnknownReleaseText());
  EXPECT_EQ(NextVersionId, 0);
  EXPECT_FALSE(session_.Connected());
}

}  // namespace
}  // namespace app::testing
