// The client library's version: read from its export (else from its file,
// call_file_version), parsed into a number.
#include <string>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "oracle/oci_defs.h"
#include "platform/dynlib.h"

namespace oracle {

namespace {

using ClientVersionFunction = void (*)(sword*, sword*, sword*, sword*, sword*);

// A component as a decimal number; 0 when it is not one.
int ComponentValue(const std::string& text) {
  if (text.empty() || text.size() > 5) return 0;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::string LoadFailureText(const std::string& beginning, const std::string& path) {
  const std::string reason = platform::LastLibraryError();
  return beginning + path + (reason.empty() ? "" : " (" + reason + ")");
}

std::string GetOciClientVersion(const std::string& path) {
  if (!hOCILib) {
    hOCILib = platform::LoadLibraryExA(path, nullptr, platform::LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!hOCILib) throw classlib::Exception(LoadFailureText("Cannot load OCI DLL: ", path));
  }
  auto client_version = reinterpret_cast<ClientVersionFunction>(
      platform::GetProcAddress(hOCILib, "OCIClientVersion"));
  if (!client_version) {
    // Neither the version call nor any call of the interface: some other
    // library stands where the registry or the Oracle home points.
    if (!ExportsOciCalls()) throw classlib::Exception("Not an Oracle client library: " + path);
    return GetFileVersionText(path);
  }
  sword parts[5] = {0, 0, 0, 0, 0};
  client_version(&parts[0], &parts[1], &parts[2], &parts[3], &parts[4]);
  std::string text;
  for (int i = 0; i < 5; ++i) text += (i ? "." : "") + std::to_string(parts[i]);
  return text;
}

uint16_t ParseClientVersion(const std::string& text) {
  std::string rest = classlib::Trim(text);
  int value = 0;
  for (int i = 0; i < 4; ++i) {
    size_t dot = rest.find('.');
    std::string part = rest.substr(0, dot);
    rest = dot == std::string::npos ? "" : rest.substr(dot + 1);
    value = value * 10 + ComponentValue(part);
  }
  // A number beyond 16 bits stays beyond every supported version rather
  // than wrapping round into one.
  return static_cast<uint16_t>(value > 0xFFFF ? 0xFFFF : value);
}

}  // namespace oracle
