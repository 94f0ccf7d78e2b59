#include "oranet/lob_entries.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "oranet/lob_blocks.h"
#include "oranet/lob_pieces.h"

namespace oranet {

using namespace oracle;  // statuses and external types

namespace {

const char* const kGetLength = "begin :1 := dbms_lob.getLength(:2); end;";
const char* const kTrim = "begin dbms_lob.trim(:1,:2); end;";
const char* const kFreeTemporary = "begin dbms_lob.freetemporary(:1); end;";
constexpr ub1 kTempBlob = 1;

sword ReadLob(TLobCall& call, ub4* amount, ub4 offset, uint8_t* buffer, ub4 bufferLength) {
  TNetLobLocator& locator = call.locator;
  size_t filled = 0;
  bool ended = false;
  if (*amount > 0) {
    int64_t at = std::max<ub4>(offset, 1);
    const sword status = ReadInto(call, at, *amount, buffer, bufferLength, filled, ended);
    *amount = BufferUnits(filled, call.csid);
    return status;
  }
  // Streaming: each call goes on where the last one stopped.
  int64_t at = locator.StreamOffset() != 0 ? locator.StreamOffset() : std::max<ub4>(offset, 1);
  const sword status = ReadInto(call, at, 0, buffer, bufferLength, filled, ended);
  *amount = BufferUnits(filled, call.csid);
  if (status != OCI_SUCCESS || ended) {
    locator.SetStreamOffset(0);
    return status;
  }
  locator.SetStreamOffset(static_cast<uint32_t>(at));
  return OCI_NEED_DATA;
}

template <class Call>
sword OnContext(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, Call&& call) {
  TNetServiceContext* target = NetHandleAs<TNetServiceContext>(context);
  TNetLobLocator* lob = NetHandleAs<TNetLobLocator>(locator);
  if (!target || !lob) return OCI_INVALID_HANDLE;
  TNetError* errorHandle = NetHandleAs<TNetError>(error);
  return GuardedCall(target->Connection().get(), errorHandle, [&] { return call(*target, errorHandle, *lob); });
}

}  // namespace

sword NetLobGetLength(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* length) {
  if (!length) return OCI_INVALID_HANDLE;
  return OnContext(context, error, locator, [&](TNetServiceContext& ctx, TNetError* err, TNetLobLocator& lob) {
    TLocatorCell cell(lob);
    int64_t value = 0;
    const sword status = RunBlock(ctx, err, kGetLength, {IntegerBind(value), cell.Bind()});
    if (status == OCI_SUCCESS) *length = static_cast<ub4>(value);
    return status;
  });
}

sword NetLobRead(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset, void* buffer,
                 ub4 bufferLength, void* callbackContext, void* callback, ub2 csid, ub1) {
  if (!amount || (!buffer && bufferLength > 0)) return OCI_INVALID_HANDLE;
  return OnContext(context, error, locator, [&](TNetServiceContext& ctx, TNetError* err, TNetLobLocator& lob) {
    TLobCall call{ctx, err, lob, csid};
    auto* bytes = static_cast<uint8_t*>(buffer);
    if (callback)
      return ReadLobThroughCallback(call, amount, offset, bytes, bufferLength, callbackContext,
                                    reinterpret_cast<TLobReadCallback>(callback));
    return ReadLob(call, amount, offset, bytes, bufferLength);
  });
}

sword NetLobWrite(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset, void* buffer,
                  ub4 bufferLength, ub1 piece, void* callbackContext, void* callback, ub2 csid, ub1) {
  if (!amount || (!buffer && bufferLength > 0)) return OCI_INVALID_HANDLE;
  return OnContext(context, error, locator, [&](TNetServiceContext& ctx, TNetError* err, TNetLobLocator& lob) {
    TLobCall call{ctx, err, lob, csid};
    return WriteLobPieces(call, amount, offset, static_cast<uint8_t*>(buffer), bufferLength, piece, callbackContext,
                          reinterpret_cast<TLobWriteCallback>(callback));
  });
}

sword NetLobTrim(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4 newLength) {
  return OnContext(context, error, locator, [&](TNetServiceContext& ctx, TNetError* err, TNetLobLocator& lob) {
    TLocatorCell cell(lob);
    int64_t length = newLength;
    return RunBlock(ctx, err, kTrim, {cell.Bind(), IntegerBind(length)});
  });
}

sword NetLobCreateTemporary(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub2, ub1, ub1 lobType,
                            boolean cache, ub2) {
  return OnContext(context, error, locator, [&](TNetServiceContext& ctx, TNetError* err, TNetLobLocator& lob) {
    const int type = lobType == kTempBlob ? kLobBlob : kLobClob;
    const std::string sql = std::string("declare lob1 ") + (type == kLobBlob ? "BLOB" : "CLOB") +
                            "; begin dbms_lob.CreateTemporary (lob1, " + (cache ? "true" : "false") +
                            "); :1 := lob1; end;";
    lob.SetLobType(type);
    TLocatorCell cell(lob);
    const sword status = RunBlock(ctx, err, sql, {cell.Bind()});
    if (status == OCI_SUCCESS) lob.SetTemporary(true);
    return status;
  });
}

sword NetLobFreeTemporary(OCISvcCtx* context, OCIError* error, OCILobLocator* locator) {
  return OnContext(context, error, locator, [&](TNetServiceContext& ctx, TNetError* err, TNetLobLocator& lob) {
    TLocatorCell cell(lob);
    const sword status = RunBlock(ctx, err, kFreeTemporary, {cell.Bind()});
    if (status == OCI_SUCCESS) lob.SetTemporary(false);
    return status;
  });
}

sword NetLobIsTemporary(OCIEnv*, OCIError*, OCILobLocator* locator, boolean* isTemporary) {
  const TNetLobLocator* lob = NetHandleAs<TNetLobLocator>(locator);
  if (!lob || !isTemporary) return OCI_INVALID_HANDLE;
  *isTemporary = lob->Temporary() ? 1 : 0;
  return OCI_SUCCESS;
}

sword NetLobLocatorIsInit(OCIEnv*, OCIError*, const OCILobLocator* locator, boolean* isInit) {
  const TNetLobLocator* lob = NetHandleAs<TNetLobLocator>(locator);
  if (!lob || !isInit) return OCI_INVALID_HANDLE;
  *isInit = lob->IsInit() ? 1 : 0;
  return OCI_SUCCESS;
}

sword NetLobCharSetForm(OCIEnv*, OCIError*, const OCILobLocator*, ub1*) { return OCI_SUCCESS_WITH_INFO; }

}  // namespace oranet
