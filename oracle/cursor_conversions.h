// Conversions the command, record set and parameters share: the seven-byte
// Oracle DATE and the platform's date-time, date-times as milliseconds,
// big-endian bytes, and the text forms of ROWIDs.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/datetime.h"

namespace oracle {

// The seven-byte DATE: century + 100, year of century + 100, month, day,
// hour + 1, minute + 1, second + 1. The all-zero form is what an emptied
// (null) item holds; it reads as date-time 0 instead of an invalid date.
// Other impossible bytes (month 13) raise EConvertError.
classlib::TDateTime OraDateToDateTime(const uint8_t* bytes);
void DateTimeToOraDate(classlib::TDateTime value, uint8_t* bytes);
bool IsNullOraDate(const uint8_t* bytes);

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
