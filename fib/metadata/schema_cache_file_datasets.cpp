// The data-set-info file: header "ZOD$MCFDS", version 1, then the entries.
#include <vector>

#include "fib/metadata/schema_cache_file.h"

namespace fib {

namespace {

const char* const kHeader = "ZOD$MCFDS";
constexpr int kVersion = 1;

void WriteInfo(CacheFileWriter& out, const TpDataSetInfo& d) {
  out.String(d.DBName);
  out.Integer(d.ZODVersion);
  for (const std::string* text : {&d.SelectSQL, &d.InsertSQL, &d.UpdateSQL, &d.DeleteSQL,
                                  &d.RefreshSQL, &d.KeyField, &d.NameGenerator, &d.Description,
                                  &d.UpdateTableName, &d.Conditions})
    out.String(*text);
  out.Byte(d.UpdateOnlyModifiedFields);
}

void ReadInfo(CacheFileReader& in, TpDataSetInfo& d) {
  d.DBName = in.String();
  d.ZODVersion = in.Integer();
  for (std::string* text : {&d.SelectSQL, &d.InsertSQL, &d.UpdateSQL, &d.DeleteSQL,
                            &d.RefreshSQL, &d.KeyField, &d.NameGenerator, &d.Description,
                            &d.UpdateTableName, &d.Conditions})
    *text = in.String();
  d.UpdateOnlyModifiedFields = in.Byte();
}

}  // namespace

void SaveDataSetInfoFile(const TpDataSetInfoCollect& cache, const std::string& file_name) {
  auto infos = cache.Snapshot();
  if (infos.empty()) {
    cache_file_io::DeleteFile(file_name);
    return;
  }
  CacheFileWriter out;
  out.String(kHeader);
  out.Integer(kVersion);
  out.Integer(static_cast<int32_t>(infos.size()));
  for (const auto& [key, info] : infos) {
    out.String(key);
    WriteInfo(out, info);
  }
  cache_file_io::WriteFile(file_name, out.Bytes());
}

void LoadDataSetInfoFile(TpDataSetInfoCollect& cache, const std::string& file_name) {
  cache.Clear();
  std::string bytes;
  if (!cache_file_io::ReadFile(file_name, bytes)) return;
  std::vector<std::pair<std::string, TpDataSetInfo>> loaded;
  try {
    CacheFileReader in(std::move(bytes));
    if (!in.StartsWith(kHeader) && in.String() != kHeader) return;
    if (in.Integer() < kVersion) return;
    for (int32_t n = in.Count(); n > 0; --n) {
      std::string key = in.String();
      TpDataSetInfo info;
      ReadInfo(in, info);
      info.NeedValidate = true;
      loaded.emplace_back(std::move(key), std::move(info));
    }
  } catch (const CacheFileDamaged&) {
    cache_file_io::DeleteFile(file_name);
    return;
  }
  for (auto& [key, info] : loaded) cache.Add(key, std::move(info));
}

}  // namespace fib
