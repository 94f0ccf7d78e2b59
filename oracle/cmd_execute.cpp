// Executing a command: the execute call in both styles, the statement's
// whole run (auto-commit, LOB values, ROWID, piecewise LONG transfer),
// background execution and its end.
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

#include "classlib/exceptions.h"
#include "dacore/blob.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_statements.h"
#include "oracle/call_state.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/conn_exec_thread.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/conn_util_window.h"
#include "oracle/cursor_conversions.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_xml.h"
#include "oracle/param_ora_desc.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace dacore;

namespace {

bool IsLongParam(const TOraParamDesc& param) {
  const int type = param.GetDataType();
  return type == dtBlob || type == dtMemo || type == dtWideMemo;
}

bool IsLobParam(const TOraParamDesc& param) {
  return param.GetDataType() == dtOraBlob || param.GetDataType() == dtOraClob;
}

bool IsInputLike(TParamDirection direction) { return direction == pdInput || direction == pdInputOutput; }

}  // namespace

sword TOCICommand::Exec(ub4 mode, ub4 iterations) {
  CheckActive();
  uint8_t previous;
  {
    TCommandLock command_lock(*this);
    previous = GetCursorState();
    SetCursorState(csExecuting);
  }
  fetch_failure_.reset();  // a failure of the cursor's last rows is of no interest to a new run
  TOCIConnection* connection = OCIConnection();
  sword status;
  if (call_style_ == kOci7) {
    status = ExecOci7();
  } else {
    OCIError* error = connection->GetErrorHandle();
    OCIStmt* statement = cursor_->GetOCIStmt();
    const ub4 count = sql_type_ == SQL_SELECT ? iterations : iterations_;
    {
      TConnectionLock lock(*connection);
      status = OCIStmtExecute(connection->GetSvcCtx(), statement, error, count, 0, nullptr, nullptr, mode);
    }
    // Read before a failure is raised: the offset tells where the text went wrong.
    if (OCIVersion >= 8050) {
      ub2 offset = 0;
      const ub4 attribute = OCIVersion < 8100 ? OCI_ATTR_PARSE_ERROR_OFFSET_80 : OCI_ATTR_PARSE_ERROR_OFFSET;
      if (OCIAttrGet(error, OCI_HTYPE_ERROR, &offset, nullptr, attribute, error) == OCI_SUCCESS)
        error_offset_ = offset;
    }
    const bool failed = status != OCI_SUCCESS && status != OCI_NEED_DATA &&
                        !(status == OCI_NO_DATA && sql_type_ == SQL_SELECT);
    if (failed) {
      SetCursorState(previous);
      if (status != OCI_SUCCESS_WITH_INFO && GetOciErrorCode(status, error) == 3123) return 3123;
      std::optional<EOraError> failure = connection->ErrorOf(status);
      if (failure) {
        // An array statement that fails on a row has run the rows before
        // it: their count tells the application which iteration failed.
        ub4 rows = 0;
        rows_processed_ = 0;
        FetchedRows = 0;
        if (mode != OCI_DESCRIBE_ONLY &&
            OCIAttrGet(statement, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, error) == OCI_SUCCESS)
          rows_processed_ = rows;
        connection->RaiseServerError(std::move(*failure));
      }
      status = OCI_SUCCESS;
    }
    if (mode != OCI_DESCRIBE_ONLY) {
      ub4 rows = 0;
      Check(OCIAttrGet(statement, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROW_COUNT, error));
      rows_processed_ = rows;
    }
    if (sql_type_ == SQL_UNKNOWN) {
      ub2 code = 0;
      Check(OCIAttrGet(statement, OCI_HTYPE_STMT, &code, nullptr, OCI_ATTR_SQLFNCODE, error));
      sql_type_ = code;
    }
  }
  if (mode == OCI_DESCRIBE_ONLY) {
    SetCursorState(previous);
  } else {
    SetCursorState(csExecuted);
    SetRefCursorsState(csExecuted);
  }
  FetchedRows = 0;
  return status;
}

sword TOCICommand::ExecOci7() {
  ub1* cda = cursor_->GetCDA();
  sword result;
  {
    TConnectionLock lock(*OCIConnection());
    result = oexn(cda, static_cast<sword>(iterations_), 0);
  }
  const auto* header = reinterpret_cast<const TCdaHeader*>(cda);
  if (result != 0 && result != kOci7NeedNextPiece && result != kOci7NeedNextPiece2 && result != kOci7WouldBlock) {
    error_offset_ = header->parse_error_offset;
    Check(result);
  }
  if (result == 0) rows_processed_ = header->rows_processed;
  return result;
}

void TOCICommand::SetRefCursorsState(uint8_t state) {
  for (int i = 0; i < GetParamCount(); ++i) {
    TOraParamDesc* param = ParamAt(i);
    if (param->GetDataType() != dtCursor) continue;
    auto* cursor = dynamic_cast<TOraCursor*>(param->GetObject());
    classlib::Assert(cursor != nullptr, "OraClasses", __LINE__);
    cursor->State = state;
  }
}

bool TOCICommand::HasLobParams() const {
  for (int i = 0; i < GetParamCount(); ++i)
    if (IsLobParam(*ParamAt(i))) return true;
  return false;
}

void TOCICommand::WriteTemporaryLobs() {
  for (int i = 0; i < GetParamCount(); ++i) {
    TOraParamDesc* param = ParamAt(i);
    if (!IsLobParam(*param) || !IsInputLike(param->GetParamType())) continue;
    auto* lob = dynamic_cast<TOraLob*>(param->GetObject());
    if (!lob || lob->GetSize() == 0) continue;
    lob->CreateTemporary(param->GetDataType() == dtOraBlob ? ltBlob : param->GetNational() ? ltNClob : ltClob);
    lob->WriteLob();
    param->UpdateIndicator();
  }
}

// A LOB parameter is written after the execute when it is input (also
// input/output without temporary LOBs) and read when it is output (also
// input/output with them, which were written before the execute); a LOB of
// no direction could be neither, so nothing runs.
void TOCICommand::CheckLobParamDirections() const {
  for (int i = 0; i < GetParamCount(); ++i) {
    const TOraParamDesc& param = *ParamAt(i);
    if (IsLobParam(param) && param.GetParamType() != pdInput && param.GetParamType() != pdOutput &&
        param.GetParamType() != pdInputOutput)
      RaiseOraException(messages::kLobParamDirection);
  }
}

// An input LOB's value goes into the locator the statement returned
// (RETURNING ... INTO); an output LOB's value is read from the locator the
// server handed back, replacing what it held, which is never written over
// the server's value. A LOB is cached for this when CacheLobs is on or it
// is input-only; an uncached LOB is read from the server when used. A
// NULL handed back to an output or input/output LOB empties it: it must not
// go on showing what an earlier run held (another row's value).
void TOCICommand::FinishLobParams() {
  // DML that touched no row (its row gone under it) handed back no locator
  // to write into: the values have nowhere to go, the statement ends as
  // usual (committed under AutoCommit, not left open) and the caller learns
  // of it from the row count.
  const bool no_row_returned =
      (sql_type_ == SQL_UPDATE || sql_type_ == SQL_INSERT || sql_type_ == SQL_DELETE) && rows_processed_ == 0;
  for (int i = 0; i < GetParamCount(); ++i) {
    TOraParamDesc* param = ParamAt(i);
    if (!IsLobParam(*param)) continue;
    auto* lob = dynamic_cast<TOraLob*>(param->GetObject());
    if (!lob) continue;
    const TParamDirection direction = param->GetParamType();
    if (cache_lobs_ || direction == pdInput) lob->SetCached(true);
    if (param->GetNull()) {
      if (direction != pdInput) {
        lob->SetCached(true);  // nothing to read from the server
        lob->Clear();
        lob->SetModified(false);
      }
      continue;
    }
    if (!lob->Cached()) {
      lob->SetNeedsRead(true);  // read from the server when used
      continue;
    }
    const bool blob = param->GetDataType() == dtOraBlob;
    const bool written = direction == pdInput || (direction == pdInputOutput && !temporary_lob_update_);
    if (written) {
      if (temporary_lob_update_) continue;  // written into its temporary LOB before the execute
      if (no_row_returned) continue;
      CompressBeforeWrite(*lob, blob, CompressBlobMode());
      lob->WriteLob();
    } else {
      lob->ReadLob();
      CompressAfterRead(*lob, blob, CompressBlobMode());
      lob->SetModified(false);
    }
  }
}

// An output or input/output object the server handed back: the LOB data
// kept on the client for its attributes was the value before the run; sent
// again, it would bring that back. Handed back NULL, the values go; else
// they show what the server handed back (NULL ones empty).
void TOCICommand::FinishObjectParams() {
  for (int i = 0; i < GetParamCount(); ++i) {
    TOraParamDesc* param = ParamAt(i);
    if (param->GetParamType() == pdInput) continue;
    auto* object = dynamic_cast<TOraObject*>(param->GetObject());
    if (!object || dynamic_cast<TOraRef*>(object) || dynamic_cast<TOraXML*>(object) || !object->GetInstance()) continue;
    if (object->GetIsNull()) object->ForgetLobs();
    else object->ResetLobs();
  }
}

std::string TOCICommand::RowIdToString() {
  TOCIConnection* connection = OCIConnection();
  OCIError* error = connection->GetErrorHandle();
  void* descriptor = nullptr;
  Check(OCIDescriptorAlloc(connection->GetEnvironment(), &descriptor, OCI_DTYPE_ROWID, 0, nullptr));
  struct FreeDescriptor {
    void* handle;
    ~FreeDescriptor() { OCIDescriptorFree(handle, OCI_DTYPE_ROWID); }
  } free_descriptor{descriptor};
  Check(OCIAttrGet(cursor_->GetOCIStmt(), OCI_HTYPE_STMT, descriptor, nullptr, OCI_ATTR_ROWID, error));
  if (OCIVersion < 9000) {
    // Older clients have no text call: the descriptor's own bytes.
    const auto* bytes = static_cast<const uint8_t*>(descriptor);
    return OraRowIdToText(OCIVersion < 8100 ? RowIdPartsOfRecord(bytes) : RowIdPartsOfDescriptor(bytes));
  }
  OraText text[64];
  ub2 length = sizeof text;
  Check(OCIRowidToChar(static_cast<OCIRowid*>(descriptor), text, &length, error));
  return std::string(reinterpret_cast<const char*>(text), length);
}

void TOCICommand::ExecuteStatement() {
  TOCIConnection* connection = OCIConnection();
  const bool wants_commit = sql_type_ != SQL_SELECT && AutoCommit && connection->AutoCommit;
  bool auto_commit = call_style_ == kOci8 && wants_commit;
  CheckLobParamDirections();
  if (temporary_lob_update_) WriteTemporaryLobs();
  else if (HasLobParams()) auto_commit = false;  // the LOB values follow the execute
  ub4 mode = OCI_DEFAULT;
  if (sql_type_ == SQL_SELECT && cursor_->Scrollable) mode = OCI_STMT_SCROLLABLE_READONLY;
  else if (auto_commit) mode = OCI_COMMIT_ON_SUCCESS;
  sword status = Exec(mode, 0);
  status = call_style_ == kOci7 ? TransferPiecesOci7(status) : TransferPieces(status, mode, 0);
  // A statement that touched no row has no ROWID to give.
  rowid_ = store_rowid_ && status == OCI_SUCCESS && call_style_ == kOci8 && rows_processed_ > 0 ? RowIdToString()
                                                                                               : std::string();
  for (int i = 0; i < GetParamCount(); ++i) ParamAt(i)->BufferToItemObjects();
  FinishLobParams();
  FinishObjectParams();
  if (!auto_commit && wants_commit && status == OCI_SUCCESS) connection->Commit();
}

sword TOCICommand::TransferPieces(sword status, ub4 mode, ub4 iterations) {
  OCIError* error = OCIConnection()->GetErrorHandle();
  OCIStmt* statement = cursor_->GetOCIStmt();
  in_pieces_.clear();
  out_started_.clear();
  while (status == OCI_NEED_DATA) {
    void* handle = nullptr;
    ub4 handle_type = 0, iteration = 0, index = 0;
    ub1 in_out = 0, piece = 0;
    Check(OCIStmtGetPieceInfo(statement, error, &handle, &handle_type, &in_out, &iteration, &index, &piece));
    TOraParamDesc* param = FindParamByBind(handle);
    classlib::Assert(param != nullptr && IsLongParam(*param), "OraClasses", __LINE__);
    if (in_out == OCI_PARAM_IN) FeedLongInput(*param, handle, handle_type, status, mode);
    else ReceiveLongOutput(*param, handle, handle_type, status, mode);
    (void)iterations;
  }
  return status;
}

// One piece of a LONG input: the blob's next stored piece (the last one
// with the last-piece code; an empty value as one empty last piece).
void TOCICommand::FeedLongInput(TOraParamDesc& param, void* handle, ub4 handle_type, sword& status, ub4 mode) {
  OCIError* error = OCIConnection()->GetErrorHandle();
  auto found = in_pieces_.find(&param);
  const bool first = found == in_pieces_.end();
  if (first) {
    auto* blob = dynamic_cast<TBlob*>(param.GetObject());
    found = in_pieces_.emplace(&param, blob ? blob->FirstPiece() : nullptr).first;
  }
  PieceHeader* current = found->second;
  ub4 length = current ? current->used : 0;
  const void* data = current ? PieceData(current) : nullptr;
  const bool last = !current || !current->next;
  const ub1 code = last ? OCI_LAST_PIECE : first ? OCI_FIRST_PIECE : OCI_NEXT_PIECE;
  found->second = current ? current->next : nullptr;
  Check(OCIStmtSetPieceInfo(handle, handle_type, error, data, &length, code, param.IndicatorPtr(), nullptr));
  status = Exec(mode, 0);
}

// One piece of a LONG output: a new piece of the blob's piece size, cut to
// what arrived.
void TOCICommand::ReceiveLongOutput(TOraParamDesc& param, void* handle, ub4 handle_type, sword& status, ub4 mode) {
  OCIError* error = OCIConnection()->GetErrorHandle();
  auto* blob = dynamic_cast<TBlob*>(param.GetObject());
  classlib::Assert(blob != nullptr, "OraClasses", __LINE__);
  if (out_started_.insert(&param).second) blob->Clear();
  PieceHeader* piece = TBlob::AllocPiece(blob->PieceSize() ? blob->PieceSize() : DefaultPieceSize());
  blob->AppendPiece(piece);
  ub4 length = piece->size;
  Check(OCIStmtSetPieceInfo(handle, handle_type, error, PieceData(piece), &length, OCI_NEXT_PIECE,
                            param.IndicatorPtr(), nullptr));
  status = Exec(mode, 0);
  piece->used = std::min(length, piece->size);
}

// The older style names no bind: the requests are matched against the LONG
// parameters in list order, input ones first.
sword TOCICommand::TransferPiecesOci7(sword status) {
  std::vector<TOraParamDesc*> inputs, outputs;
  for (int i = 0; i < GetParamCount(); ++i) {
    TOraParamDesc* param = ParamAt(i);
    if (!IsLongParam(*param)) continue;
    if (IsInputLike(param->GetParamType())) inputs.push_back(param);
    else if (param->GetParamType() == pdOutput) outputs.push_back(param);
    else RaiseOraException(messages::kLobParamDirection);
  }
  size_t input_at = 0, output_at = 0;
  ub1* cda = cursor_->GetCDA();
  while (status == kOci7NeedNextPiece || status == kOci7NeedNextPiece2) {
    ub1 piece = 0;
    void* context = nullptr;
    ub4 iteration = 0, index = 0;
    Check(ogetpi(cda, &piece, &context, &iteration, &index));
    const bool is_output = status == kOci7NeedNextPiece2;
    std::vector<TOraParamDesc*>& list = is_output ? outputs : inputs;
    size_t& at = is_output ? output_at : input_at;
    // A count that does not match would send or keep the wrong values.
    if (at >= list.size()) RaiseOraException(is_output ? messages::kTooManyOutputParams : messages::kTooManyInputParams);
    TOraParamDesc& param = *list[at++];
    auto* blob = dynamic_cast<TBlob*>(param.GetObject());
    classlib::Assert(blob != nullptr, "OraClasses", __LINE__);
    if (is_output) {
      blob->Clear();
      do {
        PieceHeader* fresh = TBlob::AllocPiece(blob->PieceSize() ? blob->PieceSize() : DefaultPieceSize());
        blob->AppendPiece(fresh);
        ub4 length = fresh->size;
        Check(osetpi(cda, OCI_NEXT_PIECE, PieceData(fresh), &length));
        status = ExecOci7();
        fresh->used = std::min(length, fresh->size);
        if (status == kOci7NeedNextPiece2) Check(ogetpi(cda, &piece, &context, &iteration, &index));
      } while (status == kOci7NeedNextPiece2 && piece != OCI_FIRST_PIECE && piece != OCI_ONE_PIECE);
    } else {
      PieceHeader* current = blob->FirstPiece();
      do {
        ub4 length = current ? current->used : 0;
        const ub1 code = !current || !current->next ? OCI_LAST_PIECE : OCI_NEXT_PIECE;
        Check(osetpi(cda, code, current ? PieceData(current) : nullptr, &length));
        current = current ? current->next : nullptr;
        status = ExecOci7();
        if (status == kOci7NeedNextPiece && current) Check(ogetpi(cda, &piece, &context, &iteration, &index));
      } while (status == kOci7NeedNextPiece && current);
    }
  }
  if (status == 0 && input_at < inputs.size()) RaiseOraException(messages::kNotEnoughInputParams);
  if (status == 0 && output_at < outputs.size()) RaiseOraException(messages::kNotEnoughOutputParams);
  return status;
}

void TOCICommand::DoExecute() {
  const bool was_prepared = GetPrepared();
  // A command prepared only for this run is released again; the iteration
  // count goes back to 1 in every case.
  auto finish = [this, was_prepared] {
    const bool release = (!was_prepared || ReleaseAfterExecute) && HasCursorState();
    ReleaseAfterExecute = false;
    iterations_ = 1;
    if (release) InternalUnprepare();
  };
  try {
    if (!was_prepared) Prepare();
    if (sql_type_ != SQL_EXPLAIN) BindParams();
    ExecuteStatement();
  } catch (const classlib::Exception&) {
    try {
      finish();
    } catch (const classlib::Exception&) {
      // The first failure is the one to report.
    }
    throw;
  }
  finish();
}

void TOCICommand::Execute(int iters) {
  if (GetCursorState() == csExecuting) return;
  iterations_ = iters < 1 ? 1 : static_cast<uint32_t>(iters);
  executing_ = true;
  if (!non_blocking_) {
    try {
      DoExecute();
    } catch (const classlib::Exception& e) {
      EndExecute(&e);
      throw;
    }
    EndExecute(nullptr);
    return;
  }
  CheckSession();  // a connection that went left none
  TOCIConnection* connection = OCIConnection();
  if (!connection->ThreadSafety) {
    const classlib::Exception error(messages::kNeedThreadSafety);
    EndExecute(&error);
    throw error;
  }
  classlib::Assert(thread_ == nullptr, "OraClasses", __LINE__);
  thread_ = RunExecThread(
      *connection, [this] { DoExecute(); }, [this](const classlib::Exception* error) { EndExecute(error); });
}

void TOCICommand::EndExecute(const classlib::Exception* error) {
  const bool background = thread_ != nullptr;
  thread_ = nullptr;
  executing_ = false;
  if (OnAfterExecute.Assigned()) OnAfterExecute(error == nullptr);
  if (!background) return;
  if (const auto* ora = dynamic_cast<const EOraError*>(error)) {
    EOraError copy(ora->ErrorCode(), ora->Message(), static_cast<classlib::TComponent*>(Component));
    bool fail = true;
    connection_->DoError(copy, fail);
    if (!fail) throw classlib::EAbort();
  }
}

void TOCICommand::WaitForExecute() {
  while (TExecThread* thread = thread_) {
    if (!OCIConnection()->UtilWindow().DispatchOne(kWmExecEnded, reinterpret_cast<uintptr_t>(thread)))
      std::this_thread::yield();
  }
}

void TOCICommand::StopThread() {
  if (!thread_ || !connection_) return;
  TExecThread* thread = thread_;
  thread_ = nullptr;
  StopExecThread(*OCIConnection(), thread, true);
  executing_ = false;
}

}  // namespace oracle
