// Schema cache files lie on the local disk between runs, where anything may
// damage them. The first byte picks which of the three files the rest is
// (table info, ".dt" data-set info, ".err" error messages); the cache is
// loaded from it, saved, and what was saved must load and save again to
// the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/schema_cache_file.h"
#include "testing/fuzz_input.h"

namespace {

const char* const kExtensions[] = {"", ".dt", ".err"};

std::string PathOf(const std::string& base, const char* extension) {
  return *extension == '\0' ? base : fib::SideFileName(base, extension);
}

void RemoveCache(const std::string& base) {
  for (const char* extension : kExtensions) std::filesystem::remove(PathOf(base, extension));
}

// The three files' bytes, an absent file standing as "-".
std::string SavedBytes(const fib::MetadataCaches& caches, const std::string& base) {
  RemoveCache(base);
  fib::SaveSchemaCache(caches, base);
  std::string all;
  for (const char* extension : kExtensions) {
    std::string bytes;
    all += fib::cache_file_io::ReadFile(PathOf(base, extension), bytes) ? "+" + bytes : "-";
    all += '\n';
  }
  return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string loaded = (testing_fuzz::ScratchFolder() / "loaded.cache").string();
  const std::string saved = (testing_fuzz::ScratchFolder() / "saved.cache").string();
  RemoveCache(loaded);
  testing_fuzz::WriteScratchFile(
      std::filesystem::path(PathOf(loaded, kExtensions[data[0] % 3])).filename().string(),
      testing_fuzz::TextOf(data + 1, size - 1));
  testing_fuzz::AcceptRaisedErrors([&] {
    fib::MetadataCaches first;
    fib::LoadSchemaCache(first, loaded, false);
    const std::string once = SavedBytes(first, saved);
    fib::MetadataCaches second;
    fib::LoadSchemaCache(second, saved, false);
    if (SavedBytes(second, saved) != once) std::abort();
  });
  return 0;
}
