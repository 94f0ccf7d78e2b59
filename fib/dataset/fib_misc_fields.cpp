#include "fib/dataset/fib_misc_fields.h"

#include <cstring>

#include "classlib/ansistr.h"
#include "classlib/dataset.h"
#include "classlib/guid.h"
#include "classlib/variant.h"
#include "fib/dataset/fib_fields_owner.h"
#include "fib/statements/zod_array.h"

namespace fib {

using classlib::Variant;

namespace {

const char* const kDefaultStringTrue = "True";
const char* const kDefaultStringFalse = "False";
// The widest integer a Boolean column can be kept in.
constexpr int kMaxBooleanSize = 8;
static_assert(sizeof(classlib::TGUID) == 16, "a GUID is kept as its 16 bytes");
static_assert(sizeof(ISC_QUAD) == 8, "an array id fills the field's 8 bytes");

}  // namespace

// ---- TFIBBooleanField ---------------------------------------------------------------

TFIBBooleanField::TFIBBooleanField(classlib::TComponent* owner)
    : TBooleanField(owner), string_true_(kDefaultStringTrue), string_false_(kDefaultStringFalse) {}

bool TFIBBooleanField::StoreStringTrue() const { return string_true_ != kDefaultStringTrue; }
bool TFIBBooleanField::StoreStringFalse() const { return string_false_ != kDefaultStringFalse; }

int TFIBBooleanField::GetDataSize() const {
  TFIBColumnInfo info;
  if (FieldColumnInfo(*this, info) && info.DataSize > 0 && info.DataSize <= kMaxBooleanSize)
    return info.DataSize;
  return TBooleanField::GetDataSize();
}

bool TFIBBooleanField::GetAsBoolean() const {
  // The data set copies exactly the column's bytes into the low end of a
  // zeroed word, so a one-byte column never reads its neighbour.
  uint8_t word[kMaxBooleanSize] = {};
  if (!GetData(word)) return false;
  for (int i = 0; i < DataSize(); ++i)
    if (word[i] != 0) return true;
  return false;
}

void TFIBBooleanField::SetAsBooleanValue(bool value) {
  // Little-endian: 1 is a one in the first byte whatever the column's size.
  uint8_t word[kMaxBooleanSize] = {};
  word[0] = value ? 1 : 0;
  SetData(word);
}

std::string TFIBBooleanField::GetAsString() const {
  if (IsNull()) return std::string();
  return GetAsBoolean() ? string_true_ : string_false_;
}

void TFIBBooleanField::SetAsStringValue(const std::string& value) {
  if (value == "1" || classlib::AnsiSameText(value, string_true_))
    SetAsBooleanValue(true);
  else if (value == "0" || classlib::AnsiSameText(value, string_false_))
    SetAsBooleanValue(false);
  else
    TBooleanField::SetAsStringValue(value);
}

Variant TFIBBooleanField::GetAsVariant() const {
  if (IsNull()) return classlib::Null();
  return Variant(GetAsBoolean());
}

// ---- TFIBGuidField ------------------------------------------------------------------

TFIBGuidField::TFIBGuidField(classlib::TComponent* owner) : TGuidField(owner) { SetSizeRaw(16); }

void TFIBGuidField::CheckTypeSize(int size) const {
  if (size != 16 && size != 38) classlib::DatabaseError("Invalid field size");
}

classlib::TGUID TFIBGuidField::GetAsGuid() const {
  uint8_t bytes[16] = {};
  classlib::TGUID guid;
  if (GetData(bytes)) std::memcpy(&guid, bytes, sizeof guid);
  return guid;
}

void TFIBGuidField::SetAsGuidValue(const classlib::TGUID& value) {
  if (value == classlib::TGUID{}) return Clear();
  uint8_t bytes[16];
  std::memcpy(bytes, &value, sizeof bytes);
  SetData(bytes);
}

std::string TFIBGuidField::GetAsString() const {
  if (IsNull()) return std::string();
  return classlib::GUIDToString(GetAsGuid());
}

void TFIBGuidField::SetAsStringValue(const std::string& value) {
  if (value.empty()) return Clear();
  SetAsGuidValue(classlib::StringToGUID(value));
}

Variant TFIBGuidField::GetAsVariant() const {
  if (IsNull()) return classlib::Null();
  return Variant(GetAsString());
}

// ---- TFIBArrayField -----------------------------------------------------------------

TFIBArrayField::TFIBArrayField(classlib::TComponent* owner) : TBytesField(owner) { SetSizeRaw(8); }

TFIBArrayField::~TFIBArrayField() = default;

TpZODArray* TFIBArrayField::Array() {
  if (array_ == nullptr)
    if (IFIBFieldsOwner* owner = FieldsOwnerOf(*this)) array_ = owner->CreateArray(this);
  return array_.get();
}

bool TFIBArrayField::GetArrayId(ISC_QUAD& id) const {
  id = ISC_QUAD{};
  return GetData(&id);
}

void TFIBArrayField::SetArrayId(const ISC_QUAD& id) { SetData(&id); }

std::string TFIBArrayField::GetAsString() const { return IsNull() ? "(Array)" : "(ARRAY)"; }

Variant TFIBArrayField::GetAsVariant() const {
  IFIBFieldsOwner* owner = FieldsOwnerOf(*this);
  if (owner == nullptr) return Variant(int32_t{0});
  return owner->ArrayValues(const_cast<TFIBArrayField*>(this));
}

void TFIBArrayField::SetVarValue(const Variant& value) {
  IFIBFieldsOwner* owner = FieldsOwnerOf(*this);
  if (owner == nullptr) AccessError("Variant");
  owner->SetArrayValues(this, value);
}

}  // namespace fib
