// Boolean, bytes, Variant and object fields.
#include "classlib/field_misc.h"

#include <cstring>

#include "classlib/ansistr.h"
#include "classlib/dataset.h"
#include "classlib/fields.h"
#include "classlib/variant.h"

namespace classlib {

// ---- Boolean -------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

void TBooleanField::SetDisplayValues(const std::string& values) {
  display_values_ = values;
  if (values.empty()) {
    true_text_ = "True";
    false_text_ = "False";
    return;
  }
  std::size_t split = values.find(';');
  true_text_ = values.substr(0, split);
  false_text_ = split == std::string::npos ? std::string() : values.substr(split + 1);
}

bool TBooleanField::GetValue(bool& value) const {
  int16_t stored = 0;
  if (!GetData(&stored)) return false;
  value = stored != 0;
  return true;
}

bool TBooleanField::GetAsBoolean() const {
  bool value = false;
  return GetValue(value) && value;
}

void TBooleanField::SetAsBooleanValue(bool value) {
  int16_t stored = value ? 1 : 0;
  SetData(&stored);
}

int32_t TBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }
void TBooleanField::SetAsIntegerValue(int32_t value) { SetAsBooleanValue(value != 0); }

std::string TBooleanField::GetAsString() const {
  bool value = false;
  if (!GetValue(value)) return std::string();
  return value ? true_text_ : false_text_;
}

// The empty text picks the value whose text is empty, else clears; other
// texts match a leading part of either display value, ignoring case.
void TBooleanField::SetAsStringValue(const std::string& value) {
  if (value.empty()) {
    if (false_text_.empty())
      SetAsBooleanValue(false);
    else if (true_text_.empty())
      SetAsBooleanValue(true);
    else
      Clear();
    return;
  }
  if (AnsiCompareText(value, false_text_.substr(0, value.size())) == 0)
    SetAsBooleanValue(false);
  else if (AnsiCompareText(value, true_text_.substr(0, value.size())) == 0)
    SetAsBooleanValue(true);
  else
    DatabaseError(FormatMessage("'%s' is not a valid boolean value for field '%s'",
                                {value, DisplayName()}));
}

Variant TBooleanField::GetAsVariant() const {
  bool value = false;
  if (!GetValue(value)) return Null();
  return Variant(value);
}

void TBooleanField::SetVarValue(const Variant& value) { SetAsBooleanValue(value.AsBoolean()); }
std::string TBooleanField::GetTextValue(bool) const { return GetAsString(); }

// ---- Bytes -----------------------------------------------------------------------

TBytesField::TBytesField(TComponent* owner) : TField(owner) {
  SetDataType(ftBytes);
  SetSizeRaw(16);
}

void TBytesField::CheckTypeSize(int size) const {
  if (size < 0) DatabaseError("Invalid field size", DataSet());
}

std::string TBytesField::LoadBytes(bool& is_null) const {
  std::string bytes(static_cast<std::size_t>(DataSize()), '\0');
  is_null = !GetData(bytes.data());
  return is_null ? std::string() : bytes;
}

void TBytesField::StoreBytes(const std::string& bytes) {
  std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
  std::memcpy(buffer.data(), bytes.data(), std::min(bytes.size(), buffer.size()));
  SetData(buffer.data());
}

std::string TBytesField::GetAsString() const {
  bool is_null = false;
  return LoadBytes(is_null);
}

void TBytesField::SetAsStringValue(const std::string& value) { StoreBytes(value); }

Variant TBytesField::GetAsVariant() const {
  bool is_null = false;
  std::string bytes = LoadBytes(is_null);
  if (is_null) return Null();
  Variant array = VarArrayCreate({0, static_cast<int>(bytes.size()) - 1}, varByte);
  if (!bytes.empty()) {
    std::memcpy(VarArrayLock(array), bytes.data(), bytes.size());
    VarArrayUnlock(array);
  }
  return array;
}

void TBytesField::SetVarValue(const Variant& value) {
  if (!VarIsArray(value)) {
    StoreBytes(value.AsString());
    return;
  }
  Variant copy = value;
  const int low = VarArrayLowBound(copy, 1);
  const int count = VarArrayHighBound(copy, 1) - low + 1;
  std::string bytes;
  for (int i = 0; i < count; ++i)
    bytes.push_back(static_cast<char>(VarArrayGet(copy, {low + i}).AsInteger()));
  StoreBytes(bytes);
}

std::string TBytesField::GetTextValue(bool) const { return PlaceholderText(*this, IsNull()); }

TVarBytesField::TVarBytesField(TComponent* owner) : TBytesField(owner) { SetDataType(ftVarBytes); }

std::string TVarBytesField::LoadBytes(bool& is_null) const {
  std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
  is_null = !GetData(buffer.data());
  if (is_null) return std::string();
  uint16_t length = 0;
  std::memcpy(&length, buffer.data(), sizeof length);
  length = static_cast<uint16_t>(std::min<int>(length, Size()));
  return buffer.substr(2, length);
}

void TVarBytesField::StoreBytes(const std::string& bytes) {
  std::string buffer(static_cast<std::size_t>(DataSize()), '\0');
  const uint16_t length = static_cast<uint16_t>(std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(Size())));
  std::memcpy(buffer.data(), &length, sizeof length);
  std::memcpy(buffer.data() + 2, bytes.data(), length);
  SetData(buffer.data());
}

// ---- Variant ---------------------------------------------------------------------

TVariantField::TVariantField(TComponent* owner) : TField(owner) { SetDataType(ftVariant); }

int TVariantField::GetDataSize() const { return static_cast<int>(sizeof(Variant)); }

// The data set assigns the stored Variant to the Variant passed in.
Variant TVariantField::GetAsVariant() const {
  Variant value;
  if (!GetData(&value)) return Null();
  return value;
}

void TVariantField::SetVarValue(const Variant& value) { SetData(&value); }

std::string TVariantField::GetAsString() const { return VarToStr(GetAsVariant()); }
void TVariantField::SetAsStringValue(const std::string& value) { SetVarValue(Variant(value)); }
int32_t TVariantField::GetAsInteger() const { return GetAsVariant().AsInteger(); }
void TVariantField::SetAsIntegerValue(int32_t value) { SetVarValue(Variant(value)); }
int64_t TVariantField::GetAsLargeInt() const { return GetAsVariant().AsInt64(); }
void TVariantField::SetAsLargeIntValue(int64_t value) { SetVarValue(Variant(static_cast<long long>(value))); }
double TVariantField::GetAsFloat() const { return GetAsVariant().AsDouble(); }
void TVariantField::SetAsFloatValue(double value) { SetVarValue(Variant(value)); }
Currency TVariantField::GetAsCurrency() const { return GetAsVariant().AsCurrency(); }
void TVariantField::SetAsCurrencyValue(Currency value) { SetVarValue(Variant(value)); }
bool TVariantField::GetAsBoolean() const { return GetAsVariant().AsBoolean(); }
void TVariantField::SetAsBooleanValue(bool value) { SetVarValue(Variant(value)); }
TDateTime TVariantField::GetAsDateTime() const { return GetAsVariant().AsDate(); }
void TVariantField::SetAsDateTimeValue(TDateTime value) { SetVarValue(Variant::FromDate(value)); }

// ---- Object fields ------------------------------------------------------------------

TObjectField::TObjectField(TComponent* owner)
    : TField(owner), fields_(std::make_unique<TFields>(nullptr, this)) {
  SetDataType(ftADT);
}

TObjectField::~TObjectField() { fields_->Clear(); }

int TObjectField::FieldCount() const { return fields_->Count(); }

void TObjectField::Clear() {
  for (TField* field : fields_->List()) field->Clear();
}

bool TObjectField::GetIsNull() const {
  for (TField* field : fields_->List())
    if (!field->IsNull()) return false;
  return true;
}

Variant TObjectField::GetAsVariant() const {
  std::vector<Variant> values;
  for (TField* field : fields_->List()) values.push_back(field->AsVariant());
  return VarArrayOf(values);
}

// Element i goes to child i; children past the array's end are cleared.
void TObjectField::SetVarValue(const Variant& value) {
  if (!VarIsArray(value)) InvalidValue();
  const int low = VarArrayLowBound(value, 1);
  const int high = VarArrayHighBound(value, 1);
  for (int i = 0; i < fields_->Count(); ++i) {
    if (low + i <= high)
      fields_->Fields(i)->SetAsVariant(VarArrayGet(value, {low + i}));
    else
      fields_->Fields(i)->Clear();
  }
}

std::string TObjectField::GetAsString() const { return GetTextValue(false); }
std::string TObjectField::GetTextValue(bool) const { return PlaceholderText(*this, IsNull()); }

TADTField::TADTField(TComponent* owner) : TObjectField(owner) { SetDataType(ftADT); }
TArrayField::TArrayField(TComponent* owner) : TObjectField(owner) { SetDataType(ftArray); }

TDataSetField::TDataSetField(TComponent* owner) : TObjectField(owner) { SetDataType(ftDataSet); }

bool TDataSetField::GetIsNull() const { return nested_ == nullptr || nested_->IsEmpty(); }
std::string TDataSetField::GetAsString() const { return PlaceholderText(*this, IsNull()); }

TReferenceField::TReferenceField(TComponent* owner) : TDataSetField(owner) {
  SetDataType(ftReference);
}

}  // namespace classlib
