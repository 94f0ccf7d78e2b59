// Wildcard masks come from users (LIKE filters, name masks): matching must
// end quickly on any mask, and a mask must match the same texts after
// normalisation. The input is the text, a zero byte, then the mask.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fib/base/str_util.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = testing_fuzz::PartsOf(testing_fuzz::TextOf(data, size), 2);
  const std::string& text = parts[0];
  const std::string& mask = parts[1];
  fib::MatchesSQLLike(text, mask);
  fib::MatchesLikeMask(text, mask, '*', '?');
  const bool matches = fib::MatchesMask(text, mask);
  if (fib::MatchesMask(text, fib::NormalizeMask(mask)) != matches) std::abort();
  return 0;
}
