// Interval texts, year to month and day to second.
#include "oranet/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  oranet::fuzz::RunIntervalText(data, size);
  return 0;
}
