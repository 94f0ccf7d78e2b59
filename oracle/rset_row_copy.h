// The bounds a fetch applies to the bytes the server delivered before the
// record keeps them: the lengths of texts and RAW values bounded by the
// cell that holds them, so that a wrong length word or a missing
// terminator cannot make a copy read past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace oracle {

// The length of a zero-terminated text in a cell of `capacity` bytes.
size_t BoundedStrLen(const void* cell, size_t capacity);
// The length in code units of a zero-terminated UTF-16 text in a cell of
// `capacity` code units.
size_t BoundedStrLenW(const void* cell, size_t capacity);
// The length word in front of a RAW value, at most `capacity`.
inline uint16_t BoundedVarLength(const void* cell, uint16_t capacity) {
  uint16_t length;
  std::memcpy(&length, cell, sizeof length);
  return length < capacity ? length : capacity;
}

}  // namespace oracle
