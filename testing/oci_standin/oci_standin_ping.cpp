// The ping call, which older clients lack: a build made with
// STANDIN_NO_PING stands for such a client.
#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

extern "C" {

#ifndef STANDIN_NO_PING
sword OCIPing(OCISvcCtx* context, OCIError* error, ub4 mode) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  Log(state, "OCIPing mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIPing", error)) return status;
  return Answered(state, Live(state, context, OCI_HTYPE_SVCCTX) ? OCI_SUCCESS : OCI_INVALID_HANDLE);
}
#endif

}
