#include "fib/metadata/metadata_cache_repository.h"

#include <exception>

#include "fib/metadata/repository_sql.h"

namespace fib {

const char* RepositoryTableName(RepositoryKind kind) {
  switch (kind) {
    case RepositoryKind::FieldsInfo:
      return "ZOD$FIELDS_INFO";
    case RepositoryKind::DataSetsInfo:
      return "ZOD$DATASETS_INFO";
    case RepositoryKind::ErrorMessages:
      return "ZOD$ERROR_MESSAGES";
  }
  return "";
}

bool RepositoryFlags::TablesExist(IMetadataSource& source, RepositoryKind kind) {
  if (!source.UsesRepository(kind)) return false;
  classlib::CriticalSectionGuard guard(section_);
  std::string& flags = flags_.try_emplace(source.DBName(), "222").first->second;
  char& flag = flags[static_cast<int>(kind) - 1];
  if (flag == '2') {
    int count = SelectInteger(source, repository_sql::kTableExists,
                              {{"RT", classlib::Variant(RepositoryTableName(kind))}});
    source.Commit();
    flag = count < 1 ? '0' : '1';
  }
  return flag == '1';
}

void RepositoryFlags::Forget(const std::string& db_name) {
  classlib::CriticalSectionGuard guard(section_);
  flags_.erase(db_name);
}

void RepositoryFlags::Clear() {
  classlib::CriticalSectionGuard guard(section_);
  flags_.clear();
}

namespace {

// Upgrade steps fail when they were done before; that is the expected case.
void RunIgnoringFailure(IMetadataSource& source, const std::string& sql) {
  try {
    source.Execute(sql);
  } catch (const std::exception&) {
  }
}

}  // namespace

void UpgradeFieldsInfoTable(IMetadataSource& source) {
  for (const std::string& step : repository_sql::FieldsInfoUpgrade()) {
    RunIgnoringFailure(source, step);
    // Each change is committed so that the next one sees it.
    source.Commit();
  }
}

void UpgradeDataSetsInfoTable(IMetadataSource& source) {
  if (SelectInteger(source, repository_sql::kBooleanDomainExists) < 1) {
    source.Execute(repository_sql::kCreateBooleanDomain);
    source.Commit();
  }
  for (const std::string& step : repository_sql::DataSetsInfoColumnsUpgrade()) {
    RunIgnoringFailure(source, step);
    source.Commit();
  }
  RunIgnoringFailure(source, repository_sql::kCreateVersionGenerator);
  source.Commit();
  try {
    for (const std::string& step : repository_sql::DataSetsInfoVersionUpgrade()) {
      source.Execute(step);
      source.Commit();
    }
  } catch (const std::exception&) {
  }
  source.Commit();
}

}  // namespace fib
