#include "fib/dataset/fib_dataset_defaults.h"

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "fib/base/str_util.h"

namespace fib {

namespace {

bool OneOf(const std::string& word, std::initializer_list<const char*> words) {
  for (const char* w : words)
    if (word == w) return true;
  return false;
}

bool IsDateTimeKind(DefaultFieldKind kind) {
  return kind == DefaultFieldKind::Date || kind == DefaultFieldKind::Time ||
         kind == DefaultFieldKind::DateTime;
}

}  // namespace

bool IsStringFieldType(classlib::TFieldType type) {
  return type == classlib::ftString || type == classlib::ftFixedChar ||
         type == classlib::ftWideString;
}

DefaultFieldKind DefaultKindOf(const classlib::TField* field) {
  switch (field->DataType()) {
    case classlib::ftDate: return DefaultFieldKind::Date;
    case classlib::ftTime: return DefaultFieldKind::Time;
    case classlib::ftDateTime:
    case classlib::ftTimeStamp: return DefaultFieldKind::DateTime;
    default:
      return IsStringFieldType(field->DataType()) ? DefaultFieldKind::String
                                                  : DefaultFieldKind::Other;
  }
}

std::string FieldDefaultExpression(const std::string& column_default, DefaultFieldKind kind) {
  if (IsDateTimeKind(kind)) {
    std::string word = classlib::Trim(column_default);
    if (OneOf(classlib::UpperCase(word), {"TODAY", "TOMORROW", "YESTERDAY", "NOW", "NULL",
                                           "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP"}))
      return word;
    int date_kind = kind == DefaultFieldKind::Date   ? sdkDate
                    : kind == DefaultFieldKind::Time ? sdkTime
                                                     : sdkDateTime;
    // A default the client cannot read as a date is kept rather than
    // failing the open of the data set.
    try {
      return SQLDateTextToDateTime(word, date_kind);
    } catch (const classlib::Exception&) {
      return word;
    }
  }
  if (kind == DefaultFieldKind::String)
    return column_default.empty() ? "" : "'" + column_default + "'";
  return column_default;
}

NewRecordDefault DecodeDefaultExpression(const std::string& expression, DefaultFieldKind kind) {
  NewRecordDefault result;
  std::string trimmed = classlib::Trim(expression);
  std::string value = DequoteStr(trimmed);
  std::string word = classlib::UpperCase(value);
  if (value.empty() || word == "NULL") return result;
  result.kind = NewRecordDefault::kText;
  if (IsDateTimeKind(kind)) {
    if (OneOf(word, {"NOW", "CURRENT_TIME", "CURRENT_TIMESTAMP"})) result.kind = NewRecordDefault::kNow;
    else if (OneOf(word, {"TODAY", "CURRENT_DATE"})) result.kind = NewRecordDefault::kToday;
    else if (word == "TOMORROW") result.kind = NewRecordDefault::kTomorrow;
    else if (word == "YESTERDAY") result.kind = NewRecordDefault::kYesterday;
    else result.text = value;
    return result;
  }
  if (OneOf(word, {"USER", "CURRENT_USER"})) result.kind = NewRecordDefault::kUser;
  else if (OneOf(word, {"ROLE", "CURRENT_ROLE"})) result.kind = NewRecordDefault::kRole;
  else if (kind == DefaultFieldKind::String && trimmed.size() >= 2 && trimmed.front() == '\'')
    result.text = trimmed.substr(1, trimmed.size() - 2);
  else result.text = value;
  return result;
}

std::string MaskWithDecimals(const std::string& mask, int decimals) {
  if (mask.empty() || decimals <= 0) return mask;
  if (mask.back() == '.') return mask + std::string(decimals, '0');
  std::size_t dot = mask.find('.');
  if (dot != std::string::npos && dot == mask.size() - 2 && mask.find('.', dot + 1) == std::string::npos)
    return mask.substr(0, dot + 1) + std::string(decimals, mask.back());
  return mask;
}

}  // namespace fib
