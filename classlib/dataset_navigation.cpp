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
    // Next takes the single step without the loop of a longer move.
    if (distance == 1) [[likely]]
      moved = StepForwardOnce(scroll) ? 1 : 0;
    else
      moved = distance > 0 ? StepForward(distance, scroll) : -StepBack(-distance, scroll);
  } catch (...) {
    SendStepEvent(deDataSetScroll, scroll);
    throw;
  }
  SendStepEvent(deDataSetScroll, scroll);
  DoAfterScroll();
  return moved;
}

// Reads the record after the last one in the ring into the spare buffer and
// rotates it in; a full ring drops its first record. Kept away from the
// base's record protocol (dataset_buffers.cpp): where the compiler sees the
// base's GetRecord it tests for it before every call of a walk.
[[gnu::hot]] bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (record_count_ > 0) [[likely]] {
    SetCurrentRecord(record_count_ - 1);
    // A record being inserted in the middle has not been stored yet: the
    // cursor still stands on the record that follows it.
    if (state_ == dsInsert) [[unlikely]] {
      if (current_record_ == active_record_ && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
        mode = gmCurrent;
    }
  }
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (GetRecord(spare, mode, true) != grOK) [[unlikely]] {
    CursorPosChanged();
    return false;
  }
  if (record_count_ == 0) [[unlikely]] {
    ActivateBuffers();
  } else if (record_count_ < buffer_count_) {
    ++record_count_;
  } else {
    MoveBuffer(0, record_count_);
  }
  current_record_ = record_count_ - 1;
  return true;
}

int TDataSet::StepForward(int distance, int& scroll) {
  int moved = 0;
  while (moved < distance && StepForwardOnce(scroll)) ++moved;
  return moved;
}

// Inside the ring the active record moves; at its end the next record is
// read, and a full ring scrolls by one.
[[gnu::hot]] bool TDataSet::StepForwardOnce(int& scroll) {
  if (active_record_ < record_count_ - 1) {
    ++active_record_;
    return true;
  }
  const bool full = record_count_ >= buffer_count_;
  if (!GetNextRecord()) [[unlikely]] {
    eof_ = true;
    return false;
  }
  if (full) --scroll;
  if (active_record_ < record_count_ - 1) ++active_record_;
  return true;
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
