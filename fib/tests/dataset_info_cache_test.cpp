// The data-set-info cache and repository rows against an in-memory database.
#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "classlib/strings.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/repository_sql.h"
#include "fib/statements/auto_update_options.h"
#include "metadata_cache_memory_source.h"

namespace fib_test {
namespace {

namespace sql = fib::repository_sql;

const std::vector<std::string> kRowColumns = {
    "DS_ID",     "SELECT_SQL",  "UPDATE_SQL",        "INSERT_SQL",
    "DELETE_SQL", "REFRESH_SQL", "KEY_FIELD",        "NAME_GENERATOR",
    "DESCRIPTION", "UPDATE_TABLE_NAME", "UPDATE_ONLY_MODIFIED_FIELDS", "CONDITIONS",
    "ZOD$VERSION"};

class DataSetInfoTest : public ::testing::Test {
 protected:
  DataSetInfoTest() {
    source.answer = [this](const std::string& text, const fib::MetadataParams&) {
      if (text == sql::kTableExists) return Single(table_exists ? "1" : "0");
      if (text == sql::kDataSetVersion) return Single(std::to_string(version));
      if (text == sql::DataSetRow(7)) return row;
      return MemoryTable{};
    };
    row = {kRowColumns,
           {{"7", "select *\nfrom T", "update T", "insert T", "delete T", "select * from T",
             "ID", "GEN_T", "people", "T", "1", "active=1", "5"}}};
  }

  std::string Failure(const std::function<void()>& action) {
    try {
      action();
    } catch (const classlib::Exception& e) {
      return e.what();
    }
    return "";
  }

  MemoryMetadataSource source;
  MemoryTable row;
  bool table_exists = true;
  int version = 5;
  fib::MetadataCaches caches;
};

TEST_F(DataSetInfoTest, RowIsReadOnceAndCached) {
  fib::TpDataSetInfo info = caches.DataSetInfo.FindDataSetInfo(source, 7, "DS");
  EXPECT_EQ(info.SelectSQL, "select *\r\nfrom T\r\n");
  EXPECT_EQ(info.UpdateSQL, "update T\r\n");
  EXPECT_EQ(info.KeyField, "ID");
  EXPECT_EQ(info.NameGenerator, "GEN_T");
  EXPECT_EQ(info.Description, "people");
  EXPECT_EQ(info.UpdateTableName, "T");
  EXPECT_TRUE(info.UpdateOnlyModifiedFields);
  EXPECT_EQ(info.Conditions, "active=1");
  EXPECT_EQ(info.ZODVersion, 5);
  EXPECT_EQ(info.DBName, "db");
  size_t statements = source.log.size();
  caches.DataSetInfo.FindDataSetInfo(source, 7, "DS");
  EXPECT_EQ(source.log.size(), statements);
}

TEST_F(DataSetInfoTest, MissingRowGivesAnEmptyInfo) {
  row.rows.clear();
  fib::TpDataSetInfo info = caches.DataSetInfo.FindDataSetInfo(source, 7, "DS");
  EXPECT_EQ(info.SelectSQL, "");
  EXPECT_EQ(caches.DataSetInfo.Count(), 1);
}

TEST_F(DataSetInfoTest, RefusalsNameTheCause) {
  EXPECT_EQ(Failure([&] { caches.DataSetInfo.FindDataSetInfo(source, 0, "Orders"); }),
            "Orders.DataSet_ID should be greater than 0");
  fib::TpDataSetInfo values;
  EXPECT_EQ(Failure([&] { fib::SaveDataSetInfo(nullptr, caches.Flags, "DS", 7, values, ""); }),
            "Database is not assigned");
  source.repositories.erase(fib::RepositoryKind::DataSetsInfo);
  EXPECT_EQ(Failure([&] { caches.DataSetInfo.FindDataSetInfo(source, 7, "DS"); }),
            "Can't use ZOD$DATASETS_INFO.\r\nurDataSetInfo not included into "
            "Database.UseRepositories.");
  source.repositories.insert(fib::RepositoryKind::DataSetsInfo);
  table_exists = false;
  EXPECT_EQ(Failure([&] { caches.DataSetInfo.FindDataSetInfo(source, 7, "DS"); }),
            "Table ZOD$DATASETS_INFO does not exist.");
}

TEST_F(DataSetInfoTest, LoadedEntryIsDroppedWhenTheRowVersionChanged) {
  fib::TpDataSetInfo loaded;
  loaded.DBName = "db";
  loaded.ZODVersion = 5;
  loaded.KeyField = "FROM_FILE";
  loaded.NeedValidate = true;
  caches.DataSetInfo.SetValidateAfterLoad(true);

  caches.DataSetInfo.Add("7", loaded);
  EXPECT_EQ(caches.DataSetInfo.FindDataSetInfo(source, 7, "DS").KeyField, "FROM_FILE");
  EXPECT_FALSE(caches.DataSetInfo.Snapshot()[0].second.NeedValidate);

  caches.DataSetInfo.Clear();
  caches.DataSetInfo.Add("7", loaded);
  version = 6;
  EXPECT_EQ(caches.DataSetInfo.FindDataSetInfo(source, 7, "DS").KeyField, "ID");
}

TEST_F(DataSetInfoTest, SavingInsertsAMissingRowThenUpdatesIt) {
  bool inserted = false;
  auto inner = source.answer;
  source.answer = [&](const std::string& text, const fib::MetadataParams& params) {
    if (text == sql::DataSetRow(7) && !inserted) {
      inserted = source.Ran(sql::DataSetInsert(7));
      if (!inserted) return MemoryTable{kRowColumns, {}};
    }
    return inner(text, params);
  };
  fib::TpDataSetInfo values;
  values.SelectSQL = "select 1\r\n";
  values.KeyField = "K";
  values.UpdateOnlyModifiedFields = false;
  EXPECT_TRUE(fib::SaveDataSetInfo(&source, caches.Flags, "DS", 7, values, ""));
  EXPECT_TRUE(source.Ran(sql::DataSetInsert(7)));
  // The row's own description is kept when none is given.
  EXPECT_TRUE(source.Ran(sql::DataSetUpdate(7) + " SELECT_SQL=select 1\r\n DESCRIPTION=people"));
  EXPECT_NE(source.log.back().find("UPDATE_ONLY_MODIFIED_FIELDS=0"), std::string::npos);
  EXPECT_NE(source.log.back().find("KEY_FIELD=K"), std::string::npos);
}

TEST_F(DataSetInfoTest, SavingRefusesWhenTheInsertedRowCannotBeFound) {
  row.rows.clear();
  fib::TpDataSetInfo values;
  EXPECT_EQ(Failure([&] { fib::SaveDataSetInfo(&source, caches.Flags, "DS", 7, values, "d"); }),
            "Error of inserting new information record");
}

TEST_F(DataSetInfoTest, SavingToAnOldTableUpgradesItFirst) {
  auto inner = source.answer;
  source.answer = [&](const std::string& text, const fib::MetadataParams& params) {
    if (text == sql::kBooleanDomainExists) return Single("0");
    if (text == sql::DataSetRow(7) && !source.Ran(sql::DataSetsInfoVersionUpgrade()[0])) {
      return MemoryTable{{"DS_ID", "SELECT_SQL", "DESCRIPTION"}, {{"7", "s", "d"}}};
    }
    return inner(text, params);
  };
  fib::TpDataSetInfo values;
  EXPECT_TRUE(fib::SaveDataSetInfo(&source, caches.Flags, "DS", 7, values, "new"));
  EXPECT_TRUE(source.Ran(sql::kCreateBooleanDomain));
  for (const std::string& step : sql::DataSetsInfoColumnsUpgrade()) EXPECT_TRUE(source.Ran(step));
  EXPECT_TRUE(source.Ran(sql::DataSetUpdate(7)));
}

class FakeDataSet : public fib::IDataSetInfoTarget {
 public:
  FakeDataSet() {
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
  }
  classlib::TStrings& SQLText(fib::TDataSetSQLKind kind) override { return texts[static_cast<int>(kind)]; }
  void SetSQLText(fib::TDataSetSQLKind kind, const classlib::TStrings& lines) override {
    texts[static_cast<int>(kind)].SetText(lines.Text());
    ++changes;
  }
  bool ConditionsYield(const std::string& select_text) const override {
    return select_text == conditioned_select;
  }
  fib::TAutoUpdateOptions& AutoUpdateOptions() override { return options; }
  void SetConditionsText(const std::string& text) override { conditions = text; }
  void SetDescription(const std::string& text) override { description = text; }

  classlib::TStringList texts[5];
  fib::TAutoUpdateOptions options;
  std::string conditioned_select;
  std::string conditions;
  std::string description;
  int changes = 0;
};

TEST(ApplyDataSetInfoTest, DataSetTakesChangedTextsAndOptions) {
  FakeDataSet data_set;
  data_set.texts[static_cast<int>(fib::TDataSetSQLKind::Update)].SetText("update T");
  fib::TpDataSetInfo info;
  info.SelectSQL = "select *\r\nfrom T\r\n";
  info.UpdateSQL = "update T\r\n";  // the same: left alone
  info.KeyField = "ID";
  info.NameGenerator = "GEN_T";
  info.UpdateTableName = "T";
  info.UpdateOnlyModifiedFields = true;
  info.Conditions = "c=1\r\n";
  info.Description = "people";
  fib::ApplyDataSetInfo(info, data_set);
  EXPECT_EQ(data_set.changes, 1);
  EXPECT_EQ(data_set.texts[static_cast<int>(fib::TDataSetSQLKind::Select)].Text(), info.SelectSQL);
  EXPECT_EQ(data_set.texts[static_cast<int>(fib::TDataSetSQLKind::Insert)].Text(), "");
  EXPECT_EQ(data_set.options.WhenGetGenID(), fib::wgBeforePost);
  EXPECT_EQ(data_set.options.KeyFields(), "ID");
  EXPECT_EQ(data_set.options.GeneratorName(), "GEN_T");
  EXPECT_EQ(data_set.options.UpdateTableName(), "T");
  EXPECT_TRUE(data_set.options.UpdateOnlyModifiedFields());
  EXPECT_EQ(data_set.conditions, "c=1\r\n");
  EXPECT_EQ(data_set.description, "people");

  // A row without a generator switches generated keys off; a select the
  // data set's conditions already give is not taken.
  info.NameGenerator.clear();
  info.SelectSQL = "select * from T where c=1\r\n";
  data_set.conditioned_select = info.SelectSQL;
  fib::ApplyDataSetInfo(info, data_set);
  EXPECT_EQ(data_set.options.WhenGetGenID(), fib::wgNever);
  EXPECT_EQ(data_set.changes, 1);
}

}  // namespace
}  // namespace fib_test
