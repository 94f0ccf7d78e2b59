// What the SQL trace hook reads of the objects it traces. Statements and
// transactions implement these views; a trace reads them only when some
// monitor listens, so reading may cost a call to the server (the plan).
#pragma once

#include <ibase.h>

#include <cstdint>
#include <string>

namespace fib {

// A parameter or a column as a trace prints it.
class ITraceValue {
 public:
  virtual ~ITraceValue() = default;
  virtual std::string Name() const = 0;
  virtual bool IsNull() const = 0;
  // The SQL type code without the nullable bit (SQL_TEXT, SQL_BLOB, ...).
  virtual int SQLType() const = 0;
  // May raise when the value cannot be shown as text.
  virtual std::string AsString() const = 0;
  // The blob or array id of such a value.
  virtual ISC_QUAD AsQuad() const = 0;
};

class ITracedStatement {
 public:
  virtual ~ITracedStatement() = default;
  virtual std::string Name() const = 0;
  // The name of the data set that owns the statement; empty when none does.
  virtual std::string DataSetName() const = 0;
  virtual std::string SQLText() const = 0;
  // Raises when the server cannot give the plan.
  virtual std::string Plan() const = 0;
  virtual int ParamCount() const = 0;
  virtual const ITraceValue& Param(int index) const = 0;
  virtual int FieldCount() const = 0;
  virtual const ITraceValue& Field(int index) const = 0;
  // True for inserts, updates and deletes, whose row count a trace shows.
  virtual bool ChangesRows() const = 0;
  virtual std::int64_t RowsAffected() const = 0;
  // The duration of the last execution.
  virtual std::int64_t ExecuteMilliseconds() const = 0;
  // True once the last fetch found no more rows.
  virtual bool Eof() const = 0;
};

class ITracedTransaction {
 public:
  virtual ~ITracedTransaction() = default;
  virtual std::string Name() const = 0;
  // The server's id of the running transaction.
  virtual std::int64_t TransactionID() const = 0;
  // Transactions without a default database are not traced.
  virtual bool HasDefaultDatabase() const = 0;
};

}  // namespace fib
