// The stand-in's statements: placeholders, binds by position, array and
// dynamic binds, piecewise input, the execute engine with scripted answers,
// rows processed, ROWIDs after DML and the statement cache.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "testing/oci_standin/oci_standin_fetch.h"
#include "testing/oci_standin/oci_standin_state.h"
#include "testing/oci_standin/oci_standin_statement_control.h"

namespace standin {

namespace {

using Guard = std::lock_guard<std::mutex>;

using InCallback = sb4 (*)(void*, OCIBind*, ub4, ub4, void**, ub4*, ub1*, void**);
using OutCallback = sb4 (*)(void*, OCIBind*, ub4, ub4, void**, ub4**, ub1*, void**, ub2**);

bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::string Hex(const ub1* bytes, size_t count) {
  std::string text;
  char digits[3];
  for (size_t i = 0; i < count; ++i) {
    std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
    text += digits;
  }
  return text;
}

bool IsLong(const Bind& bind) { return bind.type == SQLT_LNG || bind.type == SQLT_LBI; }
bool IsDataAtExec(const Bind& bind) { return (bind.mode & OCI_DATA_AT_EXEC) != 0; }

// The address of a bind's item for an iteration.
const ub1* ItemAt(const Bind& bind, ub4 iteration) {
  const ub4 skip = bind.value_skip ? bind.value_skip : static_cast<ub4>(bind.size);
  return static_cast<const ub1*>(bind.value) + static_cast<size_t>(skip) * iteration;
}

sb2 IndicatorAt(const Bind& bind, ub4 iteration) {
  if (!bind.indicator) return 0;
  const ub4 skip = bind.indicator_skip ? bind.indicator_skip : sizeof(sb2);
  sb2 value;
  std::memcpy(&value, reinterpret_cast<const ub1*>(bind.indicator) + static_cast<size_t>(skip) * iteration,
              sizeof value);
  return value;
}

ub2* LengthAt(const Bind& bind, ub4 iteration) {
  if (!bind.length) return nullptr;
  const ub4 skip = bind.length_skip ? bind.length_skip : sizeof(ub2);
  return reinterpret_cast<ub2*>(reinterpret_cast<ub1*>(bind.length) + static_cast<size_t>(skip) * iteration);
}

std::string DateText(const ub1* d) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", (d[0] - 100) * 100 + d[1] - 100, d[2], d[3],
                d[4] - 1, d[5] - 1, d[6] - 1);
  return text;
}

// One item of a bind as text.
std::string RenderItem(State& state, const Bind& bind, const ub1* item, ub4 iteration) {
  const size_t size = static_cast<size_t>(bind.size > 0 ? bind.size : 0);
  ub2* length = LengthAt(bind, iteration);
  switch (bind.type) {
    case SQLT_STR: case SQLT_AVC:
      return std::string(reinterpret_cast<const char*>(item), strnlen(reinterpret_cast<const char*>(item), size));
    case SQLT_CHR: case SQLT_AFC:
      return std::string(reinterpret_cast<const char*>(item), length ? *length : size);
    case SQLT_INT: {
      if (size == 8) {
        int64_t value;
        std::memcpy(&value, item, 8);
        return std::to_string(value);
      }
      int32_t value = 0;
      std::memcpy(&value, item, std::min<size_t>(size, 4));
      return std::to_string(value);
    }
    case SQLT_FLT: {
      double value = 0;
      if (size == 4) {
        float f;
        std::memcpy(&f, item, 4);
        value = f;
      } else {
        std::memcpy(&value, item, 8);
      }
      char text[64];
      std::snprintf(text, sizeof text, "%g", value);
      return text;
    }
    case SQLT_DAT: return DateText(item);
    case SQLT_VNU: return NumberText(reinterpret_cast<const OCINumber*>(item));
    case SQLT_BIN: return Hex(item, length ? *length : size);
    case SQLT_BLOB: case SQLT_CLOB: {
      void* locator = *reinterpret_cast<void* const*>(item);
      Handle* lob = Live(state, locator, OCI_DTYPE_LOB);
      return lob ? "LOB#" + std::to_string(lob->value.lob) : "LOB?";
    }
    case SQLT_RSET: return "CURSOR";
    case SQLT_TIMESTAMP: case SQLT_TIMESTAMP_TZ: case SQLT_TIMESTAMP_LTZ: {
      Handle* descriptor = Live(state, *reinterpret_cast<void* const*>(item));
      if (!descriptor || !descriptor->value.has_value) return "DATETIME?";
      const DateTimeValue& v = descriptor->value.date_time;
      char text[48];
      std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%09u", v.year, v.month, v.day, v.hour,
                    v.minute, v.second, v.fraction);
      return text;
    }
    case SQLT_INTERVAL_YM: case SQLT_INTERVAL_DS: {
      Handle* descriptor = Live(state, *reinterpret_cast<void* const*>(item));
      if (!descriptor || !descriptor->value.has_value) return "INTERVAL?";
      return IntervalText(descriptor->value.interval, bind.type == SQLT_INTERVAL_YM);
    }
    default: return "TYPE" + std::to_string(bind.type);
  }
}

// INSERT ... RETURNING a LOB: an uninitialised locator gets a new empty value.
void InitReturnedLob(State& state, const Bind& bind) {
  if (bind.type != SQLT_BLOB && bind.type != SQLT_CLOB) return;
  Handle* lob = Live(state, *static_cast<void* const*>(bind.value), OCI_DTYPE_LOB);
  if (!lob || lob->value.lob != 0) return;
  const int id = state.values.next_lob++;
  state.values.lobs[id].kind = bind.type == SQLT_BLOB ? 1 : 2;
  lob->value.lob = id;
}

// A LOB output: the locator the bind holds now refers to a value of the
// server (a row's LOB) holding the text (a BLOB's as hexadecimal digits),
// as a block that selects a LOB into an OUT bind leaves it. "NULL" is a
// null LOB: only the indicator tells it (the locator is left as it was),
// and a bind without an indicator cannot take it (false: ORA-01405).
bool WriteLobOutput(State& state, Bind& bind, const std::string& value) {
  if (value == "NULL") {
    if (!bind.indicator) return false;
    *bind.indicator = -1;
    return true;
  }
  Handle* lob = bind.value ? Live(state, *static_cast<void* const*>(bind.value), OCI_DTYPE_LOB) : nullptr;
  if (!lob) return true;
  LobValue stored;
  stored.kind = bind.type == SQLT_BLOB ? 1 : 2;
  for (unsigned char c : bind.type == SQLT_BLOB ? FromHex(value) : value) stored.units += static_cast<char16_t>(c);
  const int id = state.values.next_lob++;
  state.values.lobs[id] = stored;
  lob->value = DescriptorValue{};
  lob->value.lob = id;
  if (bind.indicator) *bind.indicator = 0;
  return true;
}

// Pulls a dynamic input bind's pieces from its callback.
std::string PullPieces(const Bind& bind, ub4 iteration) {
  std::string data;
  auto callback = reinterpret_cast<InCallback>(bind.in_callback);
  for (int guard = 0; guard < 1000000; ++guard) {
    void* buffer = nullptr;
    ub4 length = 0;
    ub1 piece = OCI_ONE_PIECE;
    void* indicator = nullptr;
    callback(bind.in_context, static_cast<OCIBind*>(bind.handle), iteration, 0, &buffer, &length, &piece,
             &indicator);
    if (buffer && length) data.append(static_cast<const char*>(buffer), length);
    if (piece == OCI_ONE_PIECE || piece == OCI_LAST_PIECE) break;
  }
  return data;
}

// Hands a dynamic output bind's value to its callback in the pieces the
// callback offers room for.
void PushPieces(const Bind& bind, ub4 iteration, const std::string& value) {
  auto callback = reinterpret_cast<OutCallback>(bind.out_callback);
  size_t at = 0;
  ub1 piece = OCI_FIRST_PIECE;
  do {
    void* buffer = nullptr;
    ub4* length = nullptr;
    void* indicator = nullptr;
    ub2* code = nullptr;
    callback(bind.out_context, static_cast<OCIBind*>(bind.handle), iteration, 0, &buffer, &length, &piece,
             &indicator, &code);
    if (!buffer || !length || *length == 0) return;
    const size_t count = std::min<size_t>(*length, value.size() - at);
    std::memcpy(buffer, value.data() + at, count);
    *length = static_cast<ub4>(count);
    if (indicator) *static_cast<sb2*>(indicator) = 0;
    at += count;
    piece = OCI_NEXT_PIECE;
  } while (at < value.size());
}

void WriteOutput(Bind& bind, const std::string& value) {
  if (IsLong(bind) && bind.out_callback) return PushPieces(bind, 0, value);
  if (!bind.value || bind.size <= 0) return;
  if (bind.indicator) *bind.indicator = 0;
  if (bind.type == SQLT_INT) {
    const int64_t number = std::stoll(value);
    std::memcpy(bind.value, &number, std::min<size_t>(static_cast<size_t>(bind.size), 8));
    return;
  }
  const size_t count = std::min(value.size(), static_cast<size_t>(bind.size - 1));
  std::memcpy(bind.value, value.data(), count);
  static_cast<char*>(bind.value)[count] = '\0';
}

ScriptedAnswer ParseAnswer(const std::string& text) {
  ScriptedAnswer answer;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    if (text.compare(at, 5, "text=") == 0) {
      answer.error_text = text.substr(at + 5);
      break;
    }
    if (text.compare(at, 7, "cursor:") == 0) {
      const size_t equals = text.find('=', at);
      if (equals == std::string::npos) break;
      answer.cursors[PlaceholderName(text.substr(at + 7, equals - at - 7))] = text.substr(equals + 1);
      break;
    }
    size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(at, end - at);
    at = end;
    const size_t equals = item.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = item.substr(0, equals), value = item.substr(equals + 1);
    if (key == "rows") answer.rows = std::stoi(value);
    else if (key == "error") answer.error = std::stoi(value);
    else if (key == "offset") answer.offset = std::stoi(value);
    else if (key.rfind("out:", 0) == 0) answer.outputs[PlaceholderName(key.substr(4))] = value;
    else if (key == "columns") {
      answer.has_columns = true;
      for (size_t from = 0; from <= value.size();) {
        size_t comma = value.find(',', from);
        if (comma == std::string::npos) comma = value.size();
        answer.columns.push_back(value.substr(from, comma - from));
        from = comma + 1;
      }
    }
  }
  return answer;
}

// The LONG data of a data-at-execute bind without callbacks: asked for by
// answering 99 until the caller has handed over the last piece.
bool NextPieceWanted(Handle* statement, ub4 iterations) {
  StatementExtra& extra = statement->statement;
  PieceRequest& request = extra.piece;
  if (request.active && request.piece_given) {
    std::string& data = extra.long_data[{request.bind, request.iteration}];
    if (request.buffer && request.length) data.append(static_cast<const char*>(request.buffer), *request.length);
    request.piece_given = false;
    request.first = false;
    if (request.piece != OCI_LAST_PIECE && request.piece != OCI_ONE_PIECE) return true;
    request.active = false;
  }
  const auto& binds = statement->extra.binds;
  for (size_t b = 0; b < binds.size(); ++b) {
    if (!IsDataAtExec(binds[b]) || binds[b].in_callback) continue;
    for (ub4 i = 0; i < iterations; ++i) {
      if (extra.long_data.count({b, i})) continue;
      request = PieceRequest{true, b, i, true};
      return true;
    }
  }
  return false;
}

// Reads every bind of every iteration into the received lines.
void ReadBinds(State& state, Handle* statement, ub4 iterations) {
  auto& binds = statement->extra.binds;
  for (size_t b = 0; b < binds.size(); ++b) {
    Bind& bind = binds[b];
    if (bind.max_array > 0) {  // a PL/SQL table: every element at once
      state.statements.received.push_back(bind.name + "[1]=" + RenderTable(state, bind));
      continue;
    }
    for (ub4 i = 0; i < iterations; ++i) {
      std::string value;
      if (IsDataAtExec(bind) && bind.in_callback) {
        const std::string data = PullPieces(bind, i);
        value = bind.type == SQLT_LBI ? Hex(reinterpret_cast<const ub1*>(data.data()), data.size()) : data;
      } else if (IsDataAtExec(bind)) {
        const std::string& data = statement->statement.long_data[{b, i}];
        value = bind.type == SQLT_LBI ? Hex(reinterpret_cast<const ub1*>(data.data()), data.size()) : data;
      } else if (bind.object_cell) {
        value = ObjectBindText(state, bind);
      } else if (IndicatorAt(bind, i) < 0) {
        value = "NULL";
      } else if (bind.value) {
        value = RenderItem(state, bind, ItemAt(bind, i), i);
      }
      state.statements.received.push_back(bind.name + "[" + std::to_string(i + 1) + "]=" + value);
    }
  }
}

std::string Base64(ub4 value, int digits) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text(static_cast<size_t>(digits), 'A');
  for (int d = digits - 1; d >= 0; --d, value >>= 6) text[static_cast<size_t>(d)] = alphabet[value & 63];
  return text;
}

}  // namespace

std::string LeadingWord(const std::string& sql, size_t from) {
  const char* const skipped = " \t\r\n(";
  size_t start = sql.find_first_not_of(skipped, from);
  while (start != std::string::npos && (sql.compare(start, 2, "--") == 0 || sql.compare(start, 2, "/*") == 0)) {
    const bool line = sql[start] == '-';
    const size_t end = line ? sql.find('\n', start) : sql.find("*/", start + 2);
    start = end == std::string::npos ? end : sql.find_first_not_of(skipped, end + (line ? 1 : 2));
  }
  if (start == std::string::npos) return "";
  const size_t end = sql.find_first_of(" \t\r\n(;", start);
  return Upper(sql.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

std::string ExtendedRowidText(ub4 object, ub4 file, ub4 block, ub4 row) {
  return Base64(object, 6) + Base64(file, 3) + Base64(block, 6) + Base64(row, 3);
}

bool BindIsNull(const Bind& bind, ub4 iteration) { return IndicatorAt(bind, iteration) < 0; }

void WriteBindOutput(Bind& bind, const std::string& value) { WriteOutput(bind, value); }

std::string RenderBindValue(State& state, const Bind& bind, ub4 iteration) {
  if (bind.object_cell) return ObjectBindText(state, bind);
  if (IndicatorAt(bind, iteration) < 0) return "NULL";
  return bind.value ? RenderItem(state, bind, ItemAt(bind, iteration), iteration) : std::string();
}

std::string RenderTable(State& state, const Bind& bind) {
  const ub4 count = bind.current_array ? *bind.current_array : 0;
  std::string items;
  for (ub4 e = 0; e < count; ++e) items += (e ? "," : "") + RenderBindValue(state, bind, e);
  return "[" + items + "]";
}

std::string HexText(const std::string& bytes) {
  return Hex(reinterpret_cast<const ub1*>(bytes.data()), bytes.size());
}

std::string PlaceholderName(const std::string& name) {
  if (name.size() > 1 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
  return Upper(name);
}

std::vector<std::string> PlaceholdersOf(const std::string& sql) {
  std::vector<std::string> names;
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n) {
    const char c = sql[i];
    if (c == '\'') {
      const size_t end = sql.find('\'', i + 1);
      i = end == std::string::npos ? n : end + 1;
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      const size_t end = sql.find('\n', i);
      i = end == std::string::npos ? n : end + 1;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      const size_t end = sql.find("*/", i + 2);
      i = end == std::string::npos ? n : end + 2;
    } else if (c == '"') {
      const size_t end = sql.find('"', i + 1);
      i = end == std::string::npos ? n : end + 1;
    } else if (c == ':' && i + 1 < n && sql[i + 1] != '=') {
      size_t end = i + 1;
      std::string name;
      if (sql[end] == '"') {
        const size_t close = sql.find('"', end + 1);
        if (close == std::string::npos) break;
        name = sql.substr(end, close - end + 1);
        end = close + 1;
      } else {
        while (end < n && IsNameChar(sql[end])) ++end;
        name = sql.substr(i + 1, end - i - 1);
      }
      if (!name.empty()) {
        const std::string matched = PlaceholderName(name);
        if (std::find(names.begin(), names.end(), matched) == names.end()) names.push_back(matched);
      }
      i = end;
    } else {
      ++i;
    }
  }
  return names;
}

sword ExecuteStatement(State& state, Handle* context, Handle* session, Handle* statement, OCIError* error,
                       ub4 iterations, ub4 mode) {
  const bool is_select = statement->statement_type == OCI_STMT_SELECT;
  if (!is_select && iterations == 0) return Fail(state, error, 24333, "ORA-24333: zero iteration count");
  // An execute that fetches needs somewhere to put the rows.
  if (is_select && iterations > 0 && (mode & OCI_DESCRIBE_ONLY) == 0 && !HasDefines(state, statement))
    return Fail(state, error, 24374, "ORA-24374: define not done before fetch or execute and fetch");
  const std::string text = Trimmed(statement->sql);
  auto scripted = state.statements.answers.find(text);
  const ScriptedAnswer* answer = scripted == state.statements.answers.end() ? nullptr : &scripted->second;
  StatementExtra& extra = statement->statement;
  if (!extra.piece.active) extra.long_data.clear();
  if (NextPieceWanted(statement, std::max<ub4>(iterations, 1))) return OCI_NEED_DATA;
  // EXPLAIN PLAN only parses its statement: its placeholders need no values.
  const bool explain = Upper(text).rfind("EXPLAIN", 0) == 0;
  for (const std::string& name : explain ? std::vector<std::string>{} : extra.placeholders) {
    bool bound = false;
    for (const Bind& bind : statement->extra.binds) bound = bound || bind.name == name;
    if (!bound) return Fail(state, error, 1008, "ORA-01008: not all variables bound");
  }
  // An object going in must name a LOB in each LOB attribute it sets.
  for (const Bind& bind : statement->extra.binds)
    if (bind.object_cell && bind.type == SQLT_NTY && *bind.object_cell && HasUnsetLob(state, *bind.object_cell))
      return Fail(state, error, 22275, "ORA-22275: invalid LOB locator specified");
  extra.rows_processed = 0;
  extra.has_rowid = false;
  ReadBinds(state, statement, std::max<ub4>(iterations, 1));
  if (answer && answer->error) {
    if (Handle* handle = Live(state, error, OCI_HTYPE_ERROR)) {
      const ub2 offset = static_cast<ub2>(answer->offset);
      handle->values[OCI_ATTR_PARSE_ERROR_OFFSET].assign(reinterpret_cast<const char*>(&offset), sizeof offset);
    }
    return Fail(state, error, answer->error, answer->error_text);
  }
  if (!answer && TierOf(state, session) && TierRuns(text)) {
    std::string message;
    const bool describe_only = (mode & OCI_DESCRIBE_ONLY) != 0;
    // The engine keeps its count of pending work and the statements run
    // (queries among them here); the file does the rest. A statement the
    // file refuses before it changed a row leaves the session's work as it
    // was, as on a server.
    const int pending_before = session->extra.pending_work;
    const std::string transaction_before = session->extra.transaction_id;
    if (!is_select && !describe_only) RunStatement(state, session, statement->sql, statement->extra.binds, message);
    if (is_select && !describe_only) state.world.executed.push_back(statement->sql);
    if (sb4 code = TierExecute(state, session, statement, iterations, describe_only, message)) {
      if (extra.rows_processed == 0) {
        session->extra.pending_work = pending_before;
        session->extra.transaction_id = transaction_before;
      }
      return Fail(state, error, code, message);
    }
    if (is_select) {
      if (sword status = StartQuery(state, statement, error, iterations, mode)) {
        statement->executed = true;
        return status;
      }
    }
  } else if (is_select) {
    if (answer && answer->has_columns) {
      statement->columns = answer->columns;
    } else {
      auto script = state.scripts.find(text);
      if (script == state.scripts.end()) return Fail(state, error, 942, "ORA-00942: table or view does not exist");
      statement->columns = script->second;
    }
    if (sword status = StartQuery(state, statement, error, iterations, mode)) {
      statement->executed = true;
      return status;
    }
  } else {
    std::string message;
    if (sb4 code = RunStatement(state, session, statement->sql, statement->extra.binds, message))
      return Fail(state, error, code, message);
    const ub2 type = statement->statement_type;
    const bool dml = type == OCI_STMT_INSERT || type == OCI_STMT_UPDATE || type == OCI_STMT_DELETE;
    extra.rows_processed = answer && answer->rows >= 0 ? static_cast<ub4>(answer->rows) * iterations
                                                       : dml ? iterations : 0;
    if (dml && extra.rows_processed > 0) {
      extra.has_rowid = true;
      const ub4 rowid[4] = {30149, 4, state.statements.next_block++, extra.rows_processed - 1};
      std::copy(rowid, rowid + 4, extra.rowid);
    }
    for (Bind& bind : statement->extra.binds) InitReturnedLob(state, bind);
    if (answer)
      for (Bind& bind : statement->extra.binds) {
        auto output = answer->outputs.find(bind.name);
        if (output == answer->outputs.end()) continue;
        if (bind.object_cell) {
          WriteObjectOutput(state, bind, output->second);
        } else if (bind.type == SQLT_BLOB || bind.type == SQLT_CLOB) {
          if (!WriteLobOutput(state, bind, output->second))
            return Fail(state, error, 1405, "ORA-01405: fetched column value is NULL");
        } else {
          WriteOutput(bind, output->second);
        }
      }
    if (answer)
      for (Bind& bind : statement->extra.binds) {
        auto query = answer->cursors.find(bind.name);
        if (query == answer->cursors.end() || bind.type != SQLT_RSET || !bind.value) continue;
        Handle* opened = Live(state, *static_cast<void**>(bind.value), OCI_HTYPE_STMT);
        if (!opened || !OpenQueryOn(state, opened, query->second))
          return Fail(state, error, 942, "ORA-00942: table or view does not exist");
      }
  }
  statement->executed = true;
  if ((mode & OCI_COMMIT_ON_SUCCESS) != 0) EndWork(state, context, true);
  return OCI_SUCCESS;
}

sword StatementRowid(State& state, Handle* statement, void* descriptor, OCIError* error) {
  Handle* rowid = Live(state, descriptor, OCI_DTYPE_ROWID);
  if (!rowid) return OCI_INVALID_HANDLE;
  if (!statement->statement.has_rowid) return Fail(state, error, 1410, "ORA-01410: invalid ROWID");
  const ub4* parts = statement->statement.rowid;
  rowid->values[OCI_ATTR_ROWID] = ExtendedRowidText(parts[0], parts[1], parts[2], parts[3]);
  return OCI_SUCCESS;
}

Bind* BindOf(State& state, const void* handle) {
  Handle* live = Live(state, handle, OCI_HTYPE_BIND);
  if (!live || !live->parent) return nullptr;
  for (Bind& bind : live->parent->extra.binds)
    if (bind.handle == live) return &bind;
  return nullptr;
}

}  // namespace standin

using namespace standin;

extern "C" {

sword OCIBindByPos(OCIStmt* statement, OCIBind** bind, OCIError* error, ub4 position, void* value,
                   sb4 value_size, ub2 type, void* indicator, ub2* length, ub2*, ub4 max_array,
                   ub4* current_array, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIBindByPos pos=" + std::to_string(position) + " type=" + std::to_string(type) +
                 " size=" + std::to_string(value_size) + " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIBindByPos", error)) return status;
  Handle* live = Live(state, statement, OCI_HTYPE_STMT);
  if (!live || !bind || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  const auto& names = live->statement.placeholders;
  if (position < 1 || position > names.size())
    return Fail(state, error, 1036, "ORA-01036: illegal variable name/number");
  Handle* handle = NewHandle(state, OCI_HTYPE_BIND, live);
  Bind entry{names[position - 1], value, value_size, type, static_cast<sb2*>(indicator)};
  entry.handle = handle;
  entry.length = length;
  entry.max_array = max_array;
  entry.current_array = current_array;
  entry.mode = mode;
  AddBind(live->extra.binds, entry);
  *bind = reinterpret_cast<OCIBind*>(handle);
  return OCI_SUCCESS;
}


sword OCIBindArrayOfStruct(OCIBind* bind, OCIError* error, ub4 value_skip, ub4 indicator_skip,
                           ub4 length_skip, ub4 return_code_skip) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIBindArrayOfStruct value=" + std::to_string(value_skip) + " ind=" + std::to_string(indicator_skip) +
                 " len=" + std::to_string(length_skip) + " rc=" + std::to_string(return_code_skip));
  if (sword status = InjectedStatus(state, "OCIBindArrayOfStruct", error)) return status;
  Bind* entry = BindOf(state, bind);
  if (!entry) return OCI_INVALID_HANDLE;
  entry->value_skip = value_skip;
  entry->indicator_skip = indicator_skip;
  entry->length_skip = length_skip;
  return OCI_SUCCESS;
}

sword OCIBindDynamic(OCIBind* bind, OCIError* error, void* in_context, void* in_callback, void* out_context,
                     void* out_callback) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIBindDynamic");
  if (sword status = InjectedStatus(state, "OCIBindDynamic", error)) return status;
  Bind* entry = BindOf(state, bind);
  if (!entry || !IsDataAtExec(*entry)) return OCI_INVALID_HANDLE;
  entry->in_context = in_context;
  entry->in_callback = in_callback;
  entry->out_context = out_context;
  entry->out_callback = out_callback;
  return OCI_SUCCESS;
}

sword OCIStmtGetPieceInfo(OCIStmt* statement, OCIError* error, void** handle, ub4* handle_type, ub1* in_out,
                          ub4* iteration, ub4* index, ub1* piece) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIStmtGetPieceInfo");
  Handle* live = Live(state, statement, OCI_HTYPE_STMT);
  if (!live || !handle || !handle_type || !in_out || !iteration || !index || !piece) return OCI_INVALID_HANDLE;
  void* define = nullptr;
  if (WantedFetchPiece(state, live, &define, piece)) {
    *handle = define;
    *handle_type = OCI_HTYPE_DEFINE;
    *in_out = 2;  // output
    *iteration = 0;
    *index = 0;
    return OCI_SUCCESS;
  }
  const PieceRequest& request = live->statement.piece;
  if (!request.active) return Fail(state, error, 24000, "ORA-24000: no piece is wanted");
  *handle = live->extra.binds[request.bind].handle;
  *handle_type = OCI_HTYPE_BIND;
  *in_out = 1;  // input
  *iteration = request.iteration;
  *index = 0;
  *piece = request.first ? OCI_FIRST_PIECE : OCI_NEXT_PIECE;
  return OCI_SUCCESS;
}

sword OCIStmtSetPieceInfo(void* handle, ub4 handle_type, OCIError* error, const void* buffer, ub4* length,
                          ub1 piece, const void* indicator, ub2*) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIStmtSetPieceInfo piece=" + std::to_string(piece) +
                 " len=" + std::to_string(length ? *length : 0));
  if (handle_type == OCI_HTYPE_DEFINE) {
    if (SetFetchPiece(state, handle, const_cast<void*>(buffer), length, const_cast<void*>(indicator))) return OCI_SUCCESS;
    return Fail(state, error, 24000, "ORA-24000: no piece is wanted for this define");
  }
  Handle* bind = Live(state, handle, OCI_HTYPE_BIND);
  if (handle_type != OCI_HTYPE_BIND || !bind || !bind->parent) return OCI_INVALID_HANDLE;
  PieceRequest& request = bind->parent->statement.piece;
  if (!request.active || bind->parent->extra.binds[request.bind].handle != bind)
    return Fail(state, error, 24000, "ORA-24000: no piece is wanted for this bind");
  request.buffer = buffer;
  request.length = length;
  request.piece = piece;
  request.piece_given = true;
  return OCI_SUCCESS;
}

sword OCIStmtPrepare2(OCISvcCtx* context, OCIStmt** statement, OCIError* error, const OraText* text, ub4 length,
                      const OraText*, ub4, ub4 language, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIStmtPrepare2 language=" + std::to_string(language) + " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIStmtPrepare2", error)) return status;
  Handle* live_context = Live(state, context, OCI_HTYPE_SVCCTX);
  if (!live_context || !statement || !text) return OCI_INVALID_HANDLE;
  Handle* live = NewHandle(state, OCI_HTYPE_STMT, live_context);
  live->sql.assign(reinterpret_cast<const char*>(text), length);
  const std::string upper = Upper(Trimmed(live->sql));
  const std::string word = upper.substr(0, upper.find_first_of(" \t\r\n("));
  live->statement_type = word == "SELECT" || word == "WITH" ? OCI_STMT_SELECT
                         : word == "UPDATE" ? OCI_STMT_UPDATE
                         : word == "DELETE" ? OCI_STMT_DELETE
                         : word == "INSERT" ? OCI_STMT_INSERT
                         : word == "BEGIN"  ? OCI_STMT_BEGIN
                         : word == "DECLARE" ? OCI_STMT_DECLARE : 0;
  live->statement.placeholders = PlaceholdersOf(live->sql);
  live->statement.from_cache = true;
  *statement = reinterpret_cast<OCIStmt*>(live);
  return Answered(state, OCI_SUCCESS);
}

sword OCIStmtRelease(OCIStmt* statement, OCIError* error, const OraText*, ub4, ub4 mode) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIStmtRelease mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIStmtRelease", error)) return status;
  Handle* live = Live(state, statement, OCI_HTYPE_STMT);
  if (!live || !live->statement.from_cache) return OCI_INVALID_HANDLE;
  FreeHandle(state, live);
  return OCI_SUCCESS;
}

sword OCIRowidToChar(OCIRowid* rowid, OraText* buffer, ub2* buffer_length, OCIError* error) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIRowidToChar");
  Handle* live = Live(state, rowid, OCI_DTYPE_ROWID);
  if (!live || !buffer || !buffer_length) return OCI_INVALID_HANDLE;
  const std::string& text = live->values[OCI_ATTR_ROWID];
  if (text.empty()) return Fail(state, error, 1410, "ORA-01410: invalid ROWID");
  if (*buffer_length < text.size()) return Fail(state, error, 1406, "ORA-01406: fetched column value was truncated");
  std::memcpy(buffer, text.data(), text.size());
  *buffer_length = static_cast<ub2>(text.size());
  return OCI_SUCCESS;
}

void standin_script_statement(const char* sql, const char* answer) {
  State& state = TheState();
  Guard guard(state.lock);
  state.statements.answers[Trimmed(sql)] = ParseAnswer(answer);
}

int standin_received(char* buffer, int size) {
  State& state = TheState();
  Guard guard(state.lock);
  return CopyOut(JoinLines(state.statements.received), buffer, size);
}

void standin_clear_received(void) {
  State& state = TheState();
  Guard guard(state.lock);
  state.statements.received.clear();
}

}
