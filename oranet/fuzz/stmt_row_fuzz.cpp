// Server replies through the whole receive path, packets into rows, with
// defines the input chooses and caller buffers of their exact sizes.
#include "oranet/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  oranet::fuzz::RunRowPath(data, size);
  return 0;
}
