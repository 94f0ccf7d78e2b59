// The conversions a fetch applies to the bytes the server delivered before
// the record keeps them: DATE bytes to a date-time number, and the lengths
// of texts and RAW values bounded by the cell that holds them, so that a
// wrong length word or a missing terminator cannot make a copy read past it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oracle {

// Seven DATE bytes as a date-time number; false (a null) when they hold no
// date: century and year bytes both 100, month or day 0 or out of range,
// an hour, minute or second byte of 0, an hour above 24, a minute or second
// above 60.
// A cache of the month last converted: rows of a result often share it,
// even where their days differ.
struct TDayCache {
  uint32_t key = 0;        // century, year and month bytes; 0 none
  double month_start = 0;  // the date-time number of the month's first day
  int days = 0;            // in that month
};
bool FetchedDateToDateTime(const uint8_t* bytes, double& value, TDayCache* cache = nullptr);
// The length of a zero-terminated text in a cell of `capacity` bytes.
size_t BoundedStrLen(const void* cell, size_t capacity);
// The length in code units of a zero-terminated UTF-16 text in a cell of
// `capacity` code units.
size_t BoundedStrLenW(const void* cell, size_t capacity);
// The length word in front of a RAW value, at most `capacity`.
uint16_t BoundedVarLength(const void* cell, uint16_t capacity);

}  // namespace oracle
