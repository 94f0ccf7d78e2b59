#include "oranet/lob_entries.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "oranet/lob_locator.h"
#include "oranet/logon_connect.h"
#include "oranet/net_errors.h"
#include "oranet/oci_context.h"
#include "oranet/oci_error.h"
#include "oranet/stmt_call.h"
#include "oranet/value_clob_counts.h"

namespace oranet {

using namespace oracle;  // statuses and external types

namespace {

const char* const kGetLength = "begin :1 := dbms_lob.getLength(:2); end;";
const char* const kClobRead = "declare a varchar2(32512); begin dbms_lob.read(:1,:2,:3,a); :4 := a; end;";
const char* const kBlobRead = "begin dbms_lob.read(:1,:2,:3,:4); end;";
const char* const kWrite = "begin dbms_lob.write(:1,:2,:3,:4); end;";
const char* const kTrim = "begin dbms_lob.trim(:1,:2); end;";
const char* const kFreeTemporary = "begin dbms_lob.freetemporary(:1); end;";
constexpr ub1 kTempBlob = 1;

// One bind of a block, by position.
struct TBlockBind {
  int type;
  void* value;
  int size;
  ub2* length = nullptr;
  int charsetId = 0;
};

// The locator as a bind: its buffer holds the locator's handle.
struct TLocatorCell {
  explicit TLocatorCell(TNetLobLocator& locator) : handle(HandleOf(&locator)), type(locator.LobType()) {}
  TBlockBind Bind() { return {type, &handle, static_cast<int>(sizeof handle)}; }
  void* handle;
  int type;
};

TBlockBind IntegerBind(int64_t& value) { return {SQLT_INT, &value, static_cast<int>(sizeof value)}; }

// Runs a block on a statement of its own, which is closed afterwards
// unless the call broke off (then the stream holds no clean reply).
sword RunBlock(TNetServiceContext& context, TNetError* error, const std::string& sql,
               std::initializer_list<TBlockBind> binds) {
  TNetStatement statement(&context);
  statement.Prepare(sql);
  ub4 position = 1;
  for (const TBlockBind& b : binds) {
    TNetBind* bind = statement.BindAt(position++);
    if (!bind) throw ENetUnknownError(1);
    bind->externalType = b.type;
    bind->value = b.value;
    bind->valueSize = b.size;
    bind->length = b.length;
    bind->charsetId = b.charsetId;
  }
  statement.Attach(&context);
  sword status;
  try {
    status = StmtExecute(statement, error, 1, OCI_DEFAULT);
  } catch (...) {
    statement.cursorId = 0;
    throw;
  }
  TNetError closeError(nullptr);
  const sword closed = StmtClose(statement, status == OCI_SUCCESS ? error : &closeError);
  return status == OCI_SUCCESS ? closed : status;
}

// The character set a CLOB's bytes are counted in.
int ClobCharset(const TNetServiceContext& context, const TNetLobLocator& locator, ub2 csid) {
  if (csid == kCharsetUtf16) return kCharsetUtf16;
  if (locator.CharsetId() != 0) return locator.CharsetId();
  const TLogonSession& logon = context.Logon();
  return logon.clientCharsetId != 0 ? logon.clientCharsetId : logon.server.charsetId;
}

struct TLobPiece {
  size_t bytes = 0;
  int64_t amount = 0;  // in the server's units
  bool ended = false;
};

// One read block: up to `ask` units from `offset` into `capacity` bytes.
sword ReadPiece(TNetServiceContext& context, TNetError* error, TNetLobLocator& locator, int64_t offset, int64_t ask,
                uint8_t* dest, size_t capacity, ub2 csid, TLobPiece& piece) {
  TLocatorCell cell(locator);
  int64_t amount = ask;
  ub2 length = 0;
  const bool clob = locator.IsCharacter();
  const TBlockBind data{clob ? SQLT_CHR : SQLT_BIN, dest, static_cast<int>(capacity), &length,
                        clob && csid == kCharsetUtf16 ? kCharsetUtf16 : 0};
  TNetError scratch(nullptr);
  TNetError* target = error ? error : &scratch;
  const sword status = RunBlock(context, target, clob ? kClobRead : kBlobRead,
                                {cell.Bind(), IntegerBind(amount), IntegerBind(offset), data});
  // Reading past the end is the server's "no data found": the end here.
  if (status == OCI_ERROR && target->Number() == kNoDataError) {
    target->Clear();
    piece = TLobPiece{0, 0, true};
    return OCI_SUCCESS;
  }
  if (status != OCI_SUCCESS) return status;
  piece.bytes = std::min<size_t>(length, capacity);
  piece.amount = amount;
  piece.ended = piece.bytes == 0 || amount <= 0 || amount < ask;
  return OCI_SUCCESS;
}

// What one piece may ask for: units that cannot overflow `room` bytes.
int64_t PieceUnits(bool clob, int charset, size_t room) {
  const size_t bytes = std::min<size_t>(room, kLobPieceBytes);
  if (!clob) return static_cast<int64_t>(bytes);
  return static_cast<int64_t>(bytes / static_cast<size_t>(CharsetMaxCharWidth(charset)));
}

// Reads pieces into the buffer from `offset` until `wanted` units (0: as
// many as fit) are read, the LOB ends, or the buffer is full.
sword ReadInto(TNetServiceContext& context, TNetError* error, TNetLobLocator& locator, int64_t& offset, int64_t wanted,
               uint8_t* buffer, size_t capacity, ub2 csid, size_t& filled, bool& ended) {
  const bool clob = locator.IsCharacter();
  const int charset = ClobCharset(context, locator, csid);
  filled = 0;
  ended = false;
  int64_t read = 0;
  while (wanted == 0 || read < wanted) {
    int64_t ask = PieceUnits(clob, charset, capacity - filled);
    if (wanted > 0) ask = std::min(ask, wanted - read);
    if (ask <= 0) break;
    // The piece's buffer is what the units asked for can fill, no more.
    const size_t room =
        std::min(capacity - filled, static_cast<size_t>(ask) * (clob ? CharsetMaxCharWidth(charset) : 1));
    TLobPiece piece;
    const sword status = ReadPiece(context, error, locator, offset, ask, buffer + filled, room, csid, piece);
    if (status != OCI_SUCCESS) return status;
    filled += piece.bytes;
    if (piece.amount > 0) {
      read += piece.amount;
      offset += piece.amount;
    }
    if (piece.ended) {
      ended = true;
      break;
    }
  }
  return OCI_SUCCESS;
}

ub4 BufferUnits(size_t bytes, ub2 csid) { return static_cast<ub4>(csid == kCharsetUtf16 ? bytes / 2 : bytes); }

sword ReadLob(TNetServiceContext& context, TNetError* error, TNetLobLocator& locator, ub4* amount, ub4 offset,
              uint8_t* buffer, ub4 bufferLength, ub2 csid) {
  size_t filled = 0;
  bool ended = false;
  if (*amount > 0) {
    int64_t at = std::max<ub4>(offset, 1);
    const sword status = ReadInto(context, error, locator, at, *amount, buffer, bufferLength, csid, filled, ended);
    *amount = BufferUnits(filled, csid);
    return status;
  }
  // Streaming: each call goes on where the last one stopped.
  int64_t at = locator.StreamOffset() != 0 ? locator.StreamOffset() : std::max<ub4>(offset, 1);
  const sword status = ReadInto(context, error, locator, at, 0, buffer, bufferLength, csid, filled, ended);
  *amount = BufferUnits(filled, csid);
  if (status != OCI_SUCCESS || ended) {
    locator.SetStreamOffset(0);
    return status;
  }
  locator.SetStreamOffset(static_cast<uint32_t>(at));
  return OCI_NEED_DATA;
}

sword WriteLob(TNetServiceContext& context, TNetError* error, TNetLobLocator& locator, ub4* amount, ub4 offset,
               const uint8_t* buffer, ub4 bufferLength, ub2 csid) {
  const bool clob = locator.IsCharacter();
  const int charset = ClobCharset(context, locator, csid);
  const int64_t wanted = *amount;
  int64_t written = 0;
  int64_t at = std::max<ub4>(offset, 1);
  size_t position = 0;
  *amount = 0;
  while (written < wanted && position < bufferLength) {
    const size_t room = std::min<size_t>(bufferLength - position, kLobPieceBytes);
    const uint8_t* piece = buffer + position;
    size_t bytes;
    int64_t units;
    if (clob) {
      bytes = ClobBytesForChars(charset, piece, room, static_cast<size_t>(wanted - written));
      units = static_cast<int64_t>(ClobCharsInBytes(charset, piece, bytes));
    } else {
      bytes = std::min<size_t>(room, static_cast<size_t>(wanted - written));
      units = static_cast<int64_t>(bytes);
    }
    if (bytes == 0 || units == 0) break;
    TLocatorCell cell(locator);
    int64_t pieceAmount = units;
    int64_t pieceOffset = at;
    const TBlockBind data{clob ? SQLT_AFC : SQLT_BIN, const_cast<uint8_t*>(piece), static_cast<int>(bytes), nullptr,
                          clob && csid == kCharsetUtf16 ? kCharsetUtf16 : 0};
    const sword status =
        RunBlock(context, error, kWrite, {cell.Bind(), IntegerBind(pieceAmount), IntegerBind(pieceOffset), data});
    if (status != OCI_SUCCESS) return status;
    written += units;
    at += units;
    position += bytes;
    *amount = static_cast<ub4>(written);
  }
  return OCI_SUCCESS;
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
                 ub4 bufferLength, void*, void*, ub2 csid, ub1) {
  if (!amount || (!buffer && bufferLength > 0)) return OCI_INVALID_HANDLE;
  return OnContext(context, error, locator, [&](TNetServiceContext& ctx, TNetError* err, TNetLobLocator& lob) {
    return ReadLob(ctx, err, lob, amount, offset, static_cast<uint8_t*>(buffer), bufferLength, csid);
  });
}

sword NetLobWrite(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset, void* buffer,
                  ub4 bufferLength, ub1, void*, void*, ub2 csid, ub1) {
  if (!amount || (!buffer && bufferLength > 0)) return OCI_INVALID_HANDLE;
  return OnContext(context, error, locator, [&](TNetServiceContext& ctx, TNetError* err, TNetLobLocator& lob) {
    return WriteLob(ctx, err, lob, amount, offset, static_cast<const uint8_t*>(buffer), bufferLength, csid);
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
