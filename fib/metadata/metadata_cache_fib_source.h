// The metadata caches' view of a connected TFIBDatabase: statements run as
// TFIBQuery in one read-committed transaction of the source's own, so that
// a row it inserts is visible to its next select.
#pragma once

#include <memory>
#include <set>
#include <string>

#include "fib/metadata/metadata_cache_source.h"

namespace fib {

class TFIBDatabase;
class TFIBTransaction;

class FIBMetadataSource : public IMetadataSource {
 public:
  // `repositories`: the tables the database's owner lets the caches use.
  explicit FIBMetadataSource(TFIBDatabase& database,
                             std::set<RepositoryKind> repositories = {
                                 RepositoryKind::FieldsInfo, RepositoryKind::DataSetsInfo,
                                 RepositoryKind::ErrorMessages});
  ~FIBMetadataSource() override;

  std::string DBName() const override;
  bool UsesRepository(RepositoryKind kind) const override;
  std::unique_ptr<IMetadataRows> Select(const std::string& sql,
                                        const MetadataParams& params) override;
  void Execute(const std::string& sql, const MetadataParams& params) override;
  void Commit() override;

 private:
  TFIBDatabase& database_;
  std::set<RepositoryKind> repositories_;
  std::unique_ptr<TFIBTransaction> transaction_;
};

}  // namespace fib
