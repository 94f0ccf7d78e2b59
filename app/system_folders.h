// The system folders behind the macros: the Windows and system folders, the
// temporary folder and the shared program folders recorded in the registry.
#pragma once

#include <string>

namespace app {

inline const std::string kWindowsCurrentVersionKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// Fills WinDir, SysDir, TempDir, ProgramFilesDir, CommonFilesDir and
// KlvCommonDir of the run state. Each ends with a backslash; a registry value
// that cannot be read leaves its folder empty (and KlvCommonDir with it).
void FillSystemFolders();

}  // namespace app
