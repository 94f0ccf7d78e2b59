// How column defaults become field defaults, and what a new record takes
// from a field's default expression; the numeric masks of DefaultFormats.
#pragma once

#include <string>

#include "classlib/db_types.h"

namespace classlib {
class TField;
}

namespace fib {

enum class DefaultFieldKind { Date, Time, DateTime, String, Other };
bool IsStringFieldType(classlib::TFieldType type);
DefaultFieldKind DefaultKindOf(const classlib::TField* field);

// The column's default (as the table-info cache keeps it, without quotes)
// as the field's default expression: date and time fields keep the
// date keywords and get a literal in the user's format; a string field gets
// a non-empty default in single quotes; others take it as it is.
std::string FieldDefaultExpression(const std::string& column_default, DefaultFieldKind kind);

// What a new record's field gets from its default expression.
struct NewRecordDefault {
  enum Kind { kNone, kNow, kToday, kTomorrow, kYesterday, kUser, kRole, kText };
  Kind kind = kNone;
  // The value of kText, exactly as written in the expression.
  std::string text;
};
// Keywords are matched in any case; text is taken as written.
NewRecordDefault DecodeDefaultExpression(const std::string& expression, DefaultFieldKind kind);

// A display mask with `decimals` decimal places: "0." becomes "0.00", a mask
// whose only "." is second to last repeats its last character; any other
// mask is kept.
std::string MaskWithDecimals(const std::string& mask, int decimals);

}  // namespace fib
