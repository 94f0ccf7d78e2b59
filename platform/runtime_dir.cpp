#include "platform/runtime_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

[[noreturn]] void Refuse(const std::string& dir, const std::string& why, int code) {
  throw classlib::EOSError("The runtime folder " + dir + " " + why, static_cast<unsigned>(code));
}

// The folder must be this user's and writable by no one else. It is
// followed through a symbolic link: what counts is the folder used.
void CheckOwnership(const std::string& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) {
    int code = errno;
    Refuse(dir, std::string("cannot be examined: ") + std::strerror(code), code);
  }
  if (!S_ISDIR(st.st_mode)) Refuse(dir, "is not a folder", ENOTDIR);
  if (st.st_uid != ::geteuid())
    Refuse(dir, "belongs to user " + std::to_string(st.st_uid) + ", not to this user", EPERM);
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    Refuse(dir, std::string("may be written by other users (mode ") + mode + ")", EPERM);
  }
}

}  // namespace

std::string RuntimeDir() {
  std::string dir = ChosenDir();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    int code = errno;
    Refuse(dir, std::string("cannot be created: ") + std::strerror(code), code);
  }
  CheckOwnership(dir);
  return dir;
}

}  // namespace platform
