#include "fib/metadata/table_info_cache.h"

#include <strings.h>

#include <exception>

#include "classlib/ansistr.h"
#include "fib/metadata/metadata_cache_repository.h"
#include "fib/metadata/repository_sql.h"

namespace fib {

const char* const kDeferredPrimaryKey = "@ZOD_DEFERRED";
const char* const kAliasTable = "ALIAS";

namespace {

// Holds the exclusive side of the lock for a scope.
class WriteGuard {
 public:
  explicit WriteGuard(classlib::TMultiReadExclusiveWriteSynchronizer& lock) : lock_(lock) {
    lock_.BeginWrite();
  }
  ~WriteGuard() { lock_.EndWrite(); }
  WriteGuard(const WriteGuard&) = delete;
  WriteGuard& operator=(const WriteGuard&) = delete;

 private:
  classlib::TMultiReadExclusiveWriteSynchronizer& lock_;
};

// Names may come quoted from SQL text; the system tables hold them bare.
std::string PlainTableName(const std::string& table) {
  std::string name;
  for (char c : table) {
    if (c != '"') name += c;
  }
  return classlib::Trim(name);
}

bool SameText(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

bool TpZODFieldInfo::IsBoolean() const {
  return classlib::AnsiUpperCase(DomainName).find("BOOLEAN") != std::string::npos;
}

bool TpZODFieldInfo::IsGuid() const {
  return classlib::AnsiUpperCase(DomainName).find("GUID") != std::string::npos;
}

TpZODFieldInfo* TpZODTableInfo::FindField(const std::string& column) {
  for (auto& [name, field] : Fields) {
    if (SameText(name, column)) return &field;
  }
  return nullptr;
}

TpZODFieldInfo& TpZODTableInfo::AddField(const std::string& column) {
  return Fields.emplace_back(column, TpZODFieldInfo{}).second;
}

bool TpZODTableInfoCollect::KeyLess::operator()(const std::string& a,
                                                const std::string& b) const {
  return strcasecmp(a.c_str(), b.c_str()) < 0;
}

TpZODTableInfoCollect::TpZODTableInfoCollect(RepositoryFlags& flags) : flags_(flags) {}

TpZODTableInfoCollect::Tables::iterator TpZODTableInfoCollect::Find(const std::string& db_name,
                                                                    const std::string& table) {
  auto [first, last] = tables_.equal_range(table);
  for (auto it = first; it != last; ++it) {
    if (it->second->DBName == db_name) return it;
  }
  return tables_.end();
}

TpZODTableInfo* TpZODTableInfoCollect::GetTableInfo(IMetadataSource& source,
                                                    const std::string& table,
                                                    bool with_repository) {
  WriteGuard guard(lock_);
  std::string name = PlainTableName(table);
  auto it = Find(source.DBName(), name);
  if (it != tables_.end() && it->second->NeedValidate && validate_after_load_) {
    if (StillValid(source, *it->second)) {
      it->second->NeedValidate = false;
    } else {
      tables_.erase(it);
      it = tables_.end();
    }
  }
  if (it == tables_.end()) {
    it = tables_.emplace(name, ReadTable(source, name, with_repository));
    return it->second.get();
  }
  TpZODTableInfo& info = *it->second;
  if (with_repository && !info.WithRepository) {
    if (flags_.FieldsInfoExists(source)) {
      info.ZODVersion = ReadRepositoryVersion(source, name);
      auto rows = source.Select(repository_sql::FieldsInfoRowsForUpdate(name));
      table_info_read::ApplyRepositoryRows(*rows, info);
      source.Commit();
    }
    info.WithRepository = true;
  }
  return &info;
}

bool TpZODTableInfoCollect::StillValid(IMetadataSource& source, const TpZODTableInfo& info) {
  bool valid = true;
  if (!SameText(info.TableName, kAliasTable)) {
    valid = SelectInteger(source, repository_sql::kFormatNumber,
                          {{"TN", classlib::Variant(info.TableName)}}) == info.FormatNumber;
  }
  if (valid && info.WithRepository && flags_.FieldsInfoExists(source)) {
    valid = ReadRepositoryVersion(source, info.TableName) == info.ZODVersion;
  }
  source.Commit();
  return valid;
}

std::unique_ptr<TpZODTableInfo> TpZODTableInfoCollect::ReadTable(IMetadataSource& source,
                                                                 const std::string& table,
                                                                 bool with_repository) {
  auto info = std::make_unique<TpZODTableInfo>();
  info->DBName = source.DBName();
  info->TableName = table;
  info->FormatNumber =
      SelectInteger(source, repository_sql::kFormatNumber, {{"TN", classlib::Variant(table)}});
  table_info_read::ReadColumns(source, *info);
  if (with_repository && flags_.FieldsInfoExists(source)) {
    info->ZODVersion = ReadRepositoryVersion(source, table);
    auto rows = source.Select(repository_sql::FieldsInfoRows(table));
    table_info_read::ApplyRepositoryRows(*rows, *info);
    info->WithRepository = true;
  }
  source.Commit();
  return info;
}

int TpZODTableInfoCollect::ReadRepositoryVersion(IMetadataSource& source,
                                                 const std::string& table) {
  MetadataParams params = {{"TN", classlib::Variant(table)}};
  try {
    return SelectInteger(source, repository_sql::kFieldsInfoVersion, params);
  } catch (const std::exception&) {
    // A repository table from before the version column: upgrade it, then
    // ask again (a second failure is a real one).
  }
  source.Commit();
  UpgradeFieldsInfoTable(source);
  return SelectInteger(source, repository_sql::kFieldsInfoVersion, params);
}

TpZODFieldInfo* TpZODTableInfoCollect::GetFieldInfo(IMetadataSource& source,
                                                    const std::string& table,
                                                    const std::string& column,
                                                    bool with_repository) {
  WriteGuard guard(lock_);
  TpZODTableInfo* info = GetTableInfo(source, table, with_repository);
  return info->FindField(column);
}

std::string TpZODTableInfoCollect::PrimaryKeyFields(IMetadataSource& source,
                                                    const std::string& table) {
  WriteGuard guard(lock_);
  TpZODTableInfo* info = GetTableInfo(source, table, false);
  if (info->PrimaryKeyFields == kDeferredPrimaryKey) {
    info->PrimaryKeyFields = table_info_read::ReadPrimaryKey(source, info->TableName);
  }
  return info->PrimaryKeyFields == kDeferredPrimaryKey ? std::string() : info->PrimaryKeyFields;
}

void TpZODTableInfoCollect::Clear() {
  WriteGuard guard(lock_);
  tables_.clear();
}

void TpZODTableInfoCollect::RemoveDatabase(const std::string& db_name) {
  WriteGuard guard(lock_);
  std::erase_if(tables_, [&](const auto& entry) { return entry.second->DBName == db_name; });
}

void TpZODTableInfoCollect::RemoveTable(const std::string& db_name, const std::string& table) {
  WriteGuard guard(lock_);
  auto it = Find(db_name, PlainTableName(table));
  if (it != tables_.end()) tables_.erase(it);
}

int TpZODTableInfoCollect::Count() const {
  WriteGuard guard(lock_);
  return static_cast<int>(tables_.size());
}

std::vector<std::pair<std::string, TpZODTableInfo>> TpZODTableInfoCollect::Snapshot() const {
  WriteGuard guard(lock_);
  std::vector<std::pair<std::string, TpZODTableInfo>> entries;
  for (const auto& [key, info] : tables_) entries.emplace_back(key, *info);
  return entries;
}

void TpZODTableInfoCollect::Add(const std::string& key, TpZODTableInfo info) {
  WriteGuard guard(lock_);
  tables_.emplace(key, std::make_unique<TpZODTableInfo>(std::move(info)));
}

}  // namespace fib
