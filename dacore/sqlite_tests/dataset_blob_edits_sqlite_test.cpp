// Memo and blob values across posts, refreshes and edits on the SQLite test
// driver: an update sends only what its edit changed (a value posted or read
// before is no change), and a blob stream's writes end with the edit it was
// made for.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/message_of.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::testing::MessageOf;

class BlobEditsTest : public SQLiteTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE T (ID INTEGER PRIMARY KEY, N VARCHAR(20), TX TEXT, B BLOB)");
    Exec(*session_, "CREATE TABLE LOG (WHAT VARCHAR(10))");
    Exec(*session_, "CREATE TRIGGER T_U AFTER UPDATE ON T BEGIN INSERT INTO LOG VALUES ('update'); END");
    Exec(*session_, "INSERT INTO T VALUES (1, 'one', 'memo', x'0102')");
  }

  // The data set as the parameter asks: plain or with cached updates.
  std::unique_ptr<TCustomDADataSet> Open(const std::string& sql, TRefreshOptions options = {}) {
    auto data_set = Query(*session_, sql);
    data_set->SetCachedUpdates(GetParam());
    data_set->SetRefreshOptions(options);
    data_set->Open();
    return data_set;
  }
  // Post, and with cached updates apply and commit.
  void Store(TCustomDADataSet& data_set) {
    data_set.Post();
    if (!data_set.CachedUpdates()) return;
    data_set.ApplyUpdates();
    data_set.CommitUpdates();
  }
  std::string Updates() { return ReadElsewhere("SELECT count(*) FROM LOG"); }
  std::string Blobs() { return ReadElsewhere("SELECT TX || '/' || hex(B) FROM T WHERE ID = 2"); }

  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
};

// A row appended with a memo and a blob, then changed by another session;
// an edit of another column leaves the other session's values.
TEST_P(BlobEditsTest, AnEditOfAnotherColumnLeavesTheBlobsAnotherSessionWrote) {
  auto data_set = Open("SELECT ID, N, TX, B FROM T ORDER BY ID");
  data_set->Append();
  data_set->FieldByName("ID")->SetAsInteger(2);
  data_set->FieldByName("TX")->SetAsString("ins");
  auto stream = data_set->CreateBlobStream(data_set->FieldByName("B"), classlib::bmWrite);
  stream->WriteBuffer("\x0A\x0B", 2);
  stream.reset();
  Store(*data_set);
  EXPECT_EQ(Blobs(), "ins/0A0B");

  Exec(*session_, "UPDATE T SET TX = 'other', B = x'FF' WHERE ID = 2");
  Exec(*session_, "DELETE FROM LOG");
  data_set->Edit();
  data_set->FieldByName("N")->SetAsString("two");
  Store(*data_set);
  EXPECT_EQ(Blobs(), "other/FF");
  EXPECT_EQ(ReadElsewhere("SELECT N FROM T WHERE ID = 2"), "two");

  // An edit that changes nothing sends nothing.
  data_set->Edit();
  data_set->FieldByName("N")->SetAsString("two");
  Store(*data_set);
  EXPECT_EQ(Updates(), "1");

  // The blobs of an edit are sent, and only once.
  data_set->Edit();
  data_set->FieldByName("TX")->SetAsString("mine");
  Store(*data_set);
  Exec(*session_, "UPDATE T SET TX = 'theirs' WHERE ID = 2");
  data_set->Edit();
  data_set->FieldByName("N")->SetAsString("2");
  Store(*data_set);
  EXPECT_EQ(Blobs(), "theirs/FF");
}

// Values the data set read itself (a refresh after an update, a refresh
// of the record) are the server's: a later edit does not send them back.
TEST_P(BlobEditsTest, BlobsReadBackByARefreshAreNoChangeOfALaterEdit) {
  auto data_set = Open("SELECT ID, N, TX, B FROM T WHERE ID = 1", {roAfterUpdate});
  data_set->Edit();
  data_set->FieldByName("N")->SetAsString("edited");
  Store(*data_set);
  Exec(*session_, "UPDATE T SET TX = 'after refresh' WHERE ID = 1");
  data_set->Edit();
  data_set->FieldByName("N")->SetAsString("again");
  Store(*data_set);
  EXPECT_EQ(ReadElsewhere("SELECT TX FROM T WHERE ID = 1"), "after refresh");

  data_set->SetRefreshOptions({});
  Exec(*session_, "UPDATE T SET TX = 'first' WHERE ID = 1");
  data_set->RefreshRecord();
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "first");
  Exec(*session_, "UPDATE T SET TX = 'second' WHERE ID = 1");
  data_set->Edit();
  data_set->FieldByName("N")->SetAsString("third");
  Store(*data_set);
  EXPECT_EQ(ReadElsewhere("SELECT N || '/' || TX FROM T WHERE ID = 1"), "third/second");
}

// A stream opened for writing belongs to its edit: once the edit is posted
// or cancelled its writes are refused and the record stays as it was left.
TEST_P(BlobEditsTest, AStreamsWritesEndWithItsEdit) {
  auto data_set = Open("SELECT ID, N, TX FROM T ORDER BY ID");
  data_set->Edit();
  auto stream = data_set->CreateBlobStream(data_set->FieldByName("TX"), classlib::bmWrite);
  stream->WriteBuffer("abc", 3);
  data_set->Cancel();
  EXPECT_EQ(stream->Write("zzz", 3), 0);
  EXPECT_FALSE(MessageOf([&] { stream->WriteBuffer("zzz", 3); }).empty());
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "memo");
  stream.reset();
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "memo");

  data_set->Edit();
  stream = data_set->CreateBlobStream(data_set->FieldByName("TX"), classlib::bmWrite);
  stream->WriteBuffer("posted", 6);
  Store(*data_set);
  EXPECT_EQ(stream->Write("later", 5), 0);
  stream.reset();
  EXPECT_EQ(data_set->FieldByName("TX")->AsString(), "posted");
  // The next unrelated post sends nothing the stream wrote.
  data_set->Edit();
  data_set->FieldByName("N")->SetAsString("unrelated");
  Store(*data_set);
  EXPECT_EQ(ReadElsewhere("SELECT N || '/' || TX FROM T WHERE ID = 1"), "unrelated/posted");
}

INSTANTIATE_TEST_SUITE_P(PlainAndCached, BlobEditsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Cached" : "Plain"; });

}  // namespace
}  // namespace dacore::sqlite_tests
