#include "fib/records/field_data.h"

#include <optional>

#include "classlib/bcd.h"
#include "classlib/dataset.h"
#include "fib/base/numeric_text.h"

namespace fib {

using classlib::TDataSet;

bool ReadFieldData(classlib::TField* field, bool old_value, void* buffer) {
  TDataSet* data_set = field->DataSet();
  std::optional<TDataSet::StateSwitch> old_view;
  if (old_value) old_view.emplace(*data_set, classlib::dsOldValue);
  return data_set->GetFieldData(field, buffer);
}

classlib::Variant BCDFieldAsVariantText(classlib::TField* field, bool old_value, bool point) {
  std::optional<TDataSet::StateSwitch> old_view;
  if (old_value) old_view.emplace(*field->DataSet(), classlib::dsOldValue);
  if (field->IsNull()) return classlib::Variant::Null();
  classlib::TBcd value = field->AsBCD();
  return classlib::Variant(point ? BCDToPointStr(value) : classlib::BCDToStr(value));
}

}  // namespace fib
