// TMemData: life cycle, the row list, visibility and order numbers.
#include "dacore/store_mem_data.h"

#include <atomic>
#include <cstring>
#include <memory>

#include "classlib/exceptions.h"

namespace dacore {

namespace {

// Stores open on several threads (background fetch), so the counter is atomic.
std::atomic<int32_t> refresh_stamp_counter{1};

}  // namespace

int32_t NextRefreshStamp() { return refresh_stamp_counter.fetch_add(1) + 1; }

TMemData::TMemData() { InitData(); }

TMemData::~TMemData() { Close(); }

// ---- Life cycle -------------------------------------------------------------

void TMemData::InitData() {
  TData::InitData();
  first_item_ = last_item_ = current_item_ = nullptr;
  first_pending_ = nullptr;
  FreeCachedEntries();
  record_no_cache_.clear();
  refresh_stamp_ = NextRefreshStamp();
}

void TMemData::FreeData() {
  bool values_outside_heap = false;
  for (int i = 0; i < GetFieldCount(); ++i) {
    const TDataType t = Fields().GetItems(i)->DataType();
    if (IsComplexFieldType(t) && t != dtHeapString && t != dtHeapWideString && t != dtHeapVarBytes)
      values_outside_heap = true;
  }
  // Heap strings on pages go with the pages; anything else is freed row by row.
  if (values_outside_heap || StringHeap().HasLarge()) {
    for (ItemHeader* item = first_item_; item; item = item->next) {
      FreeComplexFields(ItemRecord(item), true);
      if (item->rollback) FreeComplexFields(ItemRecord(item->rollback), true);
    }
  }
  FreeCachedEntries();
  StringHeap().Clear();
  block_man_.FreeAllBlocks();
  InitData();
}

void TMemData::InitFields() {
  TData::InitFields();
  block_man_.SetRecordSize(record_size_);
  SetSortColumns(ParseIndexFieldNames(sort_fields_, Fields()));
}

void TMemData::ClearFields() {
  SetSortColumns({});
  TData::ClearFields();
}

void TMemData::Reopen() {
  TData::Reopen();
  record_no_cache_.clear();
  if (!FilterText().empty()) ClearCache();
  if (HasSortColumns()) SortItems();
}

void TMemData::FreeCachedEntries() {
  while (first_cache_) {
    TCacheItem* next = first_cache_->next;
    delete first_cache_;
    first_cache_ = next;
  }
  last_cache_ = nullptr;
}

// ---- The row list -----------------------------------------------------------

void TMemData::LinkBefore(ItemHeader* item, ItemHeader* before) {
  item->next = before;
  item->prev = before ? before->prev : last_item_;
  if (item->prev) item->prev->next = item; else first_item_ = item;
  if (before) before->prev = item; else last_item_ = item;
}

void TMemData::Unlink(ItemHeader* item) {
  if (item == first_pending_) first_pending_ = item->next;
  if (item->prev) item->prev->next = item->next; else first_item_ = item->next;
  if (item->next) item->next->prev = item->prev; else last_item_ = item->prev;
  item->prev = item->next = nullptr;
}

void TMemData::FreeItemWithValues(ItemHeader* item) {
  if (HasComplexFields()) FreeComplexFields(ItemRecord(item), true);
  if (ItemHeader* rollback = item->rollback) {
    if (HasComplexFields()) FreeComplexFields(ItemRecord(rollback), true);
    block_man_.FreeItem(rollback);
  }
  block_man_.FreeItem(item);
}

void TMemData::DropRowsBefore(ItemHeader* keep) {
  while (first_item_ && first_item_ != keep) {
    ItemHeader* item = first_item_;
    if (item == first_pending_) first_pending_ = item->next;  // passed, never shown
    first_item_ = item->next;
    if (first_item_) first_item_->prev = nullptr;
    if (item->order != 0) --record_count_;
    FreeItemWithValues(item);
  }
  if (!first_item_) {
    last_item_ = nullptr;
    current_item_ = nullptr;
    record_count_ = 0;
  }
  record_no_cache_.clear();
}

// ---- Visibility -------------------------------------------------------------

bool TMemData::CheckHidden(ItemHeader* item) {
  if (!item) return true;
  bool hidden = false;
  if (CachedUpdates() && !(FilterItemTypes() & (1u << item->status))) {
    hidden = true;
  } else if (HasFilter()) {
    TRecBuf test = ItemRecord(item);
    std::unique_ptr<TRecBufHolder> with_calc;
    if (calc_record_size_ > 0 && OnCalcFields) {
      with_calc = std::make_unique<TRecBufHolder>(record_size_ + calc_record_size_);
      std::memcpy(with_calc->buf, test, record_size_);
      OnCalcFields(with_calc->buf);
      test = with_calc->buf;
    }
    hidden = !FilterAccepts(test);
  }
  item->filter_result = hidden ? fsOmitted : fsNotOmitted;
  return hidden;
}

void TMemData::SettlePendingRows() {
  if (settling_ || !first_pending_) return;
  settling_ = true;
  struct TDone {
    bool& flag;
    ~TDone() { flag = false; }
  } done{settling_};
  record_no_cache_.clear();
  // The rows before the first pending one are settled: their states and
  // numbers stand.
  ItemHeader* prev = PriorVisible(first_pending_);
  int32_t order = prev ? prev->order : -order_base_;
  while (ItemHeader* item = first_pending_) {
    const bool hidden = IsHidden(item);
    first_pending_ = item->next;
    item->order = hidden ? 0 : ++order;
    if (!hidden) ++record_count_;
  }
}

void TMemData::DropPendingRows() {
  while (first_pending_) {
    ItemHeader* item = last_item_;
    Unlink(item);
    FreeItemWithValues(item);
  }
  record_no_cache_.clear();
}

ItemHeader* TMemData::NextVisible(ItemHeader* item) {
  ItemHeader* it = item ? item->next : nullptr;
  while (it && IsHidden(it)) it = it->next;
  return it;
}

ItemHeader* TMemData::PriorVisible(ItemHeader* item) {
  ItemHeader* it = item ? item->prev : nullptr;
  while (it && IsHidden(it)) it = it->prev;
  return it;
}

// Every row is tested anew and numbered (what RenumberItems does for rmAll)
// in one pass over the rows: a test looks at its own row only.
void TMemData::ClearCache() {
  first_pending_ = nullptr;  // every row is tested here
  record_no_cache_.clear();
  order_base_ = 0;
  // A store that shows many rows is filtered mostly here, so the common
  // filter (an expression on the record's own columns) takes a pass of its own.
  const TFilterExpression* filter = SoleFilterExpression();
  const bool calc_in_filter = calc_record_size_ > 0 && OnCalcFields;
  record_count_ = filter && !calc_in_filter ? TestAndNumberRows(*filter) : TestAndNumberRows();
  eof_ = record_count_ == 0;
}

int32_t TMemData::TestAndNumberRows() {
  int32_t count = 0;
  for (ItemHeader* it = first_item_; it; it = it->next) {
    it->filter_result = fsNotChecked;
    it->order = IsHidden(it) ? 0 : ++count;
  }
  return count;
}

void TMemData::SetFilterItemTypes(TItemTypes types) {
  if (types == FilterItemTypes()) return;
  TData::SetFilterItemTypes(types);
  ClearCache();
}

int TMemData::GetUpdateStatus() { return current_item_ ? current_item_->status : int{isUnmodified}; }
int TMemData::GetUpdateResult() { return current_item_ ? current_item_->update_result : int{urNone}; }

// ---- Order numbers ----------------------------------------------------------

void TMemData::RenumberForwards(ItemHeader* from, int32_t order) {
  for (ItemHeader* it = from; it; it = it->next) it->order = IsHidden(it) ? int32_t{0} : order++;
}

void TMemData::RenumberBackwards(ItemHeader* from, int32_t order) {
  for (ItemHeader* it = from; it; it = it->prev) it->order = IsHidden(it) ? int32_t{0} : order--;
}

// After an insert only one side of the new row changes its record numbers:
// the rows after it (numbered forwards), or the rows before it, which keep
// their record numbers by taking one less order each while the base grows.
void TMemData::RenumberItems(ItemHeader* item, TReorderMode mode) {
  record_no_cache_.clear();
  if (mode == rmAll) {
    first_pending_ = nullptr;  // every row is tested here
    order_base_ = 0;
    int32_t count = 0;
    for (ItemHeader* it = first_item_; it; it = it->next) it->order = IsHidden(it) ? 0 : ++count;
    record_count_ = count;
    return;
  }
  if (mode == rmDelete) {
    RenumberAfterDelete(item ? item->prev : last_item_, item);
    return;
  }
  if (IsHidden(item)) {
    item->order = 0;
    return;
  }
  ItemHeader* next = NextVisible(item);
  if (next && RecordNoOf(next) <= record_count_ / 2) {
    RenumberBackwards(item, next->order - 1);
    ++order_base_;
    return;
  }
  ItemHeader* prev = PriorVisible(item);
  if (!prev) order_base_ = 0;
  RenumberForwards(item, prev ? prev->order + 1 : 1);
}

// The rows after a deleted one lose one from their record numbers: either
// they are renumbered forwards, or the rows before it take one more order
// each while the base shrinks.
void TMemData::RenumberAfterDelete(ItemHeader* prev, ItemHeader* next) {
  record_no_cache_.clear();
  ItemHeader* next_visible = next && IsHidden(next) ? NextVisible(next) : next;
  if (!next_visible) return;
  if (RecordNoOf(next_visible) - 1 <= record_count_ / 2) {
    RenumberBackwards(prev, next_visible->order - 1);
    --order_base_;
    return;
  }
  ItemHeader* prev_visible = prev && IsHidden(prev) ? PriorVisible(prev) : prev;
  if (!prev_visible) order_base_ = 0;
  RenumberForwards(next, prev_visible ? prev_visible->order + 1 : 1);
}

void TMemData::ReorderItems(ItemHeader* item, bool keep_count, bool backwards) {
  record_no_cache_.clear();
  if (!item) return;
  if (backwards) {
    RenumberBackwards(item, item->order);
    return;
  }
  ItemHeader* prev = PriorVisible(item);
  int32_t order = prev ? prev->order + 1 : 1 - order_base_;
  for (ItemHeader* it = item; it; it = it->next) {
    if (IsHidden(it)) {
      it->order = 0;
      continue;
    }
    it->order = order++;
    if (!keep_count) ++record_count_;
  }
}

void TMemData::BuildRecordNoCache() {
  record_no_cache_.clear();
  record_no_cache_.reserve(record_count_);
  for (ItemHeader* it = first_item_; it; it = it->next)
    if (!IsHidden(it)) record_no_cache_.push_back(it);
}

}  // namespace dacore
