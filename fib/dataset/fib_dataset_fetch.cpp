// Walking the record cache: GetRecord, fetching rows on demand, the cursor
// moves, bookmarks and record numbers.
#include <cstring>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/record_bytes.h"
#include "fib/base/screen_cursor.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/field_descr_list_layout.h"
#include "fib/records/limited_cache_navigator.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_query.h"

namespace fib {

// ---- record header ----

int32_t TFIBCustomDataSet::RecordIndexOf(classlib::TRecordBuffer buffer) {
  return LoadUnaligned<int32_t>(buffer + kRecIndexOffset);
}

void TFIBCustomDataSet::SetRecordIndexOf(classlib::TRecordBuffer buffer, int32_t index) {
  std::memcpy(buffer + kRecIndexOffset, &index, sizeof index);
}

uint8_t TFIBCustomDataSet::StatusOf(classlib::TRecordBuffer buffer) { return buffer[kStatusOffset]; }

void TFIBCustomDataSet::SetStatusOf(classlib::TRecordBuffer buffer, uint8_t status) {
  buffer[kStatusOffset] = status;
}

int TFIBCustomDataSet::CacheNumberOf(int index) const {
  if (LimitedCacheModel() || uni_directional_) [[unlikely]]
    return index % cache_model_options_->BufferChunks() + 1;
  return index + 1;
}

bool TFIBCustomDataSet::HoldsRecord(int index) const {
  if (LimitedCacheModel()) return navigator_ != nullptr && navigator_->Contains(index);
  return index >= 0 && index < record_count_;
}

// ---- reading and writing cached records ----

[[gnu::hot]] void TFIBCustomDataSet::ReadRecordFromCache(int index, classlib::TRecordBuffer buffer,
                                            bool from_current) {
  SetRecordIndexOf(buffer, index);
  // Without calculated fields the area is empty.
  if (calc_area_offset_ < record_size_)
    std::memset(buffer + calc_area_offset_, 0, static_cast<size_t>(record_size_ - calc_area_offset_));
  const int number = CacheNumberOf(index);
  std::span<uint8_t> target(buffer + kCacheBufferStart,
                            static_cast<size_t>(record_size_ - kCacheBufferStart));
  if (from_current) [[unlikely]]
    std::memcpy(target.data(), cache_->GetCurrentBuffer(number),
                static_cast<size_t>(cache_->BufferSize()));
  else
    cache_->ReadRecord(number, target, false);
}

void TFIBCustomDataSet::WriteRecordToCache(int index, classlib::TRecordBuffer buffer) {
  cache_->WriteRecord(CacheNumberOf(index),
                      std::span<const uint8_t>(buffer + kCacheBufferStart,
                                               static_cast<size_t>(record_size_ - kCacheBufferStart)),
                      true);
}

void TFIBCustomDataSet::LoadWorkBuffer(classlib::TRecordBuffer buffer, int index) {
  if (index < 0) index = current_index_;
  ReadRecordFromCache(index, buffer, true);
}

// The status a record shows is asked first: it answers for nearly every
// record, and the states that show every record need not be looked at.
[[gnu::hot]] bool TFIBCustomDataSet::IsVisible(classlib::TRecordBuffer buffer) {
  return update_record_types_.Contains(
             static_cast<TCachedUpdateStatus>(StatusOf(buffer) & kStatusMask)) ||
         sorting_ || cache_only_ || LimitedCacheModel();
}

// ---- fetching ----

// Inline: every record of a walk that reaches the end of the cache fetches
// here, and only this file calls it.
[[gnu::always_inline]] inline bool TFIBCustomDataSet::FetchOneRow() {
  if (cache_ == nullptr || fetch_stopped_ || !select_query_->Open() || select_query_->Eof())
    return false;
  if (update_writes_pending_) [[unlikely]]
    reads_behind_update_writes_ = true;
  if (before_fetch_record_) {
    bool stop = false;
    before_fetch_record_(select_query_, record_count_, stop);
    if (stop) {
      fetch_stopped_ = true;
      return false;
    }
  }
  if (!select_query_->Next()) return false;
  FetchRecordToCache(*select_query_, record_count_);
  ++record_count_;
  return true;
}

int TFIBCustomDataSet::FetchNext(int count) {
  const TScreenCursorGuard cursor(sql_screen_cursor_);
  int fetched = 0;
  while (fetched < count && FetchOneRow()) ++fetched;
  return fetched;
}

void TFIBCustomDataSet::FetchAll() {
  if (!Active() || LimitedCacheModel() || select_query_->Eof()) return;
  const TScreenCursorGuard cursor(sql_screen_cursor_);
  // Rows only join the cache: the current record and the buffers stay.
  while (FetchOneRow()) {
  }
}

// ---- GetRecord ----

[[gnu::hot]] classlib::TGetResult TFIBCustomDataSet::GetRecord(classlib::TRecordBuffer buffer,
                                                  classlib::TGetMode mode, bool) {
  getting_record_ = true;
  bool read = false;
  classlib::TGetResult result = classlib::grError;
  try {
    if (LimitedCacheModel()) [[unlikely]]
      result = GetLimitedRecord(buffer, mode);
    else
      result = GetStandardRecord(buffer, mode, read);
    if (result == classlib::grOK) [[likely]] {
      buffer[kBookmarkFlagOffset] = classlib::bfCurrent;
      if (CalcFieldsNeeded()) GetCalcFields(buffer);
    } else {
      buffer[kBookmarkFlagOffset] = result == classlib::grBOF ? classlib::bfBOF : classlib::bfEOF;
    }
  } catch (classlib::Exception& error) {
    getting_record_ = false;
    // Only a record that was really read may be answered as read.
    return HandleGetRecordError(error, read ? classlib::grOK : classlib::grError);
  }
  getting_record_ = false;
  return result;
}

classlib::TGetResult TFIBCustomDataSet::HandleGetRecordError(classlib::Exception& error,
                                                             classlib::TGetResult so_far) {
  if (!OnGetRecordError) throw;
  classlib::TDataAction action = classlib::daFail;
  OnGetRecordError(this, error, action);
  if (action == classlib::daFail) throw;
  if (action == classlib::daAbort) classlib::Abort();
  return so_far;
}

[[gnu::hot]] classlib::TGetResult TFIBCustomDataSet::GetStandardRecord(classlib::TRecordBuffer buffer,
                                                          classlib::TGetMode mode, bool& read) {
  if (cache_ == nullptr) [[unlikely]] return mode == classlib::gmPrior ? classlib::grBOF : classlib::grEOF;
  for (;;) {
    // Walking forward is the step taken for nearly every record: the
    // others are kept out of its way.
    if (mode == classlib::gmNext) [[likely]] {
      if (current_index_ >= record_count_) [[unlikely]] return classlib::grEOF;
      if (current_index_ == record_count_ - 1 && !FetchOneRow()) [[unlikely]] {
        current_index_ = record_count_;
        return classlib::grEOF;
      }
      ++current_index_;
    } else if (const classlib::TGetResult moved = StepBackOrStay(mode); moved != classlib::grOK) {
      return moved;
    }
    ReadRecordFromCache(current_index_, buffer, false);
    if (IsVisible(buffer)) [[likely]] {
      read = true;
      return classlib::grOK;
    }
    // An invisible record is stepped over in the same direction.
    if (mode == classlib::gmCurrent) mode = classlib::gmNext;
  }
}

classlib::TGetResult TFIBCustomDataSet::StepBackOrStay(classlib::TGetMode mode) {
  if (mode == classlib::gmPrior) {
    if (current_index_ <= 0) {
      current_index_ = -1;
      return classlib::grBOF;
    }
    // A uni-directional ring no longer holds the records before its
    // oldest one: their slots carry later rows.
    if (!InRing(std::min(current_index_, record_count_) - 1)) return classlib::grBOF;
    current_index_ = std::min(current_index_, record_count_) - 1;
    return classlib::grOK;
  }
  if (current_index_ < 0 || !InRing(current_index_)) return classlib::grBOF;
  while (current_index_ >= record_count_ && FetchOneRow()) {
  }
  if (current_index_ >= record_count_) {
    current_index_ = record_count_ - 1;
    if (current_index_ < 0) return classlib::grEOF;
  }
  return classlib::grOK;
}

// ---- cursor moves ----

void TFIBCustomDataSet::InternalFirst() {
  if (LimitedCacheModel()) return LimitedFirst();
  if (!InRing(0)) CheckNotUniDirectional();
  current_index_ = -1;
}

bool TFIBCustomDataSet::InRing(int index) const {
  return !uni_directional_ || index >= record_count_ - cache_model_options_->BufferChunks();
}

void TFIBCustomDataSet::InternalLast() {
  if (LimitedCacheModel()) return LimitedLast();
  const TScreenCursorGuard cursor(sql_screen_cursor_);
  // A failing fetch raises: the data set must not claim to be at its end.
  while (FetchOneRow()) {
  }
  current_index_ = record_count_;
}

void TFIBCustomDataSet::InternalSetToRecord(classlib::TRecordBuffer buffer) {
  current_index_ = RecordIndexOf(buffer);
}

int TFIBCustomDataSet::GetRecordCount() const {
  const int count = record_count_ - deleted_count_;
  if (uni_directional_) return std::min(count, cache_model_options_->BufferChunks());
  return count;
}

int TFIBCustomDataSet::GetRecNo() const {
  if (State() == classlib::dsFilter) return current_index_;
  classlib::TRecordBuffer buffer = GetActiveRecBuf();
  return buffer != nullptr ? RecordIndexOf(buffer) + 1 : 0;
}

void TFIBCustomDataSet::SetRecNoValue(int value) {
  CheckBrowseMode();
  if (value < 1) value = 1;
  if (LimitedCacheModel()) {
    if (window_ == nullptr || value - 1 < window_->FirstIndex || value - 1 > window_->LastIndex)
      return;
  } else if (value > record_count_) {
    FetchAll();
    value = std::min(value, record_count_);
    if (value < 1) return;
  }
  if (value == RecNo() && !Bof() && !Eof()) return;
  DoBeforeScroll();
  MoveToRecNo(value, false);
  DoAfterScroll();
}

void TFIBCustomDataSet::MoveToRecNo(int rec_no, bool centre) {
  current_index_ = rec_no - 1;
  classlib::TResyncMode mode{classlib::rmExact};
  if (centre) mode.Include(classlib::rmCenter);
  TDataSet::Resync(mode);
}

void TFIBCustomDataSet::Resync(classlib::TResyncMode mode) {
  if (!Active()) return;
  if (pending_resync_ > 0) {
    --pending_resync_;
    return;
  }
  if (controls_disabled_by_reposition_) {
    controls_disabled_by_reposition_ = false;
    if (skip_resync_ > 0)
      --skip_resync_;
    else
      TDataSet::Resync(mode);
    EnableControls();
    EnableScrollEvents();
    return;
  }
  if (skip_resync_ == 0) TDataSet::Resync(mode);
}

bool TFIBCustomDataSet::IsSequenced() const {
  return select_query_->Eof() && !(Filtered() && record_count_ > 0) && !uni_directional_;
}

// ---- bookmarks ----

void TFIBCustomDataSet::GetBookmarkData(classlib::TRecordBuffer buffer, void* data) {
  std::memset(data, 0, static_cast<size_t>(BookmarkSize()));
  if (cache_ == nullptr || record_count_ == 0) return;
  const int index = RecordIndexOf(buffer);
  // The limited model reuses its ring positions: its records are known by
  // their index and by the key entries that follow.
  const int32_t identity = LimitedCacheModel() ? cache_->PhysicalNoAt(index)
                                               : cache_->PhysicalNoAt(CacheNumberOf(index) - 1);
  const int32_t active = ActiveRecord();
  std::memcpy(data, &identity, sizeof identity);
  std::memcpy(static_cast<uint8_t*>(data) + 4, &active, sizeof active);
  if (LimitedCacheModel())
    WriteLimitedBookmarkKeys(buffer, data);
  else
    std::memcpy(static_cast<uint8_t*>(data) + kBookmarkOpeningOffset, &opening_, sizeof opening_);
}

void TFIBCustomDataSet::SetBookmarkData(classlib::TRecordBuffer buffer, const void* data) {
  if (cache_ == nullptr) return;
  SetRecordIndexOf(buffer, cache_->LogicalIndexOf(LoadUnaligned<int32_t>(data)));
}

classlib::TBookmarkFlag TFIBCustomDataSet::GetBookmarkFlag(classlib::TRecordBuffer buffer) {
  return static_cast<classlib::TBookmarkFlag>(buffer[kBookmarkFlagOffset]);
}

void TFIBCustomDataSet::SetBookmarkFlag(classlib::TRecordBuffer buffer,
                                        classlib::TBookmarkFlag flag) {
  if (buffer[kBookmarkFlagOffset] == classlib::bfInserted && flag == classlib::bfEOF)
    SetRecordIndexOf(buffer, LimitedCacheModel() && window_ != nullptr ? window_->LastIndex + 1
                                                                        : record_count_);
  buffer[kBookmarkFlagOffset] = static_cast<uint8_t>(flag);
}

// The Resync that the class library runs next ends the re-positioning: it
// enables controls and scroll events again, and it leaves the buffers alone
// when the record was not found, so the position stays as it was.
void TFIBCustomDataSet::InternalGotoBookmark(const void* bookmark) {
  controls_disabled_by_reposition_ = true;
  DisableControls();
  DisableScrollEvents();
  try {
    if (!BookmarkRecordExists(bookmark)) {
      ++skip_resync_;
      return;
    }
    if (LimitedCacheModel()) return LimitedGotoBookmark(bookmark);
    current_index_ = cache_->LogicalIndexOf(LoadUnaligned<int32_t>(bookmark));
  } catch (...) {
    controls_disabled_by_reposition_ = false;
    EnableScrollEvents();
    EnableControls();
    throw;
  }
}

// The limited model finds its records again by their keys; the standard
// model's record must still be in the cache of the same opening, and shown.
bool TFIBCustomDataSet::BookmarkRecordExists(const void* bookmark) {
  if (cache_ == nullptr) return false;
  if (LimitedCacheModel()) return true;
  const auto* bytes = static_cast<const uint8_t*>(bookmark);
  if (LoadUnaligned<uint32_t>(bytes + kBookmarkOpeningOffset) != opening_) return false;
  const int32_t identity = LoadUnaligned<int32_t>(bytes);
  if (!cache_->RecordExists(identity)) return false;
  const int index = cache_->LogicalIndexOf(identity);
  if (index < 0 || index >= record_count_ || !InRing(index)) return false;
  // Hidden by its status (deleted, or an insert cancelled): gone for the
  // user. A record the filter hides is not gone; the move steps past it.
  scratch_record_.assign(static_cast<size_t>(record_size_), 0);
  ReadRecordFromCache(index, scratch_record_.data(), false);
  return TFIBCustomDataSet::IsVisible(scratch_record_.data());
}

int TFIBCustomDataSet::CompareBookmarks(const classlib::TBookmark& a, const classlib::TBookmark& b) {
  if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? 1 : -1);
  if (cache_ == nullptr) return 0;
  const int left = cache_->LogicalIndexOf(LoadUnaligned<int32_t>(a.data()));
  const int right = cache_->LogicalIndexOf(LoadUnaligned<int32_t>(b.data()));
  return left < right ? -1 : (left > right ? 1 : 0);
}

bool TFIBCustomDataSet::BookmarkValid(const classlib::TBookmark& bookmark) {
  if (bookmark.size() < static_cast<size_t>(BookmarkSize()) || cache_ == nullptr) return false;
  if (LimitedCacheModel()) return true;
  const auto* bytes = bookmark.data();
  return LoadUnaligned<uint32_t>(bytes + kBookmarkOpeningOffset) == opening_ &&
         cache_->RecordExists(LoadUnaligned<int32_t>(bytes));
}

// ---- counters ----

void TFIBCustomDataSet::DisableCalcFields() { ++calc_disabled_; }

void TFIBCustomDataSet::EnableCalcFields() {
  if (calc_disabled_ == 0 || --calc_disabled_ != 0 || !Active()) return;
  DisableControls();
  DisableScrollEvents();
  try {
    Resync({classlib::rmExact});
  } catch (...) {
    EnableScrollEvents();
    EnableControls();
    throw;
  }
  EnableScrollEvents();
  EnableControls();
}

void TFIBCustomDataSet::DisableScrollEvents() { ++scroll_events_disabled_; }

void TFIBCustomDataSet::EnableScrollEvents() {
  if (scroll_events_disabled_ > 0) --scroll_events_disabled_;
}

}  // namespace fib
