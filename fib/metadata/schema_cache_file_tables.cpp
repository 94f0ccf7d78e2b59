// The table-info file: header "ZOD$MCF", version 5, then the table infos.
#include <vector>

#include "fib/metadata/schema_cache_file.h"

namespace fib {

namespace {

const char* const kHeader = "ZOD$MCF";
constexpr int kVersion = 5;
// Older files lack fields this version reads; they are not loaded.
constexpr int kOldestReadable = 5;

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string list = ListText(text);
  for (size_t start = 0; start < list.size();) {
    size_t end = list.find("\r\n", start);
    lines.push_back(list.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

void WriteField(CacheFileWriter& out, const TpZODFieldInfo& f) {
  out.Byte(f.IsComputed);
  out.Byte(f.CanIncToWhereClause);
  out.Byte(f.DefaultValueEmptyString);
  out.Byte(f.WithAdditionalInfo);
  out.Byte(f.Visible);
  out.Byte(f.IsTriggered);
  out.Integer(f.DisplayWidth);
  out.Integer(f.CharSetID);
  out.String(f.DefaultValue);
  out.String(f.DomainName);
  out.String(f.DisplayLabel);
  out.String(f.EditFormat);
  out.String(f.DisplayFormat);
  out.String(JoinLines(f.OtherInfo));
}

void ReadField(CacheFileReader& in, TpZODFieldInfo& f) {
  f.IsComputed = in.Byte();
  f.CanIncToWhereClause = in.Byte();
  f.DefaultValueEmptyString = in.Byte();
  f.WithAdditionalInfo = in.Byte();
  f.Visible = in.Byte();
  f.IsTriggered = in.Byte();
  f.DisplayWidth = in.Integer();
  f.CharSetID = in.Integer();
  f.DefaultValue = in.String();
  f.DomainName = in.String();
  f.DisplayLabel = in.String();
  f.EditFormat = in.String();
  f.DisplayFormat = in.String();
  f.OtherInfo = SplitLines(in.String());
}

void WriteTable(CacheFileWriter& out, const TpZODTableInfo& t) {
  out.String(t.DBName);
  out.String(t.TableName);
  out.Byte(t.WithRepository);
  out.Integer(t.FormatNumber);
  out.Integer(t.ZODVersion);
  out.String(t.PrimaryKeyFields);
  out.Integer(static_cast<int32_t>(t.Fields.size()));
  for (const auto& [name, field] : t.Fields) {
    out.String(name);
    WriteField(out, field);
  }
}

void ReadTable(CacheFileReader& in, TpZODTableInfo& t) {
  t.DBName = in.String();
  t.TableName = in.String();
  t.WithRepository = in.Byte();
  t.FormatNumber = in.Integer();
  t.ZODVersion = in.Integer();
  t.PrimaryKeyFields = in.String();
  for (int32_t n = in.Count(); n > 0; --n) {
    std::string name = in.String();
    ReadField(in, t.AddField(name));
  }
}

}  // namespace

void SaveTableInfoFile(const TpZODTableInfoCollect& cache, const std::string& file_name) {
  auto tables = cache.Snapshot();
  if (tables.empty()) {
    cache_file_io::DeleteFile(file_name);
    return;
  }
  CacheFileWriter out;
  out.String(kHeader);
  out.Integer(kVersion);
  out.Integer(static_cast<int32_t>(tables.size()));
  for (const auto& [key, info] : tables) {
    out.String(key);
    WriteTable(out, info);
  }
  cache_file_io::WriteFile(file_name, out.Bytes());
}

bool LoadTableInfoFile(TpZODTableInfoCollect& cache, const std::string& file_name) {
  cache.Clear();
  std::string bytes;
  if (!cache_file_io::ReadFile(file_name, bytes)) return false;
  std::vector<std::pair<std::string, TpZODTableInfo>> loaded;
  try {
    CacheFileReader in(std::move(bytes));
    if (!in.StartsWith(kHeader) && in.String() != kHeader) return true;
    int32_t version = in.Integer();
    if (version < kOldestReadable) return true;
    for (int32_t n = in.Count(); n > 0; --n) {
      std::string key = in.String();
      TpZODTableInfo info;
      info.FileVersion = version;
      ReadTable(in, info);
      info.NeedValidate = true;
      loaded.emplace_back(std::move(key), std::move(info));
    }
  } catch (const CacheFileDamaged&) {
    cache_file_io::DeleteFile(file_name);
    return false;
  }
  for (auto& [key, info] : loaded) cache.Add(key, std::move(info));
  return true;
}

}  // namespace fib
