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
// clang-format on

// The parameter get's answer past the last column: the client library's
// error code (the network client answers 100 instead).
constexpr sb4 kNoDescriptorForPosition = 24334;
// A dynamically defined column's piece callbacks go on.
constexpr ub4 kMaxLongDefineSize = 0x7FFFFFFF;

}  // namespace oracle
