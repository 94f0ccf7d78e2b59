// TMemData: inserting, updating and deleting rows, and the memory data
// set's store and post of a row's values.
#include <cstring>

#include "classlib/exceptions.h"
#include "dacore/object_shared.h"
#include "dacore/store_mem_data.h"

namespace dacore {

void TMemData::PutRecord(TRecBuf rec) {
  CLASSLIB_ASSERT(current_item_ != nullptr);
  record_no_cache_.clear();
  current_item_->filter_result = fsNotChecked;
  std::memcpy(ItemRecord(current_item_), rec, record_size_);
}

void TMemData::CommitBlobs(TRecBuf rec) {
  for (int i = 0; i < GetFieldCount(); ++i) {
    const TFieldDesc& field = *Fields().GetItems(i);
    if (field.FieldKind() == fkCalculated || field.HasParent() || !IsBlobFieldType(field.DataType())) continue;
    if (auto* blob = static_cast<TBlob*>(GetSlot(rec, field))) {
      blob->Commit();
      blob->SetModified(false);
    }
  }
}

ItemHeader* TMemData::InternalAppend(TRecBuf rec) {
  ItemHeader* item = block_man_.AllocItem();
  std::memcpy(ItemRecord(item), rec, record_size_);
  AppendFilledItem(item);
  return item;
}

// Without a filter or cached updates every item is visible, so the order
// numbers simply continue from the last visible one.
void TMemData::AppendFilledItems(ItemHeader* first, size_t stride, int count) {
  auto at = [first, stride](int i) {
    return reinterpret_cast<ItemHeader*>(reinterpret_cast<uint8_t*>(first) + stride * static_cast<size_t>(i));
  };
  if (count <= 0) return;
  if (CachedUpdates() || HasFilter() || first_pending_) {
    for (int i = 0; i < count; ++i) AppendFilledItem(at(i));
    return;
  }
  ItemHeader* prev = last_item_;
  while (prev && IsHidden(prev)) prev = prev->prev;
  int32_t order = prev ? prev->order : -order_base_;
  // The items are chained to one another in one pass, and the chain to the
  // list's end.
  ItemHeader* tail = last_item_;
  for (int i = 0; i < count; ++i) {
    ItemHeader* item = at(i);
    item->prev = tail;
    if (tail) tail->next = item; else first_item_ = item;
    item->order = ++order;
    // Without cached updates or a filter every row is visible; a filter set
    // later checks every row anew (ClearCache).
    item->filter_result = fsNotOmitted;
    tail = item;
  }
  tail->next = nullptr;
  last_item_ = tail;
  record_count_ += count;
  record_no_cache_.clear();
}

// While the rows are shared the thread appending them runs no test that
// may call the application's code (a filter handler, calculated fields, a
// master/detail link): a row that needs one waits, unnumbered and not
// counted, for the browsing thread (SettlePendingRows), and so do the rows
// after it.
void TMemData::AppendFilledItem(ItemHeader* item) {
  LinkBefore(item, nullptr);
  if (first_pending_ || (SharedRows() && (CachedUpdates() || HasFilter()))) {
    item->order = 0;
    item->filter_result = fsNotChecked;
    if (!first_pending_) first_pending_ = item;
    record_no_cache_.clear();
    return;
  }
  if (!IsHidden(item)) {
    ItemHeader* prev = PriorVisible(item);
    item->order = prev ? prev->order + 1 : 1 - order_base_;
    ++record_count_;
  }
  record_no_cache_.clear();
}

ItemHeader* TMemData::InternalInsert(TRecBuf rec) {
  ItemHeader* previous_current = current_item_;
  ItemHeader* item = block_man_.AllocItem();
  if (eof_ || !current_item_) LinkBefore(item, bof_ && !eof_ ? first_item_ : nullptr);
  else LinkBefore(item, bof_ ? first_item_ : current_item_);
  current_item_ = item;
  bof_ = eof_ = false;
  PutRecord(rec);
  CommitBlobs(rec);
  // Beside the row that was current the comparison with it tells the way to
  // go; a row put first (at BOF) or last has no such neighbour.
  if (HasSortColumns()) {
    if (previous_current && item->next == previous_current)
      MoveItemBySort(CompareBySortColumns(rec, ItemRecord(previous_current)));
    else
      PlaceBySort(item);
  }
  if (!IsHidden(item)) ++record_count_;
  RenumberItems(item, rmInsert);
  return item;
}

void TMemData::InternalDelete() {
  ItemHeader* item = current_item_;
  CLASSLIB_ASSERT(item != nullptr);
  // In cached mode the row is reverted first; an inserted row goes with that.
  if (CachedUpdates() && !RevertItem(item)) return;
  RemoveItem(item);
}

void TMemData::RemoveItem(ItemHeader* item) {
  const bool visible = !IsHidden(item);
  ItemHeader* prev = item->prev;
  ItemHeader* next = item->next;
  Unlink(item);
  FreeItemWithValues(item);
  if (current_item_ == item) current_item_ = next ? next : prev;
  if (!first_item_) {
    current_item_ = nullptr;
    bof_ = eof_ = true;
  }
  if (visible) {
    --record_count_;
    RenumberAfterDelete(prev, next);
  } else {
    record_no_cache_.clear();
  }
}

void TMemData::InsertRecord(TRecBuf rec) {
  if (!CachedUpdates()) DoOnInsertRecord(rec);
  ItemHeader* item = InternalInsert(rec);
  if (CachedUpdates()) CacheInsert(item);
}

void TMemData::AppendRecord(TRecBuf rec) {
  SetToEnd();
  InsertRecord(rec);
}

void TMemData::UpdateRecord(TRecBuf rec) {
  CLASSLIB_ASSERT(current_item_ != nullptr);
  if (CachedUpdates()) CacheUpdate(current_item_, rec);
  else DoOnUpdateRecord(rec);
  const int direction = HasSortColumns() ? CompareBySortColumns(rec, ItemRecord(current_item_)) : 0;
  const bool was_visible = !IsHidden(current_item_);
  PutRecord(rec);
  if (HasSortColumns()) {
    MoveItemBySort(direction);
    RenumberItems(nullptr, rmAll);
  } else if (IsHidden(current_item_) == was_visible) {
    // The new values changed whether the row passes the filter.
    RenumberItems(nullptr, rmAll);
  }
}

void TMemData::DeleteRecord() {
  CLASSLIB_ASSERT(current_item_ != nullptr);
  if (current_item_ == last_item_) Fetch();
  if (!CachedUpdates()) {
    DoOnDeleteRecord(ItemRecord(current_item_));
    InternalDelete();
    return;
  }
  ItemHeader* item = current_item_;
  if (item->status == isAppended && item->update_result != urApplied) {
    // An inserted row not yet applied leaves no trace: its entry and the row itself go.
    CacheDelete(item);
    RemoveItem(item);
    return;
  }
  const bool was_visible = !IsHidden(item);
  const bool restores = item->status == isUpdated;
  ItemHeader* prev = item->prev;
  ItemHeader* next = item->next;
  CacheDelete(item);
  item->filter_result = fsNotChecked;
  // A modified row takes back its earlier values, whose place in the order
  // may be elsewhere; the position stays where the row stood.
  if (restores && PlaceBySort(item)) {
    if (IsHidden(item)) current_item_ = next ? next : prev;
    RenumberItems(nullptr, rmAll);
    return;
  }
  if (was_visible && IsHidden(item)) {
    item->order = 0;
    --record_count_;
    RenumberAfterDelete(item->prev, item->next);
  }
}

void TMemData::StoreComplexValues(TRecBuf rec) {
  CLASSLIB_ASSERT(current_item_ != nullptr);
  TRecBufHolder previous(record_size_);
  std::memcpy(previous.buf, ItemRecord(current_item_), record_size_);
  TRecBufHolder work(record_size_);
  std::memcpy(work.buf, previous.buf, record_size_);
  CreateComplexFields(work.buf, false);
  for (int i = 0; i < GetFieldCount(); ++i) {
    const TFieldDesc& field = *Fields().GetItems(i);
    const TDataType t = field.DataType();
    if (field.FieldKind() == fkCalculated || field.HasParent()) continue;
    if (t == dtVariant) {
      auto* from = static_cast<TVariantObject*>(GetSlot(rec, field));
      if (from) static_cast<TVariantObject*>(GetSlot(work.buf, field))->SetValue(from->Value());
    } else if (t == dtHeapString || t == dtHeapWideString || t == dtHeapVarBytes) {
      void* from = GetSlot(rec, field);
      void* copy = from ? StringHeap().NewBuf(TStringHeap::BufSize(from)) : nullptr;
      if (copy) std::memcpy(copy, from, TStringHeap::BufSize(from));
      SetSlot(work.buf, field, copy);
    }
  }
  PutRecord(work.buf);
  ReleaseReplacedValues(previous.buf, rec);
}

void TMemData::PostRecord(TRecBuf rec) {
  CLASSLIB_ASSERT(current_item_ != nullptr);
  TRecBufHolder previous(record_size_);
  std::memcpy(previous.buf, ItemRecord(current_item_), record_size_);
  UpdateRecord(rec);
  CommitBlobs(rec);
  ReleaseReplacedValues(previous.buf, rec);
  ReleaseKeptShares(previous.buf, rec);
}

// An edited record holds a reference of its own to every shared value it
// took from the row; one it kept unchanged is the row's again, which holds
// a reference to it already.
void TMemData::ReleaseKeptShares(TRecBuf previous, TRecBuf rec) {
  for (int i = 0; i < GetFieldCount(); ++i) {
    const TFieldDesc& field = *Fields().GetItems(i);
    const TDataType t = field.DataType();
    if (field.FieldKind() == fkCalculated || field.HasParent() || !IsComplexFieldType(t) || IsBlobFieldType(t) ||
        t == dtHeapString || t == dtHeapWideString || t == dtHeapVarBytes || t == dtVariant)
      continue;
    void* value = GetSlot(rec, field);
    if (value && value == GetSlot(previous, field)) ReleaseShared(static_cast<TSharedObject*>(value));
  }
}

// Releases the Variant holders and heap strings of a row's previous version,
// except those that the caller's buffer still holds.
void TMemData::ReleaseReplacedValues(TRecBuf previous, TRecBuf rec) {
  for (int i = 0; i < GetFieldCount(); ++i) {
    const TFieldDesc& field = *Fields().GetItems(i);
    if (field.FieldKind() == fkCalculated || field.HasParent() || !IsComplexFieldType(field.DataType())) continue;
    if (IsBlobFieldType(field.DataType()) || GetSlot(previous, field) == GetSlot(rec, field)) continue;
    FreeComplexField(previous, field, false);
  }
}

}  // namespace dacore
