// The query component end to end on the stand-in's SQLite tier, the way the
// updater uses it: a session opened with user, password and server, a
// SELECT read by position, a LOB edited through its returned locator and
// read back from a second session, server errors with their Oracle text.
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "classlib/field.h"
#include "dacore/blob.h"
#include "oracle/error_ora.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/rset_fixture.h"
#include "testing/message_of.h"
#include "testing/oci_standin_tier.h"

namespace oracle::testing {
namespace {

class SqliteTierTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    tier_ = std::make_unique<standin_testing::StandinTier>(ORACLE_STANDIN_PATH);
    tier_->Open("db1", temp_ + "/db1.sqlite", "scott", "tiger",
                "CREATE TABLE T (ID NUMBER(9) PRIMARY KEY, GUID_COL VARCHAR2(38), BLOB_COL BLOB);"
                "INSERT INTO T VALUES (1, '{A}', X'0102');"
                "INSERT INTO T VALUES (2, '{B}', X'0304');"
                "INSERT INTO T VALUES (3, NULL, NULL)");
  }
  void TearDown() override {
    sessions_.clear();
    tier_.reset();
    RecordSetTest::TearDown();
  }
  TOraSession& Connect(const std::string& server = "db1") {
    auto session = std::make_unique<TOraSession>();
    session->SetUsername("scott");
    session->SetPassword("tiger");
    session->SetServer(server);
    session->SetConnected(true);
    sessions_.push_back(std::move(session));
    return *sessions_.back();
  }
  std::unique_ptr<TOraQuery> NewQuery(TOraSession& session, const std::string& sql) {
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(&session);
    query->SetSQL(sql);
    return query;
  }
  // The BLOB of each row with a GUID, read through a session of its own.
  std::map<std::string, std::string> ReadBlobs() {
    TOraSession& reader = Connect();
    auto query = NewQuery(reader, "SELECT GUID_COL, BLOB_COL FROM T WHERE GUID_COL IS NOT NULL");
    query->Open();
    std::map<std::string, std::string> blobs;
    for (; !query->Eof(); query->Next()) blobs[query->FieldByNumber(1)->AsString()] = query->FieldByNumber(2)->AsString();
    query->Close();
    return blobs;
  }
  // The statements the sessions ran, one line each, without trailing blanks.
  std::vector<std::string> Executed() {
    std::vector<std::string> lines = session_->Executed();
    for (std::string& line : lines)
      while (!line.empty() && line.back() == ' ') line.pop_back();
    return lines;
  }
  std::unique_ptr<standin_testing::StandinTier> tier_;
  std::vector<std::unique_ptr<TOraSession>> sessions_;
};

TEST_F(SqliteTierTest, SelectIsReadByPositionToTheEnd) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID, GUID_COL FROM T ORDER BY ID");
  query->Execute();
  ASSERT_TRUE(query->Active());
  std::vector<int> ids;
  std::vector<std::string> guids;
  for (; !query->Eof(); query->Next()) {
    ids.push_back(query->FieldByNumber(1)->AsInteger());
    guids.push_back(query->FieldByNumber(2)->AsString());
  }
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(guids, (std::vector<std::string>{"{A}", "{B}", ""}));
  EXPECT_TRUE(query->FieldByNumber(2)->IsNull());
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCIServerAttach link=db1 mode=0", "OCISessionBegin user=scott cred=1 mode=0"}));
}

TEST_F(SqliteTierTest, StatementWithoutRowsLeavesTheQueryClosed) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "UPDATE T SET GUID_COL = 'x' WHERE ID = 3");
  query->Execute();
  EXPECT_FALSE(query->Active());
  EXPECT_EQ(query->RowsAffected(), 1);
  auto missing = NewQuery(session, "DELETE FROM T WHERE ID = 42");
  missing->Execute();
  EXPECT_EQ(missing->RowsAffected(), 0);
  EXPECT_EQ(ReadBlobs().count("x"), 1u) << "a query commits its statements by default";
}

// The code and the start of the text of the EOraError that f raises.
template <class F>
std::string OracleErrorOf(F f) {
  try {
    f();
  } catch (const EOraError& e) {
    return std::to_string(e.ErrorCode()) + " " + std::string(e.what()).substr(0, 10);
  }
  return "(no error)";
}

TEST_F(SqliteTierTest, ServerErrorsCarryTheirOracleText) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT * FROM NOWHERE");
  EXPECT_EQ(OracleErrorOf([&] { query->Open(); }), "942 ORA-00942:");
  EXPECT_FALSE(query->Active());
  auto duplicate = NewQuery(session, "INSERT INTO T (ID) VALUES (1)");
  EXPECT_EQ(OracleErrorOf([&] { duplicate->Execute(); }), "1 ORA-00001:");
  auto column = NewQuery(session, "SELECT NOWHERE FROM T");
  EXPECT_EQ(OracleErrorOf([&] { column->Open(); }), "904 ORA-00904:");
}

TEST_F(SqliteTierTest, FileThatCannotBeOpenedRefusesTheLogon) {
  tier_->Attach("db2", temp_ + "/no/such/folder/db2.sqlite");
  auto session = std::make_unique<TOraSession>();
  session->SetConnectString("scott/tiger@db2");
  EXPECT_THAT(classlib::testing::MessageOf([&] { session->SetConnected(true); }), ::testing::HasSubstr("ORA-01034"));
  EXPECT_FALSE(session->Connected());
}

TEST_F(SqliteTierTest, WrongPasswordIsRefused) {
  auto session = std::make_unique<TOraSession>();
  session->SetUsername("scott");
  session->SetPassword("wrong");
  session->SetServer("db1");
  EXPECT_THAT(classlib::testing::MessageOf([&] { session->SetConnected(true); }), ::testing::HasSubstr("ORA-01017"));
}

// ---- The server side the tier serves ------------------------------------------------------

// The rows of a query, fields joined by "|", "<null>" for a null.
std::vector<std::string> Rows(TOraQuery& query) {
  std::vector<std::string> rows;
  query.Open();
  for (; !query.Eof(); query.Next()) {
    std::string row;
    for (int i = 1; i <= query.FieldCount(); ++i) {
      classlib::TField* field = query.FieldByNumber(i);
      row += (i > 1 ? "|" : "") + (field->IsNull() ? std::string("<null>") : field->AsString());
    }
    rows.push_back(row);
  }
  query.Close();
  return rows;
}

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

// ---- Editing a LOB as the updater does ---------------------------------------------------

class SqliteTierEditTest : public SqliteTierTest {
 protected:
  std::string WriteFile(const std::string& bytes) {
    const std::string path = temp_ + "/blob.bin";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(SqliteTierEditTest, BlobLoadedFromAFileIsPostedThroughItsLocator) {
  std::string bytes = "BLOB";
  for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i * 7 % 256);
  const std::string file = WriteFile(bytes);
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT GUID_COL, BLOB_COL FROM T WHERE GUID_COL IS NOT NULL");
  query->Execute();
  ASSERT_TRUE(query->Active());
  ASSERT_EQ(query->FieldByNumber(1)->AsString(), "{A}");
  query->Next();
  ASSERT_EQ(query->FieldByNumber(1)->AsString(), "{B}");
  standin_->ClearLog();
  query->Edit();
  query->GetBlob(query->FieldByNumber(2)->FieldName())->LoadFromFile(file);
  query->Post();
  // The row is found by every column but the LOB: its key is not selected.
  EXPECT_TRUE(InOrder(Executed(), {"UPDATE T", "SET", "  BLOB_COL = EMPTY_BLOB()", "WHERE",
                                             "  GUID_COL = :Old_GUID_COL", "RETURNING", "  BLOB_COL", "INTO"}))
      << ::testing::PrintToString(Executed());
  // The UPDATE does not commit by itself: the LOB follows it, then the commit.
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCIBindByName name=BLOB_COL type=113 size=8 mode=0",
                                        "OCIStmtExecute iters=1 offset=0 mode=0",
                                        "OCILobWrite amount=65514 offset=1 bufl=65514 piece=0 csid=0 csfrm=0",
                                        "OCILobWrite amount=4490 offset=65515 bufl=4490 piece=0 csid=0 csfrm=0",
                                        "OCITransCommit flags=0"}));

  const auto blobs = ReadBlobs();
  ASSERT_EQ(blobs.size(), 2u);
  EXPECT_EQ(blobs.at("{A}"), std::string("\x01\x02", 2)) << "the other row is untouched";
  EXPECT_EQ(blobs.at("{B}").size(), bytes.size());
  EXPECT_TRUE(blobs.at("{B}") == bytes) << "read back byte for byte";
}

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

TEST_F(SqliteTierLockTest, ImmediateLockIsTakenAtEdit) {
  TOraSession& session = Connect();
  auto query = OpenForEdit(session, lmLockImmediate);
  HoldRowLock();
  EXPECT_THROW(query->Edit(), EOraError);
  EXPECT_EQ(query->State(), classlib::dsBrowse) << "a refused lock leaves the record unedited";
  EXPECT_TRUE(InOrder(Executed(), {"SAVEPOINT LOCK_oraQ", "ROLLBACK TO SAVEPOINT LOCK_oraQ"}));
}

}  // namespace
}  // namespace oracle::testing
