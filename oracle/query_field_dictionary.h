// What the data dictionary says about the columns of a SELECT: the table
// each select-list column comes from (tables named through synonyms and
// database links resolved), the columns a star stands for, and the
// columns' server defaults. Names from the statement reach the dictionary
// inside quoted literals, their apostrophes doubled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oracle/query_field_origins.h"

namespace dacore {
class TCRTablesInfo;
}

namespace oracle {

class TOraSession;

// A table of the FROM clause as the dictionary knows it.
struct TDictionaryTable {
  std::string Name;   // as stored: unquoted upper-cased, quoted kept as written
  std::string Owner;  // empty: not known yet (a table over a link)
  std::string Link;
  uint8_t Flags = 0;
};
inline constexpr uint8_t kTableToResolve = 1;
inline constexpr uint8_t kTableFound = 4;
inline constexpr uint8_t kTableOwnerBySynonym = 8;

// The tables of the tables info split into owner, name and link; a table
// without owner and link belongs to schema.
std::vector<TDictionaryTable> DictionaryTablesOf(const dacore::TCRTablesInfo& tables, const std::string& schema);

// The column query for the tables at the given (0-based) indexes; the
// default column only when asked.
std::string TableColumnsSQL(const std::vector<TDictionaryTable>& tables, const std::vector<int>& indexes,
                            bool with_defaults);
// The synonyms of the tables at the indexes, a private one before a public one.
std::string SynonymsSQL(const std::vector<TDictionaryTable>& tables, const std::vector<int>& indexes);
// The user a database link connects as, the link's own before a public one.
std::string DatabaseLinkSQL(const std::string& schema, const std::string& link);
extern const char* const kSessionUserSQL;

// A column default as the field's default expression: trimmed, without its
// enclosing apostrophes, a NUMBER's "." as the locale's decimal separator.
std::string DefaultValueText(const std::string& stored, const std::string& data_type);

// The select list of sql with every column placed in a table by the
// dictionary (TableIndex; -1 where none is found), stars expanded into
// their tables' columns and, with_defaults on a one-table statement, each
// column's default.
std::vector<TColumnInfo> DescribeColumnsFromDictionary(TOraSession& session, const std::string& sql,
                                                       const dacore::TCRTablesInfo& tables, bool with_defaults);

}  // namespace oracle
