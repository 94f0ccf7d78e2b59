// The data set seen as a statement-like object: its current record's fields
// and its select statement's parameters, by name or position, so that other
// statements can take their parameters from it.
#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/statements/fib_query.h"

namespace fib {

int TFIBCustomDataSet::ParamCount() const { return select_query_->ParamCount(); }

std::string TFIBCustomDataSet::ParamName(int index) const { return select_query_->ParamName(index); }

bool TFIBCustomDataSet::ParamExist(const std::string& name, int& index) const {
  return select_query_->ParamExist(name, index);
}

classlib::Variant TFIBCustomDataSet::ParamValue(int index) const {
  return select_query_->ParamValue(index);
}

void TFIBCustomDataSet::SetParamValue(int index, const classlib::Variant& value) {
  select_query_->SetParamValue(index, value);
}

bool TFIBCustomDataSet::FieldExist(const std::string& name, int& index) const {
  classlib::TField* field = FindField(name);
  if (field == nullptr) return false;
  index = field->Index();
  return true;
}

classlib::Variant TFIBCustomDataSet::FieldValue(int index, bool old) const {
  classlib::TField* field = Fields()[index];
  if (old && State() != classlib::dsInsert) return field->OldValue();
  return field->Value();
}

}  // namespace fib
