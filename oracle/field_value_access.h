// How the Oracle field classes reach the value object of their column in
// the active record, and write through it so that the record's null flag,
// the edit checks and the change notice stay those of any other field.
#pragma once

#include <functional>
#include <string>

#include "classlib/field.h"

namespace oracle {

// The object the field's slot holds in the data set's active record;
// nullptr for another kind of data set, no record or no object.
void* FieldValueObject(const classlib::TField& field);

template <class T>
T* FieldValueAs(const classlib::TField& field) {
  return static_cast<T*>(FieldValueObject(field));
}

// What a field shows for a value it cannot show as text: "(Name)" when
// null, upper-cased when it holds a value.
std::string FieldClassDescription(const std::string& name, bool is_null);

// Changes the field's value object in place: the data set must be editing
// and the field writable (else the framework's errors); `change` answers
// whether the value is null afterwards, which the record then records.
void ChangeFieldValue(classlib::TField& field, const std::function<bool(void* object)>& change);

}  // namespace oracle
