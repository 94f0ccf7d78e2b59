// The log: earlier contents of records, for cached updates to fall back on.
// Saved records lie in log pages by slot; a sorted index finds a physical
// number's slot by binary search.
#include <algorithm>
#include <cstring>

#include "fib/records/mem_manager_error.h"
#include "fib/records/records_cache.h"

namespace fib {

namespace {

bool BeforeNumber(const TLogEntry& entry, int physical) { return entry.physical < physical; }

}  // namespace

uint8_t* TRecordsCache::LogRecord(int slot) {
  if (slot < 1) return nullptr;
  const int page = (slot - 1) / records_per_block_;
  if (page >= LogPageCount()) return nullptr;
  return log_pages_[static_cast<size_t>(page)].get() +
         (slot - 1) % records_per_block_ * record_size_;
}

TLogEntry TRecordsCache::FindOrInsertLogEntry(int physical, bool& inserted) {
  auto at = std::lower_bound(log_index_.begin(), log_index_.end(), physical, BeforeNumber);
  inserted = at == log_index_.end() || at->physical != physical;
  if (inserted) at = log_index_.insert(at, TLogEntry{physical, ++log_slots_});
  return *at;
}

std::optional<TLogEntry> TRecordsCache::FindLogEntry(int physical, bool insert) {
  if (insert) {
    bool inserted;
    return FindOrInsertLogEntry(physical, inserted);
  }
  auto at = std::lower_bound(log_index_.begin(), log_index_.end(), physical, BeforeNumber);
  if (at == log_index_.end() || at->physical != physical) return std::nullopt;
  return *at;
}

void TRecordsCache::SaveToLog(int logical) {
  const int physical = RecordIndex(logical);
  const uint8_t* stored = StoredRecord(physical);
  // Checked before the index changes: a slot must never stand for nothing.
  if (stored == nullptr) throw EMemManagerError(kCantReadBuffer);

  bool inserted;
  const int slot = FindOrInsertLogEntry(physical, inserted).slot;
  while ((slot - 1) / records_per_block_ >= LogPageCount()) log_pages_.push_back(NewPage());
  std::memcpy(LogRecord(slot), stored, static_cast<size_t>(record_size_));

  if (!strings_) return;
  if (!log_strings_) log_strings_ = std::make_unique<TStringCollection>(string_count_);
  EnsureRow(*log_strings_, slot - 1);
  for (int k = 0; k < string_count_; ++k)
    log_strings_->SetValue(k, slot - 1, CellOrEmpty(*strings_, k, physical - 1));
}

bool TRecordsCache::WriteSavedRecord(int logical, std::span<const uint8_t> source) {
  CheckBuffer(source.size());
  const std::optional<TLogEntry> entry = FindLogEntry(RecordIndex(logical), false);
  if (!entry) return false;
  uint8_t* saved = LogRecord(entry->slot);
  if (saved == nullptr) throw EMemManagerError(kCantWriteBuffer);
  if (string_count_ > 0 && !log_strings_) log_strings_ = std::make_unique<TStringCollection>(string_count_);
  Compact(source, saved, log_strings_.get(), entry->slot - 1);
  return true;
}

void TRecordsCache::ClearLog() {
  log_pages_.clear();
  log_index_.clear();
  log_slots_ = 0;
}

// A physical number given back for reuse must not find the log copy of the
// record that had it before. Its slot stays taken: slots are handed out
// from their own counter, never from the entry count.
void TRecordsCache::DropLogEntry(int physical) {
  auto at = std::lower_bound(log_index_.begin(), log_index_.end(), physical, BeforeNumber);
  if (at != log_index_.end() && at->physical == physical) log_index_.erase(at);
}

}  // namespace fib
