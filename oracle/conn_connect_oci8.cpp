// TOCIConnection in the newer call style: own sessions (server attach and
// session begin, also as a proxy session over another connection), sessions
// of the client library's pool, MTS sessions, and their ends.
#include "oracle/object_ora_type.h"
#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/conn_svc_ctx_liveness.h"
#include "oracle/error_ora.h"

namespace oracle {

namespace {

const OraText* TextOf(const std::string& text) { return reinterpret_cast<const OraText*>(text.c_str()); }

// A connection reports its calls' errors through an error handle of its
// own: the text of a failure is read by a second call, which must find the
// connection's error there, not one another session's call left in a
// handle they share. The process-wide handle stays with the environment's
// own calls (and reports a failure to make this one); an MTS session keeps
// the one the service gives.
OCIError* NewErrorHandle(OCIEnv* env) {
  void* error = nullptr;
  CheckOciStatus(OCIHandleAlloc(env, &error, OCI_HTYPE_ERROR, 0, nullptr), hOCIError);
  return static_cast<OCIError*>(error);
}

}  // namespace

void TOCIConnection::AllocHandle(void** handle, ub4 type) {
  if (*handle) return;
  Check(OCIHandleAlloc(hEnv, handle, type, 0, nullptr));
}

void TOCIConnection::SetAttr(void* handle, ub4 type, const void* value, ub4 size, ub4 attribute) {
  Check(OCIAttrSet(handle, type, const_cast<void*>(value), size, attribute, hError));
}

void TOCIConnection::SetTextAttr(void* handle, ub4 type, const std::string& text, ub4 attribute) {
  SetAttr(handle, type, text.c_str(), static_cast<ub4>(text.size()), attribute);
}

bool TOCIConnection::StatementCacheUsable() const {
  return StatementCache && !IsDirectMode() && OCICallStyle == kOci8 && OCIVersion > 9200;
}

ub4 TOCIConnection::SessionMode() const {
  ub4 mode = ConnectMode == cmSysOper ? OCI_SYSOPER : ConnectMode == cmSysDBA ? OCI_SYSDBA : OCI_DEFAULT;
  if (StatementCacheUsable()) mode |= OCI_STMT_CACHE;
  return mode;
}

void TOCIConnection::ConnectOCI8() {
  hEnv = hOCIEnv;
  bool attached = false;
  try {
    hError = NewErrorHandle(hEnv);
    AllocHandle(reinterpret_cast<void**>(&hSvcCtx), OCI_HTYPE_SVCCTX);
    if (!ProxyConnection) AllocHandle(reinterpret_cast<void**>(&hServer), OCI_HTYPE_SERVER);
    AllocHandle(reinterpret_cast<void**>(&hSession), OCI_HTYPE_SESSION);
    if (!ProxyConnection) {
      Check(OCIServerAttach(hServer, hError, TextOf(Server), static_cast<sb4>(Server.size()), OCI_DEFAULT));
      attached = true;
      if (!IsDirectMode()) SetTextAttr(hServer, OCI_HTYPE_SERVER, InternalName, OCI_ATTR_INTERNAL_NAME);
    }
    OCIServer* server = ProxyConnection ? ProxyConnection->hServer : hServer;
    SetAttr(hSvcCtx, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER);

    ub4 credentials = OCI_CRED_EXT;
    if (ProxyConnection) {
      SetTextAttr(hSession, OCI_HTYPE_SESSION, Username, OCI_ATTR_USERNAME);
      if (!Password.empty()) SetTextAttr(hSession, OCI_HTYPE_SESSION, Password, OCI_ATTR_PASSWORD);
      SetAttr(hSession, OCI_HTYPE_SESSION, ProxyConnection->hSession, 0, OCI_ATTR_PROXY_CREDENTIALS);
      credentials = OCI_CRED_PROXY;
    } else if (!Username.empty()) {
      SetTextAttr(hSession, OCI_HTYPE_SESSION, Username, OCI_ATTR_USERNAME);
      SetTextAttr(hSession, OCI_HTYPE_SESSION, Password, OCI_ATTR_PASSWORD);
      credentials = OCI_CRED_RDBMS;
    }
    if (IsDirectMode()) {
      ub4 timeout = ConnectionTimeout;
      SetAttr(hSvcCtx, OCI_HTYPE_SVCCTX, &timeout, 0, OCI_ATTR_DIRECT_CONNECT_TIMEOUT);
      if (UseUnicode) {
        ub2 utf16 = OCI_UTF16ID;
        SetAttr(hSvcCtx, OCI_HTYPE_SVCCTX, &utf16, 0, OCI_ATTR_CHARSET_ID);
      } else if (!Charset.empty()) {
        SetTextAttr(hSvcCtx, OCI_HTYPE_SVCCTX, Charset, OCI_ATTR_CHARSET);
      }
    }
    Check(OCISessionBegin(hSvcCtx, hError, hSession, credentials, SessionMode()));
    SetAttr(hSvcCtx, OCI_HTYPE_SVCCTX, hSession, 0, OCI_ATTR_SESSION);
    // Servers before 8.0 take only the older statement calls.
    if (!IsDirectMode() && GetOracleVersion() < 8000) CommandCallStyle = kOci7;
  } catch (...) {
    if (attached && hServer) OCIServerDetach(hServer, hError, OCI_DEFAULT);
    FreeOci8Handles();
    throw;
  }
}

void TOCIConnection::ConnectPooled() {
  CheckOCI80();
  hEnv = hOCIEnv;
  try {
    hError = NewErrorHandle(hEnv);
    AllocHandle(reinterpret_cast<void**>(&hAuthInfo), OCI_HTYPE_AUTHINFO);
    SetTextAttr(hAuthInfo, OCI_HTYPE_AUTHINFO, Username, OCI_ATTR_USERNAME);
    SetTextAttr(hAuthInfo, OCI_HTYPE_AUTHINFO, Password, OCI_ATTR_PASSWORD);
    ub4 mode = OCI_SESSGET_SPOOL;
    if (StatementCacheUsable()) mode |= OCI_SESSGET_STMTCACHE;
    OraText* returned_tag = nullptr;
    ub4 returned_tag_length = 0;
    boolean found = 0;
    Check(OCISessionGet(hEnv, hError, &hSvcCtx, hAuthInfo, TextOf(PoolName),
                        static_cast<ub4>(PoolName.size()), nullptr, 0, &returned_tag,
                        &returned_tag_length, &found, mode));
  } catch (...) {
    hSvcCtx = nullptr;
    FreeOci8Handles();
    throw;
  }
}

void TOCIConnection::ConnectMTS() {
  // The MTS service exists only where its libraries do: loading raises
  // "Can not find ..." on this system.
  LoadMtsSupport();
  hError = hOCIError;
}

void TOCIConnection::DisconnectOci8() {
  Connected = false;
  // Values that kept the context (LOBs, BFILEs) stop calling with it
  // before it is freed.
  CloseSvcCtx(hSvcCtx);
  if (ConnectionKind == kClientPoolSession) {
    OCISvcCtx* context = hSvcCtx;
    hSvcCtx = nullptr;
    // The client's pool would hand a session with changed settings to its
    // next user as it is: such a session leaves the pool.
    const ub4 mode = SessionSettingsChanged ? OCI_SESSRLS_DROP : OCI_DEFAULT;
    try {
      Check(OCISessionRelease(context, hError, nullptr, 0, mode));
    } catch (...) {
      FreeOci8Handles();
      throw;
    }
  } else if (ConnectionKind == kOwnSession && OwnsHandles) {
    // Both ends are tried; the first failure is reported once the handles
    // are freed, so a failing end leaves nothing behind.
    sword end_status = OCI_SUCCESS, detach_status = OCI_SUCCESS;
    // The session's types cannot be used past its end: kept types are
    // described again on the next session, the rest are let go.
    if (hSvcCtx) TOraType::ClearTypes(hSvcCtx, KeepObjectTypes);
    if (hSession) end_status = OCISessionEnd(hSvcCtx, hError, hSession, OCI_DEFAULT);
    if (hServer) detach_status = OCIServerDetach(hServer, hError, OCI_DEFAULT);
    sword failed = end_status != OCI_SUCCESS ? end_status : detach_status;
    if (failed != OCI_SUCCESS) {
      try {
        Check(failed);
      } catch (...) {
        FreeOci8Handles();
        throw;
      }
    }
  }
  FreeOci8Handles();
}

void TOCIConnection::FreeOci8Handles() {
  if (hAuthInfo) OCIHandleFree(hAuthInfo, OCI_HTYPE_AUTHINFO);
  if (hSession) OCIHandleFree(hSession, OCI_HTYPE_SESSION);
  if (hServer) OCIHandleFree(hServer, OCI_HTYPE_SERVER);
  if (hSvcCtx && OwnsHandles) OCIHandleFree(hSvcCtx, OCI_HTYPE_SVCCTX);
  if (hError && hError != hOCIError) OCIHandleFree(hError, OCI_HTYPE_ERROR);
  hAuthInfo = nullptr;
  hSession = nullptr;
  hServer = nullptr;
  hSvcCtx = nullptr;
  hError = nullptr;
  hEnv = nullptr;
  if (owns_lda_) lda_.reset();
}

void TOCIConnection::RegisterFailover() {
  if (ProxyConnection || IsDirectMode() || OCICallStyle != kOci8 || ConnectionKind != kOwnSession) return;
  if (GetOracleVersion() < 8000) return;
  OCIFocbkStruct record{&TOCIConnection::FailoverCallback, this};
  SetAttr(hServer, OCI_HTYPE_SERVER, &record, 0, OCI_ATTR_FOCBK);
}

}  // namespace oracle
