// The SQL keyword table and the test whether an identifier must be written
// in double quotes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "classlib/strings.h"

namespace fib {

// Function names, reserved words and type names of the server's SQL, sorted
// by case-insensitive (ASCII) comparison. Built on first use, never changed.
const classlib::TStringList& ReservedWords();

// Where the words that begin with a pair of letters lie in ReservedWords:
// positions first..last; a pair that begins no word has first > last.
struct ReservedWordsRange {
  int first = 0;
  int last = -1;
};
// The cell of the two-letter index for the first two characters of a word
// (letters in either case); an empty range when either is no letter.
ReservedWordsRange ReservedWordsCell(char first, char second);

// Binary search of s in the sorted list between first and last (both
// clamped to the list). Index receives the position found or where s would
// go. With use_locale equality is the locale's case-insensitive comparison;
// the search order stays the list's own.
bool FindReservedWord(const classlib::TStringList& list, const std::string& s, int first,
                      int& index, bool use_locale, int last);
bool IsReservedWord(std::string_view word);

// True when name must be quoted in SQL: it holds anything but A..Z, 0..9
// (and #, $, %, _ after the first character), starts with a digit, or is a
// keyword. A name that already starts with a double quote needs nothing.
bool NeedQuoteIdentifier(std::string_view name);
// The same with lower-case letters accepted like upper-case ones.
bool NeedQuoteIdentifierCI(std::string_view name);

}  // namespace fib
