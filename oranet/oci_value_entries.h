// The call-interface functions of direct mode on values: date-time,
// interval, NUMBER and ROWID descriptors and buffers, with the signatures
// of the Oracle layer's entry-point table. They run locally; a failure
// becomes OCI_ERROR with its text ("NET: ORA-01839 ...") in the error
// handle. An unknown descriptor answers OCI_INVALID_HANDLE.
#pragma once

#include <cstddef>

#include "classlib/bcd.h"
#include "oranet/oci_entries.h"

namespace oranet {

using oracle::OCIDateTime;
using oracle::OCIInterval;
using oracle::OCINumber;
using oracle::OCIRowid;
using oracle::sb1;
using oracle::sb2;
using oracle::uword;

// Types 50 and 56 (LOB and file locators), 54 (ROWID), 62 and 63 (intervals), 68, 69 and 70 (timestamps).
sword NetDescriptorAlloc(const void* parent, void** descriptor, ub4 type, size_t extra, void** userMemory);
sword NetDescriptorFree(void* descriptor, ub4 type);

// Dates and times are those of the value's own zone (with time zone) or
// the machine's (local time zone).
sword NetDateTimeConstruct(void* handle, OCIError* error, OCIDateTime* datetime, sb2 year, ub1 month, ub1 day,
                           ub1 hour, ub1 minute, ub1 second, ub4 fraction, const OraText* zone, size_t zoneLength);
sword NetDateTimeCheck(void* handle, OCIError* error, const OCIDateTime* datetime, ub4* valid);
// The language arguments are ignored; an empty format takes the default
// model of the value's type.
sword NetDateTimeFromText(void* handle, OCIError* error, const OraText* text, size_t textLength,
                          const OraText* format, ub1 formatLength, const OraText* language, size_t languageLength,
                          OCIDateTime* datetime);
// *bufferSize: the buffer's size in, the text's length out; a text that
// does not fit is an error.
sword NetDateTimeToText(void* handle, OCIError* error, const OCIDateTime* datetime, const OraText* format,
                        ub1 formatLength, ub1 fracPrecision, const OraText* language, size_t languageLength,
                        ub4* bufferSize, OraText* buffer);
sword NetDateTimeGetDate(void* handle, OCIError* error, const OCIDateTime* datetime, sb2* year, ub1* month,
                         ub1* day);
sword NetDateTimeGetTime(void* handle, OCIError* error, OCIDateTime* datetime, ub1* hour, ub1* minute, ub1* second,
                         ub4* fraction);
sword NetDateTimeGetTimeZoneOffset(void* handle, OCIError* error, const OCIDateTime* datetime, sb1* hour,
                                   sb1* minute);
sword NetDateTimeGetTimeZoneName(void* handle, OCIError* error, const OCIDateTime* datetime, ub1* buffer,
                                 ub4* bufferLength);
sword NetDateTimeAssign(void* handle, OCIError* error, const OCIDateTime* from, OCIDateTime* to);
sword NetDateTimeCompare(void* handle, OCIError* error, const OCIDateTime* a, const OCIDateTime* b, sword* result);

sword NetIntervalFromText(void* handle, OCIError* error, const OraText* text, size_t textLength,
                          OCIInterval* result);
sword NetIntervalToText(void* handle, OCIError* error, const OCIInterval* interval, ub1 leadPrecision,
                        ub1 fracPrecision, OraText* buffer, size_t bufferLength, size_t* resultLength);
sword NetIntervalCheck(void* handle, OCIError* error, const OCIInterval* interval, ub4* valid);
sword NetIntervalAssign(void* handle, OCIError* error, const OCIInterval* from, OCIInterval* to);
sword NetIntervalCompare(void* handle, OCIError* error, OCIInterval* a, OCIInterval* b, sword* result);
sword NetIntervalSetYearMonth(void* handle, OCIError* error, sb4 years, sb4 months, OCIInterval* result);
sword NetIntervalGetYearMonth(void* handle, OCIError* error, sb4* years, sb4* months, const OCIInterval* interval);
sword NetIntervalSetDaySecond(void* handle, OCIError* error, sb4 days, sb4 hours, sb4 minutes, sb4 seconds,
                              sb4 fraction, OCIInterval* result);
sword NetIntervalGetDaySecond(void* handle, OCIError* error, sb4* days, sb4* hours, sb4* minutes, sb4* seconds,
                              sb4* fraction, const OCIInterval* interval);
// Years (year to month) or days (day to second), the fraction spread over
// the smaller fields.
sword NetIntervalFromNumber(void* handle, OCIError* error, OCIInterval* interval, OCINumber* number);

sword NetNumberAssign(OCIError* error, const OCINumber* from, OCINumber* to);
sword NetNumberCmp(OCIError* error, const OCINumber* a, const OCINumber* b, sword* result);
// Integers of 1, 2, 4 or 8 bytes, signed with OCI_NUMBER_SIGNED.
sword NetNumberFromInt(OCIError* error, const void* value, uword length, uword signFlag, OCINumber* number);
sword NetNumberToInt(OCIError* error, const OCINumber* number, uword length, uword signFlag, void* result);
// float (4 bytes) or double (8).
sword NetNumberFromReal(OCIError* error, const void* value, uword length, OCINumber* number);
sword NetNumberToReal(OCIError* error, const OCINumber* number, uword length, void* result);
// Decimal text with the locale's decimal separator; the format and NLS
// arguments are ignored.
sword NetNumberFromText(OCIError* error, const OraText* text, ub4 textLength, const OraText* format,
                        ub4 formatLength, const OraText* nls, ub4 nlsLength, OCINumber* number);
sword NetNumberToText(OCIError* error, const OCINumber* number, const OraText* format, ub4 formatLength,
                      const OraText* nls, ub4 nlsLength, ub4* bufferSize, OraText* buffer);
sword NetNumberFromBCD(OCIError* error, const classlib::TBcd* bcd, OCINumber* number);
sword NetNumberToBCD(OCIError* error, const OCINumber* number, classlib::TBcd* bcd);

// *bufferLength: the buffer's size in, the text's length out.
sword NetRowidToChar(OCIRowid* rowid, OraText* buffer, ub2* bufferLength, OCIError* error);

}  // namespace oranet
