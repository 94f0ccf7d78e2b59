// The call-interface functions of direct mode that stand on the handles,
// with the signatures of the Oracle layer's entry-point table. Those that
// talk to the server turn every failure into a status and the error
// handle's number and text; the others answer OCI_INVALID_HANDLE for a
// handle or attribute they do not know.
#pragma once

#include <cstddef>

#include "oranet/oci_handle.h"

namespace oranet {

using oracle::OCIEnv;
using oracle::OCIError;
using oracle::OCIServer;
using oracle::OCISession;
using oracle::OCISvcCtx;
using oracle::OraText;
using oracle::sb4;

sword NetEnvCreate(OCIEnv** env, ub4 mode, void* context, void* (*malloc)(void*, size_t),
                   void* (*realloc)(void*, void*, size_t), void (*free)(void*, void*), size_t extra,
                   void** userMemory);
// Types 2 (error), 3 (service context), 4 (statement), 8 (server) and 9
// (session).
sword NetHandleAlloc(const void* parent, void** handle, ub4 type, size_t extra, void** userMemory);
sword NetHandleFree(void* handle, ub4 type);
sword NetErrorGet(void* handle, ub4 record, OraText* sqlState, sb4* code, OraText* buffer, ub4 bufferSize,
                  ub4 type);
sword NetAttrGet(const void* handle, ub4 handleType, void* value, ub4* size, ub4 attribute, OCIError* error);
sword NetAttrSet(void* handle, ub4 handleType, void* value, ub4 size, ub4 attribute, OCIError* error);
sword NetParamGet(const void* handle, ub4 handleType, OCIError* error, void** param, ub4 position);

// Keeps the server text; the network is reached by NetSessionBegin.
sword NetServerAttach(OCIServer* server, OCIError* error, const OraText* link, sb4 linkLength, ub4 mode);
sword NetServerDetach(OCIServer* server, OCIError* error, ub4 mode);
// Connects and logs on with the session's user name and password; a
// context already connected answers OCI_ERROR.
sword NetSessionBegin(OCISvcCtx* context, OCIError* error, OCISession* session, ub4 credentials, ub4 mode);
// Logs off and disconnects; a context not connected answers OCI_ERROR.
sword NetSessionEnd(OCISvcCtx* context, OCIError* error, OCISession* session, ub4 mode);
// "Oracle7" or "Oracle8" for a service context, bounded by the buffer; an
// empty text for any other handle.
sword NetServerVersion(void* handle, OCIError* error, OraText* buffer, ub4 bufferSize, ub1 handleType);
sword NetBreak(void* handle, OCIError* error);
sword NetTransCommit(OCISvcCtx* context, OCIError* error, ub4 flags);
sword NetTransRollback(OCISvcCtx* context, OCIError* error, ub4 flags);

}  // namespace oranet
