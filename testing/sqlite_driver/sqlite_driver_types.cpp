// The SQLite test driver's type mapping and value conversions.
#include "testing/sqlite_driver/sqlite_driver_types.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "classlib/datetime.h"
#include "dacore/util_var_bytes.h"

namespace sqlite_driver {

using classlib::Variant;
using namespace dacore;

namespace {

std::string Upper(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool Has(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// The numbers in brackets after a type name: (n) or (p, s).
void ReadBrackets(const std::string& declared, int& first, int& second) {
  first = second = -1;
  const size_t open = declared.find('(');
  if (open == std::string::npos) return;
  std::sscanf(declared.c_str() + open, "(%d , %d", &first, &second);
}

uint16_t Clamp16(int value, int low, int high) {
  return static_cast<uint16_t>(value < low ? low : value > high ? high : value);
}

}  // namespace

TColumnType ColumnTypeOfDeclared(const std::string& declared_text) {
  const std::string declared = Upper(declared_text);
  int first = 0, second = 0;
  ReadBrackets(declared, first, second);
  TColumnType t;
  if (Has(declared, "BIGINT") || Has(declared, "INT8")) t.type = dtInt64;
  else if (Has(declared, "SMALLINT")) t.type = dtInt16;
  else if (Has(declared, "INT")) t.type = dtInt32;
  else if (Has(declared, "BOOL")) t.type = dtBoolean;
  else if (Has(declared, "CHAR")) {
    t.type = dtString;
    t.length = first > 0 ? Clamp16(first, 1, 8000) : kDefaultStringLength;
  } else if (Has(declared, "CLOB") || Has(declared, "TEXT")) t.type = dtMemo;
  else if (Has(declared, "BLOB")) t.type = dtBlob;
  else if (Has(declared, "REAL") || Has(declared, "FLOA") || Has(declared, "DOUB")) t.type = dtFloat;
  else if (Has(declared, "NUMERIC") || Has(declared, "DECIMAL")) {
    t.type = dtFloat;
    t.length = first > 0 ? Clamp16(first, 1, 38) : 0;
    t.scale = second > 0 ? Clamp16(second, 0, 38) : 0;
  } else if (Has(declared, "DATETIME") || Has(declared, "TIMESTAMP")) t.type = dtDateTime;
  else if (Has(declared, "DATE")) t.type = dtDate;
  else if (Has(declared, "TIME")) t.type = dtTime;
  else t.length = kDefaultStringLength;
  return t;
}

TColumnType ColumnTypeOfStorage(int storage_class) {
  TColumnType t;
  switch (storage_class) {
    case SQLITE_INTEGER: t.type = dtInt64; break;
    case SQLITE_FLOAT: t.type = dtFloat; break;
    case SQLITE_BLOB: t.type = dtBlob; break;
    default: t.length = kDefaultStringLength; break;
  }
  return t;
}

uint16_t FieldSize(const TColumnType& type) {
  switch (type.type) {
    case dtString: return static_cast<uint16_t>(type.length + 1);
    case dtInt16: case dtBoolean: return 2;
    case dtInt32: return 4;
    case dtInt64: case dtFloat: case dtDate: case dtTime: case dtDateTime: return 8;
    default: return static_cast<uint16_t>(sizeof(void*));  // a blob's reference
  }
}

std::string DateTimeText(classlib::TDateTime value, TDataType type) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  classlib::DecodeDate(value, year, month, day);
  classlib::DecodeTime(value, hour, minute, second, msec);
  char text[40];
  if (type == dtDate) std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  else if (type == dtTime) std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", hour, minute, second, msec);
  else
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", year, month, day, hour, minute, second,
                  msec);
  return text;
}

namespace {

// A number of at most max_digits digits (blanks and a sign before it allowed,
// as a scanned "%<n>d" reads it); false when no digit follows.
bool ReadNumber(const char*& p, int max_digits, int& value) {
  const char* at = p;
  while (*at == ' ' || *at == '\t') ++at;
  const bool negative = *at == '-';
  if (*at == '-' || *at == '+') ++at;
  int digits = 0;
  value = 0;
  for (; digits < max_digits && *at >= '0' && *at <= '9'; ++digits, ++at) value = value * 10 + (*at - '0');
  if (digits == 0) return false;
  if (negative) value = -value;
  p = at;
  return true;
}

// How many of the numbers separated by the given characters were read; p is
// left after the last one read.
int ReadFields(const char*& p, const char* separators, std::initializer_list<std::pair<int, int*>> numbers) {
  int read = 0;
  for (const auto& [digits, out] : numbers) {
    const char* at = p;
    if (read > 0) {
      if (*at != separators[read - 1]) break;
      ++at;
    }
    if (!ReadNumber(at, digits, *out)) break;
    p = at;
    ++read;
  }
  return read;
}

// Exactly n digits at p.
bool FixedDigits(const char* p, int n, int& value) {
  value = 0;
  for (int i = 0; i < n; ++i) {
    const unsigned digit = static_cast<unsigned char>(p[i]) - unsigned{'0'};
    if (digit > 9) return false;
    value = value * 10 + static_cast<int>(digit);
  }
  return true;
}

// Before 1899-12-30 the day counts down while the time of day still counts up.
classlib::TDateTime Combine(classlib::TDateTime date, classlib::TDateTime time) {
  return date < 0 ? date - time : date + time;
}

}  // namespace

TWrittenForm ParseWrittenDateTime(const char* t, size_t size, classlib::TDateTime& value) {
  if (size != 19 && size != 23) return TWrittenForm::kOther;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  const bool form = t[4] == '-' && t[7] == '-' && t[10] == ' ' && t[13] == ':' && t[16] == ':' &&
                    FixedDigits(t, 4, year) && FixedDigits(t + 5, 2, month) && FixedDigits(t + 8, 2, day) &&
                    FixedDigits(t + 11, 2, hour) && FixedDigits(t + 14, 2, minute) &&
                    FixedDigits(t + 17, 2, second) && (size == 19 || (t[19] == '.' && FixedDigits(t + 20, 3, msec)));
  if (!form) return TWrittenForm::kOther;
  classlib::TDateTime date = 0, time = 0;
  if (!classlib::TryEncodeDate(year, month, day, date) || !classlib::TryEncodeTime(hour, minute, second, msec, time))
    return TWrittenForm::kInvalid;
  value = Combine(date, time);
  return TWrittenForm::kValue;
}

bool ParseDateTimeTextGeneral(const char* text, classlib::TDateTime& value) {
  const size_t size = std::strlen(text);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
  classlib::TDateTime date = 0, time = 0;
  const char* date_end = text;
  const bool has_date = ReadFields(date_end, "--", {{4, &year}, {2, &month}, {2, &day}}) == 3;
  const char* rest = text;
  if (has_date) {
    if (!classlib::TryEncodeDate(year, month, day, date)) return false;
    rest += size >= 10 ? 10 : size;
    while (*rest == ' ' || *rest == 'T') ++rest;
  }
  const char* p = rest;
  int parts = ReadFields(p, "::", {{2, &hour}, {2, &minute}, {2, &second}});
  if (parts == 3) {
    // The fraction: up to 7 digits after the point, as milliseconds.
    int fraction_digits = 0;
    if (*p == '.') {
      ++p;
      for (; fraction_digits < 7 && p[fraction_digits] >= '0' && p[fraction_digits] <= '9'; ++fraction_digits)
        msec = msec * 10 + (p[fraction_digits] - '0');
      if (fraction_digits > 0) {
        parts = 4;
        for (int d = fraction_digits; d < 3; ++d) msec *= 10;
        for (int d = fraction_digits; d > 3; --d) msec /= 10;
      }
    }
  }
  if (parts >= 2) {
    if (!classlib::TryEncodeTime(hour, minute, parts >= 3 ? second : 0, msec, time)) return false;
  } else if (!has_date) {
    return false;
  }
  value = Combine(date, time);
  return true;
}

// This runs for every date of every fetched row: the form the driver writes
// is read without the general reader's steps.
bool ParseDateTimeText(const char* text, size_t size, classlib::TDateTime& value) {
  switch (ParseWrittenDateTime(text, size, value)) {
    case TWrittenForm::kValue: return true;
    case TWrittenForm::kInvalid: return false;
    case TWrittenForm::kOther: break;
  }
  return ParseDateTimeTextGeneral(text, value);
}

Variant ColumnValue(sqlite3_stmt* stmt, int column, TDataType type) {
  const int storage = sqlite3_column_type(stmt, column);
  if (storage == SQLITE_NULL) return Variant::Null();
  switch (type) {
    case dtInt16: case dtInt32: return Variant(static_cast<int32_t>(sqlite3_column_int64(stmt, column)));
    case dtInt64: return Variant(static_cast<long long>(sqlite3_column_int64(stmt, column)));
    case dtBoolean: return Variant(sqlite3_column_int64(stmt, column) != 0);
    case dtFloat: return Variant(sqlite3_column_double(stmt, column));
    case dtDate: case dtTime: case dtDateTime: {
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
        return Variant::FromDate(sqlite3_column_double(stmt, column));
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
      classlib::TDateTime value = 0;
      if (!text || !ParseDateTimeText(text, value)) return Variant(std::string(text ? text : ""));
      return Variant::FromDate(value);
    }
    default: {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(stmt, column));
      const int size = sqlite3_column_bytes(stmt, column);
      return Variant(std::string(bytes ? bytes : "", static_cast<size_t>(size)));
    }
  }
}

int BindParam(sqlite3_stmt* stmt, int index, TParamDesc& param) {
  const Variant value = param.GetValue();
  if (param.GetNull() || classlib::VarIsNull(value) || classlib::VarIsEmpty(value))
    return sqlite3_bind_null(stmt, index);
  const TDataType type = param.GetDataType();
  if (type == dtBlob || type == dtBytes || type == dtVarBytes || VarIsByteArray(value)) {
    const std::string bytes = VarIsByteArray(value) ? [&] {
      const TBytes b = VarToBytes(value);
      return std::string(b.begin(), b.end());
    }() : value.AsString();
    return sqlite3_bind_blob64(stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
  }
  switch (classlib::VarType(value)) {
    case classlib::varBoolean: return sqlite3_bind_int64(stmt, index, value.AsBoolean() ? 1 : 0);
    case classlib::varSmallint: case classlib::varInteger: case classlib::varShortInt: case classlib::varByte:
    case classlib::varWord: case classlib::varLongWord: case classlib::varInt64:
      return sqlite3_bind_int64(stmt, index, value.AsInt64());
    case classlib::varSingle: case classlib::varDouble: case classlib::varCurrency:
      return sqlite3_bind_double(stmt, index, value.AsDouble());
    case classlib::varDate: {
      const TDataType kind = type == dtDate || type == dtTime ? type : dtDateTime;
      const std::string text = DateTimeText(value.AsDate(), kind);
      return sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    default: {
      const std::string text = value.AsString();
      return sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
  }
}

}  // namespace sqlite_driver
