// Rows into the defines of a fetch: plain cells copied from their prebuilt
// form with indicators, lengths and return codes, descriptors (LOB and file
// locators, date-times, intervals) pointed at the row's value, object, XML
// and REF cells filled, nested cursors opened, LONG values handed to the
// caller's callback piece by piece or, without one, through the piece calls.
#include <cstring>

#include "testing/oci_standin/oci_standin_fetch.h"
#include "testing/oci_standin/oci_standin_state.h"

namespace standin {

namespace {

using Lock = std::unique_lock<std::mutex>;
using DefineCallback = sb4 (*)(void* context, OCIDefine* define, ub4 iteration, void** buffer, ub4** length,
                               ub1* piece, void** indicator, ub2** return_code);

bool IsDescriptorType(ub2 type) {
  return type == SQLT_CLOB || type == SQLT_BLOB || type == SQLT_BFILEE || type == SQLT_CFILEE ||
         type == SQLT_TIMESTAMP || type == SQLT_TIMESTAMP_TZ || type == SQLT_TIMESTAMP_LTZ ||
         type == SQLT_INTERVAL_YM || type == SQLT_INTERVAL_DS;
}

template <typename T>
T* At(void* base, ub4 skip, ub4 row, size_t natural) {
  if (!base) return nullptr;
  return reinterpret_cast<T*>(static_cast<ub1*>(base) + static_cast<size_t>(row) * (skip ? skip : natural));
}

// A descriptor cell (LOB locator, date-time, interval) gets the row's value.
void FillDescriptor(State& state, const QueryColumn& column, const QueryValue& value, void* cell) {
  Handle* descriptor = Live(state, *static_cast<void**>(cell));
  if (!descriptor || !value) return;
  if (descriptor->type == OCI_DTYPE_FILE) {
    // "ALIAS/file name": the directory alias and the file it names.
    const size_t slash = value->find('/');
    descriptor->value = DescriptorValue{};
    descriptor->value.directory = value->substr(0, slash);
    descriptor->value.file_name = slash == std::string::npos ? std::string() : value->substr(slash + 1);
  } else if (descriptor->type == OCI_DTYPE_LOB) {
    LobValue lob;
    lob.kind = column.type == SQLT_BLOB ? 1 : column.form == 2 ? 3 : 2;
    const std::string bytes = column.type == SQLT_BLOB ? FromHex(*value) : *value;
    for (unsigned char c : bytes) lob.units += static_cast<char16_t>(c);
    const int id = state.values.next_lob++;
    state.values.lobs[id] = lob;
    descriptor->value = DescriptorValue{};
    descriptor->value.lob = id;
  } else if (descriptor->type == OCI_DTYPE_INTERVAL_YM || descriptor->type == OCI_DTYPE_INTERVAL_DS) {
    // A row's interval text is that of the interval's kind ("+01 12:00:00").
    descriptor->value.has_value = ParseInterval(*value, descriptor->type, descriptor->value.interval);
  } else {
    descriptor->value.has_value = true;
    descriptor->value.date_time = DateOf(*value);
  }
}

// A nested cursor column: the statement whose handle the cell holds becomes
// the executed query the row names, ready to be described and fetched.
void OpenNestedCursor(State& state, void* cell, const QueryValue& value, ub4 row) {
  Handle* nested = cell ? Live(state, *static_cast<void**>(cell), OCI_HTYPE_STMT) : nullptr;
  if (!nested || !value) return;
  Log(state, "cursor row=" + std::to_string(row) +
                 (OpenQueryOn(state, nested, *value) ? " opened" : " names no scripted query"));
}

// Clients from 8.1.6 to 8.x take the indicator address a define callback
// hands back as the start of an array of the rows' 16-bit indicators: the
// row's indicator is written `iteration` cells past it.
bool CallbackIndicatorsAsArray(const State& state) {
  const int* v = state.client_version;
  return v[0] == 8 && (v[1] > 1 || (v[1] == 1 && v[2] >= 6));
}

// A LONG value handed to the caller's callback piece by piece, with the
// library unlocked while the caller runs.
void FeedPieces(State& state, Lock& lock, Define& define, const QueryColumn& column, const QueryValue& value,
                ub4 iteration) {
  const std::string data = LongBytes(column, value, define.charset);
  auto callback = reinterpret_cast<DefineCallback>(define.callback);
  size_t at = 0;
  ub1 piece = OCI_FIRST_PIECE;
  do {
    void* buffer = nullptr;
    ub4* length = nullptr;
    void* indicator = nullptr;
    ub2* return_code = nullptr;
    lock.unlock();
    const sb4 status = callback(define.context, reinterpret_cast<OCIDefine*>(&define), iteration, &buffer, &length,
                                &piece, &indicator, &return_code);
    lock.lock();
    if (status != OCI_CONTINUE || !length) return;
    const size_t count = std::min<size_t>(data.size() - at, buffer ? *length : 0);
    if (count) std::memcpy(buffer, data.data() + at, count);
    *length = static_cast<ub4>(count);
    if (indicator) {
      sb2* cell = static_cast<sb2*>(indicator);
      if (CallbackIndicatorsAsArray(state)) cell += iteration;
      *cell = value ? 0 : -1;
    }
    at += count;
    piece = OCI_NEXT_PIECE;
    Log(state, "piece row=" + std::to_string(iteration) + " bytes=" + std::to_string(count));
    if (count == 0) return;
  } while (at < data.size());
}

// A LONG column defined dynamically without a callback: the caller reads
// it through the piece calls.
bool IsPiecewise(const Define& define) { return (define.mode & OCI_DYNAMIC_FETCH) != 0 && !define.callback; }

// Object and REF defines carry their nulls in the instances' indicator
// structures, a callback's define in what the callback hands over.
bool NeedsIndicator(const Define& define) { return !define.object_type && !define.callback; }

// One row of a column defined on something other than plain cells.
void DeliverValue(State& state, Lock& lock, Define& define, const QueryColumn& column, const QueryValue& value,
                  ub4 i, ub4 row, size_t width) {
  if (define.callback) return FeedPieces(state, lock, define, column, value, i);
  void* cell = At<ub1>(define.value, define.value_skip, i, width);
  if (define.type == SQLT_RSET) return OpenNestedCursor(state, cell, value, row);
  if (define.object_type && define.type == SQLT_REF) return FillRefRow(state, cell, value, row);
  if (define.object_type) {
    if (!cell || !FillObjectRow(state, *static_cast<void**>(cell), value))
      Log(state, "object row=" + std::to_string(row) + " not filled");
    return;
  }
  FillDescriptor(state, column, value, cell);
}

}  // namespace

std::vector<ub4> PiecewisePositions(const QueryCursor& cursor) {
  std::vector<ub4> positions;
  for (const auto& [position, define] : cursor.defines)
    if (IsPiecewise(*define) && position >= 1 && position <= cursor.script->columns.size()) positions.push_back(position);
  return positions;
}

Delivery DeliverRows(State& state, Lock& lock, QueryCursor& cursor, ub4 first, ub4 count) {
  Delivery delivery;
  QueryScript& script = *cursor.script;
  for (auto& [position, define_ptr] : cursor.defines) {
    Define& define = *define_ptr;
    if (position < 1 || position > script.columns.size() || IsPiecewise(define)) continue;
    const QueryColumn& column = script.columns[position - 1];
    const bool plain = !define.callback && !define.object_type && !IsDescriptorType(define.type) &&
                       define.type != SQLT_RSET;
    PrebuiltColumn* cells = plain ? &Prebuilt(script, define) : nullptr;
    const size_t width = static_cast<size_t>(std::max<sb4>(define.size, 0));
    for (ub4 i = 0; i < count; ++i) {
      const ub4 row = first + i;
      // A plain cell's null is in its prebuilt return code: a block of plain
      // cells is read from the prebuilt arrays alone, as a client reads its
      // receive buffer, not from the script's row objects scattered over the
      // heap (a cache miss per value that the caller's own work made worse).
      const QueryValue* value = plain ? nullptr : &script.rows[row][position - 1];
      const bool null = plain ? cells->codes[row] == kFetchedNull : !*value;
      sb2* indicator = At<sb2>(define.indicator, define.indicator_skip, i, sizeof(sb2));
      ub2* length = At<ub2>(define.length, define.length_skip, i, sizeof(ub2));
      ub2* code = At<ub2>(define.return_code, define.return_code_skip, i, sizeof(ub2));
      if (null && !indicator && NeedsIndicator(define)) {
        delivery.error = kFetchedNull;
        return delivery;
      }
      if (!plain) {
        if (code) *code = null ? kFetchedNull : 0;
        if (indicator) *indicator = null ? -1 : 0;
        DeliverValue(state, lock, define, column, *value, i, row, width);
        continue;
      }
      if (code) *code = cells->codes[row];
      if (indicator) *indicator = cells->indicators[row];
      if (length) *length = cells->lengths[row];
      if (!null) std::memcpy(At<ub1>(define.value, define.value_skip, i, width),
                             cells->data.data() + static_cast<size_t>(row) * width, width);
      if (cells->codes[row] == kFetchedTruncated) {
        delivery.truncated = true;
        delivery.with_codes = delivery.with_codes || code != nullptr;
      }
    }
  }
  return delivery;
}

sword ContinuePieces(State& state, QueryCursor& cursor, OCIError* error) {
  PieceFetch& pieces = cursor.pieces;
  if (!pieces.given) return Fail(state, error, 24000, "ORA-24000: no buffer for the piece wanted");
  const ub4 position = pieces.positions[pieces.column];
  const QueryColumn& column = cursor.script->columns[position - 1];
  const QueryValue& value = cursor.script->rows[pieces.row][position - 1];
  const std::string data = LongBytes(column, value, cursor.defines[position]->charset);
  const size_t count = std::min<size_t>(data.size() - pieces.offset, pieces.length ? *pieces.length : 0);
  if (count) std::memcpy(pieces.buffer, data.data() + pieces.offset, count);
  if (pieces.length) *pieces.length = static_cast<ub4>(count);
  const sb2 indicator = value ? 0 : -1;
  if (pieces.indicator) std::memcpy(pieces.indicator, &indicator, sizeof indicator);
  if (void* own = cursor.defines[position]->indicator) std::memcpy(own, &indicator, sizeof indicator);
  Log(state, "piece row=" + std::to_string(pieces.row) + " col=" + std::to_string(position) +
                 " bytes=" + std::to_string(count));
  pieces.offset += count;
  pieces.given = false;
  if (pieces.offset >= data.size() || count == 0) {
    ++pieces.column;
    pieces.offset = 0;
  }
  if (pieces.column < pieces.positions.size()) return OCI_NEED_DATA;
  pieces.active = false;
  Log(state, "  -> 1");
  return OCI_SUCCESS;
}

bool WantedFetchPiece(State& state, const Handle* statement, void** define, ub1* piece) {
  auto found = state.fetch.cursors.find(statement);
  if (found == state.fetch.cursors.end() || !found->second.pieces.active) return false;
  const PieceFetch& pieces = found->second.pieces;
  *define = found->second.defines[pieces.positions[pieces.column]].get();
  *piece = pieces.offset == 0 ? OCI_FIRST_PIECE : OCI_NEXT_PIECE;
  return true;
}

bool SetFetchPiece(State& state, void* define, void* buffer, ub4* length, void* indicator) {
  auto owner = state.fetch.define_owner.find(define);
  if (owner == state.fetch.define_owner.end()) return false;
  QueryCursor& cursor = state.fetch.cursors[owner->second];
  PieceFetch& pieces = cursor.pieces;
  if (!pieces.active || cursor.defines[pieces.positions[pieces.column]].get() != define) return false;
  pieces.buffer = buffer, pieces.length = length, pieces.indicator = indicator, pieces.given = true;
  return true;
}

}  // namespace standin
