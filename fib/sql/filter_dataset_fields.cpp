#include "fib/sql/filter_dataset_fields.h"

namespace fib {

TFilterField* TDataSetFilterFields::FindField(const std::string& name) {
  classlib::TField* field = data_set_.FindField(name);
  return field == nullptr ? nullptr : ViewOf(field);
}

TFilterField* TDataSetFilterFields::FieldByName(const std::string& name) {
  return ViewOf(data_set_.FieldByName(name));
}

TFilterField* TDataSetFilterFields::ViewOf(classlib::TField* field) {
  auto& view = views_[field];
  if (!view) view = std::make_unique<FieldView>(*field);
  return view.get();
}

}  // namespace fib
