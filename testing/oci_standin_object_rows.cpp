// Object values of fetched rows: a row's text "NAME=value,NAME=value" fills
// the top-level string and NUMBER attributes of the instance a define
// handed over; a null row makes the instance's own indicator null.
#include <sstream>
#include <string>

#include "testing/oci_standin_state.h"

namespace standin {

namespace {

OCIInd* IndicatorOf(ObjectInstance& instance, std::size_t offset) {
  return reinterpret_cast<OCIInd*>(instance.indicators->data() + offset);
}

bool FillAttribute(ObjectWorld& world, ObjectInstance& instance, const std::string& name, const std::string& value) {
  for (const ObjectAttributeDef& attribute : instance.type->attributes) {
    if (attribute.name != name) continue;
    char* slot = instance.data->data() + attribute.offset;
    if (attribute.typecode == SQLT_CHR || attribute.typecode == SQLT_AFC) {
      auto*& string = *reinterpret_cast<ObjectString**>(slot);
      if (!string) {
        string = new ObjectString;
        world.strings.insert(string);
      }
      string->text = value;
    } else if (attribute.typecode == SQLT_NUM) {
      if (!NumberFromText(value, reinterpret_cast<OCINumber*>(slot))) return false;
    } else {
      return false;
    }
    *IndicatorOf(instance, attribute.indicator_offset) = OCI_IND_NOTNULL;
    return true;
  }
  return false;
}

}  // namespace

bool FillObjectRow(State& state, void* instance, const std::optional<std::string>& value) {
  auto found = state.objects.instances.find(instance);
  if (found == state.objects.instances.end()) return false;
  ObjectInstance& object = *found->second;
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
