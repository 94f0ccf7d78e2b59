#include <ctime>

#include "classlib/datetime.h"

namespace classlib {

// Milliseconds of the monotonic clock cut to 32 bits: callers measure
// intervals by unsigned subtraction, which stays right across the wrap.
uint32_t GetTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u +
                      static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

}  // namespace classlib
