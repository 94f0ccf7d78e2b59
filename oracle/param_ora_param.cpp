// Oracle parameters of the components: value objects, tables, national
// data and arrays.
#include "oracle/param_ora_param.h"

#include "classlib/exceptions.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_messages.h"
#include "oracle/error_raise.h"
#include "oracle/lob_ora_file.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_xml.h"
#include "oracle/param_ora_desc.h"
#include "oracle/value_data_types.h"
#include "oracle/value_interval.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"

namespace oracle {

using classlib::TFieldType;
using classlib::Variant;
using namespace classlib;

namespace {

bool IsTimeStampField(TFieldType type) {
  return type == ftTimeStamp || type == ftTimeStampTZ || type == ftTimeStampLTZ;
}
bool IsIntervalField(TFieldType type) { return type == ftIntervalYM || type == ftIntervalDS; }
// Types whose array items each hold a value object.
bool IsItemObjectField(TFieldType type) {
  return IsTimeStampField(type) || IsIntervalField(type) || type == ftNumber;
}

bool OneOf(TFieldType type, std::initializer_list<int> types) {
  for (int t : types)
    if (type == t) return true;
  return false;
}

dacore::TSharedObject* NewValueObject(TFieldType type) {
  const dacore::TDataType code = OraFieldTypeToDataType(type);
  if (IsTimeStampField(type)) return new TOraTimeStamp(code);
  if (IsIntervalField(type)) return new TOraInterval(code);
  return new TOraNumber;
}

std::string ObjectText(dacore::TSharedObject* object) {
  if (auto* stamp = dynamic_cast<TOraTimeStamp*>(object)) return stamp->IsNull() ? "" : stamp->AsString();
  if (auto* interval = dynamic_cast<TOraInterval*>(object)) return interval->IsNull() ? "" : interval->AsString();
  if (auto* number = dynamic_cast<TOraNumber*>(object)) return number->IsNull() ? "" : number->AsString();
  return "";
}

bool ObjectIsNull(dacore::TSharedObject* object) {
  if (auto* value = dynamic_cast<TOraDescriptorValue*>(object)) return value->IsNull();
  if (auto* number = dynamic_cast<TOraNumber*>(object)) return number->IsNull();
  return object == nullptr;
}

// Null or empty text makes the value null.
void SetObjectText(dacore::TSharedObject* object, const Variant& value) {
  const bool empty = VarIsNull(value) || VarIsEmpty(value);
  if (auto* stamp = dynamic_cast<TOraTimeStamp*>(object)) {
    if (empty) stamp->SetIsNull(true);
    else if (value.VType() == varDate) stamp->SetAsDateTime(value.AsDate());
    else stamp->SetAsString(VarToStr(value));
  } else if (auto* interval = dynamic_cast<TOraInterval*>(object)) {
    empty ? interval->SetIsNull(true) : interval->SetAsString(VarToStr(value));
  } else if (auto* number = dynamic_cast<TOraNumber*>(object)) {
    if (empty) number->SetIsNull(true);
    else if (value.VType() == varInt64) number->SetAsLargeInt(value.AsInt64());
    else if (VarIsOrdinal(value)) number->SetAsInteger(value.AsInteger());
    else if (VarIsFloat(value)) number->SetAsFloat(value.AsDouble());
    else number->SetAsString(VarToStr(value));
  }
}

// The core's codes of the class library's field types.
dacore::TDataType GenericDataType(TFieldType type) {
  switch (type) {
    case ftString: return dacore::dtString;
    case ftSmallint: return dacore::dtInt16;
    case ftInteger: case ftAutoInc: return dacore::dtInt32;
    case ftWord: return dacore::dtUInt16;
    case ftBoolean: return dacore::dtBoolean;
    case ftFloat: return dacore::dtFloat;
    case ftCurrency: return dacore::dtCurrency;
    case ftBCD: return dacore::dtBcd;
    case ftDate: return dacore::dtDate;
    case ftTime: return dacore::dtTime;
    case ftDateTime: return dacore::dtDateTime;
    case ftBytes: return dacore::dtBytes;
    case ftVarBytes: return dacore::dtVarBytes;
    case ftBlob: case ftGraphic: case ftTypedBinary: return dacore::dtBlob;
    case ftMemo: case ftFmtMemo: return dacore::dtMemo;
    case ftWideString: case ftFixedWideChar: return dacore::dtWideString;
    case ftADT: return dacore::dtObject;
    case ftArray: return dacore::dtArray;
    case ftReference: return dacore::dtReference;
    case ftDataSet: return dacore::dtTable;
    case ftVariant: return dacore::dtVariant;
    case ftGuid: return dacore::dtGuid;
    case ftFMTBcd: return dacore::dtFmtBcd;
    case ftWideMemo: return dacore::dtWideMemo;
    default: return dacore::dtUnknown;
  }
}

}  // namespace

dacore::TDataType OraFieldTypeToDataType(TFieldType type) {
  switch (static_cast<int>(type)) {
    case ftLargeint: return dacore::dtInt64;
    case 100: return dtBFile;
    case 101: return dtLabel;
    case 103: return dtIntervalYM;
    case 104: return dtIntervalDS;
    case 105: return dtTimeStampTZ;
    case 106: return dtTimeStampLTZ;
    case 107: return dtNumber;
    case 108: return dtXML;
    case 109: return dtFixedWideChar;
    case ftCursor: return dtCursor;
    case ftOraBlob: return dtOraBlob;
    case ftOraClob: return dtOraClob;
    case ftFixedChar: return dtFixedChar;
    case ftTimeStamp: return dtTimeStamp;
    default: return GenericDataType(type);
  }
}

TFieldType OraDataTypeToFieldType(dacore::TDataType type) {
  switch (type) {
    case dacore::dtInt64: return ftLargeint;
    case dtCursor: return ftCursor;
    case dtOraBlob: return ftOraBlob;
    case dtOraClob: return ftOraClob;
    case dtBFile: return ftBFile;
    case dtLabel: return ftLabel;
    case dtFixedChar: return ftFixedChar;
    case 108: return ftUnknown;
    case dtTimeStamp: return ftTimeStamp;
    case dtTimeStampTZ: return ftTimeStampTZ;
    case dtTimeStampLTZ: return ftTimeStampLTZ;
    case dtIntervalYM: return ftIntervalYM;
    case dtIntervalDS: return ftIntervalDS;
    case dtNumber: return ftNumber;
    case dtXML: return ftXML;
    case dtFixedWideChar: return ftOraFixedWideChar;
    default: return dacore::DataTypeToFieldType(type);
  }
}

TOraParam::TOraParam(classlib::TCollection* params) : TDAParam(params) {}

TOraParam::~TOraParam() {
  SetBoundDesc(nullptr);
  ReleaseItemObjects();
}

void TOraParam::SetBoundDesc(TOraParamDesc* desc) {
  if (desc == bound_desc_) return;
  if (bound_desc_) bound_desc_->bound_param_ = nullptr;
  bound_desc_ = desc;
  if (!desc) return;
  // A descriptor follows one parameter: the one written into it last.
  if (desc->bound_param_) desc->bound_param_->bound_desc_ = nullptr;
  desc->bound_param_ = this;
}

bool TOraParam::IsBlobDataType(TFieldType type) const {
  return OneOf(type, {ftBlob, ftMemo, ftOraBlob, ftOraClob, ftWideMemo, 100});
}

bool TOraParam::IsObjectDataType(TFieldType type) const {
  return OneOf(type, {ftBlob, ftMemo, ftCursor, ftOraBlob, ftOraClob, ftTimeStamp, ftWideMemo, 100,
                      103, 104, 105, 106, 107}) ||
         IsUserTypeField(type);
}

bool TOraParam::IsUserTypeField(TFieldType type) {
  return OneOf(type, {ftADT, ftArray, ftDataSet, ftReference, ftXML});
}

TOraObject* TOraParam::AsObject() const { return dynamic_cast<TOraObject*>(ParamObject()); }

// The value's class names the parameter's type; the parameter holds a
// reference to the value, which the caller keeps using (an output lands in it).
void TOraParam::SetAsObject(TOraObject* value) {
  TFieldType type = ftADT;
  if (dynamic_cast<TOraXML*>(value)) type = ftXML;
  else if (dynamic_cast<TOraRef*>(value)) type = ftReference;
  else if (dynamic_cast<TOraNestTable*>(value)) type = ftDataSet;
  else if (dynamic_cast<TOraArray*>(value)) type = ftArray;
  SetDataType(type);
  SetParamObject(value);
}

void TOraParam::CreateObject() {
  const TFieldType type = DataType();
  classlib::Assert(ParamObject() == nullptr, "Ora", __LINE__);
  dacore::TSharedObject* object = nullptr;
  if (IsUserTypeField(type)) {
    // Without a type yet: the caller names it (SetOraType, AllocObject).
    if (type == ftADT) object = new TOraObject;
    else if (type == ftArray) object = new TOraArray;
    else if (type == ftDataSet) object = new TOraNestTable;
    else if (type == ftReference) object = new TOraRef;
    else object = new TOraXML;
  } else if (type == ftCursor) {
    object = new TOraCursor;
  } else if (type == ftOraBlob || type == ftOraClob) {
    auto* lob = new TOraLob(nullptr);
    lob->SetLobType(type == ftOraBlob ? ltBlob : national_ ? ltNClob : ltClob);
    object = lob;
  } else if (type == ftBFile) {
    object = new TOraFile(nullptr);
  } else if (IsItemObjectField(type)) {
    if (Length() > 1) return ResizeItemObjects(Length());
    object = NewValueObject(type);
  } else {
    return TDAParam::CreateObject();
  }
  SetParamObject(object);
  object->Release();
}

void TOraParam::SetDataType(TFieldType type) {
  if (type == DataType()) return;
  const bool was_national = national_;
  national_ = false;
  ReleaseItemObjects();
  TDAParam::SetDataType(type);
  if (IsItemObjectField(type) && Length() > 1) ResizeItemObjects(Length());
  if (was_national) SetNational(true);
}

int TOraParam::Size() const {
  return OneOf(DataType(), {ftString, ftFixedChar, ftWideString, 109}) ? TDAParam::Size() : 0;
}

void TOraParam::SetTable(bool value) {
  if (value == table_) return;
  if (value && !OneOf(DataType(), {ftUnknown, ftString, ftInteger, ftFloat, ftDateTime, ftFixedChar,
                                   ftWideString, 109}))
    RaiseOraException(messages::kTypeNotInTable);
  if (!value && Length() > 1) SetLength(1);
  table_ = value;
}

void TOraParam::SetNational(bool value) {
  if (value == national_) return;
  if (value && !OneOf(DataType(), {ftUnknown, ftString, ftMemo, ftFixedChar, ftWideString, ftOraClob,
                                   ftWideMemo, 109}))
    RaiseOraException(messages::kWrongNationalType);
  national_ = value;
  if (auto* lob = dynamic_cast<TOraLob*>(ParamObject()); lob && DataType() == ftOraClob)
    lob->SetLobType(value ? ltNClob : ltClob);
}

int TOraParam::Length() const {
  const Variant& data = Data();
  if (data.VType() != (varArray | varVariant)) return 1;
  return VarArrayHighBound(data, 1);
}

bool TOraParam::HoldsItemObjects() const { return !item_objects_.empty(); }

void TOraParam::ReleaseItemObjects() {
  for (auto* object : item_objects_) dacore::ReleaseShared(object);
  item_objects_.clear();
}

void TOraParam::ResizeItemObjects(int count) {
  while (static_cast<int>(item_objects_.size()) > count) {
    dacore::ReleaseShared(item_objects_.back());
    item_objects_.pop_back();
  }
  while (static_cast<int>(item_objects_.size()) < count) item_objects_.push_back(NewValueObject(DataType()));
}

void TOraParam::SetLength(int value) {
  const int length = Length();
  if (value < 2) {
    if (length > 1) {
      const Variant first = ItemValue(1);
      ReleaseItemObjects();
      SetData(Variant());
      if (IsItemObjectField(DataType()) && !ParamObject()) CreateObject();
      if (IsItemObjectField(DataType())) SetObjectText(ParamObject(), first);
      else SetData(first);
    }
    SetBoundDesc(nullptr);
    return;
  }
  if (!OneOf(DataType(), {ftUnknown, ftString, ftInteger, ftFloat, ftDateTime, ftVarBytes, ftFixedChar,
                          ftWideString, 103, 104, ftTimeStamp, 105, 106, 109, 107}))
    RaiseOraException(messages::kTypeNotInDmlArray);
  if (length > 1) {
    Variant data = Data();
    VarArrayRedim(data, value);
    SetData(data);
  } else {
    Variant first = IsItemObjectField(DataType()) ? Variant(ObjectText(ParamObject())) : Data();
    if (IsItemObjectField(DataType()) && ObjectIsNull(ParamObject())) first = Variant::Null();
    Variant data = VarArrayCreate({1, value}, varVariant);
    VarArrayPut(data, first, {1});
    for (int i = 2; i <= value; ++i) VarArrayPut(data, Variant::Null(), {i});
    SetData(data);
    if (IsItemObjectField(DataType())) {
      ResizeItemObjects(value);
      SetObjectText(item_objects_[0], first);
    }
  }
  if (IsItemObjectField(DataType())) ResizeItemObjects(value);
  if (bound_desc_ && bound_desc_->GetArrayLength() != value) CopyItemsToDesc();
}

void TOraParam::CopyItemsToDesc() {
  const int length = Length();
  bound_desc_->SetArrayLength(length);
  for (int i = 1; i <= length; ++i) {
    if (HoldsItemObjects()) bound_desc_->SetItemAsVariant(i, Variant::FromObject(item_objects_[i - 1]));
    else bound_desc_->SetItemAsVariant(i, VarArrayGet(Data(), {i}));
  }
}

const Variant& TOraParam::AsArray() const {
  classlib::Assert(Length() > 1, "Ora", __LINE__, "Assertion: Param is not an array");
  return Data();
}

Variant TOraParam::ItemValue(int index) {
  if (index < 1) throw ERangeError(messages::kArrayIndexRange);
  if (Length() < 2) return Value();
  if (index > Length()) SetLength(index);
  if (HoldsItemObjects()) {
    dacore::TSharedObject* object = item_objects_[index - 1];
    if (!object) return Variant();
    return ObjectIsNull(object) ? Variant::Null() : Variant(ObjectText(object));
  }
  return VarArrayGet(Data(), {index});
}

void TOraParam::SetItemValue(int index, const Variant& value) {
  if (index < 1) throw ERangeError(messages::kArrayIndexRange);
  if (Length() < 2) return SetValue(value);
  if (index > Length()) SetLength(index);
  if (HoldsItemObjects()) {
    SetObjectText(item_objects_[index - 1], value);
    if (bound_desc_) bound_desc_->SetItemAsVariant(index, Variant::FromObject(item_objects_[index - 1]));
    return;
  }
  Variant data = Data();
  VarArrayPut(data, value, {index});
  SetData(data);
  if (bound_desc_) bound_desc_->SetItemAsVariant(index, value);
}

// ---- Values ----------------------------------------------------------------------

Variant TOraParam::Value() const {
  if (Length() > 1) return Data();
  if (IsItemObjectField(DataType())) {
    if (ObjectIsNull(ValueObject())) return Variant::Null();
    return Variant(ObjectText(ValueObject()));
  }
  if (DataType() == ftOraFixedWideChar) return Variant(TDAParam::AsWideString());
  return TDAParam::Value();
}

void TOraParam::SetValue(const Variant& value) {
  if (Length() > 1 && VarIsArray(value)) {
    SetData(value);
    if (HoldsItemObjects())
      for (int i = 1; i <= Length(); ++i) SetObjectText(item_objects_[i - 1], VarArrayGet(value, {i}));
    return;
  }
  if (IsItemObjectField(DataType()) && Length() < 2) {
    if (!ValueObject()) CreateObject();
    SetObjectText(ValueObject(), value);
    SetBound(true);
    return;
  }
  TDAParam::SetValue(value);
}

bool TOraParam::IsNull() const {
  if (IsItemObjectField(DataType()) && Length() < 2) return ObjectIsNull(ValueObject());
  if (DataType() == ftString && VarIsStr(Data()) && Data().AsString().empty()) return true;
  return TDAParam::IsNull();
}

void TOraParam::Clear() {
  dacore::TSharedObject* object = ValueObject();
  if (auto* cursor = dynamic_cast<TOraCursor*>(object)) return cursor->FreeCursor();
  if (auto* lob = dynamic_cast<TOraLob*>(object); lob && DataType() != ftBlob && DataType() != ftMemo &&
                                                  DataType() != ftWideMemo)
    return lob->FreeLob();
  if (IsItemObjectField(DataType()) && object) return SetObjectText(object, Variant::Null());
  TDAParam::Clear();
}

void TOraParam::ClearValueObject() {
  dacore::TSharedObject* object = ValueObject();
  if (auto* cursor = dynamic_cast<TOraCursor*>(object)) {
    cursor->FreeCursor();
  } else if (auto* lob = dynamic_cast<TOraLob*>(object)) {
    // The content stays: a later execute writes it into a new locator.
    lob->FreeLob();
    lob->SetOCISvcCtx(nullptr);
  } else if (auto* value = dynamic_cast<TOraObject*>(object)) {
    value->FreeObject();
  }
}

std::string TOraParam::AsString() const {
  if (IsItemObjectField(DataType()) && Length() < 2) return ObjectText(ValueObject());
  return TDAParam::AsString();
}

void TOraParam::SetAsString(const std::string& value) {
  if (IsItemObjectField(DataType()) && Length() < 2) return SetValue(Variant(value));
  TDAParam::SetAsString(value);
}

int32_t TOraParam::AsInteger() const {
  if (auto* number = dynamic_cast<TOraNumber*>(ValueObject()); number && DataType() == ftNumber)
    return number->IsNull() ? 0 : number->AsInteger();
  return TDAParam::AsInteger();
}

void TOraParam::SetAsInteger(int32_t value) {
  if (DataType() == ftNumber) return SetValue(Variant(value));
  TDAParam::SetAsInteger(value);
}

double TOraParam::AsFloat() const {
  if (auto* number = dynamic_cast<TOraNumber*>(ValueObject()); number && DataType() == ftNumber)
    return number->IsNull() ? 0 : number->AsFloat();
  return TDAParam::AsFloat();
}

void TOraParam::SetAsFloat(double value) {
  if (DataType() == ftNumber) return SetValue(Variant(value));
  TDAParam::SetAsFloat(value);
}

TSQLTimeStamp TOraParam::AsSQLTimeStamp() const {
  auto* stamp = dynamic_cast<TOraTimeStamp*>(ValueObject());
  if (!stamp) return TDAParam::AsSQLTimeStamp();
  TSQLTimeStamp result;
  if (stamp->IsNull()) return result;
  int year, month, day, hour, minute, second;
  uint32_t fraction;
  stamp->GetDate(year, month, day);
  stamp->GetTime(hour, minute, second, fraction);
  result.Year = static_cast<int16_t>(year);
  result.Month = static_cast<uint16_t>(month);
  result.Day = static_cast<uint16_t>(day);
  result.Hour = static_cast<uint16_t>(hour);
  result.Minute = static_cast<uint16_t>(minute);
  result.Second = static_cast<uint16_t>(second);
  result.Fractions = fraction / 1000000;
  return result;
}

void TOraParam::SetAsSQLTimeStamp(const TSQLTimeStamp& value) {
  if (!IsTimeStampField(DataType())) return TDAParam::SetAsSQLTimeStamp(value);
  auto* stamp = dynamic_cast<TOraTimeStamp*>(ValueObject());
  if (!stamp) return;
  if (value == TSQLTimeStamp{}) return stamp->SetIsNull(true);
  stamp->Construct(value.Year, value.Month, value.Day, value.Hour, value.Minute, value.Second,
                   value.Fractions * 1000000, "");
  SetBound(true);
}

// ---- Value objects ----------------------------------------------------------------

namespace {

template <class T>
T* TypedObject(TOraParam& param, TFieldType type, dacore::TSharedObject* object) {
  if (param.DataType() == ftUnknown) param.SetDataType(type);
  return dynamic_cast<T*>(object ? object : param.ParamObject());
}

}  // namespace

TOraCursor* TOraParam::AsCursor() { return TypedObject<TOraCursor>(*this, ftCursor, nullptr); }

TOraLob* TOraParam::AsOraBlob() {
  return DataType() == ftOraBlob || DataType() == ftUnknown ? TypedObject<TOraLob>(*this, ftOraBlob, nullptr)
                                                            : nullptr;
}

TOraLob* TOraParam::AsOraClob() {
  return DataType() == ftOraClob || DataType() == ftUnknown ? TypedObject<TOraLob>(*this, ftOraClob, nullptr)
                                                            : nullptr;
}

TOraFile* TOraParam::AsBFile() { return TypedObject<TOraFile>(*this, ftBFile, nullptr); }

TOraObject* TOraParam::AsOraObject() {
  if (DataType() != ftADT && DataType() != ftUnknown) return nullptr;
  return TypedObject<TOraObject>(*this, ftADT, nullptr);
}

TOraArray* TOraParam::AsOraArray() {
  if (DataType() != ftArray && DataType() != ftUnknown) return nullptr;
  return TypedObject<TOraArray>(*this, ftArray, nullptr);
}

TOraNestTable* TOraParam::AsOraNestTable() {
  if (DataType() != ftDataSet && DataType() != ftUnknown) return nullptr;
  return TypedObject<TOraNestTable>(*this, ftDataSet, nullptr);
}

TOraTimeStamp* TOraParam::AsTimeStamp() {
  return Length() > 1 ? nullptr : TypedObject<TOraTimeStamp>(*this, ftTimeStampTZ, nullptr);
}

TOraInterval* TOraParam::AsInterval() { return Length() > 1 ? nullptr : dynamic_cast<TOraInterval*>(ParamObject()); }

TOraNumber* TOraParam::AsNumber() { return Length() > 1 ? nullptr : dynamic_cast<TOraNumber*>(ParamObject()); }

void TOraParam::Assign(const classlib::TPersistent* source) {
  TDAParam::Assign(source);
  const auto* other = dynamic_cast<const TOraParam*>(source);
  if (!other) return;
  table_ = other->table_;
  national_ = other->national_;
  if (other->Length() > 1) {
    SetLength(other->Length());
    auto* from = const_cast<TOraParam*>(other);
    for (int i = 1; i <= other->Length(); ++i) SetItemValue(i, from->ItemValue(i));
  } else if (IsItemObjectField(DataType()) && other->ParamObject() && !ObjectIsNull(other->ParamObject())) {
    // A copy gets a value object of its own, not the source's.
    if (ParamObject() == other->ParamObject()) {
      SetParamObject(nullptr);
      SetData(Variant());
      CreateObject();
    }
    SetObjectText(ParamObject(), Variant(ObjectText(other->ParamObject())));
  }
}

// ---- TOraParams ---------------------------------------------------------------------

TOraParams::TOraParams(classlib::TPersistent* owner)
    : TDAParams(classlib::TCollectionItemClass::Of<TOraParam>(), owner) {}

// Runs while the session is still whole (before it ends): a temporary LOB
// is freed through it. A session already lost refuses; the disconnect goes on.
void TOraParams::ClearObjects() {
  for (int i = 0; i < Count(); ++i) {
    try {
      Items(i)->ClearValueObject();
    } catch (const classlib::Exception&) {
      // What the value held on the server went with the session.
    }
  }
}

}  // namespace oracle
