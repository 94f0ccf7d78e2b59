// The extended data set driven as a data provider drives it: only through
// the class library's provider interface of a data set.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "classlib/dataset.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/params.h"
#include "fib/base/errors.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_dataset.h"
#include "fib_query_fixture.h"

namespace fib {
namespace {

using fib_test::QueryTest;

// A provider's delta: a field the change left alone has no new value.
class Delta : public TpZODDataSet {
 public:
  using TpZODDataSet::TpZODDataSet;
  std::set<std::string> changed;

 protected:
  classlib::Variant GetStateFieldValue(classlib::TDataSetState state, classlib::TField* field) override {
    if (state == classlib::dsNewValue && !changed.count(field->FieldName())) return classlib::Unassigned();
    return TpZODDataSet::GetStateFieldValue(state, field);
  }
};

class ProviderTest : public QueryTest {
 protected:
  ProviderTest() {
    Run("create table PEOPLE (ID integer not null primary key, NAME varchar(40), "
        "BORN date, SALARY numeric(10, 2), CITY_ID integer)");
    Run("create table CITY (ID integer not null primary key, TITLE varchar(20))");
    Run("create generator GEN_PEOPLE_ID");
    Run("set generator GEN_PEOPLE_ID to 100");
    Run("insert into CITY values (7, 'Tula')");
    Run("insert into PEOPLE (ID, NAME, CITY_ID) values (1, 'Ann', 7)");
    Run("insert into PEOPLE (ID, NAME, CITY_ID) values (2, 'Bob', 7)");
    Run("insert into PEOPLE (ID, NAME, CITY_ID) values (3, '?', 7)");
    ds_ = std::make_unique<TpZODDataSet>(&form_);
    ds_->SetName("DS");
    ds_->SetDatabase(db_.get());
    ds_->SetTransaction(tr_.get());
    Select("select ID, NAME from PEOPLE");
  }

  void Select(const std::string& sql) {
    classlib::TStringList lines;
    lines.SetText(sql);
    ds_->SetSelectSQL(lines);
  }

  // The provider's values, by position.
  const classlib::TParams& Params(std::initializer_list<classlib::Variant> values) {
    params_.Clear();
    for (const classlib::Variant& value : values)
      params_.CreateParam(classlib::ftUnknown, "", classlib::ptInput)->SetValue(value);
    return params_;
  }

  classlib::Variant Value(const std::string& sql) { return db_->QueryValue(sql, 0); }

  // A data set on one row, in edit state, stands for the provider's delta.
  std::unique_ptr<Delta> EditedDelta(const std::string& select) {
    auto delta = std::make_unique<Delta>(&form_);
    delta->SetName("Delta");
    delta->SetDatabase(db_.get());
    delta->SetTransaction(tr_.get());
    classlib::TStringList lines;
    lines.SetText(select);
    delta->SetSelectSQL(lines);
    delta->AutoUpdateOptions().SetUpdateTableName("PEOPLE");
    delta->AutoUpdateOptions().SetKeyFields("ID");
    delta->AutoUpdateOptions().SetAutoReWriteSqls(true);
    delta->Open();
    delta->Edit();
    return delta;
  }

  classlib::TParams params_;
  std::unique_ptr<TpZODDataSet> ds_;
  // What the provider holds: the class library's data set.
  classlib::TDataSet& provider() { return *ds_; }
};

TEST_F(ProviderTest, StatementsRunWithAndWithoutAResultSet) {
  // Marks inside literals are no parameters.
  EXPECT_EQ(provider().PSExecuteStatement("update PEOPLE set NAME = 'Who?' where ID = ?", Params({2})),
            1);
  EXPECT_EQ(provider().PSExecuteStatement("select ID from PEOPLE where NAME <> '?' and ID > ?",
                                          Params({0})),
            2);
  // A statement taken from the pool again keeps none of its old values.
  const char* move = "update PEOPLE set CITY_ID = ? where ID = ?";
  EXPECT_EQ(provider().PSExecuteStatement(move, Params({8, 1})), 1);
  EXPECT_EQ(provider().PSExecuteStatement(move, Params({9})), 0);

  // The caller who wants the rows gets a data set over all of them.
  std::unique_ptr<classlib::TDataSet> rows;
  EXPECT_EQ(provider().PSExecuteStatement("select ID, NAME from PEOPLE where ID >= ? order by ID",
                                          Params({2}), &rows),
            2);
  ASSERT_NE(rows, nullptr);
  ASSERT_TRUE(rows->Active());
  EXPECT_EQ(rows->FieldByName("NAME")->AsString(), "Who?");
  rows->Last();
  EXPECT_EQ(rows->FieldByName("ID")->AsInteger(), 3);
  rows.reset();
  // A statement without rows still runs, and answers the rows it changed.
  EXPECT_EQ(provider().PSExecuteStatement("delete from PEOPLE where CITY_ID = ?", Params({7}), &rows),
            2);
  EXPECT_NE(rows, nullptr);
  rows.reset();
  tr_->Commit();
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Ann");
  EXPECT_EQ(Value("select CITY_ID from PEOPLE where ID = 1").AsInteger(), 8);
  EXPECT_EQ(Value("select count(*) from PEOPLE").AsInteger(), 1);
}

TEST_F(ProviderTest, TransactionsStartAndEndThroughTheInterface) {
  TpZODDataSet loose(nullptr);
  try {
    static_cast<classlib::TDataSet&>(loose).PSStartTransaction();
    FAIL();
  } catch (const EFIBClientError& error) {
    EXPECT_NE(std::string(error.what()).find("Database not assigned"), std::string::npos);
  }

  db_->SetConnected(false);
  provider().PSStartTransaction();
  EXPECT_TRUE(db_->Connected());
  EXPECT_TRUE(provider().PSInTransaction());
  provider().PSExecuteStatement("update PEOPLE set NAME = ? where ID = ?", Params({"Gone", 1}));
  provider().PSEndTransaction(false);
  EXPECT_FALSE(provider().PSInTransaction());
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Ann");

  provider().PSStartTransaction();
  provider().PSExecuteStatement("update PEOPLE set NAME = ? where ID = ?", Params({"Kept", 1}));
  provider().PSEndTransaction(true);
  EXPECT_FALSE(provider().PSInTransaction());
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Kept");
  provider().PSEndTransaction(true);  // nothing to end
}

TEST_F(ProviderTest, KeysTableQuoteAndCommandText) {
  EXPECT_TRUE(provider().PSIsSQLBased());
  EXPECT_TRUE(provider().PSIsSQLSupported());
  EXPECT_EQ(provider().PSGetQuoteChar(), "\"");
  db_->SetSQLDialect(1);
  EXPECT_EQ(provider().PSGetQuoteChar(), "");
  db_->SetSQLDialect(3);

  EXPECT_EQ(provider().PSGetTableName(), "PEOPLE");
  provider().PSSetCommandText("select P.ID, C.TITLE from CITY C join PEOPLE P on C.ID = P.CITY_ID");
  EXPECT_EQ(ds_->SelectSQL().Text(),
            "select P.ID, C.TITLE from CITY C join PEOPLE P on C.ID = P.CITY_ID\r\n");
  provider().PSSetCommandText("");  // keeps the text
  EXPECT_EQ(provider().PSGetTableName(), "CITY");
  ds_->AutoUpdateOptions().SetUpdateTableName("PEOPLE P");
  EXPECT_EQ(provider().PSGetTableName(), "PEOPLE P");
  ds_->AutoUpdateOptions().SetUpdateTableName("WRITES");  // not in the select
  EXPECT_EQ(provider().PSGetTableName(), "CITY");

  ds_->AutoUpdateOptions().SetKeyFields("ID");
  EXPECT_EQ(provider().PSGetKeyFields(), "ID");
  ds_->Open();
  // Fields flagged as keys answer first.
  ds_->FieldByName("TITLE")->SetProviderFlags({classlib::pfInKey});
  EXPECT_EQ(provider().PSGetKeyFields(), "TITLE");
  EXPECT_EQ(provider().PSGetDefaultOrder(), nullptr);
}

TEST_F(ProviderTest, ParametersOfferedWithTheirFieldTypes) {
  Select("select ID from PEOPLE where ID = :ID or NAME = :NAME or BORN = :BORN "
         "or SALARY = :SALARY or ID = :ID or CITY_ID = :CITY");
  TFIBQuery& select = *ds_->QSelect();
  select.ParamByName("ID").SetAsInteger(1);
  select.ParamByName("NAME").SetAsString("Ann");
  select.ParamByName("BORN").SetAsDateTime(classlib::EncodeDate(2001, 2, 3));
  select.ParamByName("SALARY").SetAsDouble(1.5);
  classlib::TParams* params = provider().PSGetParams();
  ASSERT_NE(params, nullptr);
  ASSERT_EQ(params->Count(), 5);  // ID once
  EXPECT_EQ((*params)[0]->Name(), "ID");
  EXPECT_EQ((*params)[0]->DataType(), classlib::ftInteger);
  EXPECT_EQ((*params)[0]->ParamType(), classlib::ptInput);
  EXPECT_EQ((*params)[0]->AsInteger(), 1);
  EXPECT_EQ((*params)[1]->DataType(), classlib::ftString);
  EXPECT_EQ((*params)[1]->Size(), 40);
  EXPECT_EQ((*params)[1]->AsString(), "Ann");
  EXPECT_EQ((*params)[2]->DataType(), classlib::ftDate);
  EXPECT_EQ((*params)[3]->DataType(), classlib::ftBCD);
  EXPECT_EQ((*params)[3]->NumericScale(), 2);
  EXPECT_EQ((*params)[3]->AsFloat(), 1.5);
  // A NULL compared goes to the server as IS NULL: it has no type there.
  EXPECT_EQ((*params)[4]->Name(), "CITY");
  EXPECT_EQ((*params)[4]->DataType(), classlib::ftUnknown);
  EXPECT_TRUE((*params)[4]->IsNull());
}

TEST_F(ProviderTest, ADeltaRecordFindsItsRowByItsOldValues) {
  classlib::TStringList lines;
  lines.SetText("update PEOPLE set ID = ?ID, NAME = ?NEW_NAME, CITY_ID = ?CITY_ID where ID = ?OLD_ID");
  ds_->SetUpdateSQL(lines);
  std::unique_ptr<Delta> delta = EditedDelta("select ID, NAME, CITY_ID from PEOPLE where ID = 1");
  delta->FieldByName("ID")->SetAsInteger(50);
  delta->FieldByName("NAME")->SetAsString("Renumbered");
  delta->FieldByName("CITY_ID")->SetAsInteger(9);
  delta->changed = {"ID", "NAME"};
  EXPECT_TRUE(provider().PSUpdateRecord(classlib::ukModify, *delta));
  // Without a delete text the provider deletes the record itself.
  EXPECT_FALSE(provider().PSUpdateRecord(classlib::ukDelete, *delta));
  delta.reset();
  tr_->Commit();
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 50").AsString(), "Renumbered");
  EXPECT_EQ(Value("select count(*) from PEOPLE where ID = 1").AsInteger(), 0);
  // A field the change left alone keeps its value.
  EXPECT_EQ(Value("select CITY_ID from PEOPLE where ID = 50").AsInteger(), 7);
}

TEST_F(ProviderTest, AnInsertedKeyComesFromTheGenerator) {
  classlib::TStringList lines;
  lines.SetText("insert into PEOPLE (ID, NAME) values (?NEW_ID, ?NAME)");
  ds_->SetInsertSQL(lines);
  ds_->AutoUpdateOptions().SetKeyFields("ID");
  ds_->AutoUpdateOptions().SetGeneratorName("GEN_PEOPLE_ID");
  ds_->AutoUpdateOptions().SetWhenGetGenID(wgBeforePost);
  std::unique_ptr<Delta> delta = EditedDelta("select ID, NAME from PEOPLE where ID = 1");
  delta->FieldByName("NAME")->SetAsString("Fresh");
  delta->changed = {"NAME"};
  EXPECT_TRUE(provider().PSUpdateRecord(classlib::ukInsert, *delta));

  // With wgNever the delta's own key goes in.
  ds_->AutoUpdateOptions().SetWhenGetGenID(wgNever);
  delta->FieldByName("ID")->SetAsInteger(60);
  delta->changed = {"ID"};
  EXPECT_TRUE(provider().PSUpdateRecord(classlib::ukInsert, *delta));
  delta.reset();
  tr_->Commit();
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 101").AsString(), "Fresh");
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 60").AsString(), "Ann");
}

TEST_F(ProviderTest, AFirebirdErrorArrivesAsTheUpdateErrorWithItsSQLCode) {
  try {
    provider().PSExecuteStatement("insert into PEOPLE (ID, NAME) values (?, ?)", Params({1, "Twin"}));
    FAIL();
  } catch (const classlib::Exception& error) {
    std::unique_ptr<classlib::EUpdateError> update = provider().PSGetUpdateException(error, nullptr);
    EXPECT_EQ(update->Message(), error.Message());
    EXPECT_EQ(update->ErrorCode(), -803);  // a duplicate key
    EXPECT_EQ(update->PreviousError(), 0);
    std::unique_ptr<classlib::EUpdateError> next = provider().PSGetUpdateException(error, update.get());
    EXPECT_EQ(next->PreviousError(), -803);
  }
  tr_->Rollback();
  // Errors of other layers get the class library's answer.
  std::unique_ptr<classlib::EUpdateError> plain =
      provider().PSGetUpdateException(classlib::EConvertError("bad"), nullptr);
  EXPECT_EQ(plain->ErrorCode(), 0);
  EXPECT_EQ(plain->Message(), "bad");
}

}  // namespace
}  // namespace fib
