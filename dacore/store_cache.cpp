// TMemData: cached updates. Each changed row has one entry, in the order
// rows were first changed; a modified row keeps its earlier values in a
// rollback item until the change is committed or reverted.
#include <cstring>

#include "classlib/exceptions.h"
#include "dacore/store_mem_data.h"

namespace dacore {

void TData::SetCachedUpdates(bool value) {
  if (cached_updates_ == value) return;
  if (cached_updates_) CancelUpdates();
  cached_updates_ = value;
  if (value) SetFilterItemTypes(kDefaultItemTypes);
}

// ---- Entries -----------------------------------------------------------------

void TMemData::AddCacheEntry(ItemHeader* item) {
  auto* entry = new TCacheItem{item, nullptr};
  if (last_cache_) last_cache_->next = entry;
  else first_cache_ = entry;
  last_cache_ = entry;
}

TCacheItem* TMemData::FindCacheEntry(ItemHeader* item, TCacheItem** prev) {
  TCacheItem* before = nullptr;
  for (TCacheItem* entry = first_cache_; entry; before = entry, entry = entry->next) {
    if (entry->item != item) continue;
    if (prev) *prev = before;
    return entry;
  }
  return nullptr;
}

void TMemData::DropCacheEntry(TCacheItem* entry, TCacheItem* prev) {
  if (prev) prev->next = entry->next;
  else first_cache_ = entry->next;
  if (last_cache_ == entry) last_cache_ = prev;
  delete entry;
  ++cache_removals_;
}

// ---- Rollback items ----------------------------------------------------------

namespace {

// Calls f with the description of every blob field of a store.
template <class F>
void ForEachBlobField(TData& store, F f) {
  for (int i = 0; i < store.GetFieldCount(); ++i) {
    const TFieldDesc& field = *store.Fields().GetItems(i);
    if (field.FieldKind() == fkCalculated || field.HasParent() || !store.IsBlobFieldType(field.DataType())) continue;
    f(field);
  }
}

}  // namespace

// The row's values before the change: a copy of the record holding one more
// reference to each shared value.
void TMemData::SaveRollback(ItemHeader* item) {
  ItemHeader* rollback = block_man_.AllocItem();
  std::memcpy(ItemRecord(rollback), ItemRecord(item), record_size_);
  item->rollback = rollback;
  if (!HasComplexFields()) return;
  AddRefComplexFields(ItemRecord(rollback));
  SeparateRollbackBlobs(item);
}

// A blob is edited in place, so the rollback record shares it with the row
// until an edit writes it: the content from before that edit (the blob's
// rollback copy) then becomes the rollback record's own blob. Any edit may
// be the first to write a blob, not only the row's first change.
void TMemData::SeparateRollbackBlobs(ItemHeader* item) {
  if (!item->rollback || !HasComplexFields()) return;
  TRecBuf old_rec = ItemRecord(item->rollback);
  ForEachBlobField(*this, [&](const TFieldDesc& field) {
    auto* blob = static_cast<TBlob*>(GetSlot(old_rec, field));
    if (!blob || blob != GetSlot(ItemRecord(item), field) || !blob->Rollback()) return;
    SetSlot(old_rec, field, blob->DetachRollback());
    blob->Release();
  });
}

void TMemData::FreeRollback(ItemHeader* item) {
  ItemHeader* rollback = item->rollback;
  if (!rollback) return;
  if (HasComplexFields()) FreeComplexFields(ItemRecord(rollback), true);
  block_man_.FreeItem(rollback);
  item->rollback = nullptr;
}

// The rollback record's values become the row's again. A blob keeps its
// object (its class, its undo, what a driver keeps with it) and takes the
// content from before the change back into it, so that later edits of it can
// be undone too.
void TMemData::RestoreFromRollback(ItemHeader* item) {
  ItemHeader* rollback = item->rollback;
  if (!rollback) return;
  if (HasComplexFields()) {
    TRecBuf old_rec = ItemRecord(rollback);
    ForEachBlobField(*this, [&](const TFieldDesc& field) {
      auto* saved = static_cast<TBlob*>(GetSlot(old_rec, field));
      auto* blob = static_cast<TBlob*>(GetSlot(ItemRecord(item), field));
      if (!saved || !blob || saved == blob) return;
      blob->RestoreContent(*saved);
      blob->AddRef();
      SetSlot(old_rec, field, blob);
      saved->Release();
    });
    FreeComplexFields(ItemRecord(item), true);
  }
  std::memcpy(ItemRecord(item), ItemRecord(rollback), record_size_);
  block_man_.FreeItem(rollback);
  item->rollback = nullptr;
}

// ---- Recording ---------------------------------------------------------------

void TMemData::CacheInsert(ItemHeader* item) {
  AddCacheEntry(item);
  item->status = isAppended;
  item->update_result = urNone;
}

void TMemData::CacheUpdate(ItemHeader* item, TRecBuf /*rec*/) {
  if (item->status == isUnmodified) AddCacheEntry(item);
  const bool inserted_unapplied = item->status == isAppended && item->update_result != urApplied;
  if (!inserted_unapplied) {
    item->status = isUpdated;
    if (!item->rollback) SaveRollback(item);
    else SeparateRollbackBlobs(item);
  }
  item->update_result = urNone;
}

// An inserted row's entry goes here; DeleteRecord removes the row itself.
// A new row already applied is on the server: its delete is recorded.
void TMemData::CacheDelete(ItemHeader* item) {
  switch (item->status) {
    case isUnmodified: AddCacheEntry(item); break;
    case isUpdated: RestoreFromRollback(item); break;
    case isAppended: {
      if (item->update_result == urApplied) break;
      TCacheItem* prev = nullptr;
      if (TCacheItem* entry = FindCacheEntry(item, &prev)) DropCacheEntry(entry, prev);
      return;
    }
    default: break;
  }
  item->status = isDeleted;
  item->update_result = urNone;
}

// ---- Reverting ---------------------------------------------------------------

bool TMemData::RevertItem(ItemHeader* item) {
  TCacheItem* prev = nullptr;
  TCacheItem* entry = FindCacheEntry(item, &prev);
  if (!entry) return true;
  DropCacheEntry(entry, prev);
  if (item->status == isAppended) {
    RemoveItem(item);
    return false;
  }
  const bool was_visible = !IsHidden(item);
  const bool restored = item->status == isUpdated;
  if (restored) RestoreFromRollback(item);
  item->status = isUnmodified;
  item->update_result = urNone;
  item->filter_result = fsNotChecked;
  const bool moved = restored && PlaceBySort(item);
  if (moved || was_visible != !IsHidden(item)) RenumberItems(nullptr, rmAll);
  return true;
}

void TMemData::RevertRecord() {
  if (current_item_) RevertItem(current_item_);
}

void TMemData::CancelUpdates() {
  while (first_cache_) {
    ItemHeader* item = first_cache_->item;
    TCacheItem* next = first_cache_->next;
    delete first_cache_;
    first_cache_ = next;
    ++cache_removals_;
    if (item->status == isAppended) {
      // Unnumbered for now: everything is renumbered below.
      ItemHeader* prev_item = item->prev;
      ItemHeader* next_item = item->next;
      Unlink(item);
      FreeItemWithValues(item);
      if (current_item_ == item) current_item_ = next_item ? next_item : prev_item;
      continue;
    }
    if (item->status == isUpdated) {
      RestoreFromRollback(item);
      PlaceBySort(item);
    }
    item->status = isUnmodified;
    item->update_result = urNone;
  }
  last_cache_ = nullptr;
  if (!first_item_) {
    current_item_ = nullptr;
    bof_ = eof_ = true;
  }
  ClearCache();
}

// ---- Applying ----------------------------------------------------------------

void TMemData::ApplyUpdates() {
  if (!CachedUpdates()) return;
  ItemHeader* remembered = current_item_;
  TCacheItem* pending = nullptr;
  TCacheItem* entry = first_cache_;
  while (entry) {
    ItemHeader* item = entry->item;
    if (item->update_result == urApplied) {
      entry = entry->next;
      continue;
    }
    int kind = 0;
    switch (item->status) {
      case isUpdated: kind = 0; break;
      case isAppended: kind = 1; break;
      case isDeleted: kind = 2; break;
      default: CLASSLIB_ASSERT(false);
    }
    current_item_ = item;
    if (new_cache_rec_buf_) std::memcpy(new_cache_rec_buf_, ItemRecord(item), record_size_);
    // Inserted rows and rows deleted unchanged have no earlier values but their own.
    if (old_cache_rec_buf_)
      std::memcpy(old_cache_rec_buf_, ItemRecord(item->rollback ? item->rollback : item), record_size_);
    int action = urFail;
    const int32_t removals = cache_removals_;
    auto still_cached = [&] {
      return Active() && (removals == cache_removals_ || FindCacheEntry(item, nullptr));
    };
    // The new-values buffer stands for the row while it is applied: what the
    // apply wrote there (a refresh after the statement, returned values, a
    // value that replaced one the row owned) becomes the row's own, whether
    // the apply then succeeds, fails or is aborted.
    auto keep_applied = [&] {
      if (item->status != isDeleted && new_cache_rec_buf_) KeepAppliedValues(item);
    };
    // The last change still to apply: those after it were applied before.
    TCacheItem* later = entry->next;
    while (later && later->item->update_result == urApplied) later = later->next;
    try {
      DoOnApplyRecord(kind, action, later == nullptr);
    } catch (...) {
      if (still_cached()) keep_applied();
      throw;
    }
    if (!still_cached()) break;
    item->update_result = static_cast<uint8_t>(action);
    keep_applied();
    if (action == 6) {
      if (!pending) pending = entry;
      entry = entry->next;
    } else if (action == urRetry) {
      if (pending) entry = pending;
    } else {
      for (TCacheItem* p = pending; p && p != entry; p = p->next) p->item->update_result = static_cast<uint8_t>(action);
      pending = nullptr;
      entry = entry->next;
    }
  }
  current_item_ = remembered;
}

// The values read back may move the row in the local order or out of the
// filter, as a post's would.
void TMemData::KeepAppliedValues(ItemHeader* item) {
  const bool was_visible = !IsHidden(item);
  record_no_cache_.clear();
  item->filter_result = fsNotChecked;
  std::memcpy(ItemRecord(item), new_cache_rec_buf_, record_size_);
  const bool moved = PlaceBySort(item);
  if (moved || IsHidden(item) == was_visible) RenumberItems(nullptr, rmAll);
}

void TMemData::CommitUpdates() {
  if (UpdatesPending()) ApplyUpdates();
  TCacheItem* prev = nullptr;
  for (TCacheItem* entry = first_cache_; entry;) {
    TCacheItem* next = entry->next;
    ItemHeader* item = entry->item;
    if (item->update_result != urApplied) {
      prev = entry;
      entry = next;
      continue;
    }
    DropCacheEntry(entry, prev);
    FreeRollback(item);
    if (item->status == isDeleted) {
      RemoveItem(item);
    } else {
      // What the server holds now is the row's unchanged value.
      CommitBlobs(ItemRecord(item));
      item->status = isUnmodified;
      item->update_result = urNone;
      item->filter_result = fsNotChecked;
    }
    entry = next;
  }
  ClearCache();
}

void TMemData::RestoreUpdates() {
  if (!CachedUpdates()) return;
  for (TCacheItem* entry = first_cache_; entry; entry = entry->next) entry->item->update_result = urNone;
}

bool TMemData::UpdatesPending() {
  for (TCacheItem* entry = first_cache_; entry; entry = entry->next)
    if (entry->item->update_result != urApplied) return true;
  return false;
}

void TMemData::GetRefreshRecord(TRecBuf rec) {
  if (bof_ || eof_ || !current_item_) return;
  if (IsHidden(current_item_)) {
    GetNextRecord(nullptr);
    if (!current_item_) return;
  }
  ItemHeader* item = current_item_->rollback ? current_item_->rollback : current_item_;
  std::memcpy(rec, ItemRecord(item), record_size_);
}

}  // namespace dacore
