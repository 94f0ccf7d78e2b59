#include "fib/statements/blob_filters.h"

#include <algorithm>

namespace fib {

void TIBBlobFilters::Add(int32_t sub_type, TBlobFilterProc read_filter,
                         TBlobFilterProc write_filter) {
  int index = 0;
  if (Find(sub_type, index)) {
    filters_[index].read_filter = std::move(read_filter);
    filters_[index].write_filter = std::move(write_filter);
    return;
  }
  filters_.push_back({sub_type, std::move(read_filter), std::move(write_filter)});
  sorted_ = false;
}

bool TIBBlobFilters::Find(int32_t sub_type, int& index) {
  index = 0;
  if (filters_.empty()) return false;
  if (!sorted_) {
    std::stable_sort(filters_.begin(), filters_.end(),
                     [](const Entry& a, const Entry& b) { return a.sub_type < b.sub_type; });
    sorted_ = true;
  }
  auto it = std::lower_bound(filters_.begin(), filters_.end(), sub_type,
                             [](const Entry& e, int32_t value) { return e.sub_type < value; });
  index = static_cast<int>(it - filters_.begin());
  return it != filters_.end() && it->sub_type == sub_type;
}

TBlobFilterProc TIBBlobFilters::GetFilter(int32_t sub_type, bool for_read) {
  int index = 0;
  if (!Find(sub_type, index)) return nullptr;
  return for_read ? filters_[index].read_filter : filters_[index].write_filter;
}

void TIBBlobFilters::ApplyFilter(std::string& buffer, bool for_read, int32_t sub_type) {
  if (sub_type >= 0 || buffer.empty()) return;
  if (auto filter = GetFilter(sub_type, for_read)) filter(buffer);
}

bool BlobSubTypeHasFilter(TIBBlobFilters* filters, int32_t sub_type) {
  int index = 0;
  return filters != nullptr && filters->Find(sub_type, index);
}

void FilterBlobBuffer(TIBBlobFilters* filters, std::string& buffer, bool for_read,
                      int32_t sub_type) {
  if (filters != nullptr) filters->ApplyFilter(buffer, for_read, sub_type);
}

}  // namespace fib
