#include "oranet/oci_value_entries.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "classlib/format_settings.h"
#include "oranet/lob_locator.h"
#include "oranet/oci_error.h"
#include "oranet/value_datetime.h"
#include "oranet/value_format.h"
#include "oranet/value_interval.h"
#include "oranet/value_number.h"
#include "oranet/value_rowid.h"

namespace oranet {

using namespace oracle;  // statuses and descriptor types

namespace {

// Runs a local call; what it raises becomes OCI_ERROR and the error
// handle's number and text.
template <class Call>
sword Local(OCIError* error, Call&& call) {
  try {
    call();
    return OCI_SUCCESS;
  } catch (...) {
    return SetErrorFromException(std::current_exception(), NetHandleAs<TNetError>(error));
  }
}

// A text argument: its length, ending early at a zero byte.
std::string_view TextArg(const OraText* text, size_t length) {
  if (!text) return {};
  const char* chars = reinterpret_cast<const char*>(text);
  const void* zero = std::memchr(chars, 0, length);
  return {chars, zero ? static_cast<size_t>(static_cast<const char*>(zero) - chars) : length};
}

// Copies a text into the caller's buffer of `size` bytes, with a
// terminating zero when there is room; raises when it does not fit.
template <class Size>
void CopyTextToBuffer(const std::string& text, OraText* buffer, Size* size, const char* tooLong) {
  if (!size || !buffer || text.size() > *size) RaiseNetException(tooLong);
  std::memcpy(buffer, text.data(), text.size());
  if (text.size() < *size) buffer[text.size()] = 0;
  *size = static_cast<Size>(text.size());
}

const char* const kBufferTooSmall = "ORA-01877 string is too long for internal buffer";

}  // namespace

sword NetDescriptorAlloc(const void* parent, void** descriptor, ub4 type, size_t, void**) {
  if (!descriptor) return OCI_INVALID_HANDLE;
  TNetHandle* object = nullptr;
  switch (type) {
    case OCI_DTYPE_ROWID: object = new TNetRowid(parent); break;
    case OCI_DTYPE_LOB:
    case OCI_DTYPE_FILE: object = new TNetLobLocator(parent, type); break;
    case OCI_DTYPE_INTERVAL_YM: object = new TNetIntervalYM(parent); break;
    case OCI_DTYPE_INTERVAL_DS: object = new TNetIntervalDS(parent); break;
    case OCI_DTYPE_TIMESTAMP:
    case OCI_DTYPE_TIMESTAMP_TZ:
    case OCI_DTYPE_TIMESTAMP_LTZ: object = new TNetDateTime(parent, type); break;
    default: return OCI_INVALID_HANDLE;
  }
  *descriptor = HandleOf(object);
  return OCI_SUCCESS;
}

sword NetDescriptorFree(void* descriptor, ub4) {
  delete NetHandleAs<TNetDescriptor>(descriptor);
  return OCI_SUCCESS;
}

// ---- date and time ----------------------------------------------------------

sword NetDateTimeConstruct(void*, OCIError* error, OCIDateTime* datetime, sb2 year, ub1 month, ub1 day, ub1 hour,
                           ub1 minute, ub1 second, ub4 fraction, const OraText* zone, size_t zoneLength) {
  TNetDateTime* value = NetHandleAs<TNetDateTime>(datetime);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] { value->Construct(year, month, day, hour, minute, second, fraction, TextArg(zone, zoneLength)); });
}

sword NetDateTimeCheck(void*, OCIError*, const OCIDateTime* datetime, ub4* valid) {
  const TNetDateTime* value = NetHandleAs<TNetDateTime>(datetime);
  if (!value || !valid) return OCI_INVALID_HANDLE;
  *valid = value->Check();
  return OCI_SUCCESS;
}

sword NetDateTimeFromText(void*, OCIError* error, const OraText* text, size_t textLength, const OraText* format,
                          ub1 formatLength, const OraText*, size_t, OCIDateTime* datetime) {
  TNetDateTime* value = NetHandleAs<TNetDateTime>(datetime);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    std::string_view model = TextArg(format, formatLength);
    if (model.empty()) model = DefaultDateTimeFormat(*value);
    ParseDateTimeFormat(*value, TextArg(text, textLength), model);
  });
}

sword NetDateTimeToText(void*, OCIError* error, const OCIDateTime* datetime, const OraText* format, ub1 formatLength,
                        ub1 fracPrecision, const OraText*, size_t, ub4* bufferSize, OraText* buffer) {
  const TNetDateTime* value = NetHandleAs<TNetDateTime>(datetime);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    std::string_view model = TextArg(format, formatLength);
    if (model.empty()) model = DefaultDateTimeFormat(*value);
    CopyTextToBuffer(FormatOraDateTime(*value, model, fracPrecision), buffer, bufferSize, kBufferTooSmall);
  });
}

sword NetDateTimeGetDate(void*, OCIError*, const OCIDateTime* datetime, sb2* year, ub1* month, ub1* day) {
  const TNetDateTime* value = NetHandleAs<TNetDateTime>(datetime);
  if (!value) return OCI_INVALID_HANDLE;
  const TDateTimeParts p = value->WallParts();
  if (year) *year = static_cast<sb2>(p.year);
  if (month) *month = static_cast<ub1>(p.month);
  if (day) *day = static_cast<ub1>(p.day);
  return OCI_SUCCESS;
}

sword NetDateTimeGetTime(void*, OCIError*, OCIDateTime* datetime, ub1* hour, ub1* minute, ub1* second, ub4* fraction) {
  const TNetDateTime* value = NetHandleAs<TNetDateTime>(datetime);
  if (!value) return OCI_INVALID_HANDLE;
  const TDateTimeParts p = value->WallParts();
  if (hour) *hour = static_cast<ub1>(p.hour);
  if (minute) *minute = static_cast<ub1>(p.minute);
  if (second) *second = static_cast<ub1>(p.second);
  if (fraction) *fraction = p.fraction;
  return OCI_SUCCESS;
}

sword NetDateTimeGetTimeZoneOffset(void*, OCIError* error, const OCIDateTime* datetime, sb1* hour, sb1* minute) {
  const TNetDateTime* value = NetHandleAs<TNetDateTime>(datetime);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    int h = 0, m = 0;
    value->GetTimeZoneOffset(h, m);
    if (hour) *hour = static_cast<sb1>(h);
    if (minute) *minute = static_cast<sb1>(m);
  });
}

sword NetDateTimeGetTimeZoneName(void*, OCIError* error, const OCIDateTime* datetime, ub1* buffer, ub4* bufferLength) {
  const TNetDateTime* value = NetHandleAs<TNetDateTime>(datetime);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] { CopyTextToBuffer(value->GetTimeZoneName(), buffer, bufferLength, kBufferTooSmall); });
}

sword NetDateTimeAssign(void*, OCIError* error, const OCIDateTime* from, OCIDateTime* to) {
  const TNetHandle* source = NetHandleAs<TNetHandle>(from);
  TNetDateTime* target = NetHandleAs<TNetDateTime>(to);
  if (!source || !target) return OCI_INVALID_HANDLE;
  return Local(error, [&] { target->Assign(*source); });
}

sword NetDateTimeCompare(void*, OCIError* error, const OCIDateTime* a, const OCIDateTime* b, sword* result) {
  const TNetDateTime* first = NetHandleAs<TNetDateTime>(a);
  const TNetDateTime* second = NetHandleAs<TNetDateTime>(b);
  if (!first || !second || !result) return OCI_INVALID_HANDLE;
  return Local(error, [&] { *result = first->Compare(*second); });
}

// ---- intervals --------------------------------------------------------------

sword NetIntervalFromText(void*, OCIError* error, const OraText* text, size_t textLength, OCIInterval* result) {
  TNetInterval* value = NetHandleAs<TNetInterval>(result);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] { value->FromText(TextArg(text, textLength)); });
}

sword NetIntervalToText(void*, OCIError* error, const OCIInterval* interval, ub1 leadPrecision, ub1 fracPrecision,
                        OraText* buffer, size_t bufferLength, size_t* resultLength) {
  const TNetInterval* value = NetHandleAs<TNetInterval>(interval);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    size_t size = bufferLength;
    CopyTextToBuffer(value->ToText(leadPrecision, fracPrecision), buffer, &size, kBufferTooSmall);
    if (resultLength) *resultLength = size;
  });
}

sword NetIntervalCheck(void*, OCIError*, const OCIInterval* interval, ub4* valid) {
  const TNetInterval* value = NetHandleAs<TNetInterval>(interval);
  if (!value || !valid) return OCI_INVALID_HANDLE;
  *valid = value->Check();
  return OCI_SUCCESS;
}

sword NetIntervalAssign(void*, OCIError* error, const OCIInterval* from, OCIInterval* to) {
  const TNetHandle* source = NetHandleAs<TNetHandle>(from);
  TNetInterval* target = NetHandleAs<TNetInterval>(to);
  if (!source || !target) return OCI_INVALID_HANDLE;
  return Local(error, [&] { target->Assign(*source); });
}

sword NetIntervalCompare(void*, OCIError* error, OCIInterval* a, OCIInterval* b, sword* result) {
  const TNetInterval* first = NetHandleAs<TNetInterval>(a);
  const TNetInterval* second = NetHandleAs<TNetInterval>(b);
  if (!first || !second || !result) return OCI_INVALID_HANDLE;
  return Local(error, [&] { *result = first->Compare(*second); });
}

sword NetIntervalSetYearMonth(void*, OCIError* error, sb4 years, sb4 months, OCIInterval* result) {
  TNetIntervalYM* value = NetHandleAs<TNetIntervalYM>(result);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] { value->SetYearMonth(years, months); });
}

sword NetIntervalGetYearMonth(void*, OCIError*, sb4* years, sb4* months, const OCIInterval* interval) {
  const TNetIntervalYM* value = NetHandleAs<TNetIntervalYM>(interval);
  if (!value) return OCI_INVALID_HANDLE;
  int32_t y, m;
  value->GetYearMonth(y, m);
  if (years) *years = y;
  if (months) *months = m;
  return OCI_SUCCESS;
}

sword NetIntervalSetDaySecond(void*, OCIError* error, sb4 days, sb4 hours, sb4 minutes, sb4 seconds, sb4 fraction,
                              OCIInterval* result) {
  TNetIntervalDS* value = NetHandleAs<TNetIntervalDS>(result);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] { value->SetDaySecond(days, hours, minutes, seconds, fraction); });
}

sword NetIntervalGetDaySecond(void*, OCIError*, sb4* days, sb4* hours, sb4* minutes, sb4* seconds, sb4* fraction,
                              const OCIInterval* interval) {
  const TNetIntervalDS* value = NetHandleAs<TNetIntervalDS>(interval);
  if (!value) return OCI_INVALID_HANDLE;
  int32_t d, f;
  int h, m, s;
  value->GetDaySecond(d, h, m, s, f);
  if (days) *days = d;
  if (hours) *hours = h;
  if (minutes) *minutes = m;
  if (seconds) *seconds = s;
  if (fraction) *fraction = f;
  return OCI_SUCCESS;
}

sword NetIntervalFromNumber(void*, OCIError* error, OCIInterval* interval, OCINumber* number) {
  TNetInterval* value = NetHandleAs<TNetInterval>(interval);
  if (!value || !number) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    const double amount = NumberToReal(*number);
    if (auto* ym = dynamic_cast<TNetIntervalYM*>(value)) {
      const double months = std::round(amount * 12);
      if (std::fabs(months) > 12.0 * std::numeric_limits<int32_t>::max()) RaiseNetException("ORA-01867: the interval is invalid");
      const auto total = static_cast<int64_t>(months);
      ym->SetYearMonth(static_cast<int32_t>(total / 12), static_cast<int32_t>(total % 12));
      return;
    }
    auto* ds = static_cast<TNetIntervalDS*>(value);
    const double days = std::trunc(amount);
    if (std::fabs(days) > std::numeric_limits<int32_t>::max()) RaiseNetException("ORA-01867: the interval is invalid");
    const auto nanos = static_cast<int64_t>(std::llround((amount - days) * 86400e9));
    const int64_t seconds = nanos / 1000000000;
    ds->SetDaySecond(static_cast<int32_t>(days), static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                     static_cast<int>(seconds % 60), static_cast<int32_t>(nanos % 1000000000));
  });
}

// ---- numbers ----------------------------------------------------------------

sword NetNumberAssign(OCIError* error, const OCINumber* from, OCINumber* to) {
  if (!from || !to) return OCI_INVALID_HANDLE;
  return Local(error, [&] { NumberAssign(*from, *to); });
}

sword NetNumberCmp(OCIError* error, const OCINumber* a, const OCINumber* b, sword* result) {
  if (!a || !b || !result) return OCI_INVALID_HANDLE;
  return Local(error, [&] { *result = NumberCompare(*a, *b); });
}

sword NetNumberFromInt(OCIError* error, const void* value, uword length, uword signFlag, OCINumber* number) {
  if (!value || !number) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    const bool isSigned = signFlag == OCI_NUMBER_SIGNED;
    auto load = [&](auto sample) {
      decltype(sample) v;
      std::memcpy(&v, value, sizeof v);
      return v;
    };
    switch (length) {
      case 1: return isSigned ? NumberFromInt(load(int8_t{}), *number) : NumberFromUnsigned(load(uint8_t{}), *number);
      case 2: return isSigned ? NumberFromInt(load(int16_t{}), *number) : NumberFromUnsigned(load(uint16_t{}), *number);
      case 4: return isSigned ? NumberFromInt(load(int32_t{}), *number) : NumberFromUnsigned(load(uint32_t{}), *number);
      case 8: return isSigned ? NumberFromInt(load(int64_t{}), *number) : NumberFromUnsigned(load(uint64_t{}), *number);
      default: RaiseNetException("ORA-22057 bad integer length");
    }
  });
}

sword NetNumberToInt(OCIError* error, const OCINumber* number, uword length, uword signFlag, void* result) {
  if (!number || !result) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    if (length != 1 && length != 2 && length != 4 && length != 8) RaiseNetException("ORA-22057 bad integer length");
    const int bits = static_cast<int>(length) * 8;
    uint64_t raw = 0;
    if (signFlag == OCI_NUMBER_SIGNED) {
      const int64_t v = NumberToInt(*number);
      const int64_t limit = bits == 64 ? std::numeric_limits<int64_t>::max() : (int64_t{1} << (bits - 1)) - 1;
      if (v > limit || v < -limit - 1) RaiseNetException("ORA-01455 converting column overflows integer datatype");
      raw = static_cast<uint64_t>(v);
    } else {
      raw = NumberToUnsigned(*number);
      if (bits < 64 && raw >> bits != 0) RaiseNetException("ORA-01455 converting column overflows integer datatype");
    }
    // The low `length` bytes in the machine's order.
    switch (length) {
      case 1: { const auto v = static_cast<uint8_t>(raw); std::memcpy(result, &v, 1); break; }
      case 2: { const auto v = static_cast<uint16_t>(raw); std::memcpy(result, &v, 2); break; }
      case 4: { const auto v = static_cast<uint32_t>(raw); std::memcpy(result, &v, 4); break; }
      default: std::memcpy(result, &raw, 8);
    }
  });
}

sword NetNumberFromReal(OCIError* error, const void* value, uword length, OCINumber* number) {
  if (!value || !number) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    if (length == sizeof(float)) {
      float v;
      std::memcpy(&v, value, sizeof v);
      return NumberFromReal(v, *number);
    }
    if (length != sizeof(double)) RaiseNetException("ORA-22057 bad real length");
    double v;
    std::memcpy(&v, value, sizeof v);
    NumberFromReal(v, *number);
  });
}

sword NetNumberToReal(OCIError* error, const OCINumber* number, uword length, void* result) {
  if (!number || !result) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    const double v = NumberToReal(*number);
    if (length == sizeof(float)) {
      const auto f = static_cast<float>(v);
      std::memcpy(result, &f, sizeof f);
      return;
    }
    if (length != sizeof(double)) RaiseNetException("ORA-22057 bad real length");
    std::memcpy(result, &v, sizeof v);
  });
}

sword NetNumberFromText(OCIError* error, const OraText* text, ub4 textLength, const OraText*, ub4, const OraText*, ub4,
                        OCINumber* number) {
  if (!number) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    NumberFromText(TextArg(text, textLength), *number, classlib::FormatSettings().DecimalSeparator);
  });
}

sword NetNumberToText(OCIError* error, const OCINumber* number, const OraText*, ub4, const OraText*, ub4,
                      ub4* bufferSize, OraText* buffer) {
  if (!number) return OCI_INVALID_HANDLE;
  return Local(error, [&] {
    CopyTextToBuffer(NumberToText(*number, classlib::FormatSettings().DecimalSeparator), buffer, bufferSize,
                     "ORA-22065 number to text translation for the given format causes overflow");
  });
}

sword NetNumberFromBCD(OCIError* error, const classlib::TBcd* bcd, OCINumber* number) {
  if (!bcd || !number) return OCI_INVALID_HANDLE;
  return Local(error, [&] { NumberFromBcd(*bcd, *number); });
}

sword NetNumberToBCD(OCIError* error, const OCINumber* number, classlib::TBcd* bcd) {
  if (!number || !bcd) return OCI_INVALID_HANDLE;
  return Local(error, [&] { *bcd = NumberToBcd(*number); });
}

sword NetRowidToChar(OCIRowid* rowid, OraText* buffer, ub2* bufferLength, OCIError* error) {
  const TNetRowid* value = NetHandleAs<TNetRowid>(rowid);
  if (!value) return OCI_INVALID_HANDLE;
  return Local(error, [&] { CopyTextToBuffer(RowidToText(value->Parts()), buffer, bufferLength, kBufferTooSmall); });
}

}  // namespace oranet
