// TOCICommand: the Oracle driver statement. It turns the component's SQL
// into a prepared statement in either call style, builds parameter
// descriptors from the text, binds them with the call interface's external
// types, executes with the right iteration count and mode (also on a
// background thread), streams LONG values piecewise and reports rows
// processed, the error offset and the ROWID of the row touched.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "dacore/blob.h"
#include "dacore/blob_compressed.h"
#include "dacore/driver_command.h"
#include "oracle/error_ora.h"
#include "oracle/oci_defs.h"

namespace classlib {
class Exception;
}

namespace oracle {

class TOCIConnection;
class TOraCursor;
class TOraParamDesc;
class TExecThread;
class TOCIFieldDesc;
struct TSelectColumn;

// Cursor states of a command's cursor.
inline constexpr uint8_t csOpened = 1;
inline constexpr uint8_t csParsed = 2;
inline constexpr uint8_t csBound = 4;
inline constexpr uint8_t csExecuting = 6;
inline constexpr uint8_t csExecuted = 7;
inline constexpr uint8_t csCancelled = 10;

// Statement kinds (the older interface's function codes).
inline constexpr uint16_t SQL_UNKNOWN = 0;
inline constexpr uint16_t SQL_INSERT = 3;
inline constexpr uint16_t SQL_SELECT = 4;
inline constexpr uint16_t SQL_UPDATE = 5;
inline constexpr uint16_t SQL_DELETE = 9;
inline constexpr uint16_t SQL_EXPLAIN = 27;
inline constexpr uint16_t SQL_PLSQL = 34;

// Property numbers of the command.
inline constexpr int prParamCheck = 11;
inline constexpr int prSQLType = 12;
inline constexpr int prScanOff = 32;
inline constexpr int prNonBlocking = 50;
inline constexpr int prErrorOffset = 57;
inline constexpr int prFieldsAsString = 59;
inline constexpr int prCacheLobs = 64;
inline constexpr int prScrollableCursor = 67;
inline constexpr int prStoreRowId = 68;
inline constexpr int prRawAsString = 73;
inline constexpr int prNumberAsString = 74;
inline constexpr int prIntegerPrecision = 78;
inline constexpr int prFloatPrecision = 79;
inline constexpr int prTemporaryLobUpdate = 82;
inline constexpr int prCommandStatementCache = 93;
inline constexpr int prPrefetchRows = 99;

// The largest LONG a bind takes.
inline constexpr int32_t kMaxLongBindSize = 2147483647;

class TOCICommand : public dacore::TCRCommand {
  CLASSLIB_CLASS(TOCICommand, dacore::TCRCommand)
 public:
  TOCICommand();
  ~TOCICommand() override;

  void Prepare() override;
  void Unprepare() override;
  bool GetPrepared() override { return GetCursorState() >= dacore::csPrepared; }
  void Execute(int iters) override;
  void SetConnection(dacore::TCRConnection* value) override;
  void SetSQL(const std::string& value) override;
  uint8_t GetCursorState() override;
  void SetCursorState(uint8_t value) override;
  dacore::TParamDesc* AddParam() override;
  bool SetProp(int prop, const classlib::Variant& value) override;
  // Property 24 answers whether an execute runs (in the background, until its
  // end is handled): the statement component neither runs it again nor
  // reports its end meanwhile.
  bool GetProp(int prop, classlib::Variant& value) override;

  // ---- The connection's side (TOCIConnection calls these).
  // Stops this command's background run and its record set's; their ends
  // are heard by nobody.
  void StopBackgroundWork();
  // The connection is going: the statement is released and the connection
  // forgotten; used again, the command answers "Session is not defined".
  void ConnectionGone();
  // Set by a record set over this command: stops the record set's own runs.
  std::function<void()> OnStopBackground;

  // ---- Checks.
  void CheckOCI() const;
  void CheckOCI73() const;
  void CheckOCI80() const;
  // "Session is not defined", "Session is not connected".
  void CheckSession() const;
  // "Cursor must be opened" unless a cursor state is set.
  void CheckActive();
  // A failed status to the connection's error path.
  void Check(sword status);

  // ---- Text and parameters.
  void ParseParams();
  TOraParamDesc* ParamAt(int index) const;
  TOraParamDesc* FindParamByBind(const void* bind_handle) const;
  // The external type of a data type (and subtype) in the command's call style.
  ub2 GetOraType(int data_type, int sub_type) const;
  void BindParam(TOraParamDesc& param);
  void BindParams();

  // ---- Execution.
  sword Exec(ub4 mode, ub4 iterations);
  void ExecuteStatement();
  void DoExecute();
  void EndExecute(const classlib::Exception* error);
  // Until a background execute has ended (its end handled here, the
  // utility window's messages pumped meanwhile).
  void WaitForExecute();
  void Cancel();
  void CloseCursor();
  void InternalUnprepare();
  std::string RowIdToString();
  bool Executing() const { return executing_; }

  // ---- The select list (cmd_describe, cmd_fetch).
  // Describes column `position` (from 1) of the current cursor into field;
  // false past the last column.
  bool DescribeField(TOCIFieldDesc& field, ub4 position, bool long_strings, bool flat_buffers);
  // The quoted type name a column's parameter descriptor gives.
  std::string TypeNameOf(void* param);
  // The field description of a column the server described.
  void ApplyColumnInfo(TOCIFieldDesc& field, const TSelectColumn& column, bool long_strings, bool flat_buffers);
  // Defines a column's buffer (and indicators) for rows `stride` bytes
  // apart; answers the define handle (the one given is reused).
  OCIDefine* DefineColumn(ub4 position, OCIDefine* define, void* buffer, sb4 size, ub2 type, void* indicator,
                          ub2* length, ub4 stride, ub4 indicator_stride, ub4 mode);
  // Fetches up to `rows` rows: next with the plain fetch, any other
  // orientation with the scrollable one. Answers the rows this call
  // delivered; status is 0, 99 (a piece is wanted) or 100 (no more rows).
  // A call that fails after delivering rows answers them with the failure
  // kept: the caller takes the rows, then RaiseFetchFailure raises it (a
  // record set at its next fetch, once its rows have been shown).
  ub4 InternalFetch(ub4 rows, ub2 orientation, sb4 offset, sword& status);
  void RaiseFetchFailure();
  bool FetchFailed() const { return fetch_failure_.has_value(); }

  // ---- The cursor.
  TOraCursor* GetCursor() const { return cursor_; }
  // A cursor handed in (a REF CURSOR result); nil or the own one goes back
  // to the own cursor.
  void SetCursor(TOraCursor* value);
  bool IsOwnCursor() const { return cursor_ == own_cursor_; }
  bool HasCursorState() { return GetCursorState() != dacore::csIdle; }

  uint16_t GetSQLType() const { return sql_type_; }
  void SetSQLType(uint16_t value) { sql_type_ = value; }
  uint32_t RowsProcessed() const { return fetched_rows_ >= 1 ? fetched_rows_ : rows_processed_; }
  uint16_t ErrorOffset() const { return error_offset_; }
  const std::string& RowId() const { return rowid_; }
  uint8_t GetOCICallStyle() const { return call_style_; }
  void SetOCICallStyle(uint8_t value) { call_style_ = value; }
  TOCIConnection* OCIConnection() const;
  // The command mutex (TCommandLock takes it only while NonBlocking is set).
  void Lock() { mutex_.lock(); }
  void Unlock() { mutex_.unlock(); }
  bool NonBlocking() const { return non_blocking_; }
  bool CacheLobs() const { return cache_lobs_; }
  // Where BLOB values are compressed (the record set's property 30).
  dacore::TCompressBlobMode CompressBlobMode() const {
    return static_cast<dacore::TCompressBlobMode>(RecordSetFlag);
  }

  // Set by the record set.
  uint32_t FetchedRows = 0;
  bool ReleaseAfterExecute = false;
  // The statement's change-notification registration (attached at prepare).
  void* ChangeNotification = nullptr;

 private:
  friend struct TCommandCallbacks;

  void PrepareOci7(const std::string& text);
  // The older interface's describe, define and fetch (cmd_fetch_oci7).
  bool DescribeFieldOci7(TOCIFieldDesc& field, ub4 position, bool long_strings, bool flat_buffers);
  void DefineColumnOci7(ub4 position, void* buffer, sb4 size, ub2 type, void* indicator, ub2* length, ub4 stride,
                        ub4 indicator_stride, bool piecewise);
  ub4 InternalFetchOci7(ub4 rows, sword& status);
  void PrepareOci8(const std::string& text);
  void BindParamOci7(TOraParamDesc& param, ub2 type);
  // Objects, collections, REFs and XML values: bound by name without a
  // buffer, then given their type and cells with OCIBindObject.
  void BindObjectParam(TOraParamDesc& param, ub2 type, const std::string& name);
  sword ExecOci7();
  // The LONG pieces an execute asks for (statuses 99, -3129, -3130).
  sword TransferPieces(sword status, ub4 mode, ub4 iterations);
  sword TransferPiecesOci7(sword status);
  void FeedLongInput(TOraParamDesc& param, void* handle, ub4 handle_type, sword& status, ub4 mode);
  void ReceiveLongOutput(TOraParamDesc& param, void* handle, ub4 handle_type, sword& status, ub4 mode);
  void WriteTemporaryLobs();
  bool HasLobParams() const;
  // "Lob parameter should be Input or Output" before anything runs.
  void CheckLobParamDirections() const;
  // After the execute: input LOBs written into the locators the statement
  // returned, output ones read from the server.
  void FinishLobParams();
  // An object handed back NULL lets go of the LOB data kept for it.
  void FinishObjectParams();
  void SetRefCursorsState(uint8_t state);
  void StopThread();

  uint8_t call_style_;
  TOraCursor* own_cursor_;
  TOraCursor* cursor_;
  uint16_t sql_type_ = SQL_UNKNOWN;
  uint32_t rows_processed_ = 0;
  // The failure of the last fetch call, kept until its rows are taken.
  std::optional<EOraError> fetch_failure_;
  uint32_t& fetched_rows_ = FetchedRows;
  uint16_t error_offset_ = 0;
  uint32_t iterations_ = 1;
  std::string rowid_;
  bool param_check_ = true;
  bool scan_off_ = false;
  bool non_blocking_ = false;
  bool fields_as_string_ = false;
  bool cache_lobs_ = true;
  bool store_rowid_ = false;
  bool raw_as_string_ = false;
  bool number_as_string_ = false;
  bool temporary_lob_update_ = false;
  bool statement_cache_ = false;
  int16_t integer_precision_ = 9;
  int32_t largeint_precision_ = 0;
  int16_t float_precision_ = 15;
  bool executing_ = false;
  std::recursive_mutex mutex_;
  TExecThread* thread_ = nullptr;
  // Dynamic LONG binds during one execute: the next input piece of each
  // parameter, and the output parameters already cleared.
  std::map<const TOraParamDesc*, dacore::PieceHeader*> in_pieces_;
  std::set<const TOraParamDesc*> out_started_;
};

// Holds a command's mutex for a scope when NonBlocking was set on entry.
// It guards the cursor's state and the define buffers while a background
// thread executes or fetches.
//
// Lock order: a command's lock is taken before its connection's lock
// (TConnectionLock), never while holding it; a scope that needs both takes
// the command's first, even when only a call it makes wants it (setting the
// cursor state does). A background fetch holds the command lock for a whole
// block and the connection lock for each call into the client library, so
// the other order could leave each thread waiting for the other's lock.
class TCommandLock {
 public:
  explicit TCommandLock(TOCICommand& command) : command_(command), locked_(command.NonBlocking()) {
    if (locked_) command_.Lock();
  }
  ~TCommandLock() {
    if (locked_) command_.Unlock();
  }
  TCommandLock(const TCommandLock&) = delete;
  TCommandLock& operator=(const TCommandLock&) = delete;

 private:
  TOCICommand& command_;
  bool locked_;
};

}  // namespace oracle
