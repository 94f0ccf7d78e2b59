// Packets from a server: the connect handshake and the DATA stream with
// its markers.
#include "oranet/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  oranet::fuzz::RunPacketReader(data, size);
  return 0;
}
