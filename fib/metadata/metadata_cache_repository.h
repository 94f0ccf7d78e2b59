// Which repository tables a database has, asked once per database and
// table kind, and the upgrades that bring older repository tables to the
// layout the caches read.
#pragma once

#include <map>
#include <string>

#include "classlib/syncobjs.h"
#include "fib/metadata/metadata_cache_source.h"

namespace fib {

class RepositoryFlags {
 public:
  // True only when the source's owner allows the table kind and the
  // database has the table. The answer is asked of the database once.
  bool TablesExist(IMetadataSource& source, RepositoryKind kind);
  bool FieldsInfoExists(IMetadataSource& source) {
    return TablesExist(source, RepositoryKind::FieldsInfo);
  }
  bool DataSetsInfoExists(IMetadataSource& source) {
    return TablesExist(source, RepositoryKind::DataSetsInfo);
  }
  // Drops what is known of one database, or of all.
  void Forget(const std::string& db_name);
  void Clear();

 private:
  classlib::TCriticalSection section_;
  // Per database one character per kind: '0' absent, '1' present, '2' unknown.
  std::map<std::string, std::string> flags_;
};

// The repository table names, by kind.
const char* RepositoryTableName(RepositoryKind kind);

// Adds the columns, generator and triggers of the current layout; a step
// that fails (usually because it was done before) is skipped.
void UpgradeFieldsInfoTable(IMetadataSource& source);
void UpgradeDataSetsInfoTable(IMetadataSource& source);

}  // namespace fib
