#include "fib/statements/fib_query_trace.h"

#include "fib/base/component_name.h"
#include "fib/sql/sql_trace_hook.h"
#include "fib/statements/fib_query.h"

namespace fib {

class QueryTrace::Value : public ITraceValue {
 public:
  explicit Value(TFIBXSQLVAR& var) : var_(var) {}
  std::string Name() const override { return var_.Name(); }
  bool IsNull() const override { return var_.IsNull(); }
  int SQLType() const override { return var_.SQLType(); }
  std::string AsString() const override { return var_.AsString(); }
  ISC_QUAD AsQuad() const override { return var_.AsQuad(); }

 private:
  TFIBXSQLVAR& var_;
};

QueryTrace::QueryTrace(TFIBQuery& query) : query_(query) {}
QueryTrace::~QueryTrace() = default;

std::string QueryTrace::Name() const { return FullComponentName(&query_); }

std::string QueryTrace::DataSetName() const {
  // A statement owned by a data set is traced under both names.
  const classlib::TComponent* owner = query_.Owner();
  if (owner == nullptr || owner->ClassName().find("DataSet") == std::string::npos) return "";
  return FullComponentName(owner);
}

std::string QueryTrace::SQLText() const { return query_.ServerText(); }
std::string QueryTrace::Plan() const { return query_.Plan(); }

const QueryTrace::Values& QueryTrace::Wrap(TFIBXSQLDA& vector, Values& values) const {
  if (values.empty())
    for (int i = 0; i < vector.Count(); ++i) values.push_back(std::make_unique<Value>(vector[i]));
  return values;
}

int QueryTrace::ParamCount() const { return query_.Params().Count(); }
const ITraceValue& QueryTrace::Param(int index) const {
  return *Wrap(query_.Params(), params_).at(index);
}
int QueryTrace::FieldCount() const { return query_.FieldCount(); }
const ITraceValue& QueryTrace::Field(int index) const {
  return *Wrap(query_.Current(), fields_).at(index);
}

bool QueryTrace::ChangesRows() const {
  TFIBSQLTypes type = query_.SQLType();
  return type == SQLInsert || type == SQLUpdate || type == SQLDelete;
}
std::int64_t QueryTrace::RowsAffected() const { return query_.RowsAffected(); }
std::int64_t QueryTrace::ExecuteMilliseconds() const { return query_.ExecuteMilliseconds(); }
bool QueryTrace::Eof() const { return query_.Eof(); }

namespace {

// The hook, or nullptr when it would trace nothing: statements call these
// per execution and per fetched row, and mostly nobody listens.
TFIBSQLMonitorHook* ListeningHook() {
  TFIBSQLMonitorHook* hook = MonitorHookInstance();
  return hook != nullptr && !hook->Idle() ? hook : nullptr;
}

}  // namespace

void TraceQueryPrepare(TFIBQuery& query) {
  if (TFIBSQLMonitorHook* hook = ListeningHook()) hook->TracePrepare(QueryTrace(query));
}

void TraceQueryExecute(TFIBQuery& query) {
  if (TFIBSQLMonitorHook* hook = ListeningHook()) hook->TraceExecute(QueryTrace(query));
}

void TraceQueryFetch(TFIBQuery& query) {
  if (TFIBSQLMonitorHook* hook = ListeningHook()) hook->TraceFetch(QueryTrace(query));
}

void TraceQueryError(TFIBQuery& query, const std::string& message) {
  TFIBSQLMonitorHook* hook = MonitorHookInstance();
  if (hook == nullptr) return;
  hook->TraceExecute(QueryTrace(query));
  if (hook->Enabled() && GetMonitorCount() > 0)
    hook->QueueTraceText(FullComponentName(&query) + ": [Execute] " + message, tcExecute);
}

}  // namespace fib
