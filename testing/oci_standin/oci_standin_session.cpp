// The stand-in's entry points for binds, breaks and the client library's
// session pools (newer interface).
#include <algorithm>
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

std::string Text(const OraText* text, sb4 length) {
  if (!text) return "";
  if (length < 0) return reinterpret_cast<const char*>(text);
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

// A new service context of a session pool, logged on as user.
Handle* NewPooledContext(State& state, Handle* pool, const std::string& user) {
  Handle* context = NewHandle(state, OCI_HTYPE_SVCCTX, pool);
  Handle* server = NewHandle(state, OCI_HTYPE_SERVER, context);
  Handle* session = NewHandle(state, OCI_HTYPE_SESSION, context);
  server->attached = true;
  session->values[OCI_ATTR_USERNAME] = user;
  session->logged_on = true;
  context->pointers[OCI_ATTR_SERVER] = server;
  context->pointers[OCI_ATTR_SESSION] = session;
  pool->extra.pool_contexts.push_back(context);
  return context;
}

Handle* PoolNamed(State& state, const std::string& name) {
  for (Handle* handle : state.handles)
    if (handle->type == OCI_HTYPE_SPOOL && !handle->extra.pool_name.empty() &&
        handle->extra.pool_name == name)
      return handle;
  return nullptr;
}

}  // namespace

extern "C" {

sword OCIBindByName(OCIStmt* statement, OCIBind** bind, OCIError* error, const OraText* name,
                    sb4 name_length, void* value, sb4 value_size, ub2 type, void* indicator,
                    ub2* length, ub2*, ub4 max_array, ub4* current_array, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  std::string placeholder = Text(name, name_length);
  Log(state, "OCIBindByName name=" + placeholder + " type=" + std::to_string(type) +
                 " size=" + std::to_string(value_size) + " mode=" + std::to_string(mode) +
                 (max_array ? " max=" + std::to_string(max_array) : std::string()));
  if (sword status = InjectedStatus(state, "OCIBindByName", error)) return status;
  Handle* live = Live(state, statement, OCI_HTYPE_STMT);
  if (!live || !bind || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  if (!placeholder.empty() && placeholder[0] == ':') placeholder.erase(0, 1);
  const std::string matched = PlaceholderName(placeholder);
  const auto& names = live->statement.placeholders;
  if (placeholder.empty() || std::find(names.begin(), names.end(), matched) == names.end())
    return Fail(state, error, 1036, "ORA-01036: illegal variable name/number");
  Handle* handle = NewHandle(state, OCI_HTYPE_BIND, live);
  Bind entry{matched, value, value_size, type, static_cast<sb2*>(indicator)};
  entry.handle = handle;
  entry.length = length;
  entry.max_array = max_array;
  entry.current_array = current_array;
  entry.mode = mode;
  AddBind(live->extra.binds, entry);
  *bind = reinterpret_cast<OCIBind*>(handle);
  return OCI_SUCCESS;
}

sword OCIBreak(void* handle, OCIError* error) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIBreak");
  if (sword status = InjectedStatus(state, "OCIBreak", error)) return status;
  Handle* session = SessionOf(state, handle);
  if (!session) return OCI_INVALID_HANDLE;
  // Only a running call is broken; a break with none running is forgotten.
  if (session->extra.running_calls > 0) {
    session->extra.break_requested = true;
    NotifyBreak();
  }
  return OCI_SUCCESS;
}

sword OCISvcCtxToLda(OCISvcCtx* context, OCIError* error, ub1* lda) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCISvcCtxToLda");
  if (sword status = InjectedStatus(state, "OCISvcCtxToLda", error)) return status;
  Handle* session = SessionOf(state, context);
  if (!session || !lda) return OCI_INVALID_HANDLE;
  state.world.lda_sessions[lda] = session;
  return OCI_SUCCESS;
}

sword OCISessionPoolCreate(OCIEnv* env, OCIError* error, OCISPool* pool, OraText** pool_name,
                           ub4* pool_name_length, const OraText* link, ub4 link_length, ub4 minimum,
                           ub4 maximum, ub4 increment, const OraText*, ub4, const OraText*, ub4,
                           ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCISessionPoolCreate link=" + Text(link, static_cast<sb4>(link_length)) +
                 " min=" + std::to_string(minimum) + " max=" + std::to_string(maximum) +
                 " incr=" + std::to_string(increment) + " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCISessionPoolCreate", error)) return status;
  Handle* live = Live(state, pool, OCI_HTYPE_SPOOL);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !pool_name || !pool_name_length)
    return OCI_INVALID_HANDLE;
  if (!live->extra.pool_name.empty())
    return Fail(state, error, 24401, "ORA-24401: cannot open further connections");
  live->extra.pool_name = "STANDIN_POOL_" + std::to_string(++state.world.pools_made);
  live->extra.pool_max = maximum;
  *pool_name = reinterpret_cast<OraText*>(live->extra.pool_name.data());
  *pool_name_length = static_cast<ub4>(live->extra.pool_name.size());
  return OCI_SUCCESS;
}

sword OCISessionPoolDestroy(OCISPool* pool, OCIError* error, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCISessionPoolDestroy mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCISessionPoolDestroy", error)) return status;
  Handle* live = Live(state, pool, OCI_HTYPE_SPOOL);
  if (!live) return OCI_INVALID_HANDLE;
  for (Handle* context : live->extra.pool_contexts)
    if (Live(state, context, OCI_HTYPE_SVCCTX)) FreeHandle(state, context);
  live->extra.pool_contexts.clear();
  live->extra.pool_name.clear();
  return OCI_SUCCESS;
}

sword OCISessionGet(OCIEnv* env, OCIError* error, OCISvcCtx** context, OCIAuthInfo* authentication,
                    const OraText* pool_name, ub4 pool_name_length, const OraText*, ub4, OraText**,
                    ub4*, boolean* found, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Handle* auth = Live(state, authentication, OCI_HTYPE_AUTHINFO);
  std::string user = auth ? auth->values[OCI_ATTR_USERNAME] : "";
  std::string name = Text(pool_name, static_cast<sb4>(pool_name_length));
  Log(state, "OCISessionGet pool=" + name + " user=" + user + " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCISessionGet", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !auth || !context || !Live(state, error, OCI_HTYPE_ERROR))
    return OCI_INVALID_HANDLE;
  Handle* pool = PoolNamed(state, name);
  if (!pool) return Fail(state, error, 24416, "ORA-24416: Invalid session Poolname was specified.");
  // The pool authenticates every request.
  auto account = state.accounts.find(Upper(user));
  if (account == state.accounts.end() || account->second != auth->values[OCI_ATTR_PASSWORD])
    return Fail(state, error, 1017, "ORA-01017: invalid username/password; logon denied");
  Handle* taken = nullptr;
  for (Handle* candidate : pool->extra.pool_contexts) {
    Handle* session = SessionOf(state, candidate);
    if (!candidate->extra.pool_busy && session && Upper(session->values[OCI_ATTR_USERNAME]) == Upper(user)) {
      taken = candidate;
      break;
    }
  }
  if (found) *found = taken ? 1 : 0;
  if (!taken) {
    if (pool->extra.pool_contexts.size() >= pool->extra.pool_max)
      return Fail(state, error, 24418, "ORA-24418: Cannot open further sessions.");
    taken = NewPooledContext(state, pool, user);
  }
  taken->extra.pool_busy = true;
  *context = reinterpret_cast<OCISvcCtx*>(taken);
  return Answered(state, OCI_SUCCESS);
}

sword OCISessionRelease(OCISvcCtx* context, OCIError* error, const OraText*, ub4, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCISessionRelease mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCISessionRelease", error)) return status;
  Handle* live = Live(state, context, OCI_HTYPE_SVCCTX);
  if (!live || !live->extra.pool_busy) return OCI_INVALID_HANDLE;
  if (mode & ~(OCI_SESSRLS_RETAG | OCI_SESSRLS_DROP)) return Fail(state, error, 24300, "ORA-24300: bad value for mode");
  // What the session left uncommitted does not pass to its next user.
  EndWork(state, context, false);
  live->extra.pool_busy = false;
  if (mode & OCI_SESSRLS_DROP) {
    // The session ends; the pool opens a new one when it is asked again.
    auto& contexts = live->parent->extra.pool_contexts;
    contexts.erase(std::remove(contexts.begin(), contexts.end(), live), contexts.end());
    FreeHandle(state, live);
  }
  return OCI_SUCCESS;
}

}
