#include "platform/environment.h"

#include <langinfo.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "platform/windows_types.h"

namespace platform {

namespace {

std::mutex params_mutex;
bool params_set = false;
std::vector<std::string> params;  // UTF-8, as main received them

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? std::string(value) : fallback;
}

}  // namespace

std::string ModuleFileName() {
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
}

std::string ModuleDirectory() {
  std::string file = ModuleFileName();
  size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string("./") : file.substr(0, slash + 1);
}

namespace {

bool CharacterTypeIsUtf8() {
  const char* code_set = nl_langinfo(CODESET);
  return code_set != nullptr &&
         (std::strcmp(code_set, "UTF-8") == 0 || std::strcmp(code_set, "utf8") == 0);
}

}  // namespace

bool UseUtf8CharacterType() {
  if (CharacterTypeIsUtf8()) return true;
  return std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr && CharacterTypeIsUtf8();
}

std::string TempDirectory() { return WithSlash(EnvOr("TMPDIR", "/tmp")); }

std::string WindowsDirectory() {
  if (const char* dir = std::getenv("UPDATER_WINDOWS_DIR"); dir && *dir) return dir;
  std::string data = EnvOr("XDG_DATA_HOME", EnvOr("HOME", "/tmp") + "/.local/share");
  return data + "/updater-windows";
}

std::string SystemDirectory() { return EnvOr("UPDATER_SYSTEM_DIR", WindowsDirectory() + "/system32"); }

void SetCommandLine(int argc, const char* const* argv) {
  std::lock_guard lock(params_mutex);
  if (params_set) throw classlib::EInvalidOperation("The command line is already set");
  params_set = true;
  for (int i = 0; i < argc; ++i) params.emplace_back(argv[i] ? argv[i] : "");
}

int ParamCount() {
  std::lock_guard lock(params_mutex);
  return params.empty() ? 0 : static_cast<int>(params.size()) - 1;
}

std::string ParamStr(int index) {
  if (index == 0) return classlib::Utf8ToCp1251(ModuleFileName());
  std::lock_guard lock(params_mutex);
  if (index < 0 || static_cast<size_t>(index) >= params.size()) return {};
  return classlib::Utf8ToCp1251(params[static_cast<size_t>(index)]);
}

std::string GetEnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(classlib::Cp1251ToUtf8(name).c_str());
  return value ? classlib::Utf8ToCp1251(value) : std::string();
}

std::string SysErrorMessage(int code) {
  switch (code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.";
    case ERROR_INVALID_DATA: return "The data is invalid.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_MOD_NOT_FOUND: return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND: return "The specified procedure could not be found.";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
    case ERROR_MORE_DATA: return "More data is available.";
    case ERROR_NO_MORE_ITEMS: return "No more data is available.";
    case ERROR_KEY_DELETED:
      return "Illegal operation attempted on a registry key that has been marked for deletion.";
    default: {
      char buf[256];
      // The GNU strerror_r returns the text, which may not be in buf.
      return ::strerror_r(code, buf, sizeof buf);
    }
  }
}

}  // namespace platform
