// A detail data set following its master on the SQLite test driver: on the
// server and through the local filter, at once and after the detail delay
// (on a message loop whose clock the test moves), refused circles of masters,
// and new detail records that belong to another master.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/comp_connection.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "platform/clock.h"
#include "platform/plain_message_loop.h"
#include "testing/message_of.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::testing::MessageOf;
using sqlite_driver::TSQLiteSession;
using namespace std::chrono_literals;

class DetailTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    platform::MessageLoop::SetCurrent(&loop_);
    session_ = Session();
    Exec("CREATE TABLE M (ID INTEGER PRIMARY KEY)");
    Exec("INSERT INTO M VALUES (1), (2), (3), (4)");
    Exec("CREATE TABLE C (CID INTEGER PRIMARY KEY, PARENT INTEGER, NAME VARCHAR(10))");
    Exec("INSERT INTO C VALUES (1, 1, 'a'), (2, 1, 'b'), (3, 2, 'c'), (4, 4, 'd'), (5, NULL, 'n')");
    master_ = session_->CreateDataSet();
    master_->SetSQL("SELECT ID FROM M ORDER BY ID");
    source_.SetDataSet(master_.get());
    detail_ = session_->CreateDataSet();
    detail_->SetSQL("SELECT CID, PARENT, NAME FROM C ORDER BY CID");
    detail_->SetAfterRefresh(classlib::TDataSetNotifyEvent::Function([this](classlib::TDataSet*) { ++refreshes_; }));
  }
  void TearDown() override {
    detail_.reset();
    master_.reset();
    session_.reset();
    platform::MessageLoop::SetCurrent(nullptr);
    SQLiteTest::TearDown();
  }

  void Exec(const std::string& sql) {
    auto statement = session_->CreateSQL();
    statement->SetAutoCommit(true);
    statement->SetSQL(sql);
    statement->Execute();
  }

  void Link() {
    detail_->SetMasterSource(&source_);
    detail_->SetMasterFields("ID");
    detail_->SetDetailFields("PARENT");
  }

  // The detail's names, in order.
  std::string Names() {
    std::string names;
    for (detail_->First(); !detail_->Eof(); detail_->Next()) names += detail_->FieldByName("NAME")->AsString();
    detail_->First();
    return names;
  }

  // Lets time pass on the loop and runs the timers that fell due.
  void Pass(std::chrono::milliseconds time) {
    clock_.Advance(time);
    loop_.ProcessMessages();
  }

  platform::ManualClock clock_;
  platform::PlainMessageLoop loop_{&clock_};
  std::unique_ptr<TSQLiteSession> session_;
  std::unique_ptr<TCustomDADataSet> master_;
  std::unique_ptr<TCustomDADataSet> detail_;
  classlib::TDataSource source_{nullptr};
  int refreshes_ = 0;
};

TEST_F(DetailTest, OnTheServerTheDetailRunsAgainOnlyWhenTheMasterValueChanges) {
  Link();
  master_->Open();
  detail_->Open();
  EXPECT_EQ(Names(), "ab");
  master_->Next();
  EXPECT_EQ(Names(), "c");
  EXPECT_EQ(refreshes_, 1);
  // A refresh of the master that keeps its record changes no parameter.
  master_->Refresh();
  EXPECT_EQ(refreshes_, 1);
  master_->Next();
  EXPECT_EQ(Names(), "");
}

TEST_F(DetailTest, WithADelayQuickScrollsOfTheMasterRefreshTheDetailOnceAfterTheLast) {
  Link();
  detail_->Options().SetDetailDelay(300);
  master_->Open();
  detail_->Open();
  for (int i = 0; i < 3; ++i) {
    master_->Next();
    Pass(40ms);
  }
  EXPECT_EQ(refreshes_, 0);
  EXPECT_EQ(Names(), "ab");
  Pass(259ms);
  EXPECT_EQ(refreshes_, 0);
  Pass(1ms);
  EXPECT_EQ(refreshes_, 1);
  EXPECT_EQ(Names(), "d");
  // The timer stopped with the refresh.
  Pass(1000ms);
  EXPECT_EQ(refreshes_, 1);
}

TEST_F(DetailTest, ALocalLinkFiltersTheRowsItHoldsAndNeedsItsFields) {
  Link();
  detail_->Options().SetLocalMasterDetail(true);
  EXPECT_EQ(detail_->FinalSQL(), "SELECT CID, PARENT, NAME FROM C ORDER BY CID");
  master_->Open();
  detail_->Open();
  EXPECT_EQ(Names(), "ab");
  master_->Next();
  EXPECT_EQ(Names(), "c");
  master_->Next();
  EXPECT_EQ(Names(), "");
  // A record with a null link value belongs to no master.
  master_->Next();
  EXPECT_EQ(Names(), "d");
  EXPECT_EQ(MessageOf([&] { detail_->Options().SetLocalMasterDetail(false); }), "Cannot perform this operation on an open dataset");

  detail_->Close();
  detail_->SetDetailFields("NOSUCH");
  EXPECT_EQ(MessageOf([&] { detail_->Open(); }), "Field NOSUCH not found");
}

TEST_F(DetailTest, ACircleOfMastersIsRefused) {
  auto third = session_->CreateDataSet();
  third->SetSQL("SELECT 1 AS ID");
  classlib::TDataSource detail_source(nullptr);
  detail_source.SetDataSet(detail_.get());
  classlib::TDataSource third_source(nullptr);
  third_source.SetDataSet(third.get());
  // master -> detail -> third -> master would close the circle.
  Link();
  third->SetMasterSource(&detail_source);
  EXPECT_EQ(MessageOf([&] { master_->SetMasterSource(&third_source); }), "Circular datalinks are not allowed");
  EXPECT_EQ(master_->MasterSource(), nullptr);
  third->SetMasterSource(nullptr);
  detail_->SetMasterSource(nullptr);
}

TEST_F(DetailTest, ANewDetailRecordOfAnotherMasterIsStoredButNoLongerShown) {
  Link();
  master_->Open();
  detail_->Open();
  detail_->Append();
  detail_->FieldByName("CID")->SetAsInteger(10);
  detail_->FieldByName("PARENT")->SetAsInteger(1);
  detail_->FieldByName("NAME")->SetAsString("e");
  detail_->Post();
  EXPECT_EQ(Names(), "abe");
  detail_->Append();
  detail_->FieldByName("CID")->SetAsInteger(11);
  detail_->FieldByName("PARENT")->SetAsInteger(2);
  detail_->FieldByName("NAME")->SetAsString("f");
  detail_->Post();
  EXPECT_EQ(Names(), "abe");
  master_->Next();
  EXPECT_EQ(Names(), "cf");
}

}  // namespace
}  // namespace dacore::sqlite_tests
