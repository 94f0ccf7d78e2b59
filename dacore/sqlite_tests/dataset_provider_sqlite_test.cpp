// The generic data set driven as a data provider drives it, only through the
// class library's provider interface, on the SQLite test driver.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "classlib/dataset.h"
#include "classlib/params.h"
#include "dacore/comp_connection.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/sqlite_driver/sqlite_driver_dataset.h"

namespace dacore::sqlite_tests {
namespace {

using sqlite_driver::TSQLiteSession;

// A provider's delta: a field the change left alone has no new value.
class Delta : public sqlite_driver::TSQLiteDataSet {
 public:
  using TSQLiteDataSet::TSQLiteDataSet;
  std::set<std::string> changed;

 protected:
  classlib::Variant GetStateFieldValue(classlib::TDataSetState state, classlib::TField* field) override {
    if (state == classlib::dsNewValue && !changed.count(field->FieldName())) return classlib::Unassigned();
    return TSQLiteDataSet::GetStateFieldValue(state, field);
  }
};

class DAProviderTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME VARCHAR(20), NOTE VARCHAR(20))");
    Exec(*session_, "INSERT INTO T VALUES (1, 'a', 'x')");
    Exec(*session_, "INSERT INTO T VALUES (2, '?', 'y')");
    Exec(*session_, "INSERT INTO T VALUES (3, 'c', 'z')");
    data_set_ = Query(*session_, "SELECT ID, NAME FROM T");
  }

  // The provider's values, by position.
  const classlib::TParams& Params(std::initializer_list<classlib::Variant> values) {
    params_.Clear();
    for (const classlib::Variant& value : values)
      params_.CreateParam(classlib::ftUnknown, "", classlib::ptInput)->SetValue(value);
    return params_;
  }

  classlib::TDataSet& provider() { return *data_set_; }

  std::unique_ptr<TSQLiteSession> session_;
  std::unique_ptr<TCustomDADataSet> data_set_;
  classlib::TParams params_;
};

TEST_F(DAProviderTest, StatementsRunWithAndWithoutAResultSet) {
  EXPECT_EQ(provider().PSExecuteStatement("UPDATE T SET NAME = 'Who?' WHERE ID = ? -- why?", Params({1})), 1);
  EXPECT_EQ(ReadElsewhere("SELECT NAME FROM T WHERE ID = 1"), "Who?");

  data_set_->SetDebug(true);
  std::unique_ptr<classlib::TDataSet> rows;
  EXPECT_EQ(provider().PSExecuteStatement("SELECT ID, NAME FROM T WHERE NAME <> '?' AND ID >= ? ORDER BY ID",
                                          Params({1}), &rows),
            2);
  auto* result = dynamic_cast<TCustomDADataSet*>(rows.get());
  ASSERT_NE(result, nullptr);
  ASSERT_TRUE(result->Active());
  EXPECT_TRUE(result->Debug());
  EXPECT_EQ(result->FieldByName("NAME")->AsString(), "Who?");
  result->Next();
  EXPECT_EQ(result->FieldByName("ID")->AsInteger(), 3);

  EXPECT_EQ(provider().PSExecuteStatement("DELETE FROM T WHERE ID > ?", Params({1}), &rows), 2);
  ASSERT_NE(rows, nullptr);
  EXPECT_FALSE(rows->Active());
  EXPECT_EQ(ReadElsewhere("SELECT COUNT(*) FROM T"), "1");
}

TEST_F(DAProviderTest, TransactionsGoToTheConnectionWhileBothCommitThemselves) {
  provider().PSStartTransaction();
  EXPECT_TRUE(provider().PSInTransaction());
  provider().PSExecuteStatement("UPDATE T SET NAME = ? WHERE ID = ?", Params({"gone", 1}));
  EXPECT_EQ(ReadElsewhere("SELECT NAME FROM T WHERE ID = 1"), "a");
  provider().PSEndTransaction(false);
  EXPECT_FALSE(provider().PSInTransaction());
  EXPECT_EQ(ReadElsewhere("SELECT NAME FROM T WHERE ID = 1"), "a");

  provider().PSStartTransaction();
  provider().PSExecuteStatement("UPDATE T SET NAME = ? WHERE ID = ?", Params({"kept", 1}));
  provider().PSEndTransaction(true);
  EXPECT_FALSE(session_->InTransaction());
  EXPECT_EQ(ReadElsewhere("SELECT NAME FROM T WHERE ID = 1"), "kept");

  // A data set that leaves committing to its connection starts nothing.
  data_set_->SetAutoCommit(false);
  provider().PSStartTransaction();
  EXPECT_FALSE(provider().PSInTransaction());
  data_set_->SetAutoCommit(true);
  session_->SetAutoCommit(false);
  provider().PSStartTransaction();
  EXPECT_FALSE(session_->InTransaction());
}

TEST_F(DAProviderTest, KeysTableAndTheDefaultOrder) {
  EXPECT_TRUE(provider().PSIsSQLBased());
  EXPECT_TRUE(provider().PSIsSQLSupported());
  EXPECT_EQ(provider().PSGetQuoteChar(), "\"");
  provider().PSSetCommandText("SELECT T.ID, T.NAME, NOTE FROM T ORDER BY T.NAME DESC, \"ID\" ASC, NOTE || 'x', NOTE");
  EXPECT_EQ(data_set_->SQL().Text(),
            "SELECT T.ID, T.NAME, NOTE FROM T ORDER BY T.NAME DESC, \"ID\" ASC, NOTE || 'x', NOTE\r\n");
  data_set_->Open();
  EXPECT_EQ(provider().PSGetTableName(), "T");
  // The primary key, as the data set finds it.
  EXPECT_EQ(provider().PSGetKeyFields(), "ID");
  data_set_->SetKeyFields("NAME;NOTE");
  EXPECT_EQ(provider().PSGetKeyFields(), "NAME;NOTE");
  data_set_->FieldByName("ID")->SetProviderFlags({classlib::pfInKey});
  EXPECT_EQ(provider().PSGetKeyFields(), "ID");  // fields flagged as keys first

  // The order stops at the expression: what follows it is no order of rows.
  std::unique_ptr<classlib::TIndexDef> order = provider().PSGetDefaultOrder();
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(order->Fields(), "NAME;ID");
  EXPECT_EQ(order->DescFields(), "NAME");
  EXPECT_EQ(data_set_->FieldByName("NAME")->AsString(), "c");

  // Parentheses hide an inner ORDER BY; no outer one gives no order.
  data_set_->Close();
  provider().PSSetCommandText("SELECT ID FROM (SELECT ID FROM T ORDER BY ID DESC)");
  data_set_->Open();
  EXPECT_EQ(provider().PSGetDefaultOrder(), nullptr);
}

TEST_F(DAProviderTest, ResetAndParametersReachTheNextOpen) {
  provider().PSSetCommandText("SELECT ID, NAME FROM T WHERE ID = :ID");
  classlib::TParams empty;
  provider().PSSetParams(empty);  // nothing given: the data set keeps its own
  EXPECT_EQ(data_set_->Params().Count(), 1);
  classlib::TParams given;
  given.CreateParam(classlib::ftInteger, "ID", classlib::ptInput)->SetAsInteger(2);
  provider().PSSetParams(given);
  data_set_->Open();
  EXPECT_EQ(data_set_->FieldByName("NAME")->AsString(), "?");

  Exec(*session_, "UPDATE T SET NAME = 'b' WHERE ID = 2");
  provider().PSReset();
  EXPECT_TRUE(data_set_->Active());
  EXPECT_EQ(data_set_->FieldByName("NAME")->AsString(), "b");
  data_set_->Close();
  provider().PSReset();  // a closed data set stays closed
  EXPECT_FALSE(data_set_->Active());
}

TEST_F(DAProviderTest, ADeltaRecordIsAppliedWithItsOldAndNewValues) {
  data_set_->SQLUpdate().SetText("UPDATE T SET ID = :ID, NAME = :NAME, NOTE = :NOTE WHERE ID = :OLD_ID");
  Delta delta(nullptr);
  delta.SetConnection(session_.get());
  delta.SetSQL("SELECT ID, NAME, NOTE FROM T WHERE ID = 1");
  delta.Open();
  delta.Edit();
  delta.FieldByName("ID")->SetAsInteger(50);
  delta.FieldByName("NAME")->SetAsString("renumbered");
  delta.FieldByName("NOTE")->SetAsString("not sent");
  delta.changed = {"ID", "NAME"};
  EXPECT_TRUE(provider().PSUpdateRecord(classlib::ukModify, delta));
  delta.Cancel();
  EXPECT_EQ(ReadElsewhere("SELECT NAME FROM T WHERE ID = 50"), "renumbered");
  // The field the change left alone keeps its value.
  EXPECT_EQ(ReadElsewhere("SELECT NOTE FROM T WHERE ID = 50"), "x");
  EXPECT_EQ(ReadElsewhere("SELECT COUNT(*) FROM T WHERE ID = 1"), "0");
  // Without a text of its kind the provider writes the change itself.
  EXPECT_FALSE(provider().PSUpdateRecord(classlib::ukDelete, delta));
}

}  // namespace
}  // namespace dacore::sqlite_tests
