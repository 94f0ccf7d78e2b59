// Macro tokens stand in statements, command lines and file names of the
// release, and their values come from the installation (folders, user
// names), where they may hold tokens again. The input is the text, then
// after zero bytes the values of <LXDIR> and <USER>. The text is expanded as
// a plain text and as a statement of each server kind, whose quoting forms
// the statement's tracker follows (a value it refuses is an answer).
#include <cstddef>
#include <cstdint>

#include "app/macros.h"
#include "app/run_state.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parts = testing_fuzz::PartsOf(testing_fuzz::TextOf(data, size), 3);
  app::LxDir = parts[1];
  app::LoginUserName = parts[2];
  testing_fuzz::AcceptRaisedErrors([&] { app::ExpandMacros(parts[0]); });
  for (const std::string& kind : {app::kFirebird, app::kMsSql, app::kOracle}) {
    app::DBType = kind;
    testing_fuzz::AcceptRaisedErrors([&] { app::ExpandMacros(parts[0], {.statement = true}); });
  }
  return 0;
}
