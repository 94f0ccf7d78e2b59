// libFuzzer harness for the script-file reader: any bytes as a script file.
// The reader must either hand out every group or raise EScriptFileError,
// and it must agree with its own first pass on the number of groups.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/script_file.h"
#include "app/script_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    char name[] = "/tmp/script_reader_fuzz.XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) std::abort();
    close(fd);
    return std::string(name);
  }();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
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
