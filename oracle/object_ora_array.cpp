// Collection values: sizes, growth and trimming, typed element access and
// the child values of object and reference elements, nested tables with
// their deleted elements, and the element-by-element copy of nested tables.
#include "oracle/object_date.h"
#include "oracle/object_ora_array.h"

#include <algorithm>
#include <cstring>

#include "classlib/exceptions.h"
#include "oracle/call_entries_collections.h"
#include "oracle/call_entries_objects.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/object_ora_ref.h"

namespace oracle {

namespace {

bool IsNumberType(int type) {
  return type == dacore::dtInt32 || type == dacore::dtInt64 || type == dacore::dtFloat;
}

[[noreturn]] void CannotConvert(const char* target) {
  throw classlib::EConvertError(std::string("Cannot convert type to ") + target);
}

}  // namespace

// ---- TOraArray ------------------------------------------------------------

TOraArray::TOraArray(TOraType* object_type) : TOraObject(object_type) {}

TOraArray::~TOraArray() { ReleaseItems(); }

void TOraArray::CheckType() {
  TOraObject::CheckType();
  const int type = GetOraType()->DataType();
  if (type != dacore::dtArray && type != dacore::dtTable) RaiseOraException("Type of object must be Array");
}

void TOraArray::FreeObject(bool free_child) {
  if (free_child) ReleaseItems();
  TOraObject::FreeObject(free_child);
}

void TOraArray::ReleaseItems() {
  std::vector<TOraObject*> items;
  items.swap(items_);
  for (TOraObject* item : items) {
    if (!item) continue;
    // Someone else may keep the value: it must not point into our elements.
    if (!dynamic_cast<TOraRef*>(item)) {
      item->SetInstance(nullptr);
      item->SetIndicator(nullptr);
    }
    item->Release();
  }
}

int32_t TOraArray::GetSize() {
  CheckAlloc(true);
  sb4 size = 0;
  CheckOciStatus(OCICollSize(Env(), GetOCIError(), Collection(), &size), GetOCIError());
  return size;
}

void TOraArray::SetSize(int32_t size) {
  MarkModified();
  CheckAlloc(true);
  const int32_t current = GetSize();
  if (size < current) {
    CheckOciStatus(OCICollTrim(Env(), GetOCIError(), current - size, Collection()), GetOCIError());
    if (items_.size() > static_cast<std::size_t>(size)) {
      // Values over trimmed elements would point at freed memory.
      std::vector<TOraObject*> kept(items_.begin(), items_.begin() + size);
      std::vector<TOraObject*> gone(items_.begin() + size, items_.end());
      items_ = kept;
      for (TOraObject* item : gone)
        if (item) {
          item->SetInstance(nullptr);
          item->SetIndicator(nullptr);
          item->Release();
        }
    }
    return;
  }
  for (int32_t grown = current; grown < size;) grown = AppendItem();
}

void TOraArray::CheckIndex(int32_t index) {
  if (index < 0) RaiseOraException("Collection index is out of range: " + std::to_string(index));
  // Refused before anything is appended, so a failed write leaves the VARRAY as it was.
  const TOraType& type = *GetOraType();
  if (type.DataType() == dacore::dtArray && type.Size() > 0 && index >= type.Size())
    RaiseOraException("Collection index " + std::to_string(index) + " is beyond the VARRAY's limit of " +
                      std::to_string(type.Size()));
  // Elements are counted as the call interface numbers them (deleted ones included).
  sb4 size = 0;
  CheckOciStatus(OCICollSize(Env(), GetOCIError(), Collection(), &size), GetOCIError());
  while (size <= index) {
    AppendItem();
    ++size;
  }
}

int32_t TOraArray::AppendItem() {
  MarkModified();
  CheckAlloc(true);
  CheckType();
  AppendNullElement(Env(), GetOCIError(), GetOCISvcCtx(), Collection(), *GetOraType()->GetAttributes(0));
  sb4 size = 0;
  CheckOciStatus(OCICollSize(Env(), GetOCIError(), Collection(), &size), GetOCIError());
  return size;
}

int TOraArray::GetItemType() {
  CheckType();
  if (GetOraType()->GetAttributeCount() < 1) RaiseOraException("Invalid attribute name");
  return GetOraType()->GetAttributes(0)->DataType();
}

void* TOraArray::Element(int32_t index, OCIInd** indicator) {
  CheckAlloc(true);
  boolean exists = 0;
  void* element = nullptr;
  void* element_indicator = nullptr;
  CheckOciStatus(OCICollGetElem(Env(), GetOCIError(), Collection(), index, &exists, &element, &element_indicator),
                 GetOCIError());
  *indicator = exists ? static_cast<OCIInd*>(element_indicator) : nullptr;
  return exists ? element : nullptr;
}

void TOraArray::AssignElement(int32_t index, const void* value, const void* indicator) {
  OCIInd not_null = OCI_IND_NOTNULL;
  CheckOciStatus(OCICollAssignElem(Env(), GetOCIError(), index, value, indicator ? indicator : &not_null,
                                   Collection()),
                 GetOCIError());
  SetIsNull(false);
}

void TOraArray::CheckItemType(int type, const char* target) {
  if (GetItemType() != type) CannotConvert(target);
}

void TOraArray::CheckNumberItem(const char* target) {
  if (!IsNumberType(GetItemType())) CannotConvert(target);
}

bool TOraArray::ItemIsNull(int32_t index) {
  OCIInd* indicator = nullptr;
  const void* element = Element(index, &indicator);
  return !element || (indicator && *indicator == OCI_IND_NULL);
}

void TOraArray::SetItemIsNull(int32_t index, bool value) {
  CheckAlloc(true);
  CheckIndex(index);
  OCIInd* indicator = nullptr;
  void* element = Element(index, &indicator);
  if (value) {
    MarkModified();
    OCIInd null = OCI_IND_NULL;
    CheckOciStatus(OCICollAssignElem(Env(), GetOCIError(), index, element, &null, Collection()), GetOCIError());
    return;
  }
  // Present with the value the element holds (a string element by its string).
  const bool by_pointer = GetItemType() == dacore::dtString;
  AssignElement(index, by_pointer ? *static_cast<void**>(element) : element);
}

const OCINumber* TOraArray::NumberItem(int32_t index, const char* target) {
  CheckNumberItem(target);
  OCIInd* indicator = nullptr;
  const void* element = Element(index, &indicator);
  if (!element || (indicator && *indicator == OCI_IND_NULL)) return nullptr;
  return static_cast<const OCINumber*>(element);
}

int64_t TOraArray::ItemAsLargeInt(int32_t index) {
  const OCINumber* number = NumberItem(index, "Integer");
  int64_t value = 0;
  if (number) CheckOciStatus(OCINumberToInt(GetOCIError(), number, 8, OCI_NUMBER_SIGNED, &value), GetOCIError());
  return value;
}

int32_t TOraArray::ItemAsInteger(int32_t index) {
  // Converted through 64 bits, so a value beyond 32 bits fails instead of wrapping.
  const int64_t value = ItemAsLargeInt(index);
  if (value < INT32_MIN || value > INT32_MAX)
    throw classlib::EConvertError("Cannot convert type to Integer: the value exceeds 32 bits");
  return static_cast<int32_t>(value);
}

double TOraArray::ItemAsFloat(int32_t index) {
  const OCINumber* number = NumberItem(index, "Float");
  double value = 0;
  if (number) CheckOciStatus(OCINumberToReal(GetOCIError(), number, sizeof value, &value), GetOCIError());
  return value;
}

void TOraArray::SetNumberItem(int32_t index, const OCINumber& number) {
  CheckIndex(index);
  AssignElement(index, &number);
}

void TOraArray::SetItemAsInteger(int32_t index, int32_t value) { SetItemAsLargeInt(index, value); }

void TOraArray::SetItemAsLargeInt(int32_t index, int64_t value) {
  CheckAlloc(true);
  CheckNumberItem("Integer");
  OCINumber number{};
  CheckOciStatus(OCINumberFromInt(GetOCIError(), &value, sizeof value, OCI_NUMBER_SIGNED, &number), GetOCIError());
  SetNumberItem(index, number);
}

void TOraArray::SetItemAsFloat(int32_t index, double value) {
  CheckAlloc(true);
  CheckNumberItem("Float");
  OCINumber number{};
  CheckOciStatus(OCINumberFromReal(GetOCIError(), &value, sizeof value, &number), GetOCIError());
  SetNumberItem(index, number);
}

std::string TOraArray::ItemAsString(int32_t index) {
  CheckItemType(dacore::dtString, "String");
  OCIInd* indicator = nullptr;
  const void* element = Element(index, &indicator);
  if (!element || (indicator && *indicator == OCI_IND_NULL)) return "";
  const OCIString* text = *static_cast<OCIString* const*>(element);
  const OraText* chars = text ? OCIStringPtr(Env(), text) : nullptr;
  return chars ? std::string(reinterpret_cast<const char*>(chars), OCIStringSize(Env(), text)) : "";
}

void TOraArray::SetItemAsString(int32_t index, const std::string& value) {
  CheckAlloc(true);
  CheckItemType(dacore::dtString, "String");
  CheckIndex(index);
  OCIInd* indicator = nullptr;
  auto** text = static_cast<OCIString**>(Element(index, &indicator));
  if (text) {
    // The element's own string takes the text, then the element is assigned it.
    CheckOciStatus(OCIStringResize(Env(), GetOCIError(), static_cast<ub4>(value.size() + 1), text), GetOCIError());
    CheckOciStatus(OCIStringAssignText(Env(), GetOCIError(), reinterpret_cast<const OraText*>(value.data()),
                                       static_cast<ub4>(value.size()), text),
                   GetOCIError());
    AssignElement(index, *text);
    return;
  }
  // A deleted element has no string of its own: a temporary one carries the text.
  OCIString* temporary = nullptr;
  CheckOciStatus(OCIStringAssignText(Env(), GetOCIError(), reinterpret_cast<const OraText*>(value.data()),
                                     static_cast<ub4>(value.size()), &temporary),
                 GetOCIError());
  try {
    AssignElement(index, temporary);
  } catch (...) {
    OCIStringResize(Env(), GetOCIError(), 0, &temporary);
    throw;
  }
  CheckOciStatus(OCIStringResize(Env(), GetOCIError(), 0, &temporary), GetOCIError());
}

classlib::TDateTime TOraArray::ItemAsDateTime(int32_t index) {
  CheckItemType(dacore::dtDateTime, "Date");
  OCIInd* indicator = nullptr;
  const void* element = Element(index, &indicator);
  if (!element || (indicator && *indicator == OCI_IND_NULL)) return 0;
  classlib::TDateTime value = 0;
  if (!TryOciDateToDateTime(*static_cast<const OCIDate*>(element), value)) CannotConvert("Date");
  return value;
}

void TOraArray::SetItemAsDateTime(int32_t index, classlib::TDateTime value) {
  CheckAlloc(true);
  CheckItemType(dacore::dtDateTime, "Date");
  OCIDate date = OciDateOf(value);
  CheckIndex(index);
  AssignElement(index, &date);
}

TOraObject*& TOraArray::ItemSlot(int32_t index) {
  if (items_.size() <= static_cast<std::size_t>(index)) items_.resize(static_cast<std::size_t>(index) + 1, nullptr);
  return items_[static_cast<std::size_t>(index)];
}

TOraObject* TOraArray::ItemAsObject(int32_t index) {
  CheckAlloc(true);
  CheckItemType(dacore::dtObject, "Object");
  CheckIndex(index);
  SetIsNull(false);
  OCIInd* indicator = nullptr;
  void* element = Element(index, &indicator);
  TOraObject*& item = ItemSlot(index);
  if (!item) {
    item = new TOraObject(static_cast<TOraType*>(GetOraType()->GetAttributes(0)->ObjectType()));
    item->SetOCISvcCtx(GetOCISvcCtx());
    item->SetAutoAlloc(false);  // it lives in our element, never in an instance of its own
  }
  item->SetInstance(element);
  item->SetIndicator(indicator);
  return item;
}

TOraRef* TOraArray::ItemAsRef(int32_t index) {
  CheckAlloc(true);
  CheckItemType(dacore::dtReference, "Reference");
  CheckIndex(index);
  SetIsNull(false);
  OCIInd* indicator = nullptr;
  void* element = Element(index, &indicator);
  TOraObject*& item = ItemSlot(index);
  if (!item) {
    auto* ref = new TOraRef(static_cast<TOraType*>(GetOraType()->GetAttributes(0)->ObjectType()));
    ref->SetOCISvcCtx(GetOCISvcCtx());
    item = ref;
  }
  auto* ref = static_cast<TOraRef*>(item);
  ref->PointAt(element ? *static_cast<OCIRef**>(element) : nullptr);
  return ref;
}

void TOraArray::SetItemAsObject(int32_t index, TOraObject& value) {
  CheckAlloc(true);
  CheckIndex(index);
  CheckItemType(dacore::dtObject, "Object");
  value.CheckAlloc(true);
  AssignElement(index, value.GetInstance(), value.GetIndicator());
  // The element copies the instance; the LOB data the value holds on the
  // client goes into the element's own LOB values.
  const bool own_item = static_cast<std::size_t>(index) < items_.size() && items_[static_cast<std::size_t>(index)] == &value;
  if (!own_item) value.CopyLobsTo(*ItemAsObject(index));
}

void TOraArray::WriteLobs() {
  if (!GetInstance()) return;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    TOraObject* item = items_[i];
    if (!item || dynamic_cast<TOraRef*>(item)) continue;
    OCIInd* indicator = nullptr;
    void* element = Element(static_cast<int32_t>(i), &indicator);
    if (!element) continue;  // a deleted element goes nowhere
    item->SetInstance(element);
    item->SetIndicator(indicator);
    item->WriteLobs();
  }
}

void TOraArray::CopyLobsTo(TOraObject& target) {
  auto* copy = dynamic_cast<TOraArray*>(&target);
  if (!copy || !GetInstance() || !copy->GetInstance()) return;
  const std::size_t count = std::max(items_.size(), copy->items_.size());
  for (std::size_t i = 0; i < count; ++i) {
    TOraObject* item = i < items_.size() ? items_[i] : nullptr;
    TOraObject* kept = i < copy->items_.size() ? copy->items_[i] : nullptr;
    if (dynamic_cast<TOraRef*>(item)) item = nullptr;
    if (dynamic_cast<TOraRef*>(kept)) kept = nullptr;
    const auto index = static_cast<int32_t>(i);
    OCIInd* indicator = nullptr;
    if ((!item && !kept) || !copy->Element(index, &indicator)) continue;
    if (item && Element(index, &indicator)) item->CopyLobsTo(*copy->ItemAsObject(index));
    else if (kept) kept->ResetLobs();
  }
}

void TOraArray::ResetLobs() {
  RepointItems();
  for (TOraObject* item : items_)
    if (item && !dynamic_cast<TOraRef*>(item) && item->GetInstance()) item->ResetLobs();
}

void TOraArray::RepointItems() {
  if (!GetInstance()) return;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    TOraObject* item = items_[i];
    if (!item) continue;
    OCIInd* indicator = nullptr;
    void* element = Element(static_cast<int32_t>(i), &indicator);
    if (auto* ref = dynamic_cast<TOraRef*>(item)) ref->PointAt(element ? *static_cast<OCIRef**>(element) : nullptr);
    else item->ReplaceInstance(element, element ? indicator : nullptr);
  }
}

void TOraArray::Assign(TOraObject& source) {
  auto* array = dynamic_cast<TOraArray*>(&source);
  if (!array) {
    TOraObject::Assign(source);
    return;
  }
  MarkModified();
  MarkReplaced();
  CheckAlloc(true);
  array->CheckAlloc(true);
  CheckOciStatus(OCICollAssign(Env(), GetOCIError(), array->Collection(), Collection()), GetOCIError());
  SetIsNull(array->GetIsNull());
  // The elements are new: the values kept over them must not point at the
  // ones that went.
  RepointItems();
  array->CopyLobsTo(*this);
}

// ---- TOraNestTable ----------------------------------------------------------

TOraNestTable::TOraNestTable(TOraType* object_type) : TOraArray(object_type) {}

void TOraNestTable::CheckType() {
  TOraObject::CheckType();
  if (GetOraType()->DataType() != dacore::dtTable) RaiseOraException("Type of object must be Table");
}

int32_t TOraNestTable::GetSize() {
  CheckAlloc(true);
  sb4 size = 0;
  CheckOciStatus(OCITableSize(Env(), GetOCIError(), Collection(), &size), GetOCIError());
  return size;
}

void TOraNestTable::DeleteItem(int32_t index) {
  MarkModified();
  CheckAlloc(true);
  CheckOciStatus(OCITableDelete(Env(), GetOCIError(), index, Collection()), GetOCIError());
}

void TOraNestTable::Assign(TOraObject& source) {
  auto* table = dynamic_cast<TOraNestTable*>(&source);
  if (!table || OCIVersion < 9000) {
    TOraArray::Assign(source);
    return;
  }
  MarkModified();
  MarkReplaced();
  CheckAlloc(true);
  table->CheckAlloc(true);
  CopyNestedTables(Env(), GetOCIError(), *GetOraType(), table->GetInstance(), GetInstance());
  SetIsNull(table->GetIsNull());
  RepointItems();
  table->CopyLobsTo(*this);
}

}  // namespace oracle
