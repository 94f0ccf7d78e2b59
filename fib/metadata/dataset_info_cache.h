// The data-set-info cache: per (database, DataSet_ID) the SQL texts and
// update options a data set keeps in the repository table
// ZOD$DATASETS_INFO, and the routines that read and write that table.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/syncobjs.h"
#include "fib/metadata/metadata_cache_source.h"
#include "fib/statements/zod_props_owners.h"

namespace fib {

class RepositoryFlags;
class TAutoUpdateOptions;

struct TpDataSetInfo {
  std::string DBName;
  int ZODVersion = 0;
  // String-list texts: every line ends with CR LF.
  std::string SelectSQL;
  std::string InsertSQL;
  std::string UpdateSQL;
  std::string DeleteSQL;
  std::string RefreshSQL;
  std::string KeyField;
  std::string NameGenerator;
  std::string Description;
  std::string UpdateTableName;
  bool UpdateOnlyModifiedFields = false;
  std::string Conditions;
  // Loaded from a cache file and not yet checked against the database.
  bool NeedValidate = false;
};

// A text as a string list holds it: each line followed by CR LF, whatever
// line breaks it came with.
std::string ListText(const std::string& text);

class TpDataSetInfoCollect {
 public:
  explicit TpDataSetInfoCollect(RepositoryFlags& flags);

  // The info of data set `id` in the source's database, read from the
  // repository when not cached (or stale). data_set_name names the data set
  // in error messages.
  TpDataSetInfo FindDataSetInfo(IMetadataSource& source, int id,
                                const std::string& data_set_name);
  // Drops a cached entry, so that the next find reads it again.
  void Forget(const std::string& db_name, int id);
  void Clear();
  void RemoveDatabase(const std::string& db_name);

  bool ValidateAfterLoad() const { return validate_after_load_; }
  void SetValidateAfterLoad(bool value) { validate_after_load_ = value; }

  int Count() const;
  // For the cache file: entries in key order (the decimal id), and adding a
  // loaded one.
  std::vector<std::pair<std::string, TpDataSetInfo>> Snapshot() const;
  void Add(const std::string& key, TpDataSetInfo info);

 private:
  using Infos = std::multimap<std::string, TpDataSetInfo>;
  Infos::iterator Find(const std::string& db_name, int id);

  RepositoryFlags& flags_;
  mutable classlib::TCriticalSection section_;
  Infos infos_;
  bool validate_after_load_ = false;
};

// Reads the repository row of data set `id` into `info` (left empty when
// there is no row). `source` may be null, which is reported as such.
bool ReadDataSetInfo(IMetadataSource* source, RepositoryFlags& flags,
                     const std::string& data_set_name, int id, TpDataSetInfo& info);
// Writes `values` (texts and options of the data set) to the row of data set
// `id`, inserting the row when missing. An empty description keeps the
// row's own.
bool SaveDataSetInfo(IMetadataSource* source, RepositoryFlags& flags,
                     const std::string& data_set_name, int id, const TpDataSetInfo& values,
                     const std::string& description);

// What taking repository settings changes on a data set.
class IDataSetInfoTarget : public IDataSetSQLTexts {
 public:
  // True when the data set's applied conditions already give this select.
  virtual bool ConditionsYield(const std::string& select_text) const = 0;
  virtual TAutoUpdateOptions& AutoUpdateOptions() = 0;
  virtual void SetConditionsText(const std::string& text) = 0;
  virtual void SetDescription(const std::string& text) = 0;
};

// Gives the data set the info's non-empty SQL texts that differ from its
// own, its key, generator and update options, conditions and description.
void ApplyDataSetInfo(const TpDataSetInfo& info, IDataSetInfoTarget& data_set);

}  // namespace fib
