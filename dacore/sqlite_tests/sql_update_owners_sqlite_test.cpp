// An update object and a statement component that runs two of its kinds,
// on the SQLite test driver, under every arrangement of owners (none, one
// shared owner, two owners, one of them owned, either owning the other),
// after one kind was given another component, freed in both orders: the
// update object never keeps a freed component, and a data set takes the
// update object and stores its edits through it afterwards.
#include "dacore/sql_update.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "classlib/field.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/sqlite_driver/sqlite_driver_sql.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::TComponent;
using sqlite_driver::TSQLiteSQL;

enum TOwner { kNobody, kFirst, kSecond, kTheOther };

struct TArrangement {
  const char* name;
  TOwner update_object;
  TOwner statement;
};

const TArrangement kArrangements[] = {
    {"no owners", kNobody, kNobody},
    {"one owner", kFirst, kFirst},
    {"two owners", kFirst, kSecond},
    {"owned update object", kFirst, kNobody},
    {"owned statement", kNobody, kFirst},
    {"update object owns the statement", kNobody, kTheOther},
    {"statement owns the update object", kTheOther, kNobody},
};

// An update object and a statement component made under an arrangement;
// what is still alive is freed at the end, owned or not.
class TPair {
 public:
  explicit TPair(const TArrangement& arrangement) : arrangement_(arrangement) {
    if (arrangement.update_object == kTheOther) {
      statement = new TSQLiteSQL(Holder(arrangement.statement));
      update_object = new TCustomDAUpdateSQL(statement);
    } else {
      update_object = new TCustomDAUpdateSQL(Holder(arrangement.update_object));
      statement = new TSQLiteSQL(arrangement.statement == kTheOther ? update_object : Holder(arrangement.statement));
    }
  }
  ~TPair() {
    FreeStatement();
    FreeUpdateObject();
  }
  TPair(const TPair&) = delete;
  TPair& operator=(const TPair&) = delete;

  // Freeing a component frees what it owns.
  void FreeStatement() {
    delete statement;
    statement = nullptr;
    if (arrangement_.update_object == kTheOther) update_object = nullptr;
  }
  void FreeUpdateObject() {
    delete update_object;
    update_object = nullptr;
    if (arrangement_.statement == kTheOther) statement = nullptr;
  }

  TCustomDAUpdateSQL* update_object = nullptr;
  TSQLiteSQL* statement = nullptr;

 private:
  TComponent* Holder(TOwner owner) { return owner == kFirst ? &first_ : owner == kSecond ? &second_ : nullptr; }

  const TArrangement& arrangement_;
  TComponent first_{nullptr};
  TComponent second_{nullptr};
};

class UpdateObjectOwnersTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE T (ID INTEGER PRIMARY KEY, S VARCHAR(20))");
    Exec(*session_, "INSERT INTO T VALUES (1, 'one')");
    other_ = session_->CreateSQL();
    data_set_ = Query(*session_, "SELECT ID, S FROM T");
  }
  void TearDown() override {
    data_set_.reset();
    other_.reset();
    session_.reset();
    SQLiteTest::TearDown();
  }

  // The statement runs updates and deletes; then deletes go to another one.
  void ServeTwoKindsThenReassignOne(TPair& pair) {
    pair.update_object->SetStatementObject(stUpdate, pair.statement);
    pair.update_object->SetStatementObject(stDelete, pair.statement);
    pair.update_object->SetStatementObject(stDelete, other_.get());
    ASSERT_EQ(pair.update_object->ModifyObject(), pair.statement);
  }

  // The update object serves the data set, whose edit its text stores.
  void ExpectUpdateObjectUsable(TCustomDAUpdateSQL& update_object, const std::string& value) {
    update_object.ModifySQL().SetText("UPDATE T SET S = :S WHERE ID = :OLD_ID");
    data_set_->SetUpdateObject(&update_object);
    data_set_->Open();
    data_set_->Edit();
    data_set_->FieldByName("S")->SetAsString(value);
    data_set_->Post();
    data_set_->Close();
    data_set_->SetUpdateObject(nullptr);
    EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), value);
  }

  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
  std::unique_ptr<TCustomDASQL> other_;
  std::unique_ptr<TCustomDADataSet> data_set_;
};

TEST_F(UpdateObjectOwnersTest, TheStatementFreedFirstLeavesNoKindNamingIt) {
  for (const TArrangement& arrangement : kArrangements) {
    SCOPED_TRACE(arrangement.name);
    TPair pair(arrangement);
    ServeTwoKindsThenReassignOne(pair);
    pair.FreeStatement();
    if (!pair.update_object) continue;  // it went with its owner
    EXPECT_EQ(pair.update_object->ModifyObject(), nullptr);
    EXPECT_EQ(pair.update_object->DeleteObject(), other_.get());
    pair.update_object->SetStatementObject(stDelete, nullptr);
    ExpectUpdateObjectUsable(*pair.update_object, "arrangement " + std::to_string(&arrangement - kArrangements));
  }
}

TEST_F(UpdateObjectOwnersTest, TheUpdateObjectFreedFirstLeavesTheStatementUntouched) {
  for (const TArrangement& arrangement : kArrangements) {
    SCOPED_TRACE(arrangement.name);
    TPair pair(arrangement);
    ServeTwoKindsThenReassignOne(pair);
    data_set_->SetUpdateObject(pair.update_object);
    pair.FreeUpdateObject();
    EXPECT_EQ(data_set_->UpdateObject(), nullptr);
    pair.FreeStatement();
    // The other statement outlives both and still runs.
    other_->SetSQL("UPDATE T SET S = 'after' WHERE ID = 1");
    other_->SetAutoCommit(true);
    other_->Execute();
    EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "after");
  }
}

// Every kind given back one by one keeps the notification while any kind
// still names the statement.
TEST_F(UpdateObjectOwnersTest, TheNotificationHoldsWhileAnyKindNamesTheStatement) {
  TCustomDAUpdateSQL update_object(nullptr);
  auto statement = std::make_unique<TSQLiteSQL>(nullptr);
  for (TStatementType type : {stInsert, stUpdate, stDelete, stRefresh})
    update_object.SetStatementObject(type, statement.get());
  for (TStatementType type : {stInsert, stDelete, stRefresh}) update_object.SetStatementObject(type, nullptr);
  EXPECT_EQ(update_object.ModifyObject(), statement.get());
  statement.reset();
  EXPECT_EQ(update_object.ModifyObject(), nullptr);
  ExpectUpdateObjectUsable(update_object, "kept");
}

}  // namespace
}  // namespace dacore::sqlite_tests
