#include "oracle/rset_row_copy.h"

#include <cstring>

namespace oracle {

size_t BoundedStrLen(const void* cell, size_t capacity) {
  const void* end = std::memchr(cell, 0, capacity);
  return end ? static_cast<size_t>(static_cast<const char*>(end) - static_cast<const char*>(cell)) : capacity;
}

size_t BoundedStrLenW(const void* cell, size_t capacity) {
  const auto* bytes = static_cast<const uint8_t*>(cell);
  for (size_t i = 0; i < capacity; ++i)
    if (bytes[2 * i] == 0 && bytes[2 * i + 1] == 0) return i;
  return capacity;
}

}  // namespace oracle
