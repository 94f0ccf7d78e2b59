// The normal test run's stand-in for libFuzzer's driver: it feeds every file
// of the folders (and files) named on the command line to the harness, once
// each, so a corpus and the crash inputs kept beside it are replayed by the
// ordinary sanitizer build. Folders are walked recursively in name order;
// names starting with "." are skipped. A crash ends the process as it would
// under libFuzzer; a folder that does not exist fails the run, so a renamed
// corpus is not silently replayed as nothing.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

bool Hidden(const fs::path& path) { return path.filename().string().starts_with("."); }

void Collect(const fs::path& path, std::vector<fs::path>& files) {
  if (fs::is_regular_file(path)) {
    files.push_back(path);
    return;
  }
  std::vector<fs::path> found;
  for (const auto& entry : fs::recursive_directory_iterator(path)) {
    if (entry.is_regular_file() && !Hidden(entry.path())) found.push_back(entry.path());
  }
  std::sort(found.begin(), found.end());
  files.insert(files.end(), found.begin(), found.end());
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i) {
    const fs::path path(argv[i]);
    if (!fs::exists(path)) {
      std::fprintf(stderr, "no such corpus: %s\n", argv[i]);
      return 2;
    }
    Collect(path, files);
  }
  const auto start = std::chrono::steady_clock::now();
  for (const fs::path& file : files) {
    const std::string bytes = ReadAll(file);
    std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.c_str(), bytes.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - start);
  std::printf("replayed %zu inputs in %lld ms\n", files.size(), static_cast<long long>(ms.count()));
  return files.empty() ? 3 : 0;
}
