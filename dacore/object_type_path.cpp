// The walk of an attribute path through nested object types.
#include "classlib/ansistr.h"
#include "dacore/object_type.h"

namespace dacore {

namespace {

// One step of a path: the attribute name and what follows it.
struct PathStep {
  std::string part;
  char separator = 0;  // '.', '[' or 0 at the end
  std::string rest;
};

// Splits the (trimmed) rest of a path; false for an element index without
// its closing bracket. "[i]" names the element attribute of an array type.
bool NextStep(const std::string& path, PathStep& step) {
  const std::string rest = classlib::Trim(path);
  step = PathStep{};
  if (!rest.empty() && rest[0] == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string::npos) return false;
    step.part = "ELEMENT";
    std::size_t next = close + 1;
    if (next < rest.size() && rest[next] == '.') {
      step.separator = '.';
      ++next;
    } else if (next < rest.size() && rest[next] == '[') {
      step.separator = '[';
    } else if (next < rest.size()) {
      return false;  // text glued to the index is no path
    }
    step.rest = rest.substr(next);
    return true;
  }
  const std::size_t at = rest.find_first_of(".[");
  if (at == std::string::npos) {
    step.part = rest;
    return true;
  }
  step.part = rest.substr(0, at);
  step.separator = rest[at];
  step.rest = rest.substr(rest[at] == '.' ? at + 1 : at);
  return true;
}

TAttribute* AttributeNamed(const TObjectType& type, const std::string& upper_name) {
  for (int i = 0; i < type.GetAttributeCount(); ++i)
    if (classlib::AnsiUpperCase(type.GetAttributes(i)->Name()) == upper_name) return type.GetAttributes(i);
  return nullptr;
}

}  // namespace

TAttribute* TObjectType::FindAttribute(const std::string& path) const {
  const TObjectType* type = this;
  std::string rest = classlib::AnsiUpperCase(path);
  PathStep step;
  while (type && NextStep(rest, step)) {
    TAttribute* attribute = AttributeNamed(*type, step.part);
    if (!attribute) return nullptr;
    if (step.separator == 0) return attribute;
    // Only composite attributes have parts; a scalar followed by "[" has no
    // type to continue in either.
    if (step.separator == '.' && !IsObjectValueType(attribute->DataType())) return nullptr;
    type = attribute->ObjectType();
    rest = step.rest;
  }
  return nullptr;
}

}  // namespace dacore
