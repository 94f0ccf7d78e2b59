// TCustomDADataSet: the updating table and its key fields, what the SQL
// generator reads of the record being stored, and running the statement
// that stores an insert, update or delete.
#include "dacore/dataset_component.h"

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/format.h"
#include "dacore/comp_connection.h"
#include "dacore/messages.h"
#include "dacore/support_access_utils.h"
#include "dacore/util_var_equal.h"

namespace dacore {

using classlib::Variant;

namespace {

constexpr const char* kEmptyObjectSQL =
    "SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject cannot be empty";

// The one kind of a set; several kinds are a custom statement.
TStatementType SingleType(TStatementTypes types) {
  int found = -1;
  for (int type = stQuery; type <= stBatchUpdate; ++type) {
    if (!types.Contains(static_cast<TStatementType>(type))) continue;
    if (found >= 0) return stCustom;
    found = type;
  }
  return found < 0 ? stCustom : static_cast<TStatementType>(found);
}

bool IsBlobType(TDataType type) { return type == dtBlob || type == dtMemo || type == dtWideMemo; }

}  // namespace

// ---- The updating table -----------------------------------------------------------------

TCRTableInfo* TCustomDADataSet::UpdatingTableInfo() {
  if (!record_set_ || updating_table_index_ < 0) return nullptr;
  TCRTablesInfo& tables = record_set_->TablesInfo();
  return updating_table_index_ < tables.Count() ? tables.Items(updating_table_index_) : nullptr;
}

void TCustomDADataSet::ResolveUpdatingTable(const std::string& name) {
  if (!record_set_) return;
  TCRTablesInfo& tables = record_set_->TablesInfo();
  const std::string previous = updating_table_;
  const std::string normalized = name.empty() ? "" : tables.ClassRules().NormalizeName(name, QuoteNames());
  updating_table_ = normalized;
  if (tables.Count() == 0) {
    updating_table_index_ = -1;
  } else if (normalized.empty()) {
    updating_table_index_ = 0;
  } else {
    int index = tables.FindByName(normalized);
    if (index < 0) index = tables.FindByAlias(normalized);
    if (index < 0 && normalized != previous) {
      updating_table_ = previous;
      classlib::DatabaseError(classlib::Format(SBadUpdatingTable, {name}), this);
    }
    updating_table_index_ = index < 0 ? 0 : index;
  }
  if (updating_table_index_ < 0) return;
  InitUpdatingTable();
  if (read_only_ || !options_->SetFieldsReadOnly()) return;
  TCRTableInfo* table = UpdatingTableInfo();
  for (classlib::TField* field : FieldList()) {
    if (field->FieldNo() <= 0) continue;
    const auto* desc = dynamic_cast<const TCRFieldDesc*>(GetFieldDesc(field));
    field->SetReadOnly(!desc || desc->TableInfo() != table);
  }
}

// The data fields are the updating table's (every field with all_fields);
// the keys those KeyFields names, else those the dialect finds.
void TCustomDADataSet::GetKeyFieldDescs(std::vector<TCRFieldDesc*>& key_fields,
                                        std::vector<TCRFieldDesc*>& data_fields, bool all_fields) {
  if (!FIRecordSet) return;
  TCRTableInfo* table = UpdatingTableInfo();
  for (int i = 0; i < FIRecordSet->GetFieldCount(); ++i) {
    auto* field = dynamic_cast<TCRFieldDesc*>(FIRecordSet->Fields().GetItems(i));
    if (!field || field->HasParent() || field->FieldKind() == fkCalculated) continue;
    if (all_fields || (table && field->TableInfo() == table)) data_fields.push_back(field);
  }
  if (key_fields_.empty()) {
    DetectKeyFields(key_fields);
    return;
  }
  size_t start = 0;
  while (start <= key_fields_.size()) {
    const size_t end = key_fields_.find(';', start);
    const std::string name =
        classlib::Trim(key_fields_.substr(start, end == std::string::npos ? end : end - start));
    if (!name.empty())
      if (auto* field = dynamic_cast<TCRFieldDesc*>(FIRecordSet->FindField(name))) key_fields.push_back(field);
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

// ---- The record being stored ------------------------------------------------------------

TRecBuf TCustomDADataSet::UpdateNewRecord() const { return ActiveBuffer(); }

// While cached updates are applied the old values have a buffer of their
// own; otherwise the store still holds the row as it was (nullptr for a
// record being inserted).
TRecBuf TCustomDADataSet::UpdateOldRecord() {
  if (ApplyingCachedUpdates()) {
    const classlib::TDataSetState saved = SetTempState(classlib::dsOldValue);
    TRecBuf old = GetActiveRecordBuffer();
    RestoreState(saved);
    return old;
  }
  // A new record has no old values.
  if (State() == classlib::dsInsert) return nullptr;
  if (!update_old_read_) {
    if (!update_old_record_) update_old_record_ = FIRecordSet->AllocRecBuf();
    FIRecordSet->GetRecord(update_old_record_);
    update_old_read_ = true;
  }
  return update_old_record_;
}

bool TCustomDADataSet::FieldValueIsNull(const TFieldDesc& field, bool old_value) {
  TRecBuf rec = old_value ? UpdateOldRecord() : UpdateNewRecord();
  if (!rec) return true;
  if (IsBlobType(field.DataType())) {
    TBlob* blob = FIRecordSet->GetBlob(field.FieldNo(), rec);
    return !blob || FIRecordSet->GetNull(field.FieldNo(), rec);
  }
  return FIRecordSet->GetNull(field.FieldNo(), rec);
}

// Blobs are edited in place: the same blob in both records tells by its
// rollback copy, two blobs by their bytes.
bool TCustomDADataSet::FieldValueModified(const TFieldDesc& field) {
  TRecBuf new_rec = UpdateNewRecord();
  TRecBuf old_rec = UpdateOldRecord();
  if (!new_rec || !old_rec) return true;
  const bool new_null = FIRecordSet->GetNull(field.FieldNo(), new_rec);
  const bool old_null = FIRecordSet->GetNull(field.FieldNo(), old_rec);
  if (IsBlobType(field.DataType())) {
    TBlob* new_blob = FIRecordSet->GetBlob(field.FieldNo(), new_rec);
    TBlob* old_blob = FIRecordSet->GetBlob(field.FieldNo(), old_rec);
    if (new_blob == old_blob) {
      if (!new_blob) return false;
      // The copy kept for a cancel holds the value before the edit.
      TBlob* before = new_blob->Rollback();
      return before ? before->GetAsString() != new_blob->GetAsString() : new_blob->Modified();
    }
    if (!new_blob || !old_blob) return true;
    return new_blob->GetAsString() != old_blob->GetAsString();
  }
  if (new_null || old_null) return new_null != old_null;
  Variant new_value, old_value;
  FIRecordSet->GetFieldAsVariant(field.FieldNo(), new_rec, new_value);
  FIRecordSet->GetFieldAsVariant(field.FieldNo(), old_rec, old_value);
  return !VarEqual(new_value, old_value);
}

// ---- Statements -------------------------------------------------------------------------

TCustomDASQL* TCustomDADataSet::UpdateStatement(TStatementType type) const {
  return update_statements_.at(static_cast<size_t>(type)).get();
}

void TCustomDADataSet::RemoveUpdateStatements() {
  update_query_ = nullptr;
  for (auto& statement : update_statements_) statement.reset();
}

// The statement of a kind, made through the connection on first need.
TCustomDASQL& TCustomDADataSet::CheckUpdateQuery(TStatementType type) {
  CheckConnection();
  std::unique_ptr<TCustomDASQL>& statement = update_statements_.at(static_cast<size_t>(type));
  if (!statement) statement = GetUsedConnection()->CreateSQL();
  else if (statement->Connection() != GetUsedConnection()) statement->SetConnection(GetUsedConnection());
  classlib::Assert(statement != nullptr, __FILE__, __LINE__, "no update statement");
  return *statement;
}

// The user's text of a kind: the update object's, else the data set's own,
// with the macros expanded; empty when neither has one.
std::string TCustomDADataSet::GetUpdateStatementText(TStatementType type) {
  std::string text;
  const bool object_kind = type == stInsert || type == stUpdate || type == stDelete || type == stRefresh;
  if (update_object_ && object_kind) text = update_object_->SQLText(type).Text();
  const auto& own = update_texts_.at(static_cast<size_t>(type));
  if (classlib::Trim(text).empty() && own) text = own->Text();
  if (classlib::Trim(text).empty()) return "";
  return Macros().Count() > 0 ? Macros().Expand(text) : text;
}

void TCustomDADataSet::PrepareUpdateStatement(const std::string& sql, TStatementTypes types) {
  const TStatementType type = SingleType(types);
  update_query_ = nullptr;
  update_generated_ = false;
  const bool object_kind = type == stInsert || type == stUpdate || type == stDelete || type == stRefresh;
  if (update_object_ && object_kind) {
    if (classlib::TComponent* object = update_object_->StatementObject(type)) {
      if (classlib::Trim(TDBAccessUtils::GetSQL(object).Text()).empty())
        classlib::DatabaseError(kEmptyObjectSQL, this);
      update_query_ = object;
      return;
    }
  }
  TCustomDASQL& statement = CheckUpdateQuery(type);
  update_query_ = &statement;
  const bool writes = type == stInsert || type == stUpdate || type == stDelete || type == stBatchUpdate;
  statement.SetAutoCommit(writes && GetUpdateAutoCommit());
  const std::string text = sql.empty() ? GetUpdateStatementText(type) : sql;
  if (!text.empty()) {
    statement.SetParamCheck(true);
    statement.SetSQL(text);
    return;
  }
  // The generator's text comes with its parameters: the statement must
  // not scan it for markers of its own.
  statement.SetParamCheck(false);
  const bool modified_only = !options_->UpdateAllFields() && !Designing();
  const std::string generated = sql_generator_->GenerateSQL(type, modified_only, &statement.Params(), -1);
  statement.SetSQLText(generated, true, true);
  update_generated_ = true;
}

void TCustomDADataSet::AssignFieldValue(TDAParam& param, const TFieldDesc& field, bool old) {
  TRecBuf rec = old ? UpdateOldRecord() : UpdateNewRecord();
  const classlib::TFieldType type = GetFieldType(field.DataType());
  if (IsBlobType(field.DataType())) {
    param.SetDataType(type);
    TBlob* blob = rec ? FIRecordSet->GetBlob(field.FieldNo(), rec) : nullptr;
    if (!blob || FIRecordSet->GetNull(field.FieldNo(), rec)) param.Clear();
    else if (field.DataType() == dtBlob) param.SetAsBlobRef(blob);
    else param.SetAsMemoRef(blob);
    return;
  }
  Variant value;
  if (rec) FIRecordSet->GetFieldAsVariant(field.FieldNo(), rec, value);
  param.SetDataType(type);
  param.SetValue(rec ? value : Variant(classlib::Null()));
}

// Each parameter takes the value its name or the generator names: a field's
// new value, "OLD_" and a field name its old one, else the data set's own
// parameter of that name.
void TCustomDADataSet::AssignUpdateParams(TStatementType /*type*/, bool generated) {
  TDAParams& params = TDBAccessUtils::GetParams(update_query_);
  for (int i = 0; i < params.Count(); ++i) {
    TDAParam& param = *params.Items(i);
    const TDAParamInfo* info = generated ? sql_generator_->ParamsInfo().FindParam(&param) : nullptr;
    const TFieldDesc* field = info ? info->Field : nullptr;
    bool old = info && info->Old;
    if (!field) {
      std::string name = param.Name();
      old = name.size() > 4 && classlib::UpperCase(name.substr(0, 4)) == "OLD_";
      if (old) name = name.substr(4);
      field = FIRecordSet->FindField(name);
    }
    if (field) {
      AssignFieldValue(param, *field, old);
    } else if (TDAParam* own = Params().FindParam(param.Name())) {
      param.Assign(own);
    } else if (!BeforeUpdateExecute) {
      classlib::DatabaseError(classlib::Format(SNoCorrespondParam, {param.Name()}), this);
    }
    if (!KeepParamTypes()) param.SetParamType(classlib::ptInput);
  }
}

void TCustomDADataSet::ExecuteUpdateQuery(TStatementTypes /*types*/) { TDBAccessUtils::Execute(update_query_); }

// Runs the statement that stores the record (sql, or the kind's own text,
// or the generated one); false when there is nothing to run.
bool TCustomDADataSet::PerformSQL(const std::string& sql, TStatementTypes types) {
  BeginConnection(true);
  auto finish = [this] {
    update_old_read_ = false;
    EndConnection();
  };
  try {
    PrepareUpdateStatement(sql, types);
    if (classlib::Trim(TDBAccessUtils::GetSQL(update_query_).Text()).empty()) {
      finish();
      return false;
    }
    AssignUpdateParams(SingleType(types), update_generated_);
    TDAParams& params = TDBAccessUtils::GetParams(update_query_);
    if (BeforeUpdateExecute) {
      BeforeUpdateExecute(this, types, &params);
      for (int i = 0; i < params.Count(); ++i)
        if (params.Items(i)->DataType() == classlib::ftUnknown)
          classlib::DatabaseError(classlib::Format(SUnknownParamType, {params.Items(i)->Name()}), this);
    }
    ExecuteUpdateQuery(types);
    rows_affected_ = TDBAccessUtils::GetRowsAffected(update_query_);
    if (AfterUpdateExecute) AfterUpdateExecute(this, types, &params);
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return true;
}

}  // namespace dacore
