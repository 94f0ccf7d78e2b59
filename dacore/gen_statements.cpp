// TDASQLGenerator: the statement forms and their conditions. A line of a
// generated statement ends in CR LF.
#include "dacore/gen_sql_generator.h"

#include "classlib/dataset.h"
#include "dacore/messages.h"

namespace dacore {

namespace {
constexpr const char* kLineEnd = "\r\n";

void AppendSeparated(StringBuilder& builder, const std::string& separator, const std::string& text) {
  if (builder.Length() > 0) builder.AppendString(separator);
  builder.AppendString(text);
}
}  // namespace

// ---- Conditions ----------------------------------------------------------------------

// A refresh outside cached updates finds the record by its current values;
// every other statement by the values the record was read with.
void TDASQLGenerator::GenerateConditions(StringBuilder& builder, TCRFieldDesc& field, bool check_null,
                                         TStatementType statement_type, int index) {
  const bool old = !(statement_type == stRefresh && !DataSet().CachedUpdates());
  if (builder.Length() > 0) builder.AppendString(" AND ");
  builder.AppendString(GetActualFieldName(field, statement_type));
  if (check_null && FieldIsNull(field, old)) {
    builder.AppendString(" IS NULL");
    return;
  }
  builder.AppendString(" = ");
  AddFieldParam(builder, field, old, index, statement_type);
}

void TDASQLGenerator::GenerateKeyConditions(StringBuilder& builder, TStatementType statement_type, int index) {
  if (!key_fields_.empty()) {
    for (TCRFieldDesc* key : key_fields_) GenerateConditions(builder, *key, true, statement_type, index);
    return;
  }
  if (TCRFieldDesc* row_id = DataSet().RowIdentityField()) {
    GenerateConditions(builder, *row_id, true, statement_type, index);
    return;
  }
  if (data_fields_.empty()) classlib::DatabaseError(SKeyFieldsNotFound);
  for (TCRFieldDesc* field : data_fields_)
    if (!IsBlobDataType(field->DataType())) GenerateConditions(builder, *field, true, statement_type, index);
}

// ---- INSERT, UPDATE, DELETE ------------------------------------------------------------

void TDASQLGenerator::AddFieldToInsertSQL(TCRFieldDesc& field, int index) {
  AppendSeparated(fld_sb_, ", ", GetActualFieldName(field, stInsert));
  if (fld_param_sb_.Length() > 0) fld_param_sb_.AppendString(", ");
  AddFieldParam(fld_param_sb_, field, false, index, stInsert);
  ++field_count_;
}

void TDASQLGenerator::GenerateInsertSQL(bool modified_fields_only, int index) {
  for (TCRFieldDesc* field : data_fields_)
    if (!modified_fields_only || !FieldIsNull(*field, false)) AddFieldToInsertSQL(*field, index);
  header_sb_.AppendString("INSERT INTO " + TableName() + kLineEnd + "  (");
  middle_sb_.AppendString(std::string(")") + kLineEnd + "VALUES" + kLineEnd + "  (");
  footer_sb_.AppendString(")");
}

void TDASQLGenerator::AddFieldToUpdateSQL(TCRFieldDesc& field, bool modified_fields_only, int index) {
  if (modified_fields_only && !FieldModified(field)) return;
  if (fld_sb_.Length() > 0) fld_sb_.AppendString(", ");
  fld_sb_.AppendString(GetActualFieldName(field, stUpdate) + " = ");
  AddFieldParam(fld_sb_, field, false, index, stUpdate);
  ++field_count_;
}

void TDASQLGenerator::GenerateUpdateSQL(bool modified_fields_only, int index) {
  for (TCRFieldDesc* field : data_fields_) AddFieldToUpdateSQL(*field, modified_fields_only, index);
  if (field_count_ == 0) {
    // Nothing to set: no statement, and no parameters for it either.
    Clear();
    params_info_.Clear();
    if (params_) params_->Clear();
    return;
  }
  header_sb_.AppendString("UPDATE " + TableName() + kLineEnd + "SET" + kLineEnd + "  ");
  middle_sb_.AppendString(std::string(kLineEnd) + "WHERE" + kLineEnd + "  ");
  GenerateKeyConditions(cond_sb_, stUpdate, index);
}

void TDASQLGenerator::GenerateDeleteSQL(int index) {
  header_sb_.AppendString("DELETE FROM " + TableName() + kLineEnd + "WHERE" + kLineEnd + "  ");
  GenerateKeyConditions(cond_sb_, stDelete, index);
}

// ---- Refresh -------------------------------------------------------------------------

void TDASQLGenerator::AddFieldToRefreshSQL(TCRFieldDesc& field) {
  std::string item = GetActualFieldName(field, stRefresh);
  if (!DataSet().Designing()) {
    // The alias names the field by its place, so the answer maps back
    // whatever the column is called.
    TFieldDescs& fields = DataSet().FieldDescs();
    int place = 0;
    while (place < fields.Count() && fields.GetItems(place) != &field) ++place;
    item += " AS _" + std::to_string(place);
  }
  AppendSeparated(fld_sb_, ", ", item);
  ++field_count_;
}

void TDASQLGenerator::AddSelectList() {
  header_sb_.AppendString("SELECT ");
  for (TCRFieldDesc* field : data_fields_.empty() ? key_fields_ : data_fields_) AddFieldToRefreshSQL(*field);
}

void TDASQLGenerator::AddFromClause() {
  std::string from = " FROM " + TableName();
  if (!table_info_->TableAlias().empty()) from += " " + table_info_->TableAlias();
  middle_sb_.AppendString(from);
}

void TDASQLGenerator::GenerateRefreshSQL() {
  StringBuilder conditions(100);
  GenerateKeyConditions(conditions, stRefresh, -1);
  if (DataSet().FullRefresh() || DataSet().ReadOnly()) {
    const std::string sql = DataSet().SQLText();
    header_sb_.AppendString(conditions.Length() > 0 ? DataSet().AddWhere(sql, conditions.ToString()) : sql);
    return;
  }
  AddSelectList();
  AddFromClause();
  middle_sb_.AppendString(std::string(kLineEnd) + "WHERE" + kLineEnd + "  ");
  cond_sb_.AppendBuilder(&conditions);
}

void TDASQLGenerator::GenerateRefreshQuickSQL() {
  StringBuilder conditions(100);
  GenerateKeyConditions(conditions, stRefreshQuick, -1);
  header_sb_.AppendString(DataSet().AddWhere(DataSet().FinalSQL(), conditions.ToString()));
}

void TDASQLGenerator::GenerateRefreshCheckDeletedSQL() {
  StringBuilder names(100);
  for (TCRFieldDesc* key : key_fields_) {
    std::string item = GetActualFieldName(*key, stRefreshCheckDeleted);
    if (GetFieldName(*key) != key->Name()) item += " AS " + DataSet().QuoteName(key->Name());
    AppendSeparated(names, ", ", item);
  }
  header_sb_.AppendString("SELECT " + names.ToString() + " FROM " + TableName());
  const std::string where = DataSet().GetWhere();
  if (!where.empty()) middle_sb_.AppendString(" WHERE " + where);
  StringBuilder order(100);
  for (TCRFieldDesc* key : key_fields_) AppendSeparated(order, ", ", GetActualFieldName(*key, stRefreshCheckDeleted));
  footer_sb_.AppendString(" ORDER BY " + order.ToString());
}

}  // namespace dacore
