// TFIBQuery: one SQL statement on a database and transaction. It turns the
// SQL text into the server's text and a parameter vector, prepares it,
// executes it by statement type, fetches result rows into its column
// vector, traces to the SQL monitor, logs to the database's logger and
// keeps execution statistics.
#pragma once

#include <ibase.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/component.h"
#include "classlib/event.h"
#include "classlib/strings.h"
#include "fib/statements/fib_base.h"
#include "fib/statements/fib_base_params.h"
#include "fib/statements/xsqlda.h"
#include "fib/statements/xsqlda_owner.h"
#include "fib/statements/zod_options.h"

namespace fib {

class TFIBDatabase;
class TFIBTransaction;
struct SQLMarker;
struct PreprocessOptions;
enum class TextKind;

// A parameter marker that a NULL value turns into a null test.
bool IsNullTestable(const SQLMarker& marker);

// The server's statement types; 1..14 are its own codes.
enum TFIBSQLTypes {
  SQLUnknown,
  SQLSelect,
  SQLInsert,
  SQLUpdate,
  SQLDelete,
  SQLDDL,
  SQLGetSegment,
  SQLPutSegment,
  SQLExecProcedure,
  SQLStartTransaction,
  SQLCommit,
  SQLRollback,
  SQLSelectForUpdate,
  SQLSetGenerator,
  SQLSavePointOperation,
};

// Log kinds of statement lines (connections log 3, transactions 4).
constexpr int kLogPrepare = 0;
constexpr int kLogExecute = 1;
constexpr int kLogFetch = 2;

// A logger that also wants every fetched row implements this as well.
class ISQLFetchLogger {
 public:
  virtual ~ISQLFetchLogger() = default;
  virtual bool LogsFetches() const = 0;
};

class TFIBQuery : public classlib::TComponent, public TXSQLOwner, public ISQLObject {
  CLASSLIB_CLASS(TFIBQuery, classlib::TComponent)
 public:
  explicit TFIBQuery(classlib::TComponent* owner);
  ~TFIBQuery() override;

  // ---- links ----
  TFIBDatabase* Database() const { return base_.Database(); }
  // A different database frees a prepared handle first.
  void SetDatabase(TFIBDatabase* database);
  TFIBTransaction* Transaction() const { return base_.Transaction(); }
  void SetTransaction(TFIBTransaction* transaction);
  TFIBBase& Base() { return base_; }

  // ---- text and settings ----
  // Changing it needs a closed cursor (client error 28).
  classlib::TStringList& SQL() { return sql_; }
  const classlib::TStringList& SQL() const { return sql_; }
  // The text the server receives, with "?" for each marker.
  const std::string& ServerText() const { return server_text_; }
  bool ParamCheck() const { return param_check_; }
  void SetParamCheck(bool check);
  bool GoToFirstRecordOnExecute() const { return go_to_first_; }
  void SetGoToFirstRecordOnExecute(bool value) { go_to_first_ = value; }
  TpZODQueryOptions Options() const { return options_; }
  void SetOptions(TpZODQueryOptions options) { options_ = options; }
  char MacroChar() const { return macro_char_; }
  void SetMacroChar(char c);
  const std::string& CursorName() const { return cursor_name_; }
  void SetCursorName(const std::string& name) { cursor_name_ = name; }

  classlib::TNotifyEvent OnSQLChanging;
  classlib::TNotifyEvent TransactionEnding;
  classlib::TNotifyEvent TransactionEnded;
  classlib::TNotifyEvent BeforeExecute;
  classlib::TNotifyEvent AfterExecute;

  // ---- running ----
  void Prepare();
  virtual void ExecQuery();
  // Fetches the next row; false at end of data.
  bool Next();
  void Close();
  void FreeHandle();

  // ---- state ----
  bool Prepared() const { return prepared_; }
  // Whether the next ExecQuery prepares the statement (again) before it
  // runs: it is not prepared, or its values ask for a rewritten text.
  bool PreparesOnExecute();
  bool Open() const { return open_; }
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_ || !open_; }
  int RecordCount() const override { return record_count_; }
  TFIBSQLTypes SQLType() const { return sql_type_; }
  isc_stmt_handle Handle() const { return handle_; }
  int64_t ExecuteMilliseconds() const { return execute_ms_; }
  // The text begins with "EXECUTE " (an executable procedure call).
  bool IsProc() const;
  // The plan of the prepared statement.
  std::string Plan();
  // Rows the last execution touched; prepares first when needed.
  int RowsAffected();

  // ---- columns ----
  int FieldCount() const { return current_.Count(); }
  TFIBXSQLDA& Current() { return current_; }
  // Client error 41 for an index or name that names no column. Inline:
  // columns are read by index for every field of every fetched row.
  TFIBXSQLVAR& Fields(int index) {
    if (index < 0 || index >= current_.Count()) [[unlikely]]
      NoFieldAt(index);
    return current_[index];
  }
  TFIBXSQLVAR& FieldByName(const std::string& name);
  TFIBXSQLVAR* FindField(const std::string& name);

  // ---- parameters ----
  // Built on first use from the SQL text.
  TFIBXSQLDA& Params();
  int ParamCount() const override;
  // Client error 32 for an index out of range.
  TFIBXSQLVAR& Param(int index);
  TFIBXSQLVAR& ParamByName(const std::string& name);
  TFIBXSQLVAR* FindParam(const std::string& name);
  // The parameter as the server described it (in the rewritten text's
  // vector when NULLs became tests there); nullptr when the server never
  // saw it.
  const TFIBXSQLVAR* DescribedParam(const std::string& name);
  bool ParamsChanged() const { return params_changed_; }

  // ---- by name, for filling other statements ----
  std::string ParamName(int index) const override;
  bool ParamExist(const std::string& name, int& index) const override;
  classlib::Variant ParamValue(int index) const override;
  void SetParamValue(int index, const classlib::Variant& value) override;
  bool FieldExist(const std::string& name, int& index) const override;
  // A statement keeps no old values: `old` reads the current one.
  classlib::Variant FieldValue(int index, bool old) const override;

  // ---- descriptor owner ----
  IIBClientLibrary* ClientLibrary() override;
  isc_db_handle* DBHandle() override;
  isc_tr_handle* TRHandle() override;
  bool HasDatabase() const override { return Database() != nullptr; }
  int SQLDialect() const final;
  bool UpperOldNames() const override;
  bool IsUTF8Connection() const override;
  bool TrimCharFields() const override { return options_.Contains(qoTrimCharFields); }
  bool IsExecProcedure() const override { return sql_type_ == SQLExecProcedure; }
  std::string FullName() const override;
  void MacroValueChanged() override { macro_changed_ = true; }
  ISC_STATUS CheckCall(ISC_STATUS status) override { return Check(status, true); }

 protected:
  void Loaded() override;

 private:
  friend class QueryTrace;

  // Text handling.
  void SQLChanging(classlib::TObject* sender);
  void SQLChanged(classlib::TObject* sender);
  bool ChecksParams() const;
  PreprocessOptions MarkerOptions() const;
  void PreprocessText();
  void BuildParams(const std::vector<SQLMarker>& markers);
  bool NeedsRewrite() const;
  // False when NeedsRewrite is sure to be false: no macro changed and no
  // parameter of the prepared text stands in a condition that a NULL
  // would turn into a null test.
  bool MayNeedRewrite() const { return macro_changed_ || has_null_tests_ || !params_built_; }
  void RewriteText();
  std::string EncodedServerText() const;

  // Preparing.
  void StartTransactionIfAsked();
  void PrepareOnServer();
  // The statement's type, the number of its input parameters (-1 when the
  // server did not say) and whether the prepare described its columns.
  struct StatementShape {
    TFIBSQLTypes type;
    int input_count;
    bool columns_described;
  };
  StatementShape PrepareStatement(const std::string& text);
  StatementShape ReadStatementShape(const std::string& answer, bool columns_described);
  void DescribeInput(int input_count);
  void DescribeOutput(bool described);
  // The vector the server receives: the parameters, or the one that
  // matches the rewritten text.
  TFIBXSQLDA& ServerParams() { return server_params_active_ ? server_params_ : params_; }
  void CopyParamsToServerVector();

  // Executing.
  bool LinksReady() const;
  void WriteStreamParams();
  void RunStatement();
  void OpenCursor();
  // Every change of the row counter goes here: the columns keep whether
  // they hold a row.
  void SetRecordCount(int count);
  void ExecuteFailed(const std::exception& error);
  void AfterRun();
  void AutoCommit();
  void FinishExecute();

  [[noreturn]] static void NoFieldAt(int index);
  // The fetch answered something other than a row.
  void FetchDidNotAnswerRow(ISC_STATUS result);

  // Client calls and answers.
  std::string SQLInfo(std::string_view items, size_t size);
  ISC_STATUS Check(ISC_STATUS status, bool raise = true);
  // Whether log lines go anywhere; texts are built only when they do.
  bool HasSQLLogger() const;
  void Log(const std::string& text, int kind);
  void LogFetch();
  void LogExecute();
  void CountStatistics(bool executed);

  // Link events.
  void DatabaseDisconnecting(TFIBBase* link);
  void DatabaseFreed(TFIBBase* link);
  void TransactionEndingEvent(TFIBBase* link);
  void TransactionEndedEvent(TFIBBase* link);
  void TransactionFreed(TFIBBase* link);
  void DropHandleQuietly();

  TFIBBase base_;
  classlib::TStringList sql_;
  // The parser's kind of the SQL text.
  TextKind text_kind_;
  bool param_check_ = true;
  bool go_to_first_ = true;
  TpZODQueryOptions options_;
  char macro_char_ = '@';
  std::string cursor_name_;

  isc_stmt_handle handle_ = 0;
  bool prepared_ = false;
  bool open_ = false;
  bool bof_ = false;
  bool eof_ = false;
  // Whether a monitor listened when the last execution started: learnt once
  // an execution, so a fetched row pays one flag test for its trace.
  bool monitored_ = false;
  TFIBSQLTypes sql_type_ = SQLUnknown;
  int record_count_ = 0;
  int64_t execute_ms_ = 0;

  std::string server_text_;
  // The server text of the SQL text as it is, before any rewriting.
  std::string plain_server_text_;
  // Parameters as the SQL text names them (macros included).
  TFIBXSQLDA params_;
  bool params_built_ = false;
  bool params_changed_ = false;
  std::vector<SQLMarker> markers_;
  // A marker of markers_ that NeedsRewrite looks at.
  bool has_null_tests_ = false;
  // The vector of the rewritten text, and whether it is the one in use.
  TFIBXSQLDA server_params_;
  bool server_params_active_ = false;
  // What the last rewrite was built from.
  bool macro_changed_ = false;
  std::vector<bool> null_tested_;
  TFIBXSQLDA current_;
};

}  // namespace fib
