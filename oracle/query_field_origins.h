// Where the fields of an Oracle data set come from: the select list parsed
// into columns with their table qualifiers, each field placed in a table of
// the FROM clause, and the key of the updating table read from its primary
// and unique constraints in the data dictionary.
#pragma once

#include <string>
#include <vector>

#include "dacore/driver_record_set.h"

namespace oracle {

class TOraSession;

// One select-list item: a column with the table qualifier as written, or
// an expression. Unquoted names are upper-cased; quoted ones keep their case.
struct TColumnInfo {
  std::string Name;
  std::string Table;
  std::string Alias;
  bool Expression = false;
  bool Taken = false;
  // Where the dictionary placed the column (index into the tables info, -1
  // when none) and its server default.
  int TableIndex = -1;
  std::string Default;
};

// A name as the dictionary stores it: without its quotes when quoted,
// upper-cased otherwise.
std::string StoredName(const std::string& name);

// The items of the first SELECT's list, up to its FROM.
std::vector<TColumnInfo> ParseSelectList(const std::string& sql);

// Fills the record set's tables from the FROM clause of sql and places each
// field that names a table column in its table: by its qualifier, or in the
// only table of a one-table statement. Expressions get no table.
void PlaceFieldsInTables(const std::string& sql, dacore::TCRRecordSet& record_set);

// The statement that lists the primary and unique key columns of a table,
// with the owner and table name bound as :Owner and :Name.
extern const char* const kKeyColumnsSQL;

// The columns of the key whose constraint name sorts first, read from the
// dictionary for a table name ("OWNER.NAME", or NAME in the session's
// schema); empty when the table has none.
std::vector<std::string> ReadKeyColumns(TOraSession& session, const std::string& table_name);

}  // namespace oracle
