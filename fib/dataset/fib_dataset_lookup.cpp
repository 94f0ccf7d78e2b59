// Lookup: the values of some fields in the record whose key fields hold
// given values, found without moving the data set for good.
#include <vector>

#include "classlib/field.h"
#include "fib/base/str_util.h"
#include "fib/dataset/fib_dataset.h"

namespace fib {

using classlib::Variant;

namespace {

Variant ValuesOf(const std::vector<classlib::TField*>& fields) {
  if (fields.size() == 1) return fields.front()->Value();
  std::vector<Variant> values;
  for (classlib::TField* field : fields) values.push_back(field->Value());
  return classlib::VarArrayOf(values);
}

}  // namespace

Variant TFIBCustomDataSet::Lookup(const std::string& key_fields, const Variant& key_values,
                                  const std::string& result_fields) {
  if (IsBlankStr(result_fields)) return classlib::Null();
  CheckActive();
  if (LimitedCacheModel()) return LimitedCacheLookup(key_fields, key_values, result_fields);
  std::vector<classlib::TField*> results;
  GetFieldList(results, result_fields);
  const classlib::TBookmark position = GetBookmark();
  Variant result = classlib::Null();
  DisableControls();
  try {
    if (LocateByKeys(key_fields, key_values, {}, true, ldFirst, true)) result = ValuesOf(results);
    if (!position.empty()) GotoBookmark(position);
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
  return result;
}

}  // namespace fib
