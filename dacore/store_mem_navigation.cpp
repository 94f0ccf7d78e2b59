// TMemData: moving through the rows, record numbers and bookmarks. While a
// driver's thread appends rows, each move here and each read of the list
// takes the rows lock (TRowsGuard); a step that may fetch lets it go first,
// because a fetch asked for here waits for that thread. Reads of the
// current row alone take none (see SetSharedRows).
#include <cstdlib>
#include <cstring>

#include "classlib/exceptions.h"
#include "dacore/store_mem_data.h"

namespace dacore {

bool TMemData::GetBOF() {
  TRowsGuard rows(*this);
  return !current_item_ && bof_;
}

int TMemData::GetRecordCount() {
  TRowsGuard rows(*this);
  return record_count_;
}

void TMemData::SetToBegin() {
  TRowsGuard rows(*this);
  current_item_ = nullptr;
  bof_ = true;
  if (first_item_) eof_ = false;
}

void TMemData::SetToEnd() {
  TRowsGuard rows(*this);
  current_item_ = nullptr;
  eof_ = true;
  if (first_item_) bof_ = false;
}

void TMemData::GetNextRecord(TRecBuf rec) {
  TRowsGuard rows(*this);
  if (eof_) return;
  ItemHeader* it = bof_ || !current_item_ ? first_item_ : current_item_->next;
  bof_ = false;
  while (it && IsHidden(it)) it = it->next;
  current_item_ = it;
  if (!it) {
    eof_ = true;
    return;
  }
  if (rec) std::memcpy(rec, ItemRecord(it), record_size_);
}

void TMemData::GetPriorRecord(TRecBuf rec) {
  TRowsGuard rows(*this);
  if (bof_) return;
  ItemHeader* it = eof_ || !current_item_ ? last_item_ : current_item_->prev;
  eof_ = false;
  while (it && IsHidden(it)) it = it->prev;
  current_item_ = it;
  if (!it) {
    bof_ = true;
    return;
  }
  if (rec) std::memcpy(rec, ItemRecord(it), record_size_);
}

void TMemData::GetRecord(TRecBuf rec) {
  {
    TRowsGuard rows(*this);
    if (bof_ || eof_ || !current_item_) return;
    if (!IsHidden(current_item_)) {
      std::memcpy(rec, ItemRecord(current_item_), record_size_);
      return;
    }
  }
  // The row has become hidden: on to the next, which may fetch.
  GetNextRecord(rec);
}

// The current row's state is the browsing thread's own: no lock.
int TMemData::GetRecordNo() {
  return current_item_ && !IsHidden(current_item_) ? RecordNoOf(current_item_) : 0;
}

void TMemData::SetRecordNo(int value) {
  TRowsGuard rows(*this);
  if (value < 1 || !first_item_) return;
  if (!record_no_cache_.empty()) {
    if (static_cast<size_t>(value) <= record_no_cache_.size()) {
      current_item_ = record_no_cache_[value - 1];
      bof_ = eof_ = false;
    }
    return;
  }
  // Start from whichever known position is nearest: the first row, the last
  // visible row (the last item may be filtered out or deleted) or the current
  // row. A start's number is its own, so a hidden start never stands in for one.
  ItemHeader* start = first_item_;
  int32_t start_no = 1;
  ItemHeader* last_visible = last_item_;
  while (last_visible && IsHidden(last_visible)) last_visible = last_visible->prev;
  if (last_visible && std::abs(RecordNoOf(last_visible) - value) < value - 1) {
    start = last_visible;
    start_no = RecordNoOf(last_visible);
  }
  const int cur_no = GetRecordNo();
  if (cur_no > 0 && std::abs(cur_no - value) < std::abs(start_no - value)) {
    start = current_item_;
    start_no = cur_no;
  }
  ItemHeader* found = nullptr;
  if (value >= start_no) {
    for (ItemHeader* it = start, *last = start; !found;) {
      if (!it) {
        // Past the last row: more rows may still come.
        if (!rows.Unlocked([this] { return Fetch(); }) || !last->next) break;
        it = last->next;
      }
      if (!IsHidden(it) && RecordNoOf(it) == value) found = it;
      last = it;
      it = it->next;
    }
  } else {
    for (ItemHeader* it = start; it && !found; it = it->prev)
      if (!IsHidden(it) && RecordNoOf(it) == value) found = it;
  }
  if (found) {
    current_item_ = found;
    bof_ = eof_ = false;
  }
}

// ---- Bookmarks --------------------------------------------------------------

void TMemData::GetBookmark(TRecBookmark& bookmark) { BookmarkOfCurrent(bookmark); }

void TMemData::SetToBookmark(const TRecBookmark& bookmark) {
  auto* item = static_cast<ItemHeader*>(bookmark.item);
  {
    // The item is only trusted while its block is allocated and it still
    // holds the row it held: otherwise the record number decides.
    TRowsGuard rows(*this);
    if (bookmark.refresh_stamp == refresh_stamp_ && item && block_man_.IsLiveItem(item, bookmark.serial)) {
      current_item_ = item;
      bof_ = eof_ = false;
      return;
    }
  }
  TData::SetToBookmark(bookmark);
}

bool TMemData::BookmarkValid(const TRecBookmark* bookmark) {
  if (!TData::BookmarkValid(bookmark)) return false;
  if (!HasFilter()) return true;
  TRowsGuard rows(*this);
  auto* item = static_cast<ItemHeader*>(bookmark->item);
  if (bookmark->refresh_stamp == refresh_stamp_ && item && block_man_.IsLiveItem(item, bookmark->serial))
    return !IsHidden(item);
  return bookmark->record_no != -1;
}

}  // namespace dacore
