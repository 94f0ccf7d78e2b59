// Bytes a fetch delivered through the conversions that make record values
// of them: any seven DATE bytes give a date-time or a null without raising,
// and the length of a text or RAW cell never exceeds the cell.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "oracle/rset_row_copy.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size >= 7) {
    double value = 0;
    oracle::FetchedDateToDateTime(data, value);
  }
  // The cell is exactly the input, so a read past it is caught.
  std::vector<uint8_t> cell(data, data + size);
  if (size > 0 && oracle::BoundedStrLen(cell.data(), size) > size) std::abort();
  if (size >= 2) {
    const auto capacity = static_cast<uint16_t>(size - 2);
    if (oracle::BoundedVarLength(cell.data(), capacity) > capacity) std::abort();
  }
  return 0;
}
