// The error-message file: format version 1, header "ZOD$Error_messages",
// the cache's version, then the messages per database.
#include <tuple>
#include <vector>

#include "fib/metadata/schema_cache_file.h"

namespace fib {

namespace {

const char* const kHeader = "ZOD$Error_messages";
constexpr int kFormatVersion = 1;

}  // namespace

void SaveErrorMessagesFile(const TpErrorMessagesCollect& cache, const std::string& file_name) {
  if (cache.Empty()) {
    cache_file_io::DeleteFile(file_name);
    return;
  }
  CacheFileWriter out;
  out.Integer(kFormatVersion);
  out.String(kHeader);
  out.Integer(cache.Version());
  out.Integer(static_cast<int32_t>(cache.All().size()));
  for (const auto& [db_name, messages] : cache.All()) {
    out.String(db_name);
    out.Integer(static_cast<int32_t>(messages.size()));
    for (const auto& [constraint, message] : messages) {
      out.Integer(message.Version);
      out.String(constraint);
      out.String(message.Text);
    }
  }
  cache_file_io::WriteFile(file_name, out.Bytes());
}

void LoadErrorMessagesFile(TpErrorMessagesCollect& cache, const std::string& file_name) {
  cache.Clear();
  std::string bytes;
  if (!cache_file_io::ReadFile(file_name, bytes)) return;
  // Database, constraint, version, text.
  std::vector<std::tuple<std::string, std::string, int, std::string>> loaded;
  int version = 0;
  try {
    CacheFileReader in(std::move(bytes));
    if (in.Integer() != kFormatVersion || in.String() != kHeader) return;
    version = in.Integer();
    for (int32_t databases = in.Count(); databases > 0; --databases) {
      std::string db_name = in.String();
      for (int32_t n = in.Count(); n > 0; --n) {
        int message_version = in.Integer();
        std::string constraint = in.String();
        loaded.emplace_back(db_name, constraint, message_version, in.String());
      }
    }
  } catch (const CacheFileDamaged&) {
    cache_file_io::DeleteFile(file_name);
    return;
  }
  cache.SetVersion(version);
  for (auto& [db_name, constraint, message_version, text] : loaded)
    cache.Add(db_name, constraint, message_version, text);
}

}  // namespace fib
