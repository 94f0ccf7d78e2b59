// The bounds a fetch applies to the bytes the server delivered before the
// record keeps them: the lengths of texts and RAW values bounded by the
// cell that holds them, so that a wrong length word or a missing
// terminator cannot make a copy read past it.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "classlib/unaligned.h"
#include "dacore/heap_string.h"

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

// The bytes of a fetch-buffer cell of `capacity` characters and their
// terminator are followed by padding up to a multiple of 8, which may be
// read: texts there are measured and copied by words.
inline size_t CellWords(size_t bytes) { return (bytes + 7) / 8; }

// BoundedStrLen of a padded cell.
inline size_t CellTextLength(const uint8_t* cell, size_t capacity) {
  static_assert(std::endian::native == std::endian::little, "the first zero byte is the lowest");
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kHighs = 0x8080808080808080;
  for (size_t at = 0;; at += 8) {
    const auto word = classlib::LoadUnaligned<uint64_t>(cell + at);
    // Marks every zero byte, and none below the first one.
    const uint64_t zeros = (word - kOnes) & ~word & kHighs;
    if (zeros != 0) return std::min(at + static_cast<size_t>(std::countr_zero(zeros)) / 8, capacity);
    if (at + 8 > capacity) return capacity;
  }
}

// The text of a padded cell as a new zero-terminated heap string, its
// trailing blanks dropped with `trim` (what AllocStr makes of it).
inline char* HeapTextOfCell(dacore::TStringHeap& heap, const uint8_t* cell, size_t capacity, bool trim) {
  size_t length = CellTextLength(cell, capacity);
  if (trim)
    while (length > 0 && cell[length - 1] == ' ') --length;
  auto* text = static_cast<char*>(heap.NewBuf(static_cast<int>(length + 1)));
  if (length < dacore::TStringHeap::kSmallSize) {
    // A small buffer holds whole words; the cell's padding covers them.
    for (size_t word = 0; word < CellWords(length); ++word)
      classlib::StoreUnaligned(text + 8 * word, classlib::LoadUnaligned<uint64_t>(cell + 8 * word));
  } else {
    std::memcpy(text, cell, length);
  }
  text[length] = '\0';
  return text;
}

}  // namespace oracle
