// A server that goes away under its sessions, as a lost network link or a
// killed server process leaves them.
#include "testing/oci_standin/oci_standin_link_control.h"

#include <mutex>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

sword standin::LostLinkStatus(State& state, const void* context, void* error) {
  const Handle* session = SessionOf(state, context);
  if (!session || !session->extra.link_lost) return OCI_SUCCESS;
  return Fail(state, error, 3114, "ORA-03114: not connected to ORACLE");
}

extern "C" int standin_lose_link(void) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  int lost = 0;
  for (Handle* handle : state.handles) {
    if (handle->type != OCI_HTYPE_SESSION || !handle->logged_on) continue;
    handle->logged_on = false;
    handle->extra.link_lost = true;
    handle->extra.pending_work = 0;
    TierSessionEnd(state, handle);
    ++lost;
  }
  Log(state, "standin_lose_link sessions=" + std::to_string(lost));
  return lost;
}
