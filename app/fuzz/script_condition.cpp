// Conditions are written in script files: any condition text must be tested
// against the catalogue or refused, on each server kind. The first byte
// picks the server kind and the LOGCHECKERROR switch; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/fuzz/fake_script_connection.h"
#include "app/script_condition.h"
#include "app/tests/fake_progress_view.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  app::fuzz::FakeScriptConnection connection(app::fuzz::ServerOf(data[0]));
  app::testing::FakeProgressView view;
  const app::TScriptContext context{connection, view, (data[0] & 4) != 0, "C:\\Release\\s.xml"};
  const std::string condition(testing_fuzz::TextOf(data + 1, size - 1));
  testing_fuzz::AcceptRaisedErrors([&] { app::CheckConditionText(context, condition); });
  return 0;
}
