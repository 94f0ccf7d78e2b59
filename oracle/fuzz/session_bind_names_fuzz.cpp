// A statement's text through the placeholder search: every text gives its
// placeholders, each a colon and a name found in the text, or is refused
// by the lexer with the class library's exception.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "oracle/session_bind_names.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string sql(testing_fuzz::TextOf(data, size));
  testing_fuzz::AcceptRaisedErrors([&] {
    for (const std::string& name : oracle::BindNamesOf(sql))
      if (name.size() < 2 || name[0] != ':' || sql.find(name.substr(1)) == std::string::npos) std::abort();
  });
  return 0;
}
