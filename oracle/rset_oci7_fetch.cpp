// The record set in the older call style. Blocks are defined and fetched
// as in the newer one (the command turns the older calls' answers into the
// newer ones), except for LONG columns: without a define callback their
// values come one row at a time, each piece asked for by the fetch, named
// through ogetpi by the context its define gave, and handed a buffer with
// osetpi before the next fetch call fills it.

#include "classlib/exceptions.h"
#include "oracle/call_entries_fetch.h"
#include "oracle/call_entries_statements.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/rset_oci_record_set.h"

namespace oracle {

using namespace dacore;

bool TOCIRecordSet::HasPiecewiseLongs() {
  for (int i = 0; i < GetFieldCount(); ++i) {
    const auto& field = static_cast<const TOCIFieldDesc&>(*Fields().GetItems(i));
    const TDataType t = field.DataType();
    if ((t == dtMemo || t == dtBlob) && field.Length() == 0 && !IsStringSubType(field.SubDataType)) return true;
  }
  return false;
}

ub4 TOCIRecordSet::ReadPiecesOci7(TRecBuf rec, sword& status) {
  TOCICommand& command = Command();
  TOCIConnection* connection = Connection();
  ub1* cda = command.GetCursor()->GetCDA();
  ub4 received = 0;
  while (status == OCI_NEED_DATA) {
    ub1 piece = 0;
    void* context = nullptr;
    ub4 iteration = 0, index = 0;
    {
      TConnectionLock lock(*connection);
      command.Check(ogetpi(cda, &piece, &context, &iteration, &index));
    }
    const TColumnPlan* column = ColumnOfDefine(static_cast<OCIDefine*>(context));
    classlib::Assert(column != nullptr && column->kind == TDefineKind::kPieces, "OraClasses", __LINE__);
    PieceHeader* fresh = AppendLongPiece(rec, *column);
    piece_length_ = fresh->size;
    {
      TConnectionLock lock(*connection);
      command.Check(osetpi(cda, piece, PieceData(fresh), &piece_length_));
    }
    received += command.InternalFetch(1, OCI_FETCH_NEXT, 0, status);
    FinishLongPiece(rec, *column, fresh, piece_length_);
  }
  return received;
}

}  // namespace oracle
