// How the SQLite test driver maps values: a column's declared type (or, for
// an expression, the storage class of its first value) to a field
// description, a column value to a Variant of the field's type, and a
// parameter description to a bound value. Dates and times are stored as
// text ("YYYY-MM-DD HH:MM:SS.zzz"), booleans as 0 and 1.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "classlib/variant.h"
#include "dacore/data_types.h"
#include "dacore/driver_params.h"

namespace sqlite_driver {

struct TColumnType {
  dacore::TDataType type = dacore::dtString;
  uint16_t length = 0;  // characters of a string, precision of a number
  uint16_t scale = 0;
};

inline constexpr uint16_t kDefaultStringLength = 255;

// INTEGER -> Int32, BIGINT -> Int64, SMALLINT -> Int16, BOOLEAN,
// REAL/FLOAT/DOUBLE, NUMERIC(p,s)/DECIMAL(p,s) -> Float with the scale,
// VARCHAR(n)/CHAR(n) -> String, TEXT/CLOB -> Memo, BLOB, DATE, TIME,
// DATETIME/TIMESTAMP; anything else a string of kDefaultStringLength.
TColumnType ColumnTypeOfDeclared(const std::string& declared);
// For a column without a declared type: the class of its value.
TColumnType ColumnTypeOfStorage(int storage_class);
// Bytes a field of the type takes in a record.
uint16_t FieldSize(const TColumnType& type);

// The column's value as a Variant fit for a field of that type (Null for NULL).
classlib::Variant ColumnValue(sqlite3_stmt* stmt, int column, dacore::TDataType type);

// Binds the parameter's value at index (1-based); the engine's result code.
int BindParam(sqlite3_stmt* stmt, int index, dacore::TParamDesc& param);

// The stored text of a date-time value, and the value of such a text
// (false when it is none). A date text is "YYYY-MM-DD", "HH:MM[:SS[.fraction]]"
// or both; the sized form takes the text's length as the engine gives it
// (the text still ends with a zero).
std::string DateTimeText(classlib::TDateTime value, dacore::TDataType type);
bool ParseDateTimeText(const char* text, size_t size, classlib::TDateTime& value);
inline bool ParseDateTimeText(const char* text, classlib::TDateTime& value) {
  return ParseDateTimeText(text, std::char_traits<char>::length(text), value);
}
inline bool ParseDateTimeText(const std::string& text, classlib::TDateTime& value) {
  return ParseDateTimeText(text.c_str(), text.size(), value);
}

// The two readers behind ParseDateTimeText, which must agree wherever the
// first one answers: the form the driver writes, "YYYY-MM-DD HH:MM:SS" with
// an optional ".mmm", read in fixed places (kOther: not that form, left to
// the general reader), and the general reader of every accepted form.
enum class TWrittenForm { kValue, kInvalid, kOther };
TWrittenForm ParseWrittenDateTime(const char* text, size_t size, classlib::TDateTime& value);
bool ParseDateTimeTextGeneral(const char* text, classlib::TDateTime& value);

}  // namespace sqlite_driver
