// What the layer's field classes need to know about their data set beyond
// the class library's data-set API: the select statement's column facts,
// the record layout, the connection's character set and the prepare
// options. The buffered data set implements it; a field whose data set does
// not falls back to the class library's behaviour.
#pragma once

#include <memory>
#include <string>

#include "classlib/field.h"
#include "classlib/variant.h"
#include "fib/records/field_descr_list.h"
#include "fib/statements/zod_options.h"

namespace fib {

class TpZODArray;

// One column of the select statement, as its descriptor reports it.
struct TFIBColumnInfo {
  int SQLType = 0;   // nullable bit cleared (580 is INT64)
  int Scale = 0;     // 0 or negative: -2 means two decimals
  int SubType = 0;   // the character set id of text columns
  int DataSize = 0;  // the value's bytes in the record, 0 when unknown
};

class IFIBFieldsOwner {
 public:
  virtual ~IFIBFieldsOwner() = default;
  // Looks a column up by the field's name; false when there is none.
  virtual bool ColumnInfo(const std::string& field_name, TFIBColumnInfo& info) const = 0;
  // The layout descriptor of a data field; nullptr when it has none.
  virtual const TFIBFieldDescr* FieldDescr(const classlib::TField* field) const = 0;
  // Whether the connection talks UNICODE_FSS (text arrives as UTF-8).
  virtual bool UnicodeConnection() const = 0;
  virtual TpPrepareOptions PrepareOptions() const = 0;
  // The array object of an array column, described by the server; nullptr
  // when the column has no descriptor to look up.
  virtual std::unique_ptr<TpZODArray> CreateArray(classlib::TField* field) = 0;
  // The elements of an array column of the current record, and writing
  // them back.
  virtual classlib::Variant ArrayValues(classlib::TField* field) = 0;
  virtual void SetArrayValues(classlib::TField* field, const classlib::Variant& values) = 0;
};

// The owner interface of a field's data set, or nullptr.
IFIBFieldsOwner* FieldsOwnerOf(const classlib::TField& field);
// The field's column facts: false when the data set cannot tell.
bool FieldColumnInfo(const classlib::TField& field, TFIBColumnInfo& info);
// The field's scale: -15 for fields that are not data fields, 0 when unknown.
int FieldScale(const classlib::TField& field);

}  // namespace fib
