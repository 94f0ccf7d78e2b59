// Cached updates applied where other features meet them: texts written
// into the record while it is applied, failed and aborted applies, the
// refresh of an applied row under a local order and with cached calculated
// fields, the refresh of a row whose memo or blob changed, blobs changed
// and given back, and rows deleted between the apply and its commit.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/field_numeric.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/message_of.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::testing::MessageOf;
using classlib::TDataSet;
using classlib::TUpdateAction;
using classlib::TUpdateKind;

// Longer than the store keeps inline, so it lives on the string heap.
const std::string kLong1 = "a text long enough for the heap, number one";
const std::string kLong2 = "a text long enough for the heap, number two";

class CachedApplyTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE T (ID INTEGER PRIMARY KEY, S VARCHAR(100), K INTEGER, TX TEXT)");
    // A switch another session turns on to make every update of T fail.
    Exec(*session_, "CREATE TABLE FLAG (ON_ INTEGER)");
    Exec(*session_, "INSERT INTO FLAG VALUES (0)");
    Exec(*session_, "CREATE TRIGGER T_REFUSE BEFORE UPDATE ON T WHEN (SELECT ON_ FROM FLAG) = 1 "
                    "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    for (int id = 1; id <= 5; ++id)
      Exec(*session_, "INSERT INTO T (ID, S, K, TX) VALUES (" + std::to_string(id) + ", 'row " +
                          std::to_string(id) + "', " + std::to_string(id * 10) + ", 'memo " + std::to_string(id) +
                          "')");
  }

  void Refuse(bool on) { Exec(*session_, std::string("UPDATE FLAG SET ON_ = ") + (on ? "1" : "0")); }

  std::unique_ptr<TCustomDADataSet> Cached(const std::string& sql) {
    auto data_set = Query(*session_, sql);
    data_set->SetCachedUpdates(true);
    return data_set;
  }

  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
};

// ---- Texts written while the row is applied --------------------------------------------

// A handler writes a heap text into the row being applied and the apply then
// fails (a server error) or the handler aborts: the written text stays in the
// row, the field reads it, and the next apply stores it; the row's earlier
// text, which the write let go, is never read again.
TEST_F(CachedApplyTest, ATextWrittenByTheHandlerStaysInTheRowWhenTheApplyFailsOrAborts) {
  auto data_set = Cached("SELECT ID, S FROM T ORDER BY ID");
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString(kLong1);
  data_set->Post();
  std::string write = kLong2;
  bool abort = false;
  data_set->SetOnUpdateRecord(TUpdateRecordEvent::Function([&](TDataSet* d, TUpdateKind, TUpdateAction& action) {
    if (write.empty()) return;
    d->FieldByName("S")->SetAsString(write);
    if (abort) action = classlib::uaAbort;
  }));

  Refuse(true);
  EXPECT_NE(MessageOf([&] { data_set->ApplyUpdates(); }).find("refused"), std::string::npos);
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), kLong2);
  EXPECT_TRUE(data_set->UpdatesPending());

  // Aborted without any server error: the same.
  Refuse(false);
  write = kLong1 + " again";
  abort = true;
  EXPECT_EQ(MessageOf([&] { data_set->ApplyUpdates(); }), "Operation aborted");
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), kLong1 + " again");

  // The next apply stores what the row holds.
  write.clear();
  data_set->ApplyUpdates();
  data_set->CommitUpdates();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), kLong1 + " again");
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), kLong1 + " again");
  data_set->Close();
}

// The refresh after the update writes the server's text into the row and a
// handler of the refresh then fails the apply: the row keeps what the
// refresh wrote, and cancelling the updates gives back the values from
// before the edit.
TEST_F(CachedApplyTest, ATextTheRefreshWroteStaysWhenTheApplyFailsAfterIt) {
  Exec(*session_, "CREATE TRIGGER T_LONG AFTER UPDATE ON T WHEN NEW.S = 'go' BEGIN "
                  "UPDATE T SET S = '" + kLong2 + "' WHERE ID = NEW.ID; END");
  auto data_set = Cached("SELECT ID, S FROM T ORDER BY ID");
  data_set->SetRefreshOptions({roAfterUpdate});
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("go");
  data_set->Post();
  data_set->AfterUpdateExecute = TUpdateExecuteEvent::Function([](TDataSet*, TStatementTypes types, TDAParams*) {
    if (types.Contains(stRefresh)) classlib::DatabaseError("after the refresh");
  });
  EXPECT_EQ(MessageOf([&] { data_set->ApplyUpdates(); }), "after the refresh");
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), kLong2);
  data_set->CancelUpdates();
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "row 1");
  data_set->Close();
}

// ---- What the apply's refresh changes ---------------------------------------------------

// A trigger rewrites the sorted column of an updated row and a column
// default fills it in a new one: the refresh after the statement reads the
// values back and the rows stand where the local order puts them, so every
// row is found again by Locate and Lookup.
TEST_F(CachedApplyTest, TheApplysRefreshPlacesTheRowByTheLocalOrder) {
  Exec(*session_, "CREATE TABLE R (ID INTEGER PRIMARY KEY, S VARCHAR(20), K INTEGER DEFAULT 25)");
  Exec(*session_, "INSERT INTO R VALUES (1, 'a', 10), (2, 'b', 20), (3, 'c', 30), (4, 'd', 40)");
  Exec(*session_, "CREATE TRIGGER R_MOVE AFTER UPDATE ON R WHEN NEW.S = 'move' BEGIN "
                  "UPDATE R SET K = 99 WHERE ID = NEW.ID; END");
  auto data_set = Cached("SELECT ID, S, K FROM R");
  data_set->SetRefreshOptions({roAfterInsert, roAfterUpdate});
  data_set->SetIndexFieldNames("K");
  data_set->Open();
  data_set->Edit();  // the first row, K = 10
  data_set->FieldByName("S")->SetAsString("move");
  data_set->Post();
  data_set->Append();
  data_set->FieldByName("ID")->SetAsInteger(5);
  data_set->FieldByName("S")->SetAsString("new");
  data_set->Post();
  data_set->ApplyUpdates();
  data_set->CommitUpdates();

  std::string order;
  for (data_set->First(); !data_set->Eof(); data_set->Next()) order += data_set->FieldByName("K")->AsString() + ";";
  EXPECT_EQ(order, "20;25;30;40;99;");
  const int ids[][2] = {{20, 2}, {25, 5}, {30, 3}, {40, 4}, {99, 1}};
  for (const auto& [k, id] : ids) {
    data_set->First();
    EXPECT_TRUE(data_set->Locate("K", classlib::Variant(k), {})) << k;
    EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), id) << k;
    const classlib::Variant found = data_set->Lookup("K", classlib::Variant(k), "ID");
    EXPECT_EQ(classlib::VarIsNull(found) ? -1 : found.AsInteger(), id) << k;
  }
}

// Calculated fields kept for the records are computed again for the rows
// the apply's refresh changed.
TEST_F(CachedApplyTest, CachedCalculatedFieldsFollowTheApplysRefresh) {
  Exec(*session_, "CREATE TRIGGER T_K AFTER UPDATE ON T WHEN NEW.S = 'bump' BEGIN "
                  "UPDATE T SET K = K + 1 WHERE ID = NEW.ID; END");
  auto data_set = Cached("SELECT ID, S, K FROM T ORDER BY ID");
  data_set->SetRefreshOptions({roAfterUpdate});
  data_set->Prepare();
  for (int i = 0; i < data_set->FieldDefs().Count(); ++i) data_set->FieldDefs()[i]->CreateField(data_set.get());
  auto* twice = new classlib::TIntegerField(data_set.get());
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(classlib::fkCalculated);
  twice->SetDataSet(data_set.get());
  data_set->SetOnCalcFields(classlib::TDataSetNotifyEvent::Function(
      [&](TDataSet*) { twice->SetAsInteger(data_set->FieldByName("K")->AsInteger() * 2); }));
  data_set->Options().SetCacheCalcFields(true);
  data_set->Open();
  EXPECT_EQ(twice->AsInteger(), 20);
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("bump");
  data_set->Post();
  data_set->ApplyUpdates();
  EXPECT_EQ(data_set->FieldByName("K")->AsInteger(), 11);
  EXPECT_EQ(twice->AsInteger(), 22);
  data_set->CommitUpdates();
  data_set->Next();
  data_set->Prior();
  EXPECT_EQ(twice->AsInteger(), 22);
}

// Another session changes K behind a cached edit of the memo or the blob,
// written through a blob stream or through the field's text: the apply's
// refresh reads K back with the rest, and the record shows the server's K
// beside its own new memo or blob.
TEST_F(CachedApplyTest, TheApplysRefreshReadsBackTheRowWhoseMemoOrBlobChanged) {
  Exec(*session_, "CREATE TABLE P (ID INTEGER PRIMARY KEY, K INTEGER, TX TEXT, B BLOB)");
  Exec(*session_, "INSERT INTO P VALUES (1, 10, 'memo', X'0102')");
  const std::string long_text = "a memo " + std::string(900, 'm');
  const std::string bytes = std::string("\0\1binary", 8) + std::string(5000, '\xFE');
  struct Case {
    const char* column;
    bool stream;
    std::string value;
  };
  const Case cases[] = {{"TX", true, long_text}, {"B", true, bytes}, {"TX", false, "short"}, {"B", false, "bb"}};
  int k = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.column) + (c.stream ? " through a stream" : " through AsString"));
    ++k;
    auto data_set = Cached("SELECT ID, K, TX, B FROM P");
    data_set->SetRefreshOptions({roAfterUpdate});
    data_set->Open();
    Exec(*session_, "UPDATE P SET K = " + std::to_string(k) + " WHERE ID = 1");
    data_set->Edit();
    classlib::TField* field = data_set->FieldByName(c.column);
    if (c.stream) {
      auto stream = data_set->CreateBlobStream(field, classlib::bmWrite);
      stream->Write(c.value.data(), static_cast<int>(c.value.size()));
    } else {
      field->SetAsString(c.value);
    }
    data_set->Post();
    data_set->ApplyUpdates();
    EXPECT_EQ(data_set->FieldByName("K")->AsInteger(), k);
    EXPECT_EQ(field->AsString(), c.value);
    data_set->CommitUpdates();
    EXPECT_FALSE(data_set->UpdatesPending());
    EXPECT_EQ(data_set->FieldByName("K")->AsInteger(), k);
    EXPECT_EQ(ReadElsewhere(std::string("SELECT length(") + c.column + ") FROM P WHERE ID = 1"),
              std::to_string(c.value.size()));
    EXPECT_EQ(ReadElsewhere("SELECT K FROM P WHERE ID = 1"), std::to_string(k));
  }
}

// A memo written again with the text it holds changes nothing: the apply
// sends no statement, so nothing is read back and the other session's K
// stays on the server, the record keeping the K it was read with.
TEST_F(CachedApplyTest, AMemoWrittenWithItsOwnTextSendsNothingAndReadsNothingBack) {
  auto data_set = Cached("SELECT ID, K, TX FROM T ORDER BY ID");
  data_set->SetRefreshOptions({roAfterUpdate});
  data_set->Open();
  Exec(*session_, "UPDATE T SET K = 77 WHERE ID = 1");
  data_set->Edit();
  {
    auto stream = data_set->CreateBlobStream(data_set->FieldByName("TX"), classlib::bmWrite);
    stream->Write("memo 1", 6);
  }
  data_set->Post();
  EXPECT_TRUE(data_set->UpdatesPending());
  data_set->ApplyUpdates();
  data_set->CommitUpdates();
  EXPECT_FALSE(data_set->UpdatesPending());
  EXPECT_EQ(data_set->FieldByName("K")->AsInteger(), 10);
  EXPECT_EQ(ReadElsewhere("SELECT K || '/' || TX FROM T WHERE ID = 1"), "77/memo 1");
}

// ---- Blobs changed and given back --------------------------------------------------------

// A second edit writes the memo the first left alone: the memo goes back
// with the rest, by record and by all, and applied it reaches the server.
TEST_F(CachedApplyTest, AMemoWrittenByASecondEditIsUndoneAndApplied) {
  auto data_set = Cached("SELECT ID, S, TX FROM T ORDER BY ID");
  data_set->Open();
  auto edit_twice = [&] {
    data_set->Edit();
    data_set->FieldByName("S")->SetAsString("first");
    data_set->Post();
    data_set->Edit();
    data_set->FieldByName("TX")->SetAsString("second");
    data_set->Post();
    EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "second");
  };
  edit_twice();
  data_set->RevertRecord();
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "row 1");
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "memo 1");
  edit_twice();
  data_set->CancelUpdates();
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "row 1");
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "memo 1");

  edit_twice();
  data_set->ApplyUpdates();
  data_set->CommitUpdates();
  EXPECT_EQ(ReadElsewhere("SELECT S || '/' || TX FROM T WHERE ID = 1"), "first/second");
}

// A memo given back by CancelUpdates or RevertRecord can be changed again,
// and that change undone again: a cancelled edit, a reverted record and the
// updates cancelled leave the text from the server, and no later apply
// writes a text that was taken back.
TEST_F(CachedApplyTest, AMemoGivenBackKeepsItsOwnUndo) {
  auto data_set = Cached("SELECT ID, S, TX FROM T ORDER BY ID");
  data_set->Open();
  auto write_memo = [&](const std::string& text) {
    data_set->Edit();
    data_set->FieldByName("TX")->SetAsString(text);
    data_set->Post();
  };
  write_memo("one");
  data_set->CancelUpdates();
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "memo 1");

  data_set->Edit();
  data_set->FieldByName("TX")->SetAsString("cancelled");
  data_set->Cancel();
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "memo 1");

  write_memo("two");
  data_set->RevertRecord();
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "memo 1");
  write_memo("three");
  data_set->CancelUpdates();
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "memo 1");

  // A later edit of another column stores that column alone.
  Exec(*session_, "UPDATE T SET TX = 'elsewhere' WHERE ID = 1");
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("only S");
  data_set->Post();
  data_set->ApplyUpdates();
  data_set->CommitUpdates();
  EXPECT_EQ(ReadElsewhere("SELECT S || '/' || TX FROM T WHERE ID = 1"), "only S/elsewhere");
}

// ---- Between the apply and its commit --------------------------------------------------

// A new row applied and deleted before the commit is on the server: the
// delete is recorded and sent by the next apply.
TEST_F(CachedApplyTest, ANewRowDeletedBetweenApplyAndCommitIsDeletedOnTheServer) {
  auto data_set = Cached("SELECT ID, S FROM T ORDER BY ID");
  data_set->Open();
  data_set->Append();
  data_set->FieldByName("ID")->SetAsInteger(9);
  data_set->FieldByName("S")->SetAsString("nine");
  data_set->Post();
  data_set->ApplyUpdates();
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE ID = 9"), "1");
  ASSERT_TRUE(data_set->Locate("ID", classlib::Variant(9), {}));
  data_set->Delete();
  EXPECT_EQ(data_set->RecordCount(), 5);
  EXPECT_TRUE(data_set->UpdatesPending());
  data_set->ApplyUpdates();
  data_set->CommitUpdates();
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE ID = 9"), "0");
  EXPECT_FALSE(data_set->UpdatesPending());
  EXPECT_EQ(data_set->RecordCount(), 5);
}

}  // namespace
}  // namespace dacore::sqlite_tests
