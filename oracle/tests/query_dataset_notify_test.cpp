// Queries on a change-notification component: the subscription attached to
// the statement when it is prepared, notified inserts, updates and deletes
// applied on the main thread, queries left alone that are closed or do not
// reflect notifications, and the links cleared when the component goes.
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "oracle/conn_util_window.h"
#include "oracle/notify_ora_change_notification.h"
#include "oracle/query_sql_text.h"
#include "oracle/tests/notify_control.h"
#include "oracle/tests/query_fixture.h"

namespace oracle::testing {
namespace {

constexpr const char* kSelect = "SELECT ROWID, ID, NAME FROM EMP";
constexpr const char* kColumns = "ROWID ROWID; ID NUMBER(9); NAME VARCHAR2(20)";

class OraQueryNotifyTest : public OraQueryFixture {
 protected:
  void SetUp() override {
    OraQueryFixture::SetUp();
    control_ = std::make_unique<NotifyControl>(ORACLE_STANDIN_PATH);
    component_ = std::make_unique<TOraChangeNotification>();
    fetch_->ScriptQuery(kSelect, kColumns);
    fetch_->AddRows(kSelect, "AAAE1|1|one\nAAAE2|2|two");
  }
  void TearDown() override {
    control_->Join();
    component_.reset();
    control_.reset();
    OraQueryFixture::TearDown();
  }
  std::unique_ptr<TOraQuery> OpenAttached(bool reflect = true) {
    auto query = NewQuery(kSelect);
    query->Options().SetReflectChangeNotify(reflect);
    query->SetChangeNotification(component_.get());
    query->Open();
    return query;
  }
  // The notified row read with the query's own text and its ROWID,
  // answered with that row.
  void ScriptRefresh(const std::string& row) {
    const std::string sql = AsSent(refresh_sql_);
    fetch_->ScriptQuery(sql, kColumns);
    fetch_->AddRows(sql, row);
  }
  // Sends a change, lets its callback post it, and has the main thread take it.
  void Deliver(const std::string& changes) { ASSERT_EQ(control_->Deliver(*component_, changes), 1); }
  static std::vector<std::string> Rows(TOraQuery& query) {
    std::vector<std::string> rows;
    for (query.First(); !query.Eof(); query.Next())
      rows.push_back(query.FieldByName("ROWID")->AsString() + "|" + query.FieldByName("ID")->AsString() + "|" +
                     query.FieldByName("NAME")->AsString());
    return rows;
  }

  std::string refresh_sql_ = AddWhereToSQL(kSelect, "EMP.ROWID = :Old_ROWID");
  std::unique_ptr<NotifyControl> control_;
  std::unique_ptr<TOraChangeNotification> component_;
};

TEST_F(OraQueryNotifyTest, ThePreparedStatementCarriesTheSubscription) {
  auto query = OpenAttached();
  EXPECT_EQ(component_->Session(), session_component_.get()) << "the component takes the query's session";
  EXPECT_TRUE(component_->IsActive());
  EXPECT_TRUE(InOrder(standin_->Log(),
                      {"OCISubscriptionRegister count=1 mode=0 namespace=2 rowids=1 operations=0 qos=0 timeout=0",
                       "OCIStmtPrepare language=1 mode=0", "OCIAttrSet htype=4 attr=414",
                       "OCIStmtExecute iters=0 offset=0 mode=16"}))
      << "registered, then attached to the statement right after its prepare";

  // Prepared on its own, then disabled: the next statement goes without it.
  query->Close();
  query->UnPrepare();
  standin_->ClearLog();
  query->Prepare();
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCIStmtPrepare language=1 mode=0", "OCIAttrSet htype=4 attr=414"}));
  query->UnPrepare();
  component_->SetEnabled(false);
  standin_->ClearLog();
  query->Open();
  EXPECT_FALSE(Contains(standin_->Log(), "OCIAttrSet htype=4 attr=414"));
  EXPECT_TRUE(Contains(standin_->Log(), "OCIStmtPrepare language=1 mode=0"));
}

TEST_F(OraQueryNotifyTest, InsertUpdateAndDeleteReachTheRecordsOnTheMainThread) {
  auto query = OpenAttached();
  EXPECT_FALSE(query->FieldByName("ROWID")->Visible());
  EXPECT_TRUE(query->FieldByName("ROWID")->ReadOnly());
  ASSERT_EQ(Rows(*query), (std::vector<std::string>{"AAAE1|1|one", "AAAE2|2|two"}));

  ScriptRefresh("AAAE1|1|uno");
  statements_->ClearReceived();
  Deliver("SCOTT.EMP:4:AAAE1/4");
  EXPECT_TRUE(Contains(statements_->Received(), "OLD_ROWID[1]=AAAE1")) << "read by its ROWID";
  EXPECT_FALSE(Contains(statements_->Received(), "OLD_ROWID[1]=AAAE2")) << "not the current record's";
  EXPECT_EQ(Rows(*query), (std::vector<std::string>{"AAAE1|1|uno", "AAAE2|2|two"})) << "updated row read again";

  Deliver("SCOTT.EMP:8:AAAE2/8");
  EXPECT_EQ(Rows(*query), (std::vector<std::string>{"AAAE1|1|uno"})) << "deleted row gone";

  ScriptRefresh("AAAE3|3|three");
  statements_->ClearReceived();
  Deliver("SCOTT.EMP:2:AAAE3/2");
  EXPECT_TRUE(Contains(statements_->Received(), "OLD_ROWID[1]=AAAE3"));
  EXPECT_EQ(Rows(*query), (std::vector<std::string>{"AAAE1|1|uno", "AAAE3|3|three"})) << "inserted row read";
  EXPECT_EQ(session_->CommittedWork(), 0);
  EXPECT_EQ(session_->PendingWork(), 0) << "nothing was written to the server";
  EXPECT_EQ(query->State(), classlib::dsBrowse);

  query->Edit();
  EXPECT_EQ(query->SQLGenerator().GenerateSQL(dacore::stUpdate, false, nullptr),
            "UPDATE EMP\r\nSET\r\n  ID = :ID, NAME = :NAME\r\nWHERE\r\n  ROWID = :Old_ROWID")
      << "the ROWID identifies the row and is never written";
  query->Cancel();
}

TEST_F(OraQueryNotifyTest, CachedUpdatesGainNoChangesOfTheirOwn) {
  auto query = NewQuery(kSelect);
  query->Options().SetReflectChangeNotify(true);
  query->SetCachedUpdates(true);
  query->SetChangeNotification(component_.get());
  query->Open();
  query->Edit();
  query->FieldByName("NAME")->SetAsString("mine");
  query->Post();
  ScriptRefresh("AAAE3|3|three");
  Deliver("SCOTT.EMP:2:AAAE3/2");
  Deliver("SCOTT.EMP:8:AAAE2/8");
  Deliver("SCOTT.EMP:4:AAAE1/4");
  EXPECT_EQ(Rows(*query), (std::vector<std::string>{"AAAE1|1|mine", "AAAE2|2|two"}))
      << "the user's edit is kept; inserts and deletes wait for a refresh";
  ScriptRefresh("AAAE2|2|dos");
  Deliver("SCOTT.EMP:4:AAAE2/4");
  EXPECT_EQ(Rows(*query), (std::vector<std::string>{"AAAE1|1|mine", "AAAE2|2|dos"}));
  query->CancelUpdates();
  EXPECT_EQ(Rows(*query), (std::vector<std::string>{"AAAE1|1|one", "AAAE2|2|dos"}))
      << "only the user's own change was pending";
}

TEST_F(OraQueryNotifyTest, ClosedQueriesAndThoseNotReflectingAreLeftAlone) {
  auto reflecting = OpenAttached();
  auto ignoring = OpenAttached(false);
  auto closed = OpenAttached();
  closed->Close();
  int heard = 0;
  component_->OnChange = TOraChangeNotificationEvent::Function(
      [&](classlib::TObject*, TChangeNotifyEventType type, const TNotifyTableChanges*) { heard += type == cneObjChange; });
  Deliver("SCOTT.EMP:8:AAAE2/8");
  EXPECT_EQ(heard, 1) << "the application hears it first";
  EXPECT_EQ(Rows(*reflecting).size(), 1u);
  EXPECT_EQ(Rows(*ignoring).size(), 2u);
  EXPECT_FALSE(closed->Active());
  Deliver("SCOTT.DEPT:8:AAAD1/8");
  EXPECT_EQ(Rows(*reflecting).size(), 1u) << "another table's rows are not the query's";
}

TEST_F(OraQueryNotifyTest, LinksEndWithEitherSide) {
  auto first = NewQuery(kSelect);
  auto second = NewQuery(kSelect);
  first->SetChangeNotification(component_.get());
  second->SetChangeNotification(component_.get());
  EXPECT_EQ(component_->DataSets().size(), 2u);
  second.reset();
  EXPECT_EQ(component_->DataSets(), (std::vector<TOraDataSet*>{first.get()}));
  component_.reset();
  EXPECT_EQ(first->ChangeNotification(), nullptr);
}

}  // namespace
}  // namespace oracle::testing
