// The query component on a session of the stand-in's scripted engine:
// opening a SELECT and reading its fields by position, the end of the rows,
// statements without rows, server errors, and the statements the data set
// writes itself (record count, lock savepoint).
#include <memory>
#include <string>

#include "classlib/field.h"
#include "oracle/error_ora.h"
#include "oracle/query_field_origins.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/query_sql_text.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/rset_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

class OraQueryTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    session_component_ = std::make_unique<TOraSession>();
    session_component_->SetConnectString("scott/tiger@db1");
    session_component_->SetConnected(true);
    standin_->ClearLog();
  }
  void TearDown() override {
    session_component_.reset();
    RecordSetTest::TearDown();
  }
  std::unique_ptr<TOraQuery> NewQuery(const std::string& sql) {
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session_component_.get());
    query->SetSQL(sql);
    return query;
  }
  std::unique_ptr<TOraSession> session_component_;
};

TEST_F(OraQueryTest, SelectIsReadByPositionToTheEnd) {
  const std::string sql = "SELECT GUID_COL, N FROM T WHERE GUID_COL IS NOT NULL";
  fetch_->ScriptQuery(sql, "GUID_COL VARCHAR2(38); N NUMBER(9)");
  fetch_->AddRows(sql, "{A}|1\n{B}|2\n<null>|3");
  auto query = NewQuery(sql);
  query->Execute();
  ASSERT_TRUE(query->Active());
  std::vector<std::string> texts;
  std::vector<int> numbers;
  for (; !query->Eof(); query->Next()) {
    texts.push_back(query->FieldByNumber(1)->AsString());
    numbers.push_back(query->FieldByNumber(2)->AsInteger());
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"{A}", "{B}", ""}));
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(query->FieldByNumber(1)->IsNull()) << "the last row's text is null";
  EXPECT_THAT(Calls("OCIStmtExecute"), ::testing::ElementsAre("OCIStmtExecute iters=0 offset=0 mode=16",
                                                             "OCIStmtExecute iters=0 offset=0 mode=0"))
      << "a describe at prepare, then one execute opens the query";
  EXPECT_EQ(fetch_->FetchCalls(), 1) << "three rows come in one block of 25";
}

TEST_F(OraQueryTest, StatementWithoutRowsLeavesTheQueryClosed) {
  statements_->Script("UPDATE T SET N = 2 WHERE N = 1", "rows=1");
  auto query = NewQuery("UPDATE T SET N = 2 WHERE N = 1");
  query->Execute();
  EXPECT_FALSE(query->Active());
  EXPECT_EQ(query->RowsAffected(), 1);
  EXPECT_EQ(session_->CommittedWork(), 1) << "a query commits its statements by default";
}

TEST_F(OraQueryTest, ServerErrorCarriesTheOracleText) {
  statements_->Script("SELECT * FROM NOWHERE", "error=942 text=ORA-00942: table or view does not exist");
  auto query = NewQuery("SELECT * FROM NOWHERE");
  try {
    query->Open();
    FAIL() << "the open must fail";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 942);
    EXPECT_EQ(std::string(e.what()).substr(0, 10), "ORA-00942:");
  }
  EXPECT_FALSE(query->Active());
}

TEST_F(OraQueryTest, SessionMakesOracleComponents) {
  auto data_set = session_component_->CreateDataSet();
  EXPECT_NE(dynamic_cast<TOraQuery*>(data_set.get()), nullptr);
  EXPECT_EQ(data_set->GetUsedConnection(), session_component_.get());
  auto sql = session_component_->CreateSQL();
  ASSERT_NE(dynamic_cast<TOraSQL*>(sql.get()), nullptr);
  EXPECT_NE(dynamic_cast<TOraParams*>(&sql->Params()), nullptr);
}

// ---- Statements the data set writes itself ---------------------------------------------

TEST(OraSQLText, RecordCountCutsOnlyATopLevelLockClause) {
  EXPECT_EQ(RecordCountSQL("SELECT A FROM T ORDER BY A"), "SELECT Count(*) FROM (\rSELECT A FROM T)");
  EXPECT_EQ(RecordCountSQL("SELECT A FROM T WHERE B = 1 FOR UPDATE NOWAIT"),
            "SELECT Count(*) FROM (\rSELECT A FROM T WHERE B = 1)");
  // A FOR inside a sub-query, or one that begins no lock clause, stays.
  const std::string nested = "SELECT A FROM T WHERE B IN (SELECT B FROM U FOR UPDATE) AND C = 'FOR'";
  EXPECT_EQ(RecordCountSQL(nested), "SELECT Count(*) FROM (\r" + nested + ")");
  const std::string pivot = "SELECT * FROM T PIVOT (SUM(N) FOR K IN (1, 2))";
  EXPECT_EQ(RecordCountSQL(pivot), "SELECT Count(*) FROM (\r" + pivot + ")");
}

TEST(OraSQLText, WhereAndOrderByChangeOnlyTheTopLevel) {
  const std::string sql = "SELECT A FROM T WHERE B IN (SELECT B FROM U WHERE C = 1 ORDER BY C) ORDER BY A";
  EXPECT_EQ(DeleteWhereInSQL(sql), "SELECT A FROM T ORDER BY A");
  EXPECT_EQ(SetWhereInSQL("SELECT A FROM T ORDER BY A", "A > 1"), "SELECT A FROM T WHERE A > 1 ORDER BY A");
  EXPECT_EQ(SetWhereInSQL("SELECT A\r\nFROM T", "A > 1"), "SELECT A\r\nFROM T\r WHERE A > 1");
  EXPECT_EQ(SetOrderByInSQL(sql, "B DESC"),
            "SELECT A FROM T WHERE B IN (SELECT B FROM U WHERE C = 1 ORDER BY C) ORDER BY B DESC");
  EXPECT_EQ(DeleteOrderByInSQL("SELECT A FROM T ORDER BY A FOR UPDATE"), "SELECT A FROM T FOR UPDATE");
}

TEST_F(OraQueryTest, RecordCountRunsOnTheServer) {
  const std::string sql = "SELECT N FROM T ORDER BY N";
  fetch_->ScriptQuery(sql, "N NUMBER(9)");
  fetch_->GenerateRows(sql, 3);
  fetch_->ScriptQuery("SELECT Count(*) FROM (\nSELECT N FROM T)", "COUNT NUMBER");
  fetch_->AddRows("SELECT Count(*) FROM (\nSELECT N FROM T)", "42");
  auto query = NewQuery(sql);
  query->Options().SetQueryRecCount(true);
  query->Open();
  EXPECT_EQ(query->RecordCount(), 42) << "the server's count, not the rows fetched";
}

TEST(OraDataSetNames, LockSavepointKeepsTheLast25Characters) {
  TOraQuery query;
  query.SetName("Short");
  EXPECT_EQ(query.LockSavepointName(), "LOCK_Short");
  query.SetName("AVeryLongComponentName_0123456789");
  EXPECT_EQ(query.LockSavepointName(), "LOCK_gComponentName_0123456789");
  EXPECT_EQ(query.LockSavepointName().size(), 30u) << "the longest name Oracle takes";
}

class OraGeneratorTest : public OraQueryTest {
 protected:
  // An open query over T (ID, NAME, DATA BLOB, NOTE CLOB) keyed by ID.
  std::unique_ptr<TOraQuery> Open(const std::string& key_fields = "ID") {
    const std::string sql = "SELECT ID, NAME, DATA, NOTE FROM T";
    fetch_->ScriptQuery(sql, "ID NUMBER(9); NAME VARCHAR2(20); DATA BLOB; NOTE CLOB");
    fetch_->AddRows(sql, "1|one|CAFE|text");
    auto query = NewQuery(sql);
    query->SetKeyFields(key_fields);
    query->Open();
    return query;
  }
  std::string Generate(TOraQuery& query, dacore::TStatementType type, dacore::TDAParams* params = nullptr) {
    return query.SQLGenerator().GenerateSQL(type, false, params);
  }
};

TEST_F(OraGeneratorTest, LockStatementEndsWithForUpdateNowait) {
  auto query = Open();
  EXPECT_EQ(Generate(*query, dacore::stLock), "SELECT * FROM T\r\nWHERE\r\n  ID = :Old_ID\r\nFOR UPDATE NOWAIT");
}

TEST_F(OraGeneratorTest, LobColumnsAreWrittenThroughReturnedLocators) {
  auto query = Open();
  dacore::TDAParams params;
  EXPECT_EQ(Generate(*query, dacore::stUpdate, &params),
            "UPDATE T\r\nSET\r\n  ID = :ID, NAME = :NAME, DATA = EMPTY_BLOB(), NOTE = EMPTY_CLOB()\r\n"
            "WHERE\r\n  ID = :Old_ID\r\nRETURNING\r\n  DATA, NOTE\r\nINTO\r\n  :DATA, :NOTE");
  EXPECT_EQ(params.Count(), 5) << "ID, NAME, Old_ID, DATA, NOTE: no LOB content is bound";

  query->Options().SetTemporaryLobUpdate(true);
  EXPECT_EQ(Generate(*query, dacore::stInsert),
            "INSERT INTO T\r\n  (ID, NAME, DATA, NOTE)\r\nVALUES\r\n  (:ID, :NAME, :DATA, :NOTE)");
}

TEST_F(OraGeneratorTest, NullLobIsSetToNullAndNotReturned) {
  const std::string sql = "SELECT ID, DATA, NOTE FROM T";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); DATA BLOB; NOTE CLOB");
  fetch_->AddRows(sql, "1|CAFE|<null>");
  auto query = NewQuery(sql);
  query->SetKeyFields("ID");
  query->Open();
  EXPECT_EQ(Generate(*query, dacore::stUpdate),
            "UPDATE T\r\nSET\r\n  ID = :ID, DATA = EMPTY_BLOB(), NOTE = NULL\r\n"
            "WHERE\r\n  ID = :Old_ID\r\nRETURNING\r\n  DATA\r\nINTO\r\n  :DATA");
}

TEST_F(OraGeneratorTest, OptionsReachTheCommandAndSomeWaitForTheClose) {
  auto query = Open();
  query->Options().SetTemporaryLobUpdate(true);
  classlib::Variant value;
  ASSERT_TRUE(query->ICommand()->GetProp(prTemporaryLobUpdate, value));
  EXPECT_TRUE(value.AsBoolean());
  EXPECT_EQ(query->Options().PrefetchRows(), 1);
  EXPECT_EQ(query->FetchRows(), 25);
  EXPECT_THROW(query->Options().SetScrollableCursor(true), classlib::Exception) << "only on a closed data set";
  EXPECT_FALSE(query->Options().ScrollableCursor());
  EXPECT_TRUE(query->CanModify()) << "a field of the updating table";
  query->Close();
  query->Options().SetScrollableCursor(true);
  EXPECT_TRUE(query->Options().ScrollableCursor());
  query->Open();
  EXPECT_FALSE(query->CanModify()) << "a scrollable cursor is read-only";
}

TEST_F(OraGeneratorTest, SequenceKeyIsTakenInTheInsert) {
  auto query = Open();
  query->SetKeySequence("t_seq");
  dacore::TDAParams params;
  EXPECT_EQ(Generate(*query, dacore::stInsert, &params),
            "INSERT INTO T\r\n  (ID, NAME, DATA, NOTE)\r\nVALUES\r\n  (T_SEQ.NEXTVAL, :NAME, EMPTY_BLOB(), EMPTY_CLOB())"
            "\r\nRETURNING\r\n  ID, DATA, NOTE\r\nINTO\r\n  :ID, :DATA, :NOTE");
  EXPECT_NE(params.FindParam("ID"), nullptr);
}

TEST_F(OraGeneratorTest, SequenceKeyOnAnOlderServerComesFromABlock) {
  session_component_->SetConnected(false);
  standin_->SetBanner("Oracle7 Server Release 7.3.4.0.0 - Production");
  session_component_->SetConnected(true);
  auto query = Open();
  query->SetKeySequence("T_SEQ");
  query->Options().SetTemporaryLobUpdate(true);
  dacore::TDAParams params;
  EXPECT_EQ(Generate(*query, dacore::stInsert, &params),
            "begin\r\n  SELECT T_SEQ.NEXTVAL INTO :ID FROM Dual;\r\n\r\n  INSERT INTO T\r\n  (ID, NAME, DATA, NOTE)"
            "\r\nVALUES\r\n  (:ID, :NAME, :DATA, :NOTE);\r\nend;");
  EXPECT_EQ(params.Count(), 4) << "the block and the INSERT share the key's parameter";
}

// ---- Key fields from the dictionary ----------------------------------------------------

class OraKeyFieldsTest : public OraGeneratorTest {
 protected:
  // The dictionary's answer to the key-columns statement.
  void ScriptKeys(const std::string& rows) {
    std::string sql = kKeyColumnsSQL;
    for (size_t at = sql.find("\r\n"); at != std::string::npos; at = sql.find("\r\n", at)) sql.erase(at, 1);
    fetch_->ScriptQuery(sql, "COL VARCHAR2(30); CON VARCHAR2(30)");
    if (!rows.empty()) fetch_->AddRows(sql, rows);
  }
  std::unique_ptr<TOraQuery> OpenOn(const std::string& sql, const std::string& columns, const std::string& row) {
    fetch_->ScriptQuery(sql, columns);
    fetch_->AddRows(sql, row);
    auto query = NewQuery(sql);
    query->Open();
    return query;
  }
};

TEST_F(OraKeyFieldsTest, TheConstraintWhoseNameSortsFirstGivesTheKey) {
  ScriptKeys("CODE|AK_T\nID|PK_T");
  auto query = OpenOn("SELECT ID, CODE, NAME FROM T", "ID NUMBER(9); CODE VARCHAR2(10); NAME VARCHAR2(20)", "1|a|b");
  statements_->ClearReceived();
  EXPECT_EQ(Generate(*query, dacore::stDelete), "DELETE FROM T\r\nWHERE\r\n  CODE = :Old_CODE");
  const auto received = statements_->Received();
  EXPECT_TRUE(Contains(received, "OWNER[1]=SCOTT")) << ::testing::PrintToString(received);
  EXPECT_TRUE(Contains(received, "NAME[1]=T"));
}

TEST_F(OraKeyFieldsTest, NamesFromTheStatementReachTheDictionaryAsValues) {
  ScriptKeys("");
  auto query = OpenOn("SELECT A FROM \"O'X\".\"T'1\"", "A NUMBER(9)", "1");
  statements_->ClearReceived();
  Generate(*query, dacore::stDelete);
  const auto received = statements_->Received();
  EXPECT_TRUE(Contains(received, "OWNER[1]=O'X")) << ::testing::PrintToString(received);
  EXPECT_TRUE(Contains(received, "NAME[1]=T'1"));
}

TEST_F(OraKeyFieldsTest, AKeyWithAColumnOutsideTheFieldsGivesNoKey) {
  ScriptKeys("ID|PK_T");
  auto query = OpenOn("SELECT GUID_COL, BLOB_COL FROM T WHERE GUID_COL IS NOT NULL",
                      "GUID_COL VARCHAR2(38); BLOB_COL BLOB", "{A}|CAFE");
  EXPECT_EQ(Generate(*query, dacore::stDelete), "DELETE FROM T\r\nWHERE\r\n  GUID_COL = :Old_GUID_COL")
      << "every column but the LOB identifies the row, never a partial key";
}

TEST(OraSelectList, ItemsBecomeColumnsOrExpressions) {
  const auto columns = ParseSelectList(
      "SELECT DISTINCT t.a, s.t.\"b\" AS x, c y, NULL, SYSDATE, f(d), t.*, (SELECT 1 FROM u), e FROM t");
  ASSERT_EQ(columns.size(), 9u);
  EXPECT_EQ(columns[0].Table, "T");
  EXPECT_EQ(columns[0].Name, "A");
  EXPECT_EQ(columns[1].Table, "S.T");
  EXPECT_EQ(columns[1].Name, "b");
  EXPECT_EQ(columns[1].Alias, "x");
  EXPECT_EQ(columns[2].Alias, "y");
  EXPECT_TRUE(columns[3].Expression);
  EXPECT_TRUE(columns[4].Expression);
  EXPECT_TRUE(columns[5].Expression);
  EXPECT_EQ(columns[6].Name, "*");
  EXPECT_TRUE(columns[7].Expression);
  EXPECT_EQ(columns[8].Name, "E");
  EXPECT_FALSE(columns[8].Expression);
}

}  // namespace
}  // namespace oracle::testing
