// The client version call, which clients export from 10.2 on: a build made
// with STANDIN_NO_CLIENT_VERSION stands for an older client and lacks it.
// Each build simulates only the clients it can stand for: one with the call
// a release from 10.2 on, one without it a release before 10.2.
#include <cstring>

#include "testing/oci_standin/oci_standin_control.h"
#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

#ifdef STANDIN_NO_CLIENT_VERSION
constexpr bool kExportsClientVersion = false;
#else
constexpr bool kExportsClientVersion = true;
#endif

bool FromTenTwoOn(int major, int minor) { return major > 10 || (major == 10 && minor >= 2); }

}  // namespace

// The banner a client carries in its file, naming its release in full
// ("Release 8.1.7.0.0"), which an older client's name and exports tell only
// to its minor number. A build carries a placeholder that names no release
// (its numbers are no release of any client); the tests' fixture writes the
// release a copy stands for into the copy (standin_fixture.cpp, UseClient).
extern "C" __attribute__((used, visibility("hidden"))) const char standin_release_banner[] =
    "Oracle Call Interface stand-in - Release 00.00.00.00.00 - Production";

extern "C" {

#ifndef STANDIN_NO_CLIENT_VERSION
void OCIClientVersion(sword* major, sword* minor, sword* update, sword* patch, sword* port) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  Log(state, "OCIClientVersion");
  sword* out[5] = {major, minor, update, patch, port};
  for (int i = 0; i < 5; ++i)
    if (out[i]) *out[i] = state.client_version[i];
}
#endif

int standin_set_client_version(int major, int minor, int update, int patch, int port_update) {
  if (FromTenTwoOn(major, minor) != kExportsClientVersion) return -1;
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  int parts[5] = {major, minor, update, patch, port_update};
  std::memcpy(state.client_version, parts, sizeof parts);
  return 0;
}

}
