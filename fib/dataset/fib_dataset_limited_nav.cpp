// Walking the limited cache model's window: GetRecord, the two ends, going
// to a bookmark.
#include <cstring>

#include "classlib/field.h"
#include "fib/base/screen_cursor.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_query.h"

namespace fib {

using classlib::TField;
using classlib::TRecordBuffer;
using classlib::Variant;

classlib::Variant LocateKeyValue(const classlib::Variant& key_values, size_t k) {
  if (!classlib::VarIsArray(key_values)) return key_values;
  return classlib::VarArrayGet(key_values,
                               {classlib::VarArrayLowBound(key_values, 1) + static_cast<int>(k)});
}

// ---- the data set as the navigator's host ----

void TLimitedCacheSortValues::Load(const uint8_t* record) {
  keys_.assign(static_cast<size_t>(layout_.size), 0);
  WriteBookmarkKeys(layout_, record, keys_.data());
}

bool TLimitedCacheSortValues::FieldExist(const std::string& name, int& index) const {
  for (size_t k = 0; k < layout_.keys.size(); ++k) {
    if (layout_.keys[k].field_name == name) {
      index = static_cast<int>(k);
      return true;
    }
  }
  return false;
}

Variant TLimitedCacheSortValues::FieldValue(int index, bool) const {
  return BookmarkKeyValue(layout_.keys[static_cast<size_t>(index)], keys_.data());
}

TLimitedCacheHost::TLimitedCacheHost(TFIBCustomDataSet& data_set, BookmarkLayout sort_layout)
    : data_set_(data_set), values_(std::move(sort_layout)) {}

void TLimitedCacheHost::StoreRow(TFIBQuery& statement, int index) {
  data_set_.FetchRecordToCache(statement, index);
}

void TLimitedCacheHost::ShiftBufferIndexes(int delta) {
  if (data_set_.TempBuffer() == nullptr) return;
  for (int i = 0; i <= data_set_.BufferCount(); ++i) {
    uint8_t* index = data_set_.Buffers(i) + kRecIndexOffset;
    int32_t value = 0;
    std::memcpy(&value, index, sizeof value);
    value += delta;
    std::memcpy(index, &value, sizeof value);
  }
}

ISQLObject& TLimitedCacheHost::RecordValues(int index) {
  record_.assign(static_cast<size_t>(data_set_.GetRecordSize()), 0);
  data_set_.ReadRecordFromCache(index, record_.data(), false);
  values_.Load(record_.data());
  return values_;
}

ISQLObject& TLimitedCacheHost::CurrentValues() { return data_set_; }

// ---- GetRecord and the ends ----

classlib::TGetResult TFIBCustomDataSet::GetLimitedRecord(TRecordBuffer buffer,
                                                         classlib::TGetMode mode) {
  WindowStep step;
  if (mode == classlib::gmNext)
    step = navigator_->Next();
  else if (mode == classlib::gmPrior)
    step = navigator_->Prior();
  else
    step = navigator_->AtCursor();
  switch (step) {
    case WindowStep::kOK:
      ReadRecordFromCache(current_index_, buffer, false);
      return classlib::grOK;
    case WindowStep::kBOF:
      return classlib::grBOF;
    case WindowStep::kEOF:
      return classlib::grEOF;
    default:
      return classlib::grError;
  }
}

void TFIBCustomDataSet::LimitedFirst() { navigator_->GoFirst(); }

void TFIBCustomDataSet::LimitedLast() {
  const bool inserting = State() == classlib::dsInsert;
  if (inserting || window_->AtEnd) return navigator_->GoLast(inserting);
  FreeAllBlobStreams();
  const TScreenCursorGuard cursor(sql_screen_cursor_);
  navigator_->GoLast(inserting);
}

void TFIBCustomDataSet::FillLimitedCacheAround(int target_index, bool execute_first,
                                               bool give_up_on_empty) {
  navigator_->FillAround(*QRefresh(), target_index, give_up_on_empty, execute_first);
}

// ---- bookmarks ----

void TFIBCustomDataSet::WriteLimitedBookmarkKeys(TRecordBuffer buffer, void* data) {
  WriteBookmarkKeys(bookmark_layout_, buffer, static_cast<uint8_t*>(data));
}

bool TFIBCustomDataSet::WindowRecordMatches(int index, const uint8_t* bookmark,
                                            bool ignore_identity) {
  const auto size = static_cast<size_t>(bookmark_layout_.size);
  scratch_record_.assign(static_cast<size_t>(GetRecordSize()), 0);
  ReadRecordFromCache(index, scratch_record_.data(), false);
  std::vector<uint8_t> built(size, 0);
  const int32_t identity = RecordsCache()->PhysicalNoAt(index);
  std::memcpy(built.data(), &identity, sizeof identity);
  WriteBookmarkKeys(bookmark_layout_, scratch_record_.data(), built.data());
  return BookmarksMatch(built, {bookmark, size}, ignore_identity);
}

void TFIBCustomDataSet::LimitedGotoBookmark(const void* data) {
  const auto* bookmark = static_cast<const uint8_t*>(data);
  int32_t identity = 0;
  std::memcpy(&identity, bookmark, sizeof identity);
  const int position = RecordsCache()->LogicalIndexOf(identity);
  if (navigator_->Contains(position) && WindowRecordMatches(position, bookmark, false)) {
    current_index_ = position;
    return;
  }
  for (int i = window_->FirstIndex; i >= 0 && i <= window_->LastIndex; ++i) {
    if (WindowRecordMatches(i, bookmark, true)) {
      current_index_ = i;
      return;
    }
  }
  // The record left the window: refill it around the row of its keys.
  TFIBQuery* locate = LimitedCacheQuery("SelectLocate");
  locate->Close();
  for (const BookmarkKey& key : bookmark_layout_.keys) {
    TFIBXSQLVAR& param = locate->ParamByName(kLocateParamPrefix + key.field_name);
    const Variant value = BookmarkKeyValue(key, bookmark);
    if (classlib::VarIsNull(value))
      param.SetIsNull(true);
    else
      param.SetAsVariant(value);
  }
  int target = identity - 1;
  if (navigator_->FillAround(*locate, target, true, true))
    current_index_ = target;
  else
    ++skip_resync_;
}

}  // namespace fib
