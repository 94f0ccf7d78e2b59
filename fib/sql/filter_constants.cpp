#include "fib/sql/filter_constants.h"

#include <cmath>
#include <cstring>

#include "classlib/bcd.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "fib/base/timestamps.h"
#include "fib/sql/filter_nodes.h"

namespace fib {

using classlib::Variant;

namespace {

template <typename T>
std::string Raw(T value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
T Read(const uint8_t* data, uint16_t size) {
  if (size != sizeof(T)) RaiseMalformedFilter();
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

}  // namespace

bool IsFilterConstantType(classlib::TFieldType type) {
  switch (type) {
    case classlib::ftString: case classlib::ftFixedChar: case classlib::ftSmallint:
    case classlib::ftWord: case classlib::ftInteger: case classlib::ftAutoInc:
    case classlib::ftBoolean: case classlib::ftFloat: case classlib::ftCurrency:
    case classlib::ftBCD: case classlib::ftDate: case classlib::ftTime:
    case classlib::ftDateTime:
      return true;
    default:
      return false;
  }
}

std::string EncodeFilterConstant(classlib::TFieldType type, const Variant& value) {
  switch (type) {
    case classlib::ftString:
    case classlib::ftFixedChar:
      return value.AsString();
    case classlib::ftSmallint:
      return Raw(value.AsSmallint());
    case classlib::ftWord: {
      const int32_t v = value.AsInteger();
      if (v < 0 || v > 0xFFFF) throw classlib::ERangeError("Range check error");
      return Raw(static_cast<uint16_t>(v));
    }
    case classlib::ftInteger:
    case classlib::ftAutoInc:
      return Raw(value.AsInteger());
    case classlib::ftBoolean:
      return Raw(static_cast<uint16_t>(value.AsBoolean() ? 1 : 0));
    case classlib::ftFloat:
    case classlib::ftCurrency:
      return Raw(value.AsDouble());
    case classlib::ftBCD: {
      classlib::TBcd bcd;
      classlib::CurrToBCD(value.AsCurrency(), bcd);
      return Raw(bcd);
    }
    case classlib::ftDate:
      return Raw(classlib::DateTimeToTimeStamp(value.AsDate()).Date);
    case classlib::ftTime: {
      // The time of day is the fraction's size on either side of day 0.
      const double dt = value.AsDate();
      return Raw(classlib::DateTimeToTimeStamp(std::fabs(dt - std::trunc(dt))).Time);
    }
    case classlib::ftDateTime:
      return Raw(classlib::TimeStampToMSecs(classlib::DateTimeToTimeStamp(value.AsDate())));
    default:
      RaiseMalformedFilter();
  }
}

Variant DecodeFilterConstant(classlib::TFieldType type, const uint8_t* data, uint16_t size) {
  switch (type) {
    case classlib::ftString:
    case classlib::ftFixedChar:
      return Variant(std::string(reinterpret_cast<const char*>(data), size));
    case classlib::ftSmallint:
      return Variant(int32_t{Read<int16_t>(data, size)});
    case classlib::ftWord:
      return Variant(int32_t{Read<uint16_t>(data, size)});
    case classlib::ftInteger:
    case classlib::ftAutoInc:
      return Variant(Read<int32_t>(data, size));
    case classlib::ftBoolean:
      return Variant(Read<uint16_t>(data, size) != 0);
    case classlib::ftFloat:
    case classlib::ftCurrency:
      return Variant(Read<double>(data, size));
    case classlib::ftBCD: {
      classlib::Currency value;
      if (!classlib::BCDToCurr(Read<classlib::TBcd>(data, size), value)) RaiseMalformedFilter();
      return Variant(value);
    }
    case classlib::ftDate:
      return Variant::FromDate(DateOfDayNumber(Read<int32_t>(data, size)));
    case classlib::ftTime:
      return Variant::FromDate(TimeStampToDateTimeEx(MakeTimeStamp(0, Read<int32_t>(data, size))));
    case classlib::ftDateTime: {
      const double msecs = std::round(Read<double>(data, size));
      return Variant::FromDate(TimeStampToDateTimeEx(classlib::MSecsToTimeStamp(msecs)));
    }
    default:
      RaiseMalformedFilter();
  }
}

}  // namespace fib
