// The statements of the limited cache model. A data set that holds only a
// window of its result moves the window with keyset statements derived from
// its select text: the rows after a record (by the ORDER BY), the rows before
// it (the order reversed), the end of the result read backwards, and the row
// of given key values. This file builds their texts and decides whether a
// data set may use the model at all; it asks no server.
#pragma once

#include <string>
#include <vector>

namespace fib {

// One ORDER BY field that the data set has as a field.
struct KeysetField {
  std::string field_name;  // the data set's field: names the parameters
  std::string column;      // the column as the server describes it
  std::string table;       // the column's table as the server describes it; empty for expressions
  // The qualifier the ORDER BY item is written with ("B" of "B.ID"), empty
  // when it is written without one.
  std::string order_qualifier;
  bool ascending = true;
  // A column that may hold NULL, and whether NULL comes before every value
  // when the result is read in its order (the server's default for an
  // ascending field).
  bool nullable = false;
  bool nulls_first = true;
};

// Prefixes of the parameters of the keyset and locate statements.
inline constexpr const char* kNewParamPrefix = "NEW_";
inline constexpr const char* kLocateParamPrefix = "LOCATE_";

// How a keyset condition names a column of the select statement. The
// qualifier is the one the ORDER BY item is written with; otherwise the
// alias the FROM clause gives the column's table, or the table's own name
// when it has no alias, so that a column of the same name in another
// joined table cannot make the condition ambiguous. An expression column
// (no table) stands alone. Each part is quoted when it needs quoting.
std::string KeysetColumnRef(const std::string& select_sql, const KeysetField& field);

// prefix + field name, the whole enclosed in double quotes when it needs
// quoting (the parameter marker then reads ?"NEW_Name").
std::string PrefixedParamName(const std::string& prefix, const std::string& field_name);

// The conditions that select the rows after (next) and before (prior) the
// row whose sort values the NEW_ parameters hold. For ORDER BY A, B:
// (((B>?NEW_B) and (A=?NEW_A)) or (A>?NEW_A)). A nullable column adds the
// place of NULL to its ">" or "<": "(A>?NEW_A)" becomes
// "((A>?NEW_A) or (?NEW_A is null and A is not null))" when NULL comes
// first, so a row whose sort value is NULL is neither lost nor repeated.
struct KeysetConditions {
  std::string next;
  std::string prior;
};
KeysetConditions BuildKeysetConditions(const std::string& select_sql,
                                       const std::vector<KeysetField>& sort_fields);

// "(col=?LOCATE_F)" terms joined by " and ": the row of exact key values.
std::string LocateEqualCondition(const std::string& select_sql,
                                 const std::vector<KeysetField>& key_fields);

// The terms of a Locate in the limited model: case-insensitive compares
// UPPER of both sides, a partial key matches with STARTING WITH (a key that
// holds "%" or "_" then matches literally, as the standard model's prefix
// test does).
struct LocateTermOptions {
  bool case_insensitive = false;
  bool partial_key = false;
};
std::string LocateCondition(const std::string& select_sql,
                            const std::vector<KeysetField>& key_fields,
                            LocateTermOptions options);

// The four texts a limited data set keeps. desc reads the whole result
// backwards, part the rows after a record, part_desc the rows before it
// (backwards), locate the row of the locate keys.
struct LimitedCacheTexts {
  std::string desc;
  std::string part;
  std::string part_desc;
  std::string locate;
};
// Client error with the data set's full name when the select text has no
// ORDER BY field.
LimitedCacheTexts BuildLimitedCacheTexts(const std::string& full_name,
                                         const std::string& select_sql,
                                         const std::vector<KeysetField>& sort_fields,
                                         const std::vector<KeysetField>& locate_fields,
                                         const std::string& plan_for_desc);

// Raises "%s:Can't find or parse ORDER BY statement." with the data set's
// full name.
[[noreturn]] void RaiseNoOrderBy(const std::string& full_name);

// What decides whether a data set may keep only a window of its result.
struct LimitedCacheUse {
  bool cached_updates = false;
  bool has_order_by = false;
  // UpdateTransaction is Transaction, or AutoCommit is set: a post then
  // cannot leave the window's statements blind to the posted row.
  bool update_transaction_ok = false;
  std::vector<std::string> select_param_names;
};
bool CanUseLimitedCache(const LimitedCacheUse& use);
// Client error 75 with the data set's full name unless CanUseLimitedCache.
void CheckLimitedCacheUse(const std::string& full_name, const LimitedCacheUse& use);

}  // namespace fib
