// Describing and fetching a select list: the defines and the plain fetch
// are among the layer's common entries (call_entries.h); this adds the
// scrollable fetch, the define of object columns and the describe loop's
// constants. Signatures are those of the public call interface.
#pragma once

#include "oracle/call_entries.h"

namespace oracle {

// clang-format off
inline constexpr OciEntry<OciSlot::OCIStmtFetch2,
    sword(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, sb4 offset, ub4 mode)>
    OCIStmtFetch2{};
inline constexpr OciEntry<OciSlot::OCIDefineObject,
    sword(OCIDefine* define, OCIError* error, const OCIType* type, void** value, ub4* value_size,
          void** indicator, ub4* indicator_size)>
    OCIDefineObject{};
// The older interface's select list: the describe of one column, the
// define with array skips (operation 1: piecewise, the context handed back
// by ogetpi), execute-and-fetch and the fetch of a block or one row.
inline constexpr OciEntry<OciSlot::odescr,
    sword(ub1* cda, sword position, sb4* db_size, sb2* db_type, sb1* name, sb4* name_length,
          sb4* display_size, sb2* precision, sb2* scale, sb2* null_ok)> odescr{};
inline constexpr OciEntry<OciSlot::odefinps,
    sword(ub1* cda, ub1 operation, sword position, ub1* buffer, sb4 buffer_length, sword type,
          sword scale, sb2* indicator, const OraText* format, sb4 format_length, sword format_type,
          ub2* length, ub2* return_code, sb4 value_skip, sb4 indicator_skip, sb4 length_skip,
          sb4 return_code_skip)> odefinps{};
inline constexpr OciEntry<OciSlot::oexfet, sword(ub1* cda, ub4 rows, sword cancel, sword exact)> oexfet{};
inline constexpr OciEntry<OciSlot::ofen, sword(ub1* cda, sword rows)> ofen{};
inline constexpr OciEntry<OciSlot::ofetch, sword(ub1* cda)> ofetch{};
// clang-format on

// The older interface's describe past the last column: "variable not in
// select list".
constexpr sword kOci7NotInSelectList = -1007;
// The older interface's fetch: no more rows (the end code), or the next
// piece of a LONG column is wanted.
constexpr sword kOci7NoMoreRows = 4;
constexpr sword kOci7NextFetchPiece = -3130;
// The length of the name buffer odescr fills.
constexpr sb4 kOci7NameBufferSize = 50;

// The parameter get's answer past the last column: the client library's
// error code (the network client answers 100 instead).
constexpr sb4 kNoDescriptorForPosition = 24334;
// A dynamically defined column's piece callbacks go on.
constexpr ub4 kMaxLongDefineSize = 0x7FFFFFFF;

}  // namespace oracle
