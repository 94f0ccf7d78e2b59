#include "oranet/lob_blocks.h"

#include <algorithm>

#include "oranet/logon_connect.h"
#include "oranet/net_errors.h"
#include "oranet/stmt_call.h"

namespace oranet {

using namespace oracle;  // statuses and external types

namespace {

const char* const kClobRead = "declare a varchar2(32512); begin dbms_lob.read(:1,:2,:3,a); :4 := a; end;";
const char* const kBlobRead = "begin dbms_lob.read(:1,:2,:3,:4); end;";
const char* const kWrite = "begin dbms_lob.write(:1,:2,:3,:4); end;";

struct TLobPiece {
  size_t bytes = 0;
  int64_t amount = 0;  // in the server's units
  bool ended = false;
};

// One read block: up to `ask` units from `offset` into `capacity` bytes.
sword ReadPiece(TLobCall& call, int64_t offset, int64_t ask, uint8_t* dest, size_t capacity, TLobPiece& piece) {
  TLocatorCell cell(call.locator);
  int64_t amount = ask;
  ub2 length = 0;
  const bool clob = call.Clob();
  const TBlockBind data{clob ? SQLT_CHR : SQLT_BIN, dest, static_cast<int>(capacity), &length,
                        clob && call.csid == kCharsetUtf16 ? kCharsetUtf16 : 0};
  TNetError scratch(nullptr);
  TNetError* target = call.error ? call.error : &scratch;
  const sword status = RunBlock(call.context, target, clob ? kClobRead : kBlobRead,
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

}  // namespace

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

int TLobCall::Charset() const {
  if (csid == kCharsetUtf16) return kCharsetUtf16;
  if (locator.CharsetId() != 0) return locator.CharsetId();
  const TLogonSession& logon = context.Logon();
  return logon.clientCharsetId != 0 ? logon.clientCharsetId : logon.server.charsetId;
}

sword ReadInto(TLobCall& call, int64_t& offset, int64_t wanted, uint8_t* buffer, size_t capacity, size_t& filled,
               bool& ended) {
  const bool clob = call.Clob();
  const int charset = call.Charset();
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
    const sword status = ReadPiece(call, offset, ask, buffer + filled, room, piece);
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

sword WriteUnits(TLobCall& call, int64_t& at, const uint8_t* data, size_t size, int64_t maxUnits, bool final,
                 int64_t& units, size_t& consumed) {
  const bool clob = call.Clob();
  const int charset = call.Charset();
  units = 0;
  consumed = 0;
  while (consumed < size && (maxUnits < 0 || units < maxUnits)) {
    const size_t room = std::min<size_t>(size - consumed, kLobPieceBytes);
    const uint8_t* piece = data + consumed;
    const size_t left = maxUnits < 0 ? room : static_cast<size_t>(maxUnits - units);
    size_t bytes;
    int64_t pieceUnits;
    if (clob) {
      const size_t all = ClobCharsInBytes(charset, piece, room);  // a cut character counts whole
      if (final && consumed + room == size && all <= left) {
        bytes = room;
        pieceUnits = static_cast<int64_t>(all);
      } else {
        bytes = ClobBytesForChars(charset, piece, room, left);
        pieceUnits = static_cast<int64_t>(ClobCharsInBytes(charset, piece, bytes));
      }
    } else {
      bytes = std::min(room, left);
      pieceUnits = static_cast<int64_t>(bytes);
    }
    if (bytes == 0 || pieceUnits == 0) break;
    TLocatorCell cell(call.locator);
    int64_t pieceAmount = pieceUnits;
    int64_t pieceOffset = at;
    const TBlockBind bytesBind{clob ? SQLT_AFC : SQLT_BIN, const_cast<uint8_t*>(piece), static_cast<int>(bytes),
                               nullptr, clob && call.csid == kCharsetUtf16 ? kCharsetUtf16 : 0};
    const sword status = RunBlock(call.context, call.error, kWrite,
                                  {cell.Bind(), IntegerBind(pieceAmount), IntegerBind(pieceOffset), bytesBind});
    if (status != OCI_SUCCESS) return status;
    units += pieceUnits;
    at += pieceUnits;
    consumed += bytes;
  }
  return OCI_SUCCESS;
}

}  // namespace oranet
