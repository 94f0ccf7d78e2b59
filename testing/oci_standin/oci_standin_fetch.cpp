// The stand-in's query cursors and fetch calls, as strict as the public
// call interface: rows delivered from the cursor's position in every
// orientation of a scrollable cursor and only forward otherwise (24391),
// the cumulative row count, 100 with the last partial block, a fetch past
// the end refused (1002), no fetch without defines (24374), a fetch that
// cut a value answering "success with info" (1406, or 24345 when the define
// has return codes), a null into a define without indicator an error (1405).
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "testing/oci_standin/oci_standin_fetch.h"
#include "testing/oci_standin/oci_standin_fetch_control.h"
#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Lock = std::unique_lock<std::mutex>;
// The orientation that fetches the row at the cursor's position again.
constexpr ub2 kFetchCurrent = 1;

bool IsForward(ub2 orientation) { return orientation == OCI_FETCH_NEXT || orientation == OCI_DEFAULT; }

// The first row a fetch of that orientation delivers.
bool StartRow(const QueryCursor& cursor, ub2 orientation, sb4 offset, ub4& first) {
  const auto total = static_cast<sb4>(cursor.script->rows.size());
  sb4 row = static_cast<sb4>(cursor.next_row);
  switch (orientation) {
    case OCI_FETCH_NEXT: case OCI_DEFAULT: break;
    case kFetchCurrent: row = static_cast<sb4>(cursor.next_row) - 1; break;
    case OCI_FETCH_FIRST: row = 0; break;
    case OCI_FETCH_LAST: row = total - 1; break;
    case OCI_FETCH_PRIOR: row = static_cast<sb4>(cursor.next_row) - 2; break;
    case OCI_FETCH_ABSOLUTE: row = offset - 1; break;
    case OCI_FETCH_RELATIVE: row = static_cast<sb4>(cursor.next_row) - 1 + offset; break;
    default: return false;
  }
  first = static_cast<ub4>(std::max<sb4>(row, 0));
  return row >= 0 || IsForward(orientation);
}

void EndRow(Handle* statement, QueryCursor& cursor, ub4 first, ub4 count, ub2 orientation) {
  cursor.next_row = first + count;
  if (IsForward(orientation)) cursor.delivered += count;
  else cursor.delivered = std::max(cursor.delivered, first + count);
  statement->statement.rows_processed = cursor.delivered;
}

// What a delivery of `count` rows of the `asked` answers: 100 when fewer
// came (the end of a forward cursor, after which it fetches no more),
// "success with info" when a value was cut, else success.
sword AnswerDelivery(State& state, QueryCursor& cursor, OCIError* error, const Delivery& delivery, ub4 count,
                     ub4 asked) {
  if (delivery.error == kFetchedNull) return Fail(state, error, kFetchedNull, "ORA-01405: fetched column value is NULL");
  if (count < asked) {
    cursor.ended = !cursor.scrollable;
    return OCI_NO_DATA;
  }
  if (!delivery.truncated) return OCI_SUCCESS;
  if (delivery.with_codes) Fail(state, error, 24345, "ORA-24345: A Truncation or null fetch error occurred");
  else Fail(state, error, kFetchedTruncated, "ORA-01406: fetched column value was truncated");
  return OCI_SUCCESS_WITH_INFO;
}

// Whether a forward delivery of `count` rows from `first` reaches the
// script's failing row; if so `count` becomes the rows before it.
bool ReachesFailingRow(const QueryCursor& cursor, ub4 first, ub4& count) {
  const ub4 failing = cursor.script->failing_row;
  if (failing == 0 || first >= failing || first + count < failing) return false;
  count = failing - 1 - first;
  return true;
}

// The failing row ends the call and the cursor, after the rows before it.
sword FailAtRow(State& state, QueryCursor& cursor, OCIError* error) {
  cursor.ended = true;
  return Fail(state, error, cursor.script->failing_code, cursor.script->failing_text);
}

// The misuses a fetch call refuses before it delivers anything.
sword RefusedFetch(State& state, const Handle* statement, const QueryCursor* cursor, OCIError* error, ub4 rows,
                   ub2 orientation) {
  if (!statement->executed) return Fail(state, error, 24338, "ORA-24338: statement handle not executed");
  if (!cursor || !cursor->script) return Fail(state, error, 1002, "ORA-01002: fetch out of sequence");
  if (!IsForward(orientation) && !cursor->scrollable)
    return Fail(state, error, 24391, "ORA-24391: invalid fetch operation under the current mode");
  if (cursor->ended) return Fail(state, error, 1002, "ORA-01002: fetch out of sequence");
  if (rows > 0 && cursor->defines.empty())
    return Fail(state, error, 24374, "ORA-24374: define not done before fetch or execute and fetch");
  return OCI_SUCCESS;
}

sword Fetch(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, sb4 offset, const char* entry) {
  State& state = TheState();
  Lock lock(state.lock);
  if (state.logging)
    Log(state, std::string(entry) + " rows=" + std::to_string(rows) + " orient=" + std::to_string(orientation) +
                   (std::strcmp(entry, "OCIStmtFetch2") == 0 ? " offset=" + std::to_string(offset) : ""));
  if (sword status = InjectedStatus(state, entry, error)) return status;
  const int delay = state.fetch.delay_ms;
  if (delay > 0) {
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    lock.lock();
  }
  Handle* live = Live(state, statement, OCI_HTYPE_STMT);
  if (!live || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  return Answered(state, FetchRows(state, lock, live, error, rows, orientation, offset));
}

}  // namespace

namespace standin {

sword FetchRows(State& state, std::unique_lock<std::mutex>& lock, Handle* live, OCIError* error, ub4 rows,
                ub2 orientation, sb4 offset) {
  auto found = state.fetch.cursors.find(live);
  QueryCursor* cursor = found == state.fetch.cursors.end() ? nullptr : &found->second;
  if (cursor && cursor->pieces.active) return ContinuePieces(state, *cursor, error);
  if (sword refused = RefusedFetch(state, live, cursor, error, rows, orientation)) return refused;
  ++state.fetch.fetch_calls;
  if (rows == 0) {  // fetching no rows cancels the cursor
    cursor->ended = true;
    return OCI_SUCCESS;
  }
  ub4 first = 0;
  if (!StartRow(*cursor, orientation, offset, first))
    return Fail(state, error, 1002, "ORA-01002: fetch out of sequence");
  const auto total = static_cast<ub4>(cursor->script->rows.size());
  ub4 count = first >= total ? 0 : std::min(rows, total - first);
  const std::vector<ub4> piecewise = PiecewisePositions(*cursor);
  // A row with piecewise columns is the only row of its call.
  if (!piecewise.empty()) count = std::min<ub4>(count, 1);
  const bool fails = IsForward(orientation) && ReachesFailingRow(*cursor, first, count);
  const Delivery delivery = DeliverRows(state, lock, *cursor, first, count);
  EndRow(live, *cursor, first, count, orientation);
  if (fails) return FailAtRow(state, *cursor, error);
  if (count == 1 && !piecewise.empty() && !delivery.error) {
    cursor->pieces = PieceFetch{true, first, piecewise};
    Log(state, "  -> need data");
    return OCI_NEED_DATA;
  }
  if (state.logging) Log(state, "  -> " + std::to_string(count));
  return AnswerDelivery(state, *cursor, error, delivery, count, rows);
}

bool HasDefines(State& state, const Handle* statement) {
  auto found = state.fetch.cursors.find(statement);
  return found != state.fetch.cursors.end() && !found->second.defines.empty();
}

sword StartQuery(State& state, Handle* statement, OCIError* error, ub4 iterations, ub4 mode) {
  QueryCursor& cursor = state.fetch.cursors[statement];
  cursor.script = ScriptFor(state, statement);
  cursor.next_row = cursor.delivered = 0;
  cursor.pieces = PieceFetch{};
  cursor.scrollable = (mode & OCI_STMT_SCROLLABLE_READONLY) != 0;
  cursor.ended = false;
  statement->executed = true;
  statement->statement.rows_processed = 0;
  if (iterations == 0 || (mode & OCI_DESCRIBE_ONLY) != 0 || !cursor.script) return OCI_SUCCESS;
  Lock lock(state.lock, std::adopt_lock);
  const auto total = static_cast<ub4>(cursor.script->rows.size());
  ub4 count = std::min(iterations, total);
  const bool fails = ReachesFailingRow(cursor, 0, count);
  const Delivery delivery = DeliverRows(state, lock, cursor, 0, count);
  lock.release();
  cursor.next_row = cursor.delivered = count;
  statement->statement.rows_processed = count;
  if (fails) return FailAtRow(state, cursor, error);
  return AnswerDelivery(state, cursor, error, delivery, count, iterations);
}

bool OpenQueryOn(State& state, Handle* statement, const std::string& sql) {
  auto names = state.scripts.find(Trimmed(sql));
  if (names == state.scripts.end()) return false;
  ForgetCursor(state, statement);
  statement->sql = sql;
  statement->statement_type = OCI_STMT_SELECT;
  statement->columns = names->second;
  StartQuery(state, statement, nullptr, 0, 0);
  return true;
}

void ForgetCursor(State& state, const Handle* statement) {
  state.fetch.statement_queries.erase(statement);
  auto found = state.fetch.cursors.find(statement);
  if (found == state.fetch.cursors.end()) return;
  for (auto& [position, define] : found->second.defines) state.fetch.define_owner.erase(define.get());
  state.fetch.cursors.erase(found);
}

}  // namespace standin

extern "C" {

sword OCIStmtFetch(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, ub4) {
  return Fetch(statement, error, rows, orientation, 0, "OCIStmtFetch");
}

sword OCIStmtFetch2(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, sb4 offset, ub4) {
  return Fetch(statement, error, rows, orientation, offset, "OCIStmtFetch2");
}

void standin_set_fetch_delay(int milliseconds) {
  State& state = TheState();
  Lock lock(state.lock);
  state.fetch.delay_ms = milliseconds;
}

void standin_set_describe_no_data(int on) {
  State& state = TheState();
  Lock lock(state.lock);
  state.fetch.describe_ends_with_no_data = on != 0;
}

int standin_fetch_calls(void) {
  State& state = TheState();
  Lock lock(state.lock);
  return state.fetch.fetch_calls;
}

}
