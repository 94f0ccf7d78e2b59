// TDASQLGenerator: dispatch, names, values of the record, parameters.
#include "dacore/gen_sql_generator.h"

#include "classlib/dataset.h"
#include "dacore/data_types.h"
#include "dacore/messages.h"

namespace dacore {

TDAParamInfo* TDAParamsInfo::FindParam(const TDAParam* param) const {
  for (const auto& item : items_)
    if (item->Param == param) return item.get();
  return nullptr;
}

TDASQLGenerator::TDASQLGenerator(IDAGeneratorDataSet* data_set) : data_set_(data_set) {
  CLASSLIB_ASSERT(data_set != nullptr);
}

std::string TDASQLGenerator::GenerateSQL(TStatementType statement_type, bool modified_fields_only, TDAParams* params,
                                         int index) {
  TCRTableInfo* table = data_set_->UpdatingTableInfo();
  if (!table) return "";
  std::vector<TCRFieldDesc*> keys, data;
  const bool refresh = statement_type == stRefresh || statement_type == stRefreshQuick ||
                       statement_type == stRefreshCheckDeleted;
  data_set_->GetKeyFieldDescs(keys, data, refresh && data_set_->FullRefresh());
  return GenerateSQLForTableInfo(*table, keys, data, params, modified_fields_only, statement_type, index);
}

std::string TDASQLGenerator::GenerateSQLForTableInfo(TCRTableInfo& table_info,
                                                     const std::vector<TCRFieldDesc*>& key_fields,
                                                     const std::vector<TCRFieldDesc*>& data_fields, TDAParams* params,
                                                     bool modified_fields_only, TStatementType statement_type,
                                                     int index) {
  if (table_info.TableName().empty()) classlib::DatabaseError(STableInfoNameRequired);
  Clear();
  table_info_ = &table_info;
  key_fields_ = key_fields;
  data_fields_ = data_fields;
  params_ = params;
  params_info_.Clear();
  if (params) {
    params->BeginUpdate();
    params->Clear();
  }
  try {
    switch (statement_type) {
      case stInsert: GenerateInsertSQL(modified_fields_only, index); break;
      case stUpdate: GenerateUpdateSQL(modified_fields_only, index); break;
      case stDelete: GenerateDeleteSQL(index); break;
      case stLock: GenerateLockSQL(index); break;
      case stRefresh: GenerateRefreshSQL(); break;
      case stRefreshQuick: GenerateRefreshQuickSQL(); break;
      case stRefreshCheckDeleted: GenerateRefreshCheckDeletedSQL(); break;
      default: classlib::DatabaseError(SBadStatementType);
    }
  } catch (...) {
    // A failed statement leaves neither text nor parameters behind.
    if (params) {
      params->Clear();
      params->EndUpdate();
    }
    params_info_.Clear();
    Clear();
    throw;
  }
  if (params) params->EndUpdate();
  return AssembleSQL();
}

void TDASQLGenerator::Clear() {
  for (StringBuilder* sb : {&header_sb_, &fld_sb_, &middle_sb_, &fld_param_sb_, &cond_sb_, &footer_sb_})
    sb->SetLength(0);
  field_count_ = 0;
  param_count_ = 0;
}

std::string TDASQLGenerator::AssembleSQL() const {
  return header_sb_.ToString() + fld_sb_.ToString() + middle_sb_.ToString() + fld_param_sb_.ToString() +
         cond_sb_.ToString() + footer_sb_.ToString();
}

// ---- The record's values -----------------------------------------------------------

bool TDASQLGenerator::FieldIsNull(const TFieldDesc& field, bool old_value) {
  if (!HasAttributeFields(field.DataType())) return data_set_->FieldValueIsNull(field, old_value);
  TFieldDescs& fields = data_set_->FieldDescs();
  for (int i = 0; i < fields.Count(); ++i) {
    const TFieldDesc& child = *fields.GetItems(i);
    if (child.ParentField() == &field && !FieldIsNull(child, old_value)) return false;
  }
  return true;
}

bool TDASQLGenerator::FieldModified(const TFieldDesc& field) {
  if (!HasAttributeFields(field.DataType())) return data_set_->FieldValueModified(field);
  TFieldDescs& fields = data_set_->FieldDescs();
  for (int i = 0; i < fields.Count(); ++i) {
    const TFieldDesc& child = *fields.GetItems(i);
    if (child.ParentField() == &field && FieldModified(child)) return true;
  }
  return false;
}

// ---- Names -----------------------------------------------------------------------

std::string TDASQLGenerator::GetFieldName(const TCRFieldDesc& field) const {
  const std::string& name = field.ActualName();
  if (table_info_ && field.TableInfo() == table_info_) {
    const std::string prefix = table_info_->TableName() + ".";
    if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0)
      return name.substr(name.find('.') + 1);
  }
  return name;
}

std::string TDASQLGenerator::GetActualFieldName(const TCRFieldDesc& field, TStatementType statement_type) const {
  const std::string name = data_set_->QuoteName(GetFieldName(field));
  const bool full_refresh = statement_type == stRefresh && data_set_->FullRefresh();
  TCRTableInfo* table = field.TableInfo();
  if (!table || !(full_refresh || data_set_->ReadOnly())) return name;
  const std::string& qualifier = table->TableAlias().empty() ? table->TableName() : table->TableAlias();
  return table->NormalizeName(qualifier, data_set_->QuoteNames()) + "." + name;
}

std::string TDASQLGenerator::TableName() const {
  return table_info_->NormalizeName(table_info_->TableName(), data_set_->QuoteNames());
}

int TDASQLGenerator::ParamSuffixToIndex(const std::string& name) const {
  if (name.size() < 2 || name[0] != '_' || name.size() > 10) return -1;
  int value = 0;
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    value = value * 10 + (name[i] - '0');
  }
  return value;
}

// ---- Parameters ---------------------------------------------------------------------

void TDASQLGenerator::AddFieldParam(StringBuilder& builder, TCRFieldDesc& field, bool old, int index,
                                    TStatementType statement_type) {
  std::string name = old ? "Old_" + field.Name() : field.Name();
  if (index >= 0) name = "P_" + std::to_string(index) + "_" + name;
  const bool refresh = statement_type == stRefresh;
  const bool substitute = params_ && IsSubstituteParamName() &&
                          !(refresh && (data_set_->HasParams() || data_set_->FullRefresh()));
  builder.AppendString(substitute ? "?" : ":" + data_set_->QuoteName(name));
  ++param_count_;
  if (!params_) return;
  TDAParam* param = params_->CreateParam(DataTypeToFieldType(field.DataType()), name, classlib::ptInput);
  std::unique_ptr<TDAParamInfo> info = GetParamInfoClass();
  info->Param = param;
  info->Field = &field;
  info->Old = old;
  info->FieldIndex = index;
  params_info_.Add(std::move(info));
}

}  // namespace dacore
