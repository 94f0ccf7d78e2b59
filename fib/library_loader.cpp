#include "fib/library_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>

namespace fib {

namespace {

thread_local std::string last_error;

void RememberError() {
  const char* text = dlerror();
  last_error = text ? text : "unknown loader error";
}

bool IsWindowsClientName(std::string file) {
  std::transform(file.begin(), file.end(), file.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return file == "gds32.dll" || file == "fbclient.dll";
}

// "C:\fb\gds32.dll" loads "C:/fb/libfbclient.so.2"; other names keep their
// text with "\" turned into "/".
std::string FileToLoad(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  size_t slash = name.rfind('/');
  size_t file_start = slash == std::string::npos ? 0 : slash + 1;
  if (IsWindowsClientName(name.substr(file_start)))
    return name.substr(0, file_start) + "libfbclient.so.2";
  return name;
}

}  // namespace

void* LoadModule(const std::string& name) {
  if (name.empty()) {
    last_error = "empty library name";
    return nullptr;
  }
  dlerror();
  void* module = dlopen(FileToLoad(name).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) RememberError();
  return module;
}

void* FindEntryPoint(void* module, const char* name) {
  dlerror();
  void* entry = dlsym(module, name);
  if (!entry) RememberError();
  return entry;
}

void FreeModule(void* module) { dlclose(module); }

std::string LastLoaderError() { return last_error; }

}  // namespace fib
