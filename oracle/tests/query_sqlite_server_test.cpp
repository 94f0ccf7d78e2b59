// What the SQLite tier serves beside the rows: the dictionary, ROWIDs,
// sequences, keys, value objects and LOBs going back, transactions and the
// Oracle errors of the file.
#include <fstream>
#include <memory>
#include <string>

#include "classlib/field.h"
#include "classlib/strings.h"
#include "dacore/blob.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

TEST_F(SqliteTierTest, DictionaryShowsWhatAScriptCreated) {
  ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE u (code VARCHAR2(10) NOT NULL, name VARCHAR2(20), UNIQUE (code));"
                               "CREATE SEQUENCE T_SEQ START WITH 10;"
                               "CREATE OR REPLACE PROCEDURE DO_IT AS\nBEGIN\n  NULL;\nEND;\n/\n"),
            "");
  TOraSession& session = Connect();
  auto tables = NewQuery(session, "SELECT TABLE_NAME FROM USER_ALL_TABLES ORDER BY TABLE_NAME");
  EXPECT_THAT(Rows(*tables), ::testing::ElementsAre("T", "U")) << "no table of the tier's own";
  auto columns = NewQuery(session,
                          "SELECT COLUMN_NAME, DATA_TYPE, NULLABLE FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'U' "
                          "ORDER BY COLUMN_ID");
  EXPECT_THAT(Rows(*columns), ::testing::ElementsAre("CODE|VARCHAR2|N", "NAME|VARCHAR2|Y"));
  auto objects = NewQuery(session,
                          "SELECT OBJECT_NAME, OBJECT_TYPE FROM USER_OBJECTS WHERE OBJECT_TYPE <> 'INDEX' "
                          "ORDER BY OBJECT_NAME");
  EXPECT_THAT(Rows(*objects), ::testing::ElementsAre("DO_IT|PROCEDURE", "T|TABLE", "T_SEQ|SEQUENCE", "U|TABLE"));
  auto keys = NewQuery(session,
                       "SELECT Con.Owner, Con.Constraint_Type, Col.Table_Name, Col.Column_Name, Col.Position "
                       "FROM All_Constraints Con, All_Cons_Columns Col "
                       "WHERE Con.Constraint_Name = Col.Constraint_Name ORDER BY Col.Table_Name");
  EXPECT_THAT(Rows(*keys), ::testing::ElementsAre("SCOTT|P|T|ID|1", "SCOTT|U|U|CODE|1"));
  auto sequence = NewQuery(session, "SELECT T_SEQ.NEXTVAL, T_SEQ.CURRVAL FROM DUAL");
  EXPECT_THAT(Rows(*sequence), ::testing::ElementsAre("10|10")) << "describing the query took no value";
  EXPECT_THAT(Rows(*sequence), ::testing::ElementsAre("11|11"));
}

TEST_F(SqliteTierTest, TheSessionsTablesListedWithItsUser) {
  ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE u (code VARCHAR2(10));CREATE VIEW v AS SELECT code FROM u;"), "");
  TOraSession& session = Connect();
  classlib::TStringList names;
  session.GetTableNames(names);
  std::vector<std::string> listed;
  for (int i = 0; i < names.Count(); ++i) listed.push_back(names.Strings(i));
  EXPECT_THAT(listed, ::testing::ElementsAre("SCOTT.T", "SCOTT.U", "SCOTT.V"));
  auto user = NewQuery(session, "SELECT USER, Lower(user) FROM DUAL");
  EXPECT_THAT(Rows(*user), ::testing::ElementsAre("SCOTT|scott"));
}

TEST_F(SqliteTierTest, RowidIsTheExtendedTextAndFindsItsRow) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ROWID, GUID_COL FROM T WHERE ID = 2");
  EXPECT_THAT(Rows(*query), ::testing::ElementsAre("AAAAABAABAAAAAAAAC|{B}"));
  query->Open();
  query->Edit();
  query->FieldByNumber(2)->SetAsString("{Q}");
  query->Post();
  EXPECT_TRUE(InOrder(Executed(), {"UPDATE T", "SET", "  GUID_COL = :GUID_COL", "WHERE", "  ROWID = :Old_ROWID"}))
      << "the ROWID is the row's identity: " << ::testing::PrintToString(Executed());
  EXPECT_EQ(ReadBlobs().count("{Q}"), 1u);
  auto by_rowid = NewQuery(session, "-- the row by its text\nSELECT ID FROM T WHERE ROWID = 'AAAAABAABAAAAAAAAC'");
  EXPECT_THAT(Rows(*by_rowid), ::testing::ElementsAre("2"));
  auto clock = NewQuery(session, "SELECT SYSDATE FROM DUAL");
  clock->Open();
  EXPECT_EQ(clock->FieldByNumber(1)->FieldName(), "SYSDATE");
  EXPECT_EQ(clock->FieldByNumber(1)->DataType(), classlib::ftDateTime);
  EXPECT_GT(clock->FieldByNumber(1)->AsDateTime(), 45000.0) << "a date of this century";
}

TEST_F(SqliteTierTest, KeyComesFromThePrimaryKeyWhenItIsSelected) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID, GUID_COL FROM T WHERE ID = 1");
  query->Open();
  query->Edit();
  query->FieldByNumber(2)->SetAsString("{K}");
  query->Post();
  EXPECT_TRUE(InOrder(Executed(), {"UPDATE T", "SET", "  GUID_COL = :GUID_COL", "WHERE", "  ID = :Old_ID"}))
      << ::testing::PrintToString(Executed());
  EXPECT_EQ(standin_->LogOf("OCIRowidToChar").size(), 1u) << "the updated row's ROWID is read once";
  EXPECT_EQ(ReadBlobs().count("{K}"), 1u);
}

TEST_F(SqliteTierTest, InsertTakesItsKeyFromTheSequenceAndItsRowidFromTheServer) {
  ASSERT_EQ(tier_->Exec("db1", "CREATE SEQUENCE T_SEQ START WITH 100"), "");
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ROWID, ID, GUID_COL, BLOB_COL FROM T");
  query->SetKeyFields("ID");
  query->SetKeySequence("T_SEQ");
  query->Options().SetReturnParams(true);
  query->Open();
  query->Append();
  query->FieldByNumber(3)->SetAsString("{N}");
  query->FieldByNumber(4)->SetAsString(std::string("\0new", 4));
  query->Post();
  EXPECT_TRUE(InOrder(Executed(), {"INSERT INTO T", "  (ID, GUID_COL, BLOB_COL)", "VALUES",
                                   "  (T_SEQ.NEXTVAL, :GUID_COL, EMPTY_BLOB())", "RETURNING"}))
      << ::testing::PrintToString(Executed());
  EXPECT_EQ(query->FieldByNumber(2)->AsInteger(), 100) << "the key RETURNING gave back";
  EXPECT_EQ(query->FieldByNumber(1)->AsString(), "AAAAABAABAAAAAAAAE") << "the new row is the fourth";
  EXPECT_EQ(ReadBlobs().at("{N}"), std::string("\0new", 4));
}

TEST_F(SqliteTierTest, DateTimeGoesBackAsItsObjectWithItsFraction) {
  ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE V (ID NUMBER(9) PRIMARY KEY, NAME VARCHAR2(10), TS TIMESTAMP(6));"
                               "INSERT INTO V VALUES (1, 'a', '2024-05-06 07:08:09.123456')"),
            "");
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID, NAME, TS FROM V");
  query->Options().SetUpdateAllFields(true);
  query->Open();
  query->Edit();
  query->FieldByNumber(2)->SetAsString("b");
  query->Post();
  EXPECT_TRUE(Contains(standin_->Log(), "OCIBindByName name=TS type=187 size=8 mode=0"))
      << "bound as a date-time descriptor: " << ::testing::PrintToString(standin_->LogOf("OCIBindByName"));
  auto check = NewQuery(Connect(), "SELECT NAME, substr(TS, 1, 26) FROM V");
  EXPECT_THAT(Rows(*check), ::testing::ElementsAre("b|2024-05-06 07:08:09.123456"));
}

TEST_F(SqliteTierTest, RefreshFindsTheRowByItsRowid) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ROWID, GUID_COL FROM T WHERE ID = 1");
  query->Open();
  auto change = NewQuery(Connect(), "UPDATE T SET GUID_COL = '{R}' WHERE ID = 1");
  change->Execute();
  query->RefreshRecord();
  EXPECT_EQ(query->FieldByNumber(2)->AsString(), "{R}");
}

TEST_F(SqliteTierTest, NationalClobIsWrittenInTheNationalCharacterSet) {
  ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE N (ID NUMBER(9) PRIMARY KEY, NOTE NCLOB);"
                               "INSERT INTO N VALUES (1, 'old')"),
            "");
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID, NOTE FROM N");
  query->Open();
  query->Edit();
  query->FieldByNumber(2)->SetAsString("new text");
  query->Post();
  EXPECT_TRUE(Contains(standin_->Log(), "OCILobWrite amount=8 offset=1 bufl=8 piece=0 csid=0 csfrm=2"))
      << ::testing::PrintToString(standin_->LogOf("OCILobWrite"));
  auto check = NewQuery(Connect(), "SELECT NOTE FROM N");
  EXPECT_THAT(Rows(*check), ::testing::ElementsAre("new text"));
}

TEST_F(SqliteTierTest, TextKeptAsAMemoGoesBackAsText) {
  ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE M (ID NUMBER(9) PRIMARY KEY, NOTE VARCHAR2(4000));"
                               "INSERT INTO M VALUES (1, 'short')"),
            "");
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID, NOTE FROM M");
  query->Options().SetLongStrings(false);
  query->Open();
  const std::string long_text(3000, 'x');
  query->Edit();
  query->FieldByNumber(2)->SetAsString(long_text);
  query->Post();
  EXPECT_TRUE(Contains(standin_->Log(), "OCIBindByName name=NOTE type=5 size=3001 mode=0"))
      << "a text bound whole, not as a LONG: " << ::testing::PrintToString(standin_->LogOf("OCIBindByName"));
  auto check = NewQuery(Connect(), "SELECT length(NOTE) FROM M");
  EXPECT_THAT(Rows(*check), ::testing::ElementsAre("3000"));
}

TEST_F(SqliteTierTest, RewriteLeavesLiteralsAndQuotedNamesAlone) {
  TOraSession& session = Connect();
  auto update = NewQuery(session, "UPDATE T SET GUID_COL = ':X ROWID SYSDATE FOR UPDATE' WHERE ID = :ID");
  update->ParamByName("ID")->SetAsInteger(3);
  update->Execute();
  EXPECT_EQ(update->RowsAffected(), 1);
  auto nested = NewQuery(session,
                         "SELECT \"ID\", GUID_COL FROM T WHERE ID IN (SELECT ID FROM T WHERE GUID_COL LIKE ':X%') "
                         "ORDER BY 1");
  EXPECT_THAT(Rows(*nested), ::testing::ElementsAre("3|:X ROWID SYSDATE FOR UPDATE"));
}

TEST_F(SqliteTierTest, ArrayDmlRunsEachIteration) {
  TOraSession& session = Connect();
  auto sql = session.CreateSQL();
  sql->SetSQL("INSERT INTO T (ID, GUID_COL) VALUES (:ID, :GUID)");
  auto& params = static_cast<TOraParams&>(sql->Params());
  params.Items(0)->SetDataType(classlib::ftInteger);
  params.Items(1)->SetDataType(classlib::ftString);
  for (int p = 0; p < 2; ++p) params.Items(p)->SetLength(3);
  for (int i = 1; i <= 3; ++i) {
    params.Items(0)->SetItemValue(i, classlib::Variant(10 + i));
    params.Items(1)->SetItemValue(i, classlib::Variant("{" + std::to_string(i) + "}"));
  }
  sql->Execute(3);
  EXPECT_EQ(sql->RowsAffected(), 3);
  EXPECT_TRUE(Contains(standin_->Log(), "OCIStmtExecute iters=3 offset=0 mode=0")) << "a statement does not commit";
  EXPECT_TRUE(ReadBlobs().empty() || ReadBlobs().count("{1}") == 0) << "nothing shows before the commit";
  session.Commit();
  auto rows = NewQuery(Connect(), "SELECT ID, GUID_COL FROM T WHERE ID > 10 ORDER BY ID");
  EXPECT_THAT(Rows(*rows), ::testing::ElementsAre("11|{1}", "12|{2}", "13|{3}")) << "each text whole";
}

// The second row's key is taken: the statement stops there, and its
// rows processed name the failing iteration (the first one went in). A
// run that succeeds afterwards counts its own rows only.
TEST_F(SqliteTierTest, FailedArrayDmlCountsTheRowsBeforeTheFailingOne) {
  TOraSession& session = Connect();
  auto sql = session.CreateSQL();
  sql->SetSQL("INSERT INTO T (ID, GUID_COL) VALUES (:ID, :GUID)");
  auto& params = static_cast<TOraParams&>(sql->Params());
  params.Items(0)->SetDataType(classlib::ftInteger);
  params.Items(1)->SetDataType(classlib::ftString);
  for (int p = 0; p < 2; ++p) params.Items(p)->SetLength(3);
  const int ids[] = {21, 2, 23};
  for (int i = 1; i <= 3; ++i) {
    params.Items(0)->SetItemValue(i, classlib::Variant(ids[i - 1]));
    params.Items(1)->SetItemValue(i, classlib::Variant("{" + std::to_string(i) + "}"));
  }
  EXPECT_EQ(OracleErrorOf([&] { sql->Execute(3); }), "1 ORA-00001:");
  EXPECT_EQ(sql->RowsAffected(), 1);
  params.Items(0)->SetItemValue(2, classlib::Variant(22));
  params.Items(0)->SetItemValue(1, classlib::Variant(20));
  sql->Execute(3);
  EXPECT_EQ(sql->RowsAffected(), 3);
  EXPECT_EQ(OracleErrorOf([&] { sql->Execute(3); }), "1 ORA-00001:") << "row 1 (ID 20) is in now";
  EXPECT_EQ(sql->RowsAffected(), 0) << "nothing of an earlier run is reported";
  session.Commit();
  auto rows = NewQuery(Connect(), "SELECT ID FROM T WHERE ID > 10 ORDER BY ID");
  EXPECT_THAT(Rows(*rows), ::testing::ElementsAre("20", "21", "22", "23"));
}

// ---- Transactions and errors of the file -----------------------------------------------

TEST_F(SqliteTierTest, RollbackUndoesWhatTheSessionDidNotCommit) {
  TOraSession& session = Connect();
  session.SetAutoCommit(false);
  auto update = NewQuery(session, "UPDATE T SET GUID_COL = '{U}' WHERE ID = 1");
  update->SetAutoCommit(false);
  update->Execute();
  EXPECT_EQ(ReadBlobs().count("{U}"), 0u) << "another session sees only committed rows";
  session.Rollback();
  EXPECT_TRUE(Contains(standin_->Log(), "OCITransRollback flags=0"));
  update->Execute();
  auto ddl = NewQuery(session, "CREATE TABLE W (X NUMBER(9))");
  ddl->SetAutoCommit(false);
  ddl->Execute();
  EXPECT_EQ(ReadBlobs().count("{U}"), 1u) << "data definition commits the work before it, as on a server";
}

TEST_F(SqliteTierTest, ConstraintsAndMissingObjectsAnswerOracleErrors) {
  ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE R (ID NUMBER(9) NOT NULL)"), "");
  TOraSession& session = Connect();
  auto null_key = NewQuery(session, "INSERT INTO R (ID) VALUES (NULL)");
  EXPECT_EQ(OracleErrorOf([&] { null_key->Execute(); }), "1400 ORA-01400:");
  auto again = NewQuery(session, "CREATE TABLE R (ID NUMBER(9))");
  EXPECT_EQ(OracleErrorOf([&] { again->Execute(); }), "955 ORA-00955:");
  auto sequence = NewQuery(session, "SELECT NO_SEQ.NEXTVAL FROM DUAL");
  EXPECT_EQ(OracleErrorOf([&] { sequence->Open(); }), "2289 ORA-02289:");
  EXPECT_EQ(tier_->Exec("db1", "INSERT INTO NOWHERE VALUES (1)"), "ORA-00942: table or view does not exist")
      << "a setup script reports its first error";
}

TEST_F(SqliteTierTest, StatementWritesTheLobItsInsertReturns) {
  TOraSession& session = Connect();
  auto sql = session.CreateSQL();
  sql->SetAutoCommit(true);
  sql->SetSQL("INSERT INTO T (ID, GUID_COL, BLOB_COL) VALUES (9, '{L}', EMPTY_BLOB()) RETURNING BLOB_COL INTO :B");
  auto* param = static_cast<TOraParams&>(sql->Params()).Items(0);
  param->SetDataType(classlib::ftOraBlob);
  param->SetParamType(classlib::ptInputOutput);
  param->AsOraBlob()->SetAsString("lob bytes");
  sql->Execute();
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCIBindByName name=B type=113 size=8 mode=0",
                                        "OCIStmtExecute iters=1 offset=0 mode=0",
                                        "OCILobWrite amount=9 offset=1 bufl=9 piece=0 csid=0 csfrm=0",
                                        "OCITransCommit flags=0"}));
  EXPECT_EQ(ReadBlobs().at("{L}"), "lob bytes");
}
}  // namespace
}  // namespace oracle::testing
