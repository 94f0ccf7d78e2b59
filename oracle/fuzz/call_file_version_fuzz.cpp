// A library file's name through the cut of its version suffix and the
// version number made of it: the suffix is digits separated by single dots
// taken from the end of the name, and every name gives a number without
// raising.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "oracle/call_binding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string name(reinterpret_cast<const char*>(data), size);
  const std::string suffix = oracle::VersionSuffixOf(name);
  if (!suffix.empty()) {
    if (name.size() < suffix.size() + 4 || name.compare(name.size() - suffix.size() - 4, 4, ".so.") != 0) std::abort();
    if (suffix.front() == '.' || suffix.back() == '.' || suffix.find("..") != std::string::npos) std::abort();
    if (suffix.find_first_not_of("0123456789.") != std::string::npos) std::abort();
  }
  oracle::ParseClientVersion(suffix);
  return 0;
}
