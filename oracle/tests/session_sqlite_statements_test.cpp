// The session's own statements end to end on the stand-in's SQLite tier:
// ExecSQL's values in their own types, a FLOAT column read as a float,
// uncommitted work at disconnect, pooled or not, and a lost connection
// found by a query's execute.
#include <dlfcn.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

constexpr const char* kEndOfFile = "ORA-03113: end-of-file on communication channel";

// Bytes as the class library's byte-array variant.
classlib::Variant BytesVariant(const std::vector<uint8_t>& bytes) {
  classlib::Variant value = classlib::VarArrayCreate({0, static_cast<int>(bytes.size()) - 1}, classlib::varByte);
  for (size_t i = 0; i < bytes.size(); ++i)
    classlib::VarArrayPut(value, classlib::Variant(static_cast<int>(bytes[i])), {static_cast<int>(i)});
  return value;
}

class SessionSqliteTest : public SqliteTierTest {
 protected:
  void SetUp() override {
    SqliteTierTest::SetUp();
    ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE V (ID NUMBER(9), D DATE, F FLOAT(10), BIG NUMBER(19), "
                                 "TXT VARCHAR2(20), B RAW(16))"),
              "");
  }

  // The number of rows of V that a condition on one value selects, asked of
  // a session of its own (the values go in order, Result's first).
  int CountWhere(const std::string& condition, const classlib::Variant& value = classlib::Null()) {
    TOraSession& reader = Connect();
    return reader.ExecSQL("begin select count(*) into :Result from V where " + condition + "; end;",
                          {classlib::Null(), value})
        .AsInteger();
  }

  // Every server that the sessions reach goes away.
  int LoseLink() {
    void* library = dlopen(ORACLE_STANDIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (!library) return -1;
    auto lose = reinterpret_cast<int (*)()>(dlsym(library, "standin_lose_link"));
    const int lost = lose ? lose() : -1;
    dlclose(library);
    return lost;
  }
};

// ---- ExecSQL ----------------------------------------------------------------------------

TEST_F(SessionSqliteTest, ExecSQLSendsEachValueInItsOwnType) {
  TOraSession& session = Connect();
  const classlib::TDateTime when = classlib::EncodeDate(2005, 3, 15) + classlib::EncodeTime(10, 30, 5, 0);
  const int64_t big = 9007199254740993LL;  // 2^53 + 1: a double cannot hold it
  session.ExecSQL("INSERT INTO V (ID, D, F, BIG, TXT) VALUES (:id, :d, :f, :big, :txt)",
                  {1, classlib::Variant::FromDate(when), 1.25, classlib::Variant(static_cast<long long>(big)),
                   classlib::Null()});
  EXPECT_THAT(standin_->LogOf("OCIBindByName"),
              ::testing::ElementsAre("OCIBindByName name=id type=3 size=4 mode=0",
                                     "OCIBindByName name=d type=12 size=7 mode=0",
                                     "OCIBindByName name=f type=4 size=8 mode=0",
                                     "OCIBindByName name=big type=6 size=22 mode=0",
                                     "OCIBindByName name=txt type=1 size=0 mode=0"));

  auto query = NewQuery(session, "SELECT D, F, TXT FROM V WHERE ID = 1");
  query->Open();
  ASSERT_FALSE(query->Eof());
  EXPECT_EQ(classlib::FormatDateTime("yyyy-mm-dd hh:nn:ss", query->FieldByName("D")->AsDateTime()),
            "2005-03-15 10:30:05");
  EXPECT_DOUBLE_EQ(query->FieldByName("F")->AsFloat(), 1.25);
  EXPECT_TRUE(query->FieldByName("TXT")->IsNull());
  query->Close();

  // Compared on the server in their own types: the date and the 64-bit
  // integer exactly, a neighbour of each not.
  EXPECT_EQ(CountWhere("BIG = :b", classlib::Variant(static_cast<long long>(big))), 1);
  EXPECT_EQ(CountWhere("BIG = :b", classlib::Variant(static_cast<long long>(big - 1))), 0);
  EXPECT_EQ(CountWhere("D = :d", classlib::Variant::FromDate(when)), 1);
  EXPECT_EQ(CountWhere("D = :d", classlib::Variant::FromDate(when + 1.0 / 86400)), 0);
  EXPECT_EQ(CountWhere("TXT IS NULL AND F = :f", 1.25), 1);
}

TEST_F(SessionSqliteTest, ExecSQLSendsBytesAsBinaryAndAnswersResultInItsType) {
  TOraSession& session = Connect();
  const std::vector<uint8_t> bytes{0x00, 0x01, 0xFE, 0xFF};
  session.ExecSQL("INSERT INTO V (ID, B) VALUES (2, :b)", {BytesVariant(bytes)});
  EXPECT_THAT(standin_->LogOf("OCIBindByName"), ::testing::ElementsAre("OCIBindByName name=b type=23 size=4 mode=0"));
  auto query = NewQuery(session, "SELECT B FROM V WHERE ID = 2");
  query->Open();
  EXPECT_EQ(query->FieldByName("B")->AsString(), std::string("\x00\x01\xFE\xFF", 4));
  query->Close();

  // A Result given no value answers as a text.
  const classlib::Variant count = session.ExecSQL("begin select count(*) into :Result from V; end;");
  EXPECT_TRUE(classlib::VarIsStr(count));
  EXPECT_EQ(count.AsString(), "1");
  EXPECT_TRUE(classlib::VarIsEmpty(session.ExecSQL("DELETE FROM V WHERE ID = 42")));
}

// ---- FLOAT columns ------------------------------------------------------------------------

TEST_F(SessionSqliteTest, AFloatColumnReadsBackItsFractionWhateverItsPrecision) {
  TOraSession& session = Connect();
  session.ExecSQL("INSERT INTO V (ID, F) VALUES (3, :f)", {1.5});
  auto query = NewQuery(session, "SELECT F FROM V WHERE ID = 3");
  query->Open();
  EXPECT_EQ(query->FieldByName("F")->DataType(), classlib::ftFloat);
  EXPECT_DOUBLE_EQ(query->FieldByName("F")->AsFloat(), 1.5) << "FLOAT(10) counts binary digits";
}

// ---- Pooled connections ---------------------------------------------------------------

// Work that a session with AutoCommit off leaves pending at disconnect is
// lost, whether its connection ends or goes back to a pool: the next user
// of that pooled connection commits only his own rows.
TEST_F(SessionSqliteTest, UncommittedWorkEndsWithTheSessionPooledOrNot) {
  auto session = [](bool pooling) {
    auto made = std::make_unique<TOraSession>();
    made->SetConnectString("scott/tiger@db1");
    made->SetPooling(pooling);
    made->SetAutoCommit(false);
    made->SetConnected(true);
    return made;
  };
  auto first = session(true);
  first->ExecSQL("INSERT INTO V (ID) VALUES (1)", {});
  TOCIConnection* pooled = first->OCIConnection();
  first->SetConnected(false);
  auto next = session(true);
  ASSERT_EQ(next->OCIConnection(), pooled) << "the pool hands the same connection on";
  next->ExecSQL("INSERT INTO V (ID) VALUES (2)", {});
  next->Commit();
  EXPECT_EQ(CountWhere("ID = 1"), 0) << "the first user's row went with his session";
  EXPECT_EQ(CountWhere("ID = 2"), 1);
  next->SetConnected(false);

  auto plain = session(false);
  plain->ExecSQL("INSERT INTO V (ID) VALUES (3)", {});
  plain->SetConnected(false);
  EXPECT_EQ(CountWhere("ID = 3"), 0);
}

// ---- A lost connection --------------------------------------------------------------------

TEST_F(SessionSqliteTest, ALostConnectionDuringAQueryDisconnectsAndTheNextConnectWorks) {
  TOraSession& session = Connect();
  std::vector<int> heard;
  session.OnError = dacore::TDAConnectionErrorEvent::Function(
      [&](classlib::TObject* sender, dacore::EDAError& e, bool& fail) {
        EXPECT_EQ(sender, &session);
        EXPECT_TRUE(fail);
        heard.push_back(e.ErrorCode());
      });
  auto query = NewQuery(session, "UPDATE T SET GUID_COL = 'x' WHERE ID = 3");
  standin_->InjectFault("OCIStmtExecute", 1, OCI_ERROR, 3113, kEndOfFile);
  EXPECT_EQ(OracleErrorOf([&] { query->Execute(); }), "3113 ORA-03113:");
  EXPECT_EQ(heard, std::vector<int>{3113});
  EXPECT_FALSE(session.Connected()) << "a fatal error ends the session";
  EXPECT_FALSE(query->Active());

  session.SetConnected(true);
  query->Execute();
  EXPECT_EQ(query->RowsAffected(), 1);
  EXPECT_EQ(heard.size(), 1u);
}

// The server goes away: the statement hears of it, and so would the end of
// the session; the session is closed all the same, and reopening it (as the
// updater does before each script file) logs on anew.
TEST_F(SessionSqliteTest, AServerGoneAwayLeavesTheSessionClosedForAFreshLogon) {
  TOraSession& session = Connect();
  int errors = 0;
  session.OnError = dacore::TDAConnectionErrorEvent::Function(
      [&](classlib::TObject*, dacore::EDAError&, bool&) { ++errors; });
  ASSERT_EQ(LoseLink(), 1);
  auto query = NewQuery(session, "UPDATE T SET GUID_COL = 'x' WHERE ID = 3");
  EXPECT_EQ(OracleErrorOf([&] { query->Execute(); }), "3114 ORA-03114:");
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(errors, 1) << "the failed end of the session is not raised again";
  EXPECT_EQ(standin_->LogOf("OCISessionEnd").size(), 1u);

  standin_->ClearLog();
  session.Open();
  EXPECT_EQ(standin_->LogOf("OCISessionBegin").size(), 1u);
  query->Execute();
  EXPECT_EQ(query->RowsAffected(), 1);
}

TEST_F(SessionSqliteTest, AnErrorHandlerMayTakeAnErrorThatIsNotFatal) {
  TOraSession& session = Connect();
  session.OnError = dacore::TDAConnectionErrorEvent::Function(
      [](classlib::TObject*, dacore::EDAError& e, bool& fail) { fail = e.ErrorCode() != 942; });
  auto missing = NewQuery(session, "SELECT * FROM NOWHERE");
  EXPECT_THROW(missing->Open(), classlib::EAbort) << "taken: nothing but a silent abort leaves";
  EXPECT_TRUE(session.Connected());
  auto duplicate = NewQuery(session, "INSERT INTO T (ID) VALUES (1)");
  EXPECT_EQ(OracleErrorOf([&] { duplicate->Execute(); }), "1 ORA-00001:");
  EXPECT_TRUE(session.Connected());
}

}  // namespace
}  // namespace oracle::testing
