// A client library's bytes searched for the banner that names its release
// in full: the first byte splits off the minor release the name told
// ("8.1", "9.2", "10.1" or none), the rest are the file. Whatever the bytes,
// the search ends without raising, and a release it answers is one of the
// minor release asked for, written out in the file after "Release ".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "oracle/call_binding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const char* const kKnown[] = {"8.1", "9.2", "10.1", ""};
  const std::string known = kKnown[data[0] % 4];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string release = oracle::ReleaseOfBanner(bytes, known);
  if (release.empty()) return 0;
  if (known.empty() || release.compare(0, known.size() + 1, known + ".") != 0) std::abort();
  if (release.find_first_not_of("0123456789.") != std::string::npos) std::abort();
  if (bytes.find("Release " + release) == std::string_view::npos) std::abort();
  return 0;
}
