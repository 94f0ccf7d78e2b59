// A statement's replies from a server: rows into defines of every kind,
// bind vectors and out-binds, and the describe replies.
#include "oranet/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  oranet::fuzz::RunStatementReply(data, size);
  return 0;
}
