// The stand-in's select lists and fetches: typed descriptions, defines with
// array-of-struct skips, dynamic defines fed piece by piece through the
// caller's callback, and fetches in every orientation with the cumulative
// row count. Plain columns are converted once per external type and then
// only copied, so that a fetch costs what a copy costs.
#include <chrono>
#include <cstring>
#include <mutex>
#include <sstream>
#include <thread>

#include "testing/oci_standin_fetch.h"
#include "testing/oci_standin_fetch_control.h"
#include "testing/oci_standin_state.h"

using namespace standin;

namespace {

using Lock = std::unique_lock<std::mutex>;
// An MLSLABEL column's type code; its values are handed over as their bytes.
constexpr ub2 kLabelType = 106;
using DefineCallback = sb4 (*)(void* context, OCIDefine* define, ub4 iteration, void** buffer, ub4** length,
                               ub1* piece, void** indicator, ub2** return_code);

// ---- Column types as the server writes them ------------------------------------

int NumberIn(const std::string& text, size_t& at) {
  int value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') value = value * 10 + (text[at++] - '0');
  return value;
}

// The numbers in parentheses after the type's first word.
std::vector<int> TypeArguments(const std::string& type) {
  std::vector<int> out;
  size_t at = type.find('(');
  while (at != std::string::npos && at < type.size() && type[at] != ')') {
    ++at;
    out.push_back(NumberIn(type, at));
    if (at < type.size() && type[at] == ')') {
      at = type.find('(', at);
      if (at == std::string::npos) break;
    }
  }
  return out;
}

}  // namespace

QueryColumn standin::ColumnOfDeclaration(const std::string& entry) {
  std::string text = Upper(Trimmed(entry));
  QueryColumn column;
  const size_t blank = text.find(' ');
  column.name = text.substr(0, blank);
  std::string type = blank == std::string::npos ? "VARCHAR2(10)" : Trimmed(text.substr(blank));
  const size_t not_null = type.find(" NOT NULL");
  if (not_null != std::string::npos) {
    column.nullable = 0;
    type = Trimmed(type.substr(0, not_null));
  }
  const std::vector<int> args = TypeArguments(type);
  auto arg = [&args](size_t i, int otherwise) { return i < args.size() ? args[i] : otherwise; };
  auto starts = [&type](const char* word) { return type.rfind(word, 0) == 0; };
  if (starts("NUMBER")) {
    column.type = SQLT_NUM, column.size = 22;
    column.precision = static_cast<sb2>(arg(0, 0));
    column.scale = static_cast<sb1>(args.empty() ? -127 : arg(1, 0));
  } else if (starts("FLOAT")) {
    column.type = SQLT_NUM, column.size = 22, column.precision = static_cast<sb2>(arg(0, 126)), column.scale = -127;
  } else if (starts("NVARCHAR2") || starts("VARCHAR2") || starts("NCHAR") || starts("CHAR")) {
    const bool national = type[0] == 'N';
    column.type = type.find("VARCHAR2") != std::string::npos ? SQLT_CHR : SQLT_AFC;
    column.char_size = static_cast<ub2>(arg(0, 1));
    column.size = static_cast<ub2>(column.char_size * (national ? 2 : 1));
    column.form = national ? 2 : 1;
  } else if (type == "LONG RAW") {
    column.type = SQLT_LBI;
  } else if (type == "LONG") {
    column.type = SQLT_LNG;
  } else if (starts("RAW")) {
    column.type = SQLT_BIN, column.size = static_cast<ub2>(arg(0, 1));
  } else if (type == "DATE") {
    column.type = SQLT_DAT, column.size = 7;
  } else if (starts("TIMESTAMP")) {
    column.type = type.find("LOCAL") != std::string::npos ? SQLT_TIMESTAMP_LTZ
                  : type.find("ZONE") != std::string::npos ? SQLT_TIMESTAMP_TZ
                                                           : SQLT_TIMESTAMP;
    column.size = 11, column.fs_precision = static_cast<ub1>(arg(0, 6));
  } else if (starts("INTERVAL YEAR")) {
    column.type = SQLT_INTERVAL_YM, column.size = 5, column.lf_precision = static_cast<ub1>(arg(0, 2));
  } else if (starts("INTERVAL DAY")) {
    column.type = SQLT_INTERVAL_DS, column.size = 11;
    column.lf_precision = static_cast<ub1>(arg(0, 2)), column.fs_precision = static_cast<ub1>(arg(1, 6));
  } else if (type == "CLOB" || type == "NCLOB") {
    column.type = SQLT_CLOB, column.size = 4000, column.form = type == "NCLOB" ? 2 : 1;
  } else if (type == "BLOB") {
    column.type = SQLT_BLOB, column.size = 4000;
  } else if (type == "BFILE") {
    column.type = SQLT_BFILEE, column.size = 530;
  } else if (type == "CFILE") {
    column.type = SQLT_CFILEE, column.size = 530;
  } else if (type == "ROWID") {
    column.type = SQLT_RID, column.size = 10;
  } else if (starts("UROWID")) {
    column.type = SQLT_RDD, column.size = static_cast<ub2>(arg(0, 4000));
  } else if (type == "BINARY_FLOAT") {
    column.type = 100, column.size = 4;
  } else if (type == "BINARY_DOUBLE") {
    column.type = 101, column.size = 8;
  } else if (type == "REF") {
    column.type = SQLT_REF;
  } else if (starts("REF ")) {
    column.type = SQLT_REF, column.type_name = Trimmed(type.substr(4));
  } else if (type == "MLSLABEL") {
    column.type = kLabelType, column.size = 255;
  } else if (type == "CURSOR") {
    column.type = SQLT_RSET;
  } else if (type == "OBJECT") {
    column.type = SQLT_NTY;
  } else if (starts("OBJECT ")) {
    column.type = SQLT_NTY, column.type_name = Trimmed(type.substr(7));
  } else {
    column.type = 9999;  // a type the layer does not know
  }
  return column;
}

// ---- Values ----------------------------------------------------------------------

std::string standin::FromHex(const std::string& text) {
  std::string bytes;
  auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    bytes += static_cast<char>(digit(text[i]) * 16 + digit(text[i + 1]));
  return bytes;
}

namespace {

// "YYYY-MM-DD HH:MI:SS[.fffffffff]"
DateTimeValue DateOf(const std::string& text) {
  DateTimeValue v;
  std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &v.year, &v.month, &v.day, &v.hour, &v.minute, &v.second);
  const size_t point = text.find('.');
  if (point != std::string::npos) {
    std::string digits = text.substr(point + 1, 9);
    digits.resize(9, '0');
    v.fraction = static_cast<ub4>(std::stoul(digits));
  }
  return v;
}

bool IsBinary(const QueryColumn& column) { return column.type == SQLT_BIN || column.type == SQLT_LBI; }

// Single-byte text as UTF-16 (little-endian code units).
std::string Utf16Of(const std::string& text) {
  std::string wide;
  for (unsigned char c : text) wide += {static_cast<char>(c), '\0'};
  return wide;
}

// The bytes of a column's value as a piecewise or callback define hands
// them over.
std::string LongBytes(const QueryColumn& column, const QueryValue& value, ub2 charset) {
  if (!value) return {};
  if (IsBinary(column)) return FromHex(*value);
  return charset == kStandinUtf16Id ? Utf16Of(*value) : *value;
}

// The bytes of a value as an external type of `size` bytes takes them;
// `length` is what the length cell reports.
std::string Convert(const QueryColumn& column, const std::string& value, ub2 type, sb4 size, ub2 charset,
                    ub2& length) {
  std::string bytes;
  if (type == SQLT_STR && charset == kStandinUtf16Id) {
    std::string text = value;
    if (size >= 2 && text.size() > static_cast<size_t>(size - 2) / 2) text.resize(static_cast<size_t>(size - 2) / 2);
    length = static_cast<ub2>(text.size() * 2);
    return Utf16Of(text) + std::string(2, '\0');
  }
  switch (type) {
    case SQLT_STR: {
      std::string text = IsBinary(column) ? value : value;
      if (size > 0 && text.size() > static_cast<size_t>(size - 1)) text.resize(static_cast<size_t>(size - 1));
      length = static_cast<ub2>(text.size());
      bytes = text + '\0';
      break;
    }
    case SQLT_INT: {
      const long long n = std::stoll(value);
      bytes.assign(reinterpret_cast<const char*>(&n), static_cast<size_t>(std::min<sb4>(size, 8)));
      length = static_cast<ub2>(bytes.size());
      break;
    }
    case SQLT_FLT: {
      const double d = std::stod(value);
      const float f = static_cast<float>(d);
      bytes = size == 4 ? std::string(reinterpret_cast<const char*>(&f), 4)
                        : std::string(reinterpret_cast<const char*>(&d), 8);
      length = static_cast<ub2>(bytes.size());
      break;
    }
    case SQLT_DAT: {
      const DateTimeValue v = DateOf(value);
      const ub1 d[7] = {static_cast<ub1>(v.year / 100 + 100), static_cast<ub1>(v.year % 100 + 100),
                        static_cast<ub1>(v.month), static_cast<ub1>(v.day), static_cast<ub1>(v.hour + 1),
                        static_cast<ub1>(v.minute + 1), static_cast<ub1>(v.second + 1)};
      bytes.assign(reinterpret_cast<const char*>(d), 7);
      length = 7;
      break;
    }
    case SQLT_VNU: case SQLT_NUM: {
      OCINumber number{};
      NumberFromText(value, &number);
      bytes.assign(reinterpret_cast<const char*>(number.OCINumberPart), 22);
      length = 22;
      break;
    }
    case SQLT_VBI: {
      std::string data = IsBinary(column) ? FromHex(value) : value;
      if (size >= 2 && data.size() > static_cast<size_t>(size - 2)) data.resize(static_cast<size_t>(size - 2));
      const ub2 count = static_cast<ub2>(data.size());
      bytes.assign(reinterpret_cast<const char*>(&count), 2);
      bytes += data;
      length = static_cast<ub2>(bytes.size());
      break;
    }
    default: {  // CHR, AFC, BIN, LNG, LBI: the bytes as they are
      bytes = IsBinary(column) ? FromHex(value) : value;
      if (size >= 0 && bytes.size() > static_cast<size_t>(size)) bytes.resize(static_cast<size_t>(size));
      length = static_cast<ub2>(bytes.size());
    }
  }
  return bytes;
}

bool IsDescriptorType(ub2 type) {
  return type == SQLT_CLOB || type == SQLT_BLOB || type == SQLT_BFILEE || type == SQLT_CFILEE || type == SQLT_TIMESTAMP || type == SQLT_TIMESTAMP_TZ ||
         type == SQLT_TIMESTAMP_LTZ || type == SQLT_INTERVAL_YM || type == SQLT_INTERVAL_DS;
}

PrebuiltColumn& Prebuilt(QueryScript& script, const Define& define) {
  PrebuiltColumn& cells = script.prebuilt[define.position];
  if (cells.type == define.type && cells.size == define.size && cells.charset == define.charset &&
      cells.indicators.size() == script.rows.size())
    return cells;
  const QueryColumn& column = script.columns[define.position - 1];
  cells = PrebuiltColumn{define.type, define.size, define.charset, {}, {}, {}};
  const size_t width = static_cast<size_t>(std::max<sb4>(define.size, 0));
  cells.data.assign(width * script.rows.size(), 0);
  for (size_t row = 0; row < script.rows.size(); ++row) {
    const QueryValue& value = script.rows[row][define.position - 1];
    ub2 length = 0;
    if (value) {
      const std::string bytes = Convert(column, *value, define.type, define.size, define.charset, length);
      std::memcpy(cells.data.data() + row * width, bytes.data(), std::min(bytes.size(), width));
    }
    cells.indicators.push_back(value ? 0 : -1);
    cells.lengths.push_back(length);
  }
  return cells;
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
  } else {
    descriptor->value.has_value = true;
    descriptor->value.date_time = DateOf(*value);
  }
}

// An XML column: the instance the cell holds gets the row's text; false
// when it is no XML instance.
bool FillXmlRow(State& state, void* cell, const QueryValue& value) {
  auto found = cell ? state.objects.instances.find(*static_cast<void**>(cell)) : state.objects.instances.end();
  if (found == state.objects.instances.end() || !found->second->type ||
      found->second->type->FullName() != "SYS.XMLTYPE")
    return false;
  ObjectInstance& xml = *found->second;
  xml.xml = value ? *value : std::string();
  *reinterpret_cast<OCIInd*>(xml.indicators->data()) = value ? OCI_IND_NOTNULL : OCI_IND_NULL;
  return true;
}

// A nested cursor column: the statement whose handle the cell holds becomes
// the executed query the row names, ready to be described and fetched.
void OpenNestedCursor(State& state, void* cell, const QueryValue& value, ub4 row) {
  Handle* nested = cell ? Live(state, *static_cast<void**>(cell), OCI_HTYPE_STMT) : nullptr;
  if (!nested || !value) return;
  Log(state, "cursor row=" + std::to_string(row) +
                 (OpenQueryOn(state, nested, *value) ? " opened" : " names no scripted query"));
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
    if (indicator) *static_cast<sb2*>(indicator) = value ? 0 : -1;
    at += count;
    piece = OCI_NEXT_PIECE;
    Log(state, "piece row=" + std::to_string(iteration) + " bytes=" + std::to_string(count));
    if (count == 0) return;
  } while (at < data.size());
}

// A LONG column defined dynamically without a callback: the caller reads
// it through the piece calls.
bool IsPiecewise(const Define& define) { return (define.mode & OCI_DYNAMIC_FETCH) != 0 && !define.callback; }

std::vector<ub4> PiecewisePositions(const QueryCursor& cursor) {
  std::vector<ub4> positions;
  for (const auto& [position, define] : cursor.defines)
    if (IsPiecewise(*define) && position >= 1 && position <= cursor.script->columns.size()) positions.push_back(position);
  return positions;
}

// Copies rows [first, first + count) into the defines, row i of the call at
// the define's position i; piecewise columns wait for the piece calls.
void DeliverRows(State& state, Lock& lock, QueryCursor& cursor, ub4 first, ub4 count) {
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
      sb2* indicator = At<sb2>(define.indicator, define.indicator_skip, i, sizeof(sb2));
      ub2* length = At<ub2>(define.length, define.length_skip, i, sizeof(ub2));
      ub2* code = At<ub2>(define.return_code, define.return_code_skip, i, sizeof(ub2));
      const QueryValue& value = script.rows[row][position - 1];
      if (code) *code = 0;
      if (indicator) *indicator = value ? 0 : -1;
      if (define.callback) {
        FeedPieces(state, lock, define, column, value, i);
        continue;
      }
      void* cell = At<ub1>(define.value, define.value_skip, i, width);
      if (define.type == SQLT_RSET) {
        OpenNestedCursor(state, cell, value, row);
        continue;
      }
      if (define.object_type && define.type == SQLT_REF) {
        FillRefRow(state, cell, value, row);
        continue;
      }
      if (define.object_type && FillXmlRow(state, cell, value)) continue;
      if (define.object_type) {
        if (!cell || !FillObjectRow(state, *static_cast<void**>(cell), value))
          Log(state, "object row=" + std::to_string(row) + " not filled");
        continue;
      }
      if (!plain) {
        FillDescriptor(state, column, value, cell);
        continue;
      }
      if (length) *length = cells->lengths[row];
      if (value) std::memcpy(cell, cells->data.data() + static_cast<size_t>(row) * width, width);
    }
  }
}

// The first row a fetch of that orientation delivers.
bool StartRow(const QueryCursor& cursor, ub2 orientation, sb4 offset, ub4& first) {
  const auto total = static_cast<sb4>(cursor.script->rows.size());
  sb4 row = static_cast<sb4>(cursor.next_row);
  switch (orientation) {
    case OCI_FETCH_NEXT: case 0: break;
    case OCI_FETCH_FIRST: row = 0; break;
    case OCI_FETCH_LAST: row = total - 1; break;
    case OCI_FETCH_PRIOR: row = static_cast<sb4>(cursor.next_row) - 2; break;
    case OCI_FETCH_ABSOLUTE: row = offset - 1; break;
    case OCI_FETCH_RELATIVE: row = static_cast<sb4>(cursor.next_row) - 1 + offset; break;
    default: return false;
  }
  first = static_cast<ub4>(std::max<sb4>(row, 0));
  return row >= 0 || orientation == OCI_FETCH_NEXT;
}

void EndRow(Handle* statement, QueryCursor& cursor, ub4 first, ub4 count, ub2 orientation) {
  cursor.next_row = first + count;
  if (orientation == OCI_FETCH_NEXT || orientation == 0) cursor.delivered += count;
  else cursor.delivered = std::max(cursor.delivered, first + count);
  statement->statement.rows_processed = cursor.delivered;
}

// One more piece of the row waiting for its LONG columns: into the buffer
// the caller set, then 99 while more is to come, 0 once the row is complete.
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
  return FetchRows(state, lock, live, error, rows, orientation, offset);
}

}  // namespace

namespace standin {

sword FetchRows(State& state, std::unique_lock<std::mutex>& lock, Handle* live, OCIError* error, ub4 rows,
                ub2 orientation, sb4 offset) {
  auto found = state.fetch.cursors.find(live);
  if (found == state.fetch.cursors.end() || !found->second.script)
    return Fail(state, error, 1002, "ORA-01002: fetch out of sequence");
  ++state.fetch.fetch_calls;
  QueryCursor& cursor = found->second;
  if (cursor.pieces.active) return ContinuePieces(state, cursor, error);
  ub4 first = 0;
  if (!StartRow(cursor, orientation, offset, first))
    return Fail(state, error, 1002, "ORA-01002: fetch out of sequence");
  const auto total = static_cast<ub4>(cursor.script->rows.size());
  ub4 count = first >= total ? 0 : std::min(rows, total - first);
  const std::vector<ub4> piecewise = PiecewisePositions(cursor);
  // A row with piecewise columns is the only row of its call.
  if (!piecewise.empty()) count = std::min<ub4>(count, 1);
  DeliverRows(state, lock, cursor, first, count);
  EndRow(live, cursor, first, count, orientation);
  if (count == 1 && !piecewise.empty()) {
    cursor.pieces = PieceFetch{true, first, piecewise};
    Log(state, "  -> need data");
    return OCI_NEED_DATA;
  }
  if (state.logging) Log(state, "  -> " + std::to_string(count));
  return count < rows ? OCI_NO_DATA : OCI_SUCCESS;
}

}  // namespace standin

namespace {

QueryScript& ScriptOf(State& state, const char* sql) { return state.fetch.queries[Trimmed(sql ? sql : "")]; }

std::string Generated(const QueryColumn& column, int i) {
  char text[64];
  switch (column.type) {
    case SQLT_NUM:
      if (column.scale > 0) return std::to_string(i) + ".25";
      return std::to_string(i);
    case SQLT_CHR: case SQLT_LNG: return "name-" + std::to_string(i);
    case SQLT_AFC: {
      std::string value = "c" + std::to_string(i % 1000);
      value.resize(column.char_size, ' ');
      return value;
    }
    case SQLT_DAT: case SQLT_TIMESTAMP: {
      const int minutes = i;
      std::snprintf(text, sizeof text, "2000-01-%02d %02d:%02d:00", 1 + minutes / 1440 % 28, minutes / 60 % 24,
                    minutes % 60);
      return text;
    }
    case SQLT_BIN: case SQLT_LBI: {
      std::string hex;
      for (int k = 0; k < std::max<int>(column.size, 1); ++k) {
        std::snprintf(text, sizeof text, "%02X", (i >> (8 * (k % 4))) & 0xFF);
        hex += text;
      }
      return hex;
    }
    default: return std::to_string(i);
  }
}

}  // namespace

namespace standin {

QueryScript* ScriptFor(State& state, const Handle* statement) {
  auto own = state.fetch.statement_queries.find(statement);
  if (own != state.fetch.statement_queries.end()) return &own->second;
  auto script = state.fetch.queries.find(Trimmed(statement->sql));
  return script == state.fetch.queries.end() ? nullptr : &script->second;
}

void DescribeColumn(State& state, const Handle* statement, ub4 position, Handle* column) {
  const QueryScript* script = ScriptFor(state, statement);
  if (!script || position > script->columns.size()) return;
  const QueryColumn& c = script->columns[position - 1];
  auto put = [column](ub4 attribute, const auto& value) {
    column->values[attribute].assign(reinterpret_cast<const char*>(&value), sizeof value);
  };
  put(OCI_ATTR_DATA_TYPE, c.type);
  put(OCI_ATTR_DATA_SIZE, c.size);
  put(OCI_ATTR_PRECISION, static_cast<ub2>(c.precision));
  put(OCI_ATTR_SCALE, c.scale);
  put(OCI_ATTR_IS_NULL, c.nullable);
  put(OCI_ATTR_CHARSET_FORM, c.form);
  put(OCI_ATTR_CHAR_SIZE, c.char_size);
  // The leading precision of an interval is what the parameter's precision gives.
  if (c.type == SQLT_INTERVAL_YM || c.type == SQLT_INTERVAL_DS) put(OCI_ATTR_PRECISION, static_cast<ub2>(c.lf_precision));
  put(OCI_ATTR_FSPRECISION, c.fs_precision);
  put(OCI_ATTR_LFPRECISION, c.lf_precision);
  if (c.type == SQLT_NTY || c.type == SQLT_REF) {
    const size_t dot = c.type_name.find('.');
    const bool named = dot != std::string::npos;
    column->values[OCI_ATTR_TYPE_NAME] = named ? c.type_name.substr(dot + 1) : "ADDRESS_T";
    column->values[OCI_ATTR_SCHEMA_NAME] = named ? c.type_name.substr(0, dot) : "SCOTT";
  }
}

sword StartQuery(State& state, Handle* statement, OCIError* error, ub4 iterations, ub4 mode) {
  QueryCursor& cursor = state.fetch.cursors[statement];
  cursor.script = ScriptFor(state, statement);
  cursor.next_row = cursor.delivered = 0;
  cursor.pieces = PieceFetch{};
  statement->statement.rows_processed = 0;
  if (iterations == 0 || (mode & OCI_DESCRIBE_ONLY) != 0 || !cursor.script) return OCI_SUCCESS;
  (void)error;
  Lock lock(state.lock, std::adopt_lock);
  const auto total = static_cast<ub4>(cursor.script->rows.size());
  const ub4 count = std::min(iterations, total);
  DeliverRows(state, lock, cursor, 0, count);
  lock.release();
  cursor.next_row = cursor.delivered = count;
  statement->statement.rows_processed = count;
  return count < iterations ? OCI_NO_DATA : OCI_SUCCESS;
}

sword SetDefineAttribute(State& state, void* define, ub4 attribute, const void* value) {
  if (!state.fetch.define_owner.count(define) || !value) return OCI_INVALID_HANDLE;
  if (attribute != OCI_ATTR_CHARSET_ID) return OCI_INVALID_HANDLE;
  std::memcpy(&static_cast<Define*>(define)->charset, value, sizeof(ub2));
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

bool OpenQueryOn(State& state, Handle* statement, const std::string& sql) {
  auto names = state.scripts.find(Trimmed(sql));
  if (names == state.scripts.end()) return false;
  ForgetCursor(state, statement);
  statement->sql = sql;
  statement->statement_type = OCI_STMT_SELECT;
  statement->columns = names->second;
  statement->executed = true;
  StartQuery(state, statement, nullptr, 0, 0);
  return true;
}

Define* AddDefine(State& state, Handle* statement, const Define& define) {
  QueryCursor& cursor = state.fetch.cursors[statement];
  auto made = std::make_unique<Define>(define);
  if (auto old = cursor.defines.find(define.position); old != cursor.defines.end())
    state.fetch.define_owner.erase(old->second.get());
  Define* added = made.get();
  state.fetch.define_owner[added] = statement;
  cursor.defines[define.position] = std::move(made);
  return added;
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

sword OCIDefineByPos(OCIStmt* statement, OCIDefine** define, OCIError* error, ub4 position, void* value, sb4 size,
                     ub2 type, void* indicator, ub2* length, ub2* return_code, ub4 mode) {
  State& state = TheState();
  Lock lock(state.lock);
  if (state.logging)
    Log(state, "OCIDefineByPos pos=" + std::to_string(position) + " type=" + std::to_string(type) +
                   " size=" + std::to_string(size) + " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIDefineByPos", error)) return status;
  Handle* live = Live(state, statement, OCI_HTYPE_STMT);
  if (!live || !define || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  if (position < 1 || position > live->columns.size())
    return Fail(state, error, 1007, "ORA-01007: variable not in select list");
  *define = reinterpret_cast<OCIDefine*>(
      AddDefine(state, live, Define{live, position, value, size, type, indicator, length, return_code, mode}));
  return OCI_SUCCESS;
}

}

namespace {

Define* DefineOf(State& state, OCIDefine* define) {
  return state.fetch.define_owner.count(define) ? reinterpret_cast<Define*>(define) : nullptr;
}

}  // namespace

extern "C" {

sword OCIDefineArrayOfStruct(OCIDefine* define, OCIError* error, ub4 value_skip, ub4 indicator_skip,
                             ub4 length_skip, ub4 return_code_skip) {
  State& state = TheState();
  Lock lock(state.lock);
  Define* live = DefineOf(state, define);
  if (state.logging)
    Log(state, "OCIDefineArrayOfStruct pos=" + std::to_string(live ? live->position : 0) +
                   " skip=" + std::to_string(value_skip) + " ind=" + std::to_string(indicator_skip) +
                   " len=" + std::to_string(length_skip));
  if (sword status = InjectedStatus(state, "OCIDefineArrayOfStruct", error)) return status;
  if (!live) return OCI_INVALID_HANDLE;
  live->value_skip = value_skip, live->indicator_skip = indicator_skip;
  live->length_skip = length_skip, live->return_code_skip = return_code_skip;
  return OCI_SUCCESS;
}

sword OCIDefineDynamic(OCIDefine* define, OCIError* error, void* context, void* callback) {
  State& state = TheState();
  Lock lock(state.lock);
  Define* live = DefineOf(state, define);
  Log(state, "OCIDefineDynamic pos=" + std::to_string(live ? live->position : 0));
  if (sword status = InjectedStatus(state, "OCIDefineDynamic", error)) return status;
  if (!live || (live->mode & OCI_DYNAMIC_FETCH) == 0) return OCI_INVALID_HANDLE;
  live->context = context;
  live->callback = callback;
  return OCI_SUCCESS;
}

// The cells of an object define hold instance addresses (the caller's
// own instances, which each row fills), those of a REF define REFs (made
// by the fetch when a cell holds none); the type descriptor must be one
// the cache knows.
sword OCIDefineObject(OCIDefine* define, OCIError* error, const OCIType* type, void** value, ub4* value_size,
                      void** indicator, ub4* indicator_size) {
  State& state = TheState();
  Lock lock(state.lock);
  Define* live = DefineOf(state, define);
  std::string name;
  for (auto& [key, declared] : state.objects.types)
    if (declared.get() == static_cast<const void*>(type)) name = declared->FullName();
  Log(state, "OCIDefineObject pos=" + std::to_string(live ? live->position : 0) + " type=" + name);
  if (sword status = InjectedStatus(state, "OCIDefineObject", error)) return status;
  if (!live || (live->type != SQLT_NTY && live->type != SQLT_REF)) return OCI_INVALID_HANDLE;
  if (name.empty()) return Fail(state, error, 21560, "ORA-21560: argument 3 is null, invalid, or out of range");
  (void)value, (void)value_size, (void)indicator, (void)indicator_size;
  live->object_type = const_cast<OCIType*>(type);
  return OCI_SUCCESS;
}

sword OCIStmtFetch(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, ub4) {
  return Fetch(statement, error, rows, orientation, 0, "OCIStmtFetch");
}

sword OCIStmtFetch2(OCIStmt* statement, OCIError* error, ub4 rows, ub2 orientation, sb4 offset, ub4) {
  return Fetch(statement, error, rows, orientation, offset, "OCIStmtFetch2");
}

void standin_script_query(const char* sql, const char* columns) {
  State& state = TheState();
  Lock lock(state.lock);
  QueryScript& script = ScriptOf(state, sql);
  script = QueryScript{};
  std::vector<std::string> names;
  std::stringstream list(columns ? columns : "");
  for (std::string entry; std::getline(list, entry, ';');) {
    if (Trimmed(entry).empty()) continue;
    script.columns.push_back(ColumnOfDeclaration(entry));
    names.push_back(script.columns.back().name);
  }
  state.scripts[Trimmed(sql ? sql : "")] = names;
}

void standin_add_rows(const char* sql, const char* rows) {
  State& state = TheState();
  Lock lock(state.lock);
  QueryScript& script = ScriptOf(state, sql);
  std::stringstream lines(rows ? rows : "");
  for (std::string line; std::getline(lines, line);) {
    std::vector<QueryValue> row;
    std::stringstream values(line);
    for (std::string value; std::getline(values, value, '|');)
      row.push_back(value == "<null>" ? QueryValue() : QueryValue(value));
    row.resize(script.columns.size());
    script.rows.push_back(std::move(row));
  }
  script.prebuilt.clear();
}

void standin_generate_rows(const char* sql, int count) {
  State& state = TheState();
  Lock lock(state.lock);
  QueryScript& script = ScriptOf(state, sql);
  const int base = static_cast<int>(script.rows.size());
  for (int i = 0; i < count; ++i) {
    std::vector<QueryValue> row;
    for (const QueryColumn& column : script.columns) row.emplace_back(Generated(column, base + i));
    script.rows.push_back(std::move(row));
  }
  script.prebuilt.clear();
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
