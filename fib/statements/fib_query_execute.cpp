// Running a prepared statement: execution by statement type, fetching,
// closing the cursor and freeing the handle, with the traces, log lines
// and statistics each step leaves.

#include "classlib/stream.h"
#include "classlib/variant.h"
#include "fib/base/client_library.h"
#include "fib/base/component_name.h"
#include "fib/base/errors.h"
#include "fib/base/fib_timer.h"
#include "fib/sql/sql_trace_hook.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_query_statistics.h"
#include "fib/statements/fib_query_trace.h"
#include "fib/statements/fib_query_values.h"
#include "fib/statements/fib_transaction.h"

namespace fib {

namespace {

constexpr ISC_STATUS kEndOfData = 100;
constexpr ISC_STATUS kNoCursor = 335544572;        // the cursor is not open
constexpr ISC_STATUS kBadStatementHandle = 335544485;
constexpr ISC_STATUS kCursorNotOpen = 335544577;

bool IsCursorType(TFIBSQLTypes type) { return type == SQLSelect || type == SQLSelectForUpdate; }

std::string ValueText(const TFIBXSQLVAR& var) {
  if (var.IsNull()) return "NULL";
  int type = var.SQLType();
  if (type == SQL_BLOB || type == SQL_ARRAY || type == SQL_QUAD) {
    ISC_QUAD id = var.AsQuad();
    return "(" + std::to_string(id.gds_quad_high) + "," + std::to_string(id.gds_quad_low) + ")";
  }
  return "'" + var.AsString() + "'";
}

}  // namespace

// The same statement is often executed for row after row: what the common
// execution needs is decided from flags, and the rest is called only when
// they ask for it.
void TFIBQuery::ExecQuery() {
  if (BeforeExecute) BeforeExecute(this);
  if (options_.Contains(qoStartTransaction)) [[unlikely]] StartTransactionIfAsked();
  // A prepared statement whose text needs no rewriting keeps its handle:
  // of a new prepare only the closing of an open cursor would remain.
  if (PreparesOnExecute())
    Prepare();
  else if (open_)
    Close();
  else
    bof_ = eof_ = false;
  if (!LinksReady()) [[unlikely]] {
    base_.CheckDatabase();
    base_.CheckTransaction();
  }
  if (params_.MayHoldStreams()) [[unlikely]] WriteStreamParams();
  if (server_params_active_) [[unlikely]] CopyParamsToServerVector();
  monitored_ = MonitorListens();
  int64_t start = CoarseNowMs();
  Transaction()->DoSQLExecute(this, 0);
  try {
    RunStatement();
  } catch (const std::exception& error) {
    ExecuteFailed(error);
    throw;
  }
  execute_ms_ = CoarseNowMs() - start;
  AfterRun();
  AutoCommit();
  FinishExecute();
}

bool TFIBQuery::PreparesOnExecute() {
  return !prepared_ ||
         (MayNeedRewrite() && ChecksParams() && Params().Count() > 0 && NeedsRewrite());
}

// What the checks of the database and transaction links would find fine.
bool TFIBQuery::LinksReady() const {
  TFIBDatabase* database = Database();
  TFIBTransaction* transaction = Transaction();
  return database != nullptr && database->Connected() && transaction != nullptr &&
         transaction->Active();
}

// Parameters loaded from streams become new blobs in this transaction,
// written through a blob stream so the parameter's subtype and the
// database's blob filters apply.
void TFIBQuery::WriteStreamParams() {
  for (int i = 0; i < params_.Count(); ++i) {
    TFIBXSQLVAR& param = params_[i];
    if (!param.HasStream()) continue;
    StartTransactionIfAsked();
    TFIBBlobStream blob;
    blob.SetDatabase(Database());
    blob.SetTransaction(Transaction());
    blob.SetMode(BlobMode::Write);
    blob.SetBlobSubType(static_cast<int16_t>(param.SQLSubtype()));
    classlib::TMemoryStream& source = *param.Stream();
    if (source.Size() > 0) blob.Write(source.Memory(), static_cast<int>(source.Size()));
    blob.Finalize(true);
    // Every parameter of the name takes the id, and drops its stream.
    param.SetAsQuad(blob.BlobID());
  }
}

void TFIBQuery::CopyParamsToServerVector() {
  for (int i = 0; i < server_params_.Count(); ++i) {
    TFIBXSQLVAR& target = server_params_[i];
    std::vector<TFIBXSQLVAR*> sources = params_.ItemsNamed(target.Name());
    if (sources.empty())
      target.SetIsNull(true);
    else
      CopyParamValue(*sources.front(), target);
  }
}

// The links were checked: the database and transaction are there.
[[gnu::always_inline]] inline void TFIBQuery::RunStatement() {
  TFIBDatabase& database = *Database();
  IIBClientLibrary& library = database.ClientLibrary();
  ISC_STATUS* status = StatusVector();
  auto dialect = static_cast<unsigned short>(database.SQLDialect());
  XSQLDA* input = ServerParams().AsXSQLDA();
  isc_tr_handle* transaction = Transaction()->HandleAddress();
  if (sql_type_ == SQLExecProcedure) {
    Check(library.isc_dsql_execute2(status, transaction, &handle_, dialect, input,
                                    current_.AsXSQLDA()));
    SetRecordCount(0);
  } else if (IsCursorType(sql_type_)) {
    OpenCursor();
  } else {
    Check(library.isc_dsql_execute(status, transaction, &handle_, dialect, input));
  }
}

void TFIBQuery::OpenCursor() {
  Close();
  IIBClientLibrary& library = Database()->ClientLibrary();
  Check(library.isc_dsql_execute(StatusVector(), TRHandle(), &handle_,
                                 static_cast<unsigned short>(SQLDialect()),
                                 ServerParams().AsXSQLDA()));
  open_ = true;
  bof_ = true;
  eof_ = false;
  SetRecordCount(0);
  if (go_to_first_) Next();
}

void TFIBQuery::ExecuteFailed(const std::exception& error) {
  TraceQueryError(*this, error.what());
  Log(std::string("Error on execute query. Error message: \"") + error.what() + "\"",
      kLogExecute);
}

[[gnu::always_inline]] inline void TFIBQuery::AfterRun() {
  if (monitored_) [[unlikely]] TraceQueryExecute(*this);
  if (HasSQLLogger()) [[unlikely]] LogExecute();
  if (AnyStatisticsCollector()) [[unlikely]] CountStatistics(true);
  Transaction()->DoSQLExecute(this, 1);
}

[[gnu::noinline]] void TFIBQuery::LogExecute() { Log("Execute query: " + server_text_, kLogExecute); }

void TFIBQuery::AutoCommit() {
  if (!options_.Contains(qoAutoCommit)) [[likely]] return;
  TFIBTransaction* transaction = Transaction();
  if (!transaction->Active()) return;
  if (transaction->TimeoutAction() == TACommitRetaining)
    transaction->CommitRetaining();
  else
    transaction->Commit();
}

void TFIBQuery::FinishExecute() {
  params_.Executed();
  params_changed_ = false;
  if (options_.Contains(qoFreeHandleAfterExecute) && !open_) FreeHandle();
  if (AfterExecute) AfterExecute(this);
}

// ---- fetching and closing ----

void TFIBQuery::SetRecordCount(int count) {
  // Only the step between none and some rows changes what the columns hold.
  if ((count == 0) != (record_count_ == 0)) current_.RowStateChanged();
  record_count_ = count;
}

// Beside Next, which runs it for every row.
ISC_STATUS TFIBQuery::Check(ISC_STATUS status, bool raise) {
  if (Transaction() != nullptr) Transaction()->NoteStatementCall();
  return Database()->CheckClientCall(status, raise);
}

// A fetched row takes the short way: nothing below the fetch call leaves
// this function unless a monitor listened when the cursor opened or a
// logger is set.
bool TFIBQuery::Next() {
  if (eof_) return false;
  if (!open_) [[unlikely]]
    RaiseClientError(29, {"fetch next record", FullComponentName(this)});
  TFIBDatabase* database = Database();
  ISC_STATUS result = database->ClientLibrary().isc_dsql_fetch(
      StatusVector(), &handle_, static_cast<unsigned short>(database->SQLDialect()),
      current_.AsXSQLDA());
  Check(result, false);
  if (result == 0) [[likely]] {
    // Only the first row changes what the columns hold (SetRecordCount).
    if (record_count_ == 0) [[unlikely]]
      SetRecordCount(1);
    else
      ++record_count_;
    bof_ = false;
  } else {
    FetchDidNotAnswerRow(result);
  }
  if (monitored_) [[unlikely]]
    TraceQueryFetch(*this);
  if (database->SQLLogger() != nullptr) [[unlikely]]
    LogFetch();
  return !eof_;
}

// The end of the data, or a failure to raise.
void TFIBQuery::FetchDidNotAnswerRow(ISC_STATUS result) {
  if (result == kEndOfData || StatusIsOneOf({kNoCursor})) {
    eof_ = true;
    return;
  }
  RaiseServerError(Database()->ClientLibrary(), Database());
}

void TFIBQuery::Close() {
  bool had_cursor = handle_ != 0 && open_ && IsCursorType(sql_type_);
  open_ = bof_ = eof_ = false;
  if (!had_cursor) return;
  IIBClientLibrary& library = Database()->ClientLibrary();
  if (Check(library.isc_dsql_free_statement(StatusVector(), &handle_, DSQL_close), false) != 0 &&
      !StatusIsOneOf({kBadStatementHandle, kCursorNotOpen}))
    RaiseServerError(library, Database());
}

void TFIBQuery::FreeHandle() {
  current_.Resize(0);
  if (handle_ != 0 && Database() != nullptr) {
    IIBClientLibrary& library = Database()->ClientLibrary();
    // The client cleans the very variable it allocated the handle into.
    ISC_STATUS result = library.isc_dsql_free_statement(StatusVector(), &handle_, DSQL_drop);
    handle_ = 0;
    prepared_ = false;
    if (Check(result, false) != 0 && !StatusIsOneOf({kBadStatementHandle}))
      RaiseServerError(library, Database());
  }
  handle_ = 0;
  prepared_ = false;
  open_ = bof_ = eof_ = false;
}

// ---- log and statistics ----

bool TFIBQuery::HasSQLLogger() const {
  TFIBDatabase* database = Database();
  return database != nullptr && database->SQLLogger() != nullptr;
}

void TFIBQuery::Log(const std::string& text, int kind) {
  TFIBDatabase* database = Database();
  if (database == nullptr || database->SQLLogger() == nullptr) return;
  database->SQLLogger()->WriteData(FullComponentName(this), text, kind, "");
}

void TFIBQuery::LogFetch() {
  TFIBDatabase* database = Database();
  if (database == nullptr || database->SQLLogger() == nullptr) return;
  auto* fetch_logger = dynamic_cast<ISQLFetchLogger*>(database->SQLLogger());
  if (fetch_logger == nullptr || !fetch_logger->LogsFetches()) return;
  std::string text = "Fetch:";
  if (eof_) text += "\r\n  End of file reached";
  for (int i = 0; !eof_ && i < current_.Count(); ++i) {
    const TFIBXSQLVAR& field = current_[i];
    text += "\r\n" + field.Name() + " = " + (field.IsNull() ? "NULL" : field.AsString());
  }
  Log(text, kLogFetch);
}

void TFIBQuery::CountStatistics(bool executed) {
  TFIBStatistics* statistics = DatabaseStatistics(Database());
  if (statistics == nullptr) return;
  std::string name = FullComponentName(this);
  auto number = [&](const char* key) {
    classlib::Variant value = statistics->Value(name, key);
    return classlib::VarIsEmpty(value) ? int64_t{0} : value.AsInt64();
  };
  if (!executed) {
    statistics->SetValue(name, "PrepareCount", number("PrepareCount") + 1);
    return;
  }
  int64_t count = number("ExecuteCount") + 1;
  int64_t sum = number("SumTimeExecute") + execute_ms_;
  statistics->SetValue(name, "ExecuteCount", count);
  statistics->SetValue(name, "LastTimeExecute", execute_ms_);
  statistics->SetValue(name, "SumTimeExecute", sum);
  statistics->SetValue(name, "AvgTimeExecute", sum / count);
  statistics->SetValue(FullComponentName(Database()), "LastQueryName", name);
  if (count > 1 && execute_ms_ <= number("MaxTimeExecute")) return;
  statistics->SetValue(name, "MaxTimeExecute", execute_ms_);
  // The values of the slowest run, to repeat it.
  std::string lines;
  for (int i = 0; i < params_.Count(); ++i) {
    if (!lines.empty()) lines += "\r\n";
    lines += "Params[" + std::to_string(i) + "]=" + ValueText(params_[i]);
  }
  statistics->SetValue(name, "MaxParams", lines);
}

}  // namespace fib
