// String routines over the ANSI code page 1251. Positions are 1-based where
// the platform counts that way (Pos, Copy, Delete, Insert).
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/codepage.h"

namespace classlib {

// Case mapping of CP1251 letters, Latin and Cyrillic (Ё/ё included).
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
// Compare by the Cyrillic collation order (<0, 0, >0). The order, level by
// level: letters and digits by alphabet (symbols < digits < Latin <
// Cyrillic < other letters; Ё/ё with Е/е), then Ё after Е, then lower case
// before upper case, then '-' and '\'' (skipped until here), then code order.
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);  // case-insensitive
bool AnsiSameText(std::string_view a, std::string_view b);
bool AnsiSameStr(std::string_view a, std::string_view b);
// The collation behind the comparisons above. cfStringSort makes '-' and
// '\'' ordinary symbols instead of marks weighed only on otherwise equal text.
enum TCollateFlag { cfIgnoreCase = 1, cfStringSort = 2 };
int AnsiCollate(std::string_view a, std::string_view b, int flags);
// Appends the sort key of a text to `key`: bytes whose order (as unsigned
// bytes, a shorter key first) is AnsiCollate's order of the texts, so that a
// sort weighs each text once. Only for the string sort (flags with
// cfStringSort, optionally cfIgnoreCase).
void AnsiSortKey(std::string_view text, int flags, std::string& key);
int WideCollate(std::u16string_view a, std::u16string_view b, int flags);
// ASCII only.
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Remove bytes <= 32 (control characters and blanks).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
// The length of the first `length` characters of a text without their
// trailing blanks (spaces only, as padded fixed-length columns hold them).
// Inline and eight characters at a time: every read of such a column trims.
inline std::size_t LengthWithoutTrailingBlanks(const char* text, std::size_t length) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t kEightBlanks = 0x2020202020202020u;
    while (length >= sizeof(uint64_t)) {
      uint64_t chunk = 0;
      std::memcpy(&chunk, text + length - sizeof chunk, sizeof chunk);
      // The last character is the chunk's highest byte: the bytes that are
      // blanks from there down are the zero bytes at the top of the xor.
      if (const uint64_t other = chunk ^ kEightBlanks; other != 0)
        return length - static_cast<std::size_t>(std::countl_zero(other) / 8);
      length -= sizeof chunk;
    }
  }
  while (length > 0 && text[length - 1] == ' ') --length;
  return length;
}

// 1-based; 0 when absent.
int Pos(std::string_view sub, std::string_view s);
int PosEx(std::string_view sub, std::string_view s, int offset = 1);
int AnsiPos(std::string_view sub, std::string_view s);
// Position of the last byte of s that is one of delimiters; 0 when none.
int LastDelimiter(std::string_view delimiters, std::string_view s);
bool IsDelimiter(std::string_view delimiters, std::string_view s, int index);
// Copy(s, index, count) with the platform's clamping (index < 1 counts as 1).
std::string Copy(std::string_view s, int index, int count);
void Delete(std::string& s, int index, int count);
void Insert(std::string_view src, std::string& s, int index);

// The names of a "A;B;C" list, trimmed, empty entries dropped (field and
// parameter lists are written this way).
std::vector<std::string> SplitNameList(std::string_view names);

std::string QuotedStr(std::string_view s);  // 'it''s'
std::string AnsiQuotedStr(std::string_view s, char quote);
// Inverse of AnsiQuotedStr; returns the text up to the closing quote.
std::string AnsiDequotedStr(std::string_view s, char quote);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplace(std::string_view s, std::string_view old_pattern,
                          std::string_view new_pattern, int flags);

std::string StringOfChar(char c, int count);

// File names. Both '\' and '/' delimit folders (release files carry Windows
// paths) and ':' ends a drive; a delimiter that is added is '/'.
bool IsPathDelimiter(std::string_view s, int index);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
std::string ExtractFilePath(std::string_view path);  // keeps the trailing delimiter
std::string ExtractFileDir(std::string_view path);   // without it, except at a root
std::string ExtractFileDrive(std::string_view path);  // "C:" or "\\server\share"
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path);   // with the dot
std::string ChangeFileExt(std::string_view path, std::string_view ext);

// Wide-string counterparts, over UTF-16 code units (Latin, Greek and
// Cyrillic letters of the BMP have cases).
char16_t WideUpperChar(char16_t c);
char16_t WideLowerChar(char16_t c);
WideString WideUpperCase(std::u16string_view s);
WideString WideLowerCase(std::u16string_view s);
int WideCompareStr(std::u16string_view a, std::u16string_view b);
int WideCompareText(std::u16string_view a, std::u16string_view b);
bool WideSameText(std::u16string_view a, std::u16string_view b);
bool WideSameStr(std::u16string_view a, std::u16string_view b);

}  // namespace classlib
