// The order list: which physical record stands at each logical position.
// Reordering touches only these numbers, never the records.
#include <algorithm>
#include <numeric>
#include <string>

#include "classlib/exceptions.h"
#include "fib/records/records_cache.h"

namespace fib {

void TRecordsCache::EnsureOrderList() {
  if (has_order_) return;
  order_.resize(static_cast<size_t>(record_count_));
  std::iota(order_.begin(), order_.end(), 1);
  has_order_ = true;
}

// Positions from 0 up to, not including, limit.
void TRecordsCache::CheckPosition(int position, int limit) const {
  if (position < 0 || position >= limit)
    throw classlib::EListError("List index out of bounds (" + std::to_string(position) + ")");
}

// Every change of order moves records under their logical numbers, so the
// current buffer no longer holds the record of CurrentRecNo.

void TRecordsCache::SwapRecords(int i, int j) {
  EnsureOrderList();
  const int count = static_cast<int>(order_.size());
  CheckPosition(i, count);
  CheckPosition(j, count);
  std::swap(order_[static_cast<size_t>(i)], order_[static_cast<size_t>(j)]);
  OrderChanged();
}

void TRecordsCache::MoveRecord(int from, int to) {
  EnsureOrderList();
  if (from == to) return;
  const int count = static_cast<int>(order_.size());
  CheckPosition(from, count);
  CheckPosition(to, count);
  const int32_t physical = order_[static_cast<size_t>(from)];
  order_.erase(order_.begin() + from);
  order_.insert(order_.begin() + to, physical);
  OrderChanged();
}

void TRecordsCache::InsertRecord(int position) {
  EnsureOrderList();
  CheckPosition(position, static_cast<int>(order_.size()) + 1);
  ++record_count_;
  order_.insert(order_.begin() + position, record_count_);
  if (strings_) EnsureRow(*strings_, record_count_ - 1);
  OrderChanged();
}

// Without an order list the record would stay visible under its number, so
// deleting makes the list first like every other change of order.
void TRecordsCache::DeleteRecord(int logical) {
  EnsureOrderList();
  CheckPosition(logical - 1, static_cast<int>(order_.size()));
  const int32_t physical = order_[static_cast<size_t>(logical - 1)];
  if (physical == record_count_) {
    --record_count_;
    DropLogEntry(physical);
  }
  // Rows follow physical numbers: the other records keep theirs.
  if (strings_ && physical - 1 < strings_->RowCount())
    for (int k = 0; k < string_count_; ++k) strings_->SetValue(k, physical - 1, std::string());
  order_.erase(order_.begin() + (logical - 1));
  OrderChanged();
}

int TRecordsCache::LogicalIndexOf(int physical) const {
  if (!has_order_) return physical - 1;
  const int guess = physical - 1;
  if (guess >= 0 && guess < static_cast<int>(order_.size()) &&
      order_[static_cast<size_t>(guess)] == physical)
    return guess;
  const auto at = std::find(order_.begin(), order_.end(), physical);
  return at == order_.end() ? -1 : static_cast<int>(at - order_.begin());
}

// Physical numbers start at 1, so neither 0 nor a negative number is a record.
bool TRecordsCache::RecordExists(int number) const {
  if (number < 1) return false;
  if (!has_order_) return number <= record_count_;
  return LogicalIndexOf(number) >= 0;
}

}  // namespace fib
