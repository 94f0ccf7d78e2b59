// A connect string as a user types it: every text either gives its parts,
// each trimmed, or is refused as an invalid connect string.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "classlib/ansistr.h"
#include "oracle/session_connect_string.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(testing_fuzz::TextOf(data, size));
  testing_fuzz::AcceptRaisedErrors([&] {
    const oracle::TConnectStringParts parts = oracle::ParseConnectString(text);
    for (const std::string* part : {&parts.Username, &parts.Password, &parts.Server})
      if (*part != classlib::Trim(*part)) std::abort();
    oracle::FormatConnectString(parts.Username, parts.Password, parts.Server,
                                parts.Mode.value_or(oracle::cmNormal));
  });
  return 0;
}
