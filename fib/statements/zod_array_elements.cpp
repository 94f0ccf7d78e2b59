// One array element between its bytes in a slice and a variant.
#include <cmath>
#include <cstring>

#include "classlib/datetime.h"
#include "classlib/unaligned.h"
#include "fib/base/errors.h"
#include "fib/base/numeric_helpers.h"
#include "fib/base/sql_types.h"
#include "fib/statements/zod_array.h"

namespace fib {

namespace {

// Day numbers count from 1858-11-17.
classlib::TDateTime DayNumberToDate(int32_t day) {
  return classlib::EncodeDate(1858, 11, 17) + day;
}

classlib::TDateTime TimeUnitsToTime(uint32_t units) {
  uint32_t msecs = units / kTimeUnitsPerMSec;
  return classlib::EncodeTime(msecs / 3600000, msecs / 60000 % 60, msecs / 1000 % 60,
                              msecs % 1000);
}

// Before 1899-12-30 the time of day counts away from zero.
classlib::TDateTime Combine(classlib::TDateTime date, classlib::TDateTime time) {
  return date < 0 ? date - time : date + time;
}

classlib::TTimeStamp StampOf(const classlib::Variant& value) {
  return classlib::DateTimeToTimeStamp(value.AsDate());
}

// The largest scaled 64-bit element a double converts to without leaving
// the Int64 range.
constexpr int64_t kInt64Limit = 9200000000000000000LL;

// A scaled integer element as a number: NUMERIC(9,2) stores 123.45 as 12345.
classlib::Variant ScaledValue(int64_t stored, int places) {
  return classlib::Variant(static_cast<double>(stored) / PowerOfTen(places));
}

int64_t ScaledStored(const classlib::Variant& value, int places, int64_t low, int64_t high) {
  double scaled = std::nearbyint(value.AsDouble() * PowerOfTen(places));
  if (!(scaled >= static_cast<double>(low) && scaled <= static_cast<double>(high)))
    RaiseClientError(33);
  return static_cast<int64_t>(scaled);
}

}  // namespace

TArrayElementKind ArrayElementKind(int element_type) {
  switch (element_type) {
    case kBlrShort: return TArrayElementKind::SmallInt;
    case kBlrLong: return TArrayElementKind::Integer;
    case kBlrFloat: case kBlrDFloat: case kBlrDouble: return TArrayElementKind::Float;
    case kBlrSQLDate: return TArrayElementKind::Date;
    case kBlrSQLTime: return TArrayElementKind::Time;
    case kBlrText: case kBlrVarying: return TArrayElementKind::String;
    case kBlrInt64: return TArrayElementKind::BCD;
    case kBlrTimeStamp: return TArrayElementKind::DateTime;
    default: return TArrayElementKind::None;
  }
}

// Scaled integer elements are returned as the numbers they stand for; an
// unscaled 64-bit element stays an exact Int64.
classlib::Variant TpZODArray::ReadElement(const char* element) const {
  using classlib::Variant;
  int places = Scale();
  switch (kind_) {
    case TArrayElementKind::SmallInt: {
      int16_t stored = classlib::LoadUnaligned<int16_t>(element);
      return places == 0 ? Variant(stored) : ScaledValue(stored, places);
    }
    case TArrayElementKind::Integer: {
      int32_t stored = classlib::LoadUnaligned<int32_t>(element);
      return places == 0 ? Variant(stored) : ScaledValue(stored, places);
    }
    case TArrayElementKind::BCD: {
      int64_t stored = classlib::LoadUnaligned<int64_t>(element);
      return places == 0 ? Variant(static_cast<long long>(stored)) : ScaledValue(stored, places);
    }
    case TArrayElementKind::Float:
      if (desc_.array_desc_dtype == kBlrFloat) return Variant(classlib::LoadUnaligned<float>(element));
      return Variant(classlib::LoadUnaligned<double>(element));
    case TArrayElementKind::Date:
      return Variant::FromDate(DayNumberToDate(classlib::LoadUnaligned<int32_t>(element)));
    case TArrayElementKind::Time:
      return Variant::FromDate(TimeUnitsToTime(classlib::LoadUnaligned<uint32_t>(element)));
    case TArrayElementKind::DateTime:
      return Variant::FromDate(Combine(DayNumberToDate(classlib::LoadUnaligned<int32_t>(element)),
                                       TimeUnitsToTime(classlib::LoadUnaligned<uint32_t>(element + 4))));
    case TArrayElementKind::String: {
      size_t capacity = static_cast<size_t>(std::max<int>(desc_.array_desc_length, 0));
      if (desc_.array_desc_dtype == kBlrVarying)
        return Variant(std::string(element, strnlen(element, capacity)));
      return Variant(std::string(element, capacity));
    }
    case TArrayElementKind::None:
      break;
  }
  return Variant();
}

void TpZODArray::WriteElement(const classlib::Variant& value, char* element) const {
  const classlib::Variant& v = value.Deref();
  if (classlib::VarIsEmpty(v) || classlib::VarIsNull(v)) return;
  int places = Scale();
  switch (kind_) {
    case TArrayElementKind::SmallInt:
      classlib::StoreUnaligned<int16_t>(element, places == 0 ? v.AsSmallint()
                                          : static_cast<int16_t>(ScaledStored(v, places, INT16_MIN, INT16_MAX)));
      break;
    case TArrayElementKind::Integer:
      classlib::StoreUnaligned<int32_t>(element, places == 0 ? v.AsInteger()
                                          : static_cast<int32_t>(ScaledStored(v, places, INT32_MIN, INT32_MAX)));
      break;
    case TArrayElementKind::BCD:
      classlib::StoreUnaligned<int64_t>(
          element, places == 0 ? v.AsInt64() : ScaledStored(v, places, -kInt64Limit, kInt64Limit));
      break;
    case TArrayElementKind::Float:
      if (desc_.array_desc_dtype == kBlrFloat)
        classlib::StoreUnaligned<float>(element, static_cast<float>(v.AsDouble()));
      else
        classlib::StoreUnaligned<double>(element, v.AsDouble());
      break;
    case TArrayElementKind::Date:
      classlib::StoreUnaligned<int32_t>(element, StampOf(v).Date - kTimeStampToDayNumber);
      break;
    case TArrayElementKind::Time:
      classlib::StoreUnaligned<uint32_t>(element, static_cast<uint32_t>(StampOf(v).Time) * kTimeUnitsPerMSec);
      break;
    case TArrayElementKind::DateTime: {
      classlib::TTimeStamp stamp = StampOf(v);
      classlib::StoreUnaligned<int32_t>(element, stamp.Date - kTimeStampToDayNumber);
      classlib::StoreUnaligned<uint32_t>(element + 4, static_cast<uint32_t>(stamp.Time) * kTimeUnitsPerMSec);
      break;
    }
    case TArrayElementKind::String: {
      // Text longer than the element is cut to it; CHAR elements are
      // blank-padded the way the server pads them. The client library
      // exchanges VARCHAR elements as zero-terminated text in a slot two
      // bytes longer than the element, not with a length prefix.
      std::string text = v.AsString();
      size_t capacity = static_cast<size_t>(std::max<int>(desc_.array_desc_length, 0));
      size_t length = std::min(text.size(), capacity);
      if (desc_.array_desc_dtype == kBlrVarying) {
        std::memcpy(element, text.data(), length);
      } else {
        std::memcpy(element, text.data(), length);
        std::memset(element + length, ' ', capacity - length);
      }
      break;
    }
    case TArrayElementKind::None:
      break;
  }
}

}  // namespace fib
