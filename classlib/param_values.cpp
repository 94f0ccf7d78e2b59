// The value of a parameter and its typed views.
#include <cstring>

#include "classlib/params.h"

namespace classlib {

namespace {

// The type a parameter of unknown type takes from the kind of its value.
TFieldType FieldTypeOfVariant(const Variant& value) {
  TVarType t = VarType(value);
  if (t == (varArray | varByte)) return ftVarBytes;
  switch (t & varTypeMask) {
    case varSmallint:
    case varShortInt:
    case varByte: return ftSmallint;
    case varWord: return ftWord;
    case varInteger: return ftInteger;
    case varLongWord:
    case varInt64: return ftLargeint;
    case varSingle:
    case varDouble: return ftFloat;
    case varCurrency: return ftBCD;
    case varDate: return ftDateTime;
    case varBoolean: return ftBoolean;
    case varString: return ftString;
    case varOleStr: return ftWideString;
    case varSQLTimeStamp: return ftTimeStamp;
    case varFMTBcd: return ftFMTBcd;
    default: return ftUnknown;
  }
}

Variant ByteArrayVariant(const std::vector<uint8_t>& bytes) {
  int count = static_cast<int>(bytes.size());
  Variant result = VarArrayCreate({0, count - 1}, varByte);
  if (count > 0) {
    std::memcpy(VarArrayLock(result), bytes.data(), bytes.size());
    VarArrayUnlock(result);
  }
  return result;
}

// The bytes of a one-dimensional array, whatever its element kind holds
// (bytes, or Variants that convert to integers 0..255).
std::vector<uint8_t> ArrayBytes(const Variant& array) {
  int low = VarArrayLowBound(array, 1);
  int high = VarArrayHighBound(array, 1);
  std::vector<uint8_t> bytes;
  bytes.reserve(static_cast<size_t>(high - low + 1));
  for (int i = low; i <= high; ++i)
    bytes.push_back(VarAsType(VarArrayGet(array, {i}), varByte).AsInteger() & 0xFF);
  return bytes;
}

}  // namespace

// ---- Value

Variant TParam::Value() const { return data_; }

void TParam::SetValue(const Variant& value) {
  const Variant& v = value.Deref();
  if (data_type_ == ftUnknown) data_type_ = FieldTypeOfVariant(v);
  bound_ = !VarIsClear(v);
  data_ = v;
}

bool TParam::IsNull() const { return VarIsNull(data_) || VarIsClear(data_); }

void TParam::Clear() { data_ = Null(); }

std::string TParam::Text() const { return AsString(); }

void TParam::SetText(const std::string& text) { SetValue(Variant(text)); }

void TParam::EnsureDataType(TFieldType type) {
  if (DataType() != type) SetDataType(type);
}

// ---- Text

std::string TParam::AsString() const {
  if (IsNull()) return std::string();
  if (DataType() == ftBoolean) return data_.AsBoolean() ? "True" : "False";
  if (VarIsArray(data_)) {
    std::vector<uint8_t> bytes = ArrayBytes(data_);
    return std::string(bytes.begin(), bytes.end());
  }
  return data_.AsString();
}

void TParam::SetAsString(const std::string& value) {
  if (DataType() != ftFixedChar) EnsureDataType(ftString);
  SetValue(Variant(value));
}

WideString TParam::AsWideString() const {
  if (IsNull()) return WideString();
  return VarToWideStr(data_);
}

void TParam::SetAsWideString(const WideString& value) {
  if (DataType() != ftFixedWideChar) EnsureDataType(ftWideString);
  SetValue(Variant(value));
}

void TParam::SetAsMemo(const std::string& value) {
  EnsureDataType(ftMemo);
  SetValue(Variant(value));
}

void TParam::SetAsBlob(const TBlobData& value) {
  EnsureDataType(ftBlob);
  SetValue(Variant(value));
}

std::vector<uint8_t> TParam::AsBytes() const {
  if (IsNull()) return {};
  if (VarIsArray(data_)) return ArrayBytes(data_);
  std::string text = data_.AsString();
  return std::vector<uint8_t>(text.begin(), text.end());
}

void TParam::SetAsBytes(const std::vector<uint8_t>& value) {
  if (DataType() != ftBytes) EnsureDataType(ftVarBytes);
  SetValue(ByteArrayVariant(value));
}

// ---- Numbers

int32_t TParam::AsInteger() const { return IsNull() ? 0 : data_.AsInteger(); }

void TParam::SetAsInteger(int32_t value) {
  EnsureDataType(ftInteger);
  SetValue(Variant(value));
}

// Narrow kinds are stored as such so that an out-of-range value fails here,
// where the caller can see it, and not when a driver binds it.
void TParam::SetAsSmallInt(int32_t value) {
  Variant v = VarAsType(Variant(value), varSmallint);
  EnsureDataType(ftSmallint);
  SetValue(v);
}

void TParam::SetAsWord(int32_t value) {
  Variant v = VarAsType(Variant(value), varWord);
  EnsureDataType(ftWord);
  SetValue(v);
}

int64_t TParam::AsLargeInt() const { return IsNull() ? 0 : data_.AsInt64(); }

void TParam::SetAsLargeInt(int64_t value) {
  EnsureDataType(ftLargeint);
  SetValue(Variant(static_cast<long long>(value)));
}

double TParam::AsFloat() const { return IsNull() ? 0.0 : data_.AsDouble(); }

void TParam::SetAsFloat(double value) {
  EnsureDataType(ftFloat);
  SetValue(Variant(value));
}

Currency TParam::AsCurrency() const { return IsNull() ? Currency{} : data_.AsCurrency(); }

void TParam::SetAsCurrency(Currency value) {
  EnsureDataType(ftCurrency);
  SetValue(Variant(value));
}

void TParam::SetAsBCD(Currency value) {
  EnsureDataType(ftBCD);
  SetValue(Variant(value));
}

TBcd TParam::AsFMTBCD() const { return IsNull() ? IntegerToBcd(0) : VarToBcd(data_); }

void TParam::SetAsFMTBCD(const TBcd& value) {
  EnsureDataType(ftFMTBcd);
  SetValue(VarFMTBcdCreate(value));
}

bool TParam::AsBoolean() const { return !IsNull() && data_.AsBoolean(); }

void TParam::SetAsBoolean(bool value) {
  EnsureDataType(ftBoolean);
  SetValue(Variant(value));
}

// ---- Dates and times

TDateTime TParam::AsDateTime() const { return IsNull() ? 0.0 : data_.AsDate(); }

void TParam::SetAsDateTime(TDateTime value) {
  EnsureDataType(ftDateTime);
  SetValue(Variant::FromDate(value));
}

void TParam::SetAsDate(TDateTime value) {
  EnsureDataType(ftDate);
  SetValue(Variant::FromDate(value));
}

void TParam::SetAsTime(TDateTime value) {
  EnsureDataType(ftTime);
  SetValue(Variant::FromDate(value));
}

TSQLTimeStamp TParam::AsSQLTimeStamp() const {
  return IsNull() ? TSQLTimeStamp{} : VarToSQLTimeStamp(data_);
}

void TParam::SetAsSQLTimeStamp(const TSQLTimeStamp& value) {
  EnsureDataType(ftTimeStamp);
  SetValue(VarSQLTimeStampCreate(value));
}

}  // namespace classlib
