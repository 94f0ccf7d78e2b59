// SQL type codes of the client's descriptor areas, element type codes of
// array slices, and the units dates and times travel in.
#pragma once

#include <cstdint>

namespace fib {

// Column and parameter types (bit 0 of a described type is the nullable
// flag and is not part of these codes).
constexpr int kSQLVarying = 448;
constexpr int kSQLText = 452;
constexpr int kSQLDouble = 480;
constexpr int kSQLFloat = 482;
constexpr int kSQLLong = 496;
constexpr int kSQLShort = 500;
constexpr int kSQLTimeStamp = 510;
constexpr int kSQLBlob = 520;
constexpr int kSQLDFloat = 530;
constexpr int kSQLArray = 540;
constexpr int kSQLQuad = 550;
constexpr int kSQLTime = 560;
constexpr int kSQLDate = 570;
constexpr int kSQLInt64 = 580;
// InterBase's boolean: a 16-bit 0 or 1.
constexpr int kSQLBoolean = 590;
// Firebird 3's BOOLEAN: one byte, 0 or 1.
constexpr int kSQLFBBoolean = 32764;
// Firebird 3's type of an untyped parameter ("? IS NULL"): no data of its
// own; the client may send any type in its place.
constexpr int kSQLNull = 32766;

// Character set of UNICODE_FSS text.
constexpr int kCharsetUnicodeFSS = 3;

// Element types of array descriptors (the client's BLR codes).
constexpr int kBlrShort = 7;
constexpr int kBlrLong = 8;
constexpr int kBlrFloat = 10;
constexpr int kBlrDFloat = 11;
constexpr int kBlrSQLDate = 12;
constexpr int kBlrSQLTime = 13;
constexpr int kBlrText = 14;
constexpr int kBlrInt64 = 16;
constexpr int kBlrDouble = 27;
constexpr int kBlrTimeStamp = 35;
constexpr int kBlrVarying = 37;

// Dates cross the client interface as day numbers from 1858-11-17, times as
// units of 1/10000 second since midnight.
constexpr int32_t kDayNumberToDateTime = 15018;   // day number - this = TDateTime days
constexpr int32_t kTimeStampToDayNumber = 678576; // class-library stamp day - this = day number
constexpr int64_t kTimeUnitsPerDay = 864000000;
constexpr int32_t kTimeUnitsPerMSec = 10;

// A descriptor's largest text before it must go as a blob.
constexpr int kMaxTextLength = 32767;

}  // namespace fib
