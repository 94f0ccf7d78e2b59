// TCustomDADataSet: the updating table and its key fields, and what the SQL
// generator reads of the record being stored.
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
  for (const std::string& name : SplitFieldNames(key_fields_))
    if (auto* field = dynamic_cast<TCRFieldDesc*>(FIRecordSet->FindField(name))) key_fields.push_back(field);
}

// ---- The record being stored ------------------------------------------------------------

TRecBuf TCustomDADataSet::UpdateNewRecord() const { return refreshed_row_ ? refreshed_row_ : ActiveBuffer(); }

// While cached updates are applied the old values have a buffer of their
// own; otherwise the store still holds the row as it was (nullptr for a
// record being inserted).
TRecBuf TCustomDADataSet::UpdateOldRecord() {
  // A posted record read back has no values but its own.
  if (refreshed_row_) return refreshed_row_;
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
  if (FIRecordSet->IsBlobFieldType(field.DataType())) {
    // A blob written since the record was read has content while its null
    // flag may still be set: content is never null.
    TBlob* blob = FIRecordSet->GetBlob(field.FieldNo(), rec);
    return !blob || (FIRecordSet->GetNull(field.FieldNo(), rec) && blob->GetSize() == 0);
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
  if (FIRecordSet->IsBlobFieldType(field.DataType())) {
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

}  // namespace dacore
