// Reading and writing rows of ZOD$DATASETS_INFO.
#include <exception>

#include "classlib/exceptions.h"
#include "fib/metadata/dataset_info_cache.h"
#include "fib/metadata/metadata_cache_repository.h"
#include "fib/metadata/repository_sql.h"

namespace fib {

namespace {

// The checks both directions share; raises with the texts users know.
void CheckCanUseRepository(IMetadataSource* source, RepositoryFlags& flags,
                           const std::string& data_set_name, int id) {
  if (id <= 0) throw classlib::Exception(data_set_name + ".DataSet_ID should be greater than 0");
  if (source == nullptr) throw classlib::Exception("Database is not assigned");
  if (!source->UsesRepository(RepositoryKind::DataSetsInfo))
    throw classlib::Exception(
        "Can't use ZOD$DATASETS_INFO.\r\nurDataSetInfo not included into "
        "Database.UseRepositories.");
  if (!flags.DataSetsInfoExists(*source))
    throw classlib::Exception("Table ZOD$DATASETS_INFO does not exist.");
}

// The columns the upgrade adds; a row without them comes from an old table.
bool HasUpgradedColumns(IMetadataRows& rows) {
  return rows.HasColumn("UPDATE_TABLE_NAME") && rows.HasColumn("UPDATE_ONLY_MODIFIED_FIELDS") &&
         rows.HasColumn("CONDITIONS") && rows.HasColumn("ZOD$VERSION");
}

// Selects the row, upgrading an old table layout first when `upgraded`
// columns are needed. The rows are positioned on the row, if any.
std::unique_ptr<IMetadataRows> SelectRow(IMetadataSource& source, int id, bool need_upgraded,
                                         bool& found) {
  std::unique_ptr<IMetadataRows> rows;
  try {
    rows = source.Select(repository_sql::DataSetRow(id));
  } catch (const std::exception&) {
    source.Commit();
    UpgradeDataSetsInfoTable(source);
    rows = source.Select(repository_sql::DataSetRow(id));
  }
  found = rows->Next();
  if (need_upgraded && !HasUpgradedColumns(*rows)) {
    source.Commit();
    UpgradeDataSetsInfoTable(source);
    rows = source.Select(repository_sql::DataSetRow(id));
    found = rows->Next();
  }
  return rows;
}

void CopyRow(IMetadataRows& rows, TpDataSetInfo& info) {
  info.SelectSQL = ListText(rows.AsString("SELECT_SQL"));
  info.UpdateSQL = ListText(rows.AsString("UPDATE_SQL"));
  info.InsertSQL = ListText(rows.AsString("INSERT_SQL"));
  info.DeleteSQL = ListText(rows.AsString("DELETE_SQL"));
  info.RefreshSQL = ListText(rows.AsString("REFRESH_SQL"));
  info.KeyField = rows.AsString("KEY_FIELD");
  info.NameGenerator = rows.AsString("NAME_GENERATOR");
  info.Description = rows.AsString("DESCRIPTION");
  info.ZODVersion = rows.AsInteger("ZOD$VERSION");
  info.UpdateTableName = rows.AsString("UPDATE_TABLE_NAME");
  info.UpdateOnlyModifiedFields = rows.AsInteger("UPDATE_ONLY_MODIFIED_FIELDS") == 1;
  info.Conditions = rows.AsString("CONDITIONS");
}

MetadataParams UpdateParams(const TpDataSetInfo& values, const std::string& description) {
  using classlib::Variant;
  return {{"SELECT_SQL", Variant(values.SelectSQL)},
          {"DESCRIPTION", Variant(description)},
          {"UPDATE_SQL", Variant(values.UpdateSQL)},
          {"INSERT_SQL", Variant(values.InsertSQL)},
          {"DELETE_SQL", Variant(values.DeleteSQL)},
          {"REFRESH_SQL", Variant(values.RefreshSQL)},
          {"NAME_GENERATOR", Variant(values.NameGenerator)},
          {"KEY_FIELD", Variant(values.KeyField)},
          {"UPDATE_TABLE_NAME", Variant(values.UpdateTableName)},
          {"UPDATE_ONLY_MODIFIED_FIELDS", Variant(values.UpdateOnlyModifiedFields ? 1 : 0)},
          {"CONDITIONS", Variant(values.Conditions)}};
}

}  // namespace

bool ReadDataSetInfo(IMetadataSource* source, RepositoryFlags& flags,
                     const std::string& data_set_name, int id, TpDataSetInfo& info) {
  CheckCanUseRepository(source, flags, data_set_name, id);
  bool found = false;
  auto rows = SelectRow(*source, id, false, found);
  if (found) CopyRow(*rows, info);
  rows.reset();
  source->Commit();
  return true;
}

bool SaveDataSetInfo(IMetadataSource* source, RepositoryFlags& flags,
                     const std::string& data_set_name, int id, const TpDataSetInfo& values,
                     const std::string& description) {
  CheckCanUseRepository(source, flags, data_set_name, id);
  bool found = false;
  auto rows = SelectRow(*source, id, true, found);
  if (!found) {
    source->Execute(repository_sql::DataSetInsert(id));
    rows = source->Select(repository_sql::DataSetRow(id));
    found = rows->Next();
    if (!found) throw classlib::Exception("Error of inserting new information record");
  }
  std::string kept = description.empty() ? rows->AsString("DESCRIPTION") : description;
  rows.reset();
  source->Execute(repository_sql::DataSetUpdate(id), UpdateParams(values, kept));
  source->Commit();
  return true;
}

}  // namespace fib
