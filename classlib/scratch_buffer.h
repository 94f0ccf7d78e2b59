// A zero-filled work buffer for one value: on the stack up to N bytes, on
// the heap beyond. Reads of single values use it so that the usual sizes
// cost no allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace classlib {

template <std::size_t N>
class TScratchBuffer {
 public:
  explicit TScratchBuffer(std::size_t size) {
    if (size > N) heap_.assign(size, 0);
    else std::memset(local_, 0, size);
  }
  TScratchBuffer(const TScratchBuffer&) = delete;
  TScratchBuffer& operator=(const TScratchBuffer&) = delete;
  uint8_t* Data() { return heap_.empty() ? local_ : heap_.data(); }

 private:
  alignas(8) uint8_t local_[N];
  std::vector<uint8_t> heap_;
};

}  // namespace classlib
