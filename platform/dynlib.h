// Loading shared libraries the way the libraries load Windows DLLs.
// Windows library names the code asks for map to their Linux files
// ("gds32.dll", "fbclient.dll" -> "libfbclient.so.2"); other names go to
// dlopen as they are. Names are ANSI (CP1251) and become UTF-8 paths, with
// '\' turned into '/'.
#pragma once

#include <string>

namespace platform {

using HMODULE = void*;
using FARPROC = void*;

// The flag that asks to resolve a library's own dependencies from its
// folder; dlopen of a path does that already through the library's RUNPATH.
constexpr unsigned LOAD_WITH_ALTERED_SEARCH_PATH = 0x8;

// The file dlopen is given for a library name: a mapped Windows name keeps
// its folder ("C:\fb\gds32.dll" -> "C:/fb/libfbclient.so.2"); everything else
// only has its backslashes turned into slashes.
std::string MapLibraryName(const std::string& name);

// nullptr on failure; LastLibraryError() then holds the loader's text.
HMODULE LoadLibraryA(const std::string& name);
HMODULE LoadLibraryExA(const std::string& name, void* reserved, unsigned flags);
FARPROC GetProcAddress(HMODULE module, const std::string& name);
bool FreeLibrary(HMODULE module);

// The loader's message for this thread's last failed load or lookup.
std::string LastLibraryError();

// The file a loaded library came from, as the loader found it (a name the
// loader searched for comes back as the path it found); empty for nullptr.
std::string GetModuleFileName(HMODULE module);

}  // namespace platform
