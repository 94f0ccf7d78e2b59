// The large-object functions of direct mode with the signatures of the
// Oracle layer's entry-point table. Each server operation runs a small
// PL/SQL block on the server's DBMS_LOB package through a statement of its
// own. CLOB amounts are characters on the server and bytes in the caller's
// buffer (UTF-16 units when the caller asks for character set 1000).
#pragma once

#include "oranet/oci_entries.h"

namespace oranet {

using oracle::boolean;
using oracle::OCILobLocator;

sword NetLobGetLength(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* length);
// An amount above 0 reads that much (characters of a CLOB, bytes of a
// BLOB) from `offset`, never past the buffer; it stops at the LOB's end
// or at a piece that brings nothing. An amount of 0 streams the value: each
// call fills at most the buffer and answers OCI_NEED_DATA while data
// remain, OCI_SUCCESS with the last piece (an amount of 0 after the end).
// The amount out is in buffer units: bytes, or UTF-16 units for set 1000.
// With a callback, every buffer-full goes to it (lob_pieces.h) and the
// call answers when the amount (0: the LOB) is read.
sword NetLobRead(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset, void* buffer,
                 ub4 bufferLength, void* callbackContext, void* callback, ub2 csid, ub1 csfrm);
// Writes `amount` units (never past the buffer), in one piece or, by the
// piece kind and the callback, in several (lob_pieces.h); the amount out
// is what was written, in the server's units.
sword NetLobWrite(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset, void* buffer,
                  ub4 bufferLength, ub1 piece, void* callbackContext, void* callback, ub2 csid, ub1 csfrm);
sword NetLobTrim(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4 newLength);
// Type 1 BLOB, 2 CLOB.
sword NetLobCreateTemporary(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub2 csid, ub1 csfrm,
                            ub1 lobType, boolean cache, ub2 duration);
sword NetLobFreeTemporary(OCISvcCtx* context, OCIError* error, OCILobLocator* locator);
sword NetLobIsTemporary(OCIEnv* env, OCIError* error, OCILobLocator* locator, boolean* isTemporary);
sword NetLobLocatorIsInit(OCIEnv* env, OCIError* error, const OCILobLocator* locator, boolean* isInit);
// Answers OCI_SUCCESS_WITH_INFO and writes nothing: the form is not known
// here, and callers in direct mode do not rely on it.
sword NetLobCharSetForm(OCIEnv* env, OCIError* error, const OCILobLocator* locator, ub1* csfrm);

}  // namespace oranet
