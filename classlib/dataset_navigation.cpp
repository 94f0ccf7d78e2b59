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

[[gnu::hot]] int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  DoBeforeScroll();
  if ((distance > 0 && eof_) || (distance < 0 && bof_) || distance == 0) [[unlikely]] return 0;
  bof_ = false;
  eof_ = false;
  // How far the ring's window moved, for links that scroll their rows.
  int scroll = 0;
  int moved = 0;
  try {
    moved = distance > 0 ? StepForward(distance, scroll) : -StepBack(-distance, scroll);
  } catch (...) {
    DataEvent(deDataSetScroll, scroll);
    throw;
  }
  DataEvent(deDataSetScroll, scroll);
  DoAfterScroll();
  return moved;
}

int TDataSet::StepForward(int distance, int& scroll) {
  int moved = 0;
  for (; moved < distance; ++moved) {
    if (active_record_ < record_count_ - 1) {
      ++active_record_;
      continue;
    }
    const bool full = record_count_ >= buffer_count_;
    if (!GetNextRecord()) [[unlikely]] {
      eof_ = true;
      break;
    }
    if (full) --scroll;
    if (active_record_ < record_count_ - 1) ++active_record_;
  }
  return moved;
}

int TDataSet::StepBack(int distance, int& scroll) {
  int moved = 0;
  for (; moved < distance; ++moved) {
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
