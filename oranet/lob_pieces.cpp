#include "oranet/lob_pieces.h"

#include <algorithm>

namespace oranet {

using namespace oracle;  // statuses and piece kinds

namespace {

constexpr int kCallbackError = 24343;
const char* const kCallbackErrorText = "ORA-24343: user defined callback error";

sword Fail(TLobCall& call, int number, const std::string& text) {
  if (call.error) call.error->Set(number, text);
  return OCI_ERROR;
}

// One piece of a write: what a character cut at the last piece's end left
// goes first; what this piece cuts off waits for the next, unless it is
// the last (or the amount is used up, which drops the rest).
sword TakePiece(TLobCall& call, TNetLobLocator::TPieceWrite& w, const uint8_t* bytes, size_t size, bool last) {
  dacore::TBytes data = std::move(w.carry);
  data.insert(data.end(), bytes, bytes + size);
  w.carry.clear();
  const int64_t left = w.limit < 0 ? -1 : w.limit - w.written;
  int64_t units = 0;
  size_t consumed = 0;
  const sword status = WriteUnits(call, w.at, data.data(), data.size(), left, last, units, consumed);
  w.written += units;
  if (status == OCI_SUCCESS && (w.limit < 0 || w.written < w.limit))
    w.carry.assign(data.begin() + static_cast<std::ptrdiff_t>(consumed), data.end());
  return status;
}

// A first piece whose further pieces come from the callback, to the last.
sword WriteThroughCallback(TLobCall& call, TNetLobLocator::TPieceWrite& w, uint8_t* buffer, ub4 bufferLength,
                           void* context, TLobWriteCallback callback) {
  for (;;) {
    ub4 length = bufferLength;
    ub1 kind = OCI_NEXT_PIECE;
    if (callback(context, buffer, &length, &kind) != OCI_CONTINUE) return Fail(call, kCallbackError, kCallbackErrorText);
    const bool last = kind != OCI_NEXT_PIECE;
    const sword status = TakePiece(call, w, buffer, std::min(length, bufferLength), last);
    if (status != OCI_SUCCESS || last) return status;
  }
}

}  // namespace

sword WriteLobPieces(TLobCall& call, ub4* amount, ub4 offset, uint8_t* buffer, ub4 bufferLength, ub1 piece,
                     void* callbackContext, TLobWriteCallback callback) {
  TNetLobLocator::TPieceWrite& w = call.locator.PieceWrite();
  if (piece == OCI_ONE_PIECE || piece == OCI_FIRST_PIECE) {
    w = TNetLobLocator::TPieceWrite{};
    w.open = true;
    w.at = std::max<ub4>(offset, 1);
    w.limit = *amount;
    // Only a write in pieces may leave the amount open.
    if (piece == OCI_FIRST_PIECE && *amount == 0) w.limit = -1;
  } else if (!w.open) {
    return Fail(call, -1, "NET: a LOB write piece came without its first piece");
  }
  const bool last = piece == OCI_ONE_PIECE || piece == OCI_LAST_PIECE;
  sword status = TakePiece(call, w, buffer, bufferLength, last);
  const bool further = piece == OCI_FIRST_PIECE && callback;
  if (status == OCI_SUCCESS && further) status = WriteThroughCallback(call, w, buffer, bufferLength, callbackContext, callback);
  *amount = static_cast<ub4>(w.written);
  if (status != OCI_SUCCESS || last || further) {
    w = TNetLobLocator::TPieceWrite{};
    return status;
  }
  return OCI_NEED_DATA;
}

sword ReadLobThroughCallback(TLobCall& call, ub4* amount, ub4 offset, uint8_t* buffer, ub4 bufferLength,
                             void* callbackContext, TLobReadCallback callback) {
  int64_t at = std::max<ub4>(offset, 1);
  const int64_t wanted = *amount;
  size_t total = 0;
  ub1 kind = OCI_FIRST_PIECE;
  for (;;) {
    const int64_t before = at;
    const int64_t left = wanted > 0 ? wanted - (at - std::max<ub4>(offset, 1)) : 0;
    size_t filled = 0;
    bool ended = false;
    const sword status = ReadInto(call, at, left, buffer, bufferLength, filled, ended);
    if (status != OCI_SUCCESS) return status;
    total += filled;
    const bool last = ended || filled == 0 || (wanted > 0 && at - before >= left);
    if (callback(callbackContext, buffer, static_cast<ub4>(filled), last ? OCI_LAST_PIECE : kind) != OCI_CONTINUE)
      return Fail(call, kCallbackError, kCallbackErrorText);
    *amount = BufferUnits(total, call.csid);
    if (last) return OCI_SUCCESS;
    kind = OCI_NEXT_PIECE;
  }
}

}  // namespace oranet
