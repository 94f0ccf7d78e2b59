// The reference-database product's preferences behind the macros: from its
// registry key from release "3.0" on, from "lexref.ini" in its folder before.
#pragma once

#include <string>

namespace app {

// Fallbacks of the numeric preferences when a written value is no integer.
inline constexpr int kDefaultRecordsPerLoad = 20;
inline constexpr int kDefaultScriptTimeout = 30000;
inline constexpr int kDefaultFontSize = 8;

// "Software\KELVO\Lexarium\<release>\Preference".
std::string ReferencePreferencesKey(const std::string& release);

// Fills ReferencePreferences of the run state for the installed release
// (compared with "3.0" as text, byte by byte). Nothing is reported: a
// missing registry value leaves its preference as it was, and a missing
// file leaves them all.
void ReadReferencePreferences(const std::string& release);

}  // namespace app
