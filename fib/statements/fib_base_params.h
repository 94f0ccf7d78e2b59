// Filling a statement's parameters from other statements and data sets, by
// name: what the data sets use for master-detail links and for the old and
// new values of generated modify statements.
#pragma once

#include <span>
#include <string>

#include "classlib/variant.h"

namespace fib {

// What a statement or data set offers to others by name: its parameters
// and, for data sets and open queries, the columns of the current row.
class ISQLObject {
 public:
  virtual ~ISQLObject() = default;
  virtual int ParamCount() const = 0;
  virtual std::string ParamName(int index) const = 0;
  // Finds a parameter by name; index is set when found.
  virtual bool ParamExist(const std::string& name, int& index) const = 0;
  virtual classlib::Variant ParamValue(int index) const = 0;
  virtual void SetParamValue(int index, const classlib::Variant& value) = 0;
  // Finds a column of the current row by name; index is set when found.
  virtual bool FieldExist(const std::string& name, int& index) const = 0;
  // The column's value, or the value it had before editing when `old`.
  virtual classlib::Variant FieldValue(int index, bool old) const = 0;
};

// For each parameter of `target`: a name beginning with "NEW_" (any case)
// is looked up without the prefix; one beginning with "OLD_" likewise, but
// takes the column's old value. Every non-null source that has a column of
// the shortened name, or else a parameter of the full name, assigns it, so
// the last such source wins.
void AssignSQLObjectParams(ISQLObject& target, std::span<ISQLObject* const> sources);

}  // namespace fib
