#include "fib/sql/sql_trace_texts.h"

#include <exception>

namespace fib {

namespace {

// Execute traces name a data set's statement by both names; prepare and
// fetch traces by the data set alone, which is what the user knows.
std::string StatementName(const ITracedStatement& statement, bool qualified) {
  std::string data_set = statement.DataSetName();
  if (data_set.empty()) return statement.Name();
  return qualified ? data_set + "." + statement.Name() : data_set;
}

}  // namespace

std::string PrepareTraceText(const ITracedStatement& statement) {
  std::string text = StatementName(statement, false) + ": [Prepare] " + statement.SQLText() + "\r\n";
  try {
    text += "  Plan: " + statement.Plan();
  } catch (const std::exception&) {
    text += "  Plan: Can't retrieve plan ";
  }
  return text;
}

std::string TraceValueText(const ITraceValue& value) {
  if (value.IsNull()) return "<NULL>";
  switch (value.SQLType()) {
    case SQL_TEXT:
    case SQL_VARYING:
      return "'" + value.AsString() + "'";
    case SQL_BLOB: {
      ISC_QUAD id = value.AsQuad();
      return "<BLOB> (BLOB_ID=" + std::to_string(id.gds_quad_high) + "," +
             std::to_string(id.gds_quad_low) + ")";
    }
    case SQL_ARRAY:
      return "<ARRAY>";
    default:
      try {
        return value.AsString();
      } catch (const std::exception&) {
        return "<Can't print value>";
      }
  }
}

std::string ExecuteTraceText(const ITracedStatement& statement) {
  std::string text = StatementName(statement, true) + ": [Execute] " + statement.SQLText();
  for (int i = 0; i < statement.ParamCount(); ++i) {
    const ITraceValue& param = statement.Param(i);
    text += "\r\n  " + param.Name() + " = " + TraceValueText(param);
  }
  if (statement.ChangesRows()) text += "\r\nRows Affected:  " + std::to_string(statement.RowsAffected());
  text += "\r\nExecute tick count " + std::to_string(statement.ExecuteMilliseconds());
  return text;
}

// The columns start on a line of their own, as the plan does in a prepare
// trace, so the monitor shows one column per line.
std::string FetchTraceText(const ITracedStatement& statement) {
  std::string text = StatementName(statement, false) + ": [Fetch] " + statement.SQLText() + "\r\n";
  if (statement.Eof()) return text + "  End of file reached";
  for (int i = 0; i < statement.FieldCount(); ++i) {
    const ITraceValue& field = statement.Field(i);
    std::string value;
    try {
      value = field.IsNull() ? "NULL" : field.AsString();
    } catch (const std::exception&) {
      value = "<Can't print value>";
    }
    text += field.Name() + " = " + value + "\r\n";
  }
  return text;
}

std::string ConnectTraceText(std::string_view database_name, bool connect) {
  return std::string(database_name) + (connect ? ": [Connect]" : ": [Disconnect]");
}

std::string TransactionTraceText(const ITracedTransaction& transaction, TransactionTrace kind) {
  const char* action = "";
  switch (kind) {
    case TransactionTrace::Start: action = ": [Start transaction]("; break;
    case TransactionTrace::Commit: action = ": [Commit (Hard commit)]("; break;
    case TransactionTrace::CommitRetaining: action = ": [Commit retaining (Soft commit)]("; break;
    case TransactionTrace::Rollback: action = ": [Rollback]("; break;
    case TransactionTrace::RollbackRetaining: action = ": [Rollback retaining (Soft rollback)]("; break;
  }
  return transaction.Name() + action + std::to_string(transaction.TransactionID()) + ")";
}

std::string SavepointTraceText(const ITracedTransaction& transaction, std::string_view savepoint,
                               SavepointTrace kind) {
  const char* action = " [SetSavePoint(";
  if (kind == SavepointTrace::RollbackTo) action = " [RollBackToSavePoint(";
  if (kind == SavepointTrace::Release) action = " [ReleaseSavePoint(";
  return transaction.Name() + ": Transaction(" + std::to_string(transaction.TransactionID()) + ") -" +
         action + "\"" + std::string(savepoint) + "\")]";
}

std::string ServiceTraceText(std::string_view service_name, std::string_view action) {
  return std::string(service_name) + ": [" + std::string(action) + "]";
}

std::string DataSetActionTraceText(std::string_view data_set_name, std::string_view action) {
  return std::string(data_set_name) + ":" + std::string(action);
}

}  // namespace fib
