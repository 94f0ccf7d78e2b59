// Helpers the generic components share: adding a condition to a statement's
// WHERE clause, the statement type that applies an update kind, and field
// name lists.
#pragma once

#include <string>
#include <vector>

#include "classlib/db_types.h"
#include "classlib/enum_set.h"
#include "dacore/macro_macros.h"

namespace dacore {

// The kinds of statements a data set runs for its records.
enum TStatementType {
  stQuery, stInsert, stUpdate, stDelete, stLock, stRefresh, stCheck, stCustom, stRefreshQuick,
  stRefreshCheckDeleted, stBatchUpdate,
};
using TStatementTypes = classlib::EnumSet<TStatementType>;

// ukModify -> stUpdate, ukInsert -> stInsert, ukDelete -> stDelete; any
// other value is an assertion failure.
TStatementType UpdateKindToStatementType(classlib::TUpdateKind kind);

// The names of a ";"-separated list, trimmed, empty ones left out.
std::vector<std::string> SplitFieldNames(const std::string& text);

// Answers sql with condition added to its WHERE clause. The scan starts after
// the first start_code token (the clause before WHERE, such as FROM) and
// ends at the next clause keyword other than WHERE at parenthesis depth 0.
// An existing condition is put in parentheses and joined with AND; without
// one, "WHERE condition" goes before that clause, or at the end. The lexer
// must know clause codes. A blank condition leaves sql as it is.
std::string AddWhereCondition(const std::string& sql, const std::string& condition,
                              const TParserClass& parser_class, int where_code, int start_code,
                              bool omit_comment = true);

}  // namespace dacore
