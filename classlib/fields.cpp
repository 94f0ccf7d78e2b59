// TFields: a data set's ordered field list.
#include "classlib/fields.h"

#include <algorithm>

#include "classlib/ansistr.h"
#include "classlib/dataset.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"

namespace classlib {

TFields::TFields(TDataSet* data_set, TObjectField* parent) : data_set_(data_set), parent_(parent) {}

TFields::~TFields() = default;

TField* TFields::Fields(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return fields_[static_cast<std::size_t>(index)];
}

void TFields::Add(TField* field) {
  if (IndexOf(field) >= 0) return;
  if (!field->FieldName().empty() && FindField(field->FieldName()) != nullptr)
    DatabaseError(FormatMessage("Duplicate field name '%s'", {field->DisplayName()}), data_set_);
  fields_.push_back(field);
}

void TFields::Remove(TField* field) { std::erase(fields_, field); }

void TFields::Clear() {
  // Each field leaves the list as it is destroyed; walk a copy.
  std::vector<TField*> doomed;
  doomed.swap(fields_);
  for (TField* field : doomed) {
    field->data_set_ = nullptr;
    field->parent_field_ = nullptr;
    delete field;
  }
}

int TFields::IndexOf(const TField* field) const {
  auto it = std::find(fields_.begin(), fields_.end(), field);
  return it == fields_.end() ? -1 : static_cast<int>(it - fields_.begin());
}

void TFields::SetFieldIndex(TField* field, int index) {
  int current = IndexOf(field);
  if (current < 0) return;
  index = std::clamp(index, 0, Count() - 1);
  fields_.erase(fields_.begin() + current);
  fields_.insert(fields_.begin() + index, field);
}

TField* TFields::FindField(std::string_view name) const {
  for (TField* field : fields_)
    if (SameText(field->FieldName(), name)) return field;
  return nullptr;
}

TField* TFields::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr) DatabaseError(FormatMessage("Field '%s' not found", {name}), data_set_);
  return field;
}

TField* TFields::FieldByNumber(int field_no) const {
  for (TField* field : fields_)
    if (field->FieldNo() == field_no) return field;
  return nullptr;
}

}  // namespace classlib
