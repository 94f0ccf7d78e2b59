// The tables a query reads: TOCITableInfo, the Oracle rules for table names
// (schema.object@link, each part quoted or upper-cased by itself), and
// ParseTablesInfo, which lists the tables of a SELECT's FROM clause.
#pragma once

#include <string>

#include "dacore/driver_table_info.h"

namespace oracle {

class TOCITableInfo : public dacore::TCRTableInfo {
  CLASSLIB_CLASS(TOCITableInfo, dacore::TCRTableInfo)
 public:
  using TCRTableInfo::TCRTableInfo;

  // Each part in double quotes; the link follows the object unquoted.
  std::string QuoteTableName(const std::string& name) const override;
  // Each part quoted when asked or when it needs quotes; unquoted parts
  // upper-cased, as the server reads them.
  std::string NormalizeTableName(const std::string& name, bool quote_names) const override;
  // The same splitting for a name taken from SQL text (never quoted anew).
  std::string NormalizeSQLTableName(const std::string& name) const {
    return NormalizeTableName(name, false);
  }

 private:
  std::string NormalizePart(const std::string& part, bool quote_names) const;
};

dacore::TTableInfoClass OCITableInfoClass();

// Clears the list, then adds every table of the FROM clause at parenthesis
// depth 0 with its alias (unquoted names upper-cased, quoted ones kept);
// sub-queries in the clause are passed over. Answers the number of tables.
int ParseTablesInfo(const std::string& sql, dacore::TCRTablesInfo& tables_info);

}  // namespace oracle
