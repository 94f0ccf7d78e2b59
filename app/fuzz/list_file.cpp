// The list text of a settings step comes from the update description: any
// text must be written as the list file, one line per ";"-separated entry.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/list_file.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = (testing_fuzz::ScratchFolder() / "list.lst").string();
  const std::string text(testing_fuzz::TextOf(data, size));
  testing_fuzz::AcceptRaisedErrors([&] { app::WriteListFile(path, text); });
  return 0;
}
