// Turns a filter text into the compiled tree that the expression evaluator
// runs (the layout is in filter_nodes.h).
//
// The language: field names (plain, [in brackets] or "in double quotes"),
// 'texts', numbers, TRUE and FALSE; = <> != < > <= >= with [NOT] LIKE,
// [NOT] IN (list), IS [NOT] NULL and = NULL / <> NULL; + - * / MOD REM and
// unary minus; NOT, AND, OR and parentheses; and the functions DAY, DATE,
// GETDATE, HOUR, MONTH, MINUTE, UPPER, LOWER, YEAR, SUBSTRING, SECOND, TRIM,
// TRIMLEFT and TRIMRIGHT. Keywords and function names are case-insensitive.
//
// A constant compared with a field takes the field's type when the field is
// known, so '01.02.1970' against a date field is a date and a bad one is a
// compile error. Against texts, = <> and LIKE honour the filter options: a
// case-insensitive compare, and a text ending in '*' compares only the part
// before it unless partial compares are off.
#pragma once

#include <string_view>

#include "classlib/db_types.h"
#include "fib/sql/filter_fields.h"
#include "fib/sql/filter_nodes.h"

namespace fib {

// Raises EDatabaseError naming the fault and its position; fields may be
// null (constants then keep their own type).
TFilterTree CompileFilter(std::string_view text, classlib::TFilterOptions options,
                          TFilterFieldSource* fields);

}  // namespace fib
