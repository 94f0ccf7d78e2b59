// Record stores over a REF's object and over a collection's elements.
#include "oracle/nested_record_stores.h"

#include <cstring>

#include "classlib/dataset.h"
#include "classlib/variant.h"
#include "dacore/field_expand.h"
#include "dacore/object_shared.h"
#include "oracle/call_entries_collections.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_type.h"
#include "oracle/object_ora_xml.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace dacore;

namespace {

// Holds one more reference to value and lets the former one go.
template <class T>
void ReplaceShared(T*& held, T* value) {
  if (held == value) return;
  if (value) value->AddRef();
  T* former = held;
  held = value;
  ReleaseShared(former);
}

TOraObject* NewObjectValue(TDataType t, TOraType* type) {
  if (t == dtReference) return new TOraRef(type);
  if (t == dtXML) return new TOraXML(type);
  if (type && type->DataType() == dtTable) return new TOraNestTable(type);
  if (type && type->DataType() == dtArray) return new TOraArray(type);
  return new TOraObject(type);
}

}  // namespace

// ---- Values of new records ------------------------------------------------------------

bool TOraObjectValuesStore::IsComplexFieldType(TDataType t) const {
  return TMemData::IsComplexFieldType(t) || IsObjectValueType(t) || t == dtXML;
}

bool TOraObjectValuesStore::IsBlobFieldType(TDataType t) const {
  return TMemData::IsBlobFieldType(t) || (t >= dtOraBlob && t <= dtCFile);
}

void TOraObjectValuesStore::CreateComplexField(TRecBuf rec, const TFieldDesc& field, bool with_blob) {
  const TDataType t = field.DataType();
  if (!IsObjectValueType(t) && t != dtXML) {
    TMemData::CreateComplexField(rec, field, with_blob);
    return;
  }
  TOraObject* source = SessionSource();
  TOraObject* value = NewObjectValue(t, static_cast<TOraType*>(field.ObjectType()));
  SetSlot(rec, field, value);
  if (source) value->SetOCISvcCtx(source->GetOCISvcCtx());
  if (t != dtReference) value->AllocObject();
}

// ---- The object behind a REF ----------------------------------------------------------

TRefData::~TRefData() {
  try {
    Close();
    SetRef(nullptr);
  } catch (...) {
    // A destructor cannot report; the REF and its pin go with their value.
    ReleaseShared(ref_);
    ref_ = nullptr;
  }
}

void TRefData::SetRef(TOraRef* ref) {
  if (ref == ref_) return;
  const bool pinned = pinned_;
  pinned_ = false;
  if (pinned && ref_ && ref_->Pinned()) ref_->Unpin();
  ReplaceShared(ref_, ref);
}

TOraObject* TRefData::SessionSource() const { return ref_; }

void TRefData::InternalPrepare() {
  if (!ref_) RaiseOraException("Reference is not defined");
  InitFields();
}

void TRefData::InternalInitFields() {
  auto* type = ref_ ? ref_->GetOraType() : nullptr;
  if (!type) return;
  auto root = GetFieldDescType();
  root->SetName("REF");
  root->SetActualName("REF");
  root->SetDataType(type->DataType());
  root->SetObjectType(type);
  root->SetSize(sizeof(void*));
  root->SetFieldNo(1);
  TFieldDesc* parent = Fields().Add(std::move(root));
  InitObjectFields(Fields(), type, parent);
}

void TRefData::InternalOpen() {
  if (!ref_) RaiseOraException("Reference is not defined");
  TMemData::InternalOpen();
  if (GetFieldCount() == 0) InitFields();
  if (ref_->GetIsNull()) return;
  if (!ref_->GetInstance()) {
    ref_->Pin();
    pinned_ = ref_->Pinned();
  }
  // A REF whose object is gone shows no record either.
  if (ref_->GetIsNull()) return;
  TRecBufHolder rec(static_cast<size_t>(RecordSize()));
  InitRecord(rec.buf);
  const TFieldDesc& root = *Fields().GetItems(0);
  ref_->AddRef();
  SetSlot(rec.buf, root, ref_);
  *NullPtr(rec.buf, root.FieldNo()) = 0;
  InternalAppend(rec.buf);
}

void TRefData::InternalClose() {
  TMemData::InternalClose();
  // The REF may have been pointed elsewhere since: its old pin went then.
  const bool pinned = pinned_;
  pinned_ = false;
  if (pinned && ref_ && ref_->Pinned()) ref_->Unpin();
}

void TRefData::Reopen() {
  Close();
  UnPrepare();
  Prepare();
  Open();
}

void TRefData::AppendRecord(TRecBuf) {
  classlib::DatabaseError("A reference shows one object: no record can be added to it");
}

void TRefData::InsertRecord(TRecBuf rec) { AppendRecord(rec); }

void TRefData::DeleteRecord() {
  classlib::DatabaseError("A reference shows one object: its record cannot be deleted");
}

// The edit has written the attributes into the object in the cache: its
// LOB attributes get their data, and it is marked changed and flushed,
// never deleted.
void TRefData::UpdateRecord(TRecBuf rec) {
  TMemData::UpdateRecord(rec);
  auto* object = static_cast<TOraObject*>(GetSlot(rec, *Fields().GetItems(0)));
  if (!object) return;
  object->MarkUpdate();
  object->Flush();
}

// ---- The elements of a collection -----------------------------------------------------

TTableData::~TTableData() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report: the records go with the store.
  }
  ReleaseShared(table_);
}

void TTableData::SetTable(TOraArray* table) { ReplaceShared(table_, table); }

TOraObject* TTableData::SessionSource() const { return table_; }

TDataType TTableData::ElementType() const {
  if (!table_ || !table_->GetOraType() || table_->GetOraType()->GetAttributeCount() < 1) return dtUnknown;
  return table_->GetOraType()->GetAttributes(0)->DataType();
}

bool TTableData::ChildElements() const {
  const TDataType t = ElementType();
  return t == dtObject || t == dtReference;
}

TOraObject* TTableData::ChildOf(int32_t index) {
  if (ElementType() == dtReference) return table_->ItemAsRef(index);
  return table_->ItemAsObject(index);
}

int32_t TTableData::ElementIndexOf(TRecBuf rec) const {
  int32_t index;
  std::memcpy(&index, static_cast<const uint8_t*>(rec) + DataSize() + GetFieldCount(), sizeof index);
  return index;
}

void TTableData::SetElementIndex(TRecBuf rec, int32_t index) const {
  std::memcpy(static_cast<uint8_t*>(rec) + DataSize() + GetFieldCount(), &index, sizeof index);
}

void TTableData::InternalInitFields() {
  if (!table_ || !table_->GetOraType() || table_->GetOraType()->GetAttributeCount() < 1) return;
  const TAttribute& element = *table_->GetOraType()->GetAttributes(0);
  auto field = GetFieldDescType();
  field->SetName(element.Name());
  field->SetActualName(element.Name());
  field->SetDataType(element.DataType());
  field->SetFieldNo(1);
  switch (element.DataType()) {
    case dtString:
      field->SetLength(element.Length());
      field->SetSize(static_cast<uint16_t>(element.Length() + 1));
      break;
    case dtInt32: field->SetSize(4); break;
    case dtFloat:
    case dtDateTime:
    case dtInt64: field->SetSize(8); break;
    case dtObject:
      // The element's attributes stand in for it.
      field->SetObjectType(element.ObjectType());
      field->SetHiddenObject(true);
      field->SetSize(sizeof(void*));
      break;
    case dtReference:
      field->SetObjectType(element.ObjectType());
      field->SetSize(sizeof(void*));
      break;
    default: RaiseOraException("Unknown data type");
  }
  TFieldDesc* parent = Fields().Add(std::move(field));
  if (parent->DataType() == dtObject) InitObjectFields(Fields(), parent->ObjectType(), parent);
}

void TTableData::InternalOpen() {
  TMemData::InternalOpen();
  if (GetFieldCount() == 0) InitFields();
  last_index_ = -1;
  // The collection is in the client's memory: every element is read now.
  while (Fetch()) {
  }
}

void TTableData::Reopen() {
  Close();
  Open();
}

bool TTableData::Fetch() {
  if (!table_) return false;
  table_->CheckAlloc(true);
  if (table_->GetIsNull()) return false;
  sb4 next = 0;
  boolean exists = 0;
  CheckOciStatus(OCITableNext(hOCIEnv, table_->GetOCIError(), last_index_,
                              static_cast<const OCIColl*>(table_->GetInstance()), &next, &exists),
                 table_->GetOCIError());
  if (!exists) return false;
  TRecBufHolder rec(static_cast<size_t>(RecordSize()));
  InitRecord(rec.buf);
  SetElementIndex(rec.buf, next);
  if (ChildElements()) {
    TOraObject* element = ChildOf(next);
    element->AddRef();
    SetSlot(rec.buf, *Fields().GetItems(0), element);
    *NullPtr(rec.buf, 1) = element->GetIsNull() ? 1 : 0;
  }
  ReadElement(rec.buf);
  last_index_ = next;
  InternalAppend(rec.buf);
  return true;
}

void TTableData::ReadElement(TRecBuf rec) {
  if (!table_ || ChildElements()) return;
  const TFieldDesc& field = *Fields().GetItems(0);
  const int32_t index = ElementIndexOf(rec);
  if (table_->ItemIsNull(index)) {
    TData::SetNull(1, rec, true);
    return;
  }
  classlib::Variant value;
  switch (field.DataType()) {
    case dtString: value = table_->ItemAsString(index).substr(0, field.Length()); break;
    case dtInt32: value = table_->ItemAsInteger(index); break;
    case dtFloat: value = table_->ItemAsFloat(index); break;
    case dtDateTime: value = classlib::Variant::FromDate(table_->ItemAsDateTime(index)); break;
    case dtInt64: value = static_cast<long long>(table_->ItemAsLargeInt(index)); break;
    default: RaiseOraException("Unknown data type");
  }
  PutFieldAsVariant(1, rec, value);
}

void TTableData::WriteElement(TRecBuf rec) {
  if (!table_) return;
  const TFieldDesc& field = *Fields().GetItems(0);
  const int32_t index = ElementIndexOf(rec);
  if (ChildElements()) {
    auto* object = static_cast<TOraObject*>(GetSlot(rec, field));
    TOraObject* element = ChildOf(index);
    // A record over the element's own value has written it already.
    if (!object || object == element) return;
    if (ElementType() == dtReference) element->Assign(*object);
    else table_->SetItemAsObject(index, *object);
    return;
  }
  if (GetNull(1, rec)) {
    table_->SetItemIsNull(index, true);
    return;
  }
  classlib::Variant value;
  GetFieldAsVariant(1, rec, value);
  switch (field.DataType()) {
    case dtString: table_->SetItemAsString(index, value.AsString()); break;
    case dtInt32: table_->SetItemAsInteger(index, value.AsInteger()); break;
    case dtFloat: table_->SetItemAsFloat(index, value.AsDouble()); break;
    case dtDateTime: table_->SetItemAsDateTime(index, value.AsDate()); break;
    case dtInt64: table_->SetItemAsLargeInt(index, value.AsInt64()); break;
    default: RaiseOraException("Unknown data type");
  }
}

void TTableData::GetRecord(TRecBuf rec) {
  TMemData::GetRecord(rec);
  if (rec && CurrentItem() && !GetBOF() && !GetEOF()) ReadElement(rec);
}

void TTableData::GetNextRecord(TRecBuf rec) {
  TMemData::GetNextRecord(rec);
  if (rec && CurrentItem() && !GetEOF()) ReadElement(rec);
}

void TTableData::GetPriorRecord(TRecBuf rec) {
  TMemData::GetPriorRecord(rec);
  if (rec && CurrentItem() && !GetBOF()) ReadElement(rec);
}

void TTableData::PutRecord(TRecBuf rec) {
  WriteElement(rec);
  if (table_ && ChildElements()) {
    const TFieldDesc& field = *Fields().GetItems(0);
    auto* edited = static_cast<TOraObject*>(GetSlot(rec, field));
    TOraObject* element = ChildOf(ElementIndexOf(rec));
    if (edited && edited != element) {
      element->AddRef();
      SetSlot(rec, field, element);
      ReleaseShared(edited);
    }
  }
  TMemData::PutRecord(rec);
}

void* TTableData::OwnEditedValue(const TFieldDesc& field, void* value) {
  if (!value || field.HasParent() || !ChildElements() || field.FieldNo() != 1)
    return TOraObjectValuesStore::OwnEditedValue(field, value);
  TRecBufHolder scratch(static_cast<size_t>(RecordSize()));
  std::memset(scratch.buf, 0, static_cast<size_t>(RecordSize()));
  CreateComplexField(scratch.buf, field, true);
  auto* copy = static_cast<TOraObject*>(GetSlot(scratch.buf, field));
  copy->Assign(*static_cast<TOraObject*>(value));
  return copy;
}

// A new record becomes a new element at the end of the collection.
void TTableData::DoOnInsertRecord(TRecBuf rec) {
  if (table_) {
    const int32_t index = table_->AppendItem() - 1;
    SetElementIndex(rec, index);
    if (ChildElements()) {
      const TFieldDesc& field = *Fields().GetItems(0);
      auto* object = static_cast<TOraObject*>(GetSlot(rec, field));
      TOraObject* element = ChildOf(index);
      if (object && ElementType() == dtReference) element->Assign(*object);
      else if (object) table_->SetItemAsObject(index, *object);
      // The record shows the element from now on, not the value it was made with.
      element->AddRef();
      SetSlot(rec, field, element);
      *NullPtr(rec, 1) = element->GetIsNull() ? 1 : 0;
      ReleaseShared(object);
    } else {
      WriteElement(rec);
    }
  }
  TMemData::DoOnInsertRecord(rec);
}

void TTableData::DoOnDeleteRecord(TRecBuf rec) {
  if (table_) {
    auto* nested = dynamic_cast<TOraNestTable*>(table_);
    if (!nested) RaiseOraException("Elements of a VARRAY cannot be deleted");
    nested->DeleteItem(ElementIndexOf(rec));
  }
  TMemData::DoOnDeleteRecord(rec);
}

}  // namespace oracle
