#include "dacore/field_expand.h"

#include <algorithm>

namespace dacore {

namespace {

// Object and table types have one set of attribute fields; arrays and
// references one per element, up to the cap.
int Repetitions(const TObjectType& type, const TFieldExpansion& how) {
  if (type.DataType() == dtObject || type.DataType() == dtTable) return 1;
  if (how.OneElementArrays) return 1;
  return std::min(type.Size(), kMaxArrayExpansion);
}

// A type that contains itself would expand without end; such a child is
// left unexpanded.
bool IsAncestorType(const TFieldDesc& field) {
  for (const TFieldDesc* f = field.ParentField(); f; f = f->ParentField())
    if (f->ObjectType() == field.ObjectType()) return true;
  return false;
}

void AddChild(TFieldDescs& fields, const TObjectType& type, const TAttribute& attribute,
              TFieldDesc* parent, int index, const TFieldExpansion& how) {
  TFieldDesc* field = fields.Add(how.NewFieldDesc());
  field->SetParentField(parent);
  const bool by_name = type.DataType() == dtObject || type.DataType() == dtTable;
  if (by_name) {
    field->SetName(attribute.Name());
    field->SetActualName(parent->ActualName() + "." + attribute.Name());
  } else {
    field->SetName(how.ChildFieldName(index));
    field->SetActualName(parent->ActualName() + "[" + std::to_string(index) + "]");
  }
  field->SetDataType(attribute.DataType());
  field->SetLength(attribute.Length());
  field->SetFixed(attribute.Fixed());
  field->SetSize(0);
  field->SetFieldNo(static_cast<uint16_t>(fields.Count()));
  field->SetObjectType(attribute.ObjectType());
  field->SetReadOnly(parent->ReadOnly());
  if ((field->DataType() == dtObject || field->DataType() == dtArray) && !IsAncestorType(*field))
    InitObjectFields(fields, field->ObjectType(), field, how);
}

}  // namespace

void InitObjectFields(TFieldDescs& fields, TObjectType* type, TFieldDesc* parent,
                      const TFieldExpansion& how) {
  if (!type) return;
  const int repetitions = Repetitions(*type, how);
  for (int a = 0; a < type->GetAttributeCount(); ++a)
    for (int i = 0; i < repetitions; ++i) AddChild(fields, *type, *type->GetAttributes(a), parent, i, how);
}

const TFieldDesc* RootField(const TFieldDesc* field) {
  while (field && field->HasParent()) field = field->ParentField();
  return field;
}

std::string AttributePath(const TFieldDesc& field) {
  std::string path;
  for (const TFieldDesc* f = &field; f->HasParent(); f = f->ParentField()) {
    const bool glued = path.empty() || path[0] == '[';
    path = f->Name() + (glued ? "" : ".") + path;
  }
  return path;
}

}  // namespace dacore
