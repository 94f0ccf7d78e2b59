// Conversions between the kinds a Variant holds. Empty converts to zero, the
// empty text and False; Null converts to nothing but Null. Texts are read
// with the decimal separator and date format of the format settings.
#include <cmath>
#include <limits>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/numconv.h"
#include "classlib/variant.h"
#include "classlib/variant_detail.h"

namespace classlib {

namespace variant_detail {

void RaiseCastError(TVarType from, TVarType to) {
  throw EVariantError("Could not convert variant of type (" + VarTypeAsText(from) +
                      ") into type (" + VarTypeAsText(to) + ")");
}

void RaiseOverflow(TVarType from, TVarType to) {
  throw EVariantError("Overflow while converting variant of type (" + VarTypeAsText(from) +
                      ") into type (" + VarTypeAsText(to) + ")");
}

void RaiseInvalidOp() { throw EVariantError("Invalid variant operation"); }

bool IsIntegerType(TVarType t) {
  switch (t) {
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}

bool IsFloatType(TVarType t) { return t == varSingle || t == varDouble || t == varDate; }

bool IsTextType(TVarType t) { return t == varString || t == varOleStr; }

__int128 ScaledValue(const Variant& v) {
  if (v.VType() == varCurrency) return v.AsCurrency().value;
  return static_cast<__int128>(v.AsInt64()) * Currency::kScale;
}

namespace {

// Raw integer of an integer type, read through DataPtr's storage.
int64_t IntegerOf(const Variant& v) {
  const void* p = v.DataPtr();
  switch (v.VType()) {
    case varSmallint: return *static_cast<const int16_t*>(p);
    case varInteger: return *static_cast<const int32_t*>(p);
    case varShortInt: return *static_cast<const int8_t*>(p);
    case varByte: return *static_cast<const uint8_t*>(p);
    case varWord: return *static_cast<const uint16_t*>(p);
    case varLongWord: return *static_cast<const uint32_t*>(p);
    default: return *static_cast<const int64_t*>(p);
  }
}

double FloatOf(const Variant& v) {
  const void* p = v.DataPtr();
  if (v.VType() == varSingle) return *static_cast<const float*>(p);
  return *static_cast<const double*>(p);
}

// The Boolean's value as the platform's numbers see it: True is -1.
int64_t BooleanNumber(const Variant& v) { return *static_cast<const bool*>(v.DataPtr()) ? -1 : 0; }

std::string TextOf(const Variant& v) {
  if (v.VType() == varOleStr) return WideToAnsi(*static_cast<const WideString*>(v.DataPtr()));
  return *static_cast<const std::string*>(v.DataPtr());
}

bool TextToBoolean(const std::string& text, bool& out) {
  std::string t = Trim(text);
  if (SameText(t, "True")) {
    out = true;
    return true;
  }
  if (SameText(t, "False")) {
    out = false;
    return true;
  }
  return false;
}

// A number text, or the Boolean texts as -1 and 0.
bool TextToDouble(const std::string& text, double& out) {
  if (TryStrToFloat(text, out)) return true;
  bool b;
  if (!TextToBoolean(text, b)) return false;
  out = b ? -1 : 0;
  return true;
}

int64_t RoundChecked(double d, TVarType from, TVarType to) {
  // 2^63 is the first double past the Int64 range.
  if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0)) RaiseOverflow(from, to);
  return Round(d);
}

}  // namespace

int64_t ToInt64(const Variant& v, TVarType to) {
  TVarType t = v.VType();
  if (t == varEmpty) return 0;
  if (IsIntegerType(t)) return IntegerOf(v);
  if (t == varBoolean) return BooleanNumber(v);
  if (IsFloatType(t)) return RoundChecked(FloatOf(v), t, to);
  if (t == varCurrency) return Round(v.AsCurrency());
  if (t == varFMTBcd) return RoundChecked(BCDToDouble(v.AsFMTBcd()), t, to);
  if (t == varSQLTimeStamp) return RoundChecked(v.AsDate(), t, to);
  if (IsTextType(t)) {
    std::string text = TextOf(v);
    int64_t i;
    if (TryStrToInt64(text, i)) return i;
    double d;
    if (TextToDouble(text, d)) return RoundChecked(d, t, to);
  }
  RaiseCastError(t, to);
}

double ToDouble(const Variant& v, TVarType to) {
  TVarType t = v.VType();
  if (t == varEmpty) return 0;
  if (IsIntegerType(t)) return static_cast<double>(IntegerOf(v));
  if (t == varBoolean) return static_cast<double>(BooleanNumber(v));
  if (IsFloatType(t)) return FloatOf(v);
  if (t == varCurrency) return v.AsCurrency().ToDouble();
  if (t == varFMTBcd) return BCDToDouble(v.AsFMTBcd());
  if (t == varSQLTimeStamp) return SQLTimeStampToDateTime(v.AsSQLTimeStamp());
  if (IsTextType(t)) {
    double d;
    if (TextToDouble(TextOf(v), d)) return d;
  }
  RaiseCastError(t, to);
}

Currency ToCurrency(const Variant& v, TVarType to) {
  TVarType t = v.VType();
  constexpr int64_t kMaxWhole = INT64_MAX / Currency::kScale;
  if (t == varCurrency) return *static_cast<const Currency*>(v.DataPtr());
  if (t == varEmpty || t == varBoolean || IsIntegerType(t)) {
    int64_t i = ToInt64(v, to);
    if (i > kMaxWhole || i < -kMaxWhole) RaiseOverflow(t, to);
    return Currency::FromInt(i);
  }
  if (t == varFMTBcd) {
    Currency c;
    if (!BCDToCurr(v.AsFMTBcd(), c)) RaiseOverflow(t, to);
    return c;
  }
  if (IsTextType(t)) {
    Currency c;
    if (TryStrToCurr(TextOf(v), c)) return c;
  }
  double d = ToDouble(v, to);
  if (!(std::fabs(d) < 922337203685477.0)) RaiseOverflow(t, to);
  return Currency::FromDouble(d);
}

}  // namespace variant_detail

using namespace variant_detail;

// ---- Typed accessors --------------------------------------------------------

namespace {

// Null converts to nothing; every accessor rejects it first.
const Variant& Source(const Variant& v, TVarType to) {
  const Variant& d = v.Deref();
  if (d.VType() == varNull || (d.VType() & varArray) || d.VType() == varObjectRef ||
      d.VType() == varError || d.VType() == varDispatch || d.VType() == varUnknown) {
    RaiseCastError(d.VType(), to);
  }
  return d;
}

int64_t IntegerInRange(const Variant& v, TVarType to, int64_t lo, int64_t hi) {
  const Variant& s = Source(v, to);
  int64_t i = ToInt64(s, to);
  if (i < lo || i > hi) RaiseOverflow(s.VType(), to);
  return i;
}

}  // namespace

int16_t Variant::AsSmallint() const {
  return static_cast<int16_t>(IntegerInRange(*this, varSmallint, INT16_MIN, INT16_MAX));
}

int32_t Variant::AsInteger() const {
  return static_cast<int32_t>(IntegerInRange(*this, varInteger, INT32_MIN, INT32_MAX));
}

int64_t Variant::AsInt64() const { return ToInt64(Source(*this, varInt64), varInt64); }

double Variant::AsDouble() const { return ToDouble(Source(*this, varDouble), varDouble); }

Currency Variant::AsCurrency() const {
  return ToCurrency(Source(*this, varCurrency), varCurrency);
}

TDateTime Variant::AsDate() const {
  const Variant& s = Source(*this, varDate);
  switch (s.VType()) {
    case varDate: return s.data_.d;
    case varSQLTimeStamp: return SQLTimeStampToDateTime(s.data_.ts);
    case varString: case varOleStr: {
      TDateTime dt;
      if (TryStrToDateTime(s.vtype_ == varString ? s.str_ : WideToAnsi(s.wstr_), dt)) return dt;
      RaiseCastError(s.VType(), varDate);
    }
    default: return ToDouble(s, varDate);
  }
}

bool Variant::AsBoolean() const {
  const Variant& s = Source(*this, varBoolean);
  switch (s.VType()) {
    case varBoolean: return s.data_.b;
    case varEmpty: return false;
    case varCurrency: return s.data_.cy.value != 0;
    case varFMTBcd: return !BcdIsZero(s.data_.bcd);
    case varString: case varOleStr: {
      std::string text = s.vtype_ == varString ? s.str_ : WideToAnsi(s.wstr_);
      bool b;
      if (TextToBoolean(text, b)) return b;
      double d;
      if (TryStrToFloat(text, d)) return d != 0;
      RaiseCastError(s.VType(), varBoolean);
    }
    default: return ToDouble(s, varBoolean) != 0;
  }
}

std::string Variant::AsString() const {
  const Variant& s = Source(*this, varString);
  switch (s.VType()) {
    case varEmpty: return "";
    case varString: return s.str_;
    case varOleStr: return WideToAnsi(s.wstr_);
    case varBoolean: return s.data_.b ? "True" : "False";
    case varSingle: return FloatToStr(s.data_.f);
    case varDouble: return FloatToStr(s.data_.d);
    case varCurrency: return CurrToStr(s.data_.cy);
    case varDate: return DateTimeToStr(s.data_.d);
    case varSQLTimeStamp: return DateTimeToStr(SQLTimeStampToDateTime(s.data_.ts));
    case varFMTBcd: return BCDToStr(s.data_.bcd);
    case varLongWord: return UIntToStr(s.data_.u32);
    default:
      if (IsIntegerType(s.VType())) return IntToStr(ToInt64(s, varString));
      RaiseCastError(s.VType(), varString);
  }
}

WideString Variant::AsOleStr() const {
  const Variant& s = Source(*this, varOleStr);
  if (s.VType() == varOleStr) return s.wstr_;
  return AnsiToWide(s.AsString());
}

TSQLTimeStamp Variant::AsSQLTimeStamp() const {
  const Variant& s = Source(*this, varSQLTimeStamp);
  if (s.VType() == varSQLTimeStamp) return s.data_.ts;
  return DateTimeToSQLTimeStamp(s.AsDate());
}

TBcd Variant::AsFMTBcd() const {
  const Variant& s = Source(*this, varFMTBcd);
  switch (s.VType()) {
    case varFMTBcd: return s.data_.bcd;
    case varCurrency: {
      TBcd bcd;
      CurrToBCD(s.data_.cy, bcd);
      return bcd;
    }
    case varString: case varOleStr: {
      TBcd bcd;
      if (TryStrToBcd(s.AsString(), bcd)) return bcd;
      RaiseCastError(s.VType(), varFMTBcd);
    }
    case varSingle: case varDouble: case varDate: case varSQLTimeStamp:
      return DoubleToBCD(ToDouble(s, varFMTBcd));
    default: return IntegerToBcd(ToInt64(s, varFMTBcd));
  }
}

// ---- VarAsType and friends --------------------------------------------------

Variant VarAsType(const Variant& v, TVarType t) {
  const Variant& s = v.Deref();
  if (t == s.VType() || t == varVariant) return s;
  if (t == varEmpty) return Variant();
  if (t == varNull) return Variant::Null();
  switch (t) {
    case varSmallint: return s.AsSmallint();
    case varInteger: return s.AsInteger();
    case varShortInt: return static_cast<int8_t>(IntegerInRange(s, t, INT8_MIN, INT8_MAX));
    case varByte: return static_cast<uint8_t>(IntegerInRange(s, t, 0, UINT8_MAX));
    case varWord: return static_cast<uint16_t>(IntegerInRange(s, t, 0, UINT16_MAX));
    case varLongWord: return static_cast<uint32_t>(IntegerInRange(s, t, 0, UINT32_MAX));
    case varInt64: return s.AsInt64();
    case varSingle: {
      double d = s.AsDouble();
      if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) {
        RaiseOverflow(s.VType(), t);
      }
      return static_cast<float>(d);
    }
    case varDouble: return s.AsDouble();
    case varCurrency: return s.AsCurrency();
    case varDate: return Variant::FromDate(s.AsDate());
    case varBoolean: return s.AsBoolean();
    case varString: return s.AsString();
    case varOleStr: return s.AsOleStr();
    case varSQLTimeStamp: return s.AsSQLTimeStamp();
    case varFMTBcd: return s.AsFMTBcd();
    default: RaiseCastError(s.VType(), t);
  }
}

std::string VarToStr(const Variant& v) { return VarToStrDef(v, ""); }

std::string VarToStrDef(const Variant& v, const std::string& def) {
  return VarIsNull(v) ? def : v.AsString();
}

WideString VarToWideStr(const Variant& v) { return VarIsNull(v) ? WideString() : v.AsOleStr(); }

Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ts) { return Variant(ts); }
TSQLTimeStamp VarToSQLTimeStamp(const Variant& v) { return v.AsSQLTimeStamp(); }
Variant VarFMTBcdCreate(const TBcd& bcd) { return Variant(bcd); }
TBcd VarToBcd(const Variant& v) { return v.AsFMTBcd(); }

}  // namespace classlib
