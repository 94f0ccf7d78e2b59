#include "oracle/rset_row_copy.h"

#include <cstdlib>
#include <cstring>

#include "classlib/datetime.h"

namespace oracle {

namespace {
constexpr double kMSecsPerDay = 86400000.0;
}  // namespace

bool FetchedDateToDateTime(const uint8_t* bytes, double& value, TDayCache* cache) {
  if (bytes[0] == 100 && bytes[1] == 100) return false;
  if (bytes[2] == 0 || bytes[2] > 12 || bytes[3] == 0 || bytes[3] > 31) return false;
  if (bytes[4] == 0 || bytes[5] == 0 || bytes[6] == 0) return false;
  if (bytes[4] > 24 || bytes[5] > 60 || bytes[6] > 60) return false;
  // The conversion of OraDateToDateTime without its exceptions: every DATE
  // of a fetch passes here.
  const uint32_t key = static_cast<uint32_t>(bytes[0]) << 16 | static_cast<uint32_t>(bytes[1]) << 8 | bytes[2];
  classlib::TDateTime date;
  if (cache && cache->key == key) {
    if (bytes[3] > cache->days) return false;  // a day the month does not have
    date = cache->month_start + (bytes[3] - 1);  // whole days: exact
  } else {
    const int year = std::abs((bytes[0] - 100) * 100 + bytes[1] - 100);
    if (!classlib::TryEncodeDate(year, bytes[2], bytes[3], date)) return false;
    if (cache) *cache = TDayCache{key, date - (bytes[3] - 1), classlib::DaysInMonth(year, bytes[2])};
  }
  const int seconds = ((bytes[4] - 1) * 60 + bytes[5] - 1) * 60 + bytes[6] - 1;
  const double time = static_cast<double>(seconds * 1000) / kMSecsPerDay;
  value = date < 0 ? date - time : date + time;
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
