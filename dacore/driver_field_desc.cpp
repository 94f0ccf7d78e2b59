// TCRFieldDesc: names as statements write them.
#include "dacore/driver_field_desc.h"

#include "dacore/driver_record_set.h"

namespace dacore {

std::string TCRFieldDesc::GetQuotedName(TCRRecordSet& record_set, bool quote_names) const {
  const std::string& stored = quoted_names_[quote_names ? 1 : 0];
  if (!stored.empty()) return stored;
  const TCRTableInfo& rules = table_info_ ? *table_info_ : record_set.TablesInfo().ClassRules();
  return rules.NormalizeName(Name(), quote_names);
}

}  // namespace dacore
