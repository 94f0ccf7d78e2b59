// Clause rewriting of SQL texts: each routine parses the text once with its
// own TSQLParser and returns the rewritten text.
#pragma once

#include <string>

#include "classlib/strings.h"
#include "classlib/variant.h"

namespace fib {

std::string SetWhereClause(const std::string& sql, int n, const std::string& new_condition);
std::string SetMainWhereClause(const std::string& sql, const std::string& new_condition);
// Joins condition to the main WHERE with "and" or creates the WHERE. With
// indent the joined parts stand on lines of their own.
std::string AddToWhereClause(const std::string& sql, const std::string& condition,
                             bool indent = false);
std::string SetOrderClause(const std::string& sql, const std::string& new_order);
// Replaces the fields of the ORDER BY (or removes them, or adds an ORDER BY).
std::string ReplaceOrderFields(const std::string& sql, const std::string& new_fields);
std::string SetPlanClause(const std::string& sql, const std::string& new_plan);
// "Select Count(*) FROM ... WHERE ..." of a SELECT; empty for other texts
// and for a SELECT without FROM.
std::string MakeCountSQL(const std::string& sql);

// The table an UPDATE, INSERT or DELETE modifies; trimmed, and unless
// keep_as_written the inner text of a quoted name or the upper-cased name.
std::string ModifiedTable(const std::string& sql, bool keep_as_written);
// The FROM entries of a SELECT ("TABLE" or "TABLE ALIAS"); without
// keep_aliases only the tables.
void TablesOf(const std::string& sql, classlib::TStrings& list, bool keep_procedure_entries,
              bool keep_aliases);
std::string AliasForTable(const std::string& sql, const std::string& table);
std::string TableForAlias(const std::string& sql, const std::string& alias);
// "ALIAS.FIELD" -> "TABLE.FIELD" (quotes removed, unquoted parts upper-cased).
std::string FullFieldName(const std::string& sql, const std::string& field_ref);

// The ORDER BY items as an array [0..N-1, 0..2]: field name, ascending,
// nulls first (OrderNullsFirst). Unassigned without an ORDER BY.
classlib::Variant OrderFieldsArray(const std::string& sql);
// Whether NULL comes before every value of an ORDER BY item: as its NULLS
// FIRST or NULLS LAST says (nulls_word is the word after NULLS, any case,
// empty without the clause); otherwise where the server puts it, first in
// an ascending order and last in a descending one.
bool OrderNullsFirst(bool ascending, const std::string& nulls_word);
// The ORDER BY list with every direction reversed, NULLS FIRST and LAST
// swapped, for reading a result backwards.
std::string InvertOrderClause(const std::string& order_list);
// The column that :param_name (or ?param_name) is compared with in the
// WHERE clauses; markers in literals and comments do not count.
std::string FieldNameOfParam(const std::string& sql, const std::string& param_name);

}  // namespace fib
