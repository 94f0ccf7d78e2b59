// Lets a filter expression read the fields of a class-library data set.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "classlib/dataset.h"
#include "classlib/field.h"
#include "fib/sql/filter_fields.h"

namespace fib {

class TDataSetFilterFields : public TFilterFieldSource {
 public:
  explicit TDataSetFilterFields(classlib::TDataSet& data_set) : data_set_(data_set) {}

  TFilterField* FindField(const std::string& name) override;
  // The data set's own "Field '%s' not found" for an unknown name.
  TFilterField* FieldByName(const std::string& name) override;
  // Forgets the views; call it with the filter's ClearFieldCache when the
  // data set's fields are recreated.
  void Clear() { views_.clear(); }

 private:
  class FieldView : public TFilterField {
   public:
    explicit FieldView(classlib::TField& field) : field_(field) {}
    classlib::Variant Value() const override { return field_.Value(); }
    classlib::TFieldType DataType() const override { return field_.DataType(); }

   private:
    classlib::TField& field_;
  };

  TFilterField* ViewOf(classlib::TField* field);

  classlib::TDataSet& data_set_;
  std::map<classlib::TField*, std::unique_ptr<FieldView>> views_;
};

}  // namespace fib
