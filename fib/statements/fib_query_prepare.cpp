// Preparing a statement: the rewritten text, the server's prepare and
// describe calls, and the statement-information answers.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "classlib/ansistr.h"
#include "classlib/variant.h"
#include "fib/base/client_library.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/numeric_helpers.h"
#include "fib/sql/query_preprocessor.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_query_trace.h"
#include "fib/statements/fib_query_values.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

namespace {

constexpr char kInfoStatementType = isc_info_sql_stmt_type;  // 21
constexpr char kInfoPlan = isc_info_sql_get_plan;            // 22
constexpr char kInfoRecords = isc_info_sql_records;          // 23
constexpr char kInfoBind = isc_info_sql_bind;                // 5
constexpr char kInfoVariables = isc_info_sql_num_variables;  // 6
// What a prepare asks: the statement's type and its number of parameters.
constexpr char kShapeItems[] = {kInfoStatementType, kInfoBind, kInfoVariables};
constexpr size_t kShapeAnswerSize = 32;

bool NeedsColumns(TFIBSQLTypes type) {
  return type == SQLSelect || type == SQLExecProcedure || type == SQLSelectForUpdate;
}

}  // namespace

bool IsNullTestable(const SQLMarker& marker) {
  return marker.in_condition && !marker.operator_follows && !marker.macro;
}

namespace {

bool NeedsParams(TFIBSQLTypes type) {
  return NeedsColumns(type) || type == SQLInsert || type == SQLUpdate || type == SQLDelete;
}

}  // namespace

// The database's own check: it keeps the connection from counting as idle,
// and its errors name the database.
// The call is its transaction's activity too, so the transaction's own
// idle time-out does not end it under running statements.
void TFIBQuery::StartTransactionIfAsked() {
  TFIBTransaction* transaction = Transaction();
  if (options_.Contains(qoStartTransaction) && transaction != nullptr && !transaction->Active())
    transaction->StartTransaction();
}

// ---- rewriting ----

// The text must be built again when a macro got a new value or a
// parameter in a condition went from NULL to a value or back.
bool TFIBQuery::NeedsRewrite() const {
  if (macro_changed_) return true;
  if (options_.Contains(qoNoForceIsNull)) return false;
  for (int i = 0; i < params_.Count(); ++i) {
    if (!IsNullTestable(markers_[i])) continue;
    bool was_null = i < static_cast<int>(null_tested_.size()) && null_tested_[i];
    if (params_[i].IsNull() != was_null) return true;
  }
  return false;
}

void TFIBQuery::RewriteText() {
  std::vector<MarkerEdit> edits;
  bool force_null = !options_.Contains(qoNoForceIsNull);
  null_tested_.assign(params_.Count(), false);
  for (int i = 0; i < params_.Count(); ++i) {
    TFIBXSQLVAR& param = params_[i];
    const SQLMarker& marker = markers_[i];
    if (param.IsMacro()) {
      std::string value = param.IsNull() ? std::string() : param.AsString();
      // A quoted macro is one string literal whatever its value holds.
      if (param.IsQuotedMacro()) value = classlib::QuotedStr(value);
      edits.push_back({MarkerEdit::kMacro, marker.start, marker.end, value});
      param.SetMacroPreviousValue(classlib::Variant(param.IsNull() ? "" : param.AsString()));
    } else if (force_null && marker.in_condition && !marker.operator_follows && param.IsNull()) {
      null_tested_[i] = true;
      edits.push_back({MarkerEdit::kNullTest, marker.start, marker.end, ""});
    }
  }
  macro_changed_ = false;
  std::string working = sql_.Text();
  server_params_active_ = RewriteSQL(working, edits);
  if (!server_params_active_) return;
  PreprocessedSQL result = PreprocessSQL(working, MarkerOptions());
  server_text_ = std::move(result.server_text);
  ResetVector(server_params_, static_cast<int>(result.markers.size()));
  for (int i = 0; i < server_params_.Count(); ++i)
    server_params_.SetItemName(i, result.markers[i].name, result.markers[i].quoted);
}

// ---- prepare ----

void TFIBQuery::Prepare() {
  Close();
  // Text that failed to parse raises its parse error again, never runs.
  if (!params_built_) SQLChanged(this);
  base_.CheckDatabase();
  StartTransactionIfAsked();
  base_.CheckTransaction();
  if (ChecksParams() && Params().Count() > 0 && (!prepared_ || NeedsRewrite())) {
    std::string before = server_text_;
    RewriteText();
    if (!server_params_active_) server_text_ = plain_server_text_;
    if (prepared_ && server_text_ != before) FreeHandle();
  }
  if (prepared_) return;
  if (server_text_.empty()) RaiseClientError(37, {"Prepare"});
  PrepareOnServer();
  prepared_ = true;
  TraceQueryPrepare(*this);
  CountStatistics(false);
  Log("Prepare: " + server_text_, kLogPrepare);
}

void TFIBQuery::PrepareOnServer() {
  IIBClientLibrary& library = Database()->ClientLibrary();
  ISC_STATUS* status = StatusVector();
  if (handle_ == 0) Check(library.isc_dsql_alloc_statement2(status, DBHandle(), &handle_));
  std::string text = EncodedServerText();
  ResetVector(current_, current_.Count());
  try {
    StatementShape shape = PrepareStatement(text);
    sql_type_ = shape.type;
    current_.RowStateChanged();
    if (sql_type_ == SQLSelectForUpdate) {
      if (cursor_name_.empty()) cursor_name_ = RandomDigits(10);
      Check(library.isc_dsql_set_cursor_name(status, &handle_, cursor_name_.c_str(), 0));
    }
    if (sql_type_ == SQLGetSegment || sql_type_ == SQLPutSegment ||
        sql_type_ == SQLStartTransaction) {
      FreeHandle();
      RaiseClientError(2);
    }
    if (NeedsParams(sql_type_)) DescribeInput(shape.input_count);
    if (NeedsColumns(sql_type_))
      DescribeOutput(shape.columns_described);
    else
      current_.Resize(0);
  } catch (...) {
    // A statement the server refused keeps no handle: the next prepare
    // starts clean.
    DropHandleQuietly();
    throw;
  }
}

// The type and the input count ride along with the prepare where the
// client can answer statement information with it: isc_dsql_prepare always
// has the engine describe the output too, which for an INSERT or UPDATE
// costs it more than running the statement. The columns of a statement
// that returns rows are then described by their own call.
TFIBQuery::StatementShape TFIBQuery::PrepareStatement(const std::string& text) {
  IIBClientLibrary& library = Database()->ClientLibrary();
  auto length = static_cast<unsigned short>(text.size());
  auto dialect = static_cast<unsigned short>(SQLDialect());
  const std::string_view items(kShapeItems, sizeof kShapeItems);
  if (library.HasPrepareWithInfo()) {
    std::string answer(kShapeAnswerSize, '\0');
    Check(library.isc_dsql_prepare_m(StatusVector(), TRHandle(), &handle_, length, text.c_str(),
                                     dialect, static_cast<unsigned short>(items.size()),
                                     items.data(), static_cast<unsigned short>(answer.size()),
                                     answer.data()));
    return ReadStatementShape(answer, false);
  }
  Check(library.isc_dsql_prepare(StatusVector(), TRHandle(), &handle_, length, text.c_str(),
                                 dialect, current_.AsXSQLDA()));
  return ReadStatementShape(SQLInfo(items, kShapeAnswerSize), true);
}

// The answer to kShapeItems: the type's item, its length and value, then
// the bind section's item, the count's item, its length and the count.
TFIBQuery::StatementShape TFIBQuery::ReadStatementShape(const std::string& answer,
                                                        bool columns_described) {
  IIBClientLibrary& library = Database()->ClientLibrary();
  if (answer.size() < 3 || answer[0] != kInfoStatementType) RaiseClientError(0);
  int length = library.isc_vax_integer(answer.data() + 1, 2);
  if (length < 0 || static_cast<size_t>(length) + 3 > answer.size()) RaiseClientError(0);
  int type = library.isc_vax_integer(answer.data() + 3, static_cast<short>(length));
  StatementShape shape{type >= 0 && type <= SQLSavePointOperation ? static_cast<TFIBSQLTypes>(type)
                                                                   : SQLUnknown,
                       -1, columns_described};
  size_t pos = 3 + static_cast<size_t>(length);
  if (pos + 4 <= answer.size() && answer[pos] == kInfoBind && answer[pos + 1] == kInfoVariables) {
    int count_length = library.isc_vax_integer(answer.data() + pos + 2, 2);
    if (count_length > 0 && count_length <= 4 && pos + 4 + count_length <= answer.size())
      shape.input_count =
          library.isc_vax_integer(answer.data() + pos + 4, static_cast<short>(count_length));
  }
  return shape;
}

// A statement the server gave no parameters is not described: the vector
// is left as the describe would leave it, with no items.
void TFIBQuery::DescribeInput(int input_count) {
  IIBClientLibrary& library = Database()->ClientLibrary();
  TFIBXSQLDA& params = ServerParams();
  ISC_STATUS* status = StatusVector();
  if (input_count == 0) {
    params.AsXSQLDA()->sqld = 0;
    params.Initialize();
    return;
  }
  // Values written before, even in an earlier execution, keep the shape
  // they were written with; the describe would otherwise reset them.
  for (int i = 0; i < params.Count(); ++i)
    if (params[i].SQLType() != 0) params[i].SetModified(true);
  Check(library.isc_dsql_describe_bind(status, &handle_, 1, params.AsXSQLDA()));
  if (params.DescribedCount() > params.AsXSQLDA()->sqln) {
    ResetVector(params, params.DescribedCount());
    Check(library.isc_dsql_describe_bind(status, &handle_, 1, params.AsXSQLDA()));
  }
  params.Initialize();
}

void TFIBQuery::DescribeOutput(bool described) {
  IIBClientLibrary& library = Database()->ClientLibrary();
  if (!described) Check(library.isc_dsql_describe(StatusVector(), &handle_, 1, current_.AsXSQLDA()));
  if (current_.DescribedCount() > current_.AsXSQLDA()->sqln) {
    ResetVector(current_, current_.DescribedCount());
    Check(library.isc_dsql_describe(StatusVector(), &handle_, 1, current_.AsXSQLDA()));
  }
  current_.Initialize();
}

// ---- statement information ----

std::string TFIBQuery::SQLInfo(std::string_view items, size_t size) {
  std::string buffer(size, '\0');
  Check(Database()->ClientLibrary().isc_dsql_sql_info(StatusVector(), &handle_,
                                                       static_cast<short>(items.size()), items.data(),
                                                       static_cast<short>(buffer.size()),
                                                       buffer.data()));
  return buffer;
}

std::string TFIBQuery::Plan() {
  if (!prepared_ || handle_ == 0) return "";
  IIBClientLibrary& library = Database()->ClientLibrary();
  for (size_t size = 1024; size <= 65536; size *= 4) {
    std::string answer = SQLInfo(std::string_view(&kInfoPlan, 1), size);
    if (answer.empty() || answer[0] == isc_info_truncated) continue;
    if (answer[0] != kInfoPlan) return "";
    int length = library.isc_vax_integer(answer.data() + 1, 2);
    if (length < 0 || static_cast<size_t>(length) + 3 > answer.size()) continue;
    std::string plan = answer.substr(3, length);
    // The server starts the plan with a line break.
    while (!plan.empty() && (plan.front() == '\n' || plan.front() == '\r')) plan.erase(0, 1);
    return plan;
  }
  return "";
}

int TFIBQuery::RowsAffected() {
  if (!prepared_) Prepare();
  IIBClientLibrary& library = Database()->ClientLibrary();
  std::string answer = SQLInfo(std::string_view(&kInfoRecords, 1), 255);
  if (answer[0] == kInfoRecords) {
    // A longer answer says how long it is; ask again with room for it.
    size_t needed = static_cast<size_t>(library.isc_vax_integer(answer.data() + 1, 2)) + 4;
    if (needed > answer.size()) answer = SQLInfo(std::string_view(&kInfoRecords, 1), needed);
  } else if (answer[0] != isc_info_end) {
    RaiseClientError(0);
  }
  int counts[4] = {0, 0, 0, 0};  // select, insert, update, delete
  if (answer[0] == kInfoRecords) {
    size_t end = std::min(answer.size(),
                          3 + static_cast<size_t>(library.isc_vax_integer(answer.data() + 1, 2)));
    size_t pos = 3;
    while (pos + 3 <= end && answer[pos] != isc_info_end) {
      char item = answer[pos];
      int length = library.isc_vax_integer(answer.data() + pos + 1, 2);
      if (length < 0 || pos + 3 + length > end) break;
      int value = library.isc_vax_integer(answer.data() + pos + 3, static_cast<short>(length));
      if (item >= isc_info_req_select_count && item <= isc_info_req_delete_count)
        counts[item - isc_info_req_select_count] = value;
      pos += 3 + length;
    }
  }
  switch (sql_type_) {
    case SQLSelect: return counts[0];
    case SQLInsert: return counts[1];
    case SQLUpdate: return counts[2];
    case SQLDelete: return counts[3];
    default: return counts[0] + counts[1] + counts[2] + counts[3];
  }
}

}  // namespace fib
