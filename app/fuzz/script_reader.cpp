// libFuzzer harness for the script-file reader: any bytes as a script file,
// in whatever encoding they declare. The reader must either hand out every
// group or raise EScriptFileError, and hand out as many groups as it
// counted while it checked the file.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/script_file.h"
#include "app/script_reader.h"
#include "testing/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The scratch folder goes with the process, file and all.
  const std::string path =
      testing_fuzz::WriteScratchFile("script.xml", testing_fuzz::TextOf(data, size));
  try {
    app::TScriptReader reader(path);
    app::TScriptGroup group;
    int groups = 0;
    while (reader.NextGroup(group)) ++groups;
    if (groups != reader.GroupCount()) std::abort();
  } catch (const app::EScriptFileError&) {
  }
  return 0;
}
