// Test support: a fresh folder per test and environment variables that are
// put back afterwards, so tests never touch the user's registry or runtime
// folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/mman.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/shared_memory.h"
#include "testing/scratch_dir.h"

namespace platform::scratch {

// Sets (or with no value removes) an environment variable for the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : ScopedEnv(name, std::optional<std::string>(value)) {}
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Unlinks every shared object (memory, and the named events and mutexes
// kept in it) named for that runtime folder. The product leaves its
// channels for the next run; a test's folder has no next run.
inline void RemoveSharedObjectsOf(const std::string& runtime_dir) {
  const std::string prefix = SharedMemory::ObjectPrefixFor(runtime_dir).substr(1);  // without its '/'
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(prefix)) ::shm_unlink(("/" + name).c_str());
  }
}

// The runtime folder for the scope, its shared objects removed at the end.
class ScopedRuntimeDir {
 public:
  explicit ScopedRuntimeDir(std::string dir) : dir_(std::move(dir)), env_("UPDATER_RUNTIME_DIR", dir_) {}
  ~ScopedRuntimeDir() { RemoveSharedObjectsOf(dir_); }
  ScopedRuntimeDir(const ScopedRuntimeDir&) = delete;
  ScopedRuntimeDir& operator=(const ScopedRuntimeDir&) = delete;

 private:
  std::string dir_;
  ScopedEnv env_;
};

// Registry and runtime folder both in a fresh scratch folder.
class ScratchRegistryTest : public ::testing::Test {
 protected:
  ScratchFolder folder_;
  ScopedEnv registry_{"UPDATER_REGISTRY", folder_.Path()};
  ScopedRuntimeDir runtime_{folder_.Path()};

  std::string HivePath(const char* name) const { return folder_.Path() + "/" + name + ".reg"; }
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace platform::scratch
