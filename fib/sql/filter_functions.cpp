#include "fib/sql/filter_functions.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/numconv.h"
#include "fib/base/str_util.h"
#include "fib/sql/filter_nodes.h"

namespace fib {

using classlib::Variant;

namespace {

[[noreturn]] void RaiseExpressionExpected(const std::string& name) {
  throw classlib::EDatabaseError("Expression expected but " + name + " found");
}

enum class DatePart { Day, Month, Year, Hour, Minute, Second };

Variant PartOf(const Variant& value, DatePart part) {
  const classlib::TDateTime dt = value.AsDate();
  int year, month, day, hour, minute, second, msec;
  classlib::DecodeDate(dt, year, month, day);
  classlib::DecodeTime(dt, hour, minute, second, msec);
  switch (part) {
    case DatePart::Day: return Variant(day);
    case DatePart::Month: return Variant(month);
    case DatePart::Year: return Variant(year);
    case DatePart::Hour: return Variant(hour);
    case DatePart::Minute: return Variant(minute);
    case DatePart::Second: return Variant(second);
  }
  return Variant();
}

std::vector<Variant> ListOf(const Variant& list) {
  std::vector<Variant> values;
  const int low = classlib::VarArrayLowBound(list, 1);
  const int high = classlib::VarArrayHighBound(list, 1);
  for (int i = low; i <= high; ++i) values.push_back(classlib::VarArrayGet(list, {i}));
  return values;
}

// SUBSTRING(text, start, count), SUBSTRING(text, start) to the end, or
// SUBSTRING(text, 'start,count') with both numbers in one text.
Variant Substring(const std::string& name, const std::vector<Variant>& args) {
  if (args.size() < 2 || args.size() > 3) RaiseExpressionExpected(name);
  if (args[0].VType() == classlib::varNull) return classlib::Null();
  const std::string text = classlib::VarToStr(args[0]);
  int start = 0;
  int count = 0;
  if (args.size() == 3) {
    start = args[1].AsInteger();
    count = args[2].AsInteger();
  } else if (classlib::VarIsNumeric(args[1]) && args[1].VType() != classlib::varBoolean) {
    start = args[1].AsInteger();
    count = static_cast<int>(text.size());
  } else if (classlib::VarIsStr(args[1]) && args[1].AsString().find(',') != std::string::npos) {
    const std::string both = args[1].AsString();
    const size_t comma = both.find(',');
    start = classlib::StrToInt(classlib::Trim(both.substr(0, comma)));
    count = classlib::StrToInt(classlib::Trim(both.substr(comma + 1)));
  } else {
    RaiseExpressionExpected(name);
  }
  // A start before the text counts from its first character, as copying does.
  return Variant(FastCopy(text, std::max(start, 1), std::max(count, 0)));
}

// DATE(value) is the day number; DATE(text, format) reads a date-time.
Variant DateOf(const std::string& name, const Variant* argument, const TFilterDateFunc& date_func) {
  if (classlib::VarIsNull(*argument)) return classlib::Null();
  if (!classlib::VarIsArray(*argument)) {
    // The day number goes through the variant's checked conversion: a date
    // beyond the 32-bit range (or not a number) raises its overflow error
    // instead of being cast, which would be undefined.
    return Variant(Variant::FromDate(std::trunc(argument->AsDate())).AsInteger());
  }
  const std::vector<Variant> args = ListOf(*argument);
  if (args.size() != 2) RaiseExpressionExpected(name);
  if (!date_func) RaiseMalformedFilter();
  if (classlib::VarIsNull(args[0])) return classlib::Null();
  return Variant::FromDate(date_func(classlib::VarToStr(args[0]), classlib::VarToStr(args[1])));
}

Variant TextFunction(const std::string& name, const Variant& value) {
  const std::string text = classlib::VarToStr(value);
  if (name == "UPPER") return Variant(classlib::AnsiUpperCase(text));
  if (name == "LOWER") return Variant(classlib::AnsiLowerCase(text));
  // The trims differ only in the length of their names.
  if (name.compare(0, 4, "TRIM") == 0) {
    if (name.size() == 4) return Variant(FastTrim(text));
    if (name == "TRIMLEFT") return Variant(classlib::TrimLeft(text));
    if (name == "TRIMRIGHT") return Variant(classlib::TrimRight(text));
  }
  RaiseExpressionExpected(name);
}

bool IsDatePart(const std::string& name, DatePart& part) {
  static const std::pair<const char*, DatePart> kParts[] = {
      {"DAY", DatePart::Day},       {"MONTH", DatePart::Month},   {"YEAR", DatePart::Year},
      {"HOUR", DatePart::Hour},     {"MINUTE", DatePart::Minute}, {"SECOND", DatePart::Second},
  };
  for (const auto& [text, p] : kParts) {
    if (name == text) {
      part = p;
      return true;
    }
  }
  return false;
}

}  // namespace

Variant CallFilterFunction(const std::string& name_in, const Variant* argument,
                           const TFilterDateFunc& date_func) {
  const std::string name = classlib::AnsiUpperCase(name_in);
  if (name == "GETDATE") {
    if (argument != nullptr) RaiseExpressionExpected(name);
    return Variant::FromDate(classlib::Now());
  }
  if (name.empty() || argument == nullptr) RaiseExpressionExpected(name);
  if (name == "DATE") return DateOf(name, argument, date_func);
  if (name == "SUBSTRING") {
    if (!classlib::VarIsArray(*argument)) RaiseExpressionExpected(name);
    return Substring(name, ListOf(*argument));
  }
  // The rest take one value.
  if (classlib::VarIsArray(*argument)) RaiseExpressionExpected(name);
  DatePart part;
  if (IsDatePart(name, part)) {
    return classlib::VarIsNull(*argument) ? classlib::Null() : PartOf(*argument, part);
  }
  if (classlib::VarIsNull(*argument)) {
    TextFunction(name, Variant());  // still refuses an unknown name
    return classlib::Null();
  }
  return TextFunction(name, *argument);
}

}  // namespace fib
