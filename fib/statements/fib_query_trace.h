// How a statement shows itself to the SQL trace hook: a view that the hook
// reads only when a monitor listens, so building it costs nothing else.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fib/sql/sql_trace_sources.h"

namespace fib {

class TFIBQuery;
class TFIBXSQLDA;
class TFIBXSQLVAR;

class QueryTrace : public ITracedStatement {
 public:
  explicit QueryTrace(TFIBQuery& query);
  ~QueryTrace() override;

  std::string Name() const override;
  std::string DataSetName() const override;
  std::string SQLText() const override;
  std::string Plan() const override;
  int ParamCount() const override;
  const ITraceValue& Param(int index) const override;
  int FieldCount() const override;
  const ITraceValue& Field(int index) const override;
  bool ChangesRows() const override;
  std::int64_t RowsAffected() const override;
  std::int64_t ExecuteMilliseconds() const override;
  bool Eof() const override;

 private:
  class Value;
  using Values = std::vector<std::unique_ptr<Value>>;
  const Values& Wrap(TFIBXSQLDA& vector, Values& values) const;

  TFIBQuery& query_;
  mutable Values params_;
  mutable Values fields_;
};

// The hook's traces of a statement, each a no-op when no monitor listens.
void TraceQueryPrepare(TFIBQuery& query);
void TraceQueryExecute(TFIBQuery& query);
void TraceQueryFetch(TFIBQuery& query);
// An execution failed: its trace and a line naming the error.
void TraceQueryError(TFIBQuery& query, const std::string& message);

}  // namespace fib
