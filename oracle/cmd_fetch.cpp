// Defining select-list columns and fetching rows: the define calls with
// their strides, and the fetch in either orientation with the rows of each
// call taken from the statement's cumulative row count.
#include <optional>
#include <utility>

#include "oracle/call_entries.h"
#include "oracle/call_entries_fetch.h"
#include "oracle/call_state.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_ora.h"

namespace oracle {

OCIDefine* TOCICommand::DefineColumn(ub4 position, OCIDefine* define, void* buffer, sb4 size, ub2 type,
                                     void* indicator, ub2* length, ub4 stride, ub4 indicator_stride, ub4 mode) {
  if (call_style_ == kOci7) {
    DefineColumnOci7(position, buffer, size, type, indicator, length, stride, indicator_stride,
                     mode == OCI_DYNAMIC_FETCH);
    // No define handles there: a piecewise column is known by the context
    // its define gave, which the piece calls hand back.
    return static_cast<OCIDefine*>(buffer);
  }
  CheckOCI80();
  TOCIConnection* connection = OCIConnection();
  OCIError* error = connection->GetErrorHandle();
  TConnectionLock lock(*connection);
  Check(OCIDefineByPos(cursor_->GetOCIStmt(), &define, error, position, buffer, size, type, indicator, length,
                       nullptr, mode));
  if (stride != 0) Check(OCIDefineArrayOfStruct(define, error, stride, indicator_stride, length ? stride : 0, 0));
  return define;
}

ub4 TOCICommand::InternalFetch(ub4 rows, ub2 orientation, sb4 offset, sword& status) {
  fetch_failure_.reset();
  if (call_style_ == kOci7) return InternalFetchOci7(rows, status);
  CheckOCI80();
  TOCIConnection* connection = OCIConnection();
  OCIError* error = connection->GetErrorHandle();
  OCIStmt* statement = cursor_->GetOCIStmt();
  if (GetCursorState() < csExecuting) {
    // Not executed yet: the execute brings the first rows with it.
    status = Exec(cursor_->Scrollable ? OCI_STMT_SCROLLABLE_READONLY : OCI_DEFAULT, rows);
  } else {
    TConnectionLock lock(*connection);
    status = orientation == OCI_FETCH_NEXT && !cursor_->Scrollable
                 ? OCIStmtFetch(statement, error, rows, orientation, OCI_DEFAULT)
                 : OCIStmtFetch2(statement, error, rows, orientation, offset, OCI_DEFAULT);
  }
  std::optional<EOraError> failure;
  if (status != OCI_SUCCESS && status != OCI_NEED_DATA && status != OCI_NO_DATA) failure = connection->ErrorOf(status);
  ub4 total = 0;
  const sword counted = OCIAttrGet(statement, OCI_HTYPE_STMT, &total, nullptr, OCI_ATTR_ROW_COUNT, error);
  if (failure) {
    // A call that failed on a row has delivered the rows before it: they
    // are the caller's to keep, and the failure is raised once they are
    // (RaiseFetchFailure). Without a count none is known to have come.
    const bool forward = orientation == OCI_FETCH_NEXT && !cursor_->Scrollable;
    const ub4 came = counted == OCI_SUCCESS && forward && total > FetchedRows
                         ? total - FetchedRows
                         : 0;
    if (came == 0) connection->RaiseServerError(std::move(*failure));
    FetchedRows = total;
    fetch_failure_ = std::move(failure);
    return came;
  }
  Check(counted);
  // A scrollable cursor's count is the highest row reached, not a sum: only
  // a forward fetch can be told by it. The other orientations fetch one row
  // at a time, which came when the call succeeded (a call that asks for a
  // piece has not finished its row yet).
  const bool came = status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
  const ub4 received = orientation == OCI_FETCH_NEXT ? total - FetchedRows : came ? rows : 0;
  FetchedRows = total;
  if (status == OCI_NO_DATA && !cursor_->Scrollable) SetCursorState(csCancelled);
  else if (GetCursorState() < dacore::csFetchingPaused) SetCursorState(dacore::csFetchingPaused);
  return received;
}

void TOCICommand::RaiseFetchFailure() {
  if (!fetch_failure_) return;
  EOraError failure = std::move(*fetch_failure_);
  fetch_failure_.reset();
  OCIConnection()->RaiseServerError(std::move(failure));
}

}  // namespace oracle
