#include "classlib/variant.h"

#include "classlib/exceptions.h"
#include "classlib/variant_array_data.h"

namespace classlib {

// ---- Construction and copy ------------------------------------------------

Variant::Variant() noexcept = default;

Variant::Variant(const Variant& other) { CopyFrom(other); }

Variant::Variant(Variant&& other) noexcept
    : vtype_(other.vtype_),
      data_(other.data_),
      str_(std::move(other.str_)),
      wstr_(std::move(other.wstr_)),
      array_(std::move(other.array_)) {
  other.Clear();
}

Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    Variant copy(other);
    *this = std::move(copy);
  }
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this != &other) {
    vtype_ = other.vtype_;
    data_ = other.data_;
    str_ = std::move(other.str_);
    wstr_ = std::move(other.wstr_);
    array_ = std::move(other.array_);
    other.Clear();
  }
  return *this;
}

Variant::~Variant() = default;

void Variant::Clear() noexcept {
  vtype_ = varEmpty;
  data_.i64 = 0;
  str_.clear();
  wstr_.clear();
  array_.reset();
}

// Arrays are values: a copy owns its own elements.
void Variant::CopyFrom(const Variant& other) {
  vtype_ = other.vtype_;
  data_ = other.data_;
  str_ = other.str_;
  wstr_ = other.wstr_;
  if (other.array_) array_ = std::make_unique<VarArrayData>(*other.array_);
}

Variant::Variant(bool b) : vtype_(varBoolean) { data_.b = b; }
Variant::Variant(char c) : vtype_(varString), str_(1, c) {}
Variant::Variant(int8_t i) : vtype_(varShortInt) { data_.i8 = i; }
Variant::Variant(uint8_t i) : vtype_(varByte) { data_.u8 = i; }
Variant::Variant(int16_t i) : vtype_(varSmallint) { data_.i16 = i; }
Variant::Variant(uint16_t i) : vtype_(varWord) { data_.u16 = i; }
Variant::Variant(int32_t i) : vtype_(varInteger) { data_.i32 = i; }
Variant::Variant(uint32_t i) : vtype_(varLongWord) { data_.u32 = i; }
Variant::Variant(long i) : vtype_(varInt64) { data_.i64 = i; }
Variant::Variant(long long i) : vtype_(varInt64) { data_.i64 = i; }
Variant::Variant(float f) : vtype_(varSingle) { data_.f = f; }
Variant::Variant(double d) : vtype_(varDouble) { data_.d = d; }
Variant::Variant(Currency c) : vtype_(varCurrency) { data_.cy = c; }
Variant::Variant(const char* s) : vtype_(varString), str_(s ? s : "") {}
Variant::Variant(std::string s) : vtype_(varString), str_(std::move(s)) {}
Variant::Variant(const char16_t* s) : vtype_(varOleStr), wstr_(s ? s : u"") {}
Variant::Variant(WideString s) : vtype_(varOleStr), wstr_(std::move(s)) {}
Variant::Variant(const TSQLTimeStamp& ts) : vtype_(varSQLTimeStamp) { data_.ts = ts; }
Variant::Variant(const TBcd& bcd) : vtype_(varFMTBcd) { data_.bcd = bcd; }

Variant Variant::Null() {
  Variant v;
  v.vtype_ = varNull;
  return v;
}

Variant Variant::FromDate(TDateTime dt) {
  Variant v;
  v.vtype_ = varDate;
  v.data_.d = dt;
  return v;
}

Variant Variant::FromError(int32_t code) {
  Variant v;
  v.vtype_ = varError;
  v.data_.i32 = code;
  return v;
}

Variant Variant::FromObject(TObject* obj) {
  Variant v;
  v.vtype_ = varObjectRef;
  v.data_.obj = obj;
  return v;
}

Variant Variant::Reference(Variant* target) {
  if (target == nullptr) throw EVariantError("Invalid argument");
  Variant v;
  v.vtype_ = varVariantByRef;
  v.data_.ref = target;
  return v;
}

Variant MakeArrayVariant(std::unique_ptr<VarArrayData> data) {
  Variant v;
  v.vtype_ = varArray | data->element_type();
  v.array_ = std::move(data);
  return v;
}

Variant Null() { return Variant::Null(); }
Variant Unassigned() { return Variant(); }

// A chain of references ends at a variant that is no reference; the chain
// is bounded so that a reference cycle cannot hang the caller.
const Variant& Variant::Deref() const {
  const Variant* v = this;
  for (int depth = 0; v->vtype_ == varVariantByRef; ++depth) {
    if (depth == 64) throw EVariantError("Invalid variant operation");
    v = v->data_.ref;
  }
  return *v;
}

Variant& Variant::Deref() {
  return const_cast<Variant&>(static_cast<const Variant*>(this)->Deref());
}

TObject* Variant::AsObject() const {
  const Variant& v = Deref();
  if (v.vtype_ != varObjectRef) {
    throw EVariantError("Could not convert variant of type (" + VarTypeAsText(v.vtype_) +
                        ") into type (Object)");
  }
  return v.data_.obj;
}

int32_t Variant::AsError() const {
  const Variant& v = Deref();
  if (v.vtype_ != varError) {
    throw EVariantError("Could not convert variant of type (" + VarTypeAsText(v.vtype_) +
                        ") into type (Error)");
  }
  return v.data_.i32;
}

const void* Variant::DataPtr() const {
  const Variant& v = Deref();
  switch (v.vtype_) {
    case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
    case varDate: case varError: case varBoolean: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64: case varSQLTimeStamp: case varFMTBcd:
      return &v.data_;
    case varString:
      return &v.str_;
    case varOleStr:
      return &v.wstr_;
    default:
      return nullptr;
  }
}

// ---- Type tests -------------------------------------------------------------

TVarType VarType(const Variant& v) { return v.VType(); }
static TVarType BaseType(const Variant& v) { return v.Deref().VType(); }

bool VarIsEmpty(const Variant& v) { return BaseType(v) == varEmpty; }
bool VarIsNull(const Variant& v) { return BaseType(v) == varNull; }
bool VarIsClear(const Variant& v) {
  const Variant& d = v.Deref();
  return d.VType() == varEmpty || (d.VType() == varObjectRef && d.AsObject() == nullptr);
}
bool VarIsArray(const Variant& v) { return (BaseType(v) & varArray) != 0; }
bool VarIsByRef(const Variant& v) { return (v.VType() & varByRef) != 0; }
bool VarIsStr(const Variant& v) {
  TVarType t = BaseType(v);
  return t == varString || t == varOleStr;
}
bool VarIsOrdinal(const Variant& v) {
  switch (BaseType(v)) {
    case varSmallint: case varInteger: case varBoolean: case varShortInt: case varByte:
    case varWord: case varLongWord: case varInt64:
      return true;
    default:
      return false;
  }
}
bool VarIsFloat(const Variant& v) {
  switch (BaseType(v)) {
    case varSingle: case varDouble: case varCurrency: case varFMTBcd:
      return true;
    default:
      return false;
  }
}
bool VarIsNumeric(const Variant& v) { return VarIsOrdinal(v) || VarIsFloat(v); }
bool VarIsSQLTimeStamp(const Variant& v) { return BaseType(v) == varSQLTimeStamp; }
bool VarIsFMTBcd(const Variant& v) { return BaseType(v) == varFMTBcd; }

static std::string ScalarTypeName(TVarType t) {
  switch (t) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varOleStr: return "OleStr";
    case varDispatch: return "Dispatch";
    case varError: return "Error";
    case varBoolean: return "Boolean";
    case varVariant: return "Variant";
    case varUnknown: return "Unknown";
    case varDecimal: return "Decimal";
    case varShortInt: return "ShortInt";
    case varByte: return "Byte";
    case varWord: return "Word";
    case varLongWord: return "LongWord";
    case varInt64: return "Int64";
    case varString: return "String";
    case varSQLTimeStamp: return "SQLTimeStamp";
    case varFMTBcd: return "FMTBcd";
    default: return "$" + std::to_string(t);
  }
}

std::string VarTypeAsText(TVarType t) {
  if (t == varObjectRef) return "Object";
  std::string text = ScalarTypeName(t & varTypeMask);
  if (t & varArray) text = "Array " + text;
  if (t & varByRef) text = "ByRef " + text;
  return text;
}

// ---- SQL timestamps ---------------------------------------------------------

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts) {
  if (ts.Year == 0 && ts.Month == 0 && ts.Day == 0) {
    return EncodeTime(ts.Hour, ts.Minute, ts.Second, static_cast<int>(ts.Fractions));
  }
  TDateTime date = EncodeDate(ts.Year, ts.Month, ts.Day);
  TDateTime time = EncodeTime(ts.Hour, ts.Minute, ts.Second, static_cast<int>(ts.Fractions));
  // Before 1899-12-30 the fraction still counts forward from midnight.
  return date >= 0 ? date + time : date - time;
}

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime dt) {
  int year, month, day, hour, min, sec, msec;
  DecodeDate(dt, year, month, day);
  DecodeTime(dt, hour, min, sec, msec);
  TSQLTimeStamp ts;
  ts.Year = static_cast<int16_t>(year);
  ts.Month = static_cast<uint16_t>(month);
  ts.Day = static_cast<uint16_t>(day);
  ts.Hour = static_cast<uint16_t>(hour);
  ts.Minute = static_cast<uint16_t>(min);
  ts.Second = static_cast<uint16_t>(sec);
  ts.Fractions = static_cast<uint32_t>(msec);
  return ts;
}

}  // namespace classlib
