#include "oranet/stmt_entries.h"

#include <string>

#include "oranet/oci_context.h"
#include "oranet/oci_error.h"
#include "oranet/stmt_call.h"
#include "oranet/stmt_statement.h"

namespace oranet {

using namespace oracle;  // statuses

namespace {

constexpr int kBindOutOfRange = 1036;
const char* const kBindOutOfRangeText = "ORA-01036: illegal variable name/number";

sword BindMissing(OCIError* error) {
  if (TNetError* handle = NetHandleAs<TNetError>(error)) handle->Set(kBindOutOfRange, kBindOutOfRangeText);
  return OCI_ERROR;
}

void SetBuffers(TNetDataItem& item, void* value, sb4 valueSize, ub2 type, void* indicator, ub2* length,
                ub2* returnCode) {
  item.value = value;
  item.valueSize = valueSize;
  item.externalType = type;
  item.indicator = indicator;
  item.length = length;
  item.returnCode = returnCode;
}

sword Bind(TNetBind* target, OCIBind** bind, OCIError* error, void* value, sb4 valueSize, ub2 type, void* indicator,
           ub2* length, ub2* returnCode, ub4 maxArray, ub4* currentArray) {
  if (!target) return BindMissing(error);
  SetBuffers(*target, value, valueSize, type, indicator, length, returnCode);
  target->maxArray = maxArray;
  target->currentArray = currentArray;
  if (bind) *bind = reinterpret_cast<OCIBind*>(HandleOf(target));
  return OCI_SUCCESS;
}

void SetSkips(TNetDataItem& item, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip, ub4 returnCodeSkip) {
  item.valueSkip = valueSkip;
  item.indicatorSkip = indicatorSkip;
  item.lengthSkip = lengthSkip;
  item.returnCodeSkip = returnCodeSkip;
}

sword OnStatement(TNetStatement& statement, OCIError* error, const std::function<sword()>& call) {
  return GuardedCall(statement.Connection().get(), NetHandleAs<TNetError>(error), call);
}

}  // namespace

sword NetStmtPrepare(OCIStmt* statement, OCIError* error, const OraText* text, ub4 length, ub4, ub4) {
  TNetStatement* target = NetHandleAs<TNetStatement>(statement);
  if (!target) return OCI_INVALID_HANDLE;
  const std::string sql = text ? std::string(reinterpret_cast<const char*>(text), length) : std::string();
  return GuardedCall(nullptr, NetHandleAs<TNetError>(error), [&] {
    target->Prepare(sql);
    return OCI_SUCCESS;
  });
}

sword NetBindByName(OCIStmt* statement, OCIBind** bind, OCIError* error, const OraText* name, sb4 nameLength,
                    void* value, sb4 valueSize, ub2 type, void* indicator, ub2* length, ub2* returnCode, ub4 maxArray,
                    ub4* currentArray, ub4) {
  TNetStatement* target = NetHandleAs<TNetStatement>(statement);
  if (!target) return OCI_INVALID_HANDLE;
  const std::string text =
      name && nameLength > 0 ? std::string(reinterpret_cast<const char*>(name), static_cast<size_t>(nameLength)) : "";
  return Bind(target->BindByName(text), bind, error, value, valueSize, type, indicator, length, returnCode, maxArray,
              currentArray);
}

sword NetBindByPos(OCIStmt* statement, OCIBind** bind, OCIError* error, ub4 position, void* value, sb4 valueSize,
                   ub2 type, void* indicator, ub2* length, ub2* returnCode, ub4 maxArray, ub4* currentArray, ub4) {
  TNetStatement* target = NetHandleAs<TNetStatement>(statement);
  if (!target) return OCI_INVALID_HANDLE;
  return Bind(target->BindAt(position), bind, error, value, valueSize, type, indicator, length, returnCode, maxArray,
              currentArray);
}

sword NetBindArrayOfStruct(OCIBind* bind, OCIError*, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip,
                           ub4 returnCodeSkip) {
  TNetBind* target = NetHandleAs<TNetBind>(bind);
  if (!target) return OCI_INVALID_HANDLE;
  SetSkips(*target, valueSkip, indicatorSkip, lengthSkip, returnCodeSkip);
  return OCI_SUCCESS;
}

sword NetBindDynamic(OCIBind* bind, OCIError*, void* inContext, TNetInBindCallback inCallback, void* outContext,
                     TNetOutBindCallback outCallback) {
  TNetBind* target = NetHandleAs<TNetBind>(bind);
  if (!target) return OCI_INVALID_HANDLE;
  target->inContext = inContext;
  target->inCallback = inCallback;
  target->outContext = outContext;
  target->outCallback = outCallback;
  return OCI_SUCCESS;
}

sword NetDefineByPos(OCIStmt* statement, OCIDefine** define, OCIError*, ub4 position, void* value, sb4 valueSize,
                     ub2 type, void* indicator, ub2* length, ub2* returnCode, ub4) {
  TNetStatement* target = NetHandleAs<TNetStatement>(statement);
  if (!target || position == 0) return OCI_INVALID_HANDLE;
  TNetDefine& item = target->DefineAt(position);
  SetBuffers(item, value, valueSize, type, indicator, length, returnCode);
  if (define) *define = reinterpret_cast<OCIDefine*>(HandleOf(&item));
  return OCI_SUCCESS;
}

sword NetDefineArrayOfStruct(OCIDefine* define, OCIError*, ub4 valueSkip, ub4 indicatorSkip, ub4 lengthSkip,
                             ub4 returnCodeSkip) {
  TNetDefine* target = NetHandleAs<TNetDefine>(define);
  if (!target) return OCI_INVALID_HANDLE;
  SetSkips(*target, valueSkip, indicatorSkip, lengthSkip, returnCodeSkip);
  return OCI_SUCCESS;
}

sword NetDefineDynamic(OCIDefine* define, OCIError*, void* context, TNetDefineCallback callback) {
  TNetDefine* target = NetHandleAs<TNetDefine>(define);
  if (!target) return OCI_INVALID_HANDLE;
  target->callbackContext = context;
  target->callback = callback;
  return OCI_SUCCESS;
}

sword NetStmtExecute(OCISvcCtx* context, OCIStmt* statement, OCIError* error, ub4 iterations, ub4, const void*, void*,
                     ub4 mode) {
  TNetServiceContext* service = NetHandleAs<TNetServiceContext>(context);
  TNetStatement* target = NetHandleAs<TNetStatement>(statement);
  if (!service || !target) return OCI_INVALID_HANDLE;
  target->Attach(service);
  return OnStatement(*target, error,
                     [&] { return StmtExecute(*target, NetHandleAs<TNetError>(error), iterations, mode); });
}

sword NetStmtFetch(OCIStmt* statement, OCIError* error, ub4 rows, ub2, ub4) {
  TNetStatement* target = NetHandleAs<TNetStatement>(statement);
  if (!target) return OCI_INVALID_HANDLE;
  return OnStatement(*target, error, [&] { return StmtFetch(*target, NetHandleAs<TNetError>(error), rows); });
}

}  // namespace oranet
