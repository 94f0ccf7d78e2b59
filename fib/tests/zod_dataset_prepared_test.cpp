// The extended data set before it opens: texts generated from its field
// definitions, texts taken from the repository and counts on the server.
#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "fib/base/errors.h"
#include "fib/statements/auto_update_options.h"
#include "fib/zod/zod_dataset.h"
#include "fib_query_fixture.h"

namespace fib {
namespace {

using fib_test::QueryTest;

class PreparedDataSetTest : public QueryTest {
 protected:
  PreparedDataSetTest() {
    Run("create table PEOPLE (ID integer not null primary key, NAME varchar(40), "
        "NOTE blob sub_type 1, CITY_ID integer)");
    Run("create table CITY (ID integer not null primary key, TITLE varchar(20))");
    Run("insert into CITY values (7, 'Tula')");
    Run("insert into PEOPLE values (1, 'Ann', 'note', 7)");
    Run("insert into PEOPLE values (2, 'Bob', null, 7)");
    Run("insert into PEOPLE values (3, '?', null, 7)");
    ds_ = std::make_unique<TpZODDataSet>(&form_);
    ds_->SetName("DS");
    ds_->SetDatabase(db_.get());
    ds_->SetTransaction(tr_.get());
  }

  void Select(const std::string& sql) {
    classlib::TStringList lines;
    lines.SetText(sql);
    ds_->SetSelectSQL(lines);
  }

  classlib::Variant Value(const std::string& sql) { return db_->QueryValue(sql, 0); }

  std::unique_ptr<TpZODDataSet> ds_;
};

TEST_F(PreparedDataSetTest, AllTextsFromFieldDefinitions) {
  Select("select P.ID, P.NAME, P.NOTE, C.TITLE from PEOPLE P join CITY C on C.ID = P.CITY_ID");
  TAutoUpdateOptions& options = ds_->AutoUpdateOptions();
  options.SetUpdateTableName("PEOPLE");
  ds_->Prepare();
  ds_->GenerateSQLs();
  // The primary key became the key, the alias came from the select.
  EXPECT_EQ(options.KeyFields(), "ID");
  EXPECT_EQ(ds_->DeleteSQL().Text(), "Delete from PEOPLE P\r\nwhere P.ID=?OLD_ID\r\n");
  EXPECT_EQ(ds_->UpdateSQL().Text(),
            "Update PEOPLE P Set\r\n     ID=?NEW_ID,\r\n     NAME=?NEW_NAME,\r\n"
            "     NOTE=?NEW_NOTE\r\nwhere P.ID=?OLD_ID\r\n");
  EXPECT_NE(ds_->RefreshSQL().Text().find("P.ID=?OLD_ID"), std::string::npos);

  // Texts the program wrote stay unless the options allow rewriting them.
  classlib::TStringList own;
  own.SetText("update PEOPLE set NAME = ?NAME where ID = ?OLD_ID");
  ds_->SetUpdateSQL(own);
  ds_->GenerateSQLs();
  EXPECT_EQ(ds_->UpdateSQL().Text(), own.Text());
  options.SetCanChangeSQLs(true);
  ds_->GenerateSQLs();
  EXPECT_NE(ds_->UpdateSQL().Text(), own.Text());
}

TEST_F(PreparedDataSetTest, KeyFieldsOfAnotherTableRaise65072) {
  Select("select P.ID, P.NAME, C.ID as CID from PEOPLE P join CITY C on C.ID = P.CITY_ID");
  ds_->Prepare();
  try {
    ds_->GenerateSQLText("PEOPLE", "CID", bmAllFields, mtkDelete);
    FAIL();
  } catch (const classlib::Exception& error) {
    EXPECT_EQ(error.Message(), "Form1.DS: unable to generate DeleteSQL because fields for "
                               "\"PEOPLE\" do not exist in dataset.");
  }
}

TEST_F(PreparedDataSetTest, IdentifiersFollowTheDatabaseDialect) {
  EXPECT_EQ(ds_->FormatIdentifier("\"Mixed\""), "\"Mixed\"");
  db_->Close();
  db_->SetSQLDialect(1);
  EXPECT_EQ(ds_->FormatIdentifier(" \"Mixed\" "), "\"MIXED\"");
  EXPECT_EQ(ds_->FormatIdentifier("name"), "NAME");
}

TEST_F(PreparedDataSetTest, CountsOnTheServer) {
  // A "?" inside a literal and a closing line comment.
  Select("select ID from PEOPLE where NAME <> '?' -- the named ones");
  ds_->Prepare();  // starts the transaction
  EXPECT_EQ(ds_->GetRecordCountBySQL(), 2);
  tr_->Commit();
  EXPECT_EQ(ds_->GetRecordCountBySQL(), 0);  // nothing to count in
  tr_->StartTransaction();
  EXPECT_EQ(ds_->GetRecordCountBySQL(), 2);

  Select("select ID from PEOPLE where ID >= :LOW");
  ds_->Prepare();
  ds_->QSelect()->ParamByName("LOW").SetAsInteger(2);
  EXPECT_EQ(ds_->GetRecordCountBySQL(), 2);

  ds_->OnAskRecordCount = TOnGetSQLTextProc::Function(
      [](TFIBCustomDataSet*, std::string& sql) { sql = "select 42 from RDB$DATABASE"; });
  EXPECT_EQ(ds_->GetRecordCountBySQL(), 42);
  ds_->OnAskRecordCount = TOnGetSQLTextProc::Function(
      [](TFIBCustomDataSet*, std::string& sql) { sql = "select from nowhere"; });
  try {
    ds_->GetRecordCountBySQL();
    FAIL();
  } catch (const classlib::Exception& error) {
    EXPECT_EQ(std::string(error.Message()).rfind("Form1.DS unable to get number of records\r\n", 0),
              0u)
        << error.Message();
  }
  tr_->Commit();
}

TEST_F(PreparedDataSetTest, TextsComeFromTheRepositoryById) {
  Run("CREATE TABLE ZOD$DATASETS_INFO (DS_ID INTEGER NOT NULL PRIMARY KEY, "
      "SELECT_SQL BLOB SUB_TYPE 1, UPDATE_SQL BLOB SUB_TYPE 1, INSERT_SQL BLOB SUB_TYPE 1, "
      "DELETE_SQL BLOB SUB_TYPE 1, REFRESH_SQL BLOB SUB_TYPE 1, KEY_FIELD VARCHAR(68), "
      "NAME_GENERATOR VARCHAR(68), DESCRIPTION VARCHAR(100))");
  Run("INSERT INTO ZOD$DATASETS_INFO (DS_ID, SELECT_SQL, KEY_FIELD, DESCRIPTION) "
      "VALUES (3, 'select ID, NAME from PEOPLE', 'ID', 'everyone')");
  ds_->SetDataSet_ID(3);
  EXPECT_TRUE(ds_->PrepareOptions().Contains(psApplyRepositary));
  ds_->Prepare();
  EXPECT_EQ(ds_->SelectSQL().Text(), "select ID, NAME from PEOPLE\r\n");
  EXPECT_EQ(ds_->AutoUpdateOptions().KeyFields(), "ID");
  EXPECT_EQ(ds_->Description(), "everyone");
  EXPECT_TRUE(ds_->Prepared());
}

// Texts kept in the database cannot be read without a connected one.
TEST_F(PreparedDataSetTest, RepositoryTextsNeedAConnectedDatabase) {
  ds_->SetDataSet_ID(3);
  db_->Close();
  try {
    ds_->Prepare();
    FAIL() << "prepared";
  } catch (const classlib::Exception& error) {
    EXPECT_EQ(error.Message(),
              "Can't get info for 3\r\nForm1.DB: Cannot perform operation -- DB is not open.");
  }
  TpZODDataSet alone(nullptr);
  alone.SetDataSet_ID(5);
  try {
    alone.Prepare();
    FAIL() << "prepared";
  } catch (const classlib::Exception& error) {
    EXPECT_EQ(error.Message(), "Can't get info for 5\r\nDatabase is not assigned");
  }
}

TEST_F(PreparedDataSetTest, WhatMayBeChanged) {
  Select("select ID, NAME from PEOPLE");
  EXPECT_FALSE(ds_->CanEdit());
  EXPECT_FALSE(ds_->CanInsert());

  // An active update object of a kind makes that kind possible.
  TpZODUpdateObject insert(&form_);
  insert.SetKindUpdate(classlib::ukInsert);
  insert.SetDataSet(ds_.get());
  EXPECT_TRUE(ds_->CanInsert());
  EXPECT_FALSE(ds_->CanEdit());
  insert.SetActive(false);
  EXPECT_FALSE(ds_->CanInsert());

  // So does generation that writes every statement per record.
  TAutoUpdateOptions& options = ds_->AutoUpdateOptions();
  options.SetAutoReWriteSqls(true);
  options.SetCanChangeSQLs(true);
  options.SetUpdateOnlyModifiedFields(true);
  options.SetUpdateTableName("PEOPLE");
  EXPECT_FALSE(ds_->CanEdit());  // no keys yet
  options.SetKeyFields("ID");
  EXPECT_TRUE(ds_->CanEdit());
  EXPECT_TRUE(ds_->CanDelete());

  // Whatever else holds, the allowed kinds decide.
  ds_->SetAllowedUpdateKinds(TUpdateKinds{classlib::ukInsert});
  EXPECT_FALSE(ds_->CanEdit());
  EXPECT_FALSE(ds_->CanDelete());
  EXPECT_TRUE(ds_->CanInsert());
}

TEST_F(PreparedDataSetTest, UserEventsThroughAContainer) {
  TDataSetsContainer container(&form_);
  ds_->SetContainer(&container);
  std::vector<std::string> seen;
  container.OnUserEvent = TUserEvent::Function(
      [&](classlib::TObject*, classlib::TDataSet* receiver, const std::string& name, std::string&) {
        EXPECT_EQ(receiver, ds_.get());
        seen.push_back("container " + name);
      });
  ds_->OnUserEvent = TUserEvent::Function(
      [&](classlib::TObject*, classlib::TDataSet*, const std::string& name, std::string& info) {
        seen.push_back("data set " + name);
        info = "done";
      });
  std::string info;
  container.SendUserEvent(nullptr, "", "Reload", info);
  EXPECT_EQ(info, "done");
  // Closing is the data set's own business; its handler hears of it too.
  container.SendUserEvent(nullptr, "Form1.DS", "close", info);
  EXPECT_EQ(seen, (std::vector<std::string>{"container Reload", "data set Reload",
                                            "data set close"}));
  // A list of events makes the data set deaf to the others.
  ds_->ReceiveEvents().Add("Reload");
  seen.clear();
  container.SendUserEvent(nullptr, "", "Other", info);
  EXPECT_TRUE(seen.empty());
  ds_->SetContainer(nullptr);
}

}  // namespace
}  // namespace fib
