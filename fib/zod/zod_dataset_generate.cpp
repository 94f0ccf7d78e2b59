// The data set as the statement generator sees it, and when it generates.
#include <exception>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/field_defs.h"
#include "classlib/fields.h"
#include "classlib/params.h"
#include "fib/base/component_name.h"
#include "fib/metadata/dataset_info_cache.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/metadata_cache_fib_source.h"
#include "fib/sql/sql_clauses.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/zod/zod_dataset.h"

namespace fib {

namespace {

bool SameVariant(const classlib::Variant& a, const classlib::Variant& b) {
  try {
    return a == b;
  } catch (const std::exception&) {
    return false;  // values of kinds that do not compare count as changed
  }
}

std::set<RepositoryKind> RepositoriesOf(const TFIBDatabase& database) {
  std::set<RepositoryKind> kinds;
  TFIBUseRepositories use = database.UseRepositories();
  if (use.Contains(urFieldsInfo)) kinds.insert(RepositoryKind::FieldsInfo);
  if (use.Contains(urDataSetInfo)) kinds.insert(RepositoryKind::DataSetsInfo);
  if (use.Contains(urErrorMessagesInfo)) kinds.insert(RepositoryKind::ErrorMessages);
  return kinds;
}

}  // namespace

// ---- IModifyTextHost ----

std::string TpZODDataSet::GeneratorOwnerName() const { return FullComponentName(this); }

IdentifierRules TpZODDataSet::Identifiers() const {
  TFIBDatabase* database = Database();
  if (!database) return {};
  return {database->SQLDialect(), database->UpperOldNames()};
}

bool TpZODDataSet::CanEditComputedFields() const {
  return PrepareOptions().Contains(psCanEditComputedFields);
}

bool TpZODDataSet::HasFields() const { return Fields().Count() > 0; }

std::vector<GeneratorField> TpZODDataSet::GeneratorFields(bool compare_values) {
  std::vector<GeneratorField> result;
  if (Fields().Count() > 0) {
    for (classlib::TField* field : Fields().List()) {
      GeneratorField item;
      item.name = field->FieldName();
      item.data_field = field->FieldKind() == classlib::fkData;
      item.is_blob = field->IsBlob();
      if (item.data_field) {
        item.table = GetRelationTableName(field);
        item.column = GetRelationFieldName(field);
        item.is_db_key = IsDBKeyField(field->FieldNo());
      }
      if (compare_values && item.data_field) {
        item.unchanged = FieldUnchanged(field);
        item.is_null = FieldIsNull(field);
      }
      result.push_back(item);
    }
    return result;
  }
  classlib::TFieldDefs& defs = FieldDefs();
  if (!defs.Updated()) defs.Update();
  for (int i = 0; i < defs.Count(); ++i) {
    classlib::TFieldDef* def = defs.Items(i);
    GeneratorField item;
    item.name = def->Name();
    item.table = GetRelationTableName(def);
    item.column = GetRelationFieldName(def);
    item.is_blob = classlib::IsBlobFieldType(def->DataType());
    item.is_db_key = IsDBKeyField(def->FieldNo());
    result.push_back(item);
  }
  return result;
}

// A source lives only as long as one use: it holds a transaction of the
// database, which may go away before the data set does.
std::unique_ptr<FIBMetadataSource> TpZODDataSet::NewMetadataSource() {
  TFIBDatabase* database = Database();
  if (!database) RaiseClientError(21, {FullComponentName(this)});
  return std::make_unique<FIBMetadataSource>(*database, RepositoriesOf(*database));
}

bool TpZODDataSet::UsesRepositoryData() const {
  return PrepareOptions().Contains(psApplyRepositary) && Database() &&
         Database()->UseRepositories().Contains(urFieldsInfo);
}

TpZODTableInfo* TpZODDataSet::GeneratorTableInfo(const std::string& table) {
  if (table.empty()) return nullptr;
  return ProcessMetadataCaches().TableInfo.GetTableInfo(*NewMetadataSource(), table,
                                                        UsesRepositoryData());
}

std::string TpZODDataSet::GeneratorPrimaryKey(const std::string& table) {
  if (table.empty()) return "";
  return ProcessMetadataCaches().TableInfo.PrimaryKeyFields(*NewMetadataSource(), table);
}

std::string TpZODDataSet::PreparedSelectText() {
  TFIBQuery* select = QSelect();
  if (!select->Prepared()) select->Prepare();
  return select->SQL().Text();
}

// ---- IAutoUpdateOwner ----

std::string TpZODDataSet::AliasForTable(const std::string& table) const {
  return fib::AliasForTable(QSelect()->SQL().Text(), table);
}

std::string TpZODDataSet::FormatIdentifier(const std::string& name) const {
  return fib::FormatIdentifier(name, Identifiers());
}

// ---- field tests ----

bool TpZODDataSet::FieldUnchanged(classlib::TField* field) {
  if (field->IsBlob()) return !IsBlobFieldModified(field);
  // Fixed-length bytes have no reliable old value: always written.
  if (field->DataType() == classlib::ftBytes) return false;
  if (applying_record_ != nullptr)
    return SameVariant(FieldValueIn(applying_record_, field),
                       FieldValueIn(applying_old_.data(), field));
  return SameVariant(field->Value(), field->OldValue());
}

bool TpZODDataSet::FieldIsNull(classlib::TField* field) {
  if (applying_record_ != nullptr && field->FieldNo() > 0)
    return applying_record_[NullFlagOffset(field->FieldNo() - 1)] != 0;
  return field->IsNull();
}

bool TpZODDataSet::IsBlobFieldModified(classlib::TField* field) {
  auto* blob = dynamic_cast<classlib::TBlobField*>(field);
  if (!blob) return false;
  if (applying_record_ != nullptr) {
    // A cached change of a blob lives in the record's stream until it is
    // applied (a refused apply leaves it changed).
    TFIBBlobStream* stream = BlobStreamOf(applying_record_, field);
    return stream != nullptr && stream->Modified();
  }
  if (!CachedUpdates()) return blob->Modified();
  std::unique_ptr<classlib::TStream> stream = CreateBlobStream(field, classlib::bmRead);
  if (!stream) return false;
  if (auto* own = dynamic_cast<TFIBBlobStream*>(stream.get()); own && own->Modified()) return true;
  TFIBBlobStream* behind = BlobStreamOf(GetActiveRecBuf(), field);
  return behind && behind->Modified();
}

bool TpZODDataSet::IsDBKeyField(int field_no) {
  TFIBQuery* select = QSelect();
  if (!select->Prepared()) {
    if (select->SQL().Text().empty() || !Database() || !Database()->Connected()) return false;
    select->Prepare();
  }
  return field_no >= 1 && field_no <= select->FieldCount() &&
         select->Fields(field_no - 1).SQLName() == "DB_KEY";
}

// ---- generating ----

std::string TpZODDataSet::GenerateSQLText(const std::string& table, const std::string& key_fields,
                                          TBlobMode blob_mode, TModifyTextKind kind) {
  return fib::GenerateSQLText(*this, table, key_fields, blob_mode, kind);
}

void TpZODDataSet::SetTextIfChanged(TDataSetSQLKind kind, const std::string& text) {
  classlib::TStringList lines;
  lines.SetText(text);
  if (SQLText(kind).Text() != lines.Text()) SetSQLText(kind, lines);
}

void TpZODDataSet::GenerateSQLs() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (FieldDefs().Count() == 0) FieldDefs().Update();
  std::string keys = FillKeyFields(*this);
  if (keys.empty()) return;
  std::string table = options.UpdateTableName();
  bool rewrite = options.CanChangeSQLs();
  TBlobMode mode = options.SeparateBlobUpdate() ? bmNoBlobFields : bmAllFields;
  auto generate = [&](TDataSetSQLKind text, TBlobMode blob_mode, TModifyTextKind kind) {
    if (rewrite || SQLText(text).Text().empty())
      SetTextIfChanged(text, GenerateSQLText(table, keys, blob_mode, kind));
  };
  generate(TDataSetSQLKind::Delete, bmAllFields, mtkDelete);
  generate(TDataSetSQLKind::Update, mode, mtkModify);
  generate(TDataSetSQLKind::Insert, mode, mtkInsert);
  SetupBlobUpdateObject();
  generate(TDataSetSQLKind::Refresh, bmAllFields, mtkRefresh);
}

void TpZODDataSet::GenerateTextsAfterOpen() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  std::string select = QSelect()->SQL().Text();
  bool changed = select != last_open_select_;
  last_open_select_ = select;
  if (!changed || !options.AutoReWriteSqls() || ComponentState().Contains(classlib::csDesigning))
    return;
  if (!options.UpdateOnlyModifiedFields()) return GenerateSQLs();
  if (options.UpdateTableName().empty()) return;
  std::string keys = FillKeyFields(*this);
  if (keys.empty()) return;
  SetTextIfChanged(TDataSetSQLKind::Refresh,
                   GenerateSQLText(options.UpdateTableName(), keys, bmAllFields, mtkRefresh));
  SetTextIfChanged(TDataSetSQLKind::Delete,
                   GenerateSQLText(options.UpdateTableName(), keys, bmAllFields, mtkDelete));
}

void TpZODDataSet::GeneratePerRecord(bool inserting) {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (!options.UpdateOnlyModifiedFields() || options.KeyFields().empty() ||
      options.UpdateTableName().empty())
    return;
  TBlobMode mode = options.SeparateBlobUpdate() ? bmNoBlobFields : bmAllFields;
  TModifyTextKind kind = inserting ? mtkInsert : mtkModify;
  SetTextIfChanged(inserting ? TDataSetSQLKind::Insert : TDataSetSQLKind::Update,
                   GenerateSQLText(options.UpdateTableName(), options.KeyFields(), mode, kind));
  SetupBlobUpdateObject();
}

void TpZODDataSet::SetupBlobUpdateObject() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (!options.SeparateBlobUpdate()) return;
  bool has_blobs = false;
  for (classlib::TField* field : Fields().List()) has_blobs = has_blobs || field->IsBlob();
  if (!has_blobs) return;
  if (!blob_update_) {
    blob_update_ = std::make_unique<TpZODUpdateObject>(nullptr);
    blob_update_->SetDatabase(Database());
    blob_update_->SetTransaction(UpdateTransaction());
    blob_update_->SetKindUpdate(classlib::ukModify);
    blob_update_->SetExecuteOrder(oeAfterDefault);
    blob_update_->SetDataSet(this);
  }
  std::string text = GenerateSQLText(options.UpdateTableName(), options.KeyFields(),
                                     bmBlobFieldsOnly, mtkModify);
  if (blob_update_->SQL().Text() != ListText(text)) blob_update_->SQL().SetText(text);
  blob_update_->SetActive(!fib::IsNoAction(text));
}

void TpZODDataSet::FillParamsToFieldsLinks() {
  TFIBQuery* select = QSelect();
  std::string sql = select->SQL().Text();
  classlib::TStringList links;
  for (int i = 0; i < select->ParamCount(); ++i) {
    std::string param = select->ParamName(i);
    std::string column = classlib::Trim(FieldNameOfParam(sql, param));
    if (column.empty()) continue;
    std::string table;
    if (std::size_t dot = column.find('.'); dot != std::string::npos) {
      table = TableForAlias(sql, column.substr(0, dot));
      column = column.substr(dot + 1);
    }
    classlib::TField* target = nullptr;
    if (!table.empty()) target = FieldByOrigin(table + "." + column);
    std::string field = target ? target->FieldName() : classlib::UpperCase(column);
    links.Add(field + "=" + param);
  }
  AutoUpdateOptions().SetParamsToFieldsLinks(links);
}

}  // namespace fib
