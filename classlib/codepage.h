// Code pages. The libraries' ANSI text is code page 1251 in std::string;
// wide text (WideString, the platform's UTF-16) is std::u16string. Convert
// only at the edges: the window, file-system paths, process arguments.
#pragma once

#include <string>
#include <string_view>

namespace classlib {

using AnsiString = std::string;
using WideString = std::u16string;

// CP1251 -> UTF-8 and back. Characters with no CP1251 form become '?'.
std::string Cp1251ToUtf8(std::string_view ansi);
std::string Utf8ToCp1251(std::string_view utf8);
WideString Cp1251ToUtf16(std::string_view ansi);
std::string Utf16ToCp1251(std::u16string_view wide);
std::string Utf16ToUtf8(std::u16string_view wide);
WideString Utf8ToUtf16(std::string_view utf8);

// The widening and narrowing the platform does between its string types.
inline WideString AnsiToWide(std::string_view ansi) { return Cp1251ToUtf16(ansi); }
inline std::string WideToAnsi(std::u16string_view wide) { return Utf16ToCp1251(wide); }

}  // namespace classlib
