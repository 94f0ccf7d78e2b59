// Object values of fetched rows and output binds: a row's text
// "NAME=value,NAME=value" fills the top-level string and NUMBER attributes
// of the instance a define handed over (the attributes it does not name
// NULL), "value,value" the elements of a
// collection of strings or NUMBERs ("NAME=value;NAME=value" each element of
// a collection of objects), and an XML instance takes the text as
// its document; a null row makes the value's own indicator null.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "testing/oci_standin/oci_standin_state.h"

namespace standin {

namespace {

OCIInd* IndicatorOf(ObjectInstance& instance, std::size_t offset) {
  return reinterpret_cast<OCIInd*>(instance.indicators->data() + offset);
}

// A string or NUMBER value into its slot.
bool FillSlot(ObjectWorld& world, const ObjectAttributeDef& attribute, char* slot, const std::string& value) {
  if (attribute.typecode == SQLT_CHR || attribute.typecode == SQLT_AFC) {
    auto*& string = *reinterpret_cast<ObjectString**>(slot);
    if (!string) {
      string = new ObjectString;
      world.strings.insert(string);
    }
    string->text = value;
    return true;
  }
  return attribute.typecode == SQLT_NUM && NumberFromText(value, reinterpret_cast<OCINumber*>(slot));
}

bool FillAttribute(ObjectWorld& world, ObjectInstance& instance, const std::string& name, const std::string& value) {
  for (const ObjectAttributeDef& attribute : instance.type->attributes) {
    if (attribute.name != name) continue;
    if (!FillSlot(world, attribute, instance.data->data() + attribute.offset, value)) return false;
    *IndicatorOf(instance, attribute.indicator_offset) = OCI_IND_NOTNULL;
    return true;
  }
  return false;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream list(text);
  for (std::string part; std::getline(list, part, ',');) parts.push_back(part);
  return parts;
}

// An element of a collection of final objects: "NAME=value;NAME=value"
// fills its string and NUMBER attributes, the others stay null.
bool FillElementObject(ObjectWorld& world, ObjectCollection& collection, const std::string& item) {
  const auto [data, indicators] = AppendObjectElement(world, collection);
  std::stringstream pairs(item);
  for (std::string pair; std::getline(pairs, pair, ';');) {
    const std::size_t equals = pair.find('=');
    if (equals == std::string::npos) return false;
    const std::string name = Upper(Trimmed(pair.substr(0, equals)));
    const auto& attributes = collection.type->attributes.at(0).nested->attributes;
    auto attribute = std::find_if(attributes.begin(), attributes.end(),
                                  [&](const ObjectAttributeDef& a) { return a.name == name; });
    if (attribute == attributes.end() || !FillSlot(world, *attribute, data + attribute->offset, pair.substr(equals + 1)))
      return false;
    *reinterpret_cast<OCIInd*>(indicators + attribute->indicator_offset) = OCI_IND_NOTNULL;
  }
  return true;
}

bool FillCollection(State& state, ObjectCollection& collection, const std::optional<std::string>& value) {
  TrimCollection(state.objects, collection, collection.elements.size());
  collection.deleted.clear();
  collection.own_indicator = value ? OCI_IND_NOTNULL : OCI_IND_NULL;
  if (!value) return true;
  const ObjectAttributeDef& element = collection.type->attributes.at(0);
  if (collection.type->max_elements && Split(*value).size() > collection.type->max_elements) return false;
  const bool objects = element.typecode == SQLT_NTY && element.nested && element.nested->final_type;
  for (const std::string& item : Split(*value)) {
    if (objects) {
      if (!FillElementObject(state.objects, collection, item)) return false;
      continue;
    }
    collection.elements.push_back(std::make_unique<Block>(std::max(collection.type->instance_size, sizeof(void*))));
    collection.indicators.push_back(std::make_unique<Block>(sizeof(OCIInd)));
    if (!FillSlot(state.objects, element, collection.elements.back()->data(), item)) return false;
    *reinterpret_cast<OCIInd*>(collection.indicators.back()->data()) = OCI_IND_NOTNULL;
  }
  return true;
}

}  // namespace

bool FillObjectRow(State& state, void* instance, const std::optional<std::string>& value) {
  if (ObjectCollection* collection = FindCollection(state, instance)) return FillCollection(state, *collection, value);
  auto found = state.objects.instances.find(instance);
  if (found == state.objects.instances.end()) return false;
  ObjectInstance& object = *found->second;
  if (object.type && IsXmlType(*object.type)) {
    *IndicatorOf(object, 0) = value ? OCI_IND_NOTNULL : OCI_IND_NULL;
    object.xml = value ? *value : std::string();
    return true;
  }
  // The server's value replaces the whole object: an attribute the row
  // does not name is NULL, whatever the instance held before.
  for (std::size_t at = 0; at + sizeof(OCIInd) <= object.type->indicator_size; at += sizeof(OCIInd))
    *IndicatorOf(object, at) = OCI_IND_NULL;
  *IndicatorOf(object, 0) = value ? OCI_IND_NOTNULL : OCI_IND_NULL;
  if (!value) return true;
  std::stringstream pairs(*value);
  for (std::string pair; std::getline(pairs, pair, ',');) {
    const std::size_t equals = pair.find('=');
    if (equals == std::string::npos) return false;
    if (!FillAttribute(state.objects, object, Upper(Trimmed(pair.substr(0, equals))), pair.substr(equals + 1)))
      return false;
  }
  return true;
}

}  // namespace standin
