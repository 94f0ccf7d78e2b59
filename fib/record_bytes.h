// Values read from and written to the byte layout of stored records and
// record buffers. Slots there carry no alignment, so every access copies.
#pragma once

#include <cstring>

#include "fib/sql_types.h"

namespace fib {

template <class T>
T LoadUnaligned(const void* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

template <class T>
void StoreUnaligned(void* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

// CHAR and VARCHAR columns: their values are text slots of the record.
inline bool IsTextColumn(int sql_type) { return sql_type == kSQLText || sql_type == kSQLVarying; }

}  // namespace fib
