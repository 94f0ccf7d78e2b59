// What a filter expression needs of the data set it filters: its fields by
// name, each with a type and the value in the current record. Data sets
// provide it through an adapter; tests use a small table of their own.
#pragma once

#include <string>

#include "classlib/db_types.h"
#include "classlib/object.h"
#include "classlib/variant.h"

namespace fib {

class TFilterField : public classlib::TObject {
  CLASSLIB_CLASS(TFilterField, classlib::TObject)
 public:
  // The value in the current record; Null when the field is null.
  virtual classlib::Variant Value() const = 0;
  virtual classlib::TFieldType DataType() const = 0;
};

class TFilterFieldSource {
 public:
  virtual ~TFilterFieldSource() = default;
  // nullptr when there is no such field.
  virtual TFilterField* FindField(const std::string& name) = 0;
  // Raises the data set's own field-not-found error when there is no such field.
  virtual TFilterField* FieldByName(const std::string& name) = 0;
};

}  // namespace fib
