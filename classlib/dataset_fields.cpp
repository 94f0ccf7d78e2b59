// Field data of TDataSet: reading and writing values in record buffers,
// the conversion between native and field-side forms, state values,
// calculated and lookup fields, and making and binding fields.
#include <cstring>

#include "classlib/dataset.h"
#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/field_datetime.h"
#include "classlib/field_defs.h"
#include "classlib/field_misc.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "classlib/fields.h"
#include "classlib/scratch_buffer.h"
#include "classlib/variant.h"

namespace classlib {

namespace {

// Room for one value in record form while it is converted: dates and
// times fit on the stack; only wide text takes the heap.
using ConversionSlot = TScratchBuffer<32>;

bool IsCalcKind(const TField* field) {
  return field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup;
}

void WideToNative(const WideString& text, void* dest, int size) {
  std::size_t count = std::min(text.size(), static_cast<std::size_t>(std::max(size, 0)));
  auto* out = static_cast<char16_t*>(dest);
  std::memcpy(out, text.data(), count * sizeof(char16_t));
  out[count] = 0;
}

WideString NativeToWide(const void* source, int size) {
  const auto* in = static_cast<const char16_t*>(source);
  WideString text;
  for (int i = 0; i < size && in[i] != 0; ++i) text.push_back(in[i]);
  return text;
}

}  // namespace

// ---- Reading and writing ---------------------------------------------------

bool TDataSet::GetFieldData(TField* field, void* buffer) {
  if (IsCalcKind(field)) return GetCalcFieldData(field, buffer);
  return false;
}

void TDataSet::SettleDirectTextRules() {
  // Closed or opening, no record is browsed: nothing to read directly.
  if (!Active()) {
    direct_text_rules_ = 0;
    return;
  }
  const TDirectTextRules rules = CurrentDirectTextRules();
  direct_text_rules_ = static_cast<uint8_t>((rules.direct ? kDirectTexts : 0) |
                                            (rules.trim_fixed ? kTrimFixedTexts : 0) |
                                            (rules.trim_var ? kTrimVarTexts : 0));
}

bool TDataSet::GetFieldData(TField* field, void* buffer, bool native) {
  if (native || buffer == nullptr || !HasFieldSideForm(field->DataType()))
    return GetFieldData(field, buffer);
  ConversionSlot temp(static_cast<std::size_t>(field->DataSize()) + 2);
  if (!GetFieldData(field, temp.Data())) return false;
  DataConvert(field, temp.Data(), buffer, false);
  return true;
}

void TDataSet::SetFieldData(TField* field, const void* buffer) {
  if (IsCalcKind(field) && (state_ == dsCalcFields || state_ == dsInternalCalc)) {
    field->Validate(buffer);
    SetCalcFieldData(field, buffer);
    return;
  }
  DatabaseError(FormatMessage("Field '%s' cannot be modified", {field->DisplayName()}), this);
}

void TDataSet::SetFieldData(TField* field, const void* buffer, bool native) {
  if (native || buffer == nullptr || !HasFieldSideForm(field->DataType())) {
    SetFieldData(field, buffer);
    return;
  }
  ConversionSlot temp(static_cast<std::size_t>(field->DataSize()) + 2);
  DataConvert(field, buffer, temp.Data(), true);
  SetFieldData(field, temp.Data());
}

void TDataSet::DataConvert(TField* field, const void* source, void* dest, bool to_native) {
  switch (field->DataType()) {
    case ftDate:
    case ftTime: {
      if (to_native) {
        TTimeStamp stamp = DateTimeToTimeStamp(*static_cast<const TDateTime*>(source));
        int32_t value = field->DataType() == ftDate ? stamp.Date : stamp.Time;
        std::memcpy(dest, &value, sizeof value);
      } else {
        int32_t value;
        std::memcpy(&value, source, sizeof value);
        TTimeStamp stamp = field->DataType() == ftDate ? TTimeStamp{0, value}
                                                        : TTimeStamp{value, kDateDelta};
        *static_cast<TDateTime*>(dest) = TimeStampToDateTime(stamp);
      }
      break;
    }
    case ftDateTime: {
      if (to_native) {
        double ms = TimeStampToMSecs(DateTimeToTimeStamp(*static_cast<const TDateTime*>(source)));
        std::memcpy(dest, &ms, sizeof ms);
      } else {
        double ms;
        std::memcpy(&ms, source, sizeof ms);
        TDateTime value;
        if (!TryMSecsToDateTime(ms, value)) value = TimeStampToDateTime(MSecsToTimeStamp(ms));
        *static_cast<TDateTime*>(dest) = value;
      }
      break;
    }
    case ftWideString:
    case ftFixedWideChar:
      if (to_native)
        WideToNative(*static_cast<const WideString*>(source), dest, field->Size());
      else
        *static_cast<WideString*>(dest) = NativeToWide(source, field->Size());
      break;
    default:
      std::memcpy(dest, source, static_cast<std::size_t>(field->DataSize()));
      break;
  }
}

// ---- State values ------------------------------------------------------------

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc) return Null();
  TDataSetState old = SetTempState(state);
  try {
    Variant value = field->AsVariant();
    RestoreState(old);
    return value;
  } catch (...) {
    RestoreState(old);
    throw;
  }
}

void TDataSet::SetStateFieldValue(TDataSetState state, TField* field, const Variant& value) {
  if (field->FieldKind() != fkData) return;
  TDataSetState old = SetTempState(state);
  try {
    field->SetAsVariant(value);
  } catch (...) {
    RestoreState(old);
    throw;
  }
  RestoreState(old);
}

// ---- Calculated and lookup fields ------------------------------------------

// Each calculated field owns DataSize + 1 bytes of the calculated area: a
// not-null flag, then the value in native form.
bool TDataSet::GetCalcFieldData(TField* field, void* buffer) {
  TRecordBuffer record = ActiveBuffer();
  if (record == nullptr || calc_fields_size_ == 0) return false;
  const uint8_t* slot = record + calc_fields_offset_ + field->Offset();
  if (slot[0] == 0) return false;
  if (buffer != nullptr) std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field->DataSize()));
  return true;
}

void TDataSet::SetCalcFieldData(TField* field, const void* buffer) {
  TRecordBuffer record = ActiveBuffer();
  if (record == nullptr || calc_fields_size_ == 0) return;
  uint8_t* slot = record + calc_fields_offset_ + field->Offset();
  slot[0] = buffer != nullptr ? 1 : 0;
  if (buffer != nullptr)
    std::memcpy(slot + 1, buffer, static_cast<std::size_t>(field->DataSize()));
  else
    std::memset(slot + 1, 0, static_cast<std::size_t>(field->DataSize()));
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (!HasCalcFields()) return;
  TDataSetState old = SetTempState(dsCalcFields);
  try {
    CalculateFields(buffer);
  } catch (...) {
    RestoreState(old);
    throw;
  }
  RestoreState(old);
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  calc_buffer_ = buffer;
  if (state_ != dsInternalCalc) {
    ClearCalcFields(buffer);
    for (TField* field : fields_->List())
      if (field->FieldKind() == fkLookup) CalculateLookupField(field);
  }
  DoOnCalcFields();
}

void TDataSet::ClearCalcFields(TRecordBuffer buffer) {
  if (buffer != nullptr && calc_fields_size_ > 0)
    std::memset(buffer + calc_fields_offset_, 0, static_cast<std::size_t>(calc_fields_size_));
}

void TDataSet::CalculateLookupField(TField* field) {
  TDataSet* lookup = field->LookupDataSet();
  if (lookup == nullptr || !lookup->Active()) return;
  std::vector<TField*> keys;
  GetFieldList(keys, field->KeyFields());
  if (keys.empty()) return;
  Variant key_values;
  if (keys.size() == 1) {
    key_values = keys[0]->Value();
  } else {
    std::vector<Variant> values;
    for (TField* key : keys) values.push_back(key->Value());
    key_values = VarArrayOf(values);
  }
  for (TField* key : keys)
    if (key->IsNull()) return;
  field->SetValue(lookup->Lookup(field->LookupKeyFields(), key_values, field->LookupResultField()));
}

// ---- Making and binding fields ---------------------------------------------

TField* TDataSet::CreateFieldOfType(TFieldType type, TComponent* owner) {
  switch (type) {
    case ftString:
    case ftFixedChar: return new TStringField(owner);
    case ftWideString:
    case ftFixedWideChar: return new TWideStringField(owner);
    case ftGuid: return new TGuidField(owner);
    case ftSmallint: return new TSmallintField(owner);
    case ftInteger: return new TIntegerField(owner);
    case ftWord: return new TWordField(owner);
    case ftAutoInc: return new TAutoIncField(owner);
    case ftLargeint: return new TLargeintField(owner);
    case ftFloat: return new TFloatField(owner);
    case ftCurrency: return new TCurrencyField(owner);
    case ftBCD: return new TBCDField(owner);
    case ftFMTBcd: return new TFMTBCDField(owner);
    case ftBoolean: return new TBooleanField(owner);
    case ftDate: return new TDateField(owner);
    case ftTime: return new TTimeField(owner);
    case ftDateTime:
    case ftTimeStamp: return new TDateTimeField(owner);
    case ftBytes: return new TBytesField(owner);
    case ftVarBytes: return new TVarBytesField(owner);
    case ftBlob:
    case ftGraphic:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob: return new TBlobField(owner);
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob: return new TMemoField(owner);
    case ftWideMemo: return new TWideMemoField(owner);
    case ftVariant: return new TVariantField(owner);
    case ftADT: return new TADTField(owner);
    case ftArray: return new TArrayField(owner);
    case ftDataSet: return new TDataSetField(owner);
    case ftReference: return new TReferenceField(owner);
    default: return nullptr;
  }
}

void TDataSet::CreateFields() {
  for (int i = 0; i < field_defs_->Count(); ++i) {
    TFieldDef* def = field_defs_->Items(i);
    if (def->DataType() == ftUnknown || def->Attributes().Contains(faHiddenCol)) continue;
    def->CreateField(this);
  }
}

void TDataSet::DestroyFields() { fields_->Clear(); }

namespace {

// Field types that are the same kind of column for persistent fields.
TFieldType BaseFieldType(TFieldType type) {
  switch (type) {
    case ftFixedChar:
    case ftWideString:
    case ftFixedWideChar: return ftString;
    case ftAutoInc: return ftInteger;
    case ftCurrency: return ftFloat;
    case ftFmtMemo:
    case ftOraClob: return ftMemo;
    case ftGraphic:
    case ftTypedBinary:
    case ftOraBlob: return ftBlob;
    case ftTimeStamp: return ftDateTime;
    default: return type;
  }
}

}  // namespace

void TDataSet::CheckFieldCompatibility(TField* field, TFieldDef* def) {
  if (BaseFieldType(field->DataType()) != BaseFieldType(def->DataType()))
    DatabaseError(FormatMessage("Type mismatch for field '%s', expecting: %s actual: %s",
                                {field->DisplayName(), FieldTypeName(field->DataType()),
                                 FieldTypeName(def->DataType())}),
                  this);
  const TFieldType type = field->DataType();
  if ((type == ftBytes || type == ftVarBytes || type == ftBCD || type == ftReference) &&
      field->Size() != def->Size())
    DatabaseError(FormatMessage("Size mismatch for field '%s', expecting: %s actual: %s",
                                {field->DisplayName(), std::to_string(field->Size()),
                                 std::to_string(def->Size())}),
                  this);
}

void TDataSet::BindFields(bool binding) {
  calc_fields_size_ = 0;
  has_calc_fields_ = false;
  // Children of object fields bind like top-level fields, after them.
  for (TField* field : FieldList()) {
    field->ClearDirectSlot();
    if (!binding) {
      field->Bind(false);
      if (!IsCalcKind(field)) field->SetFieldNo(0);
      continue;
    }
    if (IsCalcKind(field)) {
      field->SetFieldNo(-1);
      field->SetOffset(calc_fields_size_);
      calc_fields_size_ += field->DataSize() + 1;
      has_calc_fields_ = true;
    } else if (field->ParentField() == nullptr) {
      TFieldDef* def = field_defs_->Find(field->FieldName());
      field->SetFieldNo(def->FieldNo());
      CheckFieldCompatibility(field, def);
      if (def->InternalCalcField()) has_calc_fields_ = true;
    }
    field->Bind(true);
  }
}

}  // namespace classlib
