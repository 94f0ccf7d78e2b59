// Byte arrays and unaligned access. Record, piece and heap-buffer slots carry
// no alignment, and packets put values at any offset, so every value read
// from or written to raw memory is copied with memcpy.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "classlib/unaligned.h"

namespace dacore {

// A dynamic array of bytes with its length.
using TBytes = std::vector<uint8_t>;

using classlib::LoadUnaligned;
using classlib::StoreUnaligned;

// The address `offset` bytes after `base`.
inline void* OffsetPtr(void* base, std::ptrdiff_t offset) {
  return static_cast<uint8_t*>(base) + offset;
}
inline const void* OffsetPtr(const void* base, std::ptrdiff_t offset) {
  return static_cast<const uint8_t*>(base) + offset;
}

// Copies count bytes between two memory areas that may overlap.
class Buffer {
 public:
  static void CopyBlock(const void* src, int srcOffset, void* dst, int dstOffset, int count) {
    if (count > 0) std::memmove(OffsetPtr(dst, dstOffset), OffsetPtr(src, srcOffset), count);
  }
  static void CopyBlock(const TBytes& src, int srcOffset, TBytes& dst, int dstOffset, int count) {
    CopyBlock(src.data(), srcOffset, dst.data(), dstOffset, count);
  }
};

}  // namespace dacore
