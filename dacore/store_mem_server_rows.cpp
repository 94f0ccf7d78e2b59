// TMemData: rows read again from the server outside an edit, found by a
// text key, appended, tested against the filter and put in their place by
// the sort once their values are written.
#include <cstring>

#include "classlib/exceptions.h"
#include "dacore/store_mem_data.h"

namespace dacore {

ItemHeader* TMemData::FindRowByText(int field_no, const std::string& text) {
  TRowsGuard rows(*this);
  auto holds = [&](ItemHeader* item) {
    classlib::Variant value;
    GetFieldAsVariant(field_no, ItemRecord(item), value);
    return !classlib::VarIsNull(value) && !classlib::VarIsEmpty(value) && classlib::VarToStr(value) == text;
  };
  for (ItemHeader* it = first_item_; it; it = it->next)
    if (holds(it)) return it;
  // The rows still to come are read up to the one looked for.
  ItemHeader* last = last_item_;
  while (rows.Unlocked([this] { return Fetch(); })) {
    for (ItemHeader* it = last ? last->next : first_item_; it; it = it->next)
      if (holds(it)) return it;
    last = last_item_;
  }
  return nullptr;
}

void TMemData::ShowRow(ItemHeader* item) {
  CLASSLIB_ASSERT(item != nullptr);
  WaitForBackgroundRows();
  GoToRow(item);
  TRowsGuard rows(*this);
  if (!IsHidden(item)) return;
  if (CachedUpdates() && !(FilterItemTypes() & (1u << item->status))) return;
  item->filter_result = fsNotOmitted;
  RenumberItems(nullptr, rmAll);
}

ItemHeader* TMemData::AppendRow(TRecBuf rec) {
  WaitForBackgroundRows();
  ItemHeader* item = nullptr;
  {
    TRowsGuard rows(*this);
    item = block_man_.AllocItem();
    std::memcpy(ItemRecord(item), rec, record_size_);
    LinkBefore(item, nullptr);
    item->filter_result = fsNotOmitted;
    RenumberItems(nullptr, rmAll);
  }
  GoToRow(item);
  return item;
}

void TMemData::ReplaceCurrentRow(TRecBuf rec) {
  CLASSLIB_ASSERT(current_item_ != nullptr);
  WaitForBackgroundRows();  // PutRecord would wait for it under the lock
  TRowsGuard rows(*this);
  ItemHeader* item = current_item_;
  const bool was_visible = !IsHidden(item);
  PutRecord(rec);  // the row is tested anew
  const bool moved = PlaceBySort(item);
  if (moved || IsHidden(item) == was_visible) RenumberItems(nullptr, rmAll);
}

void TMemData::TestRowAgain(ItemHeader* item) {
  CLASSLIB_ASSERT(item != nullptr);
  WaitForBackgroundRows();
  TRowsGuard rows(*this);
  const bool was_visible = !IsHidden(item);
  item->filter_result = fsNotChecked;
  if (IsHidden(item) == was_visible) RenumberItems(nullptr, rmAll);
}

void TMemData::GoToRow(ItemHeader* item) {
  CLASSLIB_ASSERT(item != nullptr);
  TRowsGuard rows(*this);
  current_item_ = item;
  bof_ = eof_ = false;
}

void TMemData::RemoveRow(ItemHeader* item) {
  CLASSLIB_ASSERT(item != nullptr);
  WaitForBackgroundRows();
  TRowsGuard rows(*this);
  RemoveItem(item);
}

void TMemData::RemoveRecord() {
  WaitForBackgroundRows();
  TRowsGuard rows(*this);
  InternalDelete();
}

void TMemData::GetCurrentRow(TRecBuf rec) {
  CLASSLIB_ASSERT(current_item_ != nullptr);
  std::memcpy(rec, ItemRecord(current_item_), record_size_);
}

}  // namespace dacore
