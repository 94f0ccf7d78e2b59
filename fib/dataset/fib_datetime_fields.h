// Date and time fields of the buffered data sets. The record cache keeps
// dates and times already converted at fetch, so the class library's
// fields serve unchanged; the classes exist so that the data set's fields
// are all of this layer and can be told apart.
#pragma once

#include "classlib/field_datetime.h"

namespace fib {

class TFIBDateField : public classlib::TDateField {
  CLASSLIB_CLASS(TFIBDateField, classlib::TDateField)
 public:
  explicit TFIBDateField(classlib::TComponent* owner) : TDateField(owner) {}
};

class TFIBTimeField : public classlib::TTimeField {
  CLASSLIB_CLASS(TFIBTimeField, classlib::TTimeField)
 public:
  explicit TFIBTimeField(classlib::TComponent* owner) : TTimeField(owner) {}
};

class TFIBDateTimeField : public classlib::TDateTimeField {
  CLASSLIB_CLASS(TFIBDateTimeField, classlib::TDateTimeField)
 public:
  explicit TFIBDateTimeField(classlib::TComponent* owner) : TDateTimeField(owner) {}
};

}  // namespace fib
