// Values read from and written to memory that carries no alignment (record
// slots, packed buffers, packets). Every access copies, because a direct
// load from a misaligned address is undefined.
#pragma once

#include <cstring>

namespace classlib {

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

}  // namespace classlib
