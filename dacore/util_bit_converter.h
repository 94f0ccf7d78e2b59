// Values to and from little-endian byte arrays, and the reinterpretation of
// eight bytes as an integer or a double. No byte order is swapped here.
#pragma once

#include <cstdint>

#include "dacore/util_bytes.h"

namespace dacore {

class BitConverter {
 public:
  static TBytes Int16ToBytes(int16_t value);
  static TBytes Int32ToBytes(int32_t value);
  static double Int64AsDouble(int64_t value) { return LoadUnaligned<double>(&value); }
  static int64_t DoubleAsInt64(double value) { return LoadUnaligned<int64_t>(&value); }
  static int32_t BytesToInt32(const TBytes& bytes, int startIndex) {
    return LoadUnaligned<int32_t>(bytes.data() + startIndex);
  }
  // Unsigned as read.
  static uint16_t BytesToInt16(const TBytes& bytes, int startIndex) {
    return LoadUnaligned<uint16_t>(bytes.data() + startIndex);
  }
};

}  // namespace dacore
