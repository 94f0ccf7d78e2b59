// String comparison by the locale's string sort (the class library's
// Cyrillic-aware collation with "-" and "'" as ordinary symbols), for local
// sorting and key search. Results are -1, 0 or 1.
#pragma once

#include <string_view>

namespace dacore {

// Wide strings (zero-terminated UTF-16 in raw memory) over at most len
// characters or up to the terminator, or whole.
int WideStrLComp(const void* a, const void* b, int len);
int WideStrLIComp(const void* a, const void* b, int len);
int WideStrComp(const void* a, const void* b);
int WideStrIComp(const void* a, const void* b);

// Zero-terminated ANSI strings.
int AnsiStrCompSort(const char* a, const char* b);
int AnsiStrICompSort(const char* a, const char* b);
// ANSI strings with their lengths.
int AnsiCompareStrSort(std::string_view a, std::string_view b);
int AnsiCompareTextSort(std::string_view a, std::string_view b);

// Whether the system is of the Windows 9x family, which has no wide-string
// comparison: the wide comparisons then raise "Unicode support on Win9x".
// Never true on this platform; the setter exists for the code paths that
// other layers take on such a system.
bool IsWin9x();
void SetWin9x(bool value);

}  // namespace dacore
