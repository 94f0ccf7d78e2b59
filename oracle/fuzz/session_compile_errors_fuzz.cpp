// Statements whose compilation errors a session is asked for come from
// users: the scan of their CREATE head takes any text, and a unit it finds
// always has a kind and a name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "oracle/session_compile_errors.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string sql(testing_fuzz::TextOf(data, size));
  testing_fuzz::AcceptRaisedErrors([&] {
    if (const auto unit = oracle::StoredUnitOf(sql))
      if (unit->type.empty()) std::abort();
  });
  return 0;
}
