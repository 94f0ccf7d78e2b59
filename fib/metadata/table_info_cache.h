// The table-info cache: per (database, table) the columns with their
// domain, computed flag, default, WHERE-clause use and character set, the
// primary key, and presentation settings from the repository table
// ZOD$FIELDS_INFO, so that each table is read from the system tables once.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/syncobjs.h"
#include "fib/metadata/metadata_cache_source.h"

namespace fib {

class RepositoryFlags;

// The primary key of a table info that has not been read yet.
extern const char* const kDeferredPrimaryKey;
// The pseudo-table whose repository rows hold settings by column name for
// any table.
extern const char* const kAliasTable;

struct TpZODFieldInfo {
  bool IsComputed = false;
  // Without the keyword DEFAULT and without its quotes.
  std::string DefaultValue;
  // False for blob and quad columns.
  bool CanIncToWhereClause = true;
  std::string DomainName;
  bool DefaultValueEmptyString = false;
  // Repository settings were applied.
  bool WithAdditionalInfo = false;
  std::string DisplayLabel;
  bool Visible = true;
  std::string EditFormat;
  std::string DisplayFormat;
  bool IsTriggered = false;
  // name=value of every further repository column.
  std::vector<std::string> OtherInfo;
  int DisplayWidth = 0;
  int CharSetID = 0;

  bool IsBoolean() const;
  bool IsGuid() const;
};

struct TpZODTableInfo {
  std::string DBName;
  std::string TableName;
  // Column names separated by ";".
  std::string PrimaryKeyFields = kDeferredPrimaryKey;
  std::vector<std::pair<std::string, TpZODFieldInfo>> Fields;
  // RDB$FORMAT of a table, the relation id of a view.
  int FormatNumber = 0;
  // The highest ZOD$VERSION of the table's repository rows.
  int ZODVersion = 0;
  bool WithRepository = false;
  // The cache-file version this info was loaded from; 0 when read.
  int FileVersion = 0;
  // Loaded from a cache file and not yet checked against the database.
  bool NeedValidate = false;

  // Case-insensitive; nullptr when the table has no such column.
  TpZODFieldInfo* FindField(const std::string& column);
  TpZODFieldInfo& AddField(const std::string& column);
};

class TpZODTableInfoCollect {
 public:
  explicit TpZODTableInfoCollect(RepositoryFlags& flags);

  // The cached info of `table` in the source's database, read or completed
  // with repository data as needed. Stays valid until the entry is dropped.
  TpZODTableInfo* GetTableInfo(IMetadataSource& source, const std::string& table,
                               bool with_repository);
  // nullptr when the table has no such column.
  TpZODFieldInfo* GetFieldInfo(IMetadataSource& source, const std::string& table,
                               const std::string& column, bool with_repository);
  // The table's primary key columns joined by ";", read on first request.
  std::string PrimaryKeyFields(IMetadataSource& source, const std::string& table);

  void Clear();
  void RemoveDatabase(const std::string& db_name);
  void RemoveTable(const std::string& db_name, const std::string& table);

  bool ValidateAfterLoad() const { return validate_after_load_; }
  void SetValidateAfterLoad(bool value) { validate_after_load_ = value; }

  int Count() const;
  // For the cache file: entries in key order, and adding a loaded one.
  std::vector<std::pair<std::string, TpZODTableInfo>> Snapshot() const;
  void Add(const std::string& key, TpZODTableInfo info);

 private:
  struct KeyLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  using Tables = std::multimap<std::string, std::unique_ptr<TpZODTableInfo>, KeyLess>;

  Tables::iterator Find(const std::string& db_name, const std::string& table);
  bool StillValid(IMetadataSource& source, const TpZODTableInfo& info);
  std::unique_ptr<TpZODTableInfo> ReadTable(IMetadataSource& source, const std::string& table,
                                            bool with_repository);
  // Reads the repository version; an old repository layout is upgraded once.
  int ReadRepositoryVersion(IMetadataSource& source, const std::string& table);

  RepositoryFlags& flags_;
  mutable classlib::TMultiReadExclusiveWriteSynchronizer lock_;
  Tables tables_;
  bool validate_after_load_ = false;
};

// Reading a table's metadata from the source, one step each.
namespace table_info_read {
// Columns of a table, or the outputs of a procedure of that name.
void ReadColumns(IMetadataSource& source, TpZODTableInfo& info);
// Applies the repository rows to the table's columns (or, for the "ALIAS"
// table, makes one column per row).
void ApplyRepositoryRows(IMetadataRows& rows, TpZODTableInfo& info);
// The default clause's value: keyword cut off, quotes removed.
std::string DefaultValueOf(const std::string& default_source);
std::string ReadPrimaryKey(IMetadataSource& source, const std::string& table);
}  // namespace table_info_read

}  // namespace fib
