// Helpers shared by the fuzz harnesses: the input as text, split into
// parts, and written to a file for parsers that read files.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/exceptions.h"

namespace testing_fuzz {

inline std::string_view TextOf(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input cut at each zero byte, padded with empty parts up to `count`
// (the last part keeps any further zero bytes), so one input can hold a
// text and the arguments a routine takes with it.
inline std::vector<std::string> PartsOf(std::string_view text, size_t count) {
  std::vector<std::string> parts;
  while (parts.size() + 1 < count) {
    const size_t zero = text.find('\0');
    if (zero == std::string_view::npos) break;
    parts.emplace_back(text.substr(0, zero));
    text.remove_prefix(zero + 1);
  }
  parts.emplace_back(text);
  parts.resize(count);
  return parts;
}

// A folder of this process, made on first use and removed at exit. The path
// is never destroyed: a static object would be destroyed before the removal
// registered while it was being made runs, which would then remove nothing.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path* const folder = [] {
    auto* path = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                           ("updater-fuzz-" + std::to_string(getpid())));
    std::filesystem::create_directories(*path);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return path;
  }();
  return *folder;
}

// Writes the bytes to `name` in the scratch folder and returns its path.
inline std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
  const std::filesystem::path path = ScratchFolder() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

// Runs `parse`, taking the errors the system raises on purpose (the class
// library's exceptions) as answers. A failed internal assertion is a
// finding, and so is any other exception: both end the run as a crash.
template <class Parse>
void AcceptRaisedErrors(Parse&& parse) {
  try {
    parse();
  } catch (const classlib::EAssertionFailed&) {
    throw;
  } catch (const classlib::Exception&) {
  }
}

}  // namespace testing_fuzz
