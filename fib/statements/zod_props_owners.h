// What the property objects need of the components that own them. A data
// set, a database or a statement implements the view that fits it; the
// property objects find it by casting their owner.
#pragma once

#include <string>

namespace classlib {
class TStrings;
}

namespace fib {

class TDBParams;

// The five SQL texts of a data set, in the order they are published.
enum class TDataSetSQLKind { Select, Update, Delete, Insert, Refresh };

class IDataSetSQLTexts {
 public:
  virtual ~IDataSetSQLTexts() = default;
  virtual classlib::TStrings& SQLText(TDataSetSQLKind kind) = 0;
  // The owner's setter: it may react to the change (close, unprepare).
  virtual void SetSQLText(TDataSetSQLKind kind, const classlib::TStrings& lines) = 0;
};

// What generated modify statements need of their data set.
class IAutoUpdateOwner {
 public:
  virtual ~IAutoUpdateOwner() = default;
  // The alias the data set's select text gives `table`; empty when none.
  virtual std::string AliasForTable(const std::string& table) const = 0;
  // `name` written as an identifier of the database's SQL dialect.
  virtual std::string FormatIdentifier(const std::string& name) const = 0;
};

// A database's connection parameter lines and form-storage options.
class IDatabaseParams {
 public:
  virtual ~IDatabaseParams() = default;
  virtual TDBParams& DBParams() = 0;
  // ddoNotSavePassword is among the database's design options.
  virtual bool NotSavePassword() const = 0;
};

// A statement whose SQL text its conditions rewrite.
class IConditionsOwner {
 public:
  virtual ~IConditionsOwner() = default;
  virtual std::string ConditionsSQLText() const = 0;
  virtual void SetConditionsSQLText(const std::string& sql) = 0;
  // The condition of the statement's main WHERE clause ("" when none), and
  // the statement with that condition replaced.
  virtual std::string MainWhereClause(const std::string& sql) const = 0;
  virtual std::string SetMainWhereClause(const std::string& sql, const std::string& condition) const = 0;
};

}  // namespace fib
