// The internal data-type codes that every record store, parameter and field
// description carries (drivers add their own from 100 on), and their
// mapping to the class library's field types.
#pragma once

#include <cstdint>

#include "classlib/db_types.h"

namespace dacore {

using TDataType = uint16_t;

// In the record: what a field's slot holds.
inline constexpr TDataType dtUnknown = 0;
inline constexpr TDataType dtString = 1;       // ANSI characters inline, zero-terminated
inline constexpr TDataType dtInt8 = 2;
inline constexpr TDataType dtInt16 = 3;
inline constexpr TDataType dtInt32 = 4;
inline constexpr TDataType dtFloat = 5;        // 8-byte float
inline constexpr TDataType dtDate = 6;         // 8-byte date-time number
inline constexpr TDataType dtTime = 7;
inline constexpr TDataType dtDateTime = 8;
inline constexpr TDataType dtUInt16 = 9;
inline constexpr TDataType dtBoolean = 10;     // 16 bits, true when above 0
inline constexpr TDataType dtInt64 = 11;
inline constexpr TDataType dtCurrency = 12;    // 8-byte float
inline constexpr TDataType dtBlob = 13;        // reference to a TBlob
inline constexpr TDataType dtMemo = 14;
inline constexpr TDataType dtObject = 15;      // reference to an object value
inline constexpr TDataType dtReference = 16;
inline constexpr TDataType dtArray = 17;
inline constexpr TDataType dtTable = 18;
inline constexpr TDataType dtVariant = 19;     // reference to a TVariantObject
inline constexpr TDataType dtHeapString = 20;  // reference into the string heap (nil = empty)
inline constexpr TDataType dtBytes = 21;       // bytes inline
inline constexpr TDataType dtVarBytes = 22;    // 16-bit length, then the bytes
inline constexpr TDataType dtHeapVarBytes = 23;
inline constexpr TDataType dtUInt32 = 24;
inline constexpr TDataType dtWideString = 25;  // wide characters inline, at an even offset
inline constexpr TDataType dtHeapWideString = 26;
inline constexpr TDataType dtBcd = 27;         // Int64 holding value x 10000
inline constexpr TDataType dtFmtBcd = 28;      // the class library's TBcd
inline constexpr TDataType dtGuid = 29;        // text form, inline
inline constexpr TDataType dtWideMemo = 30;    // reference to a unicode TBlob

// dtBlob, dtMemo and dtWideMemo.
bool IsBlobDataType(TDataType t);
// Types whose slot refers to a separately allocated value: the blob types,
// dtVariant and the heap types. Drivers widen both sets.
bool IsComplexDataType(TDataType t);
// Values held as an object value (TDBObject): objects, references, arrays
// and tables.
bool IsObjectValueType(TDataType t);
// The class library's field type of a code; EDatabaseError "Unknown data
// type" for a code outside 0..30.
classlib::TFieldType DataTypeToFieldType(TDataType t);

}  // namespace dacore
