#include "fib/records/records_cache.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "fib/records/mem_manager_error.h"

namespace fib {

namespace {

// Pages smaller than this hold too few records to be worth a page each.
constexpr int kMinBlockSize = 1024;

// Bytes of records cleared at once, the one first reached with those after
// it: small enough for the library to clear them with vector stores.
constexpr int kClearedRunBytes = 1024;

[[noreturn]] void Raise(const char* message) { throw EMemManagerError(message); }

}  // namespace

TRecordsCache::TRecordsCache(int block_records, int buffer_size, int record_size,
                             int string_count) {
  // A stored record is the expanded record with its text slots cut out, so
  // it can never be the larger one; a zero size would divide by zero below.
  if (record_size <= 0 || buffer_size <= 0 || record_size > buffer_size)
    Raise(kIncompatibleSizes);
  int64_t block_size = int64_t{record_size} * std::max(block_records, 0);
  if (block_size < kMinBlockSize)
    block_size = int64_t{buffer_size} + kMinBlockSize - kMinBlockSize % buffer_size;
  if (block_size > INT_MAX || record_size > block_size) Raise(kIncompatibleSizes);

  block_size_ = static_cast<int>(block_size);
  record_size_ = record_size;
  buffer_size_ = buffer_size;
  records_per_block_ = block_size_ / record_size_;
  string_count_ = std::max(string_count, 0);
  if (string_count_ > 0) {
    strings_ = std::make_unique<TStringCollection>(string_count_);
    string_slots_.resize(static_cast<size_t>(string_count_));
  }
  current_.assign(static_cast<size_t>(buffer_size_), 1);
}

TRecordsCache::~TRecordsCache() = default;

// ---- pages ----

TRecordsCache::Page TRecordsCache::NewPage() const {
  return std::make_unique<uint8_t[]>(static_cast<size_t>(block_size_));  // zero-filled
}

TRecordsCache::Page TRecordsCache::NewRecordPage() const {
  return std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(block_size_));
}

void TRecordsCache::AddPage() { pages_.push_back(NewRecordPage()); }

void TRecordsCache::ClearRecordsUpTo(int physical) {
  // Records beyond the one asked for are cleared on its page only: a page
  // not made yet has nothing to clear.
  const int page = (physical - 1) / records_per_block_;
  const int ahead = std::max(kClearedRunBytes / record_size_ - 1, 0);
  const int run_end = std::min((page + 1) * records_per_block_, physical + ahead);
  int number = cleared_records_ + 1;
  while (number <= run_end) {
    const int number_page = (number - 1) / records_per_block_;
    const int last = std::min((number_page + 1) * records_per_block_, run_end);
    std::memset(pages_[static_cast<size_t>(number_page)].get() +
                    (number - 1 - number_page * records_per_block_) * record_size_,
                0, static_cast<size_t>(last - number + 1) * static_cast<size_t>(record_size_));
    number = last + 1;
  }
  cleared_records_ = run_end;
}

// ---- record numbers and addresses ----

uint8_t* TRecordsCache::GrowPages(int logical) {
  if (logical < 1) Raise(kCantWriteBuffer);
  if (has_order_ && static_cast<int>(order_.size()) < logical) {
    while (static_cast<int>(order_.size()) < logical) order_.push_back(++record_count_);
    if (strings_) EnsureRow(*strings_, record_count_ - 1);
  } else {
    record_count_ = std::max(record_count_, logical);
  }
  const int physical = RecordIndex(logical);
  // Add every page up to the record's: a caller may ask several pages ahead.
  const int page = (physical - 1) / records_per_block_;
  while (page >= PageCount()) AddPage();
  return StoredRecord(physical);
}

int TRecordsCache::OffsetInBlock(int number, bool is_physical) const {
  const int physical = is_physical ? number : RecordIndex(number);
  return (physical - 1) % records_per_block_ * record_size_;
}

int TRecordsCache::BlockOfIndex(int number, bool allocate, bool is_physical) {
  if (allocate) {
    Grow(number);
    record_count_ = std::max(record_count_, number);
  }
  const int physical = is_physical ? number : RecordIndex(number);
  if (physical < 1) return -1;
  return (physical - 1) / records_per_block_;
}

uint8_t* TRecordsCache::GetRecordBuffer(int logical) {
  uint8_t* record = RecordPointer(logical);
  if (record == nullptr) Raise(kCantReadBuffer);
  return record;
}

uint8_t* TRecordsCache::RecordPointer(int logical) { return StoredRecord(RecordIndex(logical)); }

// ---- the current buffer ----

void TRecordsCache::BlankCurrent() { std::fill(current_.begin(), current_.end(), uint8_t{1}); }

uint8_t* TRecordsCache::GetCurrentBuffer(int logical) {
  if (log_mode_) {
    // The log copy wins when the record has one; CurrentRecNo stays.
    if (logical > record_count_)
      BlankCurrent();
    else
      ReadRecord(logical, current_, true);
  } else if (current_rec_no_ != logical) {
    LoadCurrentBuffer(logical);
  }
  return current_.data();
}

void TRecordsCache::LoadCurrentBuffer(int logical) {
  if (log_mode_) {
    SaveToLog(logical);
    return;
  }
  if (logical > record_count_)
    BlankCurrent();
  else
    ReadRecord(logical, current_, false);
  current_rec_no_ = logical;
}

void TRecordsCache::WriteCurrent(int logical) {
  const uint8_t* buffer = GetCurrentBuffer(logical);
  WriteRecord(logical, std::span<const uint8_t>(buffer, current_.size()), false);
}

}  // namespace fib
