#include "fib/records/pending_arrays.h"

#include <utility>

namespace fib {

ISC_QUAD TPendingArrays::Add(std::vector<char> slice) {
  const uint32_t key = next_key_++;
  slices_.emplace(key, std::move(slice));
  edit_keys_.push_back(key);
  return IdOf(key);
}

ISC_QUAD TPendingArrays::Keep(std::vector<char> slice) {
  const uint32_t key = next_key_++;
  slices_.emplace(key, std::move(slice));
  return IdOf(key);
}

const std::vector<char>* TPendingArrays::Find(const ISC_QUAD& id) const {
  if (!IsPending(id)) return nullptr;
  auto found = slices_.find(id.gds_quad_low);
  return found == slices_.end() ? nullptr : &found->second;
}

void TPendingArrays::CancelEdit() {
  for (uint32_t key : edit_keys_) slices_.erase(key);
  edit_keys_.clear();
}

bool TPendingArrays::WrittenIn(const ISC_QUAD& pending, isc_tr_handle tr,
                               ISC_QUAD& written) const {
  for (const Written& item : written_) {
    if (item.key == pending.gds_quad_low && item.tr == tr) {
      written = item.written;
      return true;
    }
  }
  return false;
}

void TPendingArrays::NoteWritten(const ISC_QUAD& pending, isc_tr_handle tr,
                                 const ISC_QUAD& written) {
  written_.push_back({pending.gds_quad_low, tr, written});
}

void TPendingArrays::Clear() {
  slices_.clear();
  edit_keys_.clear();
  written_.clear();
}

}  // namespace fib
