// The stand-in's older-interface select lists: odescr on a parsed query,
// odefinps with array skips (or piecewise, the context handed back by
// ogetpi), oexfet, ofen and ofetch on the rows scripted for the text. Each
// cursor area gets a statement of its own, so that the rows come through
// the same code as the newer interface's fetches; the answers are the older
// interface's: 4 at the end of the rows, -3130 while a LONG piece is
// wanted, the negative error number on failure. The area's row count is
// the number of rows fetched so far.
//
// They log as, for example,
//   odescr pos=2
//   odefinps op=0 pos=1 type=5 size=31 skip=96 ind=96
//   ofen rows=25
//     answers 0       (4 at the end, -3130 when a piece is wanted)
#include <algorithm>
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Lock = std::unique_lock<std::mutex>;

constexpr sword kNoMoreRows = 4;
constexpr sword kNextFetchPiece = -3130;
constexpr ub2 kNoDataFound = 1403;

Oci7Cursor* CursorOf(State& state, const void* cda) {
  auto found = state.world.cursors.find(cda);
  return found == state.world.cursors.end() ? nullptr : &found->second;
}

// The area's statement, following the text it was last parsed with.
Handle* StatementOf(State& state, Oci7Cursor& cursor) {
  if (!cursor.statement) {
    cursor.statement = NewHandle(state, OCI_HTYPE_STMT, nullptr);
    cursor.statement->statement_type = OCI_STMT_SELECT;
  }
  if (cursor.statement->sql != cursor.sql) {
    ForgetCursor(state, cursor.statement);
    cursor.statement->sql = cursor.sql;
  }
  return cursor.statement;
}

TCdaHeader* HeaderOf(const void* cda) { return static_cast<TCdaHeader*>(const_cast<void*>(cda)); }

// The newer interface's answer as the older one gives it; the area's header
// tells the rows so far and, at the end, "no data found".
sword Answer(State& state, const void* cda, Handle* statement, sword status) {
  TCdaHeader* header = HeaderOf(cda);
  header->rows_processed = statement->statement.rows_processed;
  header->v2_return_code = 0;
  header->return_code = 0;
  switch (status) {
    case OCI_SUCCESS: Log(state, "  answers 0"); return 0;
    case OCI_SUCCESS_WITH_INFO:  // a value was cut: a warning in the area
      header->return_code = kFetchedTruncated;
      Log(state, "  answers 0");
      return 0;
    case OCI_NEED_DATA: Log(state, "  answers -3130"); return kNextFetchPiece;
    case OCI_NO_DATA:
      header->v2_return_code = kNoMoreRows;
      header->return_code = kNoDataFound;
      Log(state, "  answers 4");
      return kNoMoreRows;
    default: return Failure(state, 1002, "ORA-01002: fetch out of sequence");
  }
}

sword FetchOn(State& state, Lock& lock, const void* cda, ub4 rows, bool start) {
  Oci7Cursor* cursor = CursorOf(state, cda);
  if (!cursor) return Failure(state, 1001, "ORA-01001: invalid cursor");
  Handle* statement = StatementOf(state, *cursor);
  if (!ScriptFor(state, statement)) return Failure(state, 942, "ORA-00942: table or view does not exist");
  if (start) StartQuery(state, statement, nullptr, 0, 0);
  return Answer(state, cda, statement, FetchRows(state, lock, statement, nullptr, rows, OCI_FETCH_NEXT, 0));
}

}  // namespace

namespace standin {

bool StartOci7Query(State& state, const void* cda) {
  Oci7Cursor* cursor = CursorOf(state, cda);
  if (!cursor || HeaderOf(cda)->function_code != 4) return false;
  Handle* statement = StatementOf(state, *cursor);
  if (!ScriptFor(state, statement)) return false;
  StartQuery(state, statement, nullptr, 0, 0);
  HeaderOf(cda)->rows_processed = 0;
  return true;
}

bool WantedOci7FetchPiece(State& state, const void* cda, ub1* piece, void** context) {
  Oci7Cursor* cursor = CursorOf(state, cda);
  void* define = nullptr;
  if (!cursor || !cursor->statement || !WantedFetchPiece(state, cursor->statement, &define, piece)) return false;
  *context = static_cast<Define*>(define)->value;
  return true;
}

bool SetOci7FetchPiece(State& state, const void* cda, void* buffer, ub4* length) {
  Oci7Cursor* cursor = CursorOf(state, cda);
  void* define = nullptr;
  ub1 piece = 0;
  if (!cursor || !cursor->statement || !WantedFetchPiece(state, cursor->statement, &define, &piece)) return false;
  return SetFetchPiece(state, define, buffer, length, static_cast<Define*>(define)->indicator);
}

void ForgetOci7Query(State& state, const void* cda) {
  Oci7Cursor* cursor = CursorOf(state, cda);
  if (!cursor || !cursor->statement) return;
  ForgetCursor(state, cursor->statement);
  FreeHandle(state, cursor->statement);
  cursor->statement = nullptr;
}

}  // namespace standin

extern "C" {

sword odescr(ub1* cda, sword position, sb4* db_size, sb2* db_type, sb1* name, sb4* name_length, sb4* display_size,
             sb2* precision, sb2* scale, sb2* null_ok) {
  State& state = TheState();
  Lock lock(state.lock);
  Log(state, "odescr pos=" + std::to_string(position));
  Oci7Cursor* cursor = CursorOf(state, cda);
  if (!cursor) return Failure(state, 1001, "ORA-01001: invalid cursor");
  const QueryScript* script = ScriptFor(state, StatementOf(state, *cursor));
  if (!script) return Failure(state, 942, "ORA-00942: table or view does not exist");
  if (position < 1 || static_cast<size_t>(position) > script->columns.size())
    return Failure(state, 1007, "ORA-01007: variable not in select list");
  const QueryColumn& column = script->columns[static_cast<size_t>(position) - 1];
  if (db_size) *db_size = column.size;
  if (db_type) *db_type = static_cast<sb2>(column.type);
  if (display_size) *display_size = column.size;
  if (precision) *precision = column.precision;
  if (scale) *scale = column.scale;
  if (null_ok) *null_ok = column.nullable;
  if (name && name_length) {
    const size_t count = std::min(column.name.size(), static_cast<size_t>(std::max<sb4>(*name_length, 0)));
    std::memcpy(name, column.name.data(), count);
    *name_length = static_cast<sb4>(count);
  }
  return 0;
}

sword odefinps(ub1* cda, ub1 operation, sword position, ub1* buffer, sb4 buffer_length, sword type, sword,
               sb2* indicator, const OraText*, sb4, sword, ub2* length, ub2* return_code, sb4 value_skip,
               sb4 indicator_skip, sb4 length_skip, sb4 return_code_skip) {
  State& state = TheState();
  Lock lock(state.lock);
  Log(state, "odefinps op=" + std::to_string(operation) + " pos=" + std::to_string(position) +
                 " type=" + std::to_string(type) + " size=" + std::to_string(buffer_length) +
                 " skip=" + std::to_string(value_skip) + " ind=" + std::to_string(indicator_skip));
  Oci7Cursor* cursor = CursorOf(state, cda);
  if (!cursor) return Failure(state, 1001, "ORA-01001: invalid cursor");
  Handle* statement = StatementOf(state, *cursor);
  const QueryScript* script = ScriptFor(state, statement);
  if (!script || position < 1 || static_cast<size_t>(position) > script->columns.size())
    return Failure(state, 1007, "ORA-01007: variable not in select list");
  Define define{statement, static_cast<ub4>(position), buffer, buffer_length, static_cast<ub2>(type),
                indicator, length, return_code, operation == 1 ? OCI_DYNAMIC_FETCH : OCI_DEFAULT};
  define.value_skip = static_cast<ub4>(value_skip), define.indicator_skip = static_cast<ub4>(indicator_skip);
  define.length_skip = static_cast<ub4>(length_skip), define.return_code_skip = static_cast<ub4>(return_code_skip);
  AddDefine(state, statement, define);
  return 0;
}

sword oexfet(ub1* cda, ub4 rows, sword cancel, sword exact) {
  State& state = TheState();
  Lock lock(state.lock);
  Log(state, "oexfet rows=" + std::to_string(rows) + " cancel=" + std::to_string(cancel) +
                 " exact=" + std::to_string(exact));
  return FetchOn(state, lock, cda, rows, true);
}

sword ofen(ub1* cda, sword rows) {
  State& state = TheState();
  Lock lock(state.lock);
  Log(state, "ofen rows=" + std::to_string(rows));
  return FetchOn(state, lock, cda, static_cast<ub4>(std::max<sword>(rows, 1)), false);
}

sword ofetch(ub1* cda) {
  State& state = TheState();
  Lock lock(state.lock);
  Log(state, "ofetch");
  return FetchOn(state, lock, cda, 1, false);
}

}  // extern "C"
