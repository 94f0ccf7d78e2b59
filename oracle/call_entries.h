// Typed entries of the table for the functions the layer calls. The
// signatures are those of the public call interface; an entry is declared
// here when its first caller is written. OCIAttrGet and OCIAttrSet take the
// value by address, whatever its width (oci_defs.h gives the widths).
#pragma once

#include <cstddef>

#include "oracle/call_table.h"
#include "oracle/oci_defs.h"

namespace oracle {

using OciMalloc = void* (*)(void* context, size_t size);
using OciRealloc = void* (*)(void* context, void* memory, size_t size);
using OciFree = void (*)(void* context, void* memory);
// What the client library calls for the pieces of a dynamic define.
using OCICallbackDefine = sb4 (*)(void* context, OCIDefine* define, ub4 iteration, void** buffer,
                                  ub4** length, ub1* piece, void** indicator, ub2** return_code);

// clang-format off
// Environment and handles.
inline constexpr OciEntry<OciSlot::OCIInitialize,
    sword(ub4 mode, void* context, OciMalloc, OciRealloc, OciFree)> OCIInitialize{};
inline constexpr OciEntry<OciSlot::OCIEnvInit,
    sword(OCIEnv** env, ub4 mode, size_t extra, void** user_memory)> OCIEnvInit{};
inline constexpr OciEntry<OciSlot::OCIEnvCreate,
    sword(OCIEnv** env, ub4 mode, void* context, OciMalloc, OciRealloc, OciFree,
          size_t extra, void** user_memory)> OCIEnvCreate{};
inline constexpr OciEntry<OciSlot::OCIHandleAlloc,
    sword(const void* parent, void** handle, ub4 type, size_t extra, void** user_memory)>
    OCIHandleAlloc{};
inline constexpr OciEntry<OciSlot::OCIHandleFree, sword(void* handle, ub4 type)> OCIHandleFree{};
inline constexpr OciEntry<OciSlot::OCIDescriptorAlloc,
    sword(const void* parent, void** descriptor, ub4 type, size_t extra, void** user_memory)>
    OCIDescriptorAlloc{};
inline constexpr OciEntry<OciSlot::OCIDescriptorFree, sword(void* descriptor, ub4 type)>
    OCIDescriptorFree{};
inline constexpr OciEntry<OciSlot::OCIErrorGet,
    sword(void* handle, ub4 record, OraText* sql_state, sb4* code, OraText* buffer,
          ub4 buffer_size, ub4 type)> OCIErrorGet{};
inline constexpr OciEntry<OciSlot::OCIAttrGet,
    sword(const void* handle, ub4 handle_type, void* value, ub4* size, ub4 attribute,
          OCIError* error)> OCIAttrGet{};
inline constexpr OciEntry<OciSlot::OCIAttrSet,
    sword(void* handle, ub4 handle_type, void* value, ub4 size, ub4 attribute,
          OCIError* error)> OCIAttrSet{};
inline constexpr OciEntry<OciSlot::OCIParamGet,
    sword(const void* handle, ub4 handle_type, OCIError* error, void** param, ub4 position)>
    OCIParamGet{};

// Sessions.
inline constexpr OciEntry<OciSlot::OCIServerAttach,
    sword(OCIServer* server, OCIError* error, const OraText* link, sb4 link_length, ub4 mode)>
    OCIServerAttach{};
inline constexpr OciEntry<OciSlot::OCIServerDetach,
    sword(OCIServer* server, OCIError* error, ub4 mode)> OCIServerDetach{};
inline constexpr OciEntry<OciSlot::OCISessionBegin,
    sword(OCISvcCtx* context, OCIError* error, OCISession* session, ub4 credentials, ub4 mode)>
    OCISessionBegin{};
inline constexpr OciEntry<OciSlot::OCISessionEnd,
    sword(OCISvcCtx* context, OCIError* error, OCISession* session, ub4 mode)> OCISessionEnd{};
inline constexpr OciEntry<OciSlot::OCIServerVersion,
    sword(void* handle, OCIError* error, OraText* buffer, ub4 buffer_size, ub1 handle_type)>
    OCIServerVersion{};
inline constexpr OciEntry<OciSlot::OCIPing, sword(OCISvcCtx* context, OCIError* error, ub4 mode)>
    OCIPing{};
inline constexpr OciEntry<OciSlot::OCITransCommit,
    sword(OCISvcCtx* context, OCIError* error, ub4 flags)> OCITransCommit{};
inline constexpr OciEntry<OciSlot::OCITransRollback,
    sword(OCISvcCtx* context, OCIError* error, ub4 flags)> OCITransRollback{};
inline constexpr OciEntry<OciSlot::OCITransStart,
    sword(OCISvcCtx* context, OCIError* error, uword timeout, ub4 flags)> OCITransStart{};
inline constexpr OciEntry<OciSlot::OCISubscriptionRegister,
    sword(OCISvcCtx* context, OCISubscription** subscriptions, ub2 count, OCIError* error, ub4 mode)>
    OCISubscriptionRegister{};
inline constexpr OciEntry<OciSlot::OCISubscriptionUnRegister,
    sword(OCISvcCtx* context, OCISubscription* subscription, OCIError* error, ub4 mode)>
    OCISubscriptionUnRegister{};
inline constexpr OciEntry<OciSlot::OCISubscriptionEnable,
    sword(OCISubscription* subscription, OCIError* error, ub4 mode)> OCISubscriptionEnable{};
inline constexpr OciEntry<OciSlot::OCISubscriptionDisable,
    sword(OCISubscription* subscription, OCIError* error, ub4 mode)> OCISubscriptionDisable{};
inline constexpr OciEntry<OciSlot::OCITransPrepare,
    sword(OCISvcCtx* context, OCIError* error, ub4 flags)> OCITransPrepare{};
inline constexpr OciEntry<OciSlot::OCIBreak, sword(void* handle, OCIError* error)> OCIBreak{};
inline constexpr OciEntry<OciSlot::OCISvcCtxToLda,
    sword(OCISvcCtx* context, OCIError* error, ub1* lda)> OCISvcCtxToLda{};
inline constexpr OciEntry<OciSlot::OCISessionGet,
    sword(OCIEnv* env, OCIError* error, OCISvcCtx** context, OCIAuthInfo* authentication,
          const OraText* pool_name, ub4 pool_name_length, const OraText* tag, ub4 tag_length,
          OraText** returned_tag, ub4* returned_tag_length, boolean* found, ub4 mode)>
    OCISessionGet{};
inline constexpr OciEntry<OciSlot::OCISessionRelease,
    sword(OCISvcCtx* context, OCIError* error, const OraText* tag, ub4 tag_length, ub4 mode)>
    OCISessionRelease{};
inline constexpr OciEntry<OciSlot::OCISessionPoolCreate,
    sword(OCIEnv* env, OCIError* error, OCISPool* pool, OraText** pool_name,
          ub4* pool_name_length, const OraText* link, ub4 link_length, ub4 minimum,
          ub4 maximum, ub4 increment, const OraText* user, ub4 user_length,
          const OraText* password, ub4 password_length, ub4 mode)> OCISessionPoolCreate{};
inline constexpr OciEntry<OciSlot::OCISessionPoolDestroy,
    sword(OCISPool* pool, OCIError* error, ub4 mode)> OCISessionPoolDestroy{};

// The older interface's sessions and statements, on caller-owned data areas.
inline constexpr OciEntry<OciSlot::olog,
    sword(ub1* lda, ub1* hda, const OraText* user, sword user_length, const OraText* password,
          sword password_length, const OraText* link, sword link_length, ub4 mode)> olog{};
inline constexpr OciEntry<OciSlot::ologof, sword(ub1* lda)> ologof{};
inline constexpr OciEntry<OciSlot::ocom, sword(ub1* lda)> ocom{};
inline constexpr OciEntry<OciSlot::orol, sword(ub1* lda)> orol{};
inline constexpr OciEntry<OciSlot::obreak, sword(ub1* lda)> obreak{};
inline constexpr OciEntry<OciSlot::oerhms,
    sword(ub1* lda, sb2 code, OraText* buffer, sword buffer_size)> oerhms{};
inline constexpr OciEntry<OciSlot::oopen,
    sword(ub1* cda, ub1* lda, const OraText* database, sword database_length, sword area_size,
          const OraText* user, sword user_length)> oopen{};
inline constexpr OciEntry<OciSlot::oparse,
    sword(ub1* cda, const OraText* text, sb4 length, sword deferred, ub4 syntax)> oparse{};
inline constexpr OciEntry<OciSlot::obndrv,
    sword(ub1* cda, const OraText* name, sword name_length, ub1* value, sword value_size,
          sword type, sword scale, sb2* indicator, const OraText* format, sword format_length,
          sword format_type)> obndrv{};
inline constexpr OciEntry<OciSlot::oexec, sword(ub1* cda)> oexec{};
inline constexpr OciEntry<OciSlot::oclose, sword(ub1* cda)> oclose{};

// Statements.
inline constexpr OciEntry<OciSlot::OCIStmtPrepare,
    sword(OCIStmt* statement, OCIError* error, const OraText* text, ub4 length, ub4 language,
          ub4 mode)> OCIStmtPrepare{};
inline constexpr OciEntry<OciSlot::OCIBindByName,
    sword(OCIStmt* statement, OCIBind** bind, OCIError* error, const OraText* name,
          sb4 name_length, void* value, sb4 value_size, ub2 type, void* indicator,
          ub2* length, ub2* return_code, ub4 max_array, ub4* current_array, ub4 mode)>
    OCIBindByName{};
inline constexpr OciEntry<OciSlot::OCIStmtExecute,
    sword(OCISvcCtx* context, OCIStmt* statement, OCIError* error, ub4 iterations,
          ub4 row_offset, const void* snapshot_in, void* snapshot_out, ub4 mode)>
    OCIStmtExecute{};
inline constexpr OciEntry<OciSlot::OCIStmtFetch,
    sword(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, ub4 mode)>
    OCIStmtFetch{};
inline constexpr OciEntry<OciSlot::OCIBindByPos,
    sword(OCIStmt* statement, OCIBind** bind, OCIError* error, ub4 position, void* value,
          sb4 value_size, ub2 type, void* indicator, ub2* length, ub2* return_code,
          ub4 max_array, ub4* current_array, ub4 mode)> OCIBindByPos{};
inline constexpr OciEntry<OciSlot::OCIDefineByPos,
    sword(OCIStmt* statement, OCIDefine** define, OCIError* error, ub4 position, void* value,
          sb4 value_size, ub2 type, void* indicator, ub2* length, ub2* return_code, ub4 mode)>
    OCIDefineByPos{};
inline constexpr OciEntry<OciSlot::OCIDefineArrayOfStruct,
    sword(OCIDefine* define, OCIError* error, ub4 value_skip, ub4 indicator_skip,
          ub4 length_skip, ub4 return_code_skip)> OCIDefineArrayOfStruct{};
inline constexpr OciEntry<OciSlot::OCIDefineDynamic,
    sword(OCIDefine* define, OCIError* error, void* context, OCICallbackDefine callback)>
    OCIDefineDynamic{};

// The older call interface's process initialisation.
inline constexpr OciEntry<OciSlot::opinit, sword(ub4 mode)> opinit{};
// clang-format on

}  // namespace oracle
