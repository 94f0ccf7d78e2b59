// The call-interface entry points of the stand-in client library. Each
// behaves as the public call interface documents it: handles are checked
// (a freed or foreign one answers -2), errors land on the error handle passed
// and are read back with OCIErrorGet, attributes are copied with their
// documented widths. Every call is logged with the arguments that matter.
#include <algorithm>
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_fetch.h"
#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

std::string Text(const OraText* text, sb4 length) {
  if (!text || length <= 0) return "";
  return std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
}

// The value of a text attribute; empty when it was never set.
std::string TextAttribute(const Handle* handle, ub4 attribute) {
  auto found = handle->values.find(attribute);
  return found == handle->values.end() ? "" : found->second;
}

ub2 StatementTypeOf(const std::string& sql) {
  const std::string word = LeadingWord(sql);
  if (word == "SELECT" || word == "WITH") return OCI_STMT_SELECT;
  if (word == "UPDATE") return OCI_STMT_UPDATE;
  if (word == "DELETE") return OCI_STMT_DELETE;
  if (word == "INSERT") return OCI_STMT_INSERT;
  if (word == "CREATE") return OCI_STMT_CREATE;
  if (word == "DROP") return OCI_STMT_DROP;
  if (word == "ALTER") return OCI_STMT_ALTER;
  if (word == "BEGIN") return OCI_STMT_BEGIN;
  if (word == "DECLARE") return OCI_STMT_DECLARE;
  return 0;
}

// Writes a scalar of `width` bytes from the stored bytes (zero when unset).
void PutScalar(const std::string& stored, void* value, int width) {
  std::string bytes = stored;
  bytes.resize(static_cast<size_t>(width), '\0');
  std::memcpy(value, bytes.data(), static_cast<size_t>(width));
}

// Scalars the stand-in computes instead of storing.
bool ComputedScalar(const Handle* handle, ub4 attribute, std::string& bytes) {
  auto as_bytes = [&bytes](const auto& value) {
    bytes.assign(reinterpret_cast<const char*>(&value), sizeof value);
    return true;
  };
  if (handle->type == OCI_HTYPE_STMT) {
    if (attribute == OCI_ATTR_STMT_TYPE) return as_bytes(handle->statement_type);
    if (attribute == OCI_ATTR_PARAM_COUNT) return as_bytes(static_cast<ub4>(handle->columns.size()));
    if (attribute == OCI_ATTR_ROW_COUNT) return as_bytes(handle->statement.rows_processed);
  }
  if (handle->type == OCI_DTYPE_PARAM && attribute == OCI_ATTR_DATA_TYPE && !handle->values.count(attribute))
    return as_bytes(SQLT_CHR);
  return false;
}

}  // namespace

extern "C" {

sword OCIInitialize(ub4 mode, void*, void*, void*, void*) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIInitialize mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIInitialize", nullptr)) return status;
  state.process_initialized = true;
  return OCI_SUCCESS;
}

sword OCIEnvInit(OCIEnv** env, ub4 mode, size_t, void**) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIEnvInit mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIEnvInit", nullptr)) return status;
  // The process must have been initialised first.
  if (!env || !state.process_initialized) return OCI_ERROR;
  Handle* handle = NewHandle(state, OCI_HTYPE_ENV, nullptr);
  handle->mode = mode;
  *env = reinterpret_cast<OCIEnv*>(handle);
  return OCI_SUCCESS;
}

sword OCIEnvCreate(OCIEnv** env, ub4 mode, void*, void*, void*, void*, size_t, void**) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIEnvCreate mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIEnvCreate", nullptr)) return status;
  if (!env) return OCI_ERROR;
  Handle* handle = NewHandle(state, OCI_HTYPE_ENV, nullptr);
  handle->mode = mode;
  *env = reinterpret_cast<OCIEnv*>(handle);
  return OCI_SUCCESS;
}

sword OCIHandleAlloc(const void* parent, void** handle, ub4 type, size_t, void**) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIHandleAlloc type=" + std::to_string(type));
  if (sword status = InjectedStatus(state, "OCIHandleAlloc", nullptr)) return status;
  Handle* env = Live(state, parent, OCI_HTYPE_ENV);
  if (!env || !handle) return OCI_INVALID_HANDLE;
  bool known = type == OCI_HTYPE_ERROR || type == OCI_HTYPE_SVCCTX || type == OCI_HTYPE_STMT ||
               type == OCI_HTYPE_DESCRIBE || type == OCI_HTYPE_SERVER ||
               type == OCI_HTYPE_SESSION || type == OCI_HTYPE_TRANS ||
               type == OCI_HTYPE_SUBSCRIPTION || type == OCI_HTYPE_SPOOL;
  if (!known) return OCI_INVALID_HANDLE;
  *handle = NewHandle(state, type, env);
  return OCI_SUCCESS;
}

sword OCIHandleFree(void* handle, ub4 type) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIHandleFree type=" + std::to_string(type));
  Handle* live = Live(state, handle, type);
  if (!live) return OCI_INVALID_HANDLE;
  FreeHandle(state, live);
  return OCI_SUCCESS;
}

sword OCIDescriptorFree(void* descriptor, ub4 type) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIDescriptorFree type=" + std::to_string(type));
  Handle* live = Live(state, descriptor, type);
  if (!live) return OCI_INVALID_HANDLE;
  FreeHandle(state, live);
  return OCI_SUCCESS;
}

sword OCIErrorGet(void* handle, ub4 record, OraText* sql_state, sb4* code, OraText* buffer,
                  ub4 buffer_size, ub4 type) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIErrorGet record=" + std::to_string(record) + " type=" + std::to_string(type));
  if (type != OCI_HTYPE_ERROR && type != OCI_HTYPE_ENV) return OCI_INVALID_HANDLE;
  Handle* live = Live(state, handle, type);
  if (!live) return OCI_INVALID_HANDLE;
  if (record != 1 || live->error_code == 0) return OCI_NO_DATA;
  if (code) *code = live->error_code;
  if (sql_state) std::memcpy(sql_state, "HY000", 6);
  if (buffer && buffer_size > 0) {
    size_t count = std::min<size_t>(live->error_text.size(), buffer_size - 1);
    std::memcpy(buffer, live->error_text.data(), count);
    buffer[count] = '\0';
  }
  return OCI_SUCCESS;
}

sword OCIAttrSet(void* target, ub4 target_type, void* value, ub4 size, ub4 attribute,
                 OCIError* error) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIAttrSet htype=" + std::to_string(target_type) + " attr=" + std::to_string(attribute));
  if (sword status = InjectedStatus(state, "OCIAttrSet", error)) return status;
  if (target_type == OCI_HTYPE_DEFINE) return SetDefineAttribute(state, target, attribute, value, error);
  Handle* live = Live(state, target, target_type);
  if (!live) return OCI_INVALID_HANDLE;
  // The fail-over record is copied: the caller's lives only for this call.
  if (attribute == OCI_ATTR_FOCBK && target_type == OCI_HTYPE_SERVER && value) {
    live->extra.failover = *static_cast<const OCIFocbkStruct*>(value);
    return OCI_SUCCESS;
  }
  OciAttrShape shape = OciAttrShapeOf(target_type, attribute);
  switch (shape.kind) {
    case OciAttrKind::Scalar:
      live->values[attribute].assign(static_cast<const char*>(value), static_cast<size_t>(shape.width));
      return OCI_SUCCESS;
    case OciAttrKind::Text:
      live->values[attribute] = Text(static_cast<const OraText*>(value), static_cast<sb4>(size));
      return OCI_SUCCESS;
    case OciAttrKind::Pointer:
      live->pointers[attribute] = value;
      return OCI_SUCCESS;
    case OciAttrKind::Unknown:
      break;
  }
  return Fail(state, error, 24315, "ORA-24315: illegal attribute type");
}

sword OCIAttrGet(const void* target, ub4 target_type, void* value, ub4* size, ub4 attribute,
                 OCIError* error) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIAttrGet htype=" + std::to_string(target_type) + " attr=" + std::to_string(attribute));
  if (sword status = InjectedStatus(state, "OCIAttrGet", error)) return status;
  if (target_type == OCI_HTYPE_DEFINE) return GetDefineAttribute(state, target, attribute, value, size, error);
  Handle* live = Live(state, target, target_type);
  if (!live || !value) return OCI_INVALID_HANDLE;
  // The ROWID is copied into the descriptor the caller hands over.
  if (target_type == OCI_HTYPE_STMT && attribute == OCI_ATTR_ROWID)
    return StatementRowid(state, live, value, error);
  OciAttrShape shape = OciAttrShapeOf(target_type, attribute);
  switch (shape.kind) {
    case OciAttrKind::Scalar: {
      std::string bytes;
      if (!ComputedScalar(live, attribute, bytes)) bytes = TextAttribute(live, attribute);
      PutScalar(bytes, value, shape.width);
      if (size) *size = static_cast<ub4>(shape.width);
      return OCI_SUCCESS;
    }
    case OciAttrKind::Text: {
      // The text stays owned by the handle; the caller gets its address.
      std::string& text = target_type == OCI_DTYPE_PARAM && attribute == OCI_ATTR_NAME
                              ? live->name
                              : live->values[attribute];
      *static_cast<const char**>(value) = text.c_str();
      if (size) *size = static_cast<ub4>(text.size());
      return OCI_SUCCESS;
    }
    case OciAttrKind::Pointer: {
      auto found = live->pointers.find(attribute);
      void* pointer = found == live->pointers.end() ? nullptr : found->second;
      if (attribute == OCI_ATTR_ENV) {
        // The environment the handle was made in, however deep below it
        // (a pooled session's context hangs under its pool).
        Handle* owner = live->parent;
        while (owner && owner->type != OCI_HTYPE_ENV) owner = owner->parent;
        pointer = owner;
      }
      *static_cast<void**>(value) = pointer;
      return OCI_SUCCESS;
    }
    case OciAttrKind::Unknown:
      break;
  }
  return Fail(state, error, 24315, "ORA-24315: illegal attribute type");
}

sword OCIServerAttach(OCIServer* server, OCIError* error, const OraText* link, sb4 link_length,
                      ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIServerAttach link=" + Text(link, link_length) + " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIServerAttach", error)) return status;
  Handle* live = Live(state, server, OCI_HTYPE_SERVER);
  if (!live || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  live->attached = true;
  live->name = Text(link, link_length);
  return Answered(state, OCI_SUCCESS);
}

sword OCIServerDetach(OCIServer* server, OCIError* error, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIServerDetach mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIServerDetach", error)) return status;
  Handle* live = Live(state, server, OCI_HTYPE_SERVER);
  if (!live) return OCI_INVALID_HANDLE;
  if (!live->attached) return Fail(state, error, 24327, "ORA-24327: need explicit attach before authenticating a user");
  live->attached = false;
  return OCI_SUCCESS;
}

sword OCISessionBegin(OCISvcCtx* context, OCIError* error, OCISession* session, ub4 credentials,
                      ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Handle* live_session = Live(state, session, OCI_HTYPE_SESSION);
  std::string user = live_session ? TextAttribute(live_session, OCI_ATTR_USERNAME) : "";
  Log(state, "OCISessionBegin user=" + user + " cred=" + std::to_string(credentials) +
                 " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCISessionBegin", error)) return status;
  Handle* live_context = Live(state, context, OCI_HTYPE_SVCCTX);
  if (!live_context || !live_session || !Live(state, error, OCI_HTYPE_ERROR))
    return OCI_INVALID_HANDLE;
  Handle* server = Live(state, live_context->pointers[OCI_ATTR_SERVER], OCI_HTYPE_SERVER);
  if (!server || !server->attached)
    return Fail(state, error, 24327, "ORA-24327: need explicit attach before authenticating a user");
  if (credentials == OCI_CRED_RDBMS) {
    auto account = state.accounts.find(Upper(user));
    if (account == state.accounts.end() ||
        account->second != TextAttribute(live_session, OCI_ATTR_PASSWORD))
      return Fail(state, error, 1017, "ORA-01017: invalid username/password; logon denied\n");
  }
  std::string text;
  if (sb4 code = TierSessionBegin(state, server, live_session, user, text)) return Fail(state, error, code, text);
  live_session->logged_on = true;
  return Answered(state, OCI_SUCCESS);
}

sword OCISessionEnd(OCISvcCtx* context, OCIError* error, OCISession* session, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCISessionEnd mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCISessionEnd", error)) return status;
  Handle* live = Live(state, session, OCI_HTYPE_SESSION);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !live) return OCI_INVALID_HANDLE;
  live->logged_on = false;
  TierSessionEnd(state, live);
  if (live->extra.link_lost) return Fail(state, error, 3114, "ORA-03114: not connected to ORACLE");
  return OCI_SUCCESS;
}

sword OCIServerVersion(void* handle, OCIError* error, OraText* buffer, ub4 buffer_size,
                       ub1 handle_type) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIServerVersion size=" + std::to_string(buffer_size) +
                 " htype=" + std::to_string(handle_type));
  if (sword status = InjectedStatus(state, "OCIServerVersion", error)) return status;
  if (!Live(state, handle, handle_type) || !buffer || buffer_size == 0) return OCI_INVALID_HANDLE;
  size_t count = std::min<size_t>(state.banner.size(), buffer_size - 1);
  std::memcpy(buffer, state.banner.data(), count);
  buffer[count] = '\0';
  return OCI_SUCCESS;
}

sword OCITransCommit(OCISvcCtx* context, OCIError* error, ub4 flags) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCITransCommit flags=" + std::to_string(flags));
  if (sword status = InjectedStatus(state, "OCITransCommit", error)) return status;
  if (!Live(state, context, OCI_HTYPE_SVCCTX)) return OCI_INVALID_HANDLE;
  if (sword status = LostLinkStatus(state, context, error)) return status;
  if (sword status = TwoPhaseCommitStatus(state, context, flags, error)) return status;
  EndWork(state, context, true);
  return Answered(state, OCI_SUCCESS);
}

sword OCITransRollback(OCISvcCtx* context, OCIError* error, ub4 flags) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCITransRollback flags=" + std::to_string(flags));
  if (sword status = InjectedStatus(state, "OCITransRollback", error)) return status;
  if (!Live(state, context, OCI_HTYPE_SVCCTX)) return OCI_INVALID_HANDLE;
  if (sword status = LostLinkStatus(state, context, error)) return status;
  EndBranch(state, context);
  EndWork(state, context, false);
  return Answered(state, OCI_SUCCESS);
}

sword OCIStmtPrepare(OCIStmt* statement, OCIError* error, const OraText* text, ub4 length,
                     ub4 language, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIStmtPrepare language=" + std::to_string(language) + " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIStmtPrepare", error)) return status;
  Handle* live = Live(state, statement, OCI_HTYPE_STMT);
  if (!live || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  live->sql = Text(text, static_cast<sb4>(length));
  live->statement_type = StatementTypeOf(live->sql);
  live->executed = false;
  live->columns.clear();
  live->statement.placeholders = PlaceholdersOf(live->sql);
  live->extra.binds.clear();
  ForgetCursor(state, live);
  return Answered(state, OCI_SUCCESS);
}

sword OCIStmtExecute(OCISvcCtx* context, OCIStmt* statement, OCIError* error, ub4 iterations,
                     ub4 row_offset, const void*, void*, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIStmtExecute iters=" + std::to_string(iterations) +
                 " offset=" + std::to_string(row_offset) + " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIStmtExecute", error)) return status;
  Handle* live_context = Live(state, context, OCI_HTYPE_SVCCTX);
  Handle* live = Live(state, statement, OCI_HTYPE_STMT);
  if (!live_context || !live || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  Handle* session = Live(state, live_context->pointers[OCI_ATTR_SESSION], OCI_HTYPE_SESSION);
  if (!session || !session->logged_on)
    return Fail(state, error, 3114, "ORA-03114: not connected to ORACLE");
  return Answered(state, ExecuteStatement(state, live_context, session, live, error, iterations, mode));
}

sword OCIParamGet(const void* handle, ub4 handle_type, OCIError* error, void** param, ub4 position) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIParamGet htype=" + std::to_string(handle_type) + " pos=" + std::to_string(position));
  if (sword status = InjectedStatus(state, "OCIParamGet", error)) return status;
  Handle* live = Live(state, handle, handle_type);
  if (!live || !param) return OCI_INVALID_HANDLE;
  if (handle_type == OCI_DTYPE_PARAM) return ObjectListParamGet(state, live, error, param, position);
  // A statement's select list is known once it was executed (in describe
  // mode at least).
  if (handle_type == OCI_HTYPE_STMT && !live->executed)
    return Fail(state, error, 24338, "ORA-24338: statement handle not executed");
  if (handle_type != OCI_HTYPE_STMT || position < 1 ||
      position > live->columns.size()) {
    if (live->executed && position > live->columns.size() && state.fetch.describe_ends_with_no_data)
      return OCI_NO_DATA;
    return Fail(state, error, 24334, "ORA-24334: no descriptor for this position");
  }
  Handle* column = NewHandle(state, OCI_DTYPE_PARAM, live);
  column->name = live->columns[position - 1];
  DescribeColumn(state, live, position, column);
  *param = column;
  return OCI_SUCCESS;
}

sword opinit(ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "opinit mode=" + std::to_string(mode));
  return OCI_SUCCESS;
}

}
