// Typed entries of the table for describing and fetching a select list:
// defines (by position, array of structures, dynamic) and the fetch calls.
// Signatures are those of the public call interface.
#pragma once

#include "oracle/call_table.h"
#include "oracle/oci_defs.h"

namespace oracle {

// What the client library calls for each piece of a dynamically defined column.
using OCICallbackDefine = sb4 (*)(void* context, OCIDefine* define, ub4 iteration, void** buffer, ub4** length,
                                  ub1* piece, void** indicator, ub2** return_code);

// clang-format off
inline constexpr OciEntry<OciSlot::OCIDefineByPos,
    sword(OCIStmt* statement, OCIDefine** define, OCIError* error, ub4 position, void* value, sb4 size,
          ub2 type, void* indicator, ub2* length, ub2* return_code, ub4 mode)> OCIDefineByPos{};
inline constexpr OciEntry<OciSlot::OCIDefineArrayOfStruct,
    sword(OCIDefine* define, OCIError* error, ub4 value_skip, ub4 indicator_skip, ub4 length_skip,
          ub4 return_code_skip)> OCIDefineArrayOfStruct{};
inline constexpr OciEntry<OciSlot::OCIDefineDynamic,
    sword(OCIDefine* define, OCIError* error, void* context, OCICallbackDefine callback)> OCIDefineDynamic{};
inline constexpr OciEntry<OciSlot::OCIStmtFetch,
    sword(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, ub4 mode)> OCIStmtFetch{};
inline constexpr OciEntry<OciSlot::OCIStmtFetch2,
    sword(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, sb4 offset, ub4 mode)>
    OCIStmtFetch2{};
// clang-format on

// The parameter get's answer past the last column: the client library's
// error code (the network client answers 100 instead).
constexpr sb4 kNoDescriptorForPosition = 24334;
// A dynamically defined column's piece callbacks go on.
constexpr ub4 kMaxLongDefineSize = 0x7FFFFFFF;

}  // namespace oracle
