// Expanding stored records into the data set's layout and back.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "classlib/exceptions.h"
#include "fib/records/mem_manager_error.h"
#include "fib/records/records_cache.h"

namespace fib {

namespace {

int32_t ReadLength(const uint8_t* at) {
  int32_t length;
  std::memcpy(&length, at, sizeof length);
  return length;
}

void WriteLength(uint8_t* at, int32_t length) { std::memcpy(at, &length, sizeof length); }

}  // namespace

// ---- layout ----

void TRecordsCache::SetStringLayout(int k, int offset, int width) {
  if (!strings_ || k < 1 || k > string_count_) return;
  if (offset < 0 || width < 0 ||
      int64_t{offset} + kTextLengthSize + width > int64_t{buffer_size_})
    throw EMemManagerError(kIncompatibleSizes);
  string_slots_[static_cast<size_t>(k - 1)] = {offset, width};
  layout_checked_ = false;
}

// The copies below trust the slots to lie back to back after the fixed part
// and the tail to fit behind them; a layout that breaks this would make them
// write past the caller's buffer, so it is refused once, before first use.
void TRecordsCache::CheckLayout() {
  if (layout_checked_ || string_count_ == 0) return;
  const int first = string_slots_.front().offset;
  int end = first;
  for (const StringSlot& slot : string_slots_) {
    if (slot.offset != end) throw EMemManagerError(kIncompatibleSizes);
    end += kTextLengthSize + slot.width;
  }
  if (first > record_size_ || int64_t{end} + (record_size_ - first) > buffer_size_)
    throw EMemManagerError(kIncompatibleSizes);
  expanded_size_ = end + record_size_ - first;
  layout_checked_ = true;
}

int TRecordsCache::ExpandedSize() {
  if (string_count_ == 0) return record_size_;
  CheckLayout();
  return expanded_size_;
}

void TRecordsCache::CheckBufferFully(size_t size) {
  if (size < static_cast<size_t>(ExpandedSize())) throw EMemManagerError(kIncompatibleSizes);
}

const std::string TRecordsCache::kNoText;

// ---- expanding and compacting ----

[[gnu::hot]] void TRecordsCache::Expand(const uint8_t* stored, TStringCollection* strings, int row,
                           std::span<uint8_t> destination) {
  uint8_t* out = destination.data();
  if (string_count_ == 0) {
    std::memcpy(out, stored, static_cast<size_t>(record_size_));
    return;
  }
  const int first = string_slots_.front().offset;
  std::memcpy(out, stored, static_cast<size_t>(first));
  for (int k = 0; k < string_count_; ++k) {
    const StringSlot& slot = string_slots_[static_cast<size_t>(k)];
    const std::string& text = strings ? CellOrEmpty(*strings, k, row) : kNoText;
    const size_t length = std::min(text.size(), static_cast<size_t>(slot.width));
    uint8_t* at = out + slot.offset;
    WriteLength(at, static_cast<int32_t>(length));
    std::memcpy(at + kTextLengthSize, text.data(), length);
    if (length < static_cast<size_t>(slot.width)) at[kTextLengthSize + length] = 0;
    // A text longer than its field is cut in the store too, so that every
    // later reader of the cell sees what the record shows.
    if (length < text.size()) [[unlikely]] strings->SetValue(k, row, text.substr(0, length));
  }
  if (first < record_size_) {
    const StringSlot& last = string_slots_.back();
    std::memcpy(out + last.offset + kTextLengthSize + last.width, stored + first,
                static_cast<size_t>(record_size_ - first));
  }
}

void TRecordsCache::Compact(std::span<const uint8_t> source, uint8_t* stored,
                           TStringCollection* strings, int row) {
  const uint8_t* in = source.data();
  if (string_count_ == 0) {
    std::memcpy(stored, in, static_cast<size_t>(record_size_));
    return;
  }
  const int first = string_slots_.front().offset;
  const StringSlot& last = string_slots_.back();
  std::memcpy(stored, in, static_cast<size_t>(first));
  std::memcpy(stored + first, in + last.offset + kTextLengthSize + last.width,
              static_cast<size_t>(record_size_ - first));

  EnsureRow(*strings, row);
  for (int k = 0; k < string_count_; ++k) {
    const StringSlot& slot = string_slots_[static_cast<size_t>(k)];
    // The length word comes from the caller's buffer: never take more than
    // the slot holds.
    const int32_t length = std::clamp(ReadLength(in + slot.offset), 0, slot.width);
    const char* text = reinterpret_cast<const char*>(in + slot.offset + kTextLengthSize);
    if (CellOrEmpty(*strings, k, row) != std::string_view(text, static_cast<size_t>(length)))
      strings->SetValueFromBuffer(k, row, length, text);
  }
}

// ---- reading and writing ----

void TRecordsCache::ReadRecordFully(int logical, std::span<uint8_t> destination, bool from_log) {
  CheckBuffer(destination.size());
  const int physical = RecordIndex(logical);
  if (from_log) [[unlikely]] {
    if (ReadSavedRecord(physical, destination)) return;
  }
  const uint8_t* stored = StoredRecord(physical);
  if (stored == nullptr) [[unlikely]] throw EMemManagerError(kCantReadBuffer);
  Expand(stored, strings_.get(), physical - 1, destination);
}

bool TRecordsCache::ReadSavedRecord(int physical, std::span<uint8_t> destination) {
  const std::optional<TLogEntry> entry = FindLogEntry(physical, false);
  if (!entry) return false;
  const uint8_t* saved = LogRecord(entry->slot);
  if (saved == nullptr) throw EMemManagerError(kCantReadLogBuffer);
  Expand(saved, log_strings_.get(), entry->slot - 1, destination);
  return true;
}

void TRecordsCache::WriteRecord(int logical, std::span<const uint8_t> source, bool allocate) {
  if (!source.empty()) CheckBuffer(source.size());
  const int page = BlockOfIndex(logical, allocate, false);
  if (page < 0 || page >= PageCount()) throw EMemManagerError(kCantWriteBuffer);
  const int physical = RecordIndex(logical);
  uint8_t* stored = StoredRecord(physical);
  if (source.empty()) {
    std::memset(stored, 0, static_cast<size_t>(record_size_));
    return;
  }
  Compact(source, stored, strings_.get(), physical - 1);
}

TFieldDataRef TRecordsCache::ReadFieldData(int logical, int field_offset,
                                           uint8_t*& record_pointer, int string_index) {
  const int physical = RecordIndex(logical);
  uint8_t* stored = StoredRecord(physical);
  if (stored == nullptr) throw EMemManagerError(kCantReadFieldData);
  record_pointer = stored;
  if (string_index == -1 || string_count_ == 0) {
    CLASSLIB_ASSERT(field_offset >= 0 && field_offset < record_size_);
    return {stored + field_offset, nullptr};
  }
  CLASSLIB_ASSERT(string_index >= 0 && string_index < string_count_);
  if (physical - 1 >= strings_->RowCount()) throw EMemManagerError(kCantReadFieldData);
  return {nullptr, &strings_->GetCellRef(string_index, physical - 1)};
}

}  // namespace fib
