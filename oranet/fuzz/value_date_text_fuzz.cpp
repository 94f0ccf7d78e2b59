// Datetime format models and the date texts read by them.
#include "oranet/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  oranet::fuzz::RunDateText(data, size);
  return 0;
}
