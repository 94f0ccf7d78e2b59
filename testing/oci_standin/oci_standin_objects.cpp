// The stand-in's object entries: type lookup and description, instances in
// the object cache with their indicator structures, attribute access by
// paths of names, collections and strings. Layouts are the ones the tests
// declared from their C structures (oci_standin_objects_control.h).
#include <algorithm>
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

bool IsString(ub2 code) { return code == SQLT_CHR || code == SQLT_AFC || code == SQLT_BIN; }

bool EmbeddedObject(const ObjectAttributeDef& attribute) {
  return attribute.typecode == SQLT_NTY && attribute.nested && attribute.nested->final_type;
}

bool HeldInline(const ObjectAttributeDef& attribute) {
  return attribute.typecode == SQLT_NUM || attribute.typecode == SQLT_DAT || EmbeddedObject(attribute);
}

std::size_t SlotSize(const ObjectAttributeDef& attribute) {
  if (attribute.typecode == SQLT_NUM) return sizeof(OCINumber);
  if (attribute.typecode == SQLT_DAT) return sizeof(OCIDate);
  if (EmbeddedObject(attribute)) return attribute.nested->instance_size;
  return sizeof(void*);
}

std::size_t IndicatorWidth(const ObjectAttributeDef& attribute) {
  return EmbeddedObject(attribute) ? attribute.nested->indicator_size : sizeof(OCIInd);
}

OCIInd* IndicatorAt(char* indicators, std::size_t offset) {
  return reinterpret_cast<OCIInd*>(indicators + offset);
}

ObjectString* NewString(ObjectWorld& world, const std::string& text) {
  auto* string = new ObjectString{text};
  world.strings.insert(string);
  return string;
}

ObjectCollection* NewCollection(ObjectWorld& world, ObjectTypeDef* type) {
  auto collection = std::make_unique<ObjectCollection>();
  collection->type = type;
  ObjectCollection* raw = collection.get();
  world.collections[raw] = std::move(collection);
  return raw;
}

void FreeCollection(ObjectWorld& world, ObjectCollection* collection);

// Frees what the values of a structure hold by pointer.
void FreeValues(ObjectWorld& world, const ObjectTypeDef& type, char* data) {
  for (const ObjectAttributeDef& attribute : type.attributes) {
    char* slot = data + attribute.offset;
    if (EmbeddedObject(attribute)) {
      FreeValues(world, *attribute.nested, slot);
      continue;
    }
    void* held = HeldInline(attribute) ? nullptr : *reinterpret_cast<void**>(slot);
    if (!held) continue;
    if (IsString(attribute.typecode) && world.strings.erase(static_cast<ObjectString*>(held))) {
      delete static_cast<ObjectString*>(held);
    } else if (attribute.typecode == OCI_TYPECODE_NAMEDCOLLECTION) {
      FreeCollection(world, static_cast<ObjectCollection*>(held));
    } else if (attribute.typecode == SQLT_NTY) {
      auto found = world.instances.find(held);
      if (found == world.instances.end()) continue;
      FreeValues(world, *found->second->type, found->second->data->data());
      world.instances.erase(found);
    }
    *reinterpret_cast<void**>(slot) = nullptr;
  }
}

void FreeCollection(ObjectWorld& world, ObjectCollection* collection) {
  auto found = world.collections.find(collection);
  if (found == world.collections.end()) return;
  for (auto& element : collection->elements) FreeValues(world, *collection->type, element->data());
  world.collections.erase(found);
}

// A fresh structure: attributes null, strings empty, collections empty,
// non-final objects absent.
void InitValues(ObjectWorld& world, const ObjectTypeDef& type, char* data, char* indicators) {
  for (const ObjectAttributeDef& attribute : type.attributes) {
    char* slot = data + attribute.offset;
    *IndicatorAt(indicators, attribute.indicator_offset) = OCI_IND_NULL;
    if (EmbeddedObject(attribute)) {
      InitValues(world, *attribute.nested, slot, indicators + attribute.indicator_offset);
    } else if (IsString(attribute.typecode)) {
      *reinterpret_cast<ObjectString**>(slot) = NewString(world, "");
    } else if (attribute.typecode == OCI_TYPECODE_NAMEDCOLLECTION && attribute.nested) {
      *reinterpret_cast<ObjectCollection**>(slot) = NewCollection(world, attribute.nested);
    }
  }
}

void CopyStructure(ObjectWorld& world, const ObjectTypeDef& type, char* dest, const char* source);

}  // namespace

std::pair<char*, char*> standin::AppendObjectElement(ObjectWorld& world, ObjectCollection& collection) {
  const ObjectAttributeDef& definition = collection.type->attributes.at(0);
  collection.elements.push_back(std::make_unique<Block>(SlotSize(definition)));
  collection.indicators.push_back(std::make_unique<Block>(IndicatorWidth(definition)));
  char* data = collection.elements.back()->data();
  char* indicators = collection.indicators.back()->data();
  InitValues(world, *definition.nested, data, indicators);
  *IndicatorAt(indicators, 0) = OCI_IND_NOTNULL;
  return {data, indicators};
}

namespace {

// Copies a value in the form callers hand it over (OCIString*, OCINumber*,
// OCIDate*, an embedded instance, OCIColl*) into a slot.
void CopyValue(ObjectWorld& world, const ObjectAttributeDef& attribute, char* slot, const void* value) {
  if (IsString(attribute.typecode)) {
    auto*& string = *reinterpret_cast<ObjectString**>(slot);
    if (!string) string = NewString(world, "");
    string->text = static_cast<const ObjectString*>(value)->text;
  } else if (attribute.typecode == SQLT_NUM || attribute.typecode == SQLT_DAT) {
    std::memcpy(slot, value, SlotSize(attribute));
  } else if (EmbeddedObject(attribute)) {
    CopyStructure(world, *attribute.nested, slot, static_cast<const char*>(value));
  } else if (attribute.typecode == OCI_TYPECODE_NAMEDCOLLECTION) {
    auto*& target = *reinterpret_cast<ObjectCollection**>(slot);
    const auto* source = static_cast<const ObjectCollection*>(value);
    if (target == source) return;
    if (!target) target = NewCollection(world, attribute.nested);
    for (auto& element : target->elements) FreeValues(world, *target->type, element->data());
    target->elements.clear();
    target->indicators.clear();
    target->deleted = source->deleted;
    const ObjectAttributeDef& element = source->type->attributes.at(0);
    for (std::size_t i = 0; i < source->elements.size(); ++i) {
      target->elements.push_back(std::make_unique<Block>(SlotSize(element)));
      target->indicators.push_back(std::make_unique<Block>(IndicatorWidth(element)));
      CopyValue(world, element, target->elements.back()->data(),
                HeldInline(element) ? static_cast<const void*>(source->elements[i]->data())
                                    : *reinterpret_cast<void* const*>(source->elements[i]->data()));
      std::memcpy(target->indicators.back()->data(), source->indicators[i]->data(), IndicatorWidth(element));
    }
  } else {
    *reinterpret_cast<const void**>(slot) = value;  // locators and descriptors are the caller's
  }
}

void CopyStructure(ObjectWorld& world, const ObjectTypeDef& type, char* dest, const char* source) {
  for (const ObjectAttributeDef& attribute : type.attributes) {
    const char* from = source + attribute.offset;
    const void* value = HeldInline(attribute) ? static_cast<const void*>(from) : *reinterpret_cast<void* const*>(from);
    if (!value) continue;
    CopyValue(world, attribute, dest + attribute.offset, value);
  }
}

ObjectTypeDef* TypeOf(ObjectWorld& world, const void* tdo) {
  for (auto& [name, type] : world.types)
    if (type.get() == tdo) return type.get();
  return nullptr;
}

// Where a path of names leads inside one structure; embedded objects only.
struct NamedPlace {
  const ObjectAttributeDef* attribute = nullptr;
  char* slot = nullptr;
  OCIInd* indicator = nullptr;
  std::vector<OCIInd*> enclosing;  // the own indicators of the structures passed
  std::string names;
};

bool WalkNames(const ObjectTypeDef* type, char* data, char* indicators, const OraText** names,
               const ub4* lengths, ub4 count, NamedPlace& place) {
  place.enclosing.push_back(reinterpret_cast<OCIInd*>(indicators));
  for (ub4 i = 0; i < count; ++i) {
    const std::string name(reinterpret_cast<const char*>(names[i]), lengths[i]);
    place.names += (i ? "." : "") + name;
    const ObjectAttributeDef* found = nullptr;
    for (const ObjectAttributeDef& attribute : type->attributes)
      if (attribute.name == name) found = &attribute;
    if (!found) return false;
    place.attribute = found;
    place.slot = data + found->offset;
    place.indicator = IndicatorAt(indicators, found->indicator_offset);
    if (i + 1 == count) return true;
    // Only embedded objects are walked into: the rest must be fetched first.
    if (!EmbeddedObject(*found)) return false;
    type = found->nested;
    data = place.slot;
    indicators = reinterpret_cast<char*>(place.indicator);
    place.enclosing.push_back(place.indicator);
  }
  return count > 0;
}

// The walk of a path of names from an instance of the type `tdo` names.
bool WalkInstance(State& state, OCIType* tdo, void* instance, void* indicator, const OraText** names,
                  const ub4* lengths, ub4 count, NamedPlace& place) {
  ObjectTypeDef* type = TypeOf(state.objects, tdo);
  return type && instance && indicator &&
         WalkNames(type, static_cast<char*>(instance), static_cast<char*>(indicator), names, lengths, count, place);
}

sword BadAttribute(State& state, OCIError* error, const std::string& names) {
  return Fail(state, error, 22806, "ORA-22806: not an object or REF: " + names);
}

ObjectCollection* LiveCollection(State& state, const void* pointer) {
  auto found = state.objects.collections.find(const_cast<void*>(pointer));
  return found == state.objects.collections.end() ? nullptr : found->second.get();
}

}  // namespace

namespace standin {

ObjectCollection* FindCollection(State& state, const void* pointer) { return LiveCollection(state, pointer); }

void AssignCollection(ObjectWorld& world, ObjectCollection& target, const ObjectCollection& source) {
  ObjectAttributeDef holder;
  holder.typecode = OCI_TYPECODE_NAMEDCOLLECTION;
  holder.nested = target.type;
  ObjectCollection* slot = &target;
  CopyValue(world, holder, reinterpret_cast<char*>(&slot), &source);
}

void TrimCollection(ObjectWorld& world, ObjectCollection& collection, std::size_t count) {
  for (; count > 0 && !collection.elements.empty(); --count) {
    FreeValues(world, *collection.type, collection.elements.back()->data());
    collection.elements.pop_back();
    collection.indicators.pop_back();
    collection.deleted.erase(collection.elements.size());
  }
}

void ResetObjects(ObjectWorld& world) {
  world.instances.clear();
  world.collections.clear();
  for (ObjectString* string : world.strings) delete string;
  world.strings.clear();
  for (ObjectRef* ref : world.refs) delete ref;
  world.refs.clear();
  world.types.clear();
}

}  // namespace standin

extern "C" {

sword OCITypeByName(OCIEnv* env, OCIError* error, const OCISvcCtx* context, const OraText* schema,
                    ub4 schema_length, const OraText* type_name, ub4 type_name_length, const OraText*, ub4,
                    ub2, int, OCIType** tdo) {
  State& state = TheState();
  Guard guard(state.lock);
  const std::string schema_text(reinterpret_cast<const char*>(schema), schema ? schema_length : 0);
  const std::string name_text(reinterpret_cast<const char*>(type_name), type_name ? type_name_length : 0);
  Log(state, "OCITypeByName schema=" + schema_text + " type=" + name_text);
  if (sword status = InjectedStatus(state, "OCITypeByName", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !Live(state, context, OCI_HTYPE_SVCCTX) || !tdo)
    return OCI_INVALID_HANDLE;
  for (auto& [key, type] : state.objects.types) {
    if (type->name == name_text && (schema_text.empty() || type->schema == schema_text)) {
      *tdo = reinterpret_cast<OCIType*>(type.get());
      return OCI_SUCCESS;
    }
  }
  return Fail(state, error, 4043, "ORA-04043: object " + name_text + " does not exist");
}

sword OCIObjectNew(OCIEnv* env, OCIError* error, const OCISvcCtx* context, OCITypeCode typecode, OCIType* tdo,
                   void*, ub2 duration, boolean value, void** instance) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectTypeDef* type = TypeOf(state.objects, tdo);
  Log(state, "OCIObjectNew typecode=" + std::to_string(typecode) + " type=" + (type ? type->FullName() : "") +
                 " duration=" + std::to_string(duration) + " value=" + std::to_string(value));
  if (sword status = InjectedStatus(state, "OCIObjectNew", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !Live(state, context, OCI_HTYPE_SVCCTX) || !instance)
    return OCI_INVALID_HANDLE;
  if (typecode == OCI_TYPECODE_REF) {
    auto* ref = new ObjectRef;
    state.objects.refs.insert(ref);
    *instance = ref;
    return OCI_SUCCESS;
  }
  if (typecode == OCI_TYPECODE_VARCHAR) {  // a string object of its own
    *instance = NewString(state.objects, "");
    return OCI_SUCCESS;
  }
  if (!type) return Fail(state, error, 21560, "ORA-21560: argument 5 is null, invalid, or out of range");
  if (typecode == OCI_TYPECODE_NAMEDCOLLECTION) {
    if (type->typecode != OCI_TYPECODE_NAMEDCOLLECTION)
      return Fail(state, error, 22161, "ORA-22161: type code is not a collection");
    *instance = NewCollection(state.objects, type);
    return OCI_SUCCESS;
  }
  if (typecode != type->typecode) return Fail(state, error, 21560, "ORA-21560: type code does not match the type");
  auto object = std::make_unique<ObjectInstance>();
  object->type = type;
  object->data = std::make_unique<Block>(type->instance_size);
  object->indicators = std::make_unique<Block>(type->indicator_size);
  InitValues(state.objects, *type, object->data->data(), object->indicators->data());
  *IndicatorAt(object->indicators->data(), 0) = OCI_IND_NOTNULL;
  *instance = object->data->data();
  state.objects.instances[*instance] = std::move(object);
  return OCI_SUCCESS;
}

sword OCIObjectFree(OCIEnv* env, OCIError* error, void* instance, ub2 flags) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIObjectFree flags=" + std::to_string(flags));
  if (sword status = InjectedStatus(state, "OCIObjectFree", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV)) return OCI_INVALID_HANDLE;
  ObjectWorld& world = state.objects;
  if (auto ref = world.refs.find(static_cast<ObjectRef*>(instance)); ref != world.refs.end()) {
    delete *ref;
    world.refs.erase(ref);
    return OCI_SUCCESS;
  }
  if (ObjectCollection* collection = LiveCollection(state, instance)) {
    FreeCollection(world, collection);
    return OCI_SUCCESS;
  }
  if (auto string = world.strings.find(static_cast<ObjectString*>(instance)); string != world.strings.end()) {
    delete *string;
    world.strings.erase(string);
    return OCI_SUCCESS;
  }
  auto found = world.instances.find(instance);
  if (found == world.instances.end())
    return Fail(state, error, 21710, "ORA-21710: argument is expecting a valid memory address of an object");
  FreeValues(world, *found->second->type, found->second->data->data());
  world.instances.erase(found);
  return OCI_SUCCESS;
}

sword OCIObjectGetInd(OCIEnv* env, OCIError* error, void* instance, void** indicator) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIObjectGetInd");
  if (sword status = InjectedStatus(state, "OCIObjectGetInd", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !indicator) return OCI_INVALID_HANDLE;
  if (ObjectCollection* collection = LiveCollection(state, instance)) {
    *indicator = &collection->own_indicator;
    return OCI_SUCCESS;
  }
  auto found = state.objects.instances.find(instance);
  if (found == state.objects.instances.end())
    return Fail(state, error, 21710, "ORA-21710: argument is expecting a valid memory address of an object");
  *indicator = found->second->indicators->data();
  return OCI_SUCCESS;
}

sword OCIObjectSetAttr(OCIEnv* env, OCIError* error, void* instance, void* indicator, OCIType* tdo,
                       const OraText** names, const ub4* lengths, ub4 count, const ub4*, ub4, OCIInd null_status,
                       const void*, const void* value) {
  State& state = TheState();
  Guard guard(state.lock);
  NamedPlace place;
  const bool found = WalkInstance(state, tdo, instance, indicator, names, lengths, count, place);
  Log(state, "OCIObjectSetAttr names=" + place.names + " null=" + std::to_string(null_status));
  if (sword status = InjectedStatus(state, "OCIObjectSetAttr", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV)) return OCI_INVALID_HANDLE;
  if (!found) return BadAttribute(state, error, place.names);
  if (null_status == OCI_IND_NULL) {
    *place.indicator = OCI_IND_NULL;
    return OCI_SUCCESS;
  }
  if (!value) return Fail(state, error, 21560, "ORA-21560: argument 13 is null, invalid, or out of range");
  CopyValue(state.objects, *place.attribute, place.slot, value);
  *place.indicator = OCI_IND_NOTNULL;
  // A value inside a structure makes the structures around it present.
  for (OCIInd* enclosing : place.enclosing) *enclosing = OCI_IND_NOTNULL;
  return OCI_SUCCESS;
}

sword OCIObjectGetAttr(OCIEnv* env, OCIError* error, void* instance, void* indicator, OCIType* tdo,
                       const OraText** names, const ub4* lengths, ub4 count, const ub4*, ub4, OCIInd* null_status,
                       void** attribute_indicator, void** value, OCIType** attribute_type) {
  State& state = TheState();
  Guard guard(state.lock);
  NamedPlace place;
  const bool found = WalkInstance(state, tdo, instance, indicator, names, lengths, count, place);
  Log(state, "OCIObjectGetAttr names=" + place.names);
  if (sword status = InjectedStatus(state, "OCIObjectGetAttr", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !null_status || !attribute_indicator || !value)
    return OCI_INVALID_HANDLE;
  if (!found) return BadAttribute(state, error, place.names);
  const ObjectAttributeDef& attribute = *place.attribute;
  *null_status = *place.indicator;
  *attribute_indicator = place.indicator;
  *value = HeldInline(attribute) ? place.slot : *reinterpret_cast<void**>(place.slot);
  // A non-final object has an indicator structure of its own.
  if (attribute.typecode == SQLT_NTY && !EmbeddedObject(attribute) && *value) {
    auto held = state.objects.instances.find(*value);
    if (held != state.objects.instances.end()) *attribute_indicator = held->second->indicators->data();
  }
  if (attribute.typecode == OCI_TYPECODE_NAMEDCOLLECTION && *value)
    *attribute_indicator = place.indicator;
  if (attribute_type) *attribute_type = reinterpret_cast<OCIType*>(attribute.nested);
  return OCI_SUCCESS;
}

sword OCIObjectCopy(OCIEnv* env, OCIError* error, const OCISvcCtx* context, void* source, void* source_indicator,
                    void* target, void* target_indicator, OCIType* tdo, ub2, ub1) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectTypeDef* type = TypeOf(state.objects, tdo);
  Log(state, "OCIObjectCopy type=" + (type ? type->FullName() : std::string()));
  if (sword status = InjectedStatus(state, "OCIObjectCopy", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !Live(state, context, OCI_HTYPE_SVCCTX)) return OCI_INVALID_HANDLE;
  if (!type || !source || !target || !source_indicator || !target_indicator)
    return Fail(state, error, 21560, "ORA-21560: argument is null, invalid, or out of range");
  CopyStructure(state.objects, *type, static_cast<char*>(target), static_cast<const char*>(source));
  std::memcpy(target_indicator, source_indicator, type->indicator_size);
  return OCI_SUCCESS;
}

sword OCIObjectGetObjectRef(OCIEnv* env, OCIError* error, void* object, OCIRef* ref) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIObjectGetObjectRef");
  if (sword status = InjectedStatus(state, "OCIObjectGetObjectRef", error)) return status;
  auto* live_ref = reinterpret_cast<ObjectRef*>(ref);
  if (!Live(state, env, OCI_HTYPE_ENV) || !state.objects.refs.count(live_ref)) return OCI_INVALID_HANDLE;
  if (!state.objects.instances.count(object))
    return Fail(state, error, 21710, "ORA-21710: argument is expecting a valid memory address of an object");
  live_ref->target = object;
  return OCI_SUCCESS;
}

sword OCIObjectPin(OCIEnv* env, OCIError* error, OCIRef* ref, void*, int pin_option, ub2 duration, int lock_option,
                   void** object) {
  State& state = TheState();
  Guard guard(state.lock);
  auto* live_ref = reinterpret_cast<ObjectRef*>(ref);
  const bool known = state.objects.refs.count(live_ref) > 0;
  auto found = known ? state.objects.instances.find(live_ref->target) : state.objects.instances.end();
  Log(state, "OCIObjectPin type=" +
                 (found != state.objects.instances.end() ? found->second->type->FullName() : std::string()) +
                 " pin=" + std::to_string(pin_option) + " duration=" + std::to_string(duration) +
                 " lock=" + std::to_string(lock_option));
  if (sword status = InjectedStatus(state, "OCIObjectPin", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !known || !object) return OCI_INVALID_HANDLE;
  if (found == state.objects.instances.end())
    return Fail(state, error, 21700, "ORA-21700: object does not exist or is marked for delete");
  ++found->second->pins;
  *object = found->first;
  return OCI_SUCCESS;
}

}  // extern "C"

namespace {

// An unpin, flush or mark-delete: logged with the instance's type, then
// `act` on the instance.
template <class Act>
sword OnInstance(const char* entry, OCIEnv* env, OCIError* error, void* object, Act act) {
  State& state = TheState();
  Guard guard(state.lock);
  auto found = state.objects.instances.find(object);
  ObjectInstance* instance = found == state.objects.instances.end() ? nullptr : found->second.get();
  Log(state, std::string(entry) + " type=" + (instance ? instance->type->FullName() : std::string()));
  if (sword status = InjectedStatus(state, entry, error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV)) return OCI_INVALID_HANDLE;
  if (!instance)
    return Fail(state, error, 21710, "ORA-21710: argument is expecting a valid memory address of an object");
  return act(state, *instance);
}

}  // namespace

extern "C" {

sword OCIObjectUnpin(OCIEnv* env, OCIError* error, void* object) {
  return OnInstance("OCIObjectUnpin", env, error, object, [error](State& state, ObjectInstance& instance) {
    if (instance.pins == 0) return Fail(state, error, 21710, "ORA-21710: object is not pinned");
    --instance.pins;
    return OCI_SUCCESS;
  });
}

sword OCIObjectFlush(OCIEnv* env, OCIError* error, void* object) {
  // The server stores what it is given: a LOB attribute must name a LOB.
  return OnInstance("OCIObjectFlush", env, error, object, [error, object](State& state, ObjectInstance& instance) {
    Log(state, "flushed " + InstanceValueText(state, object));
    if (HasUnsetLob(state, object)) return Fail(state, error, 22275, "ORA-22275: invalid LOB locator specified");
    instance.flushed = true;
    return OCI_SUCCESS;
  });
}

sword OCIObjectMarkDelete(OCIEnv* env, OCIError* error, void* object) {
  return OnInstance("OCIObjectMarkDelete", env, error, object, [](State&, ObjectInstance& instance) {
    instance.deleted = true;
    return OCI_SUCCESS;
  });
}

sword OCIObjectMarkUpdate(OCIEnv* env, OCIError* error, void* object) {
  return OnInstance("OCIObjectMarkUpdate", env, error, object, [](State&, ObjectInstance& instance) {
    instance.updated = true;
    return OCI_SUCCESS;
  });
}

}  // extern "C"

// ---- Collections and strings -------------------------------------------------

namespace {

ObjectString* LiveString(State& state, const void* pointer) {
  auto* string = static_cast<ObjectString*>(const_cast<void*>(pointer));
  return state.objects.strings.count(string) ? string : nullptr;
}

// Stores an element (value in the form callers hand it over) and its indicator.
void PutElement(State& state, ObjectCollection& collection, std::size_t index, const void* value,
                const void* indicator) {
  const ObjectAttributeDef& element = collection.type->attributes.at(0);
  collection.deleted.erase(index);  // an assigned element exists again
  CopyValue(state.objects, element, collection.elements[index]->data(), value);
  if (indicator) std::memcpy(collection.indicators[index]->data(), indicator, IndicatorWidth(element));
  else *IndicatorAt(collection.indicators[index]->data(), 0) = OCI_IND_NOTNULL;
}

}  // namespace

extern "C" {

sword OCICollSize(OCIEnv* env, OCIError* error, const OCIColl* collection, sb4* size) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCICollSize");
  if (sword status = InjectedStatus(state, "OCICollSize", error)) return status;
  ObjectCollection* live = LiveCollection(state, collection);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !size) return OCI_INVALID_HANDLE;
  *size = static_cast<sb4>(live->elements.size());
  return OCI_SUCCESS;
}

sword OCICollGetElem(OCIEnv* env, OCIError* error, const OCIColl* collection, sb4 index, boolean* exists,
                     void** element, void** element_indicator) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectCollection* live = LiveCollection(state, collection);
  const bool present = live && index >= 0 && static_cast<std::size_t>(index) < live->elements.size() &&
                       !live->deleted.count(static_cast<std::size_t>(index));
  Log(state, "OCICollGetElem index=" + std::to_string(index) + " exists=" + std::to_string(present ? 1 : 0));
  if (sword status = InjectedStatus(state, "OCICollGetElem", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !exists || !element) return OCI_INVALID_HANDLE;
  *exists = present ? 1 : 0;
  *element = present ? live->elements[static_cast<std::size_t>(index)]->data() : nullptr;
  if (element_indicator)
    *element_indicator = present ? live->indicators[static_cast<std::size_t>(index)]->data() : nullptr;
  return OCI_SUCCESS;
}

sword OCICollAppend(OCIEnv* env, OCIError* error, const void* element, const void* element_indicator,
                    OCIColl* collection) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectCollection* live = LiveCollection(state, collection);
  Log(state, "OCICollAppend size=" + std::to_string(live ? live->elements.size() + 1 : 0));
  if (sword status = InjectedStatus(state, "OCICollAppend", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !element) return OCI_INVALID_HANDLE;
  const ObjectTypeDef& type = *live->type;
  if (type.collection_typecode == OCI_TYPECODE_VARRAY && live->elements.size() >= type.max_elements)
    return Fail(state, error, 22165, "ORA-22165: given index must be in the range of the varray");
  const ObjectAttributeDef& definition = type.attributes.at(0);
  live->elements.push_back(std::make_unique<Block>(SlotSize(definition)));
  live->indicators.push_back(std::make_unique<Block>(IndicatorWidth(definition)));
  if (EmbeddedObject(definition))
    InitValues(state.objects, *definition.nested, live->elements.back()->data(), live->indicators.back()->data());
  PutElement(state, *live, live->elements.size() - 1, element, element_indicator);
  return OCI_SUCCESS;
}

sword OCICollAssignElem(OCIEnv* env, OCIError* error, sb4 index, const void* element, const void* element_indicator,
                        OCIColl* collection) {
  State& state = TheState();
  Guard guard(state.lock);
  const OCIInd null = element_indicator ? *static_cast<const OCIInd*>(element_indicator) : 0;
  Log(state, "OCICollAssignElem index=" + std::to_string(index) + " null=" + std::to_string(null));
  if (sword status = InjectedStatus(state, "OCICollAssignElem", error)) return status;
  ObjectCollection* live = LiveCollection(state, collection);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live) return OCI_INVALID_HANDLE;
  if (index < 0 || static_cast<std::size_t>(index) >= live->elements.size())
    return Fail(state, error, 22165, "ORA-22165: given index [" + std::to_string(index) + "] must be in the range");
  if (null == OCI_IND_NULL || !element) {
    *IndicatorAt(live->indicators[static_cast<std::size_t>(index)]->data(), 0) = OCI_IND_NULL;
    return OCI_SUCCESS;
  }
  PutElement(state, *live, static_cast<std::size_t>(index), element, element_indicator);
  return OCI_SUCCESS;
}

OraText* OCIStringPtr(OCIEnv*, const OCIString* text) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectString* live = LiveString(state, text);
  return live ? reinterpret_cast<OraText*>(live->text.data()) : nullptr;
}

ub4 OCIStringSize(OCIEnv*, const OCIString* text) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectString* live = LiveString(state, text);
  return live ? static_cast<ub4>(live->text.size()) : 0;
}

sword OCIStringAssignText(OCIEnv* env, OCIError* error, const OraText* source, ub4 length, OCIString** text) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIStringAssignText length=" + std::to_string(length));
  if (sword status = InjectedStatus(state, "OCIStringAssignText", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !text || (*text && !LiveString(state, *text))) return OCI_INVALID_HANDLE;
  if (!*text) *text = reinterpret_cast<OCIString*>(NewString(state.objects, ""));
  reinterpret_cast<ObjectString*>(*text)->text.assign(reinterpret_cast<const char*>(source), source ? length : 0);
  return OCI_SUCCESS;
}

sword OCIStringResize(OCIEnv* env, OCIError* error, ub4 size, OCIString** text) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIStringResize size=" + std::to_string(size));
  if (sword status = InjectedStatus(state, "OCIStringResize", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !text || (*text && !LiveString(state, *text))) return OCI_INVALID_HANDLE;
  auto* live = reinterpret_cast<ObjectString*>(*text);
  if (size == 0) {
    if (live) {
      state.objects.strings.erase(live);
      delete live;
    }
    *text = nullptr;
    return OCI_SUCCESS;
  }
  if (!live) *text = reinterpret_cast<OCIString*>(live = NewString(state.objects, ""));
  live->text.resize(std::min<std::size_t>(live->text.size(), size));
  return OCI_SUCCESS;
}

}  // extern "C"
