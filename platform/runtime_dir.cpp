#include "platform/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "classlib/exceptions.h"

namespace platform {

namespace {

std::string ChosenDir() {
  for (const char* variable : {"UPDATER_RUNTIME_DIR", "XDG_RUNTIME_DIR"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return "/tmp/updater-" + std::to_string(getuid());
}

}  // namespace

std::string RuntimeDir() {
  std::string dir = ChosenDir();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    int code = errno;
    throw classlib::EOSError("Cannot create the runtime folder " + dir, static_cast<unsigned>(code));
  }
  return dir;
}

}  // namespace platform
