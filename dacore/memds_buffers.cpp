// TMemDataSet: the store, record buffers, reading records, bookmarks,
// navigation and opening and closing the cursor.
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/fields.h"
#include "dacore/memds_dataset.h"
#include "dacore/util_bytes.h"

namespace dacore {

using namespace classlib;

TMemDataSet::TMemDataSet(TComponent* owner) : TDataSet(owner) { SetIRecordSet(CreateIRecordSet()); }

TMemDataSet::~TMemDataSet() {
  Destroying();
  SetActive(false);
  DetachBlobStreams();
  if (FIRecordSet != nullptr) FIRecordSet->UnPrepare();
}

std::unique_ptr<TData> TMemDataSet::CreateIRecordSet() { return std::make_unique<TMemData>(); }

void TMemDataSet::SetIRecordSet(std::unique_ptr<TData> record_set) {
  record_set_ = std::move(record_set);
  FIRecordSet = record_set_.get();
  mem_data_ = dynamic_cast<TMemData*>(FIRecordSet);
  if (FIRecordSet == nullptr) return;
  FIRecordSet->OnInsertRecord = [this](TRecBuf) { DoPerformHook(&TMemDataSet::PerformInsert); };
  FIRecordSet->OnUpdateRecord = [this](TRecBuf) { DoPerformHook(&TMemDataSet::PerformUpdate); };
  FIRecordSet->OnDeleteRecord = [this](TRecBuf) { DoPerformHook(&TMemDataSet::PerformDelete); };
  FIRecordSet->OnApplyRecord = [this](int kind, int& action, bool last) { DoApplyRecord(kind, action, last); };
  // Texts read straight from the record trim as the store's options say.
  FIRecordSet->OnTrimOptionsChanged = [this] { SettleDirectTextRules(); };
  SettleDirectTextRules();
  FIRecordSet->SetCachedUpdates(cached_updates_);
}

TMemData& TMemDataSet::Store() const {
  Assert(mem_data_ != nullptr, __FILE__, __LINE__, "FIRecordSet must be setted to this time");
  return *mem_data_;
}

void TMemDataSet::ReopenRecordSet() {
  if (FIRecordSet->Active()) FIRecordSet->Reopen();
  else FIRecordSet->Open();
}

void TMemDataSet::Prepare() {
  if (FIRecordSet->Prepared()) return;
  FIRecordSet->Prepare();
  CreateFieldDefsFromDescs();
}

void TMemDataSet::UnPrepare() {
  if (Active()) Close();
  FIRecordSet->UnPrepare();
  if (!ComponentState().Contains(csDestroying)) FieldDefs().SetUpdated(false);
}

void TMemDataSet::PerformSpecialSQL() { Assert(false, __FILE__, __LINE__, "Should be overridden"); }

// ---- Record buffers ----------------------------------------------------------

TRecordBuffer TMemDataSet::AllocRecordBuffer() {
  void* buffer = std::calloc(static_cast<size_t>(buffer_size_ > 0 ? buffer_size_ : 1), 1);
  if (buffer == nullptr) throw std::bad_alloc();
  return static_cast<TRecordBuffer>(buffer);
}

void TMemDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  if (buffer != nullptr && buffer_size_ > 0) ReleaseOwnedValues(buffer);
  std::free(buffer);
  buffer = nullptr;
}

TMemDataSet::TRecInfo TMemDataSet::InfoOf(TRecordBuffer buffer) const {
  TRecInfo info;
  std::memcpy(&info, buffer + info_offset_, sizeof info);
  return info;
}

void TMemDataSet::SetInfo(TRecordBuffer buffer, const TRecInfo& info) {
  std::memcpy(buffer + info_offset_, &info, sizeof info);
}

TRecBookmark TMemDataSet::BookmarkOf(TRecordBuffer buffer) const {
  TRecBookmark bookmark;
  std::memcpy(&bookmark, buffer + bookmark_offset_, sizeof bookmark);
  return bookmark;
}

void TMemDataSet::ReleaseOwnedValues(TRecordBuffer buffer) {
  TRecInfo info = InfoOf(buffer);
  if (info.owned == ovNone) return;
  FIRecordSet->FreeComplexFields(buffer, info.owned == ovAll);
  info.owned = ovNone;
  SetInfo(buffer, info);
}

void TMemDataSet::OwnEditedValues(TRecordBuffer buffer) {
  if (InfoOf(buffer).owned != ovNone) return;
  TData& store = *FIRecordSet;
  for (int i = 0; i < store.GetFieldCount(); ++i) {
    const TFieldDesc& desc = *store.Fields().GetItems(i);
    const TDataType t = desc.DataType();
    if (desc.FieldKind() == fkCalculated || desc.HasParent() || !store.IsComplexFieldType(t) ||
        store.IsBlobFieldType(t))
      continue;
    uint8_t* slot = buffer + desc.Offset();
    void* value = LoadUnaligned<void*>(slot);
    void* own = nullptr;
    if (t == dtHeapString || t == dtHeapWideString || t == dtHeapVarBytes) {
      if (value != nullptr) {
        const int size = TStringHeap::BufSize(value);
        own = store.StringHeap().NewBuf(size);
        std::memcpy(own, value, static_cast<size_t>(size));
      }
    } else if (t == dtVariant) {
      auto* holder = new TVariantObject();
      if (value != nullptr) holder->SetValue(static_cast<TVariantObject*>(value)->Value());
      own = holder;
    } else {
      // A driver's value: shared or copied, as the store decides.
      own = store.OwnEditedValue(desc, value);
    }
    StoreUnaligned<void*>(slot, own);
  }
  TRecInfo info = InfoOf(buffer);
  info.owned = ovEdited;
  SetInfo(buffer, info);
}

void TMemDataSet::InternalInitRecord(TRecordBuffer buffer) {
  if (State() == dsEdit) {
    ClearEditedRecord(buffer);
    return;
  }
  ReleaseOwnedValues(buffer);
  std::memset(buffer, 0, static_cast<size_t>(record_size_));
  FIRecordSet->InitRecord(buffer);
  TRecBookmark none;
  std::memcpy(buffer + bookmark_offset_, &none, sizeof none);
  TRecInfo info{0, static_cast<uint8_t>(usInserted), static_cast<uint8_t>(bfInserted), ovNone};
  if (FIRecordSet->HasComplexFields()) {
    FIRecordSet->CreateComplexFields(buffer, true);
    info.owned = ovAll;
  }
  SetInfo(buffer, info);
}

// Every field of an edited record becomes null. The row's blobs stay in
// the record, emptied in place, so that a cancel takes their content back
// and a post leaves no blob of the row behind.
void TMemDataSet::ClearEditedRecord(TRecordBuffer buffer) {
  TData& store = *FIRecordSet;
  std::vector<std::pair<int32_t, void*>> blobs;
  for (int i = 0; i < store.GetFieldCount(); ++i) {
    const TFieldDesc& desc = *store.Fields().GetItems(i);
    if (desc.FieldKind() != fkCalculated && !desc.HasParent() && store.IsBlobFieldType(desc.DataType()))
      blobs.emplace_back(desc.Offset(), LoadUnaligned<void*>(buffer + desc.Offset()));
  }
  ReleaseOwnedValues(buffer);
  std::memset(buffer, 0, static_cast<size_t>(record_size_));
  store.InitRecord(buffer);
  store.CreateComplexFields(buffer, false);
  for (const auto& [offset, blob] : blobs) {
    StoreUnaligned<void*>(buffer + offset, blob);
    if (blob != nullptr) static_cast<TBlob*>(blob)->Clear();
  }
  TRecInfo info = InfoOf(buffer);
  info.owned = ovEdited;
  SetInfo(buffer, info);
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
  TData& store = *FIRecordSet;
  ReleaseOwnedValues(buffer);
  // Written where the buffer keeps it (aligned for it, see InternalOpen).
  TRecBookmark& bookmark = *std::launder(reinterpret_cast<TRecBookmark*>(buffer + bookmark_offset_));
  switch (mode) {
    case gmCurrent:
      if (store.GetBOF() || store.GetEOF()) return grError;
      store.GetRecord(buffer);
      if (store.GetEOF()) return grError;
      store.GetBookmark(bookmark);
      break;
    case gmNext:
      if (!store.StepNext(buffer, bookmark)) return grEOF;
      break;
    case gmPrior:
      store.GetPriorRecord(buffer);
      if (store.GetBOF()) return grBOF;
      store.GetBookmark(bookmark);
      break;
  }
  const auto status = static_cast<uint8_t>(store.CachedUpdates() ? store.GetUpdateStatus() : 0);
  // The bookmark carries the record's number: the store is not asked twice.
  SetInfo(buffer, TRecInfo{bookmark.record_no, status, static_cast<uint8_t>(bfCurrent), ovNone});
  // A record without calculated fields has nothing to compute: the walk
  // does not pay the call.
  if (HasCalcFields()) CalculateRecord(buffer, bookmark);
  return grOK;
}

void TMemDataSet::CalculateRecord(TRecordBuffer buffer, const TRecBookmark& bookmark) {
  if (!cache_calc_fields_ || bookmark.item == nullptr) {
    GetCalcFields(buffer);
    return;
  }
  uint8_t* area = buffer + CalcFieldsOffset();
  const auto size = static_cast<size_t>(CalcFieldsSize());
  auto kept = calculated_values_.find(bookmark.item);
  if (kept != calculated_values_.end() && kept->second.serial == bookmark.serial && kept->second.area.size() == size) {
    std::memcpy(area, kept->second.area.data(), size);
    return;
  }
  GetCalcFields(buffer);
  calculated_values_[bookmark.item] = TCalculatedValues{bookmark.serial, std::vector<uint8_t>(area, area + size)};
}

void TMemDataSet::SetCacheCalcFields(bool value) {
  cache_calc_fields_ = value;
  ForgetCalculatedValues();
}

TRecordBuffer TMemDataSet::GetActiveRecordBuffer() const {
  // While cached updates are applied or committed the record is the cache's
  // scratch buffer; a filter handler or calculated fields that the store
  // runs meanwhile still read the buffer they were given.
  const bool own_buffer = State() == dsFilter || State() == dsCalcFields || State() == dsInternalCalc;
  if (new_cache_buffer_ != nullptr && !own_buffer)
    return State() == dsOldValue ? old_cache_buffer_ : new_cache_buffer_;
  if (State() == dsOldValue) return old_value_buffer_;
  return TDataSet::GetActiveRecordBuffer();
}

// ---- Bookmarks and navigation ----------------------------------------------

void TMemDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer + bookmark_offset_, sizeof(TRecBookmark));
}

void TMemDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer + bookmark_offset_, data, sizeof(TRecBookmark));
}

TBookmarkFlag TMemDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(InfoOf(buffer).bookmark_flag);
}

void TMemDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  TRecInfo info = InfoOf(buffer);
  info.bookmark_flag = static_cast<uint8_t>(flag);
  SetInfo(buffer, info);
}

void TMemDataSet::InternalGotoBookmark(const void* bookmark) {
  TRecBookmark target;
  std::memcpy(&target, bookmark, sizeof target);
  FIRecordSet->SetToBookmark(target);
}

void TMemDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  FIRecordSet->SetToBookmark(BookmarkOf(buffer));
}

void TMemDataSet::InternalFirst() { FIRecordSet->SetToBegin(); }
void TMemDataSet::InternalLast() { FIRecordSet->SetToEnd(); }

namespace {

bool ReadBookmark(const TBookmark& bookmark, TRecBookmark& out) {
  if (bookmark.size() != sizeof(TRecBookmark)) return false;
  std::memcpy(&out, bookmark.data(), sizeof out);
  return true;
}

}  // namespace

bool TMemDataSet::BookmarkValid(const TBookmark& bookmark) {
  TRecBookmark target;
  return Active() && ReadBookmark(bookmark, target) && FIRecordSet->BookmarkValid(&target);
}

int TMemDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  TRecBookmark first, second;
  const bool has_first = ReadBookmark(a, first), has_second = ReadBookmark(b, second);
  return FIRecordSet->CompareBookmarks(has_first ? &first : nullptr, has_second ? &second : nullptr);
}

int TMemDataSet::GetRecordCount() const { return Active() ? FIRecordSet->GetRecordCount() : 0; }

int TMemDataSet::GetRecNo() const {
  TRecordBuffer buffer = ActiveBuffer();
  return buffer != nullptr && info_offset_ > 0 ? InfoOf(buffer).record_number : 0;
}

void TMemDataSet::SetRecNoValue(int value) {
  CheckBrowseMode();
  if (value == GetRecNo()) return;
  DoBeforeScroll();
  FIRecordSet->SetRecordNo(value);
  Resync({rmCenter});
  DoAfterScroll();
}

// ---- Cursor --------------------------------------------------------------------

void TMemDataSet::CloseCursor() {
  ForgetCalculatedValues();
  // Freeing the ring releases what an edit left open held.
  FreeOldValueBuffer();
  TDataSet::CloseCursor();
  // The store's filter callback copies rows into the filter buffer, maybe on
  // a thread still fetching: it goes before the buffer does, and the next
  // open sets it again once the buffer is there.
  if (FIRecordSet != nullptr) FIRecordSet->SetFilterFunc(nullptr);
  std::free(search_buffer_);
  search_buffer_ = nullptr;
  std::free(filter_record_);
  filter_record_ = nullptr;
  if (FIRecordSet != nullptr) FIRecordSet->Close();
}

void TMemDataSet::InternalOpen() {
  if (!FIRecordSet->Active()) ReopenRecordSet();
  InitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  for (TField* field : FieldList()) {
    if (field->FieldNo() <= 0) continue;
    SetStorageRange(field);
    if (range_check_) SetNumberRange(field);
  }
  ForgetCalculatedValues();
  SetDirectReads(true);
  record_size_ = FIRecordSet->RecordSize();
  SetCalcFieldsOffset(record_size_);
  // Record buffers come from calloc: an aligned offset lets a read write
  // the bookmark in place.
  constexpr int kBookmarkAlign = static_cast<int>(alignof(TRecBookmark));
  bookmark_offset_ = (record_size_ + CalcFieldsSize() + kBookmarkAlign - 1) / kBookmarkAlign * kBookmarkAlign;
  info_offset_ = bookmark_offset_ + static_cast<int>(sizeof(TRecBookmark));
  buffer_size_ = info_offset_ + static_cast<int>(sizeof(TRecInfo));
  SetBookmarkSize(sizeof(TRecBookmark));
  // The search and filter buffers exist before the first record is read.
  std::free(search_buffer_);
  search_buffer_ = AllocRecordBuffer();
  std::free(filter_record_);
  filter_record_ = AllocRecordBuffer();
  FIRecordSet->SetCachedUpdates(cached_updates_);
  ApplyStoreFilter(Filtered(), Filter(), FilterOptions(), static_cast<bool>(OnFilterRecord()));
  // The rows came in the server's order: a local order sorts them again
  // (the store kept its sort columns, so new rows and searches go by them).
  if (mem_data_ != nullptr && (mem_data_->SortFields() != index_field_names_ || mem_data_->HasSortColumns()))
    mem_data_->SetSortFields(index_field_names_);
}

void TMemDataSet::InternalClose() {
  DetachBlobStreams();
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  // An unprepared store forgets its descriptions when it closes.
  if (!FIRecordSet->Prepared()) FieldDefs().SetUpdated(false);
}

void TMemDataSet::InternalInitFieldDefs() {
  if (!FIRecordSet->Active() && !FIRecordSet->Prepared()) FIRecordSet->Prepare();
  FieldDefs().SetUpdated(false);
  CreateFieldDefsFromDescs();
}

bool TMemDataSet::IsCursorOpen() const { return FIRecordSet != nullptr && FIRecordSet->Active(); }

void TMemDataSet::InternalRefresh() {
  ForgetCalculatedValues();
  FIRecordSet->Reopen();
}

}  // namespace dacore
