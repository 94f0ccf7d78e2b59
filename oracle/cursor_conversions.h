// Conversions the command, record set and parameters share: the seven-byte
// Oracle DATE and the platform's date-time, date-times as milliseconds,
// big-endian bytes, and the text forms of ROWIDs.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/datetime.h"

namespace oracle {

// The seven-byte DATE: century + 100, year of century + 100, month, day,
// hour + 1, minute + 1, second + 1.
//
// Every reader of DATE bytes (fetched columns, parameters) converts them
// here, under one rule: bytes that hold no date read as null (false) -
// the all-zero form an emptied item holds, century and year bytes both
// 100, a month or day of 0 or beyond the month, an hour, minute or second
// byte of 0, an hour above 24, a minute or second above 60.
// A cache of the month last converted: rows of a result often share it,
// even where their days differ.
struct TDayCache {
  uint32_t key = 0;        // century, year and month bytes; 0 none
  double month_start = 0;  // the date-time number of the month's first day
  int days = 0;            // in that month
};
bool OraDateToDateTime(const uint8_t* bytes, classlib::TDateTime& value, TDayCache* cache = nullptr);
void DateTimeToOraDate(classlib::TDateTime value, uint8_t* bytes);

// A date-time as milliseconds of the class library's time-stamp form, and
// back; the value is rounded to whole milliseconds first.
double DateTimeToMSecs(classlib::TDateTime value);
classlib::TDateTime MSecsToDateTime(double msecs);

// 2 or 4 bytes, most significant first.
void WordToBytesBE(uint16_t value, uint8_t* bytes);
void IntToBytesBE(uint32_t value, uint8_t* bytes);
// A 16-bit row or file number of the older interface's ROWID record: a
// non-zero value whose low byte is 0 came byte-swapped and is shifted down.
uint16_t NormalizeRowIdWord(uint16_t value);

// The numbers of one ROWID.
struct TRowIdParts {
  uint32_t ObjectNumber = 0;
  uint16_t FileNumber = 0;
  uint32_t BlockNumber = 0;
  uint16_t RowNumber = 0;
};

// Extended form (object number non-zero): 18 base-64 digits (object 6, file
// 3, block 6, row 3). Restricted form: "BBBBBBBB.RRRR.FFFF" in hexadecimal.
std::string OraRowIdToText(const TRowIdParts& parts);
// The older interface's ROWID record: object number (4 bytes), file number
// (2), one byte of its own, block number (4), row number (2), in host order;
// the file and row numbers are normalised.
TRowIdParts RowIdPartsOfRecord(const uint8_t* record);
// A ROWID descriptor's bytes: byte 0 flags the extended form, then object
// (offset 1), file (5), block (7) and row (11) numbers in host order.
TRowIdParts RowIdPartsOfDescriptor(const uint8_t* bytes);
// A universal ROWID: "*" and the bytes after the first as base-64 digits.
std::string URowIdToText(const uint8_t* bytes, size_t length);

// Makes sure the call-interface environment exists.
void EnsureOciInit();

}  // namespace oracle
