// A fresh folder in the temporary folder ($TMPDIR first), removed with its
// contents when the object goes: for tests, fuzz harnesses and benchmarks
// alike, so nothing a run makes is left behind.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace platform::scratch {

class ScratchFolder {
 public:
  // The folder is named prefix-XXXXXX.
  explicit ScratchFolder(const std::string& prefix = "platform-test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    // An empty path would put a run's files at the root of the file system.
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder in " + pattern);
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace platform::scratch
