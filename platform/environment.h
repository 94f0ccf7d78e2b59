// The process's surroundings as the libraries ask for them on Windows.
//
// Paths returned here are file-system paths (UTF-8). The stand-ins of the
// Windows folders, with no trailing '/' (callers add their separator):
//   Windows folder  $UPDATER_WINDOWS_DIR, else $XDG_DATA_HOME/updater-windows,
//                   else ~/.local/share/updater-windows
//   System folder   $UPDATER_SYSTEM_DIR, else the Windows folder + "/system32"
// They are not created here.
//
// Command-line parameters and environment variables are ANSI (CP1251), the
// text of the libraries; they are converted from UTF-8.
#pragma once

#include <string>

namespace platform {

// The running program's file, from /proc/self/exe.
std::string ModuleFileName();
// Its folder, with a trailing '/'.
std::string ModuleDirectory();
// $TMPDIR or /tmp, with a trailing '/'.
std::string TempDirectory();
std::string WindowsDirectory();
std::string SystemDirectory();

// Called once from main; a second call raises EInvalidOperation.
void SetCommandLine(int argc, const char* const* argv);
// Parameters after the program's name.
int ParamCount();
// 0 is the program's file; out of range gives the empty text.
std::string ParamStr(int index);

// The variable's value; the empty text when it is not set.
std::string GetEnvironmentVariable(const std::string& name);

// File names are UTF-8 throughout; a client library that opens files itself
// (Firebird's embedded engine) converts them through the C library's
// character type, which the environment may leave at plain ASCII ("C").
// Keeps LC_CTYPE when its code set is UTF-8, else sets "C.UTF-8"; true when
// the character type is UTF-8 afterwards. Call before the first such call:
// the libraries read it once.
bool UseUtf8CharacterType();

// The system's text for an error code: the Windows texts for the Windows
// codes the libraries report (0, 2, 5, 6, 13, 87, 126, 127, 183, 234, 259,
// 1018), otherwise the C library's text for that errno value.
std::string SysErrorMessage(int code);

}  // namespace platform
