// Record buffers and the values in them: allocation, reading and writing
// field data by column type, state values, calculated fields and the blob
// streams a record refers to by handle.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "classlib/codepage.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/record_bytes.h"
#include "fib/base/sql_types.h"
#include "fib/dataset/fib_blob_fields.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/dataset/fib_string_fields.h"
#include "fib/records/field_descr_list_layout.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_blob_stream.h"

namespace fib {

namespace {

// An integer of the field's native width.
void StoreInteger(classlib::TFieldType type, int64_t value, void* buffer) {
  switch (type) {
    case classlib::ftSmallint: StoreUnaligned<int16_t>(buffer, static_cast<int16_t>(value)); break;
    case classlib::ftLargeint: StoreUnaligned<int64_t>(buffer, value); break;
    case classlib::ftFloat: StoreUnaligned<double>(buffer, static_cast<double>(value)); break;
    default: StoreUnaligned<int32_t>(buffer, static_cast<int32_t>(value)); break;
  }
}

int64_t LoadInteger(classlib::TFieldType type, const void* buffer) {
  switch (type) {
    case classlib::ftSmallint: return LoadUnaligned<int16_t>(buffer);
    case classlib::ftLargeint: return LoadUnaligned<int64_t>(buffer);
    case classlib::ftFloat: return std::llround(LoadUnaligned<double>(buffer));
    default: return LoadUnaligned<int32_t>(buffer);
  }
}

}  // namespace

// ---- buffers ----

classlib::TRecordBuffer TFIBCustomDataSet::AllocRecordBuffer() {
  // Never smaller than the header, which is written even without columns.
  return new uint8_t[static_cast<size_t>(std::max(record_size_, kNullFlagsOffset))]();
}

void TFIBCustomDataSet::FreeRecordBuffer(classlib::TRecordBuffer& buffer) {
  delete[] buffer;
  buffer = nullptr;
}

void TFIBCustomDataSet::InternalInitRecord(classlib::TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<size_t>(record_size_));
  std::memset(buffer + kNullFlagsOffset, 1, static_cast<size_t>(field_descrs_.GetCount()));
}

classlib::TRecordBuffer TFIBCustomDataSet::GetActiveRecBuf() const {
  if (State() == classlib::dsCalcFields) return CalcBuffer();
  if (!IsCursorOpen() || (IsEmpty() && State() != classlib::dsInsert)) return nullptr;
  return ActiveBuffer();
}

// The record a field reads in the present state.
classlib::TRecordBuffer TFIBCustomDataSet::SourceBufferFor(classlib::TField*) {
  if (State() != classlib::dsOldValue) return ActiveBuffer();
  classlib::TRecordBuffer active = BufferedRecords() > 0 ? Buffers(ActiveRecord()) : nullptr;
  if (active == nullptr || cache_ == nullptr) return nullptr;
  const int index = RecordIndexOf(active);
  if (!HoldsRecord(index)) return active;  // a new record has no old version
  old_buffer_.assign(static_cast<size_t>(record_size_), 0);
  SetRecordIndexOf(old_buffer_.data(), index);
  cache_->ReadRecord(CacheNumberOf(index),
                     std::span<uint8_t>(old_buffer_.data() + kCacheBufferStart,
                                        static_cast<size_t>(record_size_ - kCacheBufferStart)),
                     true);
  return old_buffer_.data();
}

// ---- reading field data ----

// The slot mirrors ReadColumnValue: only where it copies the column's bytes
// unchanged (or, for text, the string field can cut them itself) is a
// direct read the same read.
classlib::TField::TDirectSlot TFIBCustomDataSet::DirectSlotFor(const classlib::TField& field) const {
  using TDirectSlot = classlib::TField::TDirectSlot;
  const int column = field.FieldNo() - 1;
  if (field.FieldKind() != classlib::fkData || column < 0 || column >= field_descrs_.GetCount())
    return {};
  const TFIBFieldDescr& descr = *field_descrs_.GetItem(column);
  const classlib::TFieldType type = field.DataType();
  TDirectSlot slot{descr.Offset, NullFlagOffset(column), 0, TDirectSlot::kPlainForm};
  switch (descr.FieldType) {
    case kSQLShort:
      if (descr.Scale != 0 || type != classlib::ftSmallint) return {};
      slot.size = 2;
      break;
    case kSQLLong:
      if (descr.Scale != 0 || (type != classlib::ftInteger && type != classlib::ftAutoInc)) return {};
      slot.size = 4;
      break;
    case kSQLInt64:
      if (type == classlib::ftFloat) return {};
      slot.size = 8;
      break;
    case kSQLDouble: case kSQLDFloat:
      slot.size = std::min<int>(descr.DataSize, field.DataSize());
      break;
    case kSQLTimeStamp: case kSQLDate: case kSQLTime:
      slot.size = std::min<int>(descr.DataSize, field.DataSize());
      // DataConvert leaves dates and times to the base class.
      slot.standard_convert = true;
      break;
    case kSQLText: case kSQLVarying:
      // A text wider than the field is left to GetFieldData, which refuses it.
      if (!descr.IsString || descr.IsDBKey || descr.ValueKind != vkPlain ||
          dynamic_cast<const TFIBStringField*>(&field) == nullptr ||
          descr.DataSize > field.DataSize() - 1)
        return {};
      slot.size = descr.DataSize;
      slot.form = options_.Contains(poTrimCharFields) ? kDirectTrimmedTextForm : kDirectTextForm;
      if (unicode_connection_) slot.form |= kDirectUnicodeConnection;
      break;
    default:
      return {};
  }
  return slot;
}

void TFIBCustomDataSet::SetDirectReads() {
  for (classlib::TField* field : Fields().List()) field->SetDirectSlot(DirectSlotFor(*field));
}

bool TFIBCustomDataSet::GetFieldData(classlib::TField* field, void* buffer) {
  if (field->FieldKind() != classlib::fkData) return TDataSet::GetFieldData(field, buffer);
  // The descriptor is looked up directly (as FieldDescr does for a data
  // field): every value read comes through here.
  const int column = field->FieldNo() - 1;
  if (column < 0 || column >= field_descrs_.GetCount()) return false;
  classlib::TRecordBuffer record =
      State() == classlib::dsOldValue ? SourceBufferFor(field) : ActiveBuffer();
  if (record == nullptr || record[NullFlagOffset(column)] != 0) return false;
  if (buffer != nullptr) ReadColumnValue(*field_descrs_.GetItem(column), field, record, buffer);
  return true;
}

bool TFIBCustomDataSet::ReadColumnValue(const TFIBFieldDescr& descr, classlib::TField* field,
                                        classlib::TRecordBuffer record, void* buffer) {
  const uint8_t* slot = record + descr.Offset;
  const classlib::TFieldType type = field->DataType();
  switch (descr.FieldType) {
    case kSQLShort:
    case kSQLLong: {
      if (type == classlib::ftBoolean) {
        // Exactly the column's bytes, into the low end of the field's word.
        std::memcpy(buffer, slot, static_cast<size_t>(std::min<int>(descr.DataSize, field->DataSize())));
        break;
      }
      const int64_t value = descr.FieldType == kSQLShort ? LoadUnaligned<int16_t>(slot) : LoadUnaligned<int32_t>(slot);
      if (descr.Scale < 0)
        StoreUnaligned<double>(buffer, static_cast<double>(value) * std::pow(10.0, descr.Scale));
      else
        StoreInteger(type, value, buffer);
      break;
    }
    case kSQLFloat: StoreUnaligned<double>(buffer, LoadUnaligned<float>(slot)); break;
    case kSQLInt64:
      if (type == classlib::ftFloat && descr.Scale < 0 &&
          (descr.Scale >= -4 || prepare_options_.Contains(psSQLINT64ToBCD)))
        StoreUnaligned<double>(buffer, static_cast<double>(LoadUnaligned<int64_t>(slot)) * std::pow(10.0, descr.Scale));
      else
        std::memcpy(buffer, slot, 8);
      break;
    case kSQLText:
    case kSQLVarying: ReadText(descr, field, slot, buffer); break;
    case kSQLBoolean:
    case kSQLFBBoolean:
      std::memcpy(buffer, slot, static_cast<size_t>(std::min<int>(descr.DataSize, field->DataSize())));
      break;
    default:
      // Doubles, dates, times, time stamps, blob and array ids: as stored.
      std::memcpy(buffer, slot, static_cast<size_t>(std::min<int>(descr.DataSize, field->DataSize())));
      break;
  }
  return true;
}

void TFIBCustomDataSet::ReadText(const TFIBFieldDescr& descr, classlib::TField* field,
                                 const uint8_t* slot, void* buffer) {
  char* out = static_cast<char*>(buffer);
  if (descr.ValueKind == vkGuid) {
    std::memcpy(out, slot, static_cast<size_t>(std::min<int>(descr.DataSize, field->DataSize())));
    return;
  }
  const char* text = reinterpret_cast<const char*>(slot);
  size_t length;
  if (descr.IsString) {
    length = static_cast<size_t>(std::clamp<int32_t>(LoadUnaligned<int32_t>(slot), 0, descr.DataSize));
    text += kTextLengthSize;
  } else if (descr.IsDBKey) {
    length = descr.DataSize;
  } else {
    length = strnlen(text, static_cast<size_t>(descr.DataSize));
  }
  if (options_.Contains(poTrimCharFields) && !descr.IsDBKey)
    while (length > 0 && text[length - 1] == ' ') --length;
  std::string converted;
  if (descr.ValueKind == vkWideString && !unicode_connection_) {
    // Wide fields read UTF-8; this connection delivered ANSI text.
    converted = classlib::Utf16ToUtf8(classlib::AnsiToWide(std::string_view(text, length)));
    text = converted.data();
    length = converted.size();
  }
  const size_t capacity = static_cast<size_t>(field->DataSize());
  if (capacity == 0) return;
  if (length > capacity - 1) {
    if (descr.ValueKind != vkWideString)
      RaiseClientError(74, {FullComponentName(this), field->FieldName()});
    length = capacity - 1;
  }
  std::memcpy(out, text, length);
  out[length] = 0;
}

// ---- writing field data ----

void TFIBCustomDataSet::SetFieldData(classlib::TField* field, const void* buffer) {
  if (field->FieldKind() != classlib::fkData) {
    TDataSet::SetFieldData(field, buffer);
    return;
  }
  const TFIBFieldDescr* descr = FieldDescr(field);
  if (descr == nullptr)
    classlib::DatabaseError(classlib::FormatMessage("Field '%s' cannot be modified",
                                                    {field->DisplayName()}), this);
  CheckCanModify();
  field->Validate(buffer);
  classlib::TRecordBuffer record = ActiveBuffer();
  if (record == nullptr) RaiseClientError(49);
  bool null = buffer == nullptr;
  if (!null && IsTextColumn(descr->FieldType) && descr->ValueKind != vkGuid) {
    auto* string_field = dynamic_cast<TFIBStringField*>(field);
    // A NOT NULL column keeps the empty text: NULL would only fail there.
    if (string_field != nullptr && string_field->EmptyStrToNull() && descr->IsNullable &&
        static_cast<const char*>(buffer)[0] == 0)
      null = true;
  }
  if (WritingState() == classlib::dsEdit) SaveOldVersion();
  record[NullFlagOffset(field->FieldNo() - 1)] = null ? 1 : 0;
  if (!null) WriteColumnValue(*descr, field, record, buffer);
  SetModified(true);
  if (State() != classlib::dsCalcFields && State() != classlib::dsFilter)
    DataEvent(classlib::deFieldChange, reinterpret_cast<intptr_t>(field));
  if (OnFieldChange) OnFieldChange(field);
}

void TFIBCustomDataSet::WriteColumnValue(const TFIBFieldDescr& descr, classlib::TField* field,
                                         classlib::TRecordBuffer record, const void* buffer) {
  uint8_t* slot = record + descr.Offset;
  const classlib::TFieldType type = field->DataType();
  switch (descr.FieldType) {
    case kSQLShort:
    case kSQLLong: {
      int64_t value;
      if (type == classlib::ftBoolean) {
        std::memset(slot, 0, descr.DataSize);
        std::memcpy(slot, buffer, static_cast<size_t>(std::min<int>(descr.DataSize, field->DataSize())));
        break;
      }
      if (descr.Scale < 0)
        value = std::llround(LoadUnaligned<double>(buffer) * std::pow(10.0, -descr.Scale));
      else
        value = LoadInteger(type, buffer);
      if (descr.FieldType == kSQLShort)
        StoreUnaligned<int16_t>(slot, static_cast<int16_t>(value));
      else
        StoreUnaligned<int32_t>(slot, static_cast<int32_t>(value));
      break;
    }
    case kSQLFloat: StoreUnaligned<float>(slot, static_cast<float>(LoadUnaligned<double>(buffer))); break;
    case kSQLInt64:
      if (type == classlib::ftFloat && descr.Scale < 0 &&
          (descr.Scale >= -4 || prepare_options_.Contains(psSQLINT64ToBCD)))
        StoreUnaligned<int64_t>(slot, std::llround(LoadUnaligned<double>(buffer) * std::pow(10.0, -descr.Scale)));
      else
        std::memcpy(slot, buffer, 8);
      break;
    case kSQLText:
    case kSQLVarying: WriteText(descr, field, slot, buffer); break;
    default:
      std::memcpy(slot, buffer, static_cast<size_t>(std::min<int>(descr.DataSize, field->DataSize())));
      break;
  }
}

void TFIBCustomDataSet::WriteText(const TFIBFieldDescr& descr, classlib::TField* field,
                                  uint8_t* slot, const void* buffer) {
  const size_t width = descr.DataSize;
  if (descr.ValueKind == vkGuid) {
    std::memset(slot, 0, width);
    std::memcpy(slot, buffer, std::min<size_t>(width, static_cast<size_t>(field->DataSize())));
    return;
  }
  const char* text = static_cast<const char*>(buffer);
  size_t length = strnlen(text, static_cast<size_t>(field->DataSize()));
  std::string converted;
  if (descr.ValueKind == vkWideString && !unicode_connection_) {
    converted = classlib::WideToAnsi(classlib::Utf8ToUtf16(std::string_view(text, length)));
    text = converted.data();
    length = converted.size();
  }
  if (options_.Contains(poTrimCharFields))
    while (length > 0 && text[length - 1] == ' ') --length;
  length = std::min(length, width);
  uint8_t* target = slot;
  if (descr.IsString) {
    StoreUnaligned<int32_t>(slot, static_cast<int32_t>(length));
    target += kTextLengthSize;
  }
  std::memcpy(target, text, length);
  std::memset(target + length, 0, width - length);
}

// ---- conversions and state values ----

void TFIBCustomDataSet::DataConvert(classlib::TField* field, const void* source, void* dest,
                                    bool to_native) {
  if (field->DataType() != classlib::ftWideString) {
    TDataSet::DataConvert(field, source, dest, to_native);
    return;
  }
  // The native form of a wide string is UTF-8 with a terminator.
  if (to_native) {
    const auto* wide = static_cast<const classlib::WideString*>(source);
    const std::string utf8 =
        FitText(classlib::Utf16ToUtf8(*wide), static_cast<size_t>(field->DataSize() - 1), true);
    std::memcpy(dest, utf8.data(), utf8.size());
    static_cast<char*>(dest)[utf8.size()] = 0;
  } else {
    *static_cast<classlib::WideString*>(dest) =
        classlib::Utf8ToUtf16(static_cast<const char*>(source));
  }
}

classlib::Variant TFIBCustomDataSet::GetStateFieldValue(classlib::TDataSetState state,
                                                        classlib::TField* field) {
  if (state == classlib::dsOldValue && State() == classlib::dsInsert) return classlib::Null();
  if (field->FieldKind() == classlib::fkCalculated || field->FieldKind() == classlib::fkLookup) {
    if (state != classlib::dsOldValue) return field->Value();
    StateSwitch in_old(*this, classlib::dsOldValue);
    return field->Value();
  }
  return TDataSet::GetStateFieldValue(state, field);
}

void TFIBCustomDataSet::SetStateFieldValue(classlib::TDataSetState state, classlib::TField* field,
                                           const classlib::Variant& value) {
  // The checks of the write see the state the value is set from.
  const classlib::TDataSetState saved = value_state_from_;
  if (State() != classlib::dsOldValue && State() != classlib::dsNewValue) value_state_from_ = State();
  try {
    TDataSet::SetStateFieldValue(state, field, value);
  } catch (...) {
    value_state_from_ = saved;
    throw;
  }
  value_state_from_ = saved;
}

[[gnu::hot]] void TFIBCustomDataSet::GetCalcFields(classlib::TRecordBuffer buffer) {
  if (!CalcFieldsNeeded()) return;
  if (!cache_calc_fields_) {
    TDataSet::GetCalcFields(buffer);
    return;
  }
  if ((StatusOf(buffer) & kCalcCachedBit) != 0) return;
  TDataSet::GetCalcFields(buffer);
  SetStatusOf(buffer, StatusOf(buffer) | kCalcCachedBit);
  const int index = RecordIndexOf(buffer);
  if (HoldsRecord(index)) WriteRecordToCache(index, buffer);
}

bool TFIBCustomDataSet::GetCurrentRecord(classlib::TRecordBuffer buffer) {
  if (IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != classlib::bfCurrent) return false;
  UpdateCursorPos();
  ReadRecordFromCache(current_index_, buffer, false);
  return true;
}

classlib::TUpdateStatus TFIBCustomDataSet::UpdateStatus() const {
  classlib::TRecordBuffer buffer = Active() ? GetActiveRecBuf() : nullptr;
  if (buffer == nullptr) return classlib::usUnmodified;
  switch (StatusOf(buffer) & kStatusMask) {
    case cusModified: return classlib::usModified;
    case cusInserted: return classlib::usInserted;
    case cusDeleted:
    case cusUninserted: return classlib::usDeleted;
    default: return classlib::usUnmodified;
  }
}

bool TFIBCustomDataSet::IsDBKeyField(const classlib::TField* field) const {
  const TFIBFieldDescr* descr = FieldDescr(field);
  return descr != nullptr && descr->IsDBKey;
}

int TFIBCustomDataSet::CompareFieldValues(classlib::TField* field, const classlib::Variant& s1,
                                          const classlib::Variant& s2) {
  if (OnCompareFieldValues) return OnCompareFieldValues(field, s1, s2);
  const bool null1 = classlib::VarIsNull(s1);
  const bool null2 = classlib::VarIsNull(s2);
  if (null1 || null2) return null1 == null2 ? 0 : (null1 ? -1 : 1);
  if (s1 == s2) return 0;
  return s1 < s2 ? -1 : 1;
}

// ---- blob streams by handle ----

uint32_t TFIBCustomDataSet::AddBlobStream(std::unique_ptr<TFIBBlobStream> stream) {
  if (blob_streams_.size() >= UINT32_MAX - 1 - blob_handle_base_)
    RaiseClientErrorMsg("%s: too many blob streams", {FullComponentName(this)});
  blob_streams_.push_back(std::move(stream));
  return blob_handle_base_ + static_cast<uint32_t>(blob_streams_.size());
}

TFIBBlobStream* TFIBCustomDataSet::BlobStreamByHandle(uint32_t handle) const {
  if (handle <= blob_handle_base_ || handle - blob_handle_base_ > blob_streams_.size())
    return nullptr;
  return blob_streams_[handle - blob_handle_base_ - 1].get();
}

void TFIBCustomDataSet::FreeBlobStream(uint32_t handle) {
  if (BlobStreamByHandle(handle) == nullptr) return;
  blob_streams_[handle - blob_handle_base_ - 1].reset();
}

void TFIBCustomDataSet::FreeAllBlobStreams() {
  blob_handle_base_ += static_cast<uint32_t>(blob_streams_.size());
  // Last first, as they were made.
  while (!blob_streams_.empty()) blob_streams_.pop_back();
}

uint8_t* TFIBCustomDataSet::BlobSlot(uint8_t* slot_area, const classlib::TField* field) const {
  if (slot_area == nullptr || field == nullptr) return nullptr;
  const int index = field->Index();
  if (index < 0 || index >= static_cast<int>(blob_slot_of_field_.size())) return nullptr;
  const int slot = blob_slot_of_field_[static_cast<size_t>(index)];
  return slot < 0 ? nullptr : slot_area + slot * kBlobSlotSize;
}

TFIBBlobStream* TFIBCustomDataSet::BlobStreamOf(classlib::TRecordBuffer buffer,
                                                const classlib::TField* field) const {
  if (buffer == nullptr || blob_slots_offset_ == 0) return nullptr;
  const uint8_t* slot = BlobSlot(buffer + blob_slots_offset_, field);
  return slot != nullptr ? BlobStreamByHandle(LoadUnaligned<uint32_t>(slot)) : nullptr;
}

void TFIBCustomDataSet::ReleaseBlobSlots(classlib::TRecordBuffer buffer) {
  ForgetBlobStreams(buffer + blob_slots_offset_);
}

void TFIBCustomDataSet::BlobStreamChanged(classlib::TField* field) {
  if (State() != classlib::dsCalcFields && State() != classlib::dsFilter)
    DataEvent(classlib::deFieldChange, reinterpret_cast<intptr_t>(field));
}

}  // namespace fib
