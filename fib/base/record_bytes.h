// Values read from and written to the byte layout of stored records and
// record buffers. Slots there carry no alignment, so every access copies.
#pragma once

#include "classlib/unaligned.h"
#include "fib/base/sql_types.h"

namespace fib {

using classlib::LoadUnaligned;
using classlib::StoreUnaligned;

// CHAR and VARCHAR columns: their values are text slots of the record.
inline bool IsTextColumn(int sql_type) { return sql_type == kSQLText || sql_type == kSQLVarying; }

}  // namespace fib
