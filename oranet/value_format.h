// Date and timestamp values to and from text by a datetime format model,
// with the locale's month and day names and decimal separator (the class
// library's format settings). Failures raise plain exceptions with the
// database's message texts ("ORA-01839 date not valid for month
// specified").
#pragma once

#include <string>
#include <string_view>

#include "oranet/value_datetime.h"

namespace oranet {

// Reads `text` by `format` into `value`: date, time, fraction and, for a
// value with time zone, the zone. What the text leaves out comes from the
// clock (year, month), is 1 (day) or 0 (time); the zone defaults to the
// machine's. The text may end before the model; text left over after it
// raises "ORA-01830 date format picture ends before converting entire
// input string". The value is written only when the whole text is read.
void ParseDateTimeFormat(TNetDateTime& value, std::string_view text, std::string_view format);

// Writes `value` by `format`; FF without digits writes `fracPrecision`
// digits. Values with a zone are written in it, local-zone values in the
// machine's zone.
std::string FormatOraDateTime(const TNetDateTime& value, std::string_view format, int fracPrecision);

// The model used when the caller gives none.
std::string_view DefaultDateTimeFormat(const TNetDateTime& value);

}  // namespace oranet
