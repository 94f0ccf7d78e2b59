// Where the maker's installed products are, from their registry keys under
// HKEY_LOCAL_MACHINE. Folders come back with a trailing backslash, or as
// the empty text when they cannot be found; nothing here raises.
#pragma once

#include <string>

namespace app {

inline const std::string kLexariumKey = "Software\\KELVO\\Lexarium";
inline const std::string kPontarexKey = "Software\\KELVO\\Pontarex";
inline const std::string kOracleKey = "Software\\Oracle";

// The products name their folder "Directory" below release "3.0" and
// "InstallPath" from it on. Releases compare as texts, byte by byte, so
// "10.0" counts as older than "3.0".
std::string InstallPathValueName(const std::string& release);

// An empty release means the installed one ("CurrentVersion"); when even
// that is missing, "Directory" of the product key itself is read.
std::string GetLexariumInstallPath(const std::string& release);
std::string GetPontarexInstallPath(const std::string& release);

// The Oracle client's folder as recorded, or the empty text.
std::string GetOracleHome();

// The folder with one trailing backslash; a folder that already ends with a
// path delimiter ('\' or, for folders written on this system, '/') is kept.
std::string WithTrailingBackslash(const std::string& folder);

}  // namespace app
