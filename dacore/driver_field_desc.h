// TCRFieldDesc: the field description that driver record sets create, with
// the table the field comes from and its name as statements write it.
#pragma once

#include <string>

#include "dacore/driver_table_info.h"
#include "dacore/field_desc.h"

namespace dacore {

class TCRRecordSet;

class TCRFieldDesc : public TFieldDesc {
  CLASSLIB_CLASS(TCRFieldDesc, TFieldDesc)
 public:
  // The stored text for quote_names when set, else the name normalised by
  // the table's rules (or the record set's table-info class).
  virtual std::string GetQuotedName(TCRRecordSet& record_set, bool quote_names) const;

  TCRTableInfo* TableInfo() const { return table_info_; }
  void SetTableInfo(TCRTableInfo* value) { table_info_ = value; }
  void SetQuotedName(bool quote_names, const std::string& text) { quoted_names_[quote_names ? 1 : 0] = text; }

 private:
  TCRTableInfo* table_info_ = nullptr;
  std::string quoted_names_[2];
};

}  // namespace dacore
