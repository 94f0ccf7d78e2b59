// Object, collection, REF and XML binds: OCIBindObject gives a bind of the
// named type its type and the caller's cells of the instance (a collection,
// a REF) and its null-indicator structure. An execute reads the value
// through them (an XML value as "XML(document)"), and an output value fills
// the instance as a fetched row fills an object define's.
#include <mutex>
#include <optional>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

std::string ValueText(State& state, const ObjectAttributeDef& attribute, const char* slot, const char* indicator);

// The attributes of an instance laid out at data, its indicator structure
// at indicators (first the instance's own indicator).
std::string FieldsText(State& state, const ObjectTypeDef& type, const char* data, const char* indicators) {
  if (*reinterpret_cast<const OCIInd*>(indicators) == OCI_IND_NULL) return "NULL";
  std::string pairs;
  for (const ObjectAttributeDef& attribute : type.attributes)
    pairs += (pairs.empty() ? "" : ",") + attribute.name + "=" +
             ValueText(state, attribute, data + attribute.offset, indicators + attribute.indicator_offset);
  return "{" + pairs + "}";
}

std::string CollectionText(State& state, const void* pointer) {
  ObjectCollection* collection = FindCollection(state, pointer);
  if (!collection) return "COLLECTION?";
  if (collection->own_indicator == OCI_IND_NULL) return "NULL";
  const ObjectAttributeDef& element = collection->type->attributes.at(0);
  std::string items;
  for (std::size_t i = 0; i < collection->elements.size(); ++i) {
    if (collection->deleted.count(i)) continue;
    items += (items.empty() ? "" : ",") +
             ValueText(state, element, collection->elements[i]->data(), collection->indicators[i]->data());
  }
  return "[" + items + "]";
}

// A LOB attribute: a temporary LOB's data ("TEMP(text)", a BLOB's in
// hexadecimal), another LOB by its number, "LOB?" for a locator that names
// no LOB (the server refuses to store one).
std::string LobAttributeText(State& state, const void* locator) {
  Handle* handle = Live(state, locator, OCI_DTYPE_LOB);
  auto lob = handle ? state.values.lobs.find(handle->value.lob) : state.values.lobs.end();
  if (lob == state.values.lobs.end()) return "LOB?";
  if (!lob->second.temporary) return "LOB#" + std::to_string(handle->value.lob);
  std::string bytes;
  for (char16_t unit : lob->second.units) bytes += static_cast<char>(unit);
  return "TEMP(" + (lob->second.kind == 1 ? HexText(bytes) : bytes) + ")";
}

std::string InstanceText(State& state, const void* pointer) {
  auto found = state.objects.instances.find(const_cast<void*>(pointer));
  if (found == state.objects.instances.end()) return "OBJECT?";
  ObjectInstance& instance = *found->second;
  // An XML value shows its document; a null one its indicator.
  if (IsXmlType(*instance.type))
    return *reinterpret_cast<const OCIInd*>(instance.indicators->data()) == OCI_IND_NULL ? "NULL"
                                                                                       : "XML(" + instance.xml + ")";
  return FieldsText(state, *instance.type, instance.data->data(), instance.indicators->data());
}

// One attribute or element as the received values show it: a final object
// is embedded where it stands, any other by pointer.
std::string ValueText(State& state, const ObjectAttributeDef& attribute, const char* slot, const char* indicator) {
  const bool embedded = attribute.typecode == OCI_TYPECODE_OBJECT && attribute.nested && attribute.nested->final_type;
  if (embedded) return FieldsText(state, *attribute.nested, slot, indicator);
  if (*reinterpret_cast<const OCIInd*>(indicator) == OCI_IND_NULL) return "NULL";
  switch (attribute.typecode) {
    case SQLT_CHR: case SQLT_AFC: {
      const auto* string = *reinterpret_cast<ObjectString* const*>(slot);
      return string ? string->text : "";
    }
    case SQLT_NUM: return NumberText(reinterpret_cast<const OCINumber*>(slot));
    case OCI_TYPECODE_NAMEDCOLLECTION: return CollectionText(state, *reinterpret_cast<void* const*>(slot));
    case OCI_TYPECODE_OBJECT: return InstanceText(state, *reinterpret_cast<void* const*>(slot));
    case SQLT_CLOB: case SQLT_BLOB: return LobAttributeText(state, *reinterpret_cast<void* const*>(slot));
    default: return "TYPECODE" + std::to_string(attribute.typecode);
  }
}

}  // namespace

std::string standin::InstanceValueText(State& state, const void* instance) { return InstanceText(state, instance); }

namespace {

bool NamesNoLob(State& state, const void* locator) {
  Handle* handle = Live(state, locator, OCI_DTYPE_LOB);
  return !handle || !state.values.lobs.count(handle->value.lob);
}

bool FieldsHaveUnsetLob(State& state, const ObjectTypeDef& type, const char* data, const char* indicators);
bool CollectionHasUnsetLob(State& state, const void* pointer);

// One attribute or element that is not null: a LOB must name a LOB; an
// embedded object's attributes, a collection's elements and a referenced
// instance's attributes are looked at in turn.
bool ValueHasUnsetLob(State& state, const ObjectAttributeDef& attribute, const char* slot, const char* indicator) {
  const bool embedded = attribute.typecode == OCI_TYPECODE_OBJECT && attribute.nested && attribute.nested->final_type;
  if (embedded) return FieldsHaveUnsetLob(state, *attribute.nested, slot, indicator);
  if (*reinterpret_cast<const OCIInd*>(indicator) == OCI_IND_NULL) return false;
  const void* pointer = *reinterpret_cast<const void* const*>(slot);
  switch (attribute.typecode) {
    case SQLT_CLOB: case SQLT_BLOB: return NamesNoLob(state, pointer);
    case OCI_TYPECODE_NAMEDCOLLECTION: return CollectionHasUnsetLob(state, pointer);
    case OCI_TYPECODE_OBJECT: return pointer && HasUnsetLob(state, pointer);
    default: return false;
  }
}

// The attributes at data with their indicators, embedded objects within.
bool FieldsHaveUnsetLob(State& state, const ObjectTypeDef& type, const char* data, const char* indicators) {
  if (*reinterpret_cast<const OCIInd*>(indicators) == OCI_IND_NULL) return false;
  for (const ObjectAttributeDef& attribute : type.attributes)
    if (ValueHasUnsetLob(state, attribute, data + attribute.offset, indicators + attribute.indicator_offset))
      return true;
  return false;
}

bool CollectionHasUnsetLob(State& state, const void* pointer) {
  ObjectCollection* collection = FindCollection(state, pointer);
  if (!collection || collection->own_indicator == OCI_IND_NULL) return false;
  const ObjectAttributeDef& element = collection->type->attributes.at(0);
  for (std::size_t i = 0; i < collection->elements.size(); ++i)
    if (!collection->deleted.count(i) &&
        ValueHasUnsetLob(state, element, collection->elements[i]->data(), collection->indicators[i]->data()))
      return true;
  return false;
}

}  // namespace

bool standin::HasUnsetLob(State& state, const void* instance) {
  if (FindCollection(state, instance)) return CollectionHasUnsetLob(state, instance);
  auto found = state.objects.instances.find(const_cast<void*>(instance));
  if (found == state.objects.instances.end() || !found->second->type) return false;
  ObjectInstance& object = *found->second;
  return FieldsHaveUnsetLob(state, *object.type, object.data->data(), object.indicators->data());
}

std::string standin::ObjectBindText(State& state, const Bind& bind) {
  const void* value = *bind.object_cell;
  if (bind.type == SQLT_REF) {
    auto* ref = static_cast<ObjectRef*>(const_cast<void*>(value));
    if (!ref || !state.objects.refs.count(ref) || !ref->target) return "NULL";
    return "REF" + InstanceText(state, ref->target);
  }
  if (!value) return "NULL";
  if (FindCollection(state, value)) return CollectionText(state, value);
  return InstanceText(state, value);
}

void standin::WriteObjectOutput(State& state, Bind& bind, const std::string& value) {
  const std::optional<std::string> row = value == "NULL" ? std::nullopt : std::optional<std::string>(value);
  if (bind.type == SQLT_REF) return FillRefRow(state, bind.object_cell, row, 0);
  FillObjectRow(state, *bind.object_cell, row);
}

extern "C" {

// The type must be one the cache knows, the bind one of a named type or a
// REF, and the instance cell given; an instance cell that holds nothing is
// a null value (an output one the caller allocates first).
sword OCIBindObject(OCIBind* bind, OCIError* error, const OCIType* type, void** value, ub4* value_size,
                    void** indicator, ub4* indicator_size) {
  State& state = TheState();
  Guard guard(state.lock);
  Bind* live = BindOf(state, bind);
  std::string name;
  for (auto& [key, declared] : state.objects.types)
    if (declared.get() == static_cast<const void*>(type)) name = declared->FullName();
  Log(state, "OCIBindObject name=" + (live ? live->name : std::string("?")) + " type=" + name +
                 " indicator=" + (indicator ? "1" : "0"));
  if (sword status = InjectedStatus(state, "OCIBindObject", error)) return status;
  if (!live || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  if (live->type != SQLT_NTY && live->type != SQLT_REF)
    return Fail(state, error, 21560, "ORA-21560: argument 1 is null, invalid, or out of range");
  if (name.empty()) return Fail(state, error, 21560, "ORA-21560: argument 3 is null, invalid, or out of range");
  if (!value) return Fail(state, error, 21560, "ORA-21560: argument 4 is null, invalid, or out of range");
  (void)value_size, (void)indicator_size;
  live->object_type = type;
  live->object_cell = value;
  live->object_indicator_cell = indicator;
  return OCI_SUCCESS;
}

}  // extern "C"
