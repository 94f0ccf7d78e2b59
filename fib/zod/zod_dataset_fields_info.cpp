// Field presentation and rules from the metadata: default formats, the
// repository's labels and formats, read-only, required and default values.
#include "classlib/field.h"
#include "classlib/field_datetime.h"
#include "classlib/field_numeric.h"
#include "classlib/fields.h"
#include "fib/dataset/fib_blob_fields.h"
#include "fib/dataset/fib_dataset_defaults.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/metadata_cache_fib_source.h"
#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_text.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/format_fields.h"
#include "fib/zod/zod_dataset.h"

namespace fib {

namespace {

void ApplyRepositorySettings(classlib::TField& field, const TpZODFieldInfo& info) {
  if (info.DisplayWidth != 0) field.SetDisplayWidth(info.DisplayWidth);
  if (!info.DisplayLabel.empty()) field.SetDisplayLabel(info.DisplayLabel);
  field.SetVisible(info.Visible);
  if (auto* numeric = dynamic_cast<classlib::TNumericField*>(&field)) {
    if (!info.DisplayFormat.empty()) numeric->SetDisplayFormat(info.DisplayFormat);
    if (!info.EditFormat.empty()) numeric->SetEditFormat(info.EditFormat);
  } else if (auto* date_time = dynamic_cast<classlib::TDateTimeField*>(&field)) {
    if (!info.DisplayFormat.empty()) date_time->SetDisplayFormat(info.DisplayFormat);
  }
}

}  // namespace

const TFormatFields* TpZODDataSet::OwnFormats() { return &DefaultFormats(); }

// The table the modify statements change, as the server names it.
std::string TpZODDataSet::UpdateTableOfStatements() {
  TAutoUpdateOptions& options = AutoUpdateOptions();
  if (options.AutoReWriteSqls()) return NormalizedIdentifier(options.FormattedTableName());
  for (TDataSetSQLKind kind :
       {TDataSetSQLKind::Update, TDataSetSQLKind::Insert, TDataSetSQLKind::Delete}) {
    std::string table = ModifiedTable(SQLText(kind).Text(), false);
    if (!table.empty()) return table;
  }
  return "";
}

void TpZODDataSet::ApplyFieldsInfo() {
  TpPrepareOptions prepare = PrepareOptions();
  bool with_repository = UsesRepositoryData();
  empty_default_fields_.clear();
  std::string update_table = prepare.Contains(pfSetReadOnlyFields) ? UpdateTableOfStatements() : "";
  TpZODTableInfoCollect& cache = ProcessMetadataCaches().TableInfo;
  std::unique_ptr<FIBMetadataSource> source;
  if (Database() && Database()->Connected()) source = NewMetadataSource();
  for (classlib::TField* field : Fields().List()) {
    if (Options().Contains(poAutoFormatFields)) ApplyAutoFormat(*field, DefaultFormats());
    if (field->FieldKind() != classlib::fkData || !source) continue;
    std::string table = GetRelationTableName(field);
    std::string column = GetRelationFieldName(field);
    TpZODFieldInfo* alias_info =
        with_repository ? cache.GetFieldInfo(*source, kAliasTable, field->FieldName(), true)
                        : nullptr;
    TpZODFieldInfo* table_info =
        table.empty() ? nullptr : cache.GetFieldInfo(*source, table, column, with_repository);
    if (!alias_info && !table_info) continue;
    const TpZODFieldInfo& own = table_info ? *table_info : *alias_info;
    std::string column_default = own.DefaultValue;
    bool empty_string_default = own.DefaultValueEmptyString;
    // The column's character set as the metadata gives it.
    if (auto* memo = dynamic_cast<TFIBMemoField*>(field);
        memo != nullptr && prepare.Contains(psSupportUnicodeBlobs) && own.CharSetID != 0) {
      memo->SetCharSetId(own.CharSetID);
      memo->SetConvertsUtf8(MemoArrivesAsUtf8(*memo));
    }
    const TpZODFieldInfo& info = alias_info ? *alias_info : *table_info;

    if (with_repository && info.WithAdditionalInfo) ApplyRepositorySettings(*field, info);
    if (prepare.Contains(pfSetReadOnlyFields)) {
      field->SetReadOnly(table != update_table);
      if (!prepare.Contains(psCanEditComputedFields)) field->SetReadOnly(info.IsComputed);
    }
    if (prepare.Contains(pfSetRequiredFields)) {
      bool nullable = (GetFieldXSQLVAR(field).sqltype & 1) != 0;
      field->SetRequired(!nullable && info.DefaultValue.empty() && !info.IsTriggered);
    }
    if (prepare.Contains(pfImportDefaultValues)) {
      DefaultFieldKind kind = DefaultKindOf(field);
      if (kind == DefaultFieldKind::String && empty_string_default)
        empty_default_fields_.insert(field->FieldName());
      // A column without a default leaves what the program set.
      if (!column_default.empty())
        field->SetDefaultExpression(FieldDefaultExpression(column_default, kind));
    }
  }
}

}  // namespace fib
