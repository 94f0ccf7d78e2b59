// TOCICommand: life cycle, properties, checks, parameters from the text,
// prepare and release in both call styles, the cursor in use.
#include "oracle/cmd_oci_command.h"

#include <exception>

#include "classlib/exceptions.h"
#include "dacore/driver_props.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_statements.h"
#include "oracle/call_state.h"
#include "oracle/cmd_sql_text.h"
#include "oracle/conn_exec_thread.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_messages.h"
#include "oracle/error_raise.h"
#include "oracle/param_ora_desc.h"

namespace oracle {

namespace {

const OraText* TextOf(const std::string& text) { return reinterpret_cast<const OraText*>(text.data()); }

uint16_t SqlTypeOfStatementType(ub2 type) {
  switch (type) {
    case OCI_STMT_SELECT: return SQL_SELECT;
    case OCI_STMT_UPDATE: return SQL_UPDATE;
    case OCI_STMT_DELETE: return SQL_DELETE;
    case OCI_STMT_INSERT: return SQL_INSERT;
    case OCI_STMT_BEGIN: case OCI_STMT_DECLARE: return SQL_PLSQL;
    case 14: case 15: return SQL_EXPLAIN;
    default: return SQL_UNKNOWN;
  }
}

}  // namespace

TOCICommand::TOCICommand() : call_style_(DefaultCallStyle), own_cursor_(new TOraCursor), cursor_(own_cursor_) {
  AutoCommit = true;
}

TOCICommand::~TOCICommand() {
  try {
    StopThread();
    if (GetPrepared()) InternalUnprepare();
  } catch (const classlib::Exception&) {
    // The session may be gone already; the cursor below still frees its handles.
  }
  if (connection_) OCIConnection()->RemoveCommand(this);
  classlib::Assert(cursor_ != nullptr, "OraClasses", __LINE__);
  if (cursor_ != own_cursor_) cursor_->Release();
  own_cursor_->Release();
}

TOCIConnection* TOCICommand::OCIConnection() const { return static_cast<TOCIConnection*>(connection_); }

// ---- Checks -------------------------------------------------------------------

void TOCICommand::CheckOCI() const {
  if (call_style_ != kOci7 && call_style_ != kOci8) RaiseOraException("OCI is not inizialized");
}

void TOCICommand::CheckOCI73() const {
  if (call_style_ != kOci7) RaiseOraException("Need Oracle 7.3 Call Interface");
}

void TOCICommand::CheckOCI80() const {
  if (call_style_ != kOci8) RaiseOraException("Need Oracle 8 Call Interface");
}

void TOCICommand::CheckSession() const {
  if (!connection_) RaiseOraException(messages::kSessionNotDefined);
  if (!connection_->GetConnected()) RaiseOraException(messages::kSessionNotConnected);
}

void TOCICommand::CheckActive() {
  if (!HasCursorState()) RaiseOraException(messages::kCursorNotOpened);
}

void TOCICommand::Check(sword status) {
  if (status == OCI_SUCCESS) return;
  OCIConnection()->Check(status);
}

// ---- Virtual operations --------------------------------------------------------

uint8_t TOCICommand::GetCursorState() { return cursor_->State; }

void TOCICommand::SetCursorState(uint8_t value) {
  TCommandLock lock(*this);
  cursor_->State = value;
}

dacore::TParamDesc* TOCICommand::AddParam() {
  auto* param = new TOraParamDesc;
  params_.Add(param);
  return param;
}

TOraParamDesc* TOCICommand::ParamAt(int index) const { return static_cast<TOraParamDesc*>(GetParam(index)); }

TOraParamDesc* TOCICommand::FindParamByBind(const void* bind_handle) const {
  for (int i = 0; i < GetParamCount(); ++i)
    if (ParamAt(i)->BoundHandle == bind_handle) return ParamAt(i);
  return nullptr;
}

void TOCICommand::SetConnection(dacore::TCRConnection* value) {
  if (value == connection_) return;
  StopThread();
  if (HasCursorState()) InternalUnprepare();
  if (connection_) OCIConnection()->RemoveCommand(this);
  dacore::TCRCommand::SetConnection(value);
  if (connection_) OCIConnection()->AddCommand(this);
}

void TOCICommand::StopBackgroundWork() {
  if (OnStopBackground) OnStopBackground();
  StopThread();
}

void TOCICommand::ConnectionGone() {
  StopBackgroundWork();
  try {
    if (HasCursorState()) InternalUnprepare();
  } catch (const classlib::Exception&) {
    // The session has ended: the cursor has let go of its handles all the same.
  }
  dacore::TCRCommand::SetConnection(nullptr);
}

void TOCICommand::SetSQL(const std::string& value) {
  if (value == sql_) return;
  dacore::TCRCommand::SetSQL(value);
  if (param_check_ && !scan_off_) ParseParams();
}

void TOCICommand::ParseParams() {
  params_.Clear();
  for (const TParsedParam& parsed : ParseParamNames(sql_)) {
    auto* param = static_cast<TOraParamDesc*>(AddParam());
    param->SetName(parsed.Name);
    param->IsQuoted = parsed.Quoted;
  }
}

bool TOCICommand::SetProp(int prop, const classlib::Variant& value) {
  switch (prop) {
    case prParamCheck:
      param_check_ = value.AsBoolean();
      if (param_check_) ParseParams();
      return true;
    case prScanOff: scan_off_ = value.AsBoolean(); return true;
    case prNonBlocking:
      // A run in the background reads the setting: it ends first.
      if (value.AsBoolean() != non_blocking_) WaitForExecute();
      non_blocking_ = value.AsBoolean();
      return true;
    case prFieldsAsString: fields_as_string_ = value.AsBoolean(); return true;
    case prCacheLobs: cache_lobs_ = value.AsBoolean(); return true;
    case prScrollableCursor: cursor_->Scrollable = value.AsBoolean(); return true;
    case prStoreRowId: store_rowid_ = value.AsBoolean(); return true;
    case prRawAsString: raw_as_string_ = value.AsBoolean(); return true;
    case prNumberAsString: number_as_string_ = value.AsBoolean(); return true;
    case prIntegerPrecision: integer_precision_ = static_cast<int16_t>(value.AsInteger()); return true;
    case prFloatPrecision: float_precision_ = static_cast<int16_t>(value.AsInteger()); return true;
    case prTemporaryLobUpdate: temporary_lob_update_ = value.AsBoolean(); return true;
    case prCommandStatementCache: statement_cache_ = value.AsBoolean(); return true;
    case prPrefetchRows: own_cursor_->SetPrefetchRows(static_cast<uint32_t>(value.AsInteger())); return true;
    default: return dacore::TCRCommand::SetProp(prop, value);
  }
}

bool TOCICommand::GetProp(int prop, classlib::Variant& value) {
  switch (prop) {
    case prParamCheck: value = param_check_; return true;
    case prSQLType: value = static_cast<int32_t>(sql_type_); return true;
    // From the execute call until its end is handled (a background run's on
    // the main thread).
    case dacore::prCommandProp24: value = executing_; return true;
    case dacore::prRowsProcessed: value = static_cast<int32_t>(RowsProcessed()); return true;
    case prErrorOffset: {
      // The server counts in the text it was given; the caller in its own.
      int offset = error_offset_;
      PrepareSQLText(sql_, &offset);
      value = static_cast<int32_t>(offset);
      return true;
    }
    case prStoreRowId: value = store_rowid_; return true;
    case prTemporaryLobUpdate: value = temporary_lob_update_; return true;
    default: return dacore::TCRCommand::GetProp(prop, value);
  }
}

// ---- Prepare and release -------------------------------------------------------

void TOCICommand::Prepare() {
  CheckSession();
  if (GetPrepared()) return;
  TOCIConnection* connection = OCIConnection();
  call_style_ = connection->GetOCICallStyle();
  cursor_->SetOCICallStyle(call_style_);
  cursor_->hOCIError = call_style_ == kOci8 ? connection->GetErrorHandle() : nullptr;
  rows_processed_ = 0;
  FetchedRows = 0;
  if (call_style_ == kOci8) {
    cursor_->hOCIEnv = connection->GetEnvironment();
    PrepareOci8(PrepareSQLText(sql_) + " ");
  } else {
    PrepareOci7(PrepareSQLText(sql_) + " ");
  }
  dacore::TCRCommand::Prepare();
}

void TOCICommand::PrepareOci7(const std::string& text) {
  CheckOCI73();
  CheckSession();
  TOCIConnection* connection = OCIConnection();
  TCommandLock command_lock(*this);
  TConnectionLock lock(*connection);
  ub1* cda = cursor_->GetCDA();
  Check(oopen(cda, connection->GetLDA(), nullptr, -1, -1, nullptr, -1));
  SetCursorState(csOpened);
  const sword status = oparse(cda, TextOf(text), static_cast<sb4>(text.size()), 0, kOci7NativeSyntax);
  const auto* header = reinterpret_cast<const TCdaHeader*>(cda);
  error_offset_ = header->parse_error_offset;
  if (status != 0) {
    CloseCursor();
    Check(status);
  }
  // Success with a PL/SQL compilation error.
  if ((header->warning_flags & 0x01) && (header->warning_flags & 0x20)) connection->LastErrorCode = 24344;
  sql_type_ = header->function_code;
  SetCursorState(csParsed);
}

void TOCICommand::PrepareOci8(const std::string& text) {
  CheckOCI80();
  CheckSession();
  TOCIConnection* connection = OCIConnection();
  for (int i = 0; i < GetParamCount(); ++i) {
    ParamAt(i)->BoundHandle = nullptr;
    ParamAt(i)->BoundSize = 0;
  }
  TCommandLock command_lock(*this);
  TConnectionLock lock(*connection);
  OCIError* error = connection->GetErrorHandle();
  if (connection->StatementCache && statement_cache_) {
    if (IsDirectMode()) RaiseOraException(messages::kStatementCacheDirect);
    cursor_->AllocCursor(true);
    OCIStmt* statement = nullptr;
    Check(OCIStmtPrepare2(connection->GetSvcCtx(), &statement, error, TextOf(text),
                          static_cast<ub4>(text.size()), nullptr, 0, OCI_NTV_SYNTAX, OCI_DEFAULT));
    cursor_->SetOCIStmt(statement);
  } else {
    Check(OCIStmtPrepare(cursor_->GetOCIStmt(), error, TextOf(text), static_cast<ub4>(text.size()),
                         OCI_NTV_SYNTAX, OCI_DEFAULT));
  }
  ub2 type = 0;
  Check(OCIAttrGet(cursor_->GetOCIStmt(), OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, error));
  sql_type_ = SqlTypeOfStatementType(type);
  if (ChangeNotification)
    Check(OCIAttrSet(cursor_->GetOCIStmt(), OCI_HTYPE_STMT, ChangeNotification, 0, OCI_ATTR_CHNF_REGHANDLE, error));
}

// A statement executing in the background is released only after its
// execute: its end is handled first, as at any wait for it, and a failure
// of the run is raised once the statement is released.
void TOCICommand::Unprepare() {
  std::exception_ptr ended;
  if (thread_ && !InExecThread()) {
    try {
      WaitForExecute();
    } catch (...) {
      ended = std::current_exception();
    }
  }
  InternalUnprepare();
  dacore::TCRCommand::Unprepare();
  if (ended) std::rethrow_exception(ended);
}

void TOCICommand::InternalUnprepare() {
  if (call_style_ == kOci7) {
    CloseCursor();
    cursor_->FreeCursor();
  } else if (connection_) {
    TOCIConnection* connection = OCIConnection();
    cursor_->hOCIEnv = connection->GetEnvironment();
    cursor_->hOCIError = connection->GetErrorHandle();
    cursor_->FreeCursor();
  } else {
    cursor_->FreeCursor();
  }
  SetCursorState(dacore::csIdle);
}

void TOCICommand::CloseCursor() {
  if (call_style_ != kOci7 || !HasCursorState()) return;
  TCommandLock command_lock(*this);
  TConnectionLock lock(*OCIConnection());
  const sword status = oclose(cursor_->GetCDA());
  SetCursorState(dacore::csIdle);
  Check(status);
}

void TOCICommand::Cancel() {
  TCommandLock command_lock(*this);
  TConnectionLock lock(*OCIConnection());
  if (call_style_ == kOci7) Check(ocan(cursor_->GetCDA()));
  SetCursorState(csCancelled);
}

void TOCICommand::SetCursor(TOraCursor* value) {
  if (value == cursor_) return;
  if (cursor_ != own_cursor_) cursor_->Release();
  if (!value || value == own_cursor_) {
    cursor_ = own_cursor_;
    return;
  }
  value->AddRef();
  cursor_ = value;
  call_style_ = value->GetOCICallStyle();
}

}  // namespace oracle
