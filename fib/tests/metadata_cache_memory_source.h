// An in-memory stand-in for a database as the metadata caches see it:
// tables of rows answered per statement, with every statement recorded.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fib/metadata/metadata_cache_source.h"

namespace fib_test {

struct MemoryTable {
  std::vector<std::string> columns;
  std::vector<std::vector<std::optional<std::string>>> rows;
};

class MemoryMetadataSource : public fib::IMetadataSource {
 public:
  // Answers a statement; an unknown one gives no rows.
  using Answer = std::function<MemoryTable(const std::string& sql, const fib::MetadataParams&)>;

  explicit MemoryMetadataSource(std::string db_name = "db") : db_name_(std::move(db_name)) {}

  std::string DBName() const override { return db_name_; }
  bool UsesRepository(fib::RepositoryKind kind) const override {
    return repositories.count(kind) != 0;
  }
  std::unique_ptr<fib::IMetadataRows> Select(const std::string& sql,
                                             const fib::MetadataParams& params) override;
  void Execute(const std::string& sql, const fib::MetadataParams& params) override;
  void Commit() override { ++commits; }

  // Statements with fixed answers, matched by exact text.
  std::map<std::string, MemoryTable> answers;
  // Tried when no fixed answer matches.
  Answer answer;
  // Statements that raise when run.
  std::set<std::string> failing;
  std::set<fib::RepositoryKind> repositories = {fib::RepositoryKind::FieldsInfo,
                                                fib::RepositoryKind::DataSetsInfo,
                                                fib::RepositoryKind::ErrorMessages};
  // Every statement run, with the parameters as "NAME=value" after it.
  std::vector<std::string> log;
  int commits = 0;

  bool Ran(const std::string& sql) const;

 private:
  std::string db_name_;
};

// A one-column, one-row answer.
MemoryTable Single(const std::string& value);

}  // namespace fib_test
