// Writing a parameter: each value gives the item the SQL type it needs.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>

#include "classlib/codepage.h"
#include "classlib/format_settings.h"
#include "classlib/numconv.h"
#include "fib/base/bcd_scaled.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/numeric_helpers.h"
#include "fib/base/sql_types.h"
#include "fib/base/variant_stream.h"
#include "fib/statements/xsqlda.h"
#include "fib/statements/xsqlda_owner.h"
#include "fib/statements/xsqlvar.h"
#include "fib/statements/zod_array.h"

namespace fib {

namespace {

constexpr short kCharsetOctets = 1;

// The number of decimal digits of a whole number (0 for 0), by binary search
// over the power table; 19 and more for numbers past 18 digits.
int DigitCount(long double whole) {
  if (whole < 1) return 0;
  if (whole >= PowerOfTen(kMaxPowerOfTen)) return kMaxPowerOfTen + 1;
  int low = 1, high = kMaxPowerOfTen;  // whole < 10^high always holds
  while (low < high) {
    int middle = (low + high) / 2;
    if (whole < PowerOfTen(middle))
      high = middle;
    else
      low = middle + 1;
  }
  return low;
}

}  // namespace

void TFIBXSQLVAR::Prepare(int type, int length, int scale) {
  Reshape(type, length, scale);
  std::fill(data_.begin(), data_.end(), 0);
}

void TFIBXSQLVAR::Reshape(int type, int length, int scale) {
  stream_.reset();
  size_t size = static_cast<size_t>(length) + (type == kSQLVarying ? 2 : 0);
  data_.resize(std::max<size_t>(size, 1));
  var_->sqldata = data_.data();
  var_->sqltype = static_cast<short>(type | (var_->sqltype & 1));
  var_->sqllen = static_cast<short>(length);
  var_->sqlscale = static_cast<short>(scale);
  if (var_->sqlind != nullptr) indicator_ = 0;
  kept_ = {var_->sqltype, var_->sqlscale, var_->sqlsubtype, var_->sqllen};
  modified_ = true;
}

// Out of line and shared by every setter, so a row of writes runs one
// copy of it.
// The type, scale and length are compared as one word: the record's first
// eight bytes without the nullable bit and the subtype.
static_assert(offsetof(XSQLVAR, sqltype) == 0 && offsetof(XSQLVAR, sqlscale) == 2 &&
              offsetof(XSQLVAR, sqlsubtype) == 4 && offsetof(XSQLVAR, sqllen) == 6);

[[gnu::noinline]] bool TFIBXSQLVAR::KeepsShape(int type, int length, int scale) {
  const XSQLVAR& var = *var_;
  uint64_t head;
  std::memcpy(&head, &var, sizeof head);
  constexpr uint64_t kIgnored = 1 | uint64_t{0xFFFF} << 32;
  const uint64_t wanted = uint64_t{static_cast<uint16_t>(type)} |
                          uint64_t{static_cast<uint16_t>(scale)} << 16 |
                          uint64_t{static_cast<uint16_t>(length)} << 48;
  const size_t size = static_cast<size_t>(length) + (type == kSQLVarying ? 2 : 0);
  if ((head & ~kIgnored) != wanted || length > INT16_MAX || stream_ ||
      var.sqldata != data_.data() || data_.size() != std::max<size_t>(size, 1))
    return false;
  if (var.sqlind != nullptr) indicator_ = 0;
  kept_ = std::bit_cast<Shape>(head);
  modified_ = true;
  return true;
}

bool TFIBXSQLVAR::ReadyInPlace(int type, int length, int scale) {
  return WritesAlone() && KeepsShape(type, length, scale);
}

template <typename T>
void TFIBXSQLVAR::StoreFixed(int type, int scale, T value) {
  // The value fills the whole buffer: no need to clear it first.
  if (!KeepsShape(type, sizeof value, scale)) Reshape(type, sizeof value, scale);
  std::memcpy(data_.data(), &value, sizeof value);
}

template <typename T>
void TFIBXSQLVAR::SpreadFixed(int type, int scale, T value) {
  ForEachNamesake([=](TFIBXSQLVAR& item) { item.StoreFixed(type, scale, value); });
}

template void TFIBXSQLVAR::SpreadFixed<int16_t>(int, int, int16_t);
template void TFIBXSQLVAR::SpreadFixed<int32_t>(int, int, int32_t);
template void TFIBXSQLVAR::SpreadFixed<int64_t>(int, int, int64_t);

void TFIBXSQLVAR::StoreBytes(int type, std::string_view bytes) {
  Prepare(type, static_cast<int>(bytes.size()), 0);
  if (!bytes.empty()) std::memcpy(data_.data(), bytes.data(), bytes.size());
}

bool TFIBXSQLVAR::IsNumericParameter() const {
  switch (described_.type) {
    case kSQLShort: case kSQLLong: case kSQLInt64: case kSQLFloat: case kSQLDouble:
    case kSQLDFloat:
      return true;
    default:
      return false;
  }
}

bool TFIBXSQLVAR::IsDateTimeParameter() const {
  return described_.type == kSQLDate || described_.type == kSQLTime ||
         described_.type == kSQLTimeStamp;
}

// A parameter the server described as a boolean keeps its own width; any
// other gets a SHORT 1 or 0 (the server would refuse a number for a
// Firebird 3 BOOLEAN).
void TFIBXSQLVAR::SetAsBoolean(bool value) {
  ForEachNamesake([value](TFIBXSQLVAR& item) {
    if (item.described_.type == kSQLFBBoolean)
      item.StoreFixed<uint8_t>(kSQLFBBoolean, 0, value ? 1 : 0);
    else if (item.described_.type == kSQLBoolean)
      item.StoreFixed<int16_t>(kSQLBoolean, 0, value ? 1 : 0);
    else
      item.StoreFixed<int16_t>(kSQLShort, 0, value ? 1 : 0);
  });
}

void TFIBXSQLVAR::SetAsDouble(double value) {
  ForEachNamesake([value](TFIBXSQLVAR& item) {
    if (!item.StoreDescribedNumber(value)) item.StoreFixed(kSQLDouble, 0, value);
  });
}

// A double goes as the described scaled integer only when that integer
// gives back the very same double: the server would round to the same
// number, and reading the parameter back shows what was written.
bool TFIBXSQLVAR::StoreDescribedNumber(double value) {
  const int type = described_.type;
  if (type != kSQLShort && type != kSQLLong && type != kSQLInt64) return false;
  if (is_macro_ || described_.scale > 0 || described_.scale < -kMaxPowerOfTen) return false;
  const double power = PowerOfTen(-described_.scale);
  const double units = value * power;
  // 2^53: every integer below it converts to and from a double exactly.
  if (!(std::fabs(units) < 9007199254740992.0) || units != std::trunc(units)) return false;
  const auto whole = static_cast<int64_t>(units);
  if (static_cast<double>(whole) / power != value) return false;
  if (type == kSQLShort && (whole < INT16_MIN || whole > INT16_MAX)) return false;
  if (type == kSQLLong && (whole < INT32_MIN || whole > INT32_MAX)) return false;
  StoreWhole(type, described_.scale, whole);
  return true;
}

// StoreFixed of a whole number in the width of `type` (SHORT, LONG or
// INT64), with one store for the three.
void TFIBXSQLVAR::StoreWhole(int type, int scale, int64_t whole) {
  const int length = type == kSQLShort ? 2 : type == kSQLLong ? 4 : 8;
  if (!KeepsShape(type, length, scale)) Reshape(type, length, scale);
  char* data = data_.data();
  if (length == 2) {
    const auto narrow = static_cast<int16_t>(whole);
    std::memcpy(data, &narrow, sizeof narrow);
  } else if (length == 4) {
    const auto narrow = static_cast<int32_t>(whole);
    std::memcpy(data, &narrow, sizeof narrow);
  } else {
    std::memcpy(data, &whole, sizeof whole);
  }
}

void TFIBXSQLVAR::SetAsCurrency(classlib::Currency value) {
  ForEachNamesake([value](TFIBXSQLVAR& item) {
    if (item.Dialect() >= 3)
      item.StoreFixed<int64_t>(kSQLInt64, -4, value.value);
    else
      item.StoreFixed<double>(kSQLDouble, 0, value.ToDouble());
  });
}

void TFIBXSQLVAR::SetAsBCD(const classlib::TBcd& value) {
  ForEachNamesake([&value](TFIBXSQLVAR& item) {
    if (item.Dialect() >= 3) {
      int64_t digits;
      uint8_t places;
      if (!BCDToInt64Scaled(value, digits, places)) ConversionError();
      item.StoreFixed<int64_t>(kSQLInt64, -static_cast<int>(places), digits);
    } else {
      long double extended;
      if (!BCDToExtended(value, extended)) ConversionError();
      item.StoreExtended(extended);
    }
  });
}

void TFIBXSQLVAR::SetAsExtended(long double value) {
  ForEachNamesake([value](TFIBXSQLVAR& item) { item.StoreExtended(value); });
}

// Dialect 3 sends an extended value as an INT64 of 18 significant digits,
// so no digit a double would drop is lost; a number of more than 18 whole
// digits has no such form and goes as a DOUBLE.
void TFIBXSQLVAR::StoreExtended(long double value) {
  if (!std::isfinite(value)) ConversionError();
  int digits = DigitCount(std::round(std::fabs(std::trunc(value))));
  if (Dialect() < 3 || digits > kMaxPowerOfTen) {
    StoreFixed<double>(kSQLDouble, 0, static_cast<double>(value));
    return;
  }
  long double stored = std::round(value * static_cast<long double>(PowerOfTen(kMaxPowerOfTen - digits)));
  StoreFixed<int64_t>(kSQLInt64, digits - kMaxPowerOfTen, static_cast<int64_t>(stored));
}

void TFIBXSQLVAR::StoreTimeStamp(classlib::TDateTime value) {
  classlib::TTimeStamp stamp = classlib::DateTimeToTimeStamp(value);
  ISC_TIMESTAMP wire{stamp.Date - kTimeStampToDayNumber,
                     static_cast<ISC_TIME>(stamp.Time) * kTimeUnitsPerMSec};
  StoreFixed(kSQLTimeStamp, 0, wire);
}

void TFIBXSQLVAR::SetAsDateTime(classlib::TDateTime value) {
  ForEachNamesake([value](TFIBXSQLVAR& item) { item.StoreTimeStamp(value); });
}

void TFIBXSQLVAR::SetAsDate(classlib::TDateTime value) {
  ForEachNamesake([value](TFIBXSQLVAR& item) { item.StoreTimeStamp(std::trunc(value)); });
}

void TFIBXSQLVAR::SetAsTime(classlib::TDateTime value) {
  ForEachNamesake([value](TFIBXSQLVAR& item) { item.StoreTimeStamp(value); });
}

void TFIBXSQLVAR::SetAsQuad(const ISC_QUAD& value) {
  ForEachNamesake([&value](TFIBXSQLVAR& item) {
    item.StoreFixed(item.described_.type == kSQLArray ? kSQLArray : kSQLBlob, 0, value);
  });
}

void TFIBXSQLVAR::SetAsGuid(const classlib::TGUID& value) {
  ForEachNamesake([&value](TFIBXSQLVAR& item) {
    item.StoreBytes(kSQLText, std::string_view(reinterpret_cast<const char*>(&value), sizeof value));
    // Raw bytes: no character set may transliterate them.
    item.var_->sqlsubtype = kCharsetOctets;
    item.kept_.subtype = kCharsetOctets;
  });
}

// Text too long for a descriptor travels as a blob.
[[gnu::always_inline]] inline void TFIBXSQLVAR::StoreText(std::string_view bytes,
                                                          short subtype) {
  if (bytes.size() > static_cast<size_t>(kMaxTextLength)) [[unlikely]] {
    HoldAsStream(bytes);
    return;
  }
  if (StoreDescribedVarying(bytes, subtype)) return;
  StoreCharText(bytes, subtype);
}

[[gnu::noinline]] void TFIBXSQLVAR::StoreCharText(std::string_view bytes, short subtype) {
  StoreBytes(kSQLText, bytes);
  var_->sqlsubtype = subtype;
  kept_.subtype = subtype;
}

// Text that fits a described VARCHAR goes in that very shape, so the server
// takes it without a conversion from CHAR.
[[gnu::always_inline]] inline bool TFIBXSQLVAR::StoreDescribedVarying(std::string_view bytes,
                                                                      short subtype) {
  if (is_macro_ || described_.type != kSQLVarying || subtype != described_.subtype ||
      bytes.size() > static_cast<size_t>(described_.length))
    return false;
  if (!KeepsShape(kSQLVarying, described_.length, 0)) Reshape(kSQLVarying, described_.length, 0);
  // The length prefix, the text, and zeros after it up to the full width.
  const auto length = static_cast<uint16_t>(bytes.size());
  char* data = data_.data();
  std::memcpy(data, &length, sizeof length);
  if (!bytes.empty()) std::memcpy(data + sizeof length, bytes.data(), bytes.size());
  std::memset(data + sizeof length + bytes.size(), 0, data_.size() - sizeof length - bytes.size());
  var_->sqlsubtype = subtype;
  kept_.subtype = subtype;
  return true;
}

// The server converts the text to the described type; the client only
// prepares what the server could not read otherwise.
bool TFIBXSQLVAR::InOwnBuffer(std::string_view bytes) const {
  std::less_equal<const char*> not_after;
  std::less<const char*> before;
  return !bytes.empty() && not_after(data_.data(), bytes.data()) &&
         before(bytes.data(), data_.data() + data_.size());
}

[[gnu::always_inline]] inline void TFIBXSQLVAR::StoreEncodedText(std::string_view text) {
  TXSQLOwner* owner = Owner();
  if (owner != nullptr && owner->IsUTF8Connection()) [[unlikely]]
    StoreUtf8Text(text);
  else
    StoreText(text, described_.type == kSQLText || described_.type == kSQLVarying
                        ? described_.subtype : 0);
}

[[gnu::noinline]] void TFIBXSQLVAR::StoreUtf8Text(std::string_view text) {
  StoreText(classlib::Cp1251ToUtf8(text), kCharsetUnicodeFSS);
}

// A record key goes back byte for byte in its described shape, never
// longer than that shape.
[[gnu::noinline]] void TFIBXSQLVAR::StoreRecordKey(std::string_view value) {
  Prepare(described_.type, described_.length, described_.scale);
  var_->sqlsubtype = described_.subtype;
  kept_.subtype = described_.subtype;
  size_t room = data_.size() - (described_.type == kSQLVarying ? 2 : 0);
  size_t length = std::min(value.size(), room);
  if (described_.type == kSQLVarying) {
    uint16_t prefix = static_cast<uint16_t>(length);
    std::memcpy(data_.data(), &prefix, 2);
    std::memcpy(data_.data() + 2, value.data(), length);
  } else {
    std::memcpy(data_.data(), value.data(), length);
  }
}

void TFIBXSQLVAR::StoreString(std::string_view value) {
  if (is_db_key_ && described_.type != 0) [[unlikely]] {
    StoreRecordKey(value);
    return;
  }
  const bool numeric = IsNumericParameter();
  if (value.empty() && (numeric || IsDateTimeParameter())) {
    StoreNull(true);
    return;
  }
  // The text goes as given, without a copy, unless a numeric parameter's
  // separators are rewritten or it lies in the buffer about to be refilled.
  if ((numeric && !is_macro_) || InOwnBuffer(value)) [[unlikely]]
    StoreCopiedString(std::string(value), numeric && !is_macro_);
  else
    StoreEncodedText(value);
}

[[gnu::noinline]] void TFIBXSQLVAR::StoreCopiedString(std::string copy, bool numeric) {
  if (numeric) {
    char separator = classlib::FormatSettings().DecimalSeparator;
    for (char& c : copy)
      if (c == ',' || c == separator) c = '.';
  }
  StoreEncodedText(copy);
}


// The common case first, in a few straight lines: text for a described
// VARCHAR that holds it, to an item that takes it alone, on a connection
// that takes the text as it is. That is where StoreString would end up.
void TFIBXSQLVAR::SetAsString(std::string_view value) {
  if (WritesAlone() && described_.type == kSQLVarying && !is_db_key_ && !InOwnBuffer(value) &&
      !(owner_ != nullptr && owner_->IsUTF8Connection()) &&
      StoreDescribedVarying(value, described_.subtype)) [[likely]]
    return;
  ForEachNamesake([value](TFIBXSQLVAR& item) { item.StoreString(value); });
}

void TFIBXSQLVAR::StoreWideString(const std::u16string& value) {
  TXSQLOwner* owner = Owner();
  if (owner == nullptr || !owner->IsUTF8Connection()) {
    StoreString(classlib::WideToAnsi(value));
    return;
  }
  std::string bytes = classlib::Utf16ToUtf8(value);
  if (bytes.size() > static_cast<size_t>(kMaxTextLength))
    RaiseClientErrorMsg("%s. Value for WideString Parameter \"%s\" too long",
                        {owner->FullName(), std::to_string(index_)});
  StoreText(bytes, kCharsetUnicodeFSS);
}

// Arrays of values go to an ARRAY parameter as a new array of the column
// and to a BLOB parameter as the array's raw bytes.
void TFIBXSQLVAR::StoreArray(const classlib::Variant& value) {
  if (described_.type == kSQLBlob) {
    classlib::Variant copy = value;
    classlib::TMemoryStream stream;
    VariantArrayToStream(copy, stream);
    LoadFromStream(stream);
    return;
  }
  TXSQLOwner* owner = Owner();
  if (described_.type != kSQLArray || owner == nullptr || owner->ClientLibrary() == nullptr)
    RaiseClientError(33);
  TpZODArray array(*owner->ClientLibrary(), owner->DBHandle(), owner->TRHandle(), RelationName(),
                   SQLName());
  ISC_QUAD id{};
  array.Write(value, owner->DBHandle(), owner->TRHandle(), id);
  SetAsQuad(id);
}

void TFIBXSQLVAR::SetAsVariant(const classlib::Variant& value) {
  using namespace classlib;
  const Variant& v = value;
  TVarType type = v.VType();
  // References (to variants or objects) carry no value of their own.
  if (type & varByRef) RaiseClientError(2);
  if (type & varArray) {
    StoreArray(v);
    return;
  }
  if (VarIsStr(v) && (described_.type == kSQLDate || described_.type == kSQLTimeStamp)) {
    SetAsVariant(Variant::FromDate(StrToDateTime(v.AsString())));
    return;
  }
  switch (type & varTypeMask) {
    case varEmpty: case varNull: SetIsNull(true); break;
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
      SetAsInteger(v.AsInteger());
      break;
    // An unsigned 32-bit value may not fit a LONG.
    case varLongWord: case varInt64: SetAsInt64(v.AsInt64()); break;
    case varSingle: case varDouble: SetAsDouble(v.AsDouble()); break;
    case varCurrency: SetAsCurrency(v.AsCurrency()); break;
    case varDecimal: SetAsExtended(v.AsDouble()); break;
    case varFMTBcd: SetAsBCD(v.AsFMTBcd()); break;
    case varSQLTimeStamp: SetAsDateTime(v.AsDate()); break;
    case varDate:
      if (described_.type == kSQLTime)
        SetAsTime(v.AsDate());
      else if (described_.type == kSQLDate)
        SetAsDate(v.AsDate());
      else
        SetAsDateTime(v.AsDate());
      break;
    case varString: SetAsString(v.AsString()); break;
    case varOleStr: {
      WideString wide = v.AsOleStr();
      ForEachNamesake([&wide](TFIBXSQLVAR& item) { item.StoreWideString(wide); });
      break;
    }
    case varBoolean: SetAsBoolean(v.AsBoolean()); break;
    default: RaiseClientError(2);
  }
}

// Used from the other descriptor sources (blob ids).
template void TFIBXSQLVAR::StoreFixed<ISC_QUAD>(int, int, ISC_QUAD);

}  // namespace fib
