// The record-buffer ring of TDataSet: allocation, the fetch steps that keep
// the ring filled around the cursor, and Resync.
#include <algorithm>

#include "classlib/data_link.h"
#include "classlib/dataset.h"

namespace classlib {

// The base keeps no records: a data set that opens overrides these.
TRecordBuffer TDataSet::AllocRecordBuffer() { return nullptr; }
void TDataSet::FreeRecordBuffer(TRecordBuffer& buffer) { buffer = nullptr; }
void TDataSet::InternalInitRecord(TRecordBuffer) {}
TGetResult TDataSet::GetRecord(TRecordBuffer, TGetMode, bool) { return grError; }
void TDataSet::GetBookmarkData(TRecordBuffer, void*) {}
void TDataSet::SetBookmarkData(TRecordBuffer, const void*) {}
TBookmarkFlag TDataSet::GetBookmarkFlag(TRecordBuffer) { return bfCurrent; }
void TDataSet::SetBookmarkFlag(TRecordBuffer, TBookmarkFlag) {}
void TDataSet::InternalGotoBookmark(const void*) {}
void TDataSet::InternalSetToRecord(TRecordBuffer) {}
void TDataSet::InternalFirst() {}
void TDataSet::InternalLast() {}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

TRecordBuffer TDataSet::GetActiveRecordBuffer() const {
  switch (state_) {
    case dsBrowse:
    case dsBlockRead:
      return IsEmpty() ? nullptr : buffers_[static_cast<std::size_t>(active_record_)];
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsOldValue:
    case dsCurValue:
      return record_count_ == 0 ? nullptr : buffers_[static_cast<std::size_t>(active_record_)];
    case dsCalcFields:
    case dsInternalCalc:
      return calc_buffer_;
    case dsFilter:
      return filter_buffer_;
    default:
      return nullptr;
  }
}

bool TDataSet::IsEmpty() const { return active_record_ >= record_count_; }

// ---- Allocation ------------------------------------------------------------

void TDataSet::AllocateBuffers() {
  // The ring wants as many records as the most demanding link shows.
  int wanted = 1;
  for (TDataSource* source : data_sources_)
    for (TDataLink* link : source->DataLinks()) wanted = std::max(wanted, link->BufferCount());
  SetBufferCount(wanted);
}

void TDataSet::SetBufferCount(int count) {
  count = std::max(count, 1);
  if (count == buffer_count_ && !buffers_.empty()) return;
  const std::size_t total = static_cast<std::size_t>(count) + 1;
  while (buffers_.size() > total) {
    TRecordBuffer buffer = buffers_.back();
    buffers_.pop_back();
    FreeRecordBuffer(buffer);
  }
  while (buffers_.size() < total) buffers_.push_back(AllocRecordBuffer());
  buffer_count_ = count;
  // A shrunk ring drops the records past its end, keeping the active one.
  if (record_count_ > buffer_count_) {
    int drop = std::min(active_record_, record_count_ - buffer_count_);
    for (int i = 0; i < drop; ++i) MoveBuffer(0, static_cast<int>(buffers_.size()) - 1);
    active_record_ -= drop;
    record_count_ = std::min(record_count_ - drop, buffer_count_);
    current_record_ = -1;
  } else if (state_ == dsBrowse && record_count_ > 0) {
    // A grown ring fills up with the records that now fit.
    UpdateCursorPos();
    GetNextRecords();
    GetPriorRecords();
  }
}

void TDataSet::FreeBuffers() {
  for (TRecordBuffer& buffer : buffers_) FreeRecordBuffer(buffer);
  buffers_.clear();
  buffer_count_ = 0;
}

void TDataSet::ClearBuffers() {
  record_count_ = 0;
  active_record_ = 0;
  current_record_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::ActivateBuffers() {
  record_count_ = 1;
  active_record_ = 0;
  current_record_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::RotateBuffers(int from, int to) {
  if (from == to) return;
  auto first = buffers_.begin();
  if (from < to)
    std::rotate(first + from, first + from + 1, first + to + 1);
  else
    std::rotate(first + to, first + from, first + from + 1);
}

// ---- Cursor position -------------------------------------------------------

void TDataSet::MoveCursorToBuffer(int index) {
  TRecordBuffer buffer = buffers_[static_cast<std::size_t>(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  current_record_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (record_count_ > 0) SetCurrentRecord(active_record_);
}

// ---- Fetch steps -----------------------------------------------------------

bool TDataSet::GetPriorRecord() {
  if (record_count_ > 0) SetCurrentRecord(0);
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (GetRecord(spare, gmPrior, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (record_count_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(record_count_, 0);
    if (record_count_ < buffer_count_) {
      ++record_count_;
      ++active_record_;
    }
  }
  current_record_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int count = 0;
  while (record_count_ < buffer_count_ && GetNextRecord()) ++count;
  return count;
}

int TDataSet::GetPriorRecords() {
  int count = 0;
  while (record_count_ < buffer_count_ && GetPriorRecord()) ++count;
  return count;
}

void TDataSet::Resync(TResyncMode mode) {
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(record_count_)];
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError("Record not found", this);
  } else if (GetRecord(spare, gmCurrent, false) != grOK &&
             GetRecord(spare, gmNext, false) != grOK &&
             GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int before = mode.Contains(rmCenter) ? (buffer_count_ - 1) / 2 : active_record_;
  MoveBuffer(record_count_, 0);
  ActivateBuffers();
  try {
    while (before > 0 && GetPriorRecord()) --before;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange, 0);
    throw;
  }
  DataEvent(deDataSetChange, 0);
}

}  // namespace classlib
