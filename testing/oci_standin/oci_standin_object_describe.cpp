// Describing declared types through OCIDescribeAny: a tree of parameter
// descriptors under the describe handle (the type, its list of attributes
// or its collection element) whose attributes the generic OCIAttrGet reads.
// Also the control interface that declares the types.
#include <string>

#include "testing/oci_standin/oci_standin_objects_control.h"
#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

// The attributes of a list parameter are kept as pointers from this number on.
constexpr ub4 kListItem = 100000;

template <class T>
void PutScalar(Handle* handle, ub4 attribute, T value) {
  handle->values[attribute].assign(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string Unquoted(const std::string& part) {
  return part.size() > 1 && part.front() == '"' && part.back() == '"' ? part.substr(1, part.size() - 2) : part;
}

ObjectTypeDef* FindDeclared(ObjectWorld& world, const std::string& schema, const std::string& name) {
  for (auto& [key, type] : world.types)
    if (type->name == name && (schema.empty() || type->schema == schema)) return type.get();
  return nullptr;
}

Handle* DescribeAttribute(State& state, Handle* owner, const ObjectAttributeDef& attribute) {
  Handle* param = NewHandle(state, OCI_DTYPE_PARAM, owner);
  param->name = attribute.name;
  PutScalar<ub2>(param, OCI_ATTR_TYPECODE, attribute.typecode);
  PutScalar<ub2>(param, OCI_ATTR_DATA_SIZE, static_cast<ub2>(attribute.length));
  PutScalar<ub2>(param, OCI_ATTR_PRECISION, static_cast<ub2>(attribute.precision));
  PutScalar<ub1>(param, OCI_ATTR_SCALE, static_cast<ub1>(static_cast<sb1>(attribute.scale)));
  if (attribute.nested) {
    param->values[OCI_ATTR_SCHEMA_NAME] = attribute.nested->schema;
    param->values[OCI_ATTR_TYPE_NAME] = attribute.nested->name;
  }
  return param;
}

}  // namespace

namespace standin {

sword ObjectListParamGet(State& state, Handle* list, OCIError* error, void** param, ub4 position) {
  auto found = list->pointers.find(kListItem + position);
  if (position < 1 || found == list->pointers.end())
    return Fail(state, error, 24334, "ORA-24334: no descriptor for this position");
  *param = found->second;
  return OCI_SUCCESS;
}

}  // namespace standin

extern "C" {

sword OCIDescribeAny(OCISvcCtx* context, OCIError* error, void* object, ub4 length, ub1 object_kind,
                     ub1 info_level, ub1 object_type, OCIDescribe* describe) {
  State& state = TheState();
  Guard guard(state.lock);
  const std::string name(static_cast<const char*>(object), object ? length : 0);
  Log(state, "OCIDescribeAny name=" + name + " otype=" + std::to_string(object_kind) +
                 " level=" + std::to_string(info_level) + " ptype=" + std::to_string(object_type));
  if (sword status = InjectedStatus(state, "OCIDescribeAny", error)) return status;
  Handle* handle = Live(state, describe, OCI_HTYPE_DESCRIBE);
  if (!Live(state, context, OCI_HTYPE_SVCCTX) || !handle || !Live(state, error, OCI_HTYPE_ERROR))
    return OCI_INVALID_HANDLE;
  if (object_kind != OCI_OTYPE_NAME || object_type != OCI_PTYPE_TYPE)
    return Fail(state, error, 24372, "ORA-24372: invalid object for describe");
  const std::size_t dot = name.find("\".\"");
  const std::string schema = dot == std::string::npos ? "" : Unquoted(name.substr(0, dot + 1));
  const std::string type_name = Unquoted(dot == std::string::npos ? name : name.substr(dot + 2));
  ObjectTypeDef* type = FindDeclared(state.objects, schema, type_name);
  if (!type) return Fail(state, error, 4043, "ORA-04043: object " + name + " does not exist");

  Handle* param = NewHandle(state, OCI_DTYPE_PARAM, handle);
  handle->pointers[OCI_ATTR_PARAM] = param;
  PutScalar<ub2>(param, OCI_ATTR_TYPECODE, type->typecode);
  PutScalar<ub1>(param, OCI_ATTR_IS_FINAL_TYPE, type->final_type ? 1 : 0);
  if (type->typecode == OCI_TYPECODE_NAMEDCOLLECTION) {
    PutScalar<ub2>(param, OCI_ATTR_COLLECTION_TYPECODE, type->collection_typecode);
    Handle* element = DescribeAttribute(state, handle, type->attributes.at(0));
    PutScalar<ub4>(element, OCI_ATTR_NUM_ELEMS, type->max_elements);
    param->pointers[OCI_ATTR_COLLECTION_ELEMENT] = element;
    return OCI_SUCCESS;
  }
  PutScalar<ub2>(param, OCI_ATTR_NUM_TYPE_ATTRS, static_cast<ub2>(type->attributes.size()));
  Handle* list = NewHandle(state, OCI_DTYPE_PARAM, handle);
  param->pointers[OCI_ATTR_LIST_TYPE_ATTRS] = list;
  for (std::size_t i = 0; i < type->attributes.size(); ++i)
    list->pointers[kListItem + static_cast<ub4>(i + 1)] = DescribeAttribute(state, handle, type->attributes[i]);
  return OCI_SUCCESS;
}

int standin_object_type(const char* schema, const char* name, int typecode, int final_type,
                        int collection_typecode, int max_elements, int instance_size, int indicator_size) {
  State& state = TheState();
  Guard guard(state.lock);
  auto type = std::make_unique<ObjectTypeDef>();
  type->schema = schema ? schema : "";
  type->name = name ? name : "";
  type->typecode = static_cast<ub2>(typecode);
  type->final_type = final_type != 0;
  type->collection_typecode = static_cast<ub2>(collection_typecode);
  type->max_elements = static_cast<ub4>(max_elements);
  type->instance_size = static_cast<std::size_t>(instance_size);
  type->indicator_size = static_cast<std::size_t>(indicator_size);
  const std::string key = type->FullName();
  state.objects.types[key] = std::move(type);
  return 0;
}

int standin_object_attribute(const char* owner, const char* name, int typecode, int length, int precision,
                             int scale, const char* nested, int offset, int indicator_offset) {
  State& state = TheState();
  Guard guard(state.lock);
  auto found = state.objects.types.find(owner ? owner : "");
  if (found == state.objects.types.end()) return -1;
  ObjectAttributeDef attribute;
  attribute.name = name ? name : "";
  attribute.typecode = static_cast<ub2>(typecode);
  attribute.length = length;
  attribute.precision = precision;
  attribute.scale = scale;
  if (nested && *nested) {
    auto type = state.objects.types.find(nested);
    if (type == state.objects.types.end()) return -1;
    attribute.nested = type->second.get();
  }
  attribute.offset = static_cast<std::size_t>(offset);
  attribute.indicator_offset = static_cast<std::size_t>(indicator_offset);
  found->second->attributes.push_back(attribute);
  return 0;
}

int standin_object_live_count(void) {
  State& state = TheState();
  Guard guard(state.lock);
  const ObjectWorld& world = state.objects;
  return static_cast<int>(world.instances.size() + world.collections.size() + world.strings.size() +
                          world.refs.size());
}

int standin_object_pin_count(void) {
  State& state = TheState();
  Guard guard(state.lock);
  int pins = 0;
  for (const auto& [address, instance] : state.objects.instances) pins += instance->pins;
  return pins;
}

}  // extern "C"
