// The record cache's exception and its messages. The texts are fixed:
// callers and logs match them word for word (the doubled blank in the field
// data text included).
#pragma once

#include "classlib/exceptions.h"

namespace fib {

CLASSLIB_EXCEPTION(EMemManagerError, classlib::Exception)

// The sizes a cache was given do not fit together (or a caller's buffer does
// not fit the record layout).
inline constexpr const char* kIncompatibleSizes = "Incompatible Sizes";
inline constexpr const char* kCantReadBuffer = "Can't read Buffer.Incorrect RecordNo";
inline constexpr const char* kCantReadLogBuffer = "Can't read LogBuffer.Incorrect RecordNo";
inline constexpr const char* kCantWriteBuffer = "Can't write to Buffer.Incorrect RecordNo";
inline constexpr const char* kCantReadFieldData = "Can't read  FieldData .Incorrect RecordNo";

}  // namespace fib
