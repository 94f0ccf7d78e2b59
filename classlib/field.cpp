// TField: identity, place in the data set, text and value views shared by
// every field class, and the error messages fields raise.
#include "classlib/field.h"

#include <cstring>

#include "classlib/ansistr.h"
#include "classlib/dataset.h"
#include "classlib/field_direct.h"
#include "classlib/field_misc.h"
#include "classlib/fields.h"
#include "classlib/numconv.h"
#include "classlib/unaligned.h"
#include "classlib/variant.h"

namespace classlib {

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  Destroying();
  if (parent_field_ != nullptr) parent_field_->Fields().Remove(this);
  else if (data_set_ != nullptr) data_set_->Fields().Remove(this);
  if (lookup_data_set_ != nullptr) RemoveFreeNotification(lookup_data_set_);
}

// ---- Place in a data set -----------------------------------------------------

void TField::SetDataSet(TDataSet* data_set) {
  if (data_set == data_set_ && parent_field_ == nullptr) return;
  if (data_set_ != nullptr) data_set_->CheckInactive();
  if (data_set != nullptr) {
    data_set->CheckInactive();
    data_set->Fields().Add(this);
  }
  if (parent_field_ != nullptr) parent_field_->Fields().Remove(this);
  else if (data_set_ != nullptr) data_set_->Fields().Remove(this);
  parent_field_ = nullptr;
  data_set_ = data_set;
  ClearDirectSlot();
}

void TField::SetParentField(TObjectField* parent) {
  if (parent == parent_field_) return;
  if (parent != nullptr) parent->Fields().Add(this);
  if (parent_field_ != nullptr) parent_field_->Fields().Remove(this);
  else if (data_set_ != nullptr) data_set_->Fields().Remove(this);
  parent_field_ = parent;
  data_set_ = parent != nullptr ? parent->DataSet() : nullptr;
}

void TField::SetFieldName(const std::string& name) {
  TFields* list = parent_field_ != nullptr ? &parent_field_->Fields()
                  : data_set_ != nullptr   ? &data_set_->Fields()
                                           : nullptr;
  if (list != nullptr) {
    TField* other = list->FindField(name);
    if (other != nullptr && other != this)
      DatabaseError(FormatMessage("Duplicate field name '%s'", {name}), data_set_);
  }
  field_name_ = name;
}

std::string TField::FullName() const {
  if (parent_field_ == nullptr) return field_name_;
  return parent_field_->FullName() + "." + field_name_;
}

int TField::Index() const {
  if (parent_field_ != nullptr) return parent_field_->Fields().IndexOf(this);
  return data_set_ != nullptr ? data_set_->Fields().IndexOf(this) : -1;
}

void TField::SetIndex(int index) {
  if (parent_field_ != nullptr)
    parent_field_->Fields().SetFieldIndex(this, index);
  else if (data_set_ != nullptr)
    data_set_->Fields().SetFieldIndex(this, index);
}

void TField::SetFieldKind(TFieldKind kind) {
  if (data_set_ != nullptr) data_set_->CheckInactive();
  field_kind_ = kind;
  UpdateDirectReads();
}

void TField::SetSize(int size) {
  if (data_set_ != nullptr) data_set_->CheckInactive();
  CheckTypeSize(size);
  size_ = size;
}

void TField::CheckTypeSize(int size) const {
  if (size != 0 && !IsBlob()) DatabaseError("Invalid field size", data_set_);
}

std::string TField::DisplayLabel() const {
  return display_label_.empty() ? field_name_ : display_label_;
}

int TField::DisplayWidth() const {
  if (display_width_ > 0) return display_width_;
  return size_ > 0 ? size_ : 10;
}

void TField::SetLookupDataSet(TDataSet* data_set) {
  if (data_set == lookup_data_set_) return;
  if (lookup_data_set_ != nullptr) RemoveFreeNotification(lookup_data_set_);
  lookup_data_set_ = data_set;
  if (data_set != nullptr) FreeNotification(data_set);
}

void TField::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == lookup_data_set_) lookup_data_set_ = nullptr;
}

bool TField::GetCanModify() const {
  if (read_only_ || data_set_ == nullptr) return false;
  if (field_kind_ == fkData || field_kind_ == fkInternalCalc) return data_set_->CanModify();
  return data_set_->State() == dsCalcFields || data_set_->State() == dsInternalCalc;
}

void TField::Bind(bool binding) {
  if (!binding || field_kind_ != fkLookup) return;
  if (lookup_data_set_ == nullptr || key_fields_.empty() || lookup_key_fields_.empty() ||
      lookup_result_field_.empty())
    DatabaseError(FormatMessage("Lookup information for field '%s' is incomplete", {DisplayName()}),
                  data_set_);
  // Both ends must name fields that exist.
  std::vector<TField*> keys;
  data_set_->GetFieldList(keys, key_fields_);
}

// ---- Raw data ------------------------------------------------------------------

bool HasFieldSideForm(TFieldType type) {
  switch (type) {
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftWideString:
    case ftFixedWideChar:
      return true;
    default:
      return false;
  }
}

// A value of a slot in one of the data set's own forms, as GetFieldData
// would give it; false where the data set's own read must judge.
bool TField::ReadDirectForm(const uint8_t* record, void* buffer, bool native) const {
  const uint8_t* at = record + direct_slot_.offset;
  auto* out = static_cast<uint8_t*>(buffer);
  switch (direct_slot_.form) {
    case TDirectSlot::kTextForm:
    case TDirectSlot::kTextPointerForm: {
      std::string_view text;
      if (!DirectText(record, text)) return false;
      if (!text.empty()) std::memcpy(out, text.data(), text.size());
      out[text.size()] = 0;
      return true;
    }
    case TDirectSlot::kCountedBytesForm: return ReadCountedBytes(at, out);
    case TDirectSlot::kDateTimeDaysForm: {
      double msecs = 0;
      if (!TryDateTimeToMSecs(LoadUnaligned<double>(at), msecs)) return false;
      if (native) {
        StoreUnaligned<double>(out, msecs);
        return true;
      }
      TDateTime value = 0;
      if (!direct_slot_.standard_convert || !TryMSecsToDateTime(msecs, value)) return false;
      StoreUnaligned<double>(out, value);
      return true;
    }
    default: return false;
  }
}

// A 16-bit length and the bytes, as the slot holds them (at most `cut`
// bytes); false for a length the slot cannot hold.
inline bool TField::ReadCountedBytes(const uint8_t* at, uint8_t* out) const {
  const uint16_t length = LoadUnaligned<uint16_t>(at);
  if (length > direct_slot_.size - 2) [[unlikely]] return false;
  const auto n = static_cast<uint16_t>(std::min<int>(length, direct_slot_.cut));
  StoreUnaligned<uint16_t>(out, n);
  std::memcpy(out + 2, at + 2, n);
  return true;
}

void TField::UpdateDirectReads() {
  // Only a data field's value lies in the record; the getters of fields
  // that compute or look up their value count on no direct read for them.
  reads_direct_ = direct_slot_.offset >= 0 && !validating_ && field_kind_ == fkData;
  const bool plain = reads_direct_ && direct_slot_.form == TDirectSlot::kPlainForm;
  direct_plain_size_ = plain ? direct_slot_.size : -1;
  direct_form_ = reads_direct_ ? direct_slot_.form : -1;
  direct_date_time_ = TDirectDateTime::kNone;
  if (!reads_direct_ || data_type_ != ftDateTime || !direct_slot_.standard_convert) return;
  if (direct_slot_.form == TDirectSlot::kDateTimeDaysForm)
    direct_date_time_ = TDirectDateTime::kDays;
  else if (plain && direct_slot_.size == static_cast<int>(sizeof(double)))
    direct_date_time_ = TDirectDateTime::kMSecs;
}

[[gnu::hot]] bool TField::GetData(void* buffer, bool native) const {
  const uint8_t* record = DirectRecord();
  if (record != nullptr && direct_slot_.form == TDirectSlot::kCountedBytesForm && buffer != nullptr) {
    // Byte strings are read whole for every row: no dispatch on the form.
    if (record[direct_slot_.null_offset] != 0) return false;
    if (ReadCountedBytes(record + direct_slot_.offset, static_cast<uint8_t*>(buffer))) return true;
    record = nullptr;  // a length the slot cannot hold: the data set judges
  }
  return ReadData(record, buffer, native);
}

// GetData's other forms (`record`: the browsed record when a direct read
// applies), out of line so that the byte strings' path above keeps a small
// frame.
[[gnu::noinline]] bool TField::ReadData(const uint8_t* record, void* buffer, bool native) const {
  if (record != nullptr && direct_slot_.form >= TDirectSlot::kFirstSharedForm) {
    if (record[direct_slot_.null_offset] != 0) return false;
    if (buffer == nullptr || ReadDirectForm(record, buffer, native)) return true;
  } else if (record != nullptr && direct_slot_.form == TDirectSlot::kPlainForm) {
    if (record[direct_slot_.null_offset] != 0) return false;
    if (buffer == nullptr) return true;
    const auto size = static_cast<std::size_t>(direct_slot_.size);
    if (native || !HasFieldSideForm(data_type_)) {
      // Fixed sizes let the compiler copy inline instead of calling memcpy.
      const uint8_t* value = record + direct_slot_.offset;
      switch (size) {
        case 2: std::memcpy(buffer, value, 2); break;
        case 4: std::memcpy(buffer, value, 4); break;
        case 8: std::memcpy(buffer, value, 8); break;
        default: std::memcpy(buffer, value, size); break;
      }
      return true;
    }
    // Converted from an aligned copy, as the data set's own read does.
    alignas(8) uint8_t value[32] = {};
    if (size <= sizeof value) {
      std::memcpy(value, record + direct_slot_.offset, size);
      data_set_->DataConvert(const_cast<TField*>(this), value, buffer, false);
      return true;
    }
  }
  if (data_set_ == nullptr)
    DatabaseError(FormatMessage("Field '%s' has no dataset", {DisplayName()}));
  if (validating_) {
    // Reads inside OnValidate see the value about to be written (native).
    if (validate_buffer_ == nullptr) return false;
    if (buffer != nullptr && native)
      std::memcpy(buffer, validate_buffer_, static_cast<std::size_t>(DataSize()));
    if (buffer != nullptr && !native) data_set_->DataConvert(const_cast<TField*>(this), validate_buffer_, buffer, false);
    return true;
  }
  return data_set_->GetFieldData(const_cast<TField*>(this), buffer, native);
}

void TField::SetData(const void* buffer, bool native) {
  if (data_set_ == nullptr)
    DatabaseError(FormatMessage("Field '%s' has no dataset", {DisplayName()}));
  data_set_->SetFieldData(this, buffer, native);
}

bool TField::GetIsNull() const { return !GetData(nullptr); }

void TField::Clear() { SetData(nullptr); }

void TField::Validate(const void* buffer) {
  if (!on_validate_) return;
  validating_ = true;
  validate_buffer_ = buffer;
  UpdateDirectReads();
  try {
    on_validate_(this);
  } catch (...) {
    validating_ = false;
    validate_buffer_ = nullptr;
    UpdateDirectReads();
    throw;
  }
  validating_ = false;
  validate_buffer_ = nullptr;
  UpdateDirectReads();
}

void TField::DataChanged() {
  if (on_change_) on_change_(this);
}

// ---- Text ------------------------------------------------------------------

std::string TField::Text() const {
  std::string text;
  if (on_get_text_)
    on_get_text_(const_cast<TField*>(this), text, false);
  else
    text = GetTextValue(false);
  return text;
}

std::string TField::DisplayText() const {
  std::string text;
  if (on_get_text_)
    on_get_text_(const_cast<TField*>(this), text, true);
  else
    text = GetTextValue(true);
  return text;
}

void TField::SetText(const std::string& text) {
  if (on_set_text_)
    on_set_text_(this, text);
  else
    SetTextValue(text);
}

std::string TField::GetTextValue(bool) const { return GetAsString(); }
void TField::SetTextValue(const std::string& text) { SetAsStringValue(text); }

// ---- Variant views -----------------------------------------------------------

Variant TField::AsVariant() const { return GetAsVariant(); }
Variant TField::Value() const { return GetAsVariant(); }

void TField::SetAsVariant(const Variant& value) {
  if (VarIsNull(value) || VarIsEmpty(value))
    Clear();
  else
    SetVarValue(value);
}

void TField::SetValue(const Variant& value) { SetAsVariant(value); }
void TField::AssignValue(const Variant& value) { SetAsVariant(value); }

Variant TField::OldValue() const {
  return data_set_->GetStateFieldValue(dsOldValue, const_cast<TField*>(this));
}

Variant TField::NewValue() const {
  return data_set_->GetStateFieldValue(dsNewValue, const_cast<TField*>(this));
}

void TField::SetNewValue(const Variant& value) {
  data_set_->SetStateFieldValue(dsNewValue, this, value);
}

void TField::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  if (auto* field = dynamic_cast<const TField*>(source)) {
    AssignField(*field);
    return;
  }
  TComponent::Assign(source);
}

void TField::AssignField(const TField& source) { SetAsVariant(source.AsVariant()); }

// ---- Views a field class does not support ---------------------------------------

std::string TField::GetAsString() const { AccessError("String"); }
void TField::SetAsStringValue(const std::string&) { AccessError("String"); }
WideString TField::GetAsWideString() const { return AnsiToWide(GetAsString()); }
void TField::SetAsWideStringValue(const WideString& value) { SetAsStringValue(WideToAnsi(value)); }
int32_t TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsIntegerValue(int32_t) { AccessError("Integer"); }
int64_t TField::GetAsLargeInt() const { AccessError("LargeInt"); }
void TField::SetAsLargeIntValue(int64_t) { AccessError("LargeInt"); }
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloatValue(double) { AccessError("Float"); }
Currency TField::GetAsCurrency() const { AccessError("Currency"); }
void TField::SetAsCurrencyValue(Currency) { AccessError("Currency"); }
TBcd TField::GetAsBCD() const { AccessError("BCD"); }
void TField::SetAsBCDValue(const TBcd&) { AccessError("BCD"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBooleanValue(bool) { AccessError("Boolean"); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTimeValue(TDateTime) { AccessError("DateTime"); }
TGUID TField::GetAsGuid() const { AccessError("Guid"); }
void TField::SetAsGuidValue(const TGUID&) { AccessError("Guid"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetVarValue(const Variant&) { AccessError("Variant"); }

// ---- Errors ----------------------------------------------------------------

void TField::AccessError(const char* type_name) const {
  DatabaseError(FormatMessage("Cannot access field '%s' as type %s", {DisplayName(), type_name}));
}

void TField::RangeError(const std::string& value, const std::string& min,
                        const std::string& max) const {
  DatabaseError(FormatMessage("%s is not a valid value for field '%s'. The allowed range is %s to %s",
                              {value, DisplayName(), min, max}));
}

void TField::RangeError(double value, double min, double max) const {
  RangeError(FloatToStr(value), FloatToStr(min), FloatToStr(max));
}

void TField::InvalidValue() const {
  DatabaseError(FormatMessage("Invalid value for field '%s'", {DisplayName()}));
}

std::string PlaceholderText(const TField& field, bool is_null) {
  std::string text = "(" + FieldTypeName(field.DataType()) + ")";
  return is_null ? text : AnsiUpperCase(text);
}

std::string FieldTypeName(TFieldType type) {
  static const char* const kNames[] = {
      "Unknown",   "String",   "SmallInt",  "Integer",     "Word",       "Boolean",
      "Float",     "Currency", "BCD",       "Date",        "Time",       "DateTime",
      "Bytes",     "VarBytes", "AutoInc",   "Blob",        "Memo",       "Graphic",
      "FmtMemo",   "ParadoxOle", "dBaseOle", "TypedBinary", "Cursor",    "FixedChar",
      "WideString", "LargeInt", "ADT",      "Array",       "Reference",  "DataSet",
      "OraBlob",   "OraClob",  "Variant",   "Interface",   "IDispatch",  "Guid",
      "TimeStamp", "FMTBcd",   "FixedWideChar", "WideMemo", "OraTimeStamp", "OraInterval"};
  const int count = static_cast<int>(sizeof kNames / sizeof kNames[0]);
  if (type >= 0 && type < count) return kNames[type];
  return "Unknown";
}

}  // namespace classlib
