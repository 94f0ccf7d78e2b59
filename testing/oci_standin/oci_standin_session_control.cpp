// The control interface of the stand-in's sessions (oci_standin_session_control.h).
#include "testing/oci_standin/oci_standin_session_control.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

// One server's fail-over: what the callback needs, read under the lock.
struct FailoverTarget {
  Handle* server;
  void* context;
  void* environment;
  OCIFocbkStruct record;
};

std::vector<FailoverTarget> FailoverTargets(State& state) {
  std::vector<FailoverTarget> targets;
  for (Handle* server : state.handles) {
    if (server->type != OCI_HTYPE_SERVER || !server->extra.failover.callback_function) continue;
    for (Handle* context : state.handles)
      if (context->type == OCI_HTYPE_SVCCTX && context->pointers[OCI_ATTR_SERVER] == server)
        targets.push_back({server, context, context->parent, server->extra.failover});
  }
  return targets;
}

// The session behind the context starts anew on the backup instance.
void RenewSession(State& state, const FailoverTarget& target) {
  Guard guard(state.lock);
  if (!Live(state, target.context, OCI_HTYPE_SVCCTX)) return;
  if (Handle* session = SessionOf(state, target.context)) {
    session->extra.nls.clear();
    session->extra.pending_work = 0;
  }
}

int FailOver(State& state, const FailoverTarget& target, ub4 type, int failures) {
  auto call = [&target, type](ub4 event) {
    return target.record.callback_function(target.context, target.environment, target.record.fo_ctx,
                                           type, event);
  };
  int calls = 1;
  call(OCI_FO_BEGIN);
  for (int i = 0; i < failures; ++i) {
    ++calls;
    if (call(OCI_FO_ERROR) != OCI_FO_RETRY) {
      call(OCI_FO_ABORT);
      return calls + 1;
    }
  }
  RenewSession(state, target);
  call(OCI_FO_END);
  return calls + 1;
}

}  // namespace

extern "C" {

int standin_pending_work(void) {
  State& state = TheState();
  Guard guard(state.lock);
  int pending = 0;
  for (Handle* handle : state.handles)
    if (handle->type == OCI_HTYPE_SESSION) pending += handle->extra.pending_work;
  return pending;
}

int standin_committed_work(void) {
  State& state = TheState();
  Guard guard(state.lock);
  return state.world.committed_work;
}

int standin_session_setting(const void* context, const char* name, char* buffer, int size) {
  State& state = TheState();
  Guard guard(state.lock);
  Handle* session = SessionOf(state, context);
  if (!session || !name) return -1;
  auto found = session->extra.nls.find(name);
  return CopyOut(found == session->extra.nls.end() ? "" : found->second, buffer, size);
}

int standin_client_identifier(const void* context, char* buffer, int size) {
  State& state = TheState();
  Guard guard(state.lock);
  Handle* session = SessionOf(state, context);
  if (!session) return -1;
  return CopyOut(session->values[OCI_ATTR_CLIENT_IDENTIFIER], buffer, size);
}

void standin_set_char_length(int length) {
  State& state = TheState();
  Guard guard(state.lock);
  state.world.char_length = length;
}

void standin_deny_set_identifier(int deny) {
  State& state = TheState();
  Guard guard(state.lock);
  state.world.deny_set_identifier = deny != 0;
}

int standin_running_calls(void) {
  State& state = TheState();
  Guard guard(state.lock);
  int running = 0;
  for (Handle* handle : state.handles)
    if (handle->type == OCI_HTYPE_SESSION) running += handle->extra.running_calls;
  return running;
}

int standin_executed(char* buffer, int size) {
  State& state = TheState();
  Guard guard(state.lock);
  return CopyOut(JoinLines(state.world.executed), buffer, size);
}

int standin_pool_sessions(int busy_only) {
  State& state = TheState();
  Guard guard(state.lock);
  int count = 0;
  for (Handle* handle : state.handles)
    if (handle->type == OCI_HTYPE_SPOOL)
      for (Handle* context : handle->extra.pool_contexts)
        if (!busy_only || context->extra.pool_busy) ++count;
  return count;
}

int standin_trigger_failover(int failover_type, int failures) {
  State& state = TheState();
  std::vector<FailoverTarget> targets;
  {
    Guard guard(state.lock);
    state.log.push_back("failover type=" + std::to_string(failover_type) +
                        " failures=" + std::to_string(failures));
    targets = FailoverTargets(state);
  }
  int calls = 0;
  // The callbacks run without the lock: they call back into the library.
  std::thread worker([&] {
    for (const FailoverTarget& target : targets)
      calls += FailOver(state, target, static_cast<ub4>(failover_type), failures);
  });
  worker.join();
  return calls;
}

}
