// Typed entries of the table for the value calls: large objects and files,
// numbers, date-times and intervals. Signatures are those of the public
// call interface; OraUb8 amounts are the 64-bit ones of the newer LOB read.
#pragma once

#include <cstddef>

#include "classlib/bcd.h"
#include "oracle/call_table.h"
#include "oracle/oci_defs.h"

namespace oracle {

// clang-format off
// Large objects.
inline constexpr OciEntry<OciSlot::OCILobCreateTemporary,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub2 csid, ub1 csfrm,
          ub1 lob_type, boolean cache, ub2 duration)> OCILobCreateTemporary{};
inline constexpr OciEntry<OciSlot::OCILobFreeTemporary,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* locator)> OCILobFreeTemporary{};
inline constexpr OciEntry<OciSlot::OCILobIsTemporary,
    sword(OCIEnv* env, OCIError* error, OCILobLocator* locator, boolean* is_temporary)>
    OCILobIsTemporary{};
inline constexpr OciEntry<OciSlot::OCILobLocatorIsInit,
    sword(OCIEnv* env, OCIError* error, const OCILobLocator* locator, boolean* is_init)>
    OCILobLocatorIsInit{};
inline constexpr OciEntry<OciSlot::OCILobGetLength,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* length)>
    OCILobGetLength{};
inline constexpr OciEntry<OciSlot::OCILobCharSetForm,
    sword(OCIEnv* env, OCIError* error, const OCILobLocator* locator, ub1* csfrm)>
    OCILobCharSetForm{};
inline constexpr OciEntry<OciSlot::OCILobRead,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset,
          void* buffer, ub4 buffer_length, void* callback_context, void* callback, ub2 csid,
          ub1 csfrm)> OCILobRead{};
inline constexpr OciEntry<OciSlot::OCILobRead2,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub8* byte_amount,
          ub8* char_amount, ub8 offset, void* buffer, ub8 buffer_length, ub1 piece,
          void* callback_context, void* callback, ub2 csid, ub1 csfrm)> OCILobRead2{};
inline constexpr OciEntry<OciSlot::OCILobWrite,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4* amount, ub4 offset,
          void* buffer, ub4 buffer_length, ub1 piece, void* callback_context, void* callback,
          ub2 csid, ub1 csfrm)> OCILobWrite{};
inline constexpr OciEntry<OciSlot::OCILobTrim,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* locator, ub4 new_length)>
    OCILobTrim{};

// Files.
inline constexpr OciEntry<OciSlot::OCILobFileOpen,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* file, ub1 mode)> OCILobFileOpen{};
inline constexpr OciEntry<OciSlot::OCILobFileClose,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* file)> OCILobFileClose{};
inline constexpr OciEntry<OciSlot::OCILobFileIsOpen,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* file, boolean* is_open)>
    OCILobFileIsOpen{};
inline constexpr OciEntry<OciSlot::OCILobFileExists,
    sword(OCISvcCtx* context, OCIError* error, OCILobLocator* file, boolean* exists)>
    OCILobFileExists{};
inline constexpr OciEntry<OciSlot::OCILobFileGetName,
    sword(OCIEnv* env, OCIError* error, const OCILobLocator* file, OraText* directory,
          ub2* directory_length, OraText* name, ub2* name_length)> OCILobFileGetName{};
inline constexpr OciEntry<OciSlot::OCILobFileSetName,
    sword(OCIEnv* env, OCIError* error, OCILobLocator** file, const OraText* directory,
          ub2 directory_length, const OraText* name, ub2 name_length)> OCILobFileSetName{};

// Numbers.
inline constexpr OciEntry<OciSlot::OCINumberAssign,
    sword(OCIError* error, const OCINumber* from, OCINumber* to)> OCINumberAssign{};
inline constexpr OciEntry<OciSlot::OCINumberCmp,
    sword(OCIError* error, const OCINumber* left, const OCINumber* right, sword* result)>
    OCINumberCmp{};
inline constexpr OciEntry<OciSlot::OCINumberFromInt,
    sword(OCIError* error, const void* value, uword length, uword sign_flag, OCINumber* number)>
    OCINumberFromInt{};
inline constexpr OciEntry<OciSlot::OCINumberToInt,
    sword(OCIError* error, const OCINumber* number, uword length, uword sign_flag, void* result)>
    OCINumberToInt{};
inline constexpr OciEntry<OciSlot::OCINumberFromReal,
    sword(OCIError* error, const void* value, uword length, OCINumber* number)>
    OCINumberFromReal{};
inline constexpr OciEntry<OciSlot::OCINumberToReal,
    sword(OCIError* error, const OCINumber* number, uword length, void* result)>
    OCINumberToReal{};
inline constexpr OciEntry<OciSlot::OCINumberFromText,
    sword(OCIError* error, const OraText* text, ub4 text_length, const OraText* format,
          ub4 format_length, const OraText* nls, ub4 nls_length, OCINumber* number)>
    OCINumberFromText{};
inline constexpr OciEntry<OciSlot::OCINumberToText,
    sword(OCIError* error, const OCINumber* number, const OraText* format, ub4 format_length,
          const OraText* nls, ub4 nls_length, ub4* buffer_size, OraText* buffer)>
    OCINumberToText{};

// Date-times (the handle is the environment).
inline constexpr OciEntry<OciSlot::OCIDateTimeConstruct,
    sword(void* env, OCIError* error, OCIDateTime* value, sb2 year, ub1 month, ub1 day, ub1 hour,
          ub1 minute, ub1 second, ub4 fraction, const OraText* zone, size_t zone_length)>
    OCIDateTimeConstruct{};
inline constexpr OciEntry<OciSlot::OCIDateTimeGetDate,
    sword(void* env, OCIError* error, const OCIDateTime* value, sb2* year, ub1* month, ub1* day)>
    OCIDateTimeGetDate{};
inline constexpr OciEntry<OciSlot::OCIDateTimeGetTime,
    sword(void* env, OCIError* error, OCIDateTime* value, ub1* hour, ub1* minute, ub1* second,
          ub4* fraction)> OCIDateTimeGetTime{};
inline constexpr OciEntry<OciSlot::OCIDateTimeToText,
    sword(void* env, OCIError* error, const OCIDateTime* value, const OraText* format,
          ub1 format_length, ub1 precision, const OraText* language, size_t language_length,
          ub4* buffer_size, OraText* buffer)> OCIDateTimeToText{};
inline constexpr OciEntry<OciSlot::OCIDateTimeFromText,
    sword(void* env, OCIError* error, const OraText* text, size_t text_length,
          const OraText* format, ub1 format_length, const OraText* language,
          size_t language_length, OCIDateTime* value)> OCIDateTimeFromText{};
inline constexpr OciEntry<OciSlot::OCIDateTimeAssign,
    sword(void* env, OCIError* error, const OCIDateTime* from, OCIDateTime* to)>
    OCIDateTimeAssign{};
inline constexpr OciEntry<OciSlot::OCIDateTimeCompare,
    sword(void* env, OCIError* error, const OCIDateTime* left, const OCIDateTime* right,
          sword* result)> OCIDateTimeCompare{};

// Intervals (the handle is the environment).
inline constexpr OciEntry<OciSlot::OCIIntervalFromText,
    sword(void* env, OCIError* error, const OraText* text, size_t text_length,
          OCIInterval* value)> OCIIntervalFromText{};
inline constexpr OciEntry<OciSlot::OCIIntervalToText,
    sword(void* env, OCIError* error, const OCIInterval* value, ub1 lead_precision,
          ub1 fraction_precision, OraText* buffer, size_t buffer_length, size_t* result_length)>
    OCIIntervalToText{};
inline constexpr OciEntry<OciSlot::OCIIntervalCheck,
    sword(void* env, OCIError* error, const OCIInterval* value, ub4* valid)> OCIIntervalCheck{};
inline constexpr OciEntry<OciSlot::OCIIntervalAssign,
    sword(void* env, OCIError* error, const OCIInterval* from, OCIInterval* to)>
    OCIIntervalAssign{};
inline constexpr OciEntry<OciSlot::OCIIntervalCompare,
    sword(void* env, OCIError* error, OCIInterval* left, OCIInterval* right, sword* result)>
    OCIIntervalCompare{};
// The rest of the value calls, which the layer reaches in direct mode only
// through the network client's own implementations.
inline constexpr OciEntry<OciSlot::OCIDateTimeCheck,
    sword(void* env, OCIError* error, const OCIDateTime* value, ub4* valid)> OCIDateTimeCheck{};
inline constexpr OciEntry<OciSlot::OCIDateTimeGetTimeZoneOffset,
    sword(void* env, OCIError* error, const OCIDateTime* value, sb1* hour, sb1* minute)>
    OCIDateTimeGetTimeZoneOffset{};
inline constexpr OciEntry<OciSlot::OCIDateTimeGetTimeZoneName,
    sword(void* env, OCIError* error, const OCIDateTime* value, ub1* buffer, ub4* buffer_length)>
    OCIDateTimeGetTimeZoneName{};
inline constexpr OciEntry<OciSlot::OCIIntervalSetYearMonth,
    sword(void* env, OCIError* error, sb4 years, sb4 months, OCIInterval* result)>
    OCIIntervalSetYearMonth{};
inline constexpr OciEntry<OciSlot::OCIIntervalGetYearMonth,
    sword(void* env, OCIError* error, sb4* years, sb4* months, const OCIInterval* value)>
    OCIIntervalGetYearMonth{};
inline constexpr OciEntry<OciSlot::OCIIntervalSetDaySecond,
    sword(void* env, OCIError* error, sb4 days, sb4 hours, sb4 minutes, sb4 seconds, sb4 fraction,
          OCIInterval* result)> OCIIntervalSetDaySecond{};
inline constexpr OciEntry<OciSlot::OCIIntervalGetDaySecond,
    sword(void* env, OCIError* error, sb4* days, sb4* hours, sb4* minutes, sb4* seconds,
          sb4* fraction, const OCIInterval* value)> OCIIntervalGetDaySecond{};
inline constexpr OciEntry<OciSlot::OCIIntervalFromNumber,
    sword(void* env, OCIError* error, OCIInterval* value, OCINumber* number)>
    OCIIntervalFromNumber{};
inline constexpr OciEntry<OciSlot::OCINumberFromBCD,
    sword(OCIError* error, const classlib::TBcd* bcd, OCINumber* number)> OCINumberFromBCD{};
inline constexpr OciEntry<OciSlot::OCINumberToBCD,
    sword(OCIError* error, const OCINumber* number, classlib::TBcd* bcd)> OCINumberToBCD{};
// clang-format on

}  // namespace oracle
