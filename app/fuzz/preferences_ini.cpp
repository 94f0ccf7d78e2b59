// The product's "lexref.ini" is edited by hand: any file must read as
// preferences, as a release before "3.0" reads them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/reference_preferences.h"
#include "app/run_state.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  testing_fuzz::WriteScratchFile("lexref.ini", testing_fuzz::TextOf(data, size));
  app::LxDir = testing_fuzz::ScratchFolder().string() + "/";
  testing_fuzz::AcceptRaisedErrors([&] { app::ReadReferencePreferences("2.5"); });
  return 0;
}
