// TOraCursor: one Oracle statement, shared by reference count between the
// command that prepared it and the parameters or fields that hold a REF
// CURSOR. It keeps the statement handle (newer call style) or the cursor data
// area (older style), the handles the statement belongs to, and the cursor
// state its command drives.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "dacore/object_shared.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOraCursor : public dacore::TSharedObject {
  CLASSLIB_CLASS(TOraCursor, dacore::TSharedObject)
 public:
  TOraCursor();

  // "OCI is not inizialized" unless a call style is chosen;
  // "Need Oracle 7.3 Call Interface" / "Need Oracle 8 Call Interface"
  // unless it is that style.
  void CheckOCI() const;
  void CheckOCI73() const;
  void CheckOCI80() const;

  // Makes the data area or the statement handle when there is none. A
  // statement from the statement cache is handed in later (SetOCIStmt).
  void AllocCursor(bool from_cache = false);
  // Releases the data area or the statement and forgets the handles.
  void FreeCursor();

  // The older style's data area (allocated on first use).
  ub1* GetCDA();
  // The statement (allocated on first use in the newer style).
  OCIStmt* GetOCIStmt();
  // The cell that holds the statement handle: binds of a REF CURSOR output
  // hand its address to the client library, which writes the handle there.
  OCIStmt** GetOCIStmtPtr() { return stmt_cell_.get(); }
  bool HasStatement() const { return *stmt_cell_ != nullptr; }
  // Stores the handle and applies the prefetch setting to it.
  void SetOCIStmt(OCIStmt* statement);
  // Applied to the statement at once when there is one.
  void SetPrefetchRows(uint32_t rows);
  uint32_t PrefetchRows() const { return prefetch_rows_; }

  uint8_t GetOCICallStyle() const { return call_style_; }
  // A change frees the cursor first, unless it is shared.
  void SetOCICallStyle(uint8_t style);

  OCIError* hOCIError = nullptr;
  OCIEnv* hOCIEnv = nullptr;
  // The state its command keeps (cursor states of the command); a
  // background run changes it while the main thread reads it.
  std::atomic<uint8_t> State{0};
  bool FromStatementCache = false;
  // Queries on it run as scrollable cursors.
  bool Scrollable = false;

 protected:
  ~TOraCursor() override;

 private:
  void ApplyPrefetch(uint32_t rows);
  void CheckStatus(sword status) const;

  std::unique_ptr<ub1[]> cda_;
  // Pointer-sized: it holds the handle's address.
  std::unique_ptr<OCIStmt*> stmt_cell_;
  uint8_t call_style_;
  uint32_t prefetch_rows_ = 0;
};

}  // namespace oracle
