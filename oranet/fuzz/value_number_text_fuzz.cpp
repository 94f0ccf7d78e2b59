// NUMBER texts from users and NUMBER bytes from a server.
#include "oranet/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  oranet::fuzz::RunNumberText(data, size);
  return 0;
}
