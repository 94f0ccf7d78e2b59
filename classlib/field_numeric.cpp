// Number fields: integers, large integers, floats, currency and the two
// decimal kinds, with their range checks and text forms.
#include <cmath>
#include <cstdio>

#include "classlib/dataset.h"
#include "classlib/field_direct.h"
#include "classlib/field_numeric.h"
#include "classlib/format_settings.h"
#include "classlib/numconv.h"
#include "classlib/unaligned.h"
#include "classlib/variant.h"

namespace classlib {

TNumericField::TNumericField(TComponent* owner) : TField(owner) { SetAlignment(taRightJustify); }

const std::string& TNumericField::FormatFor(bool display_text) const {
  if (!display_text && !edit_format_.empty()) return edit_format_;
  return display_format_;
}

// ---- 16- and 32-bit integers -------------------------------------------------

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) { SetDataType(ftInteger); }

void TIntegerField::SetStorageRange(int64_t min, int64_t max) {
  storage_min_ = min;
  storage_max_ = max;
}

void TIntegerField::CheckRange(int64_t value) const {
  const bool limited = min_value_ != 0 || max_value_ != 0;
  const int64_t low = limited ? min_value_ : storage_min_;
  const int64_t high = limited ? max_value_ : storage_max_;
  if (value < low || value > high) RangeError(IntToStr(value), IntToStr(low), IntToStr(high));
}

[[gnu::hot]] bool TIntegerField::LoadInteger(int64_t& value) const {
  const uint8_t* direct = nullptr;
  bool is_null = false;
  if (DirectValue(sizeof(int32_t), direct, is_null)) {
    if (is_null) return false;
    value = LoadUnaligned<int32_t>(direct);
    return true;
  }
  int32_t stored = 0;
  if (!GetData(&stored)) return false;
  value = stored;
  return true;
}

void TIntegerField::StoreInteger(int64_t value) {
  int32_t stored = static_cast<int32_t>(value);
  SetData(&stored);
}

bool TIntegerField::GetValue(int32_t& value) const {
  int64_t wide = 0;
  if (!LoadInteger(wide)) return false;
  value = static_cast<int32_t>(wide);
  return true;
}

[[gnu::hot]] int64_t TIntegerField::GetAsLargeInt() const {
  int64_t value = 0;
  return LoadInteger(value) ? value : 0;
}

void TIntegerField::SetAsLargeIntValue(int64_t value) {
  CheckRange(value);
  StoreInteger(value);
}

// A 32-bit value read directly needs neither LoadInteger's dispatch nor a
// widening; a plain slot holds exactly what GetData copies, so a 16-bit
// field's slot never matches here and its own LoadInteger reads it.
[[gnu::hot]] int32_t TIntegerField::GetAsInteger() const {
  const uint8_t* direct = nullptr;
  bool is_null = false;
  if (DirectValue(sizeof(int32_t), direct, is_null))
    return is_null ? 0 : LoadUnaligned<int32_t>(direct);
  return static_cast<int32_t>(GetAsLargeInt());
}
void TIntegerField::SetAsIntegerValue(int32_t value) { SetAsLargeIntValue(value); }
double TIntegerField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }

void TIntegerField::SetAsFloatValue(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 9.2e18) RangeError(value, storage_min_, storage_max_);
  SetAsLargeIntValue(Round(value));
}

Currency TIntegerField::GetAsCurrency() const { return Currency::FromInt(GetAsLargeInt()); }
void TIntegerField::SetAsCurrencyValue(Currency value) { SetAsLargeIntValue(Round(value)); }

std::string TIntegerField::GetAsString() const {
  int64_t value = 0;
  return LoadInteger(value) ? IntToStr(value) : std::string();
}

void TIntegerField::SetAsStringValue(const std::string& value) {
  if (value.empty())
    Clear();
  else
    SetAsLargeIntValue(StrToInt64(value));
}

Variant TIntegerField::GetAsVariant() const {
  int32_t value = 0;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TIntegerField::SetVarValue(const Variant& value) { SetAsLargeIntValue(value.AsInt64()); }

std::string TIntegerField::GetTextValue(bool display_text) const {
  int64_t value = 0;
  if (!LoadInteger(value)) return std::string();
  const std::string& format = FormatFor(display_text);
  if (format.empty()) return IntToStr(value);
  return FormatFloat(format, static_cast<double>(value));
}

TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftSmallint);
  SetStorageRange(INT16_MIN, INT16_MAX);
}

bool TSmallintField::LoadInteger(int64_t& value) const {
  int16_t stored = 0;
  if (!GetData(&stored)) return false;
  value = stored;
  return true;
}

void TSmallintField::StoreInteger(int64_t value) {
  int16_t stored = static_cast<int16_t>(value);
  SetData(&stored);
}

TWordField::TWordField(TComponent* owner) : TIntegerField(owner) {
  SetDataType(ftWord);
  SetStorageRange(0, UINT16_MAX);
}

bool TWordField::LoadInteger(int64_t& value) const {
  uint16_t stored = 0;
  if (!GetData(&stored)) return false;
  value = stored;
  return true;
}

void TWordField::StoreInteger(int64_t value) {
  uint16_t stored = static_cast<uint16_t>(value);
  SetData(&stored);
}

TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftAutoInc); }

// ---- 64-bit integers -------------------------------------------------------------

TLargeintField::TLargeintField(TComponent* owner) : TNumericField(owner) {
  SetDataType(ftLargeint);
}

[[gnu::hot]] bool TLargeintField::GetValue(int64_t& value) const {
  const uint8_t* direct = nullptr;
  bool is_null = false;
  if (DirectValue(sizeof value, direct, is_null)) {
    if (!is_null) value = LoadUnaligned<int64_t>(direct);
    return !is_null;
  }
  return GetData(&value);
}

[[gnu::hot]] int64_t TLargeintField::GetAsLargeInt() const {
  int64_t value = 0;
  return GetValue(value) ? value : 0;
}

void TLargeintField::SetAsLargeIntValue(int64_t value) {
  if ((min_value_ != 0 || max_value_ != 0) && (value < min_value_ || value > max_value_))
    RangeError(IntToStr(value), IntToStr(min_value_), IntToStr(max_value_));
  SetData(&value);
}

int32_t TLargeintField::GetAsInteger() const {
  int64_t value = GetAsLargeInt();
  if (value < INT32_MIN || value > INT32_MAX)
    RangeError(IntToStr(value), IntToStr(INT32_MIN), IntToStr(INT32_MAX));
  return static_cast<int32_t>(value);
}

void TLargeintField::SetAsIntegerValue(int32_t value) { SetAsLargeIntValue(value); }
double TLargeintField::GetAsFloat() const { return static_cast<double>(GetAsLargeInt()); }

void TLargeintField::SetAsFloatValue(double value) {
  if (!std::isfinite(value) || std::fabs(value) >= 9.2233720368547758e18)
    RangeError(value, -9.2233720368547758e18, 9.2233720368547758e18);
  SetAsLargeIntValue(Round(value));
}

Currency TLargeintField::GetAsCurrency() const { return Currency::FromInt(GetAsLargeInt()); }
void TLargeintField::SetAsCurrencyValue(Currency value) { SetAsLargeIntValue(Round(value)); }

std::string TLargeintField::GetAsString() const {
  int64_t value = 0;
  return GetValue(value) ? IntToStr(value) : std::string();
}

void TLargeintField::SetAsStringValue(const std::string& value) {
  if (value.empty())
    Clear();
  else
    SetAsLargeIntValue(StrToInt64(value));
}

Variant TLargeintField::GetAsVariant() const {
  int64_t value = 0;
  if (!GetValue(value)) return Null();
  return Variant(static_cast<long long>(value));
}

void TLargeintField::SetVarValue(const Variant& value) { SetAsLargeIntValue(value.AsInt64()); }

std::string TLargeintField::GetTextValue(bool display_text) const {
  int64_t value = 0;
  if (!GetValue(value)) return std::string();
  const std::string& format = FormatFor(display_text);
  if (format.empty()) return IntToStr(value);
  return FormatFloat(format, static_cast<double>(value));
}

// ---- Floats --------------------------------------------------------------------

namespace {

// The picture of the currency text: grouped digits and the locale's number
// of decimals; the edit form has no grouping.
std::string CurrencyPicture(bool display_text) {
  int decimals = FormatSettings().CurrencyDecimals;
  std::string picture = display_text ? "#,##0" : "0";
  if (decimals > 0) picture += "." + std::string(static_cast<std::size_t>(decimals), '0');
  return picture;
}

}  // namespace

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(ftFloat); }

void TFloatField::SetPrecision(int value) { precision_ = std::clamp(value, 2, 15); }

[[gnu::hot]] bool TFloatField::GetValue(double& value) const {
  const uint8_t* direct = nullptr;
  bool is_null = false;
  if (DirectValue(sizeof value, direct, is_null)) {
    if (!is_null) value = LoadUnaligned<double>(direct);
    return !is_null;
  }
  return GetData(&value);
}

[[gnu::hot]] double TFloatField::GetAsFloat() const {
  // The direct read needs no frame; the data set's read has one of its own.
  const uint8_t* direct = nullptr;
  bool is_null = false;
  if (DirectValue(sizeof(double), direct, is_null))
    return is_null ? 0 : LoadUnaligned<double>(direct);
  return ReadFloat();
}

[[gnu::noinline]] double TFloatField::ReadFloat() const {
  double value = 0;
  return GetData(&value) ? value : 0;
}

void TFloatField::SetAsFloatValue(double value) {
  if ((min_value_ != 0 || max_value_ != 0) && (value < min_value_ || value > max_value_))
    RangeError(value, min_value_, max_value_);
  SetData(&value);
}

int32_t TFloatField::GetAsInteger() const {
  double value = GetAsFloat();
  if (value < INT32_MIN - 0.5 || value >= INT32_MAX + 0.5) RangeError(value, INT32_MIN, INT32_MAX);
  return static_cast<int32_t>(Round(value));
}

void TFloatField::SetAsIntegerValue(int32_t value) { SetAsFloatValue(value); }
int64_t TFloatField::GetAsLargeInt() const { return Round(GetAsFloat()); }
void TFloatField::SetAsLargeIntValue(int64_t value) { SetAsFloatValue(static_cast<double>(value)); }
Currency TFloatField::GetAsCurrency() const { return Currency::FromDouble(GetAsFloat()); }
void TFloatField::SetAsCurrencyValue(Currency value) { SetAsFloatValue(value.ToDouble()); }
TBcd TFloatField::GetAsBCD() const { return DoubleToBCD(GetAsFloat()); }
void TFloatField::SetAsBCDValue(const TBcd& value) { SetAsFloatValue(BCDToDouble(value)); }

std::string TFloatField::GetAsString() const {
  double value = 0;
  if (!GetValue(value)) return std::string();
  if (precision_ < 15) {
    // Round to the field's significant digits before the usual text form.
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", precision_, value);
    value = std::strtod(text, nullptr);
  }
  return FloatToStr(value);
}

void TFloatField::SetAsStringValue(const std::string& value) {
  if (value.empty())
    Clear();
  else
    SetAsFloatValue(StrToFloat(value));
}

Variant TFloatField::GetAsVariant() const {
  double value = 0;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TFloatField::SetVarValue(const Variant& value) { SetAsFloatValue(value.AsDouble()); }

std::string TFloatField::GetTextValue(bool display_text) const {
  double value = 0;
  if (!GetValue(value)) return std::string();
  const std::string& format = FormatFor(display_text);
  if (!format.empty()) return FormatFloat(format, value);
  if (currency_) return FormatFloat(CurrencyPicture(display_text), value);
  return GetAsString();
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

// ---- BCD kept as Currency ------------------------------------------------------

namespace {

constexpr int kMaxBcdSize = 32;

int64_t PowerOfTen(int exponent) {
  int64_t result = 1;
  for (int i = 0; i < exponent; ++i) result *= 10;
  return result;
}

// Rounds a currency to `decimals` places (0..4), halves to even.
Currency RoundToDecimals(Currency value, int decimals) {
  if (decimals >= 4) return value;
  const int64_t unit = PowerOfTen(4 - decimals);
  int64_t whole = value.value / unit;
  int64_t rest = value.value % unit;
  const int64_t twice = 2 * (rest < 0 ? -rest : rest);
  if (twice > unit || (twice == unit && whole % 2 != 0)) whole += rest < 0 ? -1 : 1;
  return Currency::FromScaled(whole * unit);
}

}  // namespace

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
  SetDataType(ftBCD);
  SetSizeRaw(4);
}

void TBCDField::CheckTypeSize(int size) const {
  if (size < 0 || size > kMaxBcdSize) DatabaseError("Invalid field size", DataSet());
}

bool TBCDField::GetValue(Currency& value) const { return GetData(&value); }

Currency TBCDField::GetAsCurrency() const {
  Currency value{};
  return GetValue(value) ? value : Currency{};
}

void TBCDField::CheckPrecision(Currency value) const {
  const int whole_digits = precision_ - std::min(Size(), 4);
  if (precision_ <= 0 || whole_digits >= 15) return;
  const int64_t limit = PowerOfTen(whole_digits) * Currency::kScale;
  if (value.value >= limit || value.value <= -limit) {
    Currency max = Currency::FromScaled(limit - PowerOfTen(4 - std::min(Size(), 4)));
    RangeError(CurrToStr(value), CurrToStr(-max), CurrToStr(max));
  }
}

void TBCDField::SetAsCurrencyValue(Currency value) {
  value = RoundToDecimals(value, Size());
  if ((min_value_.value != 0 || max_value_.value != 0) && (value < min_value_ || value > max_value_))
    RangeError(CurrToStr(value), CurrToStr(min_value_), CurrToStr(max_value_));
  CheckPrecision(value);
  SetData(&value);
}

int32_t TBCDField::GetAsInteger() const { return static_cast<int32_t>(Round(GetAsCurrency())); }
void TBCDField::SetAsIntegerValue(int32_t value) { SetAsCurrencyValue(Currency::FromInt(value)); }
int64_t TBCDField::GetAsLargeInt() const { return Round(GetAsCurrency()); }
void TBCDField::SetAsLargeIntValue(int64_t value) {
  if (value > INT64_MAX / Currency::kScale || value < INT64_MIN / Currency::kScale)
    RangeError(IntToStr(value), CurrToStr(kMinCurrency), CurrToStr(kMaxCurrency));
  SetAsCurrencyValue(Currency::FromInt(value));
}
double TBCDField::GetAsFloat() const { return GetAsCurrency().ToDouble(); }
void TBCDField::SetAsFloatValue(double value) { SetAsCurrencyValue(Currency::FromDouble(value)); }

TBcd TBCDField::GetAsBCD() const {
  TBcd bcd;
  CurrToBCD(GetAsCurrency(), bcd, 32, std::min(Size(), 4));
  return bcd;
}

void TBCDField::SetAsBCDValue(const TBcd& value) {
  Currency currency{};
  if (!BCDToCurr(value, currency)) InvalidValue();
  SetAsCurrencyValue(currency);
}

std::string TBCDField::GetAsString() const {
  Currency value{};
  return GetValue(value) ? CurrToStr(value) : std::string();
}

void TBCDField::SetAsStringValue(const std::string& value) {
  if (value.empty())
    Clear();
  else
    SetAsCurrencyValue(StrToCurr(value));
}

Variant TBCDField::GetAsVariant() const {
  Currency value{};
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TBCDField::SetVarValue(const Variant& value) { SetAsCurrencyValue(value.AsCurrency()); }

std::string TBCDField::GetTextValue(bool display_text) const {
  Currency value{};
  if (!GetValue(value)) return std::string();
  const std::string& format = FormatFor(display_text);
  if (!format.empty()) return FormatFloat(format, value.ToDouble());
  if (currency_) return FormatFloat(CurrencyPicture(display_text), value.ToDouble());
  return CurrToStr(value);
}

// ---- BCD kept as TBcd ----------------------------------------------------------

TFMTBCDField::TFMTBCDField(TComponent* owner) : TNumericField(owner) {
  SetDataType(ftFMTBcd);
  SetSizeRaw(8);
  precision_ = 15;
}

void TFMTBCDField::CheckTypeSize(int size) const {
  if (size < 0 || size > kMaxFMTBcdFractionSize) DatabaseError("Invalid field size", DataSet());
}

bool TFMTBCDField::GetValue(TBcd& value) const { return GetData(&value); }

TBcd TFMTBCDField::GetAsBCD() const {
  TBcd value;
  return GetValue(value) ? value : TBcd{};
}

void TFMTBCDField::SetAsBCDValue(const TBcd& value) {
  if (!min_value_.empty() && !max_value_.empty() &&
      (BcdCompare(value, StrToBCD(min_value_)) < 0 || BcdCompare(value, StrToBCD(max_value_)) > 0))
    RangeError(BCDToStr(value), min_value_, max_value_);
  // The digits left of the point must fit the declared precision.
  const int whole = value.Precision - value.Places();
  if (precision_ > 0 && whole > precision_ - Size() && !BcdIsZero(value)) InvalidValue();
  SetData(&value);
}

std::string TFMTBCDField::GetAsString() const {
  TBcd value;
  return GetValue(value) ? BCDToStr(value) : std::string();
}

void TFMTBCDField::SetAsStringValue(const std::string& value) {
  if (value.empty())
    Clear();
  else
    SetAsBCDValue(StrToBCD(value));
}

double TFMTBCDField::GetAsFloat() const { return BCDToDouble(GetAsBCD()); }
void TFMTBCDField::SetAsFloatValue(double value) { SetAsBCDValue(DoubleToBCD(value)); }
int64_t TFMTBCDField::GetAsLargeInt() const { return Round(GetAsFloat()); }
void TFMTBCDField::SetAsLargeIntValue(int64_t value) { SetAsBCDValue(IntegerToBcd(value)); }
int32_t TFMTBCDField::GetAsInteger() const { return static_cast<int32_t>(GetAsLargeInt()); }
void TFMTBCDField::SetAsIntegerValue(int32_t value) { SetAsBCDValue(IntegerToBcd(value)); }

Currency TFMTBCDField::GetAsCurrency() const {
  Currency value{};
  if (!BCDToCurr(GetAsBCD(), value)) InvalidValue();
  return value;
}

void TFMTBCDField::SetAsCurrencyValue(Currency value) {
  TBcd bcd;
  CurrToBCD(value, bcd, 32, 4);
  SetAsBCDValue(bcd);
}

Variant TFMTBCDField::GetAsVariant() const {
  TBcd value;
  if (!GetValue(value)) return Null();
  return VarFMTBcdCreate(value);
}

void TFMTBCDField::SetVarValue(const Variant& value) { SetAsBCDValue(VarToBcd(value)); }

std::string TFMTBCDField::GetTextValue(bool display_text) const {
  TBcd value;
  if (!GetValue(value)) return std::string();
  const std::string& format = FormatFor(display_text);
  if (!format.empty()) return FormatFloat(format, BCDToDouble(value));
  return BCDToStr(value);
}

}  // namespace classlib
