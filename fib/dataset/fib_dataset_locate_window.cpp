// Lookup in the limited cache model: the key search runs over the records of
// the window, and a row the window does not hold is asked of the server.
#include <vector>

#include "classlib/field.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/records/key_search.h"
#include "fib/records/limited_cache_sql.h"
#include "fib/sql/sql_clauses.h"
#include "fib/statements/fib_query.h"

namespace fib {

using classlib::TField;
using classlib::Variant;

namespace {

Variant ResultOf(const std::vector<Variant>& values) {
  return values.size() == 1 ? values.front() : classlib::VarArrayOf(values);
}

}  // namespace

Variant TFIBCustomDataSet::LimitedCacheLookup(const std::string& key_fields,
                                              const Variant& key_values,
                                              const std::string& result_fields) {
  std::vector<TField*> results;
  GetFieldList(results, result_fields);
  std::vector<Variant> values;
  const TKeySearchResult in_window =
      SearchKeys(key_fields, key_values, {lkoFetchedOnly}, true, ldFirst);
  if (in_window.found) {
    for (TField* field : results) values.push_back(CachedFieldValue(in_window.index, field));
    return ResultOf(values);
  }
  // Not in the window: a statement of its own selects the row; the window
  // and the cursor stay as they are.
  std::vector<TField*> keys;
  GetFieldList(keys, key_fields);
  std::vector<KeysetField> keyset;
  for (TField* field : keys) keyset.push_back(KeysetFieldOf(field, "", true));
  const std::string select = QSelect()->SQL().Text();
  TFIBQuery lookup(nullptr);
  lookup.SetName("QLookUp");
  lookup.SetDatabase(Database());
  lookup.SetTransaction(Transaction());
  lookup.SetGoToFirstRecordOnExecute(false);
  lookup.SQL().SetText(AddToWhereClause(select, LocateEqualCondition(select, keyset)));
  for (size_t k = 0; k < keys.size(); ++k)
    lookup.ParamByName(kLocateParamPrefix + keys[k]->FieldName()).SetAsVariant(LocateKeyValue(key_values, k));
  for (int i = 0; i < QSelect()->ParamCount(); ++i) {
    int index = 0;
    if (lookup.ParamExist(QSelect()->ParamName(i), index))
      lookup.SetParamValue(index, QSelect()->ParamValue(i));
  }
  lookup.ExecQuery();
  if (!lookup.Next()) return classlib::Null();
  for (TField* field : results) {
    TFIBXSQLVAR* column = lookup.FindField(field->FieldName());
    values.push_back(column != nullptr ? column->AsVariant() : classlib::Null());
  }
  return ResultOf(values);
}

}  // namespace fib
