// The texts of the trace messages, one builder per traced event.
#pragma once

#include <string>
#include <string_view>

#include "fib/sql/sql_trace_sources.h"

namespace fib {

enum class TransactionTrace { Start, Commit, CommitRetaining, Rollback, RollbackRetaining };
enum class SavepointTrace { Set = 0, RollbackTo = 1, Release = 2 };

std::string PrepareTraceText(const ITracedStatement& statement);
std::string ExecuteTraceText(const ITracedStatement& statement);
std::string FetchTraceText(const ITracedStatement& statement);
// "<name>: [Connect]" or "<name>: [Disconnect]".
std::string ConnectTraceText(std::string_view database_name, bool connect);
std::string TransactionTraceText(const ITracedTransaction& transaction, TransactionTrace kind);
std::string SavepointTraceText(const ITracedTransaction& transaction, std::string_view savepoint,
                               SavepointTrace kind);
// action: "Attach", "Detach", "Query" or "Start".
std::string ServiceTraceText(std::string_view service_name, std::string_view action);
// What a data set does on its records alone (a local sort, a record dropped
// from the cache): "<name>:" and the action's text as the data set gives it.
std::string DataSetActionTraceText(std::string_view data_set_name, std::string_view action);

// How an execute trace shows a parameter's value.
std::string TraceValueText(const ITraceValue& value);

}  // namespace fib
