#include "dacore/util_bit_converter.h"

namespace dacore {

TBytes BitConverter::Int16ToBytes(int16_t value) {
  TBytes bytes(sizeof value);
  StoreUnaligned(bytes.data(), value);
  return bytes;
}

TBytes BitConverter::Int32ToBytes(int32_t value) {
  TBytes bytes(sizeof value);
  StoreUnaligned(bytes.data(), value);
  return bytes;
}

}  // namespace dacore
