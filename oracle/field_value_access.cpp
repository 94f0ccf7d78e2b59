// The value object of a field's column in the active record.
#include "oracle/field_value_access.h"

#include "classlib/ansistr.h"
#include "classlib/dataset.h"
#include "dacore/memds_dataset.h"

namespace oracle {

using namespace classlib;

void* FieldValueObject(const TField& field) {
  auto* data_set = dynamic_cast<dacore::TMemDataSet*>(field.DataSet());
  if (data_set == nullptr || field.FieldNo() < 1 || data_set->RecordSet() == nullptr) return nullptr;
  return data_set->GetFieldObject(const_cast<TField*>(&field));
}

std::string FieldClassDescription(const std::string& name, bool is_null) {
  const std::string text = "(" + name + ")";
  return is_null ? text : AnsiUpperCase(text);
}

void ChangeFieldValue(TField& field, const std::function<bool(void* object)>& change) {
  TDataSet* data_set = field.DataSet();
  if (data_set == nullptr) DatabaseError(FormatMessage("Field '%s' has no dataset", {field.DisplayName()}));
  const TDataSetState state = data_set->State();
  if (state != dsEdit && state != dsInsert && state != dsSetKey && state != dsNewValue)
    DatabaseError("Dataset not in edit or insert mode", data_set);
  if (field.ReadOnly()) DatabaseError(FormatMessage("Field '%s' cannot be modified", {field.DisplayName()}), data_set);
  void* object = FieldValueObject(field);
  if (object == nullptr) DatabaseError(FormatMessage("Field '%s' cannot be modified", {field.DisplayName()}), data_set);
  // A change that raises leaves the object as it was and the record untouched.
  const bool is_null = change(object);
  field.SetData(is_null ? nullptr : &object);
}

}  // namespace oracle
