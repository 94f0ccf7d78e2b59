// The texts the value classes hand to the client library beside a value:
// the date-time format model built from the locale's date and time patterns,
// the number format model made from a number's own text, and the NLS text
// that names the locale's decimal and group separators.
#pragma once

#include <string>

#include "oracle/oci_defs.h"

namespace oracle {

// Stores the locale's time pattern that default date-time models use (the
// class library's long time format: the platform has no separate locale
// time format). Runs once at start-up; again after the locale changes.
void SetLocaleDefaults();
// The stored pattern; empty after ClearLocaleDefaults.
const std::string& LocaleTimeFormat();
void ClearLocaleDefaults();

// The model of the locale's short date pattern, a blank and its time
// pattern; " TZH:TZM" follows for a descriptor with time zone.
std::string MakeOraDateTimeFormat(ub4 descriptor_type);
// The two patterns translated element by element.
std::string OraDatePattern(const std::string& pattern);
std::string OraTimePattern(const std::string& pattern);

// "NLS_NUMERIC_CHARACTERS='dg'" with the locale's separators.
std::string OraNumericCharacters();
// A model as long as the text: S for a leading sign, D for the first
// decimal separator, G for a group separator between digits before it, 9
// otherwise; a text with an exponent gets the exponent model.
std::string MakeOraNumberFormat(const std::string& text);
// The text the server gives a number, with a 0 before a leading separator
// (".5" -> "0.5", "-.5" -> "-0.5").
std::string FixOraNumberText(const std::string& text);

}  // namespace oracle
