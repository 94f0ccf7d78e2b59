#include "platform/dynlib.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>

#include "classlib/codepage.h"

namespace platform {

namespace {

thread_local std::string last_error;

struct LibraryAlias {
  const char* windows_name;  // lower case
  const char* linux_file;
};

constexpr LibraryAlias kAliases[] = {
    {"gds32.dll", "libfbclient.so.2"},
    {"fbclient.dll", "libfbclient.so.2"},
};

std::string LowerAscii(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
  return s;
}

void RememberError(const std::string& fallback) {
  const char* text = dlerror();
  last_error = text ? text : fallback;
}

}  // namespace

std::string MapLibraryName(const std::string& name) {
  std::string path = classlib::Cp1251ToUtf8(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  size_t slash = path.rfind('/');
  size_t file_start = slash == std::string::npos ? 0 : slash + 1;
  std::string file = LowerAscii(path.substr(file_start));
  for (const LibraryAlias& alias : kAliases)
    if (file == alias.windows_name) return path.substr(0, file_start) + alias.linux_file;
  return path;
}

HMODULE LoadLibraryA(const std::string& name) {
  std::string file = MapLibraryName(name);
  if (file.empty()) {
    last_error = "empty library name";
    return nullptr;
  }
  dlerror();
  void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) RememberError("cannot load " + file);
  return module;
}

HMODULE LoadLibraryExA(const std::string& name, void*, unsigned) { return LoadLibraryA(name); }

FARPROC GetProcAddress(HMODULE module, const std::string& name) {
  if (!module) {
    last_error = "no library";
    return nullptr;
  }
  dlerror();
  void* symbol = dlsym(module, name.c_str());
  if (!symbol) RememberError("no symbol " + name);
  return symbol;
}

bool FreeLibrary(HMODULE module) {
  if (!module) return false;
  if (dlclose(module) == 0) return true;
  RememberError("cannot unload");
  return false;
}

std::string LastLibraryError() { return last_error; }

std::string GetModuleFileName(HMODULE module) {
  link_map* map = nullptr;
  if (!module || dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_name) return "";
  return map->l_name;
}

}  // namespace platform
