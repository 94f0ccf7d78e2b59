// The select list in the older call style: each column described with
// odescr, defined with odefinps (array skips for blocks, piecewise for LONG
// columns, whose context the piece calls hand back), and rows fetched with
// oexfet, ofen and ofetch. Their answers are turned into those of the newer
// interface (0, 99 a piece is wanted, 100 no more rows), so that the record
// set treats both styles alike.
#include <algorithm>
#include <cstring>

#include "oracle/call_entries_fetch.h"
#include "oracle/cmd_column_info.h"
#include "oracle/cmd_field_desc.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/cursor_ora_cursor.h"
#include "oracle/error_raise.h"

namespace oracle {

namespace {

// Types the older interface cannot fetch: objects, REFs, LOBs, BFILEs,
// cursors, date-times and intervals.
bool BeyondOci7(ub2 type) {
  return type == SQLT_NTY || type == SQLT_REF || (type >= SQLT_CLOB && type <= SQLT_RSET) ||
         (type >= SQLT_TIMESTAMP && type <= SQLT_INTERVAL_DS) || type == SQLT_TIMESTAMP_LTZ;
}

}  // namespace

bool TOCICommand::DescribeFieldOci7(TOCIFieldDesc& field, ub4 position, bool long_strings, bool flat_buffers) {
  CheckOCI73();
  sb4 db_size = 0, display_size = 0;
  sb4 name_length = kOci7NameBufferSize;
  sb2 type = 0, precision = 0, scale = 0, null_ok = 1;
  char name[kOci7NameBufferSize + 1] = {};
  sword status;
  {
    TConnectionLock lock(*OCIConnection());
    status = odescr(cursor_->GetCDA(), static_cast<sword>(position), &db_size, &type, reinterpret_cast<sb1*>(name),
                    &name_length, &display_size, &precision, &scale, &null_ok);
  }
  if (status == kOci7NotInSelectList) return false;
  Check(status);
  TSelectColumn c;
  c.name.assign(name, static_cast<size_t>(std::clamp<sb4>(name_length, 0, kOci7NameBufferSize)));
  c.type = static_cast<ub2>(type);
  c.size = static_cast<ub2>(std::clamp<sb4>(db_size, 0, 0xFFFF));
  c.precision = precision;
  c.scale = scale;
  c.nullable = null_ok != 0;
  if (BeyondOci7(c.type)) RaiseOraException("Data type is not supported");
  ApplyColumnInfo(field, c, long_strings, flat_buffers);
  return true;
}

void TOCICommand::DefineColumnOci7(ub4 position, void* buffer, sb4 size, ub2 type, void* indicator, ub2* length,
                                   ub4 stride, ub4 indicator_stride, bool piecewise) {
  CheckOCI73();
  TConnectionLock lock(*OCIConnection());
  Check(odefinps(cursor_->GetCDA(), piecewise ? 1 : 0, static_cast<sword>(position), static_cast<ub1*>(buffer), size,
                 type, 0, static_cast<sb2*>(indicator), nullptr, 0, 0, length, nullptr, static_cast<sb4>(stride),
                 static_cast<sb4>(indicator_stride), length ? static_cast<sb4>(stride) : 0, 0));
}

ub4 TOCICommand::InternalFetchOci7(ub4 rows, sword& status) {
  CheckOCI73();
  ub1* cda = cursor_->GetCDA();
  const bool executed = GetCursorState() >= csExecuting;
  sword result;
  {
    TConnectionLock lock(*OCIConnection());
    // Not executed yet: the execute brings the first rows with it.
    result = !executed ? oexfet(cda, rows, 0, 0) : rows == 1 ? ofetch(cda) : ofen(cda, static_cast<sword>(rows));
  }
  if (result == kOci7NoMoreRows) status = OCI_NO_DATA;
  else if (result == kOci7NextFetchPiece) status = OCI_NEED_DATA;
  else Check(result), status = OCI_SUCCESS;
  if (!executed) SetCursorState(csExecuted);
  TCdaHeader header;
  std::memcpy(&header, cda, sizeof header);
  // The area counts every row fetched so far.
  const ub4 total = header.rows_processed;
  const ub4 received = total >= FetchedRows ? total - FetchedRows : 0;
  FetchedRows = total;
  if (status == OCI_NO_DATA) SetCursorState(csCancelled);
  else if (GetCursorState() < dacore::csFetchingPaused) SetCursorState(dacore::csFetchingPaused);
  return received;
}

}  // namespace oracle
