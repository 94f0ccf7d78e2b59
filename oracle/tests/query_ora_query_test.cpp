// The query component on a session of the stand-in's scripted engine:
// opening a SELECT and reading its fields by position, the end of the rows,
// statements without rows, server errors, and the statements the data set
// writes itself (record count, lock savepoint).
#include <memory>
#include <string>

#include "classlib/field.h"
#include "oracle/error_ora.h"
#include "oracle/query_ora_dataset.h"
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

}  // namespace
}  // namespace oracle::testing
