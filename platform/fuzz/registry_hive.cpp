// Hive files are edited by hand and rewritten by child programs: any text
// must either parse or raise ERegistryFileError, and what parses must be
// written back as a text that parses to the same hive.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry_hive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string written;
  try {
    written = platform::FormatHive(platform::ParseHive(text, "HKEY_CURRENT_USER", "fuzz.reg"));
  } catch (const platform::ERegistryFileError&) {
    return 0;
  }
  // The writer's own output is never refused, and reads back unchanged.
  const platform::RegHive again = platform::ParseHive(written, "HKEY_CURRENT_USER", "fuzz.reg");
  if (platform::FormatHive(again) != written) std::abort();
  return 0;
}
