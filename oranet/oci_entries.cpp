#include "oranet/oci_entries.h"

#include <functional>
#include <string>

#include "oranet/net_errors.h"
#include "oranet/oci_context.h"
#include "oranet/oci_error.h"
#include "oranet/oci_item.h"
#include "oranet/stmt_statement.h"
#include "oranet/ttc_codes.h"
#include "oranet/ttc_status.h"

namespace oranet {

using namespace oracle;  // statuses and handle types

namespace {

constexpr int kServerVersion8001 = 8001;

// The server's answer: its error, if any, goes to the error handle.
sword StatusResult(const TTtcStatus& status, TNetError* error) {
  if (error) {
    error->Clear();
    if (status.errorNumber != 0) error->Set(status.errorNumber, status.errorText);
  }
  return status.Result();
}

// Runs a call that talks to the server; what it raises becomes a status.
sword Guarded(TNetServiceContext* context, TNetError* error, const std::function<sword()>& call) {
  return GuardedCall(context ? context->Connection().get() : nullptr, error, call);
}

TTnsConnection& ConnectionOf(TNetServiceContext& context) {
  if (!context.Connection()) throw ENetError(kNetNotConnected);
  return *context.Connection();
}

// Function 14, 15 or 9 and its simple reply.
sword SimpleCall(TNetServiceContext& context, TNetError* error, int function) {
  TTnsConnection& tns = ConnectionOf(context);
  TTtcWriter writer(tns);
  TTtcReader reader(tns);
  WriteFunctionHeader(writer, function);
  return StatusResult(ReadSimpleReply(reader), error);
}

// A session whose connection broke may log on anew.
bool LoggedOn(const TNetServiceContext& context) {
  return context.Connected() && context.Connection()->Transport().Connected();
}

sword Connect(TNetServiceContext& context, TTnsConnection& tns, TNetError* error, ub4 mode) {
  TLogonRequest request;
  if (context.Server()) request.server = context.Server()->ServerText();
  if (context.Session()) {
    request.user = context.Session()->User();
    request.password = context.Session()->Password();
  }
  request.ociMode = static_cast<int>(mode);
  request.clientCharsetId = context.ClientCharsetId();
  request.timeoutMs = context.ConnectTimeout();
  request.identity = context.ClientIdentity();
  TLogonSession logon;
  NetConnect(tns, request, logon);
  context.SetLogon(logon);
  return StatusResult(logon.status, error);
}

sword Logoff(TNetServiceContext& context, TNetError* error) {
  if (!context.Connected()) return OCI_ERROR;
  // The session is over whatever the server answers, a broken connection
  // included (which answers ORA-03114).
  context.MarkDisconnected();
  TTnsConnection& tns = *context.Connection();
  const sword result = SimpleCall(context, error, kTtcLogOff);
  tns.Disconnect();
  return result;
}

}  // namespace

sword NetEnvCreate(OCIEnv** env, ub4, void*, void* (*)(void*, size_t), void* (*)(void*, void*, size_t),
                   void (*)(void*, void*), size_t, void**) {
  if (env) *env = nullptr;
  return OCI_SUCCESS;
}

sword NetHandleAlloc(const void* parent, void** handle, ub4 type, size_t, void**) {
  if (!handle) return OCI_INVALID_HANDLE;
  TNetHandle* object = nullptr;
  switch (type) {
    case OCI_HTYPE_ERROR: object = new TNetError(parent); break;
    case OCI_HTYPE_SVCCTX: object = new TNetServiceContext(parent); break;
    case OCI_HTYPE_SERVER: object = new TNetServer(parent); break;
    case OCI_HTYPE_SESSION: object = new TNetSession(parent); break;
    case OCI_HTYPE_STMT: object = new TNetStatement(parent); break;
    default: return OCI_INVALID_HANDLE;
  }
  *handle = HandleOf(object);
  return OCI_SUCCESS;
}

sword NetHandleFree(void* handle, ub4) {
  // Binds, defines and columns belong to their statement.
  if (NetHandleAs<TNetItemHandle>(handle)) return OCI_SUCCESS;
  delete NetHandleAs<TNetHandle>(handle);
  return OCI_SUCCESS;
}

sword NetErrorGet(void* handle, ub4, OraText*, sb4* code, OraText* buffer, ub4 bufferSize, ub4 type) {
  TNetError* error = NetHandleAs<TNetError>(handle);
  if (type != OCI_HTYPE_ERROR || !error) return OCI_INVALID_HANDLE;
  return GetErrorRecord(*error, code, buffer, bufferSize);
}

sword NetAttrGet(const void* handle, ub4, void* value, ub4* size, ub4 attribute, OCIError* error) {
  TNetHandle* object = NetHandleAs<TNetHandle>(handle);
  if (!object) return OCI_INVALID_HANDLE;
  if (attribute == OCI_ATTR_PARAM_COUNT) {
    const sword described = object->DescribeOnDemand(NetHandleAs<TNetError>(error));
    if (described != OCI_SUCCESS) return described;
  }
  return object->GetAttr(attribute, value, size);
}

sword NetAttrSet(void* handle, ub4, void* value, ub4 size, ub4 attribute, OCIError*) {
  TNetHandle* object = NetHandleAs<TNetHandle>(handle);
  return object ? object->SetAttr(attribute, value, size) : OCI_INVALID_HANDLE;
}

sword NetParamGet(const void* handle, ub4, OCIError* error, void** param, ub4 position) {
  TNetHandle* object = NetHandleAs<TNetHandle>(handle);
  if (!object) return OCI_INVALID_HANDLE;
  const sword described = object->DescribeOnDemand(NetHandleAs<TNetError>(error));
  return described == OCI_SUCCESS ? object->GetParam(position, param) : described;
}

sword NetServerAttach(OCIServer* server, OCIError*, const OraText* link, sb4 linkLength, ub4) {
  TNetServer* target = NetHandleAs<TNetServer>(server);
  if (!target) return OCI_INVALID_HANDLE;
  const char* text = reinterpret_cast<const char*>(link);
  target->SetServerText(text && linkLength > 0 ? std::string(text, static_cast<size_t>(linkLength)) : "");
  return OCI_SUCCESS;
}

sword NetServerDetach(OCIServer*, OCIError*, ub4) { return OCI_SUCCESS; }

sword NetSessionBegin(OCISvcCtx* context, OCIError* error, OCISession* session, ub4, ub4 mode) {
  TNetServiceContext* target = NetHandleAs<TNetServiceContext>(context);
  if (!target) return OCI_INVALID_HANDLE;
  target->SetSession(NetHandleAs<TNetSession>(session));
  if (LoggedOn(*target)) return OCI_ERROR;
  TNetError* errorHandle = NetHandleAs<TNetError>(error);
  // The new connection is guarded from the start: a logon that breaks off
  // leaves no socket open.
  TTnsConnection& tns = target->NewConnection();
  return GuardedCall(&tns, errorHandle, [&] { return Connect(*target, tns, errorHandle, mode); });
}

sword NetSessionEnd(OCISvcCtx* context, OCIError* error, OCISession*, ub4) {
  TNetServiceContext* target = NetHandleAs<TNetServiceContext>(context);
  if (!target) return OCI_INVALID_HANDLE;
  TNetError* errorHandle = NetHandleAs<TNetError>(error);
  return Guarded(target, errorHandle, [&] { return Logoff(*target, errorHandle); });
}

sword NetServerVersion(void* handle, OCIError*, OraText* buffer, ub4 bufferSize, ub1) {
  const TNetServiceContext* context = NetHandleAs<TNetServiceContext>(handle);
  std::string text;
  if (context) text = context->Logon().server.serverVersion < kServerVersion8001 ? "Oracle7" : "Oracle8";
  PutBoundedText(text, buffer, bufferSize);
  return OCI_SUCCESS;
}

sword NetBreak(void* handle, OCIError* error) {
  TNetServiceContext* context = NetHandleAs<TNetServiceContext>(handle);
  if (!context) return OCI_INVALID_HANDLE;
  return Guarded(context, NetHandleAs<TNetError>(error), [&] {
    ConnectionOf(*context).SendBreak();
    return OCI_SUCCESS;
  });
}

sword NetTransCommit(OCISvcCtx* context, OCIError* error, ub4) {
  TNetServiceContext* target = NetHandleAs<TNetServiceContext>(context);
  if (!target) return OCI_INVALID_HANDLE;
  TNetError* errorHandle = NetHandleAs<TNetError>(error);
  return Guarded(target, errorHandle, [&] { return SimpleCall(*target, errorHandle, kTtcCommit); });
}

sword NetTransRollback(OCISvcCtx* context, OCIError* error, ub4) {
  TNetServiceContext* target = NetHandleAs<TNetServiceContext>(context);
  if (!target) return OCI_INVALID_HANDLE;
  TNetError* errorHandle = NetHandleAs<TNetError>(error);
  return Guarded(target, errorHandle, [&] { return SimpleCall(*target, errorHandle, kTtcRollback); });
}

}  // namespace oranet
