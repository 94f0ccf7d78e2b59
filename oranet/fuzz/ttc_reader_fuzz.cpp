// Message fields and messages from a server: the negotiation replies, the
// integer and string encodings, status, warning and simple replies.
#include "oranet/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  oranet::fuzz::RunTtcReader(data, size);
  return 0;
}
