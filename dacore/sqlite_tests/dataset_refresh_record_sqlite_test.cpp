// Records read back from the server on the SQLite test driver where other
// features meet the refresh: the refresh after an insert that the filter
// hides, and the refresh of a record whose cached change waits for its apply.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/messages.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/message_of.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::testing::MessageOf;

class RefreshRecordTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    other_ = Session();
    Exec(*session_, "CREATE TABLE T (ID INTEGER PRIMARY KEY, S VARCHAR(20), STAMP VARCHAR(20))");
    Exec(*session_, "CREATE TRIGGER T_I AFTER INSERT ON T BEGIN "
                    "UPDATE T SET STAMP = 'set:' || NEW.ID WHERE ID = NEW.ID; END");
    Exec(*session_, "INSERT INTO T (ID, S) VALUES (1, 'shown'), (2, 'shown')");
  }

  void Append(TCustomDADataSet& data_set, int id, const std::string& s) {
    data_set.Append();
    data_set.FieldByName("ID")->SetAsInteger(id);
    data_set.FieldByName("S")->SetAsString(s);
    data_set.Post();
  }
  std::string Stamp(TCustomDADataSet& data_set, int id) {
    if (!data_set.Locate("ID", classlib::Variant(id), {})) return "(none)";
    classlib::TField* stamp = data_set.FieldByName("STAMP");
    return stamp->IsNull() ? "(null)" : stamp->AsString();
  }

  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
  std::unique_ptr<sqlite_driver::TSQLiteSession> other_;
};

// The refresh after an insert reads the posted record back also when the
// filter hides it, and leaves the record shown after the post as it was:
// nobody posted that one, and another session may have changed or deleted it.
TEST_F(RefreshRecordTest, TheRefreshAfterAnInsertReadsThePostedRecordWhetherShownOrNot) {
  auto data_set = Query(*session_, "SELECT ID, S, STAMP FROM T ORDER BY ID");
  data_set->SetRefreshOptions({roAfterInsert});
  data_set->SetFilter("S = 'shown'");
  data_set->SetFiltered(true);
  data_set->Open();
  data_set->Last();

  Exec(*other_, "UPDATE T SET S = 'elsewhere' WHERE ID = 2");
  Append(*data_set, 3, "hidden");
  EXPECT_EQ(data_set->RecordCount(), 2);
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "shown") << "not read back: nobody posted it";

  Exec(*other_, "DELETE FROM T WHERE ID = 2");
  Append(*data_set, 4, "hidden");
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE ID = 4"), "1");

  // A new record the filter shows is read back and current, as before.
  Append(*data_set, 5, "shown");
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 5);
  EXPECT_EQ(data_set->FieldByName("STAMP")->AsString(), "set:5");

  data_set->SetFiltered(false);
  EXPECT_EQ(Stamp(*data_set, 3), "set:3");
  EXPECT_EQ(Stamp(*data_set, 4), "set:4");
}

// A record whose cached change waits for its apply is not read again: the
// refresh would replace the change with the server's values, or mix the two.
// Once the change is applied (or taken back) the record can be refreshed.
TEST_F(RefreshRecordTest, ARecordWithAPendingCachedChangeRefusesARefresh) {
  auto data_set = Query(*session_, "SELECT ID, S, STAMP FROM T ORDER BY ID");
  data_set->SetCachedUpdates(true);
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("mine");
  data_set->Post();
  Exec(*other_, "UPDATE T SET STAMP = 'theirs' WHERE ID = 1");
  EXPECT_EQ(MessageOf([&] { data_set->RefreshRecord(); }), SRefreshPendingRecord);
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "mine");
  EXPECT_EQ(data_set->UpdateStatus(), classlib::usModified);

  // Another record refreshes as usual.
  data_set->Next();
  data_set->RefreshRecord();
  data_set->Prior();
  data_set->RevertRecord();
  data_set->RefreshRecord();
  EXPECT_EQ(data_set->FieldByName("S")->AsString() + "/" + data_set->FieldByName("STAMP")->AsString(),
            "shown/theirs");

  // A new record not yet applied is not on the server at all.
  Append(*data_set, 7, "new");
  EXPECT_EQ(MessageOf([&] { data_set->RefreshRecord(); }), SRefreshPendingRecord);
  data_set->ApplyUpdates();
  data_set->RefreshRecord();
  EXPECT_EQ(data_set->FieldByName("STAMP")->AsString(), "set:7");
  data_set->CommitUpdates();
}

}  // namespace
}  // namespace dacore::sqlite_tests
