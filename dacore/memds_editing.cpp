// TMemDataSet: editing, the store's callbacks, cached updates with their
// events, filters and the local order.
#include <cstdlib>
#include <cstring>

#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/fields.h"
#include "classlib/variant.h"
#include "dacore/memds_dataset.h"
#include "dacore/messages.h"
#include "dacore/util_bytes.h"

namespace dacore {

using namespace classlib;

namespace {

// Calls f on every blob of a record buffer.
template <class F>
void ForEachBlob(TData& store, TRecordBuffer buffer, F f) {
  for (int i = 0; i < store.GetFieldCount(); ++i) {
    const TFieldDesc& desc = *store.Fields().GetItems(i);
    if (desc.FieldKind() == fkCalculated || desc.HasParent() || !store.IsBlobFieldType(desc.DataType())) continue;
    if (auto* blob = LoadUnaligned<TBlob*>(buffer + desc.Offset())) f(desc, *blob);
  }
}

}  // namespace

// ---- Editing ---------------------------------------------------------------------

void TMemDataSet::FreeOldValueBuffer() {
  std::free(old_value_buffer_);
  old_value_buffer_ = nullptr;
}

void TMemDataSet::InternalEdit() {
  FreeOldValueBuffer();
  OwnEditedValues(ActiveBuffer());
}

void TMemDataSet::InternalPost() {
  TDataSet::InternalPost();
  TRecordBuffer buffer = ActiveBuffer();
  ForEachBlob(*FIRecordSet, buffer, [this, buffer](const TFieldDesc& desc, TBlob& blob) {
    if (!blob.Modified()) return;
    // A blob written as an object (GetBlob, a file loaded into it) passed by
    // the record: its null flag follows the content before the row is stored.
    FIRecordSet->SetNullByBlob(desc.FieldNo(), buffer);
    for (TField* field : FieldList())
      if (field->FieldNo() == desc.FieldNo())
        if (auto* blob_field = dynamic_cast<TBlobField*>(field)) blob_field->SetModified(true);
  });
  if (State() == dsInsert) {
    switch (GetBookmarkFlag(buffer)) {
      case bfEOF: FIRecordSet->AppendRecord(buffer); break;
      case bfBOF:
        FIRecordSet->SetToBegin();
        FIRecordSet->InsertRecord(buffer);
        break;
      default:
        FIRecordSet->SetToBookmark(BookmarkOf(buffer));
        FIRecordSet->InsertRecord(buffer);
        break;
    }
  } else {
    FIRecordSet->SetToBookmark(BookmarkOf(buffer));
    Store().PostRecord(buffer);
  }
  FIRecordSet->GetBookmark(posted_row_);
  ForgetCalculatedValues();
  // The row holds the buffer's values now.
  TRecInfo info = InfoOf(buffer);
  info.owned = ovNone;
  SetInfo(buffer, info);
  FreeOldValueBuffer();
  // Only a post that stored the record ends the edit (a failed one goes on).
  EndBlobStreamWrites();
}

void TMemDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  if (append) FIRecordSet->AppendRecord(buffer);
  else FIRecordSet->InsertRecord(buffer);
  ForgetCalculatedValues();
  TRecInfo info = InfoOf(buffer);
  info.owned = ovNone;
  SetInfo(buffer, info);
}

void TMemDataSet::InternalCancel() {
  EndBlobStreamWrites();
  TRecordBuffer buffer = ActiveBuffer();
  if (buffer != nullptr) {
    // Blobs are edited in place: their rollback copy takes them back.
    if (State() == dsEdit) ForEachBlob(*FIRecordSet, buffer, [](const TFieldDesc&, TBlob& blob) { blob.Cancel(); });
    ReleaseOwnedValues(buffer);
  }
  FreeOldValueBuffer();
}

void TMemDataSet::InternalDelete() {
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
  FIRecordSet->SetToBookmark(BookmarkOf(ActiveBuffer()));
  FIRecordSet->DeleteRecord();
  ForgetCalculatedValues();
  // Its values went with the row.
  FreeOldValueBuffer();
}

Variant TMemDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  if (state != dsOldValue || new_cache_buffer_ != nullptr) return TDataSet::GetStateFieldValue(state, field);
  if (State() == dsInsert) return Null();
  TRecordBuffer active = ActiveBuffer();
  if (active == nullptr) return Null();
  if (old_value_buffer_ == nullptr) {
    // The row's values before the edit (before its first cached change).
    old_value_buffer_ = AllocRecordBuffer();
    FIRecordSet->InitRecord(old_value_buffer_);
    FIRecordSet->SetToBookmark(BookmarkOf(active));
    FIRecordSet->GetRefreshRecord(old_value_buffer_);
    CursorPosChanged();
  }
  Variant value;
  try {
    value = TDataSet::GetStateFieldValue(state, field);
  } catch (...) {
    if (State() != dsEdit) FreeOldValueBuffer();
    throw;
  }
  // Only an edit keeps it: elsewhere the next read may be of another record.
  if (State() != dsEdit) FreeOldValueBuffer();
  return value;
}

void TMemDataSet::PerformPost() {
  DoPerformHook(State() == dsEdit ? &TMemDataSet::PerformUpdate : &TMemDataSet::PerformInsert);
}

void TMemDataSet::DoPerformHook(bool (TMemDataSet::*hook)()) {
  if (local_update_) return;
  const TDataSetState saved = State();
  try {
    (this->*hook)();
  } catch (...) {
    RestoreState(saved);
    throw;
  }
  RestoreState(saved);
}

void TMemDataSet::ApplyDefaultExpression(TField* field) {
  if (!field->DefaultExpression().empty()) field->SetAsString(field->DefaultExpression());
}

// ---- Cached updates -------------------------------------------------------------

void TMemDataSet::SetCachedUpdates(bool value) {
  if (cached_updates_ == value) return;
  CheckInactive();
  cached_updates_ = value;
  if (FIRecordSet != nullptr) FIRecordSet->SetCachedUpdates(value);
}

void TMemDataSet::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TMemDataSet*>(source);
  if (other == nullptr) {
    TDataSet::Assign(source);
    return;
  }
  SetCachedUpdates(other->cached_updates_);
  local_update_ = other->local_update_;
  local_constraints_ = other->local_constraints_;
}

template <class Operation>
void TMemDataSet::RunCacheOperation(Operation operation) {
  UpdateCursorPos();
  TRecBookmark saved;
  FIRecordSet->GetBookmark(saved);
  new_cache_buffer_ = AllocRecordBuffer();
  old_cache_buffer_ = AllocRecordBuffer();
  FIRecordSet->SetCacheRecBuf(new_cache_buffer_, old_cache_buffer_);
  SetDirectReads(false);
  auto finish = [&](bool failed) {
    // An apply may have read rows back; a cancel gave earlier values back.
    ForgetCalculatedValues();
    SetDirectReads(Active());
    FIRecordSet->SetCacheRecBuf(nullptr, nullptr);
    std::free(new_cache_buffer_);
    std::free(old_cache_buffer_);
    new_cache_buffer_ = old_cache_buffer_ = nullptr;
    // A failed walk leaves the store on the row it failed at.
    if (failed && FIRecordSet->Active()) FIRecordSet->SetToBookmark(saved);
    if (Active()) Resync({});
  };
  try {
    operation();
  } catch (...) {
    finish(true);
    throw;
  }
  finish(false);
}

void TMemDataSet::ApplyUpdates() {
  CheckActive();
  CheckBrowseMode();
  if (!cached_updates_) DatabaseError(SNotCachedUpdate, this);
  RunCacheOperation([this] { FIRecordSet->ApplyUpdates(); });
}

void TMemDataSet::CommitUpdates() {
  CheckActive();
  CheckBrowseMode();
  if (!cached_updates_) DatabaseError(SNotCachedUpdate, this);
  RunCacheOperation([this] { FIRecordSet->CommitUpdates(); });
}

void TMemDataSet::CancelUpdates() {
  if (State() == dsEdit || State() == dsInsert) Cancel();
  if (!cached_updates_) DatabaseError(SNotCachedUpdate, this);
  if (!Active()) return;
  UpdateCursorPos();
  FIRecordSet->CancelUpdates();
  ForgetCalculatedValues();
  Resync({});
}

void TMemDataSet::RestoreUpdates() {
  if (!cached_updates_) DatabaseError(SNotCachedUpdate, this);
  FIRecordSet->RestoreUpdates();
}

void TMemDataSet::RevertRecord() {
  if (State() == dsEdit || State() == dsInsert) Cancel();
  if (!cached_updates_) DatabaseError(SNotCachedUpdate, this);
  if (!Active() || IsEmpty()) return;
  UpdateCursorPos();
  FIRecordSet->RevertRecord();
  ForgetCalculatedValues();
  Resync({});
}

bool TMemDataSet::UpdatesPending() const { return FIRecordSet != nullptr && FIRecordSet->UpdatesPending(); }

TUpdateStatus TMemDataSet::UpdateStatus() const {
  if (!cached_updates_ || info_offset_ == 0) return usUnmodified;
  TRecordBuffer buffer = ActiveBuffer();
  if (buffer == nullptr) return usUnmodified;
  return static_cast<TUpdateStatus>(InfoOf(buffer).update_status);
}

// The store offers one cached change: OnUpdateRecord answers first; a record
// it leaves to the default handling goes through its statement hook. A
// failure of either is offered to OnUpdateError, whose answer stands in.
TUpdateAction TMemDataSet::ApplyRecordDefault(TUpdateKind kind, bool /*last*/) {
  if (!local_update_) {
    switch (kind) {
      case ukModify: PerformUpdate(); break;
      case ukInsert: PerformInsert(); break;
      case ukDelete: PerformDelete(); break;
    }
  }
  return uaApplied;
}

void TMemDataSet::DoApplyRecord(int kind, int& action, bool last) {
  CLASSLIB_ASSERT(kind >= ukModify && kind <= ukDelete);
  const auto update_kind = static_cast<TUpdateKind>(kind);
  static constexpr TDataSetState kStates[] = {dsEdit, dsInsert, dsBrowse};
  static constexpr TUpdateStatus kStatuses[] = {usModified, usInserted, usDeleted};
  if (new_cache_buffer_ != nullptr) {
    TRecInfo info = InfoOf(new_cache_buffer_);
    info.update_status = static_cast<uint8_t>(kStatuses[kind]);
    info.bookmark_flag = static_cast<uint8_t>(bfCurrent);
    SetInfo(new_cache_buffer_, info);
  }
  const TDataSetState saved = SetTempState(kStates[kind]);
  TUpdateAction answer = uaDefault;
  try {
    try {
      if (on_update_record_) {
        on_update_record_(this, update_kind, answer);
        if (answer == uaAbort) Abort();
      }
      if (answer == uaDefault) answer = ApplyRecordDefault(update_kind, last);
    } catch (EDatabaseError& error) {
      if (!on_update_error_) throw;
      TUpdateAction reply = uaFail;
      on_update_error_(this, error, update_kind, reply);
      if (reply == uaFail) throw;
      if (reply == uaAbort) Abort();
      answer = reply;
    }
  } catch (...) {
    RestoreState(saved);
    throw;
  }
  RestoreState(saved);
  action = static_cast<int>(answer);
}

// ---- Filters ------------------------------------------------------------------------

void TMemDataSet::ApplyStoreFilter(bool filtered, const std::string& text, TFilterOptions options,
                                   bool has_handler) {
  TData& store = *FIRecordSet;
  store.SetFilterCaseInsensitive(options.Contains(foCaseInsensitive));
  store.SetFilterNoPartialCompare(options.Contains(foNoPartialCompare));
  if (filtered && has_handler)
    store.SetFilterFunc([this](TRecBuf rec) { return StoreFilterAccepts(rec); });
  else
    store.SetFilterFunc(nullptr);
  // Setting the text also tests every row anew.
  store.SetFilterText(filtered ? text : std::string());
}

bool TMemDataSet::StoreFilterAccepts(TRecBuf rec) {
  if (filter_record_ == nullptr) return true;
  std::memcpy(filter_record_, rec, static_cast<size_t>(record_size_));
  GetCalcFields(filter_record_);
  return RecordFilter(filter_record_);
}

void TMemDataSet::SetFilteredValue(bool value) {
  if (Active()) {
    CheckBrowseMode();
    ApplyStoreFilter(value, Filter(), FilterOptions(), static_cast<bool>(OnFilterRecord()));
  }
  TDataSet::SetFilteredValue(value);
}

void TMemDataSet::SetFilterText(const std::string& text) {
  if (Active()) {
    CheckBrowseMode();
    ApplyStoreFilter(Filtered(), text, FilterOptions(), static_cast<bool>(OnFilterRecord()));
  }
  TDataSet::SetFilterText(text);
}

void TMemDataSet::SetFilterOptionsValue(TFilterOptions options) {
  if (Active()) {
    CheckBrowseMode();
    ApplyStoreFilter(Filtered(), Filter(), options, static_cast<bool>(OnFilterRecord()));
  }
  TDataSet::SetFilterOptionsValue(options);
}

// The store tests rows through the handler as soon as it is installed, so
// the handler is set first and the rows are read again afterwards.
void TMemDataSet::SetOnFilterRecordValue(TFilterRecordEvent handler) {
  TDataSet::SetOnFilterRecordValue(std::move(handler));
  if (!Active()) return;
  ApplyStoreFilter(Filtered(), Filter(), FilterOptions(), static_cast<bool>(OnFilterRecord()));
  if (Filtered()) First();
}

// ---- Local order ------------------------------------------------------------------

void TMemDataSet::SetIndexFieldNames(const std::string& value) {
  if (Active() && mem_data_ != nullptr) {
    CheckBrowseMode();
    UpdateCursorPos();
    mem_data_->SetSortFields(value);
    if (!IsEmpty()) Resync({});
  }
  index_field_names_ = value;
}

}  // namespace dacore
