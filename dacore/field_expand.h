// Object and array columns expanded into attribute and element fields. Such
// fields take no room in the record: their values are read and written
// through the root field's object value, by their path below the root.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "dacore/field_descs.h"

namespace dacore {

// Arrays are expanded into at most this many element fields.
inline constexpr int kMaxArrayExpansion = 100;

// How a store expands its object fields.
struct TFieldExpansion {
  // A new description of the store's description class.
  std::function<std::unique_ptr<TFieldDesc>()> NewFieldDesc = [] { return std::make_unique<TFieldDesc>(); };
  // The name of element i (from 0) of an array or reference field.
  std::function<std::string(int index)> ChildFieldName = [](int index) {
    return "[" + std::to_string(index) + "]";
  };
  // Arrays get one element field only.
  bool OneElementArrays = false;
};

// Appends a field per attribute of `type` (per attribute and element for
// array and reference types) as children of `parent`, expanding object and
// array children in turn.
void InitObjectFields(TFieldDescs& fields, TObjectType* type, TFieldDesc* parent,
                      const TFieldExpansion& how = {});

// The top-level field an attribute or element field belongs to.
const TFieldDesc* RootField(const TFieldDesc* field);
// The path of a field below its root: the names from the root's child down
// joined with ".", an element name ("[" index "]") joined without it, e.g.
// "ADDR.STREET" below a root object, "[3].NAME" below a root array.
std::string AttributePath(const TFieldDesc& field);

}  // namespace dacore
