// Bytes a fetch delivered through the conversions that make record values
// of them: any seven DATE bytes give a date-time or a null without raising,
// the day cache changes no answer, the length of a text, wide text or RAW
// cell never exceeds the cell, and a text measured and copied by words is
// the one a byte scan finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "oracle/cursor_conversions.h"
#include "oracle/rset_row_copy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size >= 7) {
    double value = 0;
    oracle::OraDateToDateTime(data, value);
    // The day cache answers what the conversion answers.
    oracle::TDayCache cache;
    double cached = 0;
    const bool first = oracle::OraDateToDateTime(data, cached, &cache);
    if (first != oracle::OraDateToDateTime(data, value, &cache) || (first && cached != value)) std::abort();
    // A cache filled by the first day of the same month answers the same.
    uint8_t month_first[7];
    std::memcpy(month_first, data, 7);
    month_first[3] = 1;
    oracle::TDayCache month;
    oracle::OraDateToDateTime(month_first, value, &month);
    const bool plain = oracle::OraDateToDateTime(data, value);
    if (plain != oracle::OraDateToDateTime(data, cached, &month) || (plain && cached != value)) std::abort();
  }
  // The cell is exactly the input, so a read past it is caught.
  std::vector<uint8_t> cell(data, data + size);
  if (size > 0 && oracle::BoundedStrLen(cell.data(), size) > size) std::abort();
  if (size >= 2 && oracle::BoundedStrLenW(cell.data(), size / 2) > size / 2) std::abort();
  if (size >= 2) {
    const auto capacity = static_cast<uint16_t>(size - 2);
    if (oracle::BoundedVarLength(cell.data(), capacity) > capacity) std::abort();
  }
  // A fetch-buffer cell of the input's characters and its terminator byte,
  // padded to words and no further: measured by words it gives what the
  // byte scan gives, and its heap copy is what AllocStr makes of it.
  if (size > 0) {
    const size_t capacity = size - 1;
    std::vector<uint8_t> padded(oracle::CellWords(size) * 8, 0xA5);
    std::memcpy(padded.data(), data, size);
    const size_t length = oracle::BoundedStrLen(padded.data(), capacity);
    if (oracle::CellTextLength(padded.data(), capacity) != length) std::abort();
    dacore::TStringHeap heap;
    const bool trim = (data[0] & 1) != 0;
    const char* copy = oracle::HeapTextOfCell(heap, padded.data(), capacity, trim);
    const char* expected = heap.AllocStr(reinterpret_cast<const char*>(padded.data()), trim, static_cast<int>(length));
    if (std::strcmp(copy, expected) != 0) std::abort();
  }
  return 0;
}
