// Keys from a sequence, end to end on the SQLite tier: taken at post inside
// the INSERT or by a block before a hand-written one, taken at insert with
// smInsert, each coming back into the key field and read from another
// session; a ROWID key is never fed from the sequence.
#include <memory>
#include <string>

#include "classlib/field.h"
#include "oracle/tests/query_sqlite_fixture.h"

namespace oracle::testing {
namespace {

class SqliteTierSequenceTest : public SqliteTierTest {
 protected:
  void SetUp() override {
    SqliteTierTest::SetUp();
    ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE S (ID NUMBER(9) PRIMARY KEY, NAME VARCHAR2(20));"
                                 "CREATE SEQUENCE S_SEQ START WITH 100"),
              "");
  }
  std::unique_ptr<TOraQuery> SequenceQuery(TOraSession& session, const std::string& sql = "SELECT ID, NAME FROM S") {
    auto query = NewQuery(session, sql);
    query->SetKeyFields("ID");
    query->SetKeySequence("s_seq");
    query->Open();
    return query;
  }
  // The rows of S as a second session reads them.
  std::vector<std::string> StoredRows() {
    auto reader = NewQuery(Connect(), "SELECT ID, NAME FROM S ORDER BY ID");
    return Rows(*reader);
  }
  int Count(const std::string& line) {
    int count = 0;
    for (const std::string& executed : Executed()) count += executed.find(line) != std::string::npos;
    return count;
  }
};

TEST_F(SqliteTierSequenceTest, PostTakesTheKeyInTheInsertAndReturnsItIntoTheField) {
  TOraSession& session = Connect();
  auto query = SequenceQuery(session);
  query->Append();
  query->FieldByName("NAME")->SetAsString("first");
  EXPECT_EQ(Count("NEXTVAL"), 0) << "smPost: nothing is taken before the post";
  query->Post();
  EXPECT_TRUE(InOrder(Executed(), {"INSERT INTO S", "  (ID, NAME)", "VALUES", "  (S_SEQ.NEXTVAL, :NAME)",
                                   "RETURNING", "  ID, NAME", "INTO", "  :ID, :NAME"}))
      << ::testing::PrintToString(Executed());
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 100) << "the key the INSERT returned";
  EXPECT_FALSE(query->Options().ReturnParams()) << "returned values only for the insert";
  query->Append();
  query->FieldByName("NAME")->SetAsString("second");
  query->Post();
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 101);
  EXPECT_THAT(StoredRows(), ::testing::ElementsAre("100|first", "101|second"));
}

TEST_F(SqliteTierSequenceTest, SmInsertTakesTheKeyWhenTheRecordIsInserted) {
  TOraSession& session = Connect();
  auto query = SequenceQuery(session);
  query->SetSequenceMode(smInsert);
  query->Append();
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 100) << "the block's value is in the field before the post";
  EXPECT_EQ(Count("SELECT S_SEQ.NEXTVAL INTO :ID FROM Dual"), 1);
  query->FieldByName("NAME")->SetAsString("early");
  query->Post();
  EXPECT_TRUE(InOrder(Executed(), {"INSERT INTO S", "  (ID, NAME)", "VALUES", "  (:ID, :NAME)"}))
      << "the key goes in as a value: " << ::testing::PrintToString(Executed());
  EXPECT_EQ(Count("NEXTVAL"), 1) << "the post takes no second value";
  EXPECT_THAT(StoredRows(), ::testing::ElementsAre("100|early"));
}

TEST_F(SqliteTierSequenceTest, HandWrittenInsertGetsTheKeyFirstUnderSmPost) {
  TOraSession& session = Connect();
  auto query = SequenceQuery(session);
  query->SQLInsert().SetText("INSERT INTO S (ID, NAME) VALUES (:ID, :NAME)");
  query->Append();
  query->FieldByName("NAME")->SetAsString("by hand");
  query->Post();
  EXPECT_TRUE(InOrder(Executed(), {"begin", "  SELECT S_SEQ.NEXTVAL INTO :ID FROM Dual;", "end;",
                                   "INSERT INTO S (ID, NAME) VALUES (:ID, :NAME)"}))
      << ::testing::PrintToString(Executed());
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 100);
  EXPECT_THAT(StoredRows(), ::testing::ElementsAre("100|by hand"));
}

TEST_F(SqliteTierSequenceTest, RowidKeyIsNeverFedFromTheSequence) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ROWID, ID, NAME FROM S");
  query->SetKeySequence("S_SEQ");
  query->SetSequenceMode(smInsert);
  query->Open();
  query->Append();
  EXPECT_TRUE(query->FieldByName("ROWID")->IsNull()) << "no sequence value in the ROWID";
  EXPECT_EQ(Count("NEXTVAL"), 0);
  query->FieldByName("ID")->SetAsInteger(7);
  query->FieldByName("NAME")->SetAsString("own key");
  query->Post();
  EXPECT_EQ(query->FieldByName("ROWID")->AsString().size(), 18u) << "the ROWID the server gave the row";
  query->SetSequenceMode(smPost);
  query->Append();
  query->FieldByName("ID")->SetAsInteger(8);
  query->Post();
  EXPECT_EQ(Count("NEXTVAL"), 0) << ::testing::PrintToString(Executed());
  EXPECT_THAT(StoredRows(), ::testing::ElementsAre("7|own key", "8|<null>"));
  auto next = NewQuery(session, "SELECT S_SEQ.NEXTVAL FROM DUAL");
  EXPECT_THAT(Rows(*next), ::testing::ElementsAre("100")) << "the sequence was not touched";
}

}  // namespace
}  // namespace oracle::testing
