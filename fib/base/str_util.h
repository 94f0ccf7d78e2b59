// The layer's text toolbox over single-byte (CP1251) strings. Positions are
// 1-based like the class library's. A blank is any byte with code 32 or less.
// ASCII folding changes only a..z/A..Z; ANSI folding also folds Cyrillic.
#pragma once

#include <bitset>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/strings.h"

namespace fib {

// A set of byte values, for delimiter arguments.
using CharSet = std::bitset<256>;
CharSet MakeCharSet(std::string_view chars);
inline bool InSet(const CharSet& set, char c) { return set[static_cast<unsigned char>(c)]; }
inline bool IsBlankChar(char c) { return static_cast<unsigned char>(c) <= 32; }

// ---- Prefix and content tests ---------------------------------------------

// Parameter names bound to a field's old value, new value, a master's field:
// at least 5 characters, "OLD_" / "NEW_" / "MAS_" in either ASCII case.
bool IsOldParamName(std::string_view name);
bool IsNewParamName(std::string_view name);
bool IsMasterParamName(std::string_view name);
bool IsBlankStr(std::string_view s);
bool StartsWithStr(std::string_view prefix, std::string_view s);
// No lines, or every line trims to nothing.
bool IsEmptyStrings(const classlib::TStrings& list);
// Same length and equal bytes, or equal by the locale ignoring case.
bool EqualStr(bool ignore_case, std::string_view s1, std::string_view s2);
// Without case sensitivity characters whose codes differ by exactly 32 are
// equal (ASCII and CP1251 Cyrillic letters fold alike).
bool SameStrASCII(std::string_view s1, std::string_view s2, bool case_sensitive);
bool StrInArray(std::string_view s, const std::vector<std::string>& strings);

// ---- Copying, trimming, case ----------------------------------------------

// At most count characters from index (index >= 1); empty past the end.
std::string FastCopy(std::string_view s, int index, int count);
void FastCopyTo(std::string_view s, std::string& result, int index, int count);
std::string FastTrim(std::string_view s);
void TrimInPlace(std::string& s);
void TrimRightInPlace(std::string& s);
std::string UpperCaseASCII(std::string_view s);
// Upper-cases a..z between from and to inclusive; to of 0 or past the end
// means the end.
void UpperCaseRange(std::string& s, int from, int to);
void LowerCaseInPlace(std::string& s);
std::string MakeStr(char ch, int count);
std::string IIfStr(bool condition, const std::string& if_true, const std::string& if_false);
// Length of a zero-terminated sequence; 0 for a null pointer.
int FastStrLen(const char* p);

// ---- Searching -------------------------------------------------------------

int CharPos(char ch, std::string_view s);
// First sub that begins at start or later and ends by last (0 = the end).
int PosFrom(std::string_view sub, std::string_view s, int start, int last = 0);
// First occurrence of sub (both upper-cased) standing as a whole word: at
// the start of s or after a byte of delims_before, at the end of s or before
// a byte of delims_after.
int PosDelimited(std::string_view sub, std::string_view s, const CharSet& delims_before,
                 const CharSet& delims_after, bool ansi_fold);

// ---- Words and name/value pairs --------------------------------------------

int WordCount(std::string_view s, const CharSet& delims);
// The n-th maximal run of bytes outside delims (n from 1). A text without a
// word gives itself for n = 1.
std::string ExtractWord(int n, std::string_view s, const CharSet& delims);
std::string ValuePart(std::string_view s);
void SplitNameValue(std::string_view s, std::string& name, std::string& value);
// The text between a pair of equal quotes (" or ') that encloses s apart
// from surrounding spaces, tabs, CR and LF; s unchanged otherwise.
std::string DequoteStr(std::string_view s);
// Deletes exactly empty lines (blank ones stay).
void DeleteEmptyStrings(classlib::TStrings& list);
// Dest := the lines of source (with objects) that exclude does not hold.
void CopyStringsExcept(const classlib::TStrings& source, const classlib::TStrings& exclude,
                       classlib::TStrings& dest);

// ---- Replacing --------------------------------------------------------------

std::string ReplaceSubStr(std::string_view s, std::string_view old_sub, std::string_view new_sub);
// Occurrences found ignoring case; the rest of the text keeps its case.
std::string ReplaceSubStrCI(std::string_view s, std::string_view old_sub, std::string_view new_sub,
                            bool ansi_fold);
// Replaces only between from and to inclusive.
std::string ReplaceInRange(std::string_view s, std::string_view old_sub, std::string_view new_sub,
                           int from, int to);

// ---- Dates ------------------------------------------------------------------

// Converts s with the given short date format in force for the call; the
// format's own date separator (any but "/") is the separator meanwhile.
classlib::TDateTime StrToDateTimeFmt(const std::string& s, const std::string& short_date_format);
// Replaces the first upper-case English month abbreviation with its number
// and every "-" with the current date separator.
bool ReplaceMonthName(std::string& s);
enum TSQLDateKind { sdkDateTime = 0, sdkDate = 1, sdkTime = 2 };
// An SQL-style date/time literal ("2005-01-31", "31.01.2005", "01/31/2005",
// "31-JAN-2005") as text in the user's format. EConvertError when it is no
// date; a text without date separators comes back upper-cased.
std::string SQLDateTextToDateTime(const std::string& s, int kind);

// ---- Wildcards ---------------------------------------------------------------

// SQL LIKE: "%" any run (possibly empty), "_" one character; exact bytes.
bool MatchesSQLLike(std::string_view s, std::string_view mask);
bool MatchesLikeMask(std::string_view s, std::string_view mask, char any_run, char any_char);
// Both sides may hold "*" and "?": true when some text matches both.
bool MatchesMask(std::string_view s1, std::string_view s2);
// Collapses runs of "*"; a "?" next to a "*" moves in front of it, so
// "*?" and "?*" read the same and "**" reads as "*".
std::string NormalizeMask(std::string_view mask);
// First line that MatchesMask s (ANSI upper-cased unless case_sensitive).
int IndexOfMask(const classlib::TStrings& list, std::string_view s, bool case_sensitive);

}  // namespace fib
