// The metadata caches on a database of the embedded engine whose repository
// tables the test creates and fills in their oldest layout.
#include <gtest/gtest.h>

#include <filesystem>

#include "database_fixture.h"
#include "fib/metadata/metadata_cache_fib_source.h"
#include "fib/metadata/schema_cache_file.h"
#include "temp_folder.h"

namespace fib_test {
namespace {

const char* const kSchema[] = {
    "CREATE DOMAIN D_NAME VARCHAR(40) DEFAULT 'x'",
    "CREATE TABLE PEOPLE (ID INTEGER NOT NULL, NAME D_NAME DEFAULT 'it''s', "
    "NOTE BLOB SUB_TYPE 1, EMPTY_DEF VARCHAR(5) DEFAULT '', TOTAL COMPUTED BY (ID * 2), "
    "CONSTRAINT PK_PEOPLE PRIMARY KEY (ID))",
    "CREATE TABLE \"O'NEIL\" (A INTEGER)",
    "CREATE PROCEDURE GET_A RETURNS (OUT_A INTEGER) AS BEGIN OUT_A = 1; SUSPEND; END",
    // The repository tables as their first versions had them.
    "CREATE TABLE ZOD$FIELDS_INFO (TABLE_NAME VARCHAR(68) NOT NULL, "
    "FIELD_NAME VARCHAR(68) NOT NULL, DISPLAY_LABEL VARCHAR(100), VISIBLE SMALLINT, "
    "DISPLAY_FORMAT VARCHAR(50), EDIT_FORMAT VARCHAR(50), TRIGGERED SMALLINT, HINT VARCHAR(50))",
    "CREATE TABLE ZOD$DATASETS_INFO (DS_ID INTEGER NOT NULL PRIMARY KEY, "
    "SELECT_SQL BLOB SUB_TYPE 1, UPDATE_SQL BLOB SUB_TYPE 1, INSERT_SQL BLOB SUB_TYPE 1, "
    "DELETE_SQL BLOB SUB_TYPE 1, REFRESH_SQL BLOB SUB_TYPE 1, KEY_FIELD VARCHAR(68), "
    "NAME_GENERATOR VARCHAR(68), DESCRIPTION VARCHAR(100))",
    "CREATE TABLE ZOD$ERROR_MESSAGES (CONSTRAINT_NAME VARCHAR(68), "
    "MESSAGE_STRING VARCHAR(255), ZOD$VERSION INTEGER)",
};

const char* const kRows[] = {
    "INSERT INTO ZOD$FIELDS_INFO (TABLE_NAME, FIELD_NAME, DISPLAY_LABEL, VISIBLE, TRIGGERED, "
    "HINT) VALUES ('PEOPLE', 'NAME', 'Full name', 0, 1, 'the name')",
    "INSERT INTO ZOD$FIELDS_INFO (TABLE_NAME, FIELD_NAME, DISPLAY_LABEL) "
    "VALUES ('O''NEIL', 'A', 'Quoted')",
    "INSERT INTO ZOD$FIELDS_INFO (TABLE_NAME, FIELD_NAME, DISPLAY_LABEL) "
    "VALUES ('ALIAS', 'CITY', 'City')",
    "INSERT INTO ZOD$DATASETS_INFO (DS_ID, SELECT_SQL, KEY_FIELD, DESCRIPTION) "
    "VALUES (3, 'select * from PEOPLE', 'ID', 'everyone')",
    "INSERT INTO ZOD$ERROR_MESSAGES VALUES ('PK_PEOPLE', 'Duplicate person', 1)",
};

class MetadataEngineTest : public ::testing::Test {
 protected:
  MetadataEngineTest() {
    for (const char* sql : kSchema) ExecuteSql(file_.Library(), file_.Handle(), sql);
    for (const char* sql : kRows) ExecuteSql(file_.Library(), file_.Handle(), sql);
    database_ = std::make_unique<fib::TFIBDatabase>(nullptr);
    database_->SetDBName(file_.Path());
    SetUpdaterParams(*database_);
    database_->SetSQLDialect(3);
    database_->SetSynchronizeTime(false);
    database_->Connect();
    source_ = std::make_unique<fib::FIBMetadataSource>(*database_);
  }

  // Changes the database through the test's own attachment.
  void Run(const std::string& sql) { ExecuteSql(file_.Library(), file_.Handle(), sql); }

  fib::TpZODTableInfo* Get(const std::string& table, bool with_repository = true) {
    return caches_.TableInfo.GetTableInfo(*source_, table, with_repository);
  }

  EmbeddedDatabase file_;
  std::unique_ptr<fib::TFIBDatabase> database_;
  std::unique_ptr<fib::FIBMetadataSource> source_;
  fib::MetadataCaches caches_;
};

TEST_F(MetadataEngineTest, TableColumnsAndPrimaryKey) {
  fib::TpZODTableInfo* info = Get("PEOPLE", false);
  ASSERT_EQ(info->Fields.size(), 5u);
  EXPECT_EQ(info->Fields[1].first, "NAME");
  EXPECT_EQ(info->FindField("NAME")->DomainName, "D_NAME");
  EXPECT_EQ(info->FindField("NAME")->DefaultValue, "it's");
  EXPECT_TRUE(info->FindField("EMPTY_DEF")->DefaultValueEmptyString);
  EXPECT_FALSE(info->FindField("NOTE")->CanIncToWhereClause);
  EXPECT_TRUE(info->FindField("TOTAL")->IsComputed);
  EXPECT_FALSE(info->FindField("ID")->IsComputed);
  EXPECT_GT(info->FormatNumber, 0);
  EXPECT_EQ(caches_.TableInfo.PrimaryKeyFields(*source_, "PEOPLE"), "ID");
  EXPECT_TRUE(caches_.Flags.TablesExist(*source_, fib::RepositoryKind::ErrorMessages));
}

TEST_F(MetadataEngineTest, RepositoryRowsUpgradeTheOldLayoutAndApply) {
  fib::TpZODTableInfo* info = Get("PEOPLE");
  fib::TpZODFieldInfo* name = info->FindField("NAME");
  EXPECT_TRUE(name->WithAdditionalInfo);
  EXPECT_EQ(name->DisplayLabel, "Full name");
  EXPECT_FALSE(name->Visible);
  EXPECT_TRUE(name->IsTriggered);
  EXPECT_EQ(name->OtherInfo, std::vector<std::string>{"HINT=the name"});
  // The upgrade added the version column and its triggers: a change to a
  // row now gets a version.
  Run("UPDATE ZOD$FIELDS_INFO SET DISPLAY_WIDTH = 12 WHERE FIELD_NAME = 'NAME'");
  caches_.TableInfo.Clear();
  info = Get("PEOPLE");
  EXPECT_EQ(info->FindField("NAME")->DisplayWidth, 12);
  EXPECT_GT(info->ZODVersion, 0);
}

TEST_F(MetadataEngineTest, RepositoryDataAddedToATableReadWithout) {
  fib::TpZODTableInfo* info = Get("PEOPLE", false);
  EXPECT_FALSE(info->FindField("NAME")->WithAdditionalInfo);
  EXPECT_EQ(Get("PEOPLE", true), info);
  EXPECT_TRUE(info->WithRepository);
  EXPECT_EQ(info->FindField("NAME")->DisplayLabel, "Full name");
  // The source's work is over: another attachment may change the table.
  Run("ALTER TABLE PEOPLE ADD EXTRA INTEGER");
}

TEST_F(MetadataEngineTest, TableNameWithAnApostrophe) {
  fib::TpZODTableInfo* info = Get("\"O'NEIL\"");
  ASSERT_EQ(info->Fields.size(), 1u);
  EXPECT_EQ(info->FindField("A")->DisplayLabel, "Quoted");
  EXPECT_EQ(Get("ALIAS")->FindField("CITY")->DisplayLabel, "City");
}

TEST_F(MetadataEngineTest, ProcedureOutputsAsColumns) {
  fib::TpZODTableInfo* info = Get("GET_A", false);
  ASSERT_EQ(info->Fields.size(), 1u);
  EXPECT_EQ(info->Fields[0].first, "OUT_A");
}

TEST_F(MetadataEngineTest, DataSetRowsAreReadAndWritten) {
  fib::TpDataSetInfo read = caches_.DataSetInfo.FindDataSetInfo(*source_, 3, "DS");
  EXPECT_EQ(read.SelectSQL, "select * from PEOPLE\r\n");
  EXPECT_EQ(read.Description, "everyone");

  fib::TpDataSetInfo values;
  values.SelectSQL = "select ID from PEOPLE\r\n";
  values.KeyField = "ID";
  values.NameGenerator = "GEN_PEOPLE";
  values.UpdateTableName = "PEOPLE";
  values.Conditions = "only=ID > 0\r\n";
  values.UpdateOnlyModifiedFields = true;
  ASSERT_TRUE(fib::SaveDataSetInfo(source_.get(), caches_.Flags, "DS", 8, values, "new one"));

  fib::TpDataSetInfo saved = caches_.DataSetInfo.FindDataSetInfo(*source_, 8, "DS");
  EXPECT_EQ(saved.SelectSQL, values.SelectSQL);
  EXPECT_EQ(saved.NameGenerator, "GEN_PEOPLE");
  EXPECT_EQ(saved.UpdateTableName, "PEOPLE");
  EXPECT_EQ(saved.Conditions, values.Conditions);
  EXPECT_TRUE(saved.UpdateOnlyModifiedFields);
  EXPECT_EQ(saved.Description, "new one");
  EXPECT_GT(saved.ZODVersion, 0);
}

TEST_F(MetadataEngineTest, CachesSurviveDisconnectInFilesAndAreCheckedOnUse) {
  TempFolder folder;
  std::string file = folder.File("schema.mcf");
  Get("PEOPLE");
  ASSERT_TRUE(fib::SaveDataSetInfo(source_.get(), caches_.Flags, "DS", 8, {}, "d"));
  caches_.DataSetInfo.FindDataSetInfo(*source_, 8, "DS");
  caches_.ErrorMessages.Add(file_.Path(), "PK_PEOPLE", 1, "Duplicate person");
  fib::SaveSchemaCache(caches_, file);
  source_.reset();
  database_->Disconnect(false);
  ASSERT_TRUE(std::filesystem::exists(folder.File("schema.dt")));
  ASSERT_TRUE(std::filesystem::exists(folder.File("schema.err")));

  Run("ALTER TABLE PEOPLE ADD EXTRA INTEGER");
  database_->Connect();
  source_ = std::make_unique<fib::FIBMetadataSource>(*database_);

  fib::MetadataCaches kept;
  ASSERT_TRUE(fib::LoadSchemaCache(kept, file, false));
  EXPECT_EQ(kept.TableInfo.GetTableInfo(*source_, "PEOPLE", true)->Fields.size(), 5u);
  EXPECT_EQ(kept.ErrorMessages.Find(file_.Path(), "PK_PEOPLE")->Text, "Duplicate person");

  fib::MetadataCaches checked;
  ASSERT_TRUE(fib::LoadSchemaCache(checked, file, true));
  EXPECT_EQ(checked.DataSetInfo.FindDataSetInfo(*source_, 8, "DS").Description, "d");
  EXPECT_FALSE(checked.DataSetInfo.Snapshot()[0].second.NeedValidate);
  fib::TpZODTableInfo* info = checked.TableInfo.GetTableInfo(*source_, "PEOPLE", true);
  EXPECT_EQ(info->Fields.size(), 6u);
  EXPECT_NE(info->FindField("EXTRA"), nullptr);
}

}  // namespace
}  // namespace fib_test
