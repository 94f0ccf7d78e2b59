// Typed entries of the table for the statement calls of commands: the
// statement cache, array, dynamic and piecewise binds, ROWID texts, and the
// older interface's cursor calls beyond those the connection makes.
// Signatures are those of the public call interface.
#pragma once

#include "oracle/call_table.h"
#include "oracle/oci_defs.h"

namespace oracle {

// What the client library calls for the pieces of a dynamic bind.
using OCICallbackInBind = sb4 (*)(void* context, OCIBind* bind, ub4 iteration, ub4 index,
                                  void** buffer, ub4* length, ub1* piece, void** indicator);
using OCICallbackOutBind = sb4 (*)(void* context, OCIBind* bind, ub4 iteration, ub4 index,
                                   void** buffer, ub4** length, ub1* piece, void** indicator,
                                   ub2** return_code);

// clang-format off
inline constexpr OciEntry<OciSlot::OCIStmtPrepare2,
    sword(OCISvcCtx* context, OCIStmt** statement, OCIError* error, const OraText* text,
          ub4 length, const OraText* key, ub4 key_length, ub4 language, ub4 mode)>
    OCIStmtPrepare2{};
inline constexpr OciEntry<OciSlot::OCIStmtRelease,
    sword(OCIStmt* statement, OCIError* error, const OraText* key, ub4 key_length, ub4 mode)>
    OCIStmtRelease{};
inline constexpr OciEntry<OciSlot::OCIBindArrayOfStruct,
    sword(OCIBind* bind, OCIError* error, ub4 value_skip, ub4 indicator_skip, ub4 length_skip,
          ub4 return_code_skip)> OCIBindArrayOfStruct{};
inline constexpr OciEntry<OciSlot::OCIBindDynamic,
    sword(OCIBind* bind, OCIError* error, void* in_context, OCICallbackInBind in_callback,
          void* out_context, OCICallbackOutBind out_callback)> OCIBindDynamic{};
// An object, collection or REF bind: its type and the cells of the instance
// (or REF) and of its null-indicator structure.
inline constexpr OciEntry<OciSlot::OCIBindObject,
    sword(OCIBind* bind, OCIError* error, const OCIType* type, void** value, ub4* value_size,
          void** indicator, ub4* indicator_size)> OCIBindObject{};
inline constexpr OciEntry<OciSlot::OCIStmtGetPieceInfo,
    sword(OCIStmt* statement, OCIError* error, void** handle, ub4* handle_type, ub1* in_out,
          ub4* iteration, ub4* index, ub1* piece)> OCIStmtGetPieceInfo{};
inline constexpr OciEntry<OciSlot::OCIStmtSetPieceInfo,
    sword(void* handle, ub4 handle_type, OCIError* error, const void* buffer, ub4* length,
          ub1 piece, const void* indicator, ub2* return_code)> OCIStmtSetPieceInfo{};
inline constexpr OciEntry<OciSlot::OCIRowidToChar,
    sword(OCIRowid* rowid, OraText* buffer, ub2* buffer_length, OCIError* error)>
    OCIRowidToChar{};
// The older interface.
inline constexpr OciEntry<OciSlot::oexn, sword(ub1* cda, sword iterations, sword row_offset)>
    oexn{};
inline constexpr OciEntry<OciSlot::ocan, sword(ub1* cda)> ocan{};
inline constexpr OciEntry<OciSlot::obndra,
    sword(ub1* cda, const OraText* name, sword name_length, ub1* value, sword value_size,
          sword type, sword scale, sb2* indicator, ub2* length, ub2* return_code, ub4 max_array,
          ub4* current_array, const OraText* format, sword format_length, sword format_type)>
    obndra{};
inline constexpr OciEntry<OciSlot::obindps,
    sword(ub1* cda, ub1 operation, const OraText* name, sword name_length, ub1* value,
          sb4 value_size, sword type, sword scale, sb2* indicator, ub2* length,
          ub2* return_code, sb4 value_skip, sb4 indicator_skip, sb4 length_skip,
          sb4 return_code_skip, ub4 max_array, ub4* current_array, const OraText* format,
          sb4 format_length, sword format_type)> obindps{};
inline constexpr OciEntry<OciSlot::ogetpi,
    sword(ub1* cda, ub1* piece, void** context, ub4* iteration, ub4* index)> ogetpi{};
inline constexpr OciEntry<OciSlot::osetpi, sword(ub1* cda, ub1 piece, void* buffer, ub4* length)>
    osetpi{};
// clang-format on

// Results of the older interface that are no errors for an execute: the
// next piece of a piecewise transfer is wanted, or the call would block.
constexpr sword kOci7NeedNextPiece = -3129;
constexpr sword kOci7NeedNextPiece2 = -3130;
constexpr sword kOci7WouldBlock = -3123;
// OCIStmtGetPieceInfo: what asks for a piece.
constexpr ub1 OCI_PARAM_IN = 1;
constexpr ub1 OCI_PARAM_OUT = 2;

}  // namespace oracle
