// A TOraQuery on the stand-in's SQLite tier where features meet: a lock
// that reads the row back out of the filter, LOBs across posts, cached
// changes and their undo, a text written while a cached row is applied, a
// detail whose master opens after it, a pooled connect that fails, and a
// LOB posted to a row another session deleted.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "classlib/data_link.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/format.h"
#include "dacore/messages.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class FeaturesMeetTest : public SqliteTierTest {
 protected:
  void SetUp() override {
    SqliteTierTest::SetUp();
    ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE L (ID NUMBER(9) PRIMARY KEY, N VARCHAR2(100), C CLOB, B BLOB);"
                                 "INSERT INTO L VALUES (1, 'one', 'orig', X'01')"),
              "");
  }
  void ExecElsewhere(const std::string& sql) { NewQuery(Connect(), sql)->Execute(); }
  std::string ReadElsewhere(const std::string& sql) {
    auto reader = NewQuery(Connect(), sql);
    reader->Open();
    return reader->Fields().Fields(0)->IsNull() ? "<null>" : reader->Fields().Fields(0)->AsString();
  }
  void Store(TOraQuery& query) {
    query.Post();
    if (!query.CachedUpdates()) return;
    query.ApplyUpdates();
    query.CommitUpdates();
  }
};

// The refresh before an edit reads the row another session took out of the
// filter: the edit is refused, its lock given back, and no buffer that is
// not there is read.
TEST_F(FeaturesMeetTest, AnEditWhoseLockTookTheRowOutOfTheFilterIsRefused) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID, GUID_COL FROM T ORDER BY ID");
  query->SetLockMode(lmLockImmediate);
  query->SetRefreshOptions({dacore::roBeforeEdit});
  query->SetOnFilterRecord(classlib::TFilterRecordEvent::Function([](classlib::TDataSet* d, bool& accept) {
    accept = d->FieldByName("GUID_COL")->AsString() != "{Z}";
  }));
  query->SetFiltered(true);
  query->Open();
  for (int id : {2, 1}) {
    ExecElsewhere("UPDATE T SET GUID_COL = '{Z}' WHERE ID = " + std::to_string(id));
    ASSERT_TRUE(query->Locate("ID", classlib::Variant(id), {}));
    EXPECT_EQ(MessageOf([&] { query->Edit(); }), dacore::SRecordChanged) << id;
    EXPECT_EQ(query->State(), classlib::dsBrowse);
    EXPECT_NE(query->FieldByName("ID")->AsInteger(), id);
  }
  // The only row left is edited as usual; the locks were given back.
  ASSERT_EQ(query->RecordCount(), 1);
  query->Edit();
  query->FieldByName("GUID_COL")->SetAsString("{C}");
  query->Post();
  EXPECT_EQ(ReadElsewhere("SELECT GUID_COL FROM T WHERE ID = 1"), "{Z}");
  EXPECT_EQ(ReadElsewhere("SELECT GUID_COL FROM T WHERE ID = 3"), "{C}");
}

// A CLOB and a BLOB posted once are not sent again by later edits of
// another column, plain or cached.
TEST_F(FeaturesMeetTest, LobsPostedOnceAreNotSentByALaterEditOfAnotherColumn) {
  for (const bool cached : {false, true}) {
    SCOPED_TRACE(cached ? "cached" : "plain");
    const int id = cached ? 3 : 2;
    auto query = NewQuery(Connect(), "SELECT ID, N, C, B FROM L ORDER BY ID");
    query->SetCachedUpdates(cached);
    query->Open();
    query->Append();
    query->FieldByName("ID")->SetAsInteger(id);
    query->FieldByName("C")->SetAsString("ins");
    query->GetBlob("B")->SetAsString("\x0A");
    Store(*query);
    ExecElsewhere("UPDATE L SET C = 'other', B = X'FF' WHERE ID = " + std::to_string(id));
    query->Edit();
    query->FieldByName("N")->SetAsString("edited");
    Store(*query);
    EXPECT_EQ(ReadElsewhere("SELECT C FROM L WHERE ID = " + std::to_string(id)), "other");
    EXPECT_EQ(ReadElsewhere("SELECT B FROM L WHERE ID = " + std::to_string(id)), "\xFF");
  }
}

// A CLOB or BLOB posted to a row another session deleted is refused as a
// row not found, and the statement ends: the session keeps no transaction
// open that would hold others off the table.
TEST_F(FeaturesMeetTest, ALobPostedToARowDeletedElsewhereIsRefusedAndHoldsNothing) {
  for (const char* column : {"C", "B"}) {
    SCOPED_TRACE(column);
    ExecElsewhere("INSERT INTO L (ID, N) VALUES (2, 'two')");
    TOraSession& session = Connect();
    auto query = NewQuery(session, "SELECT ID, N, C, B FROM L ORDER BY ID");
    query->Open();
    ExecElsewhere("DELETE FROM L WHERE ID = 1");
    query->Edit();
    query->FieldByName(column)->SetAsString("lost");
    EXPECT_EQ(MessageOf([&] { query->Post(); }), classlib::Format(dacore::SUpdateFailed, {0}));
    query->Cancel();
    EXPECT_FALSE(session.InTransaction());
    ExecElsewhere("DELETE FROM L WHERE ID = 2");
    ExecElsewhere("INSERT INTO L VALUES (1, 'one', 'orig', X'01')");
    EXPECT_EQ(ReadElsewhere("SELECT COUNT(*) FROM L"), "1");
  }
}

// A CLOB given back by CancelUpdates keeps its own undo: a cancelled edit
// leaves the server's text, and no apply writes the cancelled one.
TEST_F(FeaturesMeetTest, ACachedClobGivenBackCanBeChangedAndUndoneAgain) {
  auto query = NewQuery(Connect(), "SELECT ID, N, C FROM L ORDER BY ID");
  query->SetCachedUpdates(true);
  query->Open();
  query->Edit();
  query->FieldByName("C")->SetAsString("first");
  query->Post();
  query->CancelUpdates();
  EXPECT_EQ(query->FieldByName("C")->AsString(), "orig");
  query->Edit();
  query->FieldByName("C")->SetAsString("cancelled");
  query->Cancel();
  EXPECT_EQ(query->FieldByName("C")->AsString(), "orig");
  query->Edit();
  query->FieldByName("N")->SetAsString("n");
  query->Post();
  query->Edit();
  query->FieldByName("C")->SetAsString("second");
  query->Post();
  query->RevertRecord();
  EXPECT_EQ(query->FieldByName("C")->AsString(), "orig");
  EXPECT_EQ(query->FieldByName("N")->AsString(), "one");
  query->Edit();
  query->FieldByName("N")->SetAsString("stored");
  Store(*query);
  EXPECT_EQ(ReadElsewhere("SELECT N || '/' || C FROM L WHERE ID = 1"), "stored/orig");
}

// A handler writes a long text into the row being applied and aborts: the
// row keeps the text, and the next apply stores it.
TEST_F(FeaturesMeetTest, ATextWrittenWhileACachedRowIsAppliedOutlivesAnAbort) {
  const std::string text = "a text well beyond what a record keeps inline, for the heap";
  auto query = NewQuery(Connect(), "SELECT ID, N FROM L ORDER BY ID");
  query->SetCachedUpdates(true);
  query->Open();
  query->Edit();
  query->FieldByName("N")->SetAsString(text + " (edit)");
  query->Post();
  bool abort = true;
  query->SetOnUpdateRecord(dacore::TUpdateRecordEvent::Function(
      [&](classlib::TDataSet* d, classlib::TUpdateKind, classlib::TUpdateAction& action) {
        if (!abort) return;
        d->FieldByName("N")->SetAsString(text);
        action = classlib::uaAbort;
      }));
  EXPECT_EQ(MessageOf([&] { query->ApplyUpdates(); }), "Operation aborted");
  EXPECT_EQ(query->FieldByName("N")->AsString(), text);
  abort = false;
  query->ApplyUpdates();
  query->CommitUpdates();
  EXPECT_EQ(ReadElsewhere("SELECT N FROM L WHERE ID = 1"), text);
  query->Close();
}

// A detail opened before its master follows the master once it opens.
TEST_F(FeaturesMeetTest, ADetailFollowsAMasterThatOpensAfterIt) {
  ASSERT_EQ(tier_->Exec("db1", "CREATE TABLE D (DID NUMBER(9) PRIMARY KEY, PARENT NUMBER(9));"
                               "INSERT INTO D VALUES (10, 1);INSERT INTO D VALUES (20, 2);"
                               "INSERT INTO D VALUES (21, 2)"),
            "");
  TOraSession& session = Connect();
  auto master = NewQuery(session, "SELECT ID FROM T ORDER BY ID");
  classlib::TDataSource source(nullptr);
  source.SetDataSet(master.get());
  auto detail = NewQuery(session, "SELECT DID FROM D ORDER BY DID");
  detail->SetMasterSource(&source);
  detail->SetMasterFields("ID");
  detail->SetDetailFields("PARENT");
  detail->Open();
  master->Open();
  EXPECT_EQ(detail->RecordCount(), 1);
  master->Next();
  EXPECT_EQ(detail->RecordCount(), 2);
  master->Close();
  master->Open();
  EXPECT_EQ(detail->RecordCount(), 1);
  detail->Close();
}

// The Oracle pool connects inside the pool: a pooled connect with a wrong
// password leaves the session nothing of the pool, and the corrected one
// connects the right account.
TEST_F(FeaturesMeetTest, APooledConnectThatFailsHoldsNothingOfThePool) {
  TOraSession session;
  session.SetUsername("scott");
  session.SetPassword("wrong");
  session.SetServer("db1");
  session.SetPooling(true);
  EXPECT_FALSE(MessageOf([&] { session.SetConnected(true); }).empty());
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.IConnection(), nullptr);
  session.SetPassword("tiger");
  session.SetConnected(true);
  auto query = NewQuery(session, "SELECT N FROM L WHERE ID = 1");
  query->Open();
  EXPECT_EQ(query->Fields().Fields(0)->AsString(), "one");
  query->Close();
  session.SetConnected(false);
}

}  // namespace
}  // namespace oracle::testing
