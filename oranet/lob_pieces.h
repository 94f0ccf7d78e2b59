// LOB reads and writes in pieces: a write whose data come in several calls
// (first, next and last piece) or from the caller's callback, and a read
// that hands each buffer-full to the caller's callback. The piece kinds
// and callbacks are those of the public call interface.
#pragma once

#include "oranet/lob_blocks.h"

namespace oranet {

// Called with each piece read: its bytes and its kind (first, next or
// last; a value read in one piece comes as the last). OCI_CONTINUE goes on.
using TLobReadCallback = oracle::sb4 (*)(void* context, const void* buffer, ub4 length, ub1 piece);
// Fills the buffer with the next piece: *length in bytes (on entry the
// buffer's size), *piece next or last. OCI_CONTINUE goes on.
using TLobWriteCallback = oracle::sb4 (*)(void* context, void* buffer, ub4* length, ub1* piece);

// A write of kind `piece`. One piece writes the buffer and answers. A first
// piece opens a write of *amount units in all (0: until the last piece) at
// `offset`: with a callback the call goes on through it to the last piece;
// without one it answers OCI_NEED_DATA, and the next and last pieces come in
// further calls (offset ignored), the last answering OCI_SUCCESS. *amount
// out: the units written so far (all of them after the last piece).
sword WriteLobPieces(TLobCall& call, ub4* amount, ub4 offset, uint8_t* buffer, ub4 bufferLength, ub1 piece,
                     void* callbackContext, TLobWriteCallback callback);

// Reads *amount units (0: to the end) from `offset` a buffer-full at a
// time, each handed to the callback; *amount out: the buffer units read.
sword ReadLobThroughCallback(TLobCall& call, ub4* amount, ub4 offset, uint8_t* buffer, ub4 bufferLength,
                             void* callbackContext, TLobReadCallback callback);

}  // namespace oranet
