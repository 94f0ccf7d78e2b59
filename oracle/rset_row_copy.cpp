#include "oracle/rset_row_copy.h"

#include <cstring>

#include "classlib/exceptions.h"
#include "oracle/cursor_conversions.h"

namespace oracle {

bool FetchedDateToDateTime(const uint8_t* bytes, double& value) {
  if (bytes[0] == 100 && bytes[1] == 100) return false;
  if (bytes[2] == 0 || bytes[2] > 12 || bytes[3] == 0 || bytes[3] > 31) return false;
  if (bytes[4] == 0 || bytes[5] == 0 || bytes[6] == 0) return false;
  if (bytes[4] > 24 || bytes[5] > 60 || bytes[6] > 60) return false;
  try {
    value = OraDateToDateTime(bytes);
  } catch (const classlib::Exception&) {
    return false;  // a day the month does not have, or a year before 1
  }
  return true;
}

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

uint16_t BoundedVarLength(const void* cell, uint16_t capacity) {
  uint16_t length;
  std::memcpy(&length, cell, sizeof length);
  return length < capacity ? length : capacity;
}

}  // namespace oracle
