// TMemDataSet: field definitions from the store's field descriptions, field
// types, and field values in both directions between a field's native form
// and the store's record form.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/field_numeric.h"
#include "classlib/fields.h"
#include "classlib/scratch_buffer.h"
#include "dacore/field_expand.h"
#include "dacore/memds_dataset.h"
#include "dacore/messages.h"
#include "dacore/util_bytes.h"

namespace dacore {

using namespace classlib;

// ---- Field types -------------------------------------------------------------------

TFieldType TMemDataSet::GetFieldType(TDataType data_type) {
  Assert(data_type <= dtWideMemo, __FILE__, __LINE__);
  return DataTypeToFieldType(data_type);
}

TFieldType TMemDataSet::GetFieldTypeOfDesc(const TFieldDesc& desc) { return GetFieldType(desc.DataType()); }

int TMemDataSet::GetFieldDefSize(TFieldType type, const TFieldDesc& desc) {
  switch (type) {
    case ftString:
    case ftWideString:
    case ftGuid: return desc.Length() == 0 ? 1 : desc.Length();
    case ftBytes:
    case ftVarBytes: return desc.Length();
    default: return 0;
  }
}

std::string TMemDataSet::GetChildFieldDefName(TFieldDef*, int index, TObjectType*) { return std::to_string(index); }

namespace {

// The values a column's storage holds: narrower than its field's type for
// one-byte and unsigned 32-bit columns.
std::pair<int64_t, int64_t> StorageLimits(TDataType type) {
  switch (type) {
    case dtInt8: return {std::numeric_limits<int8_t>::min(), std::numeric_limits<int8_t>::max()};
    case dtInt16: return {std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()};
    case dtUInt16: return {0, std::numeric_limits<uint16_t>::max()};
    case dtUInt32: return {0, std::numeric_limits<uint32_t>::max()};
    case dtInt32: return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    default: return {std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()};
  }
}

// The largest whole number of `digits` digits (digits 1..18).
int64_t DigitsLimit(int digits) {
  int64_t limit = 1;
  for (int i = 0; i < digits; ++i) limit *= 10;
  return limit - 1;
}

}  // namespace

void TMemDataSet::SetStorageRange(TField* field) {
  TFieldDesc* desc = GetFieldDesc(field);
  if (desc == nullptr || (desc->DataType() != dtInt8 && desc->DataType() != dtUInt32)) return;
  const auto [low, high] = StorageLimits(desc->DataType());
  if (auto* integer = dynamic_cast<TIntegerField*>(field)) {
    integer->SetMinValue(static_cast<int32_t>(low));
    integer->SetMaxValue(static_cast<int32_t>(high));
  } else if (auto* large = dynamic_cast<TLargeintField*>(field)) {
    large->SetMinValue(low);
    large->SetMaxValue(high);
  }
}

// A column of p digits, s of them after the point, holds what those digits
// can write, within what its storage holds.
void TMemDataSet::SetNumberRange(TField* field) {
  TFieldDesc* desc = GetFieldDesc(field);
  if (desc == nullptr) return;
  const int precision = desc->Length();
  const int scale = desc->Scale();
  if (auto* real = dynamic_cast<TFloatField*>(field)) {
    if (precision >= 2 && precision <= 15) real->SetPrecision(precision);
    if (precision < 1 || scale >= precision) return;
    const double high = std::pow(10.0, precision - scale) - std::pow(10.0, -scale);
    real->SetMinValue(-high);
    real->SetMaxValue(high);
    return;
  }
  if (precision < 1 || precision > 18 || scale != 0) return;
  const auto [storage_low, storage_high] = StorageLimits(desc->DataType());
  const int64_t low = std::max(-DigitsLimit(precision), storage_low);
  const int64_t high = std::min(DigitsLimit(precision), storage_high);
  if (auto* integer = dynamic_cast<TIntegerField*>(field)) {
    integer->SetMinValue(static_cast<int32_t>(std::max<int64_t>(low, std::numeric_limits<int32_t>::min())));
    integer->SetMaxValue(static_cast<int32_t>(std::min<int64_t>(high, std::numeric_limits<int32_t>::max())));
  } else if (auto* large = dynamic_cast<TLargeintField*>(field)) {
    large->SetMinValue(low);
    large->SetMaxValue(high);
  }
}

void TMemDataSet::CheckFieldCompatibility(TField* field, TFieldDef* def) {
  if (field->DataType() < ftFixedWideChar && def->DataType() < ftFixedWideChar) {
    TDataSet::CheckFieldCompatibility(field, def);
    return;
  }
  if (field->DataType() != def->DataType())
    DatabaseError(FormatMessage("Type mismatch for field '%s', expecting: %s actual: %s",
                                {field->DisplayName(), FieldTypeName(field->DataType()),
                                 FieldTypeName(def->DataType())}),
                  this);
}

// ---- Field definitions ----------------------------------------------------------------

void TMemDataSet::CreateFieldDefsFromDescs() {
  if (FieldDefs().Updated()) return;
  TData& store = *FIRecordSet;
  FieldDefs().BeginUpdate();
  try {
    FieldDefs().Clear();
    for (int i = 0; i < store.GetFieldCount(); ++i) {
      const TFieldDesc& desc = *store.Fields().GetItems(i);
      if (desc.HiddenObject() || desc.FieldKind() != fkData) continue;
      // Children of a hidden object stand in for it at the top level.
      if (desc.HasParent() && !desc.ParentField()->HiddenObject()) continue;
      const TFieldType type = GetFieldTypeOfDesc(desc);
      if (type == ftUnknown) continue;
      TFieldDef* def = FieldDefs().AddFieldDef();
      def->SetName(desc.Name());
      def->SetDataType(type);
      def->SetSize(GetFieldDefSize(type, desc));
      def->SetRequired(desc.Required() && local_constraints_);
      def->SetFieldNo(i + 1);
      if (type == ftInteger || type == ftFloat) def->SetPrecision(desc.Length());
      if (type == ftBCD || type == ftFMTBcd) {
        def->SetPrecision(desc.Length());
        def->SetSize(desc.Scale());
      }
      TFieldAttributes attributes = def->Attributes();
      if (desc.ReadOnly()) attributes.Include(faReadonly);
      if (desc.Hidden()) attributes.Include(faHiddenCol);
      if (desc.Fixed()) attributes.Include(faFixed);
      def->SetAttributes(attributes);
      if (type == ftADT || type == ftArray) AddChildDefs(def, desc, desc.ObjectType());
    }
  } catch (...) {
    FieldDefs().EndUpdate();
    throw;
  }
  FieldDefs().EndUpdate();
  FieldDefs().SetUpdated(true);
}

// One child definition per attribute and repetition, each bound to the
// description the store expanded for it (in the same order), so that child
// fields read their values by that description's number.
void TMemDataSet::AddChildDefs(TFieldDef* def, const TFieldDesc& desc, TObjectType* type) {
  if (type == nullptr) return;
  TData& store = *FIRecordSet;
  std::vector<const TFieldDesc*> children;
  for (int i = 0; i < store.GetFieldCount(); ++i)
    if (store.Fields().GetItems(i)->ParentField() == &desc) children.push_back(store.Fields().GetItems(i));
  const bool is_object = type->DataType() == dtObject;
  const int repetitions =
      is_object || store.OneElementArrays() ? 1 : std::clamp(type->Size(), 0, kMaxArrayExpansion);
  std::size_t next = 0;
  for (int a = 0; a < type->GetAttributeCount(); ++a) {
    const TAttribute& attribute = *type->GetAttributes(a);
    for (int j = 0; j < repetitions && next < children.size(); ++j) {
      const TFieldDesc& child_desc = *children[next++];
      const std::string base = is_object ? attribute.Name() : GetChildFieldDefName(def, j, type);
      std::string name = base;
      for (int n = 1; FieldDefs().IndexOf(def->Name() + "." + name) >= 0; ++n) name = base + "_" + std::to_string(n);
      TFieldDef* child = def->ChildDefs().AddFieldDef();
      child->SetName(name);
      const TFieldType child_type = GetFieldType(attribute.DataType());
      child->SetDataType(child_type);
      child->SetSize(child_type == ftString ? attribute.Length() : 0);
      child->SetFieldNo(child_desc.FieldNo());
      if (def->Attributes().Contains(faReadonly)) {
        TFieldAttributes attributes = child->Attributes();
        attributes.Include(faReadonly);
        child->SetAttributes(attributes);
      }
      if (child_type == ftADT || child_type == ftArray) AddChildDefs(child, child_desc, attribute.ObjectType());
    }
  }
}

TFieldDesc* TMemDataSet::GetFieldDesc(TField* field) const {
  Assert(FIRecordSet != nullptr, __FILE__, __LINE__, "FIRecordSet must be setted to this time");
  Assert(field != nullptr, __FILE__, __LINE__, "Field cannot be nil");
  Assert(field->DataSet() == this, __FILE__, __LINE__, "Wrong DataSet");
  if (field->FieldNo() < 1 || field->FieldNo() > FIRecordSet->GetFieldCount()) return nullptr;
  return FIRecordSet->Fields().GetItems(field->FieldNo() - 1);
}

void* TMemDataSet::GetFieldObject(TField* field) {
  TFieldDesc* desc = GetFieldDesc(field);
  TRecordBuffer record = ActiveBuffer();
  if (desc == nullptr || record == nullptr) return nullptr;
  const TDataType t = desc->DataType();
  if (desc->HasParent()) {
    // An attribute's value object (a collection's too) is kept by its
    // object, NULL or not.
    if (!FIRecordSet->IsComplexFieldType(t) && t != dtArray && t != dtTable) return nullptr;
    void* object = nullptr;
    bool is_blank = true;
    FIRecordSet->GetFieldByNo(desc->FieldNo(), record, &object, is_blank);
    return object;
  }
  if (!FIRecordSet->IsComplexFieldType(t)) return nullptr;
  return LoadUnaligned<void*>(record + desc->Offset());
}

// ---- Blobs ---------------------------------------------------------------------------

TBlob* TMemDataSet::GetBlob(const std::string& field_name) {
  TFieldDesc* desc = FIRecordSet->FieldByName(field_name);
  if (!FIRecordSet->IsBlobFieldType(desc->DataType())) DatabaseError(SNeedBlobType);
  TRecordBuffer buffer = ActiveBuffer();
  return buffer == nullptr ? nullptr : FIRecordSet->GetBlob(desc->FieldNo(), buffer);
}

TBlob* TMemDataSet::GetBlob(TField* field) {
  TFieldDesc* desc = GetFieldDesc(field);
  if (desc == nullptr) throw Exception(FormatMessage(SFieldNotFound, {field->FieldName()}));
  if (!FIRecordSet->IsBlobFieldType(desc->DataType())) DatabaseError(SNeedBlobType);
  TRecordBuffer buffer = ActiveBuffer();
  return buffer == nullptr ? nullptr : FIRecordSet->GetBlob(desc->FieldNo(), buffer);
}

// ---- Values ------------------------------------------------------------------------------

namespace {

bool IsHeapType(TDataType t) { return t == dtHeapString || t == dtHeapWideString || t == dtHeapVarBytes; }

// Room for the store's form of a field's value: a heap value is as long as
// its heap buffer, whatever length the description declares.
std::size_t ScratchSize(const TFieldDesc& desc, TRecBuf rec, const TField* field) {
  std::size_t size = std::max<std::size_t>(ValueBufferSize(desc), static_cast<std::size_t>(field->DataSize()) + 2);
  if (IsHeapType(desc.DataType()) && !desc.HasParent())
    if (void* value = LoadUnaligned<void*>(static_cast<uint8_t*>(rec) + desc.Offset()))
      size = std::max<std::size_t>(size, static_cast<std::size_t>(TStringHeap::BufSize(value)) + 4);
  return size;
}

[[noreturn]] void RaiseRange(const TField* field, int64_t value, int64_t min, int64_t max) {
  throw EDatabaseError(FormatMessage("%s is not a valid value for field '%s'. The allowed range is %s to %s",
                                     {std::to_string(value), field->DisplayName(), std::to_string(min),
                                      std::to_string(max)}));
}

}  // namespace

// Types the store copies from the record unchanged and ReadStoreValue
// copies on: a field of the same size reads them straight from the record.
static bool IsPlainValueType(TDataType type) {
  switch (type) {
    case dtInt16: case dtUInt16: case dtInt32: case dtInt64: case dtFloat: case dtCurrency: case dtBoolean:
      return true;
    default: return false;
  }
}

// The slot of a top-level data field whose record form the field can read
// itself with what ReadRecordValue gives (the fixed-size values, texts, byte
// strings and date-times); none for the others.
TField::TDirectSlot TMemDataSet::DirectSlotFor(const TField& field) const {
  if (field.FieldKind() != fkData || field.FieldNo() < 1 || field.FieldNo() > FIRecordSet->GetFieldCount())
    return {};
  const TFieldDesc& desc = *FIRecordSet->Fields().GetItems(field.FieldNo() - 1);
  // A heap text is complex (the record owns its buffer) but read as any text.
  if (desc.HasParent() || FIRecordSet->IsBlobFieldType(desc.DataType()) ||
      (FIRecordSet->IsComplexFieldType(desc.DataType()) && desc.DataType() != dtHeapString))
    return {};
  using TSlot = TField::TDirectSlot;
  TSlot slot{desc.Offset(), FIRecordSet->DataSize() + desc.FieldNo() - 1, desc.Size(), TSlot::kPlainForm};
  const int capacity = field.DataSize();
  const int length = desc.Length();
  if (desc.DataType() == dtDateTime) {
    // The data set converts the store's milliseconds the standard way.
    if (field.DataType() != ftDateTime || capacity != static_cast<int>(sizeof(double))) return {};
    slot.form = TSlot::kDateTimeDaysForm;
    slot.standard_convert = true;
    return slot;
  }
  if (HasFieldSideForm(field.DataType())) return {};
  switch (desc.DataType()) {
    case dtString:
      if (capacity == 0) return {};
      slot.form = TSlot::kTextForm;
      slot.fixed_text = desc.Fixed();
      slot.limit = desc.Fixed() ? std::min(length, static_cast<int>(desc.Size())) : desc.Size();
      slot.cut = capacity - 1;
      return slot;
    case dtHeapString:
      if (capacity == 0) return {};
      slot.form = TSlot::kTextPointerForm;
      slot.limit = length != 0 ? std::min(length, capacity - 1) : capacity - 1;
      return slot;
    case dtVarBytes:
      if (capacity < 2 || desc.Size() < 2) return {};
      slot.form = TSlot::kCountedBytesForm;
      slot.cut = capacity - 2;
      return slot;
    default:
      if (!IsPlainValueType(desc.DataType()) || desc.Size() != capacity) return {};
      return slot;
  }
}

classlib::TDataSet::TDirectTextRules TMemDataSet::CurrentDirectTextRules() const {
  if (FIRecordSet == nullptr || FIRecordSet->GetConnectionFlag()) return {};
  return {true, FIRecordSet->TrimFixedChars(), FIRecordSet->TrimVarChars()};
}

void TMemDataSet::SetDirectReads(bool on) {
  for (TField* field : FieldList()) field->SetDirectSlot(on ? DirectSlotFor(*field) : TField::TDirectSlot());
}

// A text of at most max characters, cut at its first zero, and its end.
static void CopyText(const char* text, std::size_t max, void* buffer) {
  const std::size_t n = text ? strnlen(text, max) : 0;
  if (n) std::memcpy(buffer, text, n);
  static_cast<char*>(buffer)[n] = 0;
}

// An inline text as the store's read gives it (trailing blanks trimmed when
// the store trims them: a fixed text within its length), cut to what the
// field holds, and its end.
static void CopyStoredText(const TData& store, const TFieldDesc& desc, const char* text, std::size_t capacity,
                           void* buffer) {
  const bool trims = desc.Fixed() ? store.TrimFixedChars() : store.TrimVarChars();
  std::size_t n = strnlen(text, trims && desc.Fixed() ? std::min<std::size_t>(desc.Length(), desc.Size()) : desc.Size());
  if (trims) n = LengthWithoutTrailingBlanks(text, n);
  n = std::min(n, capacity - 1);
  if (n) std::memcpy(buffer, text, n);
  static_cast<char*>(buffer)[n] = 0;
}

// A top-level value that is not null, read from the record straight into
// the field's buffer, for the types where that gives what the store's read
// followed by ReadStoreValue gives, without the work copy; false for any
// other.
bool TMemDataSet::ReadRecordValue(const TFieldDesc& desc, TField* field, TRecBuf rec, void* buffer) {
  TData& store = *FIRecordSet;
  const auto capacity = static_cast<std::size_t>(field->DataSize());
  const uint8_t* at = static_cast<const uint8_t*>(rec) + desc.Offset();
  switch (desc.DataType()) {
    case dtString:
      if (capacity == 0 || !store.ReadsTextAsStored(desc)) return false;
      CopyStoredText(store, desc, reinterpret_cast<const char*>(at), capacity, buffer);
      return true;
    case dtHeapString: {
      if (capacity == 0) return false;
      const std::size_t max = desc.Length() ? std::min<std::size_t>(desc.Length(), capacity - 1) : capacity - 1;
      CopyText(LoadUnaligned<const char*>(at), max, buffer);
      return true;
    }
    case dtVarBytes: {
      const uint16_t length = LoadUnaligned<uint16_t>(at);
      if (capacity < 2 || desc.Size() < 2 || length > desc.Size() - 2u) return false;
      const auto n = static_cast<uint16_t>(std::min<std::size_t>(length, capacity - 2));
      StoreUnaligned<uint16_t>(buffer, n);
      std::memcpy(static_cast<uint8_t*>(buffer) + 2, at + 2, n);
      return true;
    }
    case dtDate: case dtTime: case dtDateTime:
      // The store gives milliseconds in a double, days or the time of day in 32 bits.
      if (capacity != (desc.DataType() == dtDateTime ? sizeof(double) : sizeof(int32_t))) return false;
      store.GetField(desc, rec, buffer);
      return true;
    default:
      if (!IsPlainValueType(desc.DataType()) || desc.Size() != capacity) return false;
      std::memcpy(buffer, at, capacity);
      return true;
  }
}

void TMemDataSet::ReadStoreValue(const TFieldDesc& desc, TField* field, TRecBuf rec, void* buffer) {
  auto* out = static_cast<uint8_t*>(buffer);
  const std::size_t capacity = static_cast<std::size_t>(field->DataSize());
  const auto* in = static_cast<const uint8_t*>(rec);
  switch (desc.DataType()) {
    case dtInt8: {
      // A one-byte column widens with its sign into the field's 16 bits.
      const int16_t value = desc.Size() == 1 ? LoadUnaligned<int8_t>(in) : LoadUnaligned<int16_t>(in);
      StoreUnaligned<int16_t>(out, value);
      return;
    }
    case dtUInt32: StoreUnaligned<int64_t>(out, LoadUnaligned<uint32_t>(in)); return;
    case dtString:
    case dtGuid:
    case dtHeapString: {
      if (capacity == 0) return;
      const std::size_t n = strnlen(reinterpret_cast<const char*>(in), capacity - 1);
      std::memcpy(out, in, n);
      out[n] = 0;
      return;
    }
    case dtWideString:
    case dtHeapWideString: {
      const std::size_t max_chars = capacity / 2;
      if (max_chars == 0) return;
      std::size_t n = 0;
      while (n + 1 < max_chars && LoadUnaligned<char16_t>(in + n * 2) != 0) ++n;
      std::memcpy(out, in, n * 2);
      StoreUnaligned<char16_t>(out + n * 2, 0);
      return;
    }
    case dtVarBytes:
    case dtHeapVarBytes: {
      if (capacity < 2) return;
      const uint16_t n = static_cast<uint16_t>(std::min<std::size_t>(LoadUnaligned<uint16_t>(in), capacity - 2));
      StoreUnaligned<uint16_t>(out, n);
      std::memcpy(out + 2, in + 2, n);
      return;
    }
    default: std::memcpy(out, in, capacity); return;
  }
}

void TMemDataSet::WriteStoreValue(const TFieldDesc& desc, TField* field, TRecBuf rec, const void* buffer) {
  std::vector<uint8_t> scratch(std::max<std::size_t>(ValueBufferSize(desc), static_cast<std::size_t>(field->DataSize()) + 2));
  const void* source = buffer;
  switch (desc.DataType()) {
    case dtInt8: {
      const int16_t value = LoadUnaligned<int16_t>(buffer);
      if (value < std::numeric_limits<int8_t>::min() || value > std::numeric_limits<int8_t>::max())
        RaiseRange(field, value, std::numeric_limits<int8_t>::min(), std::numeric_limits<int8_t>::max());
      if (desc.Size() == 1) StoreUnaligned<int8_t>(scratch.data(), static_cast<int8_t>(value));
      else StoreUnaligned<int16_t>(scratch.data(), value);
      source = scratch.data();
      break;
    }
    case dtUInt32: {
      const int64_t value = LoadUnaligned<int64_t>(buffer);
      if (value < 0 || value > std::numeric_limits<uint32_t>::max())
        RaiseRange(field, value, 0, std::numeric_limits<uint32_t>::max());
      StoreUnaligned<uint32_t>(scratch.data(), static_cast<uint32_t>(value));
      source = scratch.data();
      break;
    }
    case dtString: case dtGuid: case dtHeapString: case dtWideString: case dtHeapWideString:
    case dtVarBytes: case dtHeapVarBytes: case dtVariant:
      // Terminated or counted: the store reads no further than the value.
      break;
    default:
      // The store copies its own size: give it at least that many bytes.
      std::memcpy(scratch.data(), buffer, std::min<std::size_t>(scratch.size(), field->DataSize()));
      source = scratch.data();
      break;
  }
  FIRecordSet->PutFieldByNo(desc.FieldNo(), rec, source);
}

bool TMemDataSet::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record = ActiveBuffer();
  if (record == nullptr) return false;
  if (field->FieldNo() > 0) {
    TFieldDesc* desc = GetFieldDesc(field);
    if (desc == nullptr) return false;
    TData& store = *FIRecordSet;
    const int no = desc->FieldNo();
    if (store.IsBlobFieldType(desc->DataType())) return !store.GetNullByBlob(no, record);
    if (!desc->HasParent()) {
      // A top-level value's null flag is its byte in the record.
      if (store.IsNullInRecord(*desc, record)) return false;
      if (buffer == nullptr || ReadRecordValue(*desc, field, record, buffer)) return true;
    } else if (buffer == nullptr) {
      return !store.GetNull(no, record);
    }
    bool is_blank = true;
    if (desc->DataType() == dtVariant) {
      store.GetFieldByNo(no, record, buffer, is_blank);
      return !is_blank;
    }
    TScratchBuffer<256> value(ScratchSize(*desc, record, field));
    store.GetFieldByNo(no, record, value.Data(), is_blank);
    if (is_blank) return false;
    ReadStoreValue(*desc, field, value.Data(), buffer);
    return true;
  }
  switch (State()) {
    case dsBrowse: case dsEdit: case dsInsert: case dsCalcFields: case dsFilter: case dsBlockRead:
      return GetCalcFieldData(field, buffer);
    default: return false;
  }
}

void TMemDataSet::SetFieldData(TField* field, const void* buffer) {
  const TDataSetState state = State();
  const bool writable = state == dsEdit || state == dsInsert || state == dsSetKey || state == dsCalcFields ||
                        state == dsFilter || state == dsNewValue || state == dsInternalCalc;
  if (!writable || (field->FieldNo() > 0 && state == dsCalcFields))
    DatabaseError("Dataset not in edit or insert mode", this);
  if (field->ReadOnly() && state != dsSetKey && state != dsFilter)
    DatabaseError(FormatMessage("Field '%s' cannot be modified", {field->DisplayName()}), this);
  TRecordBuffer record = ActiveBuffer();
  if (record == nullptr) DatabaseError("Dataset not in edit or insert mode", this);
  field->Validate(buffer);
  if (field->FieldNo() > 0) {
    TFieldDesc* desc = GetFieldDesc(field);
    if (desc == nullptr) DatabaseError(FormatMessage("Field '%s' cannot be modified", {field->DisplayName()}), this);
    if (buffer == nullptr) FIRecordSet->PutFieldByNo(desc->FieldNo(), record, nullptr);
    else WriteStoreValue(*desc, field, record, buffer);
  } else {
    SetCalcFieldData(field, buffer);
  }
  if (state != dsCalcFields && state != dsFilter && state != dsInternalCalc)
    DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
}

}  // namespace dacore
