#include "fib/dataset/fib_numeric_fields.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "classlib/ansistr.h"
#include "classlib/dataset.h"
#include "classlib/exceptions.h"
#include "classlib/field_direct.h"
#include "classlib/format_settings.h"
#include "classlib/numconv.h"
#include "classlib/unaligned.h"
#include "classlib/variant.h"
#include "fib/base/bcd_scaled.h"
#include "fib/base/numeric_helpers.h"
#include "fib/base/numeric_mask.h"
#include "fib/base/numeric_text.h"
#include "fib/dataset/fib_fields_owner.h"
#include "fib/records/field_data.h"

namespace fib {

using classlib::Currency;
using classlib::TBcd;
using classlib::Variant;

namespace {

constexpr int kSqlInt64 = 580;

int64_t Pow10(int exponent) {
  int64_t result = 1;
  for (int i = 0; i < exponent; ++i) result *= 10;
  return result;
}

}  // namespace

bool RescaleInt64(int64_t value, int shift, int64_t& result) {
  if (shift > 18 || shift < -18) {
    if (shift > 0 && value != 0) return false;
    result = 0;
    return shift < 0 || value == 0;
  }
  if (shift >= 0) {
    __int128 wide = static_cast<__int128>(value) * Pow10(shift);
    if (wide > INT64_MAX || wide < INT64_MIN) return false;
    result = static_cast<int64_t>(wide);
    return true;
  }
  const int64_t divisor = Pow10(-shift);
  int64_t quotient = value / divisor;
  const int64_t remainder = value % divisor;
  // Halves go to the even neighbour, as the platform's Round does.
  const int64_t twice = (remainder < 0 ? -remainder : remainder) * 2;
  if (twice > divisor || (twice == divisor && quotient % 2 != 0)) quotient += value < 0 ? -1 : 1;
  result = quotient;
  return true;
}

// ---- Integers -----------------------------------------------------------------------

TFIBIntegerField::TFIBIntegerField(classlib::TComponent* owner) : TIntegerField(owner) {}
TFIBSmallIntField::TFIBSmallIntField(classlib::TComponent* owner) : TSmallintField(owner) {}
TFIBLargeIntField::TFIBLargeIntField(classlib::TComponent* owner) : TLargeintField(owner) {}

// ---- TFIBFloatField -----------------------------------------------------------------

TFIBFloatField::TFIBFloatField(classlib::TComponent* owner) : TFloatField(owner) {}

void TFIBFloatField::SetAsFloatValue(double value) {
  const int scale = FieldScale(*this);
  if (round_by_scale_ && scale != 0)
    value = static_cast<double>(RoundToDecimals(value, -scale));
  TFloatField::SetAsFloatValue(value);
}

std::string TFIBFloatField::GetTextValue(bool display_text) const {
  return classlib::Trim(TFloatField::GetTextValue(display_text));
}

// ---- TFIBBCDField -------------------------------------------------------------------

TFIBBCDField::TFIBBCDField(classlib::TComponent* owner) : TBCDField(owner) { SetSizeRaw(8); }

void TFIBBCDField::CheckTypeSize(int size) const {
  if (size < 0 || size > kMaxPowerOfTen) classlib::DatabaseError("Invalid field size");
}

int TFIBBCDField::GetDataSize() const {
  if (Lookup() && LookupDataSet() != nullptr) {
    // A lookup value is copied from the lookup data set's result field.
    if (classlib::TField* result = LookupDataSet()->FindField(LookupResultField()))
      return result->DataSize();
  }
  return 8;
}

[[gnu::hot]] bool TFIBBCDField::GetScaled(int64_t& value) const {
  value = 0;
  const uint8_t* direct = nullptr;
  bool is_null = false;
  if (DirectValue(sizeof value, direct, is_null)) {
    if (!is_null) value = classlib::LoadUnaligned<int64_t>(direct);
    return !is_null;
  }
  return GetScaledThroughDataSet(value);
}

bool TFIBBCDField::GetScaledThroughDataSet(int64_t& value) const {
  // A lookup field's slot is as wide as the lookup result, which need not
  // be 8 bytes: read into room for it and keep the Int64 at its start. The
  // usual 8-byte slot is read on the stack, since this runs for every value.
  alignas(8) uint8_t local[16] = {};
  std::vector<uint8_t> wide;
  uint8_t* slot = local;
  if (static_cast<std::size_t>(DataSize()) > sizeof local) {
    wide.assign(static_cast<std::size_t>(DataSize()), 0);
    slot = wide.data();
  }
  if (!GetData(slot)) return false;
  std::memcpy(&value, slot, sizeof value);
  return true;
}

void TFIBBCDField::StoreScaled(int64_t value) { SetData(&value); }

void TFIBBCDField::StoreDouble(long double value) {
  const long double scaled = std::nearbyint(value * static_cast<long double>(PowerOfTen(Size())));
  // The scaled value must fit the Int64 the column travels in.
  if (!(scaled >= -9223372036854775808.0L && scaled < 9223372036854775808.0L)) {
    const double limit = 9223372036854775807.0 / PowerOfTen(Size());
    RangeError(static_cast<double>(value), -limit, limit);
  }
  StoreScaled(static_cast<int64_t>(scaled));
}

// The direct reads come first in the getters that run for every row: a
// field is read directly only as a data field, so never when calculated.
// Every other read is out of line, so the direct one needs no stack frame.
[[gnu::hot]] double TFIBBCDField::GetAsFloat() const {
  const uint8_t* direct = nullptr;
  bool is_null = false;
  if (DirectValue(sizeof(int64_t), direct, is_null))
    return is_null ? 0 : ScaledToDouble(classlib::LoadUnaligned<int64_t>(direct), Size());
  return FloatThroughDataSet();
}

double TFIBBCDField::FloatThroughDataSet() const {
  if (!OwnStorage()) return TBCDField::GetAsFloat();
  int64_t value = 0;
  if (!GetScaledThroughDataSet(value)) return 0;
  return ScaledToDouble(value, Size());
}

Currency TFIBBCDField::GetAsCurrency() const {
  if (!OwnStorage()) return TBCDField::GetAsCurrency();
  int64_t value = 0;
  if (!GetScaled(value)) return Currency{};
  int64_t scaled = 0;
  if (!RescaleInt64(value, 4 - Size(), scaled))
    throw classlib::ERangeError(FieldName() + ": value does not fit a currency");
  return Currency::FromScaled(scaled);
}

namespace {

// The whole part of a scaled value, rounded as the platform's Round does.
[[gnu::noinline]] int64_t WholeOfScaled(int64_t value, int scale) {
  int64_t whole = 0;
  RescaleInt64(value, -scale, whole);
  return whole;
}

}  // namespace

[[gnu::hot]] int64_t TFIBBCDField::GetAsLargeInt() const {
  const uint8_t* direct = nullptr;
  bool is_null = false;
  if (DirectValue(sizeof(int64_t), direct, is_null)) {
    if (is_null) return 0;
    const int64_t value = classlib::LoadUnaligned<int64_t>(direct);
    return Size() == 0 ? value : WholeOfScaled(value, Size());
  }
  return LargeIntThroughDataSet();
}

int64_t TFIBBCDField::LargeIntThroughDataSet() const {
  if (!OwnStorage()) return TBCDField::GetAsLargeInt();
  int64_t value = 0;
  if (!GetScaledThroughDataSet(value)) return 0;
  return Size() == 0 ? value : WholeOfScaled(value, Size());
}

int32_t TFIBBCDField::GetAsInteger() const {
  if (!OwnStorage()) return TBCDField::GetAsInteger();
  const int64_t value = GetAsLargeInt();
  if (value < INT32_MIN || value > INT32_MAX)
    RangeError(classlib::IntToStr(value), classlib::IntToStr(INT32_MIN),
               classlib::IntToStr(INT32_MAX));
  return static_cast<int32_t>(value);
}

TBcd TFIBBCDField::GetAsBCD() const {
  if (!OwnStorage()) return TBCDField::GetAsBCD();
  int64_t value = 0;
  GetScaled(value);
  // The digits of the integer with Size of them behind the point: exact,
  // where a trip through a double would lose digits of large values.
  TBcd bcd = classlib::IntegerToBcd(value);
  bcd.SignSpecialPlaces = static_cast<uint8_t>((bcd.SignSpecialPlaces & 0x80) | Size());
  return bcd;
}

std::string TFIBBCDField::GetAsString() const {
  if (!OwnStorage()) return TBCDField::GetAsString();
  int64_t value = 0;
  if (!GetScaled(value)) return std::string();
  return Size() == 0 ? Int64ToText(value) : ScaledInt64ToStr(value, Size());
}

Variant TFIBBCDField::GetAsVariant() const {
  if (!OwnStorage()) return TBCDField::GetAsVariant();
  int64_t value = 0;
  if (!GetScaled(value)) return classlib::Null();
  if (Size() == 0) return Variant(static_cast<long long>(value));
  if (Size() == 4) return Variant(Currency::FromScaled(value));
  return Variant(GetAsFloat());
}

std::string TFIBBCDField::GetTextValue(bool display_text) const {
  if (!OwnStorage()) return TBCDField::GetTextValue(display_text);
  int64_t value = 0;
  if (!GetScaled(value)) return std::string();
  const std::string& format = FormatFor(display_text);
  if (Size() == 0) return format.empty() ? Int64ToText(value) : FormatNumericMask(format, Int64ToText(value), false);
  if (!format.empty()) {
    if (Size() == 4) return classlib::FormatFloat(format, Currency::FromScaled(value).ToDouble());
    return FormatNumericMask(format, ScaledInt64ToStr(value, Size()), false);
  }
  if (IsCurrency()) {
    const int decimals = classlib::FormatSettings().CurrencyDecimals;
    const std::string picture = decimals > 0 ? "0." + std::string(static_cast<std::size_t>(decimals), '0') : "0";
    return classlib::FormatFloat(picture, GetAsCurrency().ToDouble());
  }
  return ScaledInt64ToStr(value, Size());
}

void TFIBBCDField::SetAsStringValue(const std::string& value) {
  if (!OwnStorage()) return TBCDField::SetAsStringValue(value);
  if (value.empty()) return Clear();
  TFIBColumnInfo info;
  if (!FieldColumnInfo(*this, info) || info.SQLType != kSqlInt64)
    return TBCDField::SetAsStringValue(value);
  if (Size() == 0) return StoreScaled(classlib::StrToInt64(value));
  SetAsBCDValue(classlib::StrToBCD(classlib::Trim(value)));
}

void TFIBBCDField::SetAsBCDValue(const TBcd& value) {
  if (!OwnStorage()) return TBCDField::SetAsBCDValue(value);
  int64_t digits = 0;
  uint8_t scale = 0;
  int64_t scaled = 0;
  if (!BCDToInt64Scaled(value, digits, scale) || !RescaleInt64(digits, Size() - scale, scaled))
    RangeError(classlib::BCDToDouble(value), -9223372036854775807.0 / PowerOfTen(Size()),
               9223372036854775807.0 / PowerOfTen(Size()));
  StoreScaled(scaled);
}

void TFIBBCDField::SetAsCurrencyValue(Currency value) {
  if (!OwnStorage()) return TBCDField::SetAsCurrencyValue(value);
  int64_t scaled = 0;
  if (Size() != 0 && (MinValue().value != 0 || MaxValue().value != 0)) {
    int64_t rounded = 0;
    RescaleInt64(value.value, Size() < 4 ? Size() - 4 : 0, rounded);
    Currency check = Size() < 4 ? Currency::FromScaled(rounded * Pow10(4 - Size())) : value;
    if (check < MinValue() || check > MaxValue())
      RangeError(value.ToDouble(), MinValue().ToDouble(), MaxValue().ToDouble());
  }
  // From four decimals to Size, exactly; a value that does not fit raises.
  if (!RescaleInt64(value.value, Size() - 4, scaled))
    RangeError(value.ToDouble(), -9223372036854775807.0 / PowerOfTen(Size()),
               9223372036854775807.0 / PowerOfTen(Size()));
  StoreScaled(scaled);
}

void TFIBBCDField::SetAsLargeIntValue(int64_t value) {
  if (!OwnStorage()) return TBCDField::SetAsLargeIntValue(value);
  int64_t scaled = 0;
  if (!RescaleInt64(value, Size(), scaled))
    RangeError(static_cast<double>(value), -9223372036854775807.0 / PowerOfTen(Size()),
               9223372036854775807.0 / PowerOfTen(Size()));
  StoreScaled(scaled);
}

void TFIBBCDField::SetAsIntegerValue(int32_t value) {
  if (!OwnStorage()) return TBCDField::SetAsIntegerValue(value);
  SetAsLargeIntValue(value);
}

void TFIBBCDField::SetAsFloatValue(double value) {
  if (!OwnStorage()) return TBCDField::SetAsFloatValue(value);
  StoreDouble(value);
}

void TFIBBCDField::SetVarValue(const Variant& value) {
  if (!OwnStorage()) return TBCDField::SetVarValue(value);
  if (value.VType() == classlib::varInt64) return SetAsLargeIntValue(value.AsInt64());
  StoreDouble(value.AsDouble());
}

void TFIBBCDField::AssignField(const classlib::TField& source) {
  if (const auto* other = dynamic_cast<const TFIBBCDField*>(&source)) {
    if (other->IsNull())
      Clear();
    else
      SetAsString(other->AsString());
    return;
  }
  TBCDField::AssignField(source);
}

bool TFIBBCDField::ValueChanged() const {
  auto* self = const_cast<TFIBBCDField*>(this);
  int64_t current = 0;
  int64_t old = 0;
  const bool has_current = ReadFieldData(self, false, &current);
  const bool has_old = ReadFieldData(self, true, &old);
  return has_current != has_old || (has_current && current != old);
}

}  // namespace fib
