// TOraCursor in both call styles.
#include "oracle/cursor_ora_cursor.h"

#include "oracle/call_entries.h"
#include "oracle/call_entries_statements.h"
#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"

namespace oracle {

TOraCursor::TOraCursor()
    : stmt_cell_(std::make_unique<OCIStmt*>(nullptr)), call_style_(DefaultCallStyle) {}

TOraCursor::~TOraCursor() {
  // A destructor must not throw: a failed release leaves the handle to the
  // environment, which frees it with itself.
  try {
    FreeCursor();
  } catch (const classlib::Exception&) {
  }
}

void TOraCursor::CheckOCI() const {
  if (call_style_ != kOci7 && call_style_ != kOci8) RaiseOraException("OCI is not inizialized");
}

void TOraCursor::CheckOCI73() const {
  if (call_style_ != kOci7) RaiseOraException("Need Oracle 7.3 Call Interface");
}

void TOraCursor::CheckOCI80() const {
  if (call_style_ != kOci8) RaiseOraException("Need Oracle 8 Call Interface");
}

void TOraCursor::CheckStatus(sword status) const {
  CheckOciStatus(status, hOCIError);
}

void TOraCursor::AllocCursor(bool from_cache) {
  if (call_style_ == 0) call_style_ = DefaultCallStyle;
  if (call_style_ == kOci7) {
    if (!cda_) cda_ = std::make_unique<ub1[]>(kOci7CdaSize);
    return;
  }
  if (call_style_ != kOci8) {
    CheckOCI();
    return;
  }
  if (HasStatement()) return;
  if (!hOCIEnv) hOCIEnv = oracle::hOCIEnv;
  if (!hOCIError) hOCIError = oracle::hOCIError;
  FromStatementCache = from_cache;
  if (from_cache) return;
  void* statement = nullptr;
  CheckStatus(OCIHandleAlloc(hOCIEnv, &statement, OCI_HTYPE_STMT, 0, nullptr));
  SetOCIStmt(static_cast<OCIStmt*>(statement));
}

void TOraCursor::FreeCursor() {
  if (cda_) {
    CheckOCI73();
    cda_.reset();
  }
  if (HasStatement()) {
    CheckOCI80();
    OCIStmt* statement = *stmt_cell_;
    *stmt_cell_ = nullptr;
    OCIError* error = hOCIError;
    const bool own_environment = hOCIEnv != nullptr;
    hOCIError = nullptr;
    hOCIEnv = nullptr;
    if (FromStatementCache)
      CheckOciStatus(OCIStmtRelease(statement, error, nullptr, 0, OCI_DEFAULT), error);
    else if (own_environment || IsDirectMode())
      CheckOciStatus(OCIHandleFree(statement, OCI_HTYPE_STMT), error);
    // A statement the client library made (a REF CURSOR result of a call in
    // another environment) is only forgotten: it goes with its parent.
    FromStatementCache = false;
  }
  hOCIError = nullptr;
  hOCIEnv = nullptr;
}

ub1* TOraCursor::GetCDA() {
  CheckOCI73();
  if (!cda_) AllocCursor();
  return cda_.get();
}

OCIStmt* TOraCursor::GetOCIStmt() {
  CheckOCI80();
  if (!HasStatement()) AllocCursor();
  return *stmt_cell_;
}

void TOraCursor::SetOCIStmt(OCIStmt* statement) {
  *stmt_cell_ = statement;
  if (statement) ApplyPrefetch(prefetch_rows_ != 0 && OCIVersion >= 9000 ? prefetch_rows_ : 0);
}

void TOraCursor::SetPrefetchRows(uint32_t rows) {
  prefetch_rows_ = rows;
  ApplyPrefetch(rows);
}

void TOraCursor::ApplyPrefetch(uint32_t rows) {
  // The 8.1.6 client mishandles the prefetch attributes: leave them alone,
  // also on a client that may be that one (known only as 8.1).
  if (call_style_ != kOci8 || !HasStatement() || ClientReleaseMayBeIn(8160, 8169)) return;
  ub4 value = rows;
  CheckStatus(OCIAttrSet(*stmt_cell_, OCI_HTYPE_STMT, &value, 0, OCI_ATTR_PREFETCH_ROWS, hOCIError));
  if (rows == 0) {
    ub4 memory = 0;
    CheckStatus(OCIAttrSet(*stmt_cell_, OCI_HTYPE_STMT, &memory, 0, OCI_ATTR_PREFETCH_MEMORY, hOCIError));
  }
}

void TOraCursor::SetOCICallStyle(uint8_t style) {
  if (style == call_style_) return;
  if (RefCount() <= 1) FreeCursor();
  call_style_ = style;
}

}  // namespace oracle
