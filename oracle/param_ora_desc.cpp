// Parameter descriptors: buffers, indicators and typed items.
#include "oracle/param_ora_desc.h"

#include <algorithm>
#include <cstring>

#include "classlib/exceptions.h"
#include "dacore/blob.h"
#include "dacore/data_types.h"
#include "oracle/cursor_conversions.h"
#include "oracle/error_messages.h"
#include "oracle/lob_ora_file.h"
#include "oracle/param_ora_param.h"
#include "oracle/value_data_types.h"
#include "oracle/value_interval.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"

namespace oracle {

using classlib::Variant;
using namespace dacore;

namespace {

bool IsAnsiText(TDataType type) { return type == dtString || type == dtFixedChar; }
bool IsWideText(TDataType type) { return type == dtWideString || type == dtFixedWideChar; }
bool IsBytes(TDataType type) { return type == dtBytes || type == dtVarBytes; }
bool IsBlobType(TDataType type) {
  return type == dtBlob || type == dtMemo || type == dtWideMemo || type == dtOraBlob || type == dtOraClob;
}

std::string WithoutCr(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

[[noreturn]] void CannotConvert() { throw classlib::EConvertError("Cannot convert type"); }

dacore::TSharedObject* NewItemObject(TDataType type) {
  if (type == dtInt64 || type == dtNumber) return new TOraNumber;
  if (type >= dtTimeStamp && type <= dtTimeStampLTZ) return new TOraTimeStamp(type);
  return new TOraInterval(type);
}

sb2* ObjectIndicator(dacore::TSharedObject* object) {
  if (auto* number = dynamic_cast<TOraNumber*>(object)) return number->IndicatorCell();
  if (auto* value = dynamic_cast<TOraDescriptorValue*>(object)) return value->IndicatorCell();
  return nullptr;
}

}  // namespace

int32_t FixedItemSize(TDataType type) {
  switch (type) {
    case dtUnknown:
    case dtString: case dtBytes: case dtVarBytes: case dtWideString:
    case dtFixedChar: case dtFixedWideChar:
      return 0;
    case dtInt32: case dtBoolean: return 4;
    case dtFloat: return 8;
    case dtDateTime: return 7;
    case dtInt64: case dtNumber: return 22;
    // A descriptor's address: pointer-sized.
    case dtTimeStamp: case dtTimeStampTZ: case dtTimeStampLTZ:
    case dtIntervalYM: case dtIntervalDS: return static_cast<int32_t>(sizeof(void*));
    case dtBlob: case dtMemo: case dtObject: case dtReference: case dtArray: case dtTable:
    case dtWideMemo: case dtCursor: case dtOraBlob: case dtOraClob: case dtBFile: case dtCFile:
    case dtLabel: case dtXML:
      return 0;
    default:
      classlib::Assert(false, "OraClasses", __LINE__, "Unknown data type");
      return 0;
  }
}

bool IsItemObjectType(TDataType type) {
  return type == dtInt64 || type == dtNumber || (type >= dtTimeStamp && type <= dtIntervalDS);
}

TOraParamDesc::TOraParamDesc() : indicator_ptr_(&indicator_cell_) { is_null_ = true; }

TOraParamDesc::~TOraParamDesc() {
  if (bound_param_) bound_param_->SetBoundDesc(nullptr);
  FreeBuffer();
}

void TOraParamDesc::SetDataType(TDataType value) {
  if (value == data_type_) return;
  FreeBuffer();
  data_type_ = value;
  AllocBuffer();
}

void TOraParamDesc::SetSize(int32_t value) {
  if (value == size_) return;
  FreeBuffer();
  size_ = value;
  AllocBuffer();
}

void TOraParamDesc::SetArrayLength(int32_t value) {
  if (value < 1) value = 1;
  if (value == array_length_) return;
  FreeBuffer();
  array_length_ = value;
  AllocBuffer();
}

void TOraParamDesc::AllocBuffer() {
  const TDataType type = data_type_;
  if (IsAnsiText(type))
    item_size_ = std::max(size_ + 1, 2);
  else if (IsWideText(type))
    // Two bytes a character and a zero word, so that a bind of the declared
    // length never reaches past the item.
    item_size_ = std::max(2 * size_ + 2, 4);
  else if (IsBytes(type))
    item_size_ = size_ + 2;
  else
    item_size_ = FixedItemSize(type);
  if (item_size_ > 0) buffer_.assign(static_cast<size_t>(item_size_) * array_length_, 0);
  if (array_length_ > 1 && IsItemObjectType(type)) {
    item_objects_.resize(static_cast<size_t>(array_length_));
    for (auto& object : item_objects_) object = NewItemObject(type);
  }
  indicator_cell_ = -1;
  if (array_length_ > 1) {
    indicators_.assign(static_cast<size_t>(array_length_), -1);
    indicator_ptr_ = indicators_.data();
  } else {
    indicator_ptr_ = &indicator_cell_;
  }
}

void TOraParamDesc::FreeBuffer() {
  for (auto* object : item_objects_) ReleaseShared(object);
  item_objects_.clear();
  buffer_.clear();
  buffer_.shrink_to_fit();
  item_size_ = 0;
  indicators_.clear();
  indicator_ptr_ = &indicator_cell_;
  if (value_.VType() == classlib::varObjectRef)
    if (auto* shared = dynamic_cast<TSharedObject*>(value_.AsObject())) shared->Release();
  value_ = Variant();
  BoundSize = 0;
  BoundHandle = nullptr;
}

// A typed setter on a descriptor whose buffers were built for another type:
// never write past an item.
void TOraParamDesc::EnsureItemSize(int32_t size) {
  if (item_size_ >= size) return;
  const TDataType type = data_type_;
  FreeBuffer();
  data_type_ = type;
  AllocBuffer();
}

bool TOraParamDesc::HasItemObjects() const { return !item_objects_.empty(); }

void TOraParamDesc::CheckIndex(int i) const {
  if (i < 1 || i > array_length_) throw classlib::ERangeError(messages::kArrayIndexRange);
}

sb2 TOraParamDesc::GetIndicator(int i) const {
  CheckIndex(i);
  if (data_type_ == dtCursor) return 0;
  return indicator_ptr_[i - 1];
}

void TOraParamDesc::SetIndicator(int i, sb2 value) {
  CheckIndex(i);
  indicator_ptr_[i - 1] = value;
}

bool TOraParamDesc::GetItemNull(int i) const { return GetIndicator(i) < 0; }

void TOraParamDesc::SetItemNull(int i, bool value) {
  CheckIndex(i);
  if (!value) {
    indicator_ptr_[i - 1] = 0;
    is_null_ = false;
    return;
  }
  indicator_ptr_[i - 1] = -1;
  MaxItemLength = 0;
  if (i == 1) is_null_ = true;
  const TDataType type = data_type_;
  if (item_size_ > 0 && !buffer_.empty()) {
    uint8_t* item = ItemPtr(i);
    if (IsAnsiText(type)) item[0] = 0;
    else if (type == dtInt32 || type == dtBoolean || type == dtFloat || type == dtDateTime)
      std::memset(item, 0, static_cast<size_t>(item_size_));
    else if (IsBytes(type) || IsWideText(type)) item[0] = item[1] = 0;
  }
  if (IsBlobType(type))
    if (auto* blob = dynamic_cast<TBlob*>(GetObject())) blob->Clear();
  if (HasItemObjects() || (i == 1 && IsItemObjectType(type)))
    if (sb2* indicator = ObjectIndicator(GetItemObject(i))) *indicator = -1;
}

// ---- Typed items -------------------------------------------------------------

classlib::TDateTime TOraParamDesc::GetItemAsDateTime(int i) {
  CheckIndex(i);
  classlib::TDateTime value = 0;
  if (GetItemNull(i) || buffer_.empty() || !OraDateToDateTime(ItemPtr(i), value)) return 0;
  return value;
}

void TOraParamDesc::SetItemAsDateTime(int i, classlib::TDateTime value) {
  CheckIndex(i);
  MarkType(dtDateTime);
  EnsureItemSize(7);
  DateTimeToOraDate(value, ItemPtr(i));
  SetItemNull(i, false);
}

double TOraParamDesc::GetItemAsFloat(int i) {
  CheckIndex(i);
  if (GetItemNull(i) || buffer_.empty()) return 0;
  double value;
  std::memcpy(&value, ItemPtr(i), sizeof value);
  return value;
}

void TOraParamDesc::SetItemAsFloat(int i, double value) {
  CheckIndex(i);
  MarkType(dtFloat);
  EnsureItemSize(8);
  std::memcpy(ItemPtr(i), &value, sizeof value);
  SetItemNull(i, false);
}

int32_t TOraParamDesc::GetItemAsInteger(int i) {
  CheckIndex(i);
  if (GetItemNull(i) || buffer_.empty()) return 0;
  int32_t value;
  std::memcpy(&value, ItemPtr(i), sizeof value);
  return value;
}

void TOraParamDesc::SetItemAsInteger(int i, int32_t value) {
  CheckIndex(i);
  MarkType(dtInt32);
  EnsureItemSize(4);
  std::memcpy(ItemPtr(i), &value, sizeof value);
  SetItemNull(i, false);
}

bool TOraParamDesc::GetItemAsBoolean(int i) { return GetItemAsInteger(i) != 0; }

void TOraParamDesc::SetItemAsBoolean(int i, bool value) {
  SetItemAsInteger(i, value ? 1 : 0);
  MarkType(dtBoolean);
}

TSharedObject* TOraParamDesc::NumberObject(int i) {
  CheckIndex(i);
  if (!GetItemObject(i)) {
    auto* number = new TOraNumber;
    SetItemObject(i, number);
    number->Release();
  }
  return GetItemObject(i);
}

int64_t TOraParamDesc::GetItemAsLargeInt(int i) {
  CheckIndex(i);
  auto* number = dynamic_cast<TOraNumber*>(GetItemObject(i));
  if (!number || number->IsNull()) return 0;
  return number->AsLargeInt();
}

void TOraParamDesc::SetItemAsLargeInt(int i, int64_t value) {
  if (!IsItemObjectType(data_type_)) MarkType(dtInt64);
  auto* number = dynamic_cast<TOraNumber*>(NumberObject(i));
  if (!number) CannotConvert();
  number->SetAsLargeInt(value);
  SetItemNull(i, false);
}

void TOraParamDesc::StoreText(int i, const std::string& text) {
  std::string value = GetConvertEOL() ? WithoutCr(text) : text;
  const size_t room = static_cast<size_t>(item_size_ - 1);
  if (value.size() > room) value.resize(room);
  std::memcpy(ItemPtr(i), value.data(), value.size());
  ItemPtr(i)[value.size()] = 0;
  const int32_t length = static_cast<int32_t>(value.size());
  MaxItemLength = array_length_ > 1 ? std::max(MaxItemLength, length) : length;
}

std::string TOraParamDesc::GetItemAsString(int i) {
  CheckIndex(i);
  if (GetItemNull(i) || buffer_.empty()) return "";
  std::string text;
  if (IsWideText(data_type_)) {
    text = classlib::WideToAnsi(GetItemAsWideString(i));
  } else {
    const char* item = reinterpret_cast<const char*>(ItemPtr(i));
    text.assign(item, strnlen(item, static_cast<size_t>(item_size_)));
  }
  return GetConvertEOL() ? WithCrLf(text) : text;
}

void TOraParamDesc::SetItemAsString(int i, const std::string& value) {
  CheckIndex(i);
  if (IsWideText(data_type_)) return SetItemAsWideString(i, classlib::AnsiToWide(value));
  if (data_type_ != dtFixedChar) MarkType(dtString);
  EnsureItemSize(2);
  if (value.empty()) return SetItemNull(i, true);
  StoreText(i, value);
  SetItemNull(i, false);
}

void TOraParamDesc::StoreWideText(int i, const classlib::WideString& text) {
  classlib::WideString value = text;
  const size_t room = static_cast<size_t>((item_size_ - 2) / 2);
  if (value.size() > room) value.resize(room);
  std::memcpy(ItemPtr(i), value.data(), value.size() * 2);
  ItemPtr(i)[value.size() * 2] = ItemPtr(i)[value.size() * 2 + 1] = 0;
  const int32_t length = static_cast<int32_t>(value.size());
  MaxItemLength = array_length_ > 1 ? std::max(MaxItemLength, length) : length;
}

classlib::WideString TOraParamDesc::GetItemAsWideString(int i) {
  CheckIndex(i);
  if (GetItemNull(i) || buffer_.empty()) return {};
  if (!IsWideText(data_type_)) return classlib::AnsiToWide(GetItemAsString(i));
  const uint8_t* item = ItemPtr(i);
  classlib::WideString text;
  for (int32_t at = 0; at + 1 < item_size_; at += 2) {
    const char16_t c = static_cast<char16_t>(item[at] | (item[at + 1] << 8));
    if (c == 0) break;
    text += c;
  }
  return text;
}

void TOraParamDesc::SetItemAsWideString(int i, const classlib::WideString& value) {
  CheckIndex(i);
  if (!IsWideText(data_type_)) return SetItemAsString(i, classlib::WideToAnsi(value));
  EnsureItemSize(4);
  if (value.empty()) return SetItemNull(i, true);
  StoreWideText(i, value);
  SetItemNull(i, false);
}

void TOraParamDesc::StoreBytes(int i, const uint8_t* bytes, size_t count) {
  count = std::min(count, static_cast<size_t>(std::max(item_size_ - 2, 0)));
  const uint16_t length = static_cast<uint16_t>(count);
  std::memcpy(ItemPtr(i), &length, 2);
  if (count) std::memcpy(ItemPtr(i) + 2, bytes, count);
  SetItemNull(i, false);
}

classlib::Variant TOraParamDesc::GetItemAsVariant(int i) {
  CheckIndex(i);
  const TDataType type = data_type_;
  if (GetItemNull(i)) return type == dtString ? Variant(std::string()) : Variant::Null();
  switch (type) {
    case dtUnknown: return Variant();
    case dtString: case dtFixedChar: return Variant(GetItemAsString(i));
    case dtInt32: return Variant(GetItemAsInteger(i));
    case dtFloat: return Variant(GetItemAsFloat(i));
    case dtDateTime: {
      // Bytes that hold no date read as null, as a fetched DATE's do.
      classlib::TDateTime value = 0;
      if (buffer_.empty() || !OraDateToDateTime(ItemPtr(i), value)) return Variant::Null();
      return Variant::FromDate(value);
    }
    case dtBoolean: return Variant(GetItemAsBoolean(i));
    case dtInt64: case dtNumber: return Variant(static_cast<long long>(GetItemAsLargeInt(i)));
    case dtBlob: case dtMemo: case dtWideMemo: {
      auto* blob = dynamic_cast<TBlob*>(GetObject());
      if (!blob) return Variant::Null();
      return blob->IsUnicode() ? Variant(blob->GetAsWideString()) : Variant(blob->GetAsString());
    }
    case dtBytes: case dtVarBytes: {
      uint16_t length;
      std::memcpy(&length, ItemPtr(i), 2);
      Variant bytes = classlib::VarArrayCreate({0, length - 1}, classlib::varByte);
      if (length) {
        std::memcpy(classlib::VarArrayLock(bytes), ItemPtr(i) + 2, length);
        classlib::VarArrayUnlock(bytes);
      }
      return bytes;
    }
    case dtWideString: case dtFixedWideChar: return Variant(GetItemAsWideString(i));
    default: return Variant::Null();
  }
}

void TOraParamDesc::SetItemAsVariant(int i, const classlib::Variant& value) {
  CheckIndex(i);
  if (classlib::VarIsEmpty(value) || classlib::VarIsNull(value)) return SetItemNull(i, true);
  const classlib::TVarType vtype = value.VType();
  if (data_type_ == dtUnknown) {
    if (classlib::VarIsStr(value)) {
      SetDataType(dtString);
      SetSize(static_cast<int32_t>(value.AsString().size()));
    } else if (vtype == classlib::varByte || vtype == classlib::varSmallint || vtype == classlib::varInteger) {
      SetDataType(dtInt32);
    } else if (vtype == classlib::varSingle || vtype == classlib::varDouble || vtype == classlib::varCurrency) {
      SetDataType(dtFloat);
    } else if (vtype == classlib::varDate) {
      SetDataType(dtDateTime);
    } else {
      throw classlib::EConvertError("Unknown data type");
    }
  }
  switch (data_type_) {
    case dtString: case dtFixedChar:
      return SetItemAsString(i, value.AsString());
    case dtInt32:
      if (!classlib::VarIsNumeric(value) && !classlib::VarIsStr(value)) CannotConvert();
      return SetItemAsInteger(i, value.AsInteger());
    case dtFloat:
      if (!classlib::VarIsNumeric(value) && !classlib::VarIsStr(value)) CannotConvert();
      return SetItemAsFloat(i, value.AsDouble());
    case dtDateTime:
      return SetItemAsDateTime(i, value.AsDate());
    case dtBoolean:
      if (classlib::VarIsNumeric(value)) return SetItemAsBoolean(i, value.AsDouble() != 0);
      return SetItemAsBoolean(i, value.AsBoolean());
    case dtInt64: case dtNumber:
    case dtTimeStamp: case dtTimeStampTZ: case dtTimeStampLTZ: case dtIntervalYM: case dtIntervalDS:
      if (vtype == classlib::varObjectRef) {
        auto* object = dynamic_cast<TSharedObject*>(value.AsObject());
        if (!object) CannotConvert();
        SetItemObject(i, object);
        if (sb2* indicator = ObjectIndicator(object)) SetIndicator(i, *indicator);
        return;
      }
      if (vtype != classlib::varInt64 || (data_type_ >= dtTimeStamp && data_type_ <= dtIntervalDS)) CannotConvert();
      return SetItemAsLargeInt(i, value.AsInt64());
    case dtBytes: case dtVarBytes:
      if (classlib::VarIsStr(value)) {
        const std::string text = value.AsString();
        return StoreBytes(i, reinterpret_cast<const uint8_t*>(text.data()), text.size());
      }
      if (vtype == (classlib::varArray | classlib::varByte)) {
        Variant copy = value;
        const int count = classlib::VarArrayHighBound(copy, 1) - classlib::VarArrayLowBound(copy, 1) + 1;
        StoreBytes(i, static_cast<const uint8_t*>(classlib::VarArrayLock(copy)), static_cast<size_t>(count));
        classlib::VarArrayUnlock(copy);
        return;
      }
      CannotConvert();
    case dtWideString: case dtFixedWideChar:
      return SetItemAsWideString(i, value.AsOleStr());
    default:
      CannotConvert();
  }
}

// ---- The whole value and the value objects -----------------------------------

classlib::Variant TOraParamDesc::GetValue() {
  if (array_length_ < 2) return GetItemAsVariant(1);
  Variant items = classlib::VarArrayCreate({1, array_length_}, classlib::varVariant);
  for (int i = 1; i <= array_length_; ++i) classlib::VarArrayPut(items, GetItemAsVariant(i), {i});
  return items;
}

void TOraParamDesc::SetValue(const classlib::Variant& value) {
  const bool is_byte_array = value.VType() == (classlib::varArray | classlib::varByte);
  if (IsBytes(data_type_) && (is_byte_array || classlib::VarIsStr(value))) return SetItemAsVariant(1, value);
  if (classlib::VarIsArray(value) && !is_byte_array) {
    const int low = classlib::VarArrayLowBound(value, 1);
    const int high = classlib::VarArrayHighBound(value, 1);
    SetArrayLength(high);
    for (int i = std::max(low, 1); i <= high; ++i) SetItemAsVariant(i, classlib::VarArrayGet(value, {i}));
    return;
  }
  if (value.VType() == classlib::varObjectRef) return SetObject(value.AsObject());
  SetItemAsVariant(1, value);
}

classlib::TObject* TOraParamDesc::GetObject() {
  return value_.VType() == classlib::varObjectRef ? value_.AsObject() : nullptr;
}

void TOraParamDesc::SetObject(classlib::TObject* value) {
  if (value == GetObject()) return;
  FreeBuffer();
  auto* shared = dynamic_cast<TSharedObject*>(value);
  if (shared) shared->AddRef();
  value_ = Variant::FromObject(value);
  is_null_ = value == nullptr;
  if (array_length_ == 1 && IsItemObjectType(data_type_))
    if (sb2* indicator = ObjectIndicator(shared)) indicator_ptr_ = indicator;
}

TSharedObject* TOraParamDesc::GetItemObject(int i) {
  CheckIndex(i);
  if (HasItemObjects()) return item_objects_[static_cast<size_t>(i - 1)];
  return dynamic_cast<TSharedObject*>(GetObject());
}

void TOraParamDesc::SetItemObject(int i, TSharedObject* value) {
  CheckIndex(i);
  if (!HasItemObjects()) {
    // The single value object; the type stays as marked.
    const TDataType type = data_type_;
    SetObject(value);
    data_type_ = type;
    return;
  }
  TSharedObject*& slot = item_objects_[static_cast<size_t>(i - 1)];
  if (slot == value) return;
  if (value) value->AddRef();
  ReleaseShared(slot);
  slot = value;
}

void TOraParamDesc::UpdateIndicator() {
  const TDataType type = data_type_;
  auto* object = GetObject();
  sb2 indicator = 0;
  if (IsBlobType(type)) {
    auto* blob = dynamic_cast<TBlob*>(object);
    indicator = !blob || blob->GetSize() == 0 ? -1 : 0;
  } else if (type == dtBFile || type == dtCFile) {
    auto* file = dynamic_cast<TOraFile*>(object);
    indicator = !file || (file->FileDir().empty() && file->FileName().empty()) ? -1 : 0;
  } else if (type == dtCursor) {
    indicator = object ? 0 : -1;
  } else if (IsItemObjectType(type)) {
    return;  // the object's own indicator is bound
  } else if (item_size_ > 0 && buffer_.empty()) {
    indicator = -1;
  } else {
    return;
  }
  indicator_ptr_[0] = indicator;
}

void TOraParamDesc::ItemObjectsToBuffer() {
  if (!HasItemObjects() || buffer_.empty()) return;
  for (int i = 1; i <= array_length_; ++i) {
    TSharedObject* object = item_objects_[static_cast<size_t>(i - 1)];
    if (auto* number = dynamic_cast<TOraNumber*>(object)) {
      std::memcpy(ItemPtr(i), number->GetOCINumberPtr(), sizeof(OCINumber));
      indicator_ptr_[i - 1] = *number->IndicatorCell();
    } else if (auto* stamp = dynamic_cast<TOraTimeStamp*>(object)) {
      OCIDateTime* descriptor = stamp->GetOCIDateTime();
      std::memcpy(ItemPtr(i), &descriptor, sizeof descriptor);
      indicator_ptr_[i - 1] = *stamp->IndicatorCell();
    } else if (auto* interval = dynamic_cast<TOraInterval*>(object)) {
      OCIInterval* descriptor = interval->GetOCIInterval();
      std::memcpy(ItemPtr(i), &descriptor, sizeof descriptor);
      indicator_ptr_[i - 1] = *interval->IndicatorCell();
    }
  }
}

void TOraParamDesc::BufferToItemObjects() {
  if (!HasItemObjects() || buffer_.empty()) return;
  for (int i = 1; i <= array_length_; ++i) {
    TSharedObject* object = item_objects_[static_cast<size_t>(i - 1)];
    if (auto* number = dynamic_cast<TOraNumber*>(object))
      std::memcpy(number->GetOCINumberPtr(), ItemPtr(i), sizeof(OCINumber));
    if (sb2* indicator = ObjectIndicator(object)) *indicator = indicator_ptr_[i - 1];
  }
}

}  // namespace oracle
