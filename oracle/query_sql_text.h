// The SQL text routines of the Oracle data set. Each works on the top level
// of a SELECT (parentheses counted), so that clauses of sub-queries are left
// alone.
#pragma once

#include <string>

#include "dacore/macro_macros.h"

namespace oracle {

// Makes a TOraParser for a text.
dacore::TParserClass OraParserClass();

// sql with condition added to its top-level WHERE clause.
std::string AddWhereToSQL(const std::string& sql, const std::string& condition);
// sql with its top-level WHERE clause replaced by condition (removed, keyword
// included, when condition is empty).
std::string SetWhereInSQL(const std::string& sql, const std::string& condition);
std::string DeleteWhereInSQL(const std::string& sql);
// The same for the top-level ORDER BY list.
std::string SetOrderByInSQL(const std::string& sql, const std::string& fields);
std::string DeleteOrderByInSQL(const std::string& sql);
// sql cut before a top-level FOR UPDATE clause; a FOR inside a sub-query or
// a FOR that begins no lock clause stays.
std::string CutForUpdate(const std::string& sql);
// The statement that counts the rows of sql on the server: its ORDER BY and
// FOR UPDATE clauses go, since neither changes the count and a lock clause
// is refused in a sub-query.
std::string RecordCountSQL(const std::string& sql);

}  // namespace oracle
