// TOraDataSet: its answers to a data provider that differ from the generic
// data set's: the key fields a user gave, and the local order as the
// default one.
#include "classlib/dataset_provider.h"
#include "oracle/query_ora_dataset.h"

namespace oracle {

std::string TOraDataSet::PSGetKeyFields() {
  std::string keys = TCustomDADataSet::PSGetKeyFields();
  return keys.empty() ? KeyFields() : keys;
}

std::unique_ptr<classlib::TIndexDef> TOraDataSet::PSGetDefaultOrder() {
  if (KeyFields().empty() || !IRecordSet() || !IRecordSet()->HasSortColumns())
    return TCustomDADataSet::PSGetDefaultOrder();
  std::string fields, desc_fields;
  for (const dacore::TSortColumn& column : IRecordSet()->SortColumns()) {
    const std::string& name = column.field->Name();
    fields += (fields.empty() ? "" : ";") + name;
    if (column.descending) desc_fields += (desc_fields.empty() ? "" : ";") + name;
  }
  return std::make_unique<classlib::TIndexDef>(fields, desc_fields);
}

}  // namespace oracle
