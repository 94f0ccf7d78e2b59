// Moving through a TDataSet: First, Last, MoveBy and bookmarks.
#include "classlib/dataset.h"

namespace classlib {

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  } catch (...) {
    bof_ = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  bof_ = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  } catch (...) {
    eof_ = true;
    DataEvent(deDataSetChange, 0);
    throw;
  }
  eof_ = true;
  DataEvent(deDataSetChange, 0);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int moved = 0;
  DoBeforeScroll();
  if ((distance > 0 && eof_) || (distance < 0 && bof_) || distance == 0) return 0;
  bof_ = false;
  eof_ = false;
  // How far the ring's window moved, for links that scroll their rows.
  int scroll = 0;
  auto finish = [&] { DataEvent(deDataSetScroll, scroll); };
  try {
    for (; distance > 0; --distance, ++moved) {
      if (active_record_ < record_count_ - 1) {
        ++active_record_;
        continue;
      }
      const bool full = record_count_ >= buffer_count_;
      if (!GetNextRecord()) {
        eof_ = true;
        break;
      }
      if (full) --scroll;
      if (active_record_ < record_count_ - 1) ++active_record_;
    }
    for (; distance < 0; ++distance, --moved) {
      if (active_record_ > 0) {
        --active_record_;
        continue;
      }
      const bool full = record_count_ >= buffer_count_;
      if (!GetPriorRecord()) {
        bof_ = true;
        break;
      }
      if (full) ++scroll;
      if (active_record_ > 0) --active_record_;
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  DoAfterScroll();
  return moved;
}

// ---- Bookmarks -------------------------------------------------------------

TBookmark TDataSet::GetBookmark() {
  const bool available = (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) &&
                         !IsEmpty() && GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
  if (!available || bookmark_size_ <= 0) return {};
  TBookmark bookmark(static_cast<std::size_t>(bookmark_size_));
  GetBookmarkData(ActiveBuffer(), bookmark.data());
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) { return false; }

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() || b.empty()) {
    if (a.empty() && b.empty()) return 0;
    return a.empty() ? 1 : -1;
  }
  if (a == b) return 0;
  return a < b ? -1 : 1;
}

}  // namespace classlib
