// What the metadata caches need of a database: its name, which repository
// tables its owner allows, and a way to run statements with named
// parameters and read the rows by column name or position. The caches are
// written against this small interface so that their logic and the cache
// files do not depend on how statements reach the server.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/variant.h"

namespace fib {

// The repository tables, numbered as the existence flags count them.
enum class RepositoryKind { FieldsInfo = 1, DataSetsInfo = 2, ErrorMessages = 3 };

// One named parameter value: the name without its "?" or ":" marker.
using MetadataParam = std::pair<std::string, classlib::Variant>;
using MetadataParams = std::vector<MetadataParam>;

// The rows of one select, read front to back.
class IMetadataRows {
 public:
  virtual ~IMetadataRows() = default;
  // Moves to the next row; false when there is none.
  virtual bool Next() = 0;
  virtual int ColumnCount() const = 0;
  // The column's name as the server describes it (alias when given).
  virtual std::string ColumnName(int index) const = 0;
  virtual bool IsNull(int index) const = 0;
  // Text of the value; "" for NULL.
  virtual std::string AsString(int index) const = 0;
  // Integer value; 0 for NULL.
  virtual int AsInteger(int index) const = 0;

  // -1 when no column has this name (compared case-insensitively).
  int IndexOf(const std::string& name) const;
  bool HasColumn(const std::string& name) const { return IndexOf(name) >= 0; }
  // By name; a missing column reads as NULL, so optional repository columns
  // need no separate test.
  bool IsNull(const std::string& name) const;
  std::string AsString(const std::string& name) const;
  int AsInteger(const std::string& name) const;
};

class IMetadataSource {
 public:
  virtual ~IMetadataSource() = default;
  // The name the caches file this database's entries under.
  virtual std::string DBName() const = 0;
  virtual bool UsesRepository(RepositoryKind kind) const = 0;
  // Runs a select in the source's read work; the rows stay valid until the
  // next call on the source.
  virtual std::unique_ptr<IMetadataRows> Select(const std::string& sql,
                                                const MetadataParams& params = {}) = 0;
  // Runs a statement that changes the database, in the source's write work.
  virtual void Execute(const std::string& sql, const MetadataParams& params = {}) = 0;
  // Ends the work begun by Select and Execute, keeping what was written.
  virtual void Commit() = 0;
};

// The first column of the first row as an integer; 0 when there is no row.
int SelectInteger(IMetadataSource& source, const std::string& sql,
                  const MetadataParams& params = {});

}  // namespace fib
