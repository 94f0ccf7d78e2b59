// Records stored and read back through statements on the SQLite test
// driver: the strict row counts, records changed by another connection,
// refreshes, batches of cached updates, and several data sets applied in one
// transaction.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/comp_connection.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/message_of.h"
#include "testing/sqlite_driver/sqlite_driver_dataset.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::testing::MessageOf;
using sqlite_driver::TSQLiteSession;

class UpdatesTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE T (ID INTEGER PRIMARY KEY, S VARCHAR(20) CHECK (S <> 'bad'), "
                    "STAMP VARCHAR(20) DEFAULT 'fresh')");
    // Every write leaves a line, so a test can tell how often a row was written.
    Exec(*session_, "CREATE TABLE LOG (ID INTEGER, WHAT VARCHAR(10))");
    Exec(*session_, "CREATE TRIGGER T_U AFTER UPDATE ON T BEGIN "
                    "UPDATE T SET STAMP = NEW.S || '!' WHERE ID = NEW.ID AND NEW.S IS NOT NULL "
                    "AND (STAMP IS NULL OR STAMP <> NEW.S || '!'); "
                    "INSERT INTO LOG VALUES (NEW.ID, 'update'); END");
    Exec(*session_, "CREATE TRIGGER T_I AFTER INSERT ON T BEGIN INSERT INTO LOG VALUES (NEW.ID, 'insert'); END");
    for (int id = 1; id <= 7; ++id)
      Exec(*session_, "INSERT INTO T (ID, S) VALUES (" + std::to_string(id) + ", 'row " + std::to_string(id) + "')");
    Exec(*session_, "DELETE FROM LOG");
  }

  std::string Writes() { return ReadElsewhere("SELECT count(*) FROM LOG"); }

  std::unique_ptr<TSQLiteSession> session_;
};

// ---- Row counts -----------------------------------------------------------------------

TEST_F(UpdatesTest, WithoutKeysTheOldValuesFindTheRowAndAChangeElsewhereLeavesNone) {
  Exec(*session_, "CREATE TABLE NK (A INTEGER, S VARCHAR(10))");
  Exec(*session_, "INSERT INTO NK VALUES (1, 'one'), (2, 'two')");
  auto data_set = Query(*session_, "SELECT A, S FROM NK ORDER BY A");
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("mine");
  // Another connection changes the row meanwhile.
  auto other = Session();
  Exec(*other, "UPDATE NK SET S = 'theirs' WHERE A = 1");
  EXPECT_EQ(MessageOf([&] { data_set->Post(); }), "Update failed. Found 0 records");
  EXPECT_EQ(data_set->State(), classlib::dsEdit);
  data_set->Cancel();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM NK WHERE A = 1"), "theirs");

  // Without the strict check the same post passes and tells the count.
  data_set->Options().SetStrictUpdate(false);
  data_set->Next();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("mine");
  Exec(*other, "UPDATE NK SET S = 'changed' WHERE A = 2");
  data_set->Post();
  EXPECT_EQ(data_set->RowsAffected(), 0);
}

TEST_F(UpdatesTest, TwoRowsTouchedFailInsideATransactionWhoseRollbackRestoresBoth) {
  Exec(*session_, "CREATE TABLE DUP (A INTEGER, S VARCHAR(10))");
  Exec(*session_, "INSERT INTO DUP VALUES (1, 'same'), (1, 'same')");
  auto data_set = Query(*session_, "SELECT A, S FROM DUP");
  data_set->SetAutoCommit(false);
  session_->StartTransaction();
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("new");
  EXPECT_EQ(MessageOf([&] { data_set->Post(); }), "Update failed. Found 2 records");
  data_set->Cancel();
  session_->Rollback();
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM DUP WHERE S = 'same'"), "2");
}

// ---- Reading back ---------------------------------------------------------------------

TEST_F(UpdatesTest, ACheckStatementComparesTheRecordWithWhatTheServerHolds) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  data_set->Open();
  const std::string check = "SELECT S FROM T WHERE ID = :ID";
  EXPECT_TRUE(data_set->PerformSQL(check, {stCheck}));
  EXPECT_EQ(data_set->RowsAffected(), 1);

  auto other = Session();
  Exec(*other, "UPDATE T SET S = 'elsewhere' WHERE ID = 1");
  EXPECT_EQ(MessageOf([&] { data_set->PerformSQL(check, {stCheck}); }), "Record was changed by another user");
  // The record keeps what it showed.
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "row 1");
  // A row gone from the server answers no row.
  Exec(*other, "DELETE FROM T WHERE ID = 1");
  EXPECT_EQ(MessageOf([&] { data_set->PerformSQL(check, {stCheck}); }), "Refresh failed. Found 0 records");
}

TEST_F(UpdatesTest, RefreshOptionsReadWhatTheServerMadeOfThePostedRecord) {
  auto data_set = Query(*session_, "SELECT ID, S, STAMP FROM T ORDER BY ID");
  data_set->SetRefreshOptions({roAfterInsert, roAfterUpdate});
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("edited");
  data_set->Post();
  // The trigger's stamp comes back with the post.
  EXPECT_EQ(data_set->FieldByName("STAMP")->AsString(), "edited!");

  data_set->Append();
  data_set->FieldByName("ID")->SetAsInteger(8);
  data_set->FieldByName("S")->SetAsString("added");
  data_set->Post();
  EXPECT_EQ(data_set->FieldByName("STAMP")->AsString(), "fresh");
  // The value is the row's, not only the shown buffer's.
  data_set->First();
  data_set->Last();
  EXPECT_EQ(data_set->FieldByName("STAMP")->AsString(), "fresh");
}

// Applied cached updates read back what the server made of each row, as a
// post does outside cached updates.
TEST_F(UpdatesTest, ARefreshDuringAnApplyLeavesTheServersValuesInTheRecord) {
  auto data_set = Query(*session_, "SELECT ID, S, STAMP FROM T ORDER BY ID");
  data_set->SetCachedUpdates(true);
  data_set->SetRefreshOptions({roAfterInsert, roAfterUpdate});
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("cached");
  data_set->Post();
  data_set->Append();
  data_set->FieldByName("ID")->SetAsInteger(8);
  data_set->FieldByName("S")->SetAsString("added");
  data_set->Post();
  data_set->ApplyUpdates();
  const auto stamp = [&](int id) {
    EXPECT_TRUE(data_set->Locate("ID", classlib::Variant(id), {}));
    return data_set->FieldByName("STAMP")->AsString();
  };
  EXPECT_EQ(stamp(1), "cached!");
  EXPECT_EQ(stamp(8), "fresh");
  data_set->CommitUpdates();
  EXPECT_EQ(stamp(1), "cached!");
  EXPECT_EQ(stamp(8), "fresh");
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "added");
  EXPECT_EQ(ReadElsewhere("SELECT STAMP FROM T WHERE ID = 1"), "cached!");

  // The connection's apply of several data sets does the same.
  data_set->Locate("ID", classlib::Variant(2), {});
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("second");
  data_set->Post();
  std::vector<IDAConnectionClient*> sets{data_set.get()};
  session_->ApplyUpdates(sets);
  EXPECT_EQ(stamp(2), "second!");
  EXPECT_EQ(data_set->UpdateStatus(), classlib::usUnmodified);
}

TEST_F(UpdatesTest, ClosingTheDataSetUnpreparesItsRefreshStatement) {
  auto data_set = Query(*session_, "SELECT ID, S, STAMP FROM T ORDER BY ID");
  data_set->SetRefreshOptions({roAfterUpdate});
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("edited");
  data_set->Post();
  TCustomDASQL* refresh = data_set->UpdateStatement(stRefresh);
  ASSERT_NE(refresh, nullptr);
  EXPECT_TRUE(refresh->Prepared());
  data_set->Close();
  EXPECT_FALSE(refresh->Prepared());

  // Open again, the data set refreshes its posts as before.
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("again");
  data_set->Post();
  EXPECT_EQ(data_set->FieldByName("STAMP")->AsString(), "again!");
}

TEST_F(UpdatesTest, ARefreshTextOfAWhereClauseCompletesTheDataSetsStatement) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  data_set->SetSQLStatement(stRefresh, "WHERE ID = :ID");
  data_set->Open();
  auto other = Session();
  Exec(*other, "UPDATE T SET S = 'server' WHERE ID = 1");
  data_set->RefreshRecord();
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "server");
  EXPECT_EQ(data_set->UpdateStatement(stRefresh)->SQL().Text(), "SELECT ID, S FROM T \r\nWHERE ID = :ID ORDER BY ID\r\n");

  Exec(*other, "DELETE FROM T WHERE ID = 1");
  EXPECT_EQ(MessageOf([&] { data_set->RefreshRecord(); }), "Refresh failed. Found 0 records");
  data_set->Options().SetStrictUpdate(false);
  data_set->RefreshRecord();
  EXPECT_EQ(data_set->RowsAffected(), 0);
}

TEST_F(UpdatesTest, AQuickRefreshReadsChangedRowsAndDropsVanishedOnes) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  data_set->Open();
  data_set->Locate("ID", classlib::Variant(4), {});
  auto other = Session();
  Exec(*other, "UPDATE T SET S = 'quick' WHERE ID = 4");
  Exec(*other, "DELETE FROM T WHERE ID = 2");
  data_set->RefreshQuick(true);
  EXPECT_EQ(data_set->RecordCount(), 6);
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 4);
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "quick");
  EXPECT_FALSE(data_set->Locate("ID", classlib::Variant(2), {}));

  auto keyless = Query(*session_, "SELECT 1 AS X");
  keyless->Open();
  EXPECT_EQ(MessageOf([&] { keyless->RefreshQuick(false); }), "Unique keyfields required");
}

// ---- Batches --------------------------------------------------------------------------

class BatchTest : public UpdatesTest {
 protected:
  void SetUp() override {
    UpdatesTest::SetUp();
    data_set_ = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
    data_set_->SetCachedUpdates(true);
    data_set_->Options().SetUpdateBatchSize(3);
    data_set_->AfterUpdateExecute = TUpdateExecuteEvent::Function(
        [this](classlib::TDataSet*, TStatementTypes types, TDAParams* params) {
          ASSERT_TRUE(types.Contains(stBatchUpdate));
          flushes_.push_back(params->Count());
          written_.push_back(ReadElsewhere("SELECT count(*) FROM LOG"));
        });
    data_set_->Open();
    for (data_set_->First(); !data_set_->Eof(); data_set_->Next()) {
      data_set_->Edit();
      data_set_->FieldByName("S")->SetAsString("batch " + data_set_->FieldByName("ID")->AsString());
      data_set_->Post();
    }
  }
  std::unique_ptr<TCustomDADataSet> data_set_;
  std::vector<int> flushes_;
  std::vector<std::string> written_;
};

TEST_F(BatchTest, RowsGoInBlocksOfTheBatchSizeAndTheLastBlockWithTheLastRow) {
  data_set_->ApplyUpdates();
  // Each generated row binds its S and its key: 2 parameters a row.
  EXPECT_EQ(flushes_, (std::vector<int>{6, 6, 2}));
  EXPECT_EQ(written_, (std::vector<std::string>{"3", "6", "7"}));
  EXPECT_FALSE(data_set_->UpdatesPending());
  EXPECT_EQ(data_set_->BatchRowCount(), 0);
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 7"), "batch 7");
  EXPECT_EQ(data_set_->UpdateStatement(stBatchUpdate)->SQL().Text(),
            "UPDATE T\r\nSET\r\n  S = ?\r\nWHERE\r\n  ID = ?;\r\n");
}

TEST_F(BatchTest, AFailedBlockInATransactionLeavesItsRowsAndTheLaterOnesPending) {
  data_set_->Locate("ID", classlib::Variant(5), {});
  data_set_->Edit();
  data_set_->FieldByName("S")->SetAsString("bad");
  data_set_->Post();
  std::vector<IDAConnectionClient*> sets{data_set_.get()};
  EXPECT_NE(MessageOf([&] { session_->ApplyUpdates(sets); }).find("CHECK constraint failed"), std::string::npos);
  // The first block reached the server and went with the rollback.
  EXPECT_EQ(flushes_.size(), 1u);
  EXPECT_EQ(Writes(), "0");
  EXPECT_TRUE(data_set_->UpdatesPending());

  data_set_->Locate("ID", classlib::Variant(5), {});
  data_set_->Edit();
  data_set_->FieldByName("S")->SetAsString("good");
  data_set_->Post();
  session_->ApplyUpdates(sets);
  EXPECT_FALSE(data_set_->UpdatesPending());
  EXPECT_EQ(Writes(), "7");
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 5"), "good");
}

TEST_F(BatchTest, UserTextsCarryTheRowInTheirParameterNames) {
  data_set_->SetSQLStatement(stUpdate, "UPDATE T SET S = :S WHERE ID = :OLD_ID");
  std::vector<std::string> names;
  data_set_->AfterUpdateExecute = TUpdateExecuteEvent::Function(
      [&](classlib::TDataSet*, TStatementTypes, TDAParams* params) {
        for (int i = 0; i < params->Count(); ++i) names.push_back(params->Items(i)->Name());
      });
  data_set_->ApplyUpdates();
  ASSERT_GE(names.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 6),
            (std::vector<std::string>{"P_0_S", "P_0_OLD_ID", "P_1_S", "P_1_OLD_ID", "P_2_S", "P_2_OLD_ID"}));
  EXPECT_EQ(Writes(), "7");
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 6"), "batch 6");
}

// ---- Several data sets in one transaction ---------------------------------------------

TEST_F(UpdatesTest, MasterAndDetailApplyTogetherAndAFailureLosesNothing) {
  Exec(*session_, "CREATE TABLE C (CID INTEGER PRIMARY KEY, PARENT INTEGER, NAME VARCHAR(10) CHECK (NAME <> 'bad'))");
  auto master = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  auto detail = Query(*session_, "SELECT CID, PARENT, NAME FROM C");
  master->SetCachedUpdates(true);
  detail->SetCachedUpdates(true);
  master->Open();
  detail->Open();
  master->Edit();
  master->FieldByName("S")->SetAsString("parent");
  master->Post();
  detail->Append();
  detail->FieldByName("CID")->SetAsInteger(1);
  detail->FieldByName("PARENT")->SetAsInteger(1);
  detail->FieldByName("NAME")->SetAsString("bad");
  detail->Post();

  std::vector<IDAConnectionClient*> sets{master.get(), detail.get()};
  EXPECT_NE(MessageOf([&] { session_->ApplyUpdates(sets); }).find("CHECK constraint failed"), std::string::npos);
  EXPECT_FALSE(session_->InTransaction());
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "row 1");
  EXPECT_TRUE(master->UpdatesPending());
  EXPECT_TRUE(detail->UpdatesPending());

  detail->Edit();
  detail->FieldByName("NAME")->SetAsString("child");
  detail->Post();
  session_->ApplyUpdates(sets);
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "parent");
  EXPECT_EQ(ReadElsewhere("SELECT NAME FROM C WHERE PARENT = 1"), "child");
  EXPECT_FALSE(master->UpdatesPending());
  EXPECT_FALSE(detail->UpdatesPending());
}

// ---- A lost connection ------------------------------------------------------------------

class FailOverTest : public UpdatesTest {
 protected:
  void SetUp() override {
    UpdatesTest::SetUp();
    session_->Options().LocalFailover = true;
    session_->OnConnectionLost = TConnectionLostEvent::Function(
        [this](classlib::TObject*, classlib::TComponent*, TConnLostCause cause, TRetryMode& mode) {
          causes_.push_back(cause);
          mode = rmReconnectExecute;
        });
  }
  std::vector<TConnLostCause> causes_;
};

TEST_F(FailOverTest, AKillDuringAFetchIsNotReconnectedAndLeavesTheComponentDisconnected) {
  auto data_set = Query(*session_, "SELECT ID FROM T ORDER BY ID");
  data_set->SetFetchRows(2);
  data_set->Open();
  session_->SQLiteConnection()->Kill();
  const std::string message = MessageOf([&] {
    while (!data_set->Eof()) data_set->Next();
  });
  EXPECT_NE(message, "(no exception)");
  EXPECT_TRUE(causes_.empty());
  EXPECT_FALSE(session_->Connected());
  EXPECT_FALSE(data_set->Active());
}

TEST_F(FailOverTest, AKillDuringAnApplyReconnectsAndAppliesEveryRowOnce) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  data_set->SetCachedUpdates(true);
  data_set->SetFetchAll(true);
  data_set->Open();
  for (int i = 0; i < 3; ++i) {
    data_set->Edit();
    data_set->FieldByName("S")->SetAsString("applied");
    data_set->Post();
    data_set->Next();
  }
  int executions = 0;
  data_set->BeforeUpdateExecute = TUpdateExecuteEvent::Function([&](classlib::TDataSet*, TStatementTypes, TDAParams*) {
    if (++executions == 2) session_->SQLiteConnection()->Kill();
  });
  std::vector<IDAConnectionClient*> sets{data_set.get()};
  const int uses = session_->ConnectCount();
  session_->ApplyUpdates(sets);
  EXPECT_EQ(session_->ConnectCount(), uses);
  EXPECT_EQ(causes_, (std::vector<TConnLostCause>{clConnectionApply}));
  EXPECT_EQ(executions, 5);
  EXPECT_TRUE(session_->Connected());
  EXPECT_FALSE(data_set->UpdatesPending());
  EXPECT_EQ(Writes(), "3");
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE S = 'applied'"), "3");
}

TEST_F(FailOverTest, AKillDuringAPostIsRepeatedWhenTheHandlerAsksAndWritesOneRow) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  const int uses = session_->ConnectCount();
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("posted");
  session_->SQLiteConnection()->Kill();
  data_set->Post();
  EXPECT_EQ(causes_, (std::vector<TConnLostCause>{clExecute}));
  data_set->Close();
  EXPECT_EQ(session_->ConnectCount(), uses);
  EXPECT_EQ(Writes(), "1");
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "posted");
}

}  // namespace
}  // namespace dacore::sqlite_tests
