// The element-by-element copy of nested tables after an object or a nested
// table is copied: an object copy of the cache does not carry a nested
// table's elements over on every client, so each nested table reached
// through embedded and referenced objects is filled again from its source.
// The target gets the source's existing elements in order; the places of
// deleted ones are not kept (a nested table has no order on the server).
#include "oracle/call_entries_collections.h"
#include "oracle/call_entries_objects.h"
#include "oracle/error_ora.h"
#include "oracle/object_ora_array.h"

namespace oracle {

namespace {

bool HeldByPointer(int data_type) {
  return data_type == dacore::dtString || data_type == dacore::dtReference;
}

void CopyNestedTable(OCIEnv* env, OCIError* error, const TOraType& type, const OCIColl* source, OCIColl* target) {
  if (source == target) return;
  sb4 size = 0;
  CheckOciStatus(OCICollSize(env, error, target, &size), error);
  if (size > 0) CheckOciStatus(OCICollTrim(env, error, size, target), error);
  CheckOciStatus(OCICollSize(env, error, source, &size), error);
  const int element_type = type.GetAttributes(0)->DataType();
  for (sb4 index = 0; index < size; ++index) {
    boolean exists = 0;
    void* element = nullptr;
    void* indicator = nullptr;
    CheckOciStatus(OCICollGetElem(env, error, source, index, &exists, &element, &indicator), error);
    if (!exists) continue;  // deleted
    const void* value = HeldByPointer(element_type) ? *static_cast<void**>(element) : element;
    CheckOciStatus(OCICollAppend(env, error, value, indicator, target), error);
  }
}

}  // namespace

void CopyNestedTables(OCIEnv* env, OCIError* error, const TOraType& type, void* source, void* target) {
  if (!source || !target) return;
  if (type.DataType() == dacore::dtTable) {
    CopyNestedTable(env, error, type, static_cast<const OCIColl*>(source), static_cast<OCIColl*>(target));
    return;
  }
  if (type.DataType() != dacore::dtObject) return;
  for (int i = 0; i < type.GetAttributeCount(); ++i) {
    const dacore::TAttribute& attribute = *type.GetAttributes(i);
    const auto* nested = static_cast<const TOraType*>(attribute.ObjectType());
    if (!nested || attribute.DataType() == dacore::dtReference) continue;
    char* from = static_cast<char*>(source) + attribute.Offset();
    char* to = static_cast<char*>(target) + attribute.Offset();
    const bool embedded = nested->DataType() == dacore::dtObject && nested->Final();
    if (embedded) CopyNestedTables(env, error, *nested, from, to);
    else CopyNestedTables(env, error, *nested, *reinterpret_cast<void**>(from), *reinterpret_cast<void**>(to));
  }
}

}  // namespace oracle
