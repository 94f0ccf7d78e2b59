// TCustomDADataSet: records read back from the server: the refresh after a
// post, a refresh of the current record, the quick refresh of changed and
// vanished rows, and copying what a statement answered into the records.
#include "dacore/dataset_component.h"

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "dacore/messages.h"
#include "dacore/store_mem_data.h"
#include "dacore/support_access_utils.h"
#include "dacore/util_var_equal.h"

namespace dacore {

using classlib::TField;
using classlib::Variant;

namespace {

bool SameValue(const Variant& a, const Variant& b) {
  const bool a_null = classlib::VarIsNull(a) || classlib::VarIsEmpty(a);
  const bool b_null = classlib::VarIsNull(b) || classlib::VarIsEmpty(b);
  if (a_null || b_null) return a_null == b_null;
  return VarEqual(a, b);
}

// The generator names a refreshed column "_" and the field's place.
int PlaceOfAlias(const std::string& name) {
  if (name.size() < 2 || name.size() > 10 || name[0] != '_') return -1;
  int place = 0;
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    place = place * 10 + (name[i] - '0');
  }
  return place;
}

}  // namespace

// ---- Storing with a refresh ---------------------------------------------------------

bool TCustomDADataSet::PerformInsert() {
  if (!PerformSQL("", {stInsert})) return false;
  AfterInsertHook();
  if (refresh_options_.Contains(roAfterInsert) && ApplyingCachedUpdates() && RefreshAfterInsertAllowed())
    RefreshRecordAfterPost();
  return true;
}

bool TCustomDADataSet::PerformUpdate() {
  if (!PerformSQL("", {stUpdate})) return false;
  if (refresh_options_.Contains(roAfterUpdate)) RefreshRecordAfterPost();
  return true;
}

void TCustomDADataSet::RefreshRecordAfterPost() {
  if (State() == classlib::dsBrowse && !ApplyingCachedUpdates() && !refreshed_row_) UpdateCursorPos();
  PerformSQL("", {stRefresh});
}

// A record whose cached change is not applied yet keeps it: the server's
// values would replace the change, or mix with it, and an inserted record
// is not on the server at all.
void TCustomDADataSet::RefreshRecord() {
  CheckActive();
  if (IsEmpty()) return;
  CheckBrowseMode();
  if (CachedUpdates()) {
    UpdateCursorPos();
    auto* store = dynamic_cast<TMemData*>(FIRecordSet);
    const ItemHeader* item = store ? store->CurrentItem() : nullptr;
    if (item && item->status != isUnmodified && item->update_result != urApplied)
      classlib::DatabaseError(SRefreshPendingRecord, this);
  }
  PerformSQL("", {stRefresh});
}

// A post marks the record as being posted (returned values go through the
// fields); a new record outside cached updates is read back afterwards.
void TCustomDADataSet::Post() {
  const bool inserting = State() == classlib::dsInsert;
  posting_ = true;
  try {
    TMemDataSet::Post();
  } catch (...) {
    posting_ = false;
    StopEditing();
    throw;
  }
  posting_ = false;
  StopEditing();
  if (inserting && DetailLinked() && !options_->LocalMasterDetail()) DropForeignDetailRecord();
  if (inserting && !CachedUpdates() && refresh_options_.Contains(roAfterInsert) && Active()) RefreshPostedRecord();
}

// The posted record is the one read back, whether the filter shows it or
// not (the record shown may be another, which nobody posted). Afterwards
// the posted record is current when the filter shows it; otherwise the
// cursor stays where the post left it.
void TCustomDADataSet::RefreshPostedRecord() {
  auto* store = dynamic_cast<TMemData*>(FIRecordSet);
  if (!store) {
    if (!IsEmpty()) RefreshRecordAfterPost();
    return;
  }
  const TRecBookmark posted = PostedRow();
  TRecBookmark shown;
  if (!IsEmpty()) {
    UpdateCursorPos();
    FIRecordSet->GetBookmark(shown);
  }
  FIRecordSet->SetToBookmark(posted);
  if (!posted.item || store->CurrentItem() != posted.item) return;  // the row is gone
  refreshed_row_ = FIRecordSet->AllocRecBuf();
  store->GetCurrentRow(refreshed_row_);
  auto finish = [&] {
    TData::FreeRecBuf(refreshed_row_);
    refreshed_row_ = nullptr;
    if (!Active()) return;
    if (FIRecordSet->BookmarkValid(&posted)) FIRecordSet->SetToBookmark(posted);
    else if (shown.item) FIRecordSet->SetToBookmark(shown);
    else FIRecordSet->SetToBegin();
    Resync({});
  };
  try {
    RefreshRecordAfterPost();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// Changed rows are read again, and with check_deleted rows gone from the
// server leave the store; the current record stays current when it remains.
void TCustomDADataSet::RefreshQuick(bool check_deleted) {
  CheckBrowseMode();
  std::vector<TCRFieldDesc*> keys, data;
  GetKeyFieldDescs(keys, data, false);
  if (keys.empty()) classlib::DatabaseError(SNoKeyFields, this);
  if (!UpdatingTableInfo()) return;
  std::vector<TFieldDesc*> key_descs(keys.begin(), keys.end());
  std::vector<Variant> values;
  if (!IsEmpty())
    for (TFieldDesc* key : key_descs) {
      Variant value;
      FIRecordSet->GetFieldAsVariant(key->FieldNo(), ActiveBuffer(), value);
      values.push_back(value);
    }
  const bool strict = options_->StrictUpdate();
  options_->SetStrictUpdate(false);
  DisableControls();
  auto restore = [&] {
    options_->SetStrictUpdate(strict);
    EnableControls();
  };
  try {
    const Variant remembered = values.size() == 1 ? values[0] : classlib::VarArrayOf(values);
    auto return_to_record = [&] {
      if (values.empty() || !LocateAndScroll(key_descs, remembered, {})) First();
    };
    if (check_deleted && !IsEmpty()) {
      PerformSQL("", {stRefreshCheckDeleted});
      return_to_record();
    }
    if (!IsEmpty()) PerformSQL("", {stRefreshQuick});
    return_to_record();
  } catch (...) {
    restore();
    throw;
  }
  restore();
  DoAfterRefresh();
}

// ---- Copying answers --------------------------------------------------------------------

// The field of the data set that a returned column stands for.
static TField* TargetField(TCustomDADataSet& data_set, TData& store, const std::string& column) {
  const int place = PlaceOfAlias(column);
  if (place >= 0) {
    if (place >= store.Fields().Count()) return nullptr;
    return data_set.FindField(store.Fields().GetItems(place)->Name());
  }
  return data_set.FindField(column);
}

// A returned value goes into the row the store holds (rec, read from it)
// or, without rec, into the record being posted.
void TCustomDADataSet::WriteRecordValue(TField* field, const TField& source, TRecBuf rec) {
  const TFieldDesc* desc = GetFieldDesc(field);
  if (!desc) return;
  if (rec) {
    // Every kind the store keeps as a blob (a server's LOBs too) takes the text.
    if (FIRecordSet->IsBlobFieldType(desc->DataType())) {
      if (TBlob* blob = FIRecordSet->GetBlob(desc->FieldNo(), rec)) {
        blob->SetAsString(source.IsNull() ? std::string() : source.AsString());
        // What the server holds: no change of the record's to send later.
        blob->Commit();
        blob->SetModified(false);
      }
      FIRecordSet->SetNull(desc->FieldNo(), rec, source.IsNull());
    } else if (!PutRecordObject(*desc, source, rec)) {
      FIRecordSet->PutFieldAsVariant(desc->FieldNo(), rec, source.Value());
    }
    return;
  }
  // Into the record being posted: a value object is copied by its object.
  if (PutRecordObject(*desc, source, ActiveBuffer())) {
    DataEvent(classlib::deFieldChange, reinterpret_cast<intptr_t>(field));
    return;
  }
  const bool read_only = field->ReadOnly();
  field->SetReadOnly(false);
  try {
    if (source.IsNull()) field->Clear();
    else if (field->IsBlob()) field->SetAsString(source.AsString());
    else field->SetValue(source.Value());
  } catch (...) {
    field->SetReadOnly(read_only);
    throw;
  }
  field->SetReadOnly(read_only);
}

// A check compares the returned values with the record's old ones; the
// other kinds write them into the record (blobs only for a refresh). In
// browse state the values go straight into the row the store holds, all
// of them into one copy of it, which replaces the row once: the row may
// then leave the filter or move in the local order, and the cursor goes
// where the store's rules put it (a row that leaves the filter gives way
// to the next one).
void TCustomDADataSet::CopyResultRow(TCustomDADataSet& result, TStatementType type) {
  const bool direct = !posting_ && !ApplyingCachedUpdates() && State() == classlib::dsBrowse;
  auto* store = direct ? dynamic_cast<TMemData*>(FIRecordSet) : nullptr;
  TRecBuf rec = nullptr;
  if (direct) {
    // A posted record read back is the store's current row already.
    if (!refreshed_row_) UpdateCursorPos();
    if (!store || !store->CurrentItem()) return;
    rec = FIRecordSet->AllocRecBuf();
    store->GetCurrentRow(rec);
  }
  bool written = false;
  try {
    for (int i = 0; i < result.FieldCount(); ++i) {
      const TField& source = *result.Fields().Fields(i);
      TField* target = TargetField(*this, *FIRecordSet, source.FieldName());
      if (!target || target->FieldKind() != classlib::fkData) continue;
      const bool complex = target->IsBlob() || target->DataType() == classlib::ftADT ||
                           target->DataType() == classlib::ftArray;
      if (complex && type != stRefresh && type != stRefreshQuick) continue;
      if (type == stCheck) {
        if (!SameValue(source.Value(), target->OldValue())) classlib::DatabaseError(SRecordChanged, this);
        continue;
      }
      WriteRecordValue(target, source, rec);
      written = true;
    }
    if (rec && written) {
      store->ReplaceCurrentRow(rec);
    }
  } catch (...) {
    // A value the record cannot take stops the copy; the values written
    // before it stay (the copy already let go of what they replaced).
    if (rec) {
      if (written) {
        store->ReplaceCurrentRow(rec);
      }
      TData::FreeRecBuf(rec);
      Resync({});
    }
    throw;
  }
  if (!rec) return;
  TData::FreeRecBuf(rec);
  if (!written) return;
  ForgetCalculatedValues();
  Resync({});
}

// Each returned row finds its record by the key values; a check of deleted
// rows takes out the records whose keys the server no longer holds.
void TCustomDADataSet::CopyResultRows(TCustomDADataSet& result, TStatementType type) {
  std::vector<TCRFieldDesc*> keys, data;
  GetKeyFieldDescs(keys, data, false);
  std::vector<TFieldDesc*> key_descs(keys.begin(), keys.end());
  std::vector<TField*> result_keys;
  for (TCRFieldDesc* key : keys) result_keys.push_back(result.FindField(key->Name()));
  for (TField* key : result_keys)
    if (!key) return;
  auto key_values = [&](const std::vector<Variant>& values) {
    return values.size() == 1 ? values[0] : classlib::VarArrayOf(values);
  };
  if (type == stRefreshCheckDeleted) {
    std::vector<std::vector<Variant>> kept;
    for (result.First(); !result.Eof(); result.Next()) {
      std::vector<Variant> values;
      for (TField* key : result_keys) values.push_back(key->Value());
      kept.push_back(values);
    }
    auto* store = dynamic_cast<TMemData*>(FIRecordSet);
    if (!store) return;
    First();
    while (!Eof()) {
      std::vector<Variant> values;
      for (TCRFieldDesc* key : keys) values.push_back(FindField(key->Name())->Value());
      bool present = false;
      for (const auto& row : kept) {
        present = row.size() == values.size();
        for (size_t k = 0; present && k < row.size(); ++k) present = SameValue(row[k], values[k]);
        if (present) break;
      }
      if (present) {
        Next();
        continue;
      }
      UpdateCursorPos();
      store->RemoveRecord();
      Resync({});
    }
    return;
  }
  for (result.First(); !result.Eof(); result.Next()) {
    std::vector<Variant> values;
    for (TField* key : result_keys) values.push_back(key->Value());
    if (LocateAndScroll(key_descs, key_values(values), {})) CopyResultRow(result, type);
  }
}

// Output parameters of the statement go back into their fields.
void TCustomDADataSet::CopyReturnParams() {
  TDAParams& params = TDBAccessUtils::GetParams(update_query_);
  for (int i = 0; i < params.Count(); ++i) {
    TDAParam& param = *params.Items(i);
    if (param.ParamType() == classlib::ptInput || param.ParamType() == classlib::ptUnknown) continue;
    bool old = false;
    int row = -1;
    const TFieldDesc* desc = FindParamField(param.Name(), old, row);
    if (!desc || old) continue;
    TField* field = FindField(desc->Name());
    if (!field) continue;
    const bool read_only = field->ReadOnly();
    field->SetReadOnly(false);
    field->SetValue(param.Value());
    field->SetReadOnly(read_only);
  }
}

}  // namespace dacore
