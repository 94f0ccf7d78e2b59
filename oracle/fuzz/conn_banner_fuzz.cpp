// A server's banner through the cut of its release number and the version
// number made of it: every banner gives a piece of itself and a number,
// whatever dots, digits and blanks it holds, and raises nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "oracle/call_binding.h"
#include "oracle/conn_oci_connection.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string banner(reinterpret_cast<const char*>(data), size);
  const std::string release = oracle::ReleaseOfBanner(banner);
  if (banner.find(release) == std::string::npos) std::abort();
  oracle::ParseClientVersion(release);
  return 0;
}
