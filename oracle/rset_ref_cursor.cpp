// A PL/SQL block that opens a REF CURSOR parameter: the record set executes
// the block on the command's own cursor, then describes and fetches the
// parameter's cursor. Close and unprepare go back to the own cursor and let
// the parameter's statement go, so that the next execute opens it anew.
#include "oracle/cursor_ora_cursor.h"
#include "oracle/param_ora_desc.h"
#include "oracle/rset_oci_record_set.h"
#include "oracle/value_data_types.h"

namespace oracle {

using namespace dacore;

TOraCursor* TOCIRecordSet::FindRefCursorParam() {
  TOCICommand& command = Command();
  if (!command.IsOwnCursor() || command.GetSQLType() != SQL_PLSQL) return nullptr;
  for (int i = 0; i < command.GetParamCount(); ++i) {
    TOraParamDesc* param = command.ParamAt(i);
    if (param->GetDataType() == dtCursor) return dynamic_cast<TOraCursor*>(param->GetObject());
  }
  return nullptr;
}

bool TOCIRecordSet::UsesRefCursor() { return ref_cursor_ && Command().GetCursor() == ref_cursor_; }

uint8_t TOCIRecordSet::OpenRefCursorForDescribe() {
  TOCICommand& command = Command();
  const uint8_t state = command.GetCursorState();
  if (state < csBound) command.BindParams();
  const bool run_here = state < csExecuted;
  if (run_here) command.Exec(OCI_DEFAULT, 1);
  command.SetCursor(ref_cursor_);
  return run_here ? (state < csPrepared ? csPrepared : state) : 0;
}

void TOCIRecordSet::EndRefCursor() {
  if (!ref_cursor_) return;
  TOCICommand& command = Command();
  if (UsesRefCursor()) command.SetCursor(nullptr);
  // The parameter keeps its cursor object; only the opened statement goes.
  if (ref_cursor_->State != csIdle || ref_cursor_->HasStatement()) ref_cursor_->FreeCursor();
  ref_cursor_->State = csIdle;
}

}  // namespace oracle
