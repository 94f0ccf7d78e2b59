// Reading an item's value by its SQL type.
#include <cmath>
#include <cstring>
#include <limits>

#include "classlib/codepage.h"
#include "classlib/format_settings.h"
#include "classlib/numconv.h"
#include "fib/base/errors.h"
#include "fib/base/numeric_helpers.h"
#include "fib/base/numeric_text.h"
#include "fib/base/sql_types.h"
#include "fib/statements/xsqlda.h"
#include "fib/statements/xsqlda_owner.h"
#include "fib/statements/xsqlvar.h"
#include "fib/statements/xsqlvar_blob.h"

namespace fib {

namespace {

template <typename T>
T LoadAt(const char* data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

bool IsIntegerType(int type) {
  return type == kSQLShort || type == kSQLLong || type == kSQLInt64;
}
bool IsFloatType(int type) {
  return type == kSQLDouble || type == kSQLFloat || type == kSQLDFloat;
}
bool IsTextType(int type) { return type == kSQLText || type == kSQLVarying; }
bool IsBooleanType(int type) { return type == kSQLBoolean || type == kSQLFBBoolean; }

int64_t IntPowerOfTen(int exponent) {
  int64_t power = 1;
  for (int i = 0; i < exponent; ++i) power *= 10;
  return power;
}

// value * 10^scale truncated toward zero; false when it leaves Int64.
bool ScaleExactly(int64_t value, int scale, int64_t& result) {
  if (scale > 18) {
    result = 0;
    return value == 0;
  }
  if (scale >= 0) return !__builtin_mul_overflow(value, IntPowerOfTen(scale), &result);
  result = -scale > 18 ? 0 : value / IntPowerOfTen(-scale);
  return true;
}

// value / divisor rounded to the nearest, halves to the even neighbour.
int64_t DivideRounded(int64_t value, int64_t divisor) {
  int64_t quotient = value / divisor;
  int64_t twice_rest = (value % divisor) * 2;
  int64_t magnitude = twice_rest < 0 ? -twice_rest : twice_rest;
  if (magnitude > divisor || (magnitude == divisor && quotient % 2 != 0))
    quotient += value < 0 ? -1 : 1;
  return quotient;
}

// A float truncated into the integer type, error 33 when it does not fit.
template <typename T>
T TruncateFloat(double value) {
  double truncated = std::trunc(value);
  if (!(truncated >= static_cast<double>(std::numeric_limits<T>::min()) &&
        truncated < -static_cast<double>(std::numeric_limits<T>::min())))
    RaiseClientError(33);
  return static_cast<T>(truncated);
}

}  // namespace

void TFIBXSQLVAR::ConversionError() { RaiseClientError(33); }

int TFIBXSQLVAR::Dialect() const {
  TXSQLOwner* owner = Owner();
  return owner != nullptr && owner->HasDatabase() ? owner->SQLDialect() : 3;
}

int64_t TFIBXSQLVAR::StoredInteger() const {
  switch (SQLType()) {
    case kSQLShort: case kSQLBoolean: return LoadAt<int16_t>(Raw());
    case kSQLLong: return LoadAt<int32_t>(Raw());
    case kSQLInt64: return LoadAt<int64_t>(Raw());
    case kSQLFBBoolean: return LoadAt<uint8_t>(Raw());
    default: ConversionError();
  }
}

// The text's bytes: VARYING by its length prefix (never past the buffer),
// TEXT all of them.
std::string_view TFIBXSQLVAR::TextBytes() const {
  if (SQLType() == kSQLVarying) {
    int length = LoadAt<uint16_t>(Raw());
    length = std::min(length, std::max<int>(var_->sqllen, 0));
    return std::string_view(Raw() + 2, length);
  }
  return std::string_view(Raw(), std::max<int>(var_->sqllen, 0));
}

std::string TFIBXSQLVAR::BlobContents() const {
  if (stream_) return std::string(stream_->Memory(), static_cast<size_t>(stream_->Size()));
  TXSQLOwner* owner = Owner();
  if (parent_->HoldsParams() || owner == nullptr || owner->ClientLibrary() == nullptr)
    return "(BLOB)";
  return ReadBlob(*owner->ClientLibrary(), owner->DBHandle(), owner->TRHandle(), AsQuad(), owner);
}

int32_t TFIBXSQLVAR::ConvertToInteger() const {
  if (IsNull()) return 0;
  int type = SQLType();
  if (IsIntegerType(type)) {
    int64_t value;
    // Out of the 32-bit range is a conversion failure, not a wrapped value.
    if (!ScaleExactly(StoredInteger(), SQLScale(), value) || value < INT32_MIN ||
        value > INT32_MAX)
      ConversionError();
    return static_cast<int32_t>(value);
  }
  if (IsFloatType(type)) return TruncateFloat<int32_t>(AsDouble());
  if (IsTextType(type)) return classlib::StrToInt(AsString());
  if (IsBooleanType(type)) return static_cast<int32_t>(StoredInteger());
  ConversionError();
}

int64_t TFIBXSQLVAR::ConvertToInt64() const {
  if (IsNull()) return 0;
  int type = SQLType();
  if (IsIntegerType(type)) {
    int64_t value;
    if (!ScaleExactly(StoredInteger(), SQLScale(), value)) ConversionError();
    return value;
  }
  if (IsFloatType(type)) return TruncateFloat<int64_t>(AsDouble());
  if (IsTextType(type)) return classlib::StrToInt64(AsString());
  ConversionError();
}

double TFIBXSQLVAR::ConvertToDouble() const {
  if (IsNull()) return 0.0;
  int type = SQLType();
  if (IsIntegerType(type)) {
    double value = static_cast<double>(StoredInteger());
    int scale = SQLScale();
    // Dividing by the exact power keeps 123.45 from becoming 123.45000000000002.
    return scale < 0 ? value / PowerOfTen(-scale) : value * PowerOfTen(scale);
  }
  if (type == kSQLFloat) return LoadAt<float>(Raw());
  if (type == kSQLDouble || type == kSQLDFloat) return LoadAt<double>(Raw());
  if (IsTextType(type)) return classlib::StrToFloat(AsString());
  if (IsBooleanType(type)) return StoredInteger() != 0 ? 1.0 : 0.0;
  ConversionError();
}

classlib::Currency TFIBXSQLVAR::AsCurrency() const {
  if (IsNull()) return classlib::Currency::FromScaled(0);
  if (SQLType() == kSQLInt64 && Dialect() >= 3) {
    // The currency keeps 4 places: exact for scales down to -4, rounded
    // below.
    int shift = 4 + SQLScale();
    int64_t raw;
    if (shift >= 0) {
      if (!ScaleExactly(StoredInteger(), shift, raw)) ConversionError();
    } else {
      raw = -shift > 18 ? 0 : DivideRounded(StoredInteger(), IntPowerOfTen(-shift));
    }
    return classlib::Currency::FromScaled(raw);
  }
  double scaled = std::nearbyint(AsDouble() * classlib::Currency::kScale);
  if (!(scaled >= -9.2e18 && scaled <= 9.2e18)) ConversionError();
  return classlib::Currency::FromScaled(static_cast<int64_t>(scaled));
}

classlib::TBcd TFIBXSQLVAR::AsBCD() const {
  classlib::TBcd bcd;
  if (IsNull()) return classlib::IntegerToBcd(0);
  if (SQLType() == kSQLInt64 && Dialect() >= 3) {
    classlib::TFormatSettings point = classlib::FormatSettings();
    point.DecimalSeparator = '.';
    std::string text = ScaledInt64ToStrSep(-SQLScale(), '.', StoredInteger());
    if (!classlib::TryStrToBcd(text, bcd, point)) ConversionError();
    return bcd;
  }
  if (!classlib::CurrToBCD(AsCurrency(), bcd)) ConversionError();
  return bcd;
}

bool TFIBXSQLVAR::AsBoolean() const {
  if (IsNull()) return false;
  int type = SQLType();
  if (!IsIntegerType(type) && !IsBooleanType(type)) ConversionError();
  return StoredInteger() == 1;
}

classlib::TDateTime TFIBXSQLVAR::ConvertToDateTime() const {
  if (IsNull()) return 0.0;
  switch (SQLType()) {
    case kSQLDate:
      return LoadAt<int32_t>(Raw()) - kDayNumberToDateTime;
    case kSQLTime:
      return LoadAt<uint32_t>(Raw()) / static_cast<double>(kTimeUnitsPerDay);
    case kSQLTimeStamp:
      return TimeStampValue();
    case kSQLText: case kSQLVarying:
      return classlib::StrToDateTime(AsString());
    default:
      ConversionError();
  }
}

ISC_QUAD TFIBXSQLVAR::AsQuad() const {
  int type = SQLType();
  if (type != kSQLBlob && type != kSQLArray && type != kSQLQuad) ConversionError();
  if (IsNull()) return ISC_QUAD{};
  return LoadAt<ISC_QUAD>(Raw());
}

// A GUID is 16 raw bytes: a column shorter than that holds none.
classlib::TGUID TFIBXSQLVAR::AsGuid() const {
  classlib::TGUID guid;
  if (IsNull()) return guid;
  int type = SQLType();
  if (!IsTextType(type)) ConversionError();
  std::string_view bytes = TextBytes();
  if (bytes.size() < sizeof guid) ConversionError();
  std::memcpy(&guid, bytes.data(), sizeof guid);
  return guid;
}

std::string TFIBXSQLVAR::ConvertToString() const {
  if (IsNull()) return std::string();
  int type = SQLType();
  int scale = SQLScale();
  switch (type) {
    case kSQLText: case kSQLVarying:
      return TextValue();
    case kSQLShort: case kSQLLong:
      return scale == 0 ? classlib::IntToStr(AsInteger()) : classlib::FloatToStr(AsDouble());
    case kSQLInt64:
      if (scale == 0) return classlib::IntToStr(AsInt64());
      return ScaledInt64ToStrSep(-scale, classlib::FormatSettings().DecimalSeparator,
                                 StoredInteger());
    case kSQLDouble: case kSQLFloat: case kSQLDFloat:
      return classlib::FloatToStr(AsDouble());
    case kSQLDate: return classlib::DateToStr(AsDateTime());
    case kSQLTime: return classlib::TimeToStr(AsDateTime());
    case kSQLTimeStamp: return classlib::DateTimeToStr(AsDateTime());
    case kSQLBlob: return BlobContents();
    case kSQLArray: return "(ARRAY)";
    case kSQLBoolean: case kSQLFBBoolean: return StoredInteger() != 0 ? "True" : "False";
    default: ConversionError();
  }
}

std::string TFIBXSQLVAR::TextValue() const {
  std::string_view bytes = TextBytes();
  TXSQLOwner* owner = parent_->Owner();
  if (owner != nullptr && owner->TrimCharFields())
    while (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
  if (SQLSubtype() == kCharsetUnicodeFSS && owner != nullptr && owner->IsUTF8Connection())
    return classlib::Utf8ToCp1251(bytes);
  return std::string(bytes);
}

classlib::Variant TFIBXSQLVAR::AsVariant() const {
  using classlib::Variant;
  if (IsNull()) return Variant::Null();
  int type = SQLType();
  int scale = SQLScale();
  switch (type) {
    case kSQLText: case kSQLVarying:
      if (SQLSubtype() == kCharsetUnicodeFSS) {
        TXSQLOwner* owner = Owner();
        if (owner != nullptr && owner->IsUTF8Connection()) {
          std::string_view bytes = TextBytes();
          if (owner->TrimCharFields())
            while (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
          return Variant(classlib::Utf8ToUtf16(bytes));
        }
        return Variant(classlib::Cp1251ToUtf16(AsString()));
      }
      return Variant(AsString());
    case kSQLShort: case kSQLLong:
      return scale == 0 ? Variant(AsInteger()) : Variant(AsDouble());
    case kSQLInt64:
      if (scale == 0) return Variant(static_cast<long long>(AsInt64()));
      return Variant(AsDouble());
    case kSQLDouble: case kSQLFloat: case kSQLDFloat:
      return Variant(AsDouble());
    case kSQLDate: case kSQLTime: case kSQLTimeStamp:
      return Variant::FromDate(AsDateTime());
    case kSQLBlob: return Variant(AsString());
    case kSQLArray: return Variant("(Array)");
    case kSQLBoolean: case kSQLFBBoolean: return Variant(StoredInteger() != 0);
    default: ConversionError();
  }
}

}  // namespace fib
