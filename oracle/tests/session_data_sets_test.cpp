// What a session does to the data sets on it, driven through TOraSession
// and TOraQuery on the stand-in: a fail-over that ends on a new server
// session prepares their statements again, a change of the number mapping
// describes their fields again, and one session's settings copied into
// another.
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/field_numeric.h"
#include "oracle/call_state.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/query_fixture.h"

namespace oracle::testing {
namespace {

class SessionDataSetsTest : public OraQueryFixture {};

// ---- Fail-over ------------------------------------------------------------------------------

TEST_F(SessionDataSetsTest, AFailOverEndPreparesTheStatementsAgainOnTheNewSession) {
  const std::string sql = "SELECT N FROM T";
  fetch_->ScriptQuery(sql, "N NUMBER(9)");
  fetch_->AddRows(sql, "1\n2");
  auto query = NewQuery(sql);
  query->Prepare();
  auto other = NewQuery(sql);
  other->Prepare();
  const int uses = session_component_->ConnectCount();
  std::vector<bool> prepared_when_told;
  session_component_->OnFailover =
      TFailoverEvent::Function([&](classlib::TObject*, TFailoverState, TFailoverType, bool&) {
        prepared_when_told.push_back(query->Prepared());
      });
  standin_->ClearLog();
  EXPECT_EQ(session_->TriggerFailover(OCI_FO_SESSION, 0), 2);
  EXPECT_EQ(prepared_when_told, (std::vector<bool>{true, false}))
      << "the end unprepares, before the application hears of it";
  EXPECT_FALSE(query->Prepared());
  EXPECT_FALSE(other->Prepared());
  EXPECT_EQ(Calls("OCIHandleFree type=4").size(), 2u) << "both statements of the old session are let go";

  standin_->ClearLog();
  query->Open();
  EXPECT_EQ(Calls("OCIStmtPrepare").size(), 1u) << "prepared again on the new session";
  std::vector<int> values;
  for (; !query->Eof(); query->Next()) values.push_back(query->FieldByName("N")->AsInteger());
  EXPECT_EQ(values, (std::vector<int>{1, 2}));
  query->Close();

  // Prepared again by the application, the query still holds one use of the
  // session, which its unprepare gives back.
  other->Prepare();
  EXPECT_TRUE(other->Prepared());
  EXPECT_EQ(session_component_->ConnectCount(), uses);
  other->UnPrepare();
  query->UnPrepare();
  EXPECT_EQ(session_component_->ConnectCount(), uses - 2);
}

TEST_F(SessionDataSetsTest, AnOpenQueryReadsOnAndLetsItsStatementGoWhenItCloses) {
  const std::string sql = "SELECT N FROM T";
  fetch_->ScriptQuery(sql, "N NUMBER(9)");
  fetch_->AddRows(sql, "1\n2\n3");
  auto query = NewQuery(sql);
  query->SetFetchRows(1);
  query->Open();
  standin_->ClearLog();
  session_->TriggerFailover(OCI_FO_SELECT, 0);
  EXPECT_TRUE(Calls("OCIHandleFree type=4").empty()) << "the cursor is still read";
  std::vector<int> values;
  for (; !query->Eof(); query->Next()) values.push_back(query->FieldByName("N")->AsInteger());
  EXPECT_EQ(values, (std::vector<int>{1, 2, 3})) << "no row is lost to the fail-over";

  query->Close();
  EXPECT_EQ(Calls("OCIHandleFree type=4").size(), 1u);
  EXPECT_FALSE(query->Prepared());
  standin_->ClearLog();
  query->Open();
  EXPECT_EQ(Calls("OCIStmtPrepare").size(), 1u) << "prepared again on the new session";
  EXPECT_EQ(query->FieldByName("N")->AsInteger(), 1);
}

TEST_F(SessionDataSetsTest, AFailOverReportedDuringAQuerysOwnOpenLeavesItsStatementAlone) {
  const std::string sql = "SELECT N FROM T";
  fetch_->ScriptQuery(sql, "N NUMBER(9)");
  fetch_->AddRows(sql, "1\n2");
  auto query = NewQuery(sql);
  bool failed_over = false;
  query->BeforeFetch = dacore::TBeforeFetchEvent::Function([&](classlib::TDataSet*, bool&) {
    if (failed_over) return;
    failed_over = true;
    standin_->ClearLog();
    session_->TriggerFailover(OCI_FO_SELECT, 0);
    EXPECT_TRUE(Calls("OCIHandleFree type=4").empty()) << "the statement the open runs is not freed under it";
  });
  query->Open();
  ASSERT_TRUE(failed_over);
  EXPECT_EQ(query->FieldByName("N")->AsInteger(), 1);
  query->Next();
  EXPECT_EQ(query->FieldByName("N")->AsInteger(), 2);
  query->Close();
  EXPECT_EQ(Calls("OCIHandleFree type=4").size(), 1u) << "let go once the query closed";
}

// ---- The number mapping ---------------------------------------------------------------------

TEST_F(SessionDataSetsTest, ChangingTheNumberMappingDescribesTheFieldsAgain) {
  const std::string sql = "SELECT N, BIG FROM T";
  fetch_->ScriptQuery(sql, "N NUMBER(5); BIG NUMBER(30)");
  fetch_->AddRows(sql, "12|123456789012345678901234567890");
  auto closed = NewQuery(sql);
  closed->Open();
  closed->Close();
  auto prepared = NewQuery(sql);
  prepared->Prepare();
  auto open = NewQuery(sql);
  open->Open();
  EXPECT_EQ(open->FieldByName("N")->DataType(), classlib::ftInteger);

  session_component_->Options().SetEnableIntegers(false);
  prepared->Open();
  EXPECT_EQ(prepared->FieldByName("N")->DataType(), classlib::ftFloat) << "a prepared query describes anew";
  EXPECT_EQ(prepared->FieldByName("N")->AsInteger(), 12);
  closed->Open();
  EXPECT_EQ(closed->FieldByName("N")->DataType(), classlib::ftFloat) << "so does one opened before";
  EXPECT_EQ(open->FieldByName("N")->DataType(), classlib::ftInteger) << "an open query keeps its fields";
  open->Close();
  open->Open();
  EXPECT_EQ(open->FieldByName("N")->DataType(), classlib::ftFloat) << "until it opens again";

  EXPECT_NE(dynamic_cast<classlib::TFloatField*>(closed->FieldByName("BIG")), nullptr);
  closed->Close();
  session_component_->Options().SetEnableNumbers(true);
  closed->Open();
  EXPECT_EQ(closed->FieldByName("BIG")->DataType(), ftNumber) << "thirty digits keep their precision";
  EXPECT_EQ(closed->FieldByName("BIG")->AsString(), "123456789012345678901234567890");
}

// ---- Assign ----------------------------------------------------------------------------------

class SessionAssignTest : public ConnectionTest {};

TEST_F(SessionAssignTest, AssignCopiesTheAccountOptionsAndHomeIntoAnotherSession) {
  TOraSession target;
  TOraSession source;
  source.SetHomeName("OraHome92");
  source.SetConnectString("ann/secret@db2");
  source.SetAutoCommit(false);
  source.SetConnectPrompt(false);
  source.Options().SetEnableIntegers(false);
  source.Options().SetCharset("CL8MSWIN1251");
  source.Options().SetDateFormat("YYYY-MM-DD");
  source.Options().SetStatementCacheSize(40);
  source.Options().LocalFailover = true;
  source.PoolingOptions().SetPoolType(optOCI);
  source.PoolingOptions().MaxPoolSize = 9;
  int connects = 0;
  source.SetAfterConnect(classlib::TNotifyEvent::Function([&connects](classlib::TObject*) { ++connects; }));

  ASSERT_EQ(target.HomeName(), "");
  target.Assign(&source);
  EXPECT_EQ(target.ConnectString(), "ann/secret@db2");
  EXPECT_FALSE(target.AutoCommit());
  EXPECT_FALSE(target.LoginPrompt());
  EXPECT_FALSE(target.Options().EnableIntegers());
  EXPECT_EQ(target.Options().Charset(), "CL8MSWIN1251");
  EXPECT_EQ(target.Options().DateFormat(), "YYYY-MM-DD");
  EXPECT_EQ(target.Options().StatementCacheSize(), 40u);
  EXPECT_TRUE(target.Options().LocalFailover);
  EXPECT_EQ(target.PoolingOptions().PoolType(), optOCI);
  EXPECT_EQ(target.PoolingOptions().MaxPoolSize, 9);
  EXPECT_EQ(target.HomeName(), "OraHome92");

  // A session given another's account connects with it and runs its handlers.
  standin_->AddAccount("ann", "secret");
  target.SetConnected(true);
  EXPECT_EQ(connects, 1);
  EXPECT_TRUE(Contains(standin_->Log(), "OCISessionBegin user=ann cred=1 mode=0"));
}

}  // namespace
}  // namespace oracle::testing
