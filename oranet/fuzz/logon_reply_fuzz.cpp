// A connect and logon from a server's bytes: the negotiation replies, the
// session key of phase 1 and the statuses and warnings that end a phase.
#include "oranet/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  oranet::fuzz::RunLogonReader(data, size);
  return 0;
}
