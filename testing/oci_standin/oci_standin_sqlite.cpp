// The SQLite tier's sessions and statements: a session on a mapped server
// holds a connection to the file; its queries become the statement's rows,
// its DML runs in a transaction that commit and rollback end and hands
// back ROWIDs, RETURNING values and LOB locators bound to their cells.
#include <sqlite3.h>

#include <cctype>
#include <cstring>

#include "testing/oci_standin/oci_standin_sqlite.h"
#include "testing/oci_standin/oci_standin_state.h"

namespace standin {

namespace {

// Long enough for a writer to finish, short enough for a test to fail fast.
constexpr int kBusyMs = 2000;

// The words of a statement, up to `count`.
std::vector<std::string> Words(const std::string& upper, size_t count) {
  std::vector<std::string> words;
  size_t at = 0;
  while (words.size() < count) {
    const size_t start = upper.find_first_not_of(" \t\r\n", at);
    if (start == std::string::npos) break;
    size_t end = upper.find_first_of(" \t\r\n(;", start);
    if (end == start) end = start + 1;
    words.push_back(upper.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    at = end;
  }
  return words;
}

// LOB units and cell bytes: a unit below 256 is one byte, as the store keeps them.
std::string BytesOf(const std::u16string& units) {
  std::string bytes;
  bytes.reserve(units.size());
  for (char16_t unit : units) bytes += static_cast<char>(unit & 0xFF);
  return bytes;
}

std::u16string UnitsOf(const void* data, int size) {
  std::u16string units;
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (int i = 0; i < size; ++i) units += static_cast<char16_t>(bytes[i]);
  return units;
}

sb4 Failed(sqlite3* db, std::string& text) {
  return TierOracleError(sqlite3_extended_errcode(db), sqlite3_errmsg(db), text);
}

sb4 Exec(sqlite3* db, const std::string& sql, std::string& text) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK ? 0 : Failed(db, text);
}

// Writing needs the file's write lock for the rest of the transaction, as a
// server's row locks last until commit; NOWAIT gives up at once. A
// transaction a savepoint opened takes the lock with a write that changes
// nothing.
sb4 BeginWrite(TierSession& tier, bool nowait, std::string& text) {
  sqlite3_busy_timeout(tier.db, nowait ? 0 : kBusyMs);
  const sb4 code = Exec(tier.db,
                        sqlite3_get_autocommit(tier.db) ? "BEGIN IMMEDIATE"
                                                        : "UPDATE standin_objects SET value = value WHERE 0",
                        text);
  sqlite3_busy_timeout(tier.db, kBusyMs);
  return code;
}

// A savepoint needs a transaction but no lock yet.
sb4 BeginRead(TierSession& tier, std::string& text) {
  return sqlite3_get_autocommit(tier.db) ? Exec(tier.db, "BEGIN", text) : 0;
}

struct Prepared {
  sqlite3_stmt* step = nullptr;
  ~Prepared() { sqlite3_finalize(step); }
};

// The value of a data-at-execute bind: what arrived in pieces, as the
// received lines of this execute show it.
std::string ReceivedValue(State& state, const Bind& bind, ub4 iteration) {
  const std::string prefix = bind.name + "[" + std::to_string(iteration + 1) + "]=";
  for (auto line = state.statements.received.rbegin(); line != state.statements.received.rend(); ++line)
    if (line->rfind(prefix, 0) == 0) return line->substr(prefix.size());
  return "";
}

void BindNumber(sqlite3_stmt* step, int index, const std::string& text) {
  char* end = nullptr;
  const long long whole = std::strtoll(text.c_str(), &end, 10);
  if (end && *end == '\0' && !text.empty()) {
    sqlite3_bind_int64(step, index, whole);
    return;
  }
  sqlite3_bind_double(step, index, std::strtod(text.c_str(), nullptr));
}

void BindItem(State& state, sqlite3_stmt* step, int index, const Bind& bind, ub4 iteration) {
  if ((bind.mode & OCI_DATA_AT_EXEC) != 0) {
    const std::string value = ReceivedValue(state, bind, iteration);
    const std::string bytes = bind.type == SQLT_LBI ? FromHex(value) : value;
    if (bind.type == SQLT_LBI) sqlite3_bind_blob(step, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    else sqlite3_bind_text(step, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return;
  }
  if (!bind.value || BindIsNull(bind, iteration)) {
    sqlite3_bind_null(step, index);
    return;
  }
  if (bind.type == SQLT_BLOB || bind.type == SQLT_CLOB) {
    Handle* lob = Live(state, *static_cast<void* const*>(bind.value), OCI_DTYPE_LOB);
    auto value = lob ? state.values.lobs.find(lob->value.lob) : state.values.lobs.end();
    if (value == state.values.lobs.end()) return (void)sqlite3_bind_null(step, index);
    const std::string bytes = BytesOf(value->second.units);
    if (bind.type == SQLT_BLOB) sqlite3_bind_blob(step, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    else sqlite3_bind_text(step, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return;
  }
  const std::string text = RenderBindValue(state, bind, iteration);
  switch (bind.type) {
    case SQLT_INT: case SQLT_FLT: case SQLT_VNU: case SQLT_NUM:
      return BindNumber(step, index, text);
    case SQLT_BIN: {
      const std::string bytes = FromHex(text);
      sqlite3_bind_blob(step, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
      return;
    }
    case SQLT_AVC: {
      const auto* chars = static_cast<const char*>(bind.value);
      const std::string item(chars, strnlen(chars, static_cast<size_t>(std::max<sb4>(bind.size, 0))));
      sqlite3_bind_text(step, index, item.data(), static_cast<int>(item.size()), SQLITE_TRANSIENT);
      return;
    }
    default:
      sqlite3_bind_text(step, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
}

// Every placeholder of the SQLite text takes the bind of its name.
sb4 BindAll(State& state, sqlite3_stmt* step, std::vector<Bind>& binds, ub4 iteration, std::string& text) {
  for (int index = 1; index <= sqlite3_bind_parameter_count(step); ++index) {
    const char* marker = sqlite3_bind_parameter_name(step, index);
    const std::string name = marker ? std::string(marker + 1) : "";
    const Bind* found = nullptr;
    for (const Bind& bind : binds) found = found ? found : bind.name == name ? &bind : nullptr;
    if (!found) {
      text = "ORA-01008: not all variables bound";
      return 1008;
    }
    BindItem(state, step, index, *found, iteration);
  }
  return 0;
}

// A value of a row as the stand-in's rows keep it: binary values in hexadecimal.
QueryValue CellText(sqlite3_stmt* step, int column, bool rowid) {
  switch (sqlite3_column_type(step, column)) {
    case SQLITE_NULL: return std::nullopt;
    case SQLITE_BLOB: {
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(step, column));
      return HexText(std::string(bytes ? bytes : "", static_cast<size_t>(sqlite3_column_bytes(step, column))));
    }
    default:
      if (rowid) return TierRowidText(sqlite3_column_int64(step, column));
      return std::string(reinterpret_cast<const char*>(sqlite3_column_text(step, column)),
                         static_cast<size_t>(sqlite3_column_bytes(step, column)));
  }
}

// A column the rewrite made a function of is named as the server names it.
std::string OracleColumnName(const std::string& name) {
  for (const char* word : {"ROWID", "SYSDATE", "NEXTVAL", "CURRVAL"})
    if (name.rfind(std::string("ORA_") + word + "(", 0) == 0) return word;
  return name;
}

QueryColumn TypedColumn(const std::string& name, const std::string& type) {
  // The name may hold blanks (an expression): the type is read alone.
  QueryColumn column = ColumnOfDeclaration("C " + type);
  column.name = name;
  return column;
}

// A column described from its declared type, else from the values it holds.
QueryColumn ColumnFor(const std::string& name, const char* declared, int value_type) {
  if (name == "ROWID") return TypedColumn(name, "ROWID");
  if (name == "SYSDATE") return TypedColumn(name, "DATE");
  if (declared) {
    QueryColumn column = TypedColumn(name, declared);
    if (column.type != 9999) return column;
    const std::string type = Upper(declared);
    if (type.find("INT") != std::string::npos) return TypedColumn(name, "NUMBER(19)");
    if (type.find("BLOB") != std::string::npos) return TypedColumn(name, "BLOB");
    if (type.find("REAL") != std::string::npos || type.find("FLOA") != std::string::npos ||
        type.find("DOUB") != std::string::npos)
      return TypedColumn(name, "NUMBER");
    return TypedColumn(name, "VARCHAR2(4000)");
  }
  switch (value_type) {
    case SQLITE_INTEGER: case SQLITE_FLOAT: return TypedColumn(name, "NUMBER");
    case SQLITE_BLOB: return TypedColumn(name, "RAW(2000)");
    default: return TypedColumn(name, "VARCHAR2(4000)");
  }
}

sb4 SelectRows(State& state, TierSession& tier, Handle* statement, const TierStatement& rewritten, ub4 iteration,
               std::string& text);

// A query: the lock of FOR UPDATE taken, the rows read whole into the
// statement's own rows (the fetch delivers them as it does scripted ones).
sb4 RunQuery(State& state, TierSession& tier, Handle* statement, const TierStatement& rewritten, ub4 iteration,
             bool describe_only, std::string& text) {
  if (rewritten.lock && !describe_only)
    if (sb4 code = BeginWrite(tier, rewritten.nowait, text)) return code;
  // A describe runs the query for its column types and takes back what it
  // did (a sequence's NEXTVAL), as a server's parse would not do it.
  if (describe_only) {
    if (sb4 code = Exec(tier.db, "SAVEPOINT standin_describe", text)) return code;
    const sb4 code = SelectRows(state, tier, statement, rewritten, iteration, text);
    std::string ignored;
    Exec(tier.db, "ROLLBACK TO standin_describe; RELEASE standin_describe", ignored);
    return code;
  }
  return SelectRows(state, tier, statement, rewritten, iteration, text);
}

sb4 SelectRows(State& state, TierSession& tier, Handle* statement, const TierStatement& rewritten, ub4 iteration,
               std::string& text) {
  Prepared query;
  if (sqlite3_prepare_v2(tier.db, rewritten.sql.c_str(), -1, &query.step, nullptr) != SQLITE_OK)
    return Failed(tier.db, text);
  if (sb4 code = BindAll(state, query.step, statement->extra.binds, iteration, text)) return code;
  const int count = sqlite3_column_count(query.step);
  std::vector<std::string> names;
  std::vector<int> value_types(static_cast<size_t>(count), SQLITE_NULL);
  for (int c = 0; c < count; ++c) {
    names.push_back(OracleColumnName(Upper(sqlite3_column_name(query.step, c))));
  }
  QueryScript script;
  int status = SQLITE_ROW;
  while ((status = sqlite3_step(query.step)) == SQLITE_ROW) {
    std::vector<QueryValue> row;
    for (int c = 0; c < count; ++c) {
      if (value_types[static_cast<size_t>(c)] == SQLITE_NULL) value_types[static_cast<size_t>(c)] = sqlite3_column_type(query.step, c);
      // ROWID columns are already text: the rewrite selects ora_rowid().
      row.push_back(CellText(query.step, c, false));
    }
    script.rows.push_back(std::move(row));
  }
  if (status != SQLITE_DONE) return Failed(tier.db, text);
  for (int c = 0; c < count; ++c)
    script.columns.push_back(ColumnFor(names[static_cast<size_t>(c)], sqlite3_column_decltype(query.step, c),
                                       value_types[static_cast<size_t>(c)]));
  statement->columns = names;
  state.fetch.statement_queries[statement] = std::move(script);
  return 0;
}

// The table an INSERT, UPDATE or DELETE writes, as the statement names it.
std::string TableOfDml(const std::string& sql) {
  const std::vector<std::string> words = Words(sql, 3);
  const std::string first = words.empty() ? "" : Upper(words[0]);
  size_t at = first == "UPDATE" ? 1 : 2;
  if (first == "DELETE" && words.size() > 1 && Upper(words[1]) != "FROM") at = 1;
  return at < words.size() ? words[at] : "";
}

// Hands the RETURNING values of the row written last to their binds; a
// LOB's locator is bound to the row's cell.
void ReturnValues(State& state, Handle* session, Handle* statement, const TierStatement& rewritten,
                  const std::string& table, sqlite3_stmt* step) {
  const int64_t row = sqlite3_column_int64(step, 0);
  for (size_t k = 0; k < rewritten.returning.size() && k < rewritten.into.size(); ++k) {
    const int column = static_cast<int>(k) + 1;
    for (Bind& bind : statement->extra.binds) {
      if (bind.name != rewritten.into[k] || !bind.value) continue;
      const bool is_null = sqlite3_column_type(step, column) == SQLITE_NULL;
      if (bind.indicator) *bind.indicator = is_null ? -1 : 0;
      if (bind.type == SQLT_BLOB || bind.type == SQLT_CLOB) {
        Handle* lob = Live(state, *static_cast<void* const*>(bind.value), OCI_DTYPE_LOB);
        if (!lob || is_null) continue;
        LobValue value;
        // A national bind (its charset form set to 2) returns an NCLOB.
        Handle* bound = Live(state, bind.handle);
        const auto form = bound ? bound->values.find(OCI_ATTR_CHARSET_FORM) : std::map<ub4, std::string>::iterator();
        const bool national = bound && form != bound->values.end() && !form->second.empty() && form->second[0] == 2;
        value.kind = bind.type == SQLT_BLOB ? 1 : national ? 3 : 2;
        value.cell = TierCell{session, table, rewritten.returning[k], row};
        value.units = UnitsOf(sqlite3_column_blob(step, column), sqlite3_column_bytes(step, column));
        const int id = state.values.next_lob++;
        state.values.lobs[id] = value;
        lob->value = DescriptorValue{};
        lob->value.lob = id;
      } else if (!is_null) {
        const QueryValue text = CellText(step, column, Upper(rewritten.returning[k]) == "ROWID");
        WriteBindOutput(bind, *text);
      }
    }
  }
}

// INSERT, UPDATE and DELETE: each iteration once; the rows written are
// counted through RETURNING, which also gives the ROWID of the last one.
sb4 RunDml(State& state, TierSession& tier, Handle* session, Handle* statement, const TierStatement& rewritten,
           ub4 iterations, std::string& text) {
  if (sb4 code = BeginWrite(tier, false, text)) return code;
  const std::string table = TableOfDml(rewritten.sql);
  std::string sql = rewritten.sql + " RETURNING rowid";
  for (const std::string& column : rewritten.returning) sql += ", " + column;
  Prepared dml;
  if (sqlite3_prepare_v2(tier.db, sql.c_str(), -1, &dml.step, nullptr) != SQLITE_OK) return Failed(tier.db, text);
  StatementExtra& extra = statement->statement;
  for (ub4 i = 0; i < iterations; ++i) {
    sqlite3_reset(dml.step);
    if (sb4 code = BindAll(state, dml.step, statement->extra.binds, i, text)) return code;
    int status = SQLITE_ROW;
    while ((status = sqlite3_step(dml.step)) == SQLITE_ROW) {
      ++extra.rows_processed;
      // The parts of the text TierRowidText gives the same row.
      const auto row = static_cast<uint64_t>(sqlite3_column_int64(dml.step, 0));
      extra.has_rowid = true;
      const ub4 parts[4] = {1, 1, static_cast<ub4>(row >> 16), static_cast<ub4>(row & 0xFFFF)};
      std::copy(parts, parts + 4, extra.rowid);
      ReturnValues(state, session, statement, rewritten, table, dml.step);
    }
    if (status != SQLITE_DONE) return Failed(tier.db, text);
  }
  return 0;
}

// The position of `word` as a whole word in `upper` from `from`, npos when absent.
size_t FindWord(const std::string& upper, const std::string& word, size_t from) {
  auto name_char = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; };
  for (size_t at = upper.find(word, from); at != std::string::npos; at = upper.find(word, at + 1)) {
    const bool starts = at == 0 || !name_char(upper[at - 1]);
    const bool ends = at + word.size() >= upper.size() || !name_char(upper[at + word.size()]);
    if (starts && ends) return at;
  }
  return std::string::npos;
}

// SELECT ... INTO :a, :b FROM ...: the first row's values into the binds
// the INTO list names; no row is ORA-01403, as in PL/SQL.
sb4 RunSelectInto(State& state, TierSession& tier, Handle* statement, const std::string& sql, std::string& text) {
  const std::string upper = Upper(sql);
  const size_t into = FindWord(upper, "INTO", 0);
  const size_t from = into == std::string::npos ? into : FindWord(upper, "FROM", into);
  if (from == std::string::npos) {
    text = "ORA-06550: a SELECT in a block needs INTO";
    return 6550;
  }
  const TierStatement rewritten = RewriteForTier(sql.substr(0, into) + sql.substr(from));
  Prepared query;
  if (sqlite3_prepare_v2(tier.db, rewritten.sql.c_str(), -1, &query.step, nullptr) != SQLITE_OK)
    return Failed(tier.db, text);
  if (sb4 code = BindAll(state, query.step, statement->extra.binds, 0, text)) return code;
  const int status = sqlite3_step(query.step);
  if (status == SQLITE_DONE) {
    text = "ORA-01403: no data found";
    return 1403;
  }
  if (status != SQLITE_ROW) return Failed(tier.db, text);
  std::string targets = sql.substr(into + 4, from - into - 4);
  int column = 0;
  for (size_t start = 0; start <= targets.size(); ++column) {
    size_t comma = targets.find(',', start);
    if (comma == std::string::npos) comma = targets.size();
    std::string name = Trimmed(targets.substr(start, comma - start));
    start = comma + 1;
    if (!name.empty() && name[0] == ':') name = PlaceholderName(name.substr(1));
    const QueryValue value = CellText(query.step, column, false);
    for (Bind& bind : statement->extra.binds) {
      if (bind.name != name) continue;
      if (value) WriteBindOutput(bind, *value);
      else if (bind.indicator) *bind.indicator = -1;
    }
  }
  return 0;
}

// The statements of a block that holds only plain SQL ("BEGIN s; ... END;"),
// as the layer writes them around a sequence; empty for any other block.
std::vector<std::string> PlainBlockStatements(const std::string& sql) {
  std::string body = Trimmed(sql);
  while (!body.empty() && (body.back() == ';' || std::isspace(static_cast<unsigned char>(body.back()))))
    body.pop_back();
  const std::string upper = Upper(body);
  if (upper.size() < 9 || LeadingWord(upper) != "BEGIN" || FindWord(upper, "END", upper.size() - 3) == std::string::npos)
    return {};
  const std::vector<std::string> statements = SplitStatements(body.substr(5, body.size() - 8));
  for (const std::string& statement : statements) {
    const std::string word = LeadingWord(Upper(statement));
    if (word != "SELECT" && word != "INSERT" && word != "UPDATE" && word != "DELETE") return {};
  }
  return statements;
}

// A plain block's statements one after the other; the server counts the
// block as one row processed.
sb4 RunBlock(State& state, TierSession& tier, Handle* session, Handle* statement, std::string& text) {
  for (const std::string& sql : PlainBlockStatements(statement->sql)) {
    const sb4 code = LeadingWord(Upper(sql)) == "SELECT"
                         ? RunSelectInto(state, tier, statement, sql, text)
                         : RunDml(state, tier, session, statement, RewriteForTier(sql), 1, text);
    if (code) return code;
  }
  statement->statement.rows_processed = 1;
  return 0;
}

// Objects SQLite does not keep go into the side table: a sequence with its
// start and increment, a procedure or function by name only (its body is
// PL/SQL, which the engine answers).
bool RunSideObject(TierSession& tier, const std::string& upper, sb4& code, std::string& text) {
  std::vector<std::string> words = Words(upper, 12);
  if (words.size() > 3 && words[1] == "OR" && words[2] == "REPLACE") words.erase(words.begin() + 1, words.begin() + 3);
  if (words.size() < 3) return false;
  const std::string verb = words[0], kind = words[1], name = words[2];
  const bool stored = kind == "SEQUENCE" || kind == "PROCEDURE" || kind == "FUNCTION" || kind == "PACKAGE";
  if (!stored || (verb != "CREATE" && verb != "DROP")) return false;
  std::string sql;
  if (verb == "DROP") {
    sql = "DELETE FROM standin_objects WHERE name = '" + name + "'";
  } else {
    long long start = 1, increment = 1;
    for (size_t w = 3; w + 1 < words.size(); ++w) {
      if (words[w] == "WITH" && words[w - 1] == "START") start = std::atoll(words[w + 1].c_str());
      if (words[w] == "BY" && words[w - 1] == "INCREMENT") increment = std::atoll(words[w + 1].c_str());
    }
    sql = "INSERT OR REPLACE INTO standin_objects (name, type, value, increment) VALUES ('" + name + "', '" + kind +
          "', " + std::to_string(start - increment) + ", " + std::to_string(increment) + ")";
  }
  code = Exec(tier.db, sql, text);
  return true;
}

}  // namespace

sb4 TierSessionBegin(State& state, Handle* server, Handle* session, const std::string& user, std::string& text) {
  auto file = state.tier.files.find(Upper(server->name));
  if (file == state.tier.files.end()) return 0;
  TierSessionEnd(state, session);
  TierSession tier;
  tier.user = Upper(user);
  std::string error;
  if (sqlite3_open_v2(file->second.c_str(), &tier.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
    error = sqlite3_errmsg(tier.db);
  else
    error = PrepareTierConnection(tier.db, tier.user);
  if (!error.empty()) {
    sqlite3_close_v2(tier.db);
    text = "ORA-01034: ORACLE not available (" + file->second + ": " + error + ")";
    return 1034;
  }
  sqlite3_busy_timeout(tier.db, kBusyMs);
  state.tier.sessions[session] = tier;
  return 0;
}

void TierSessionEnd(State& state, Handle* session) {
  auto found = state.tier.sessions.find(session);
  if (found == state.tier.sessions.end()) return;
  // An ended session's open work is lost, as on a server.
  sqlite3_close_v2(found->second.db);
  state.tier.sessions.erase(found);
}

TierSession* TierOf(State& state, const Handle* session) {
  auto found = state.tier.sessions.find(session);
  return found == state.tier.sessions.end() ? nullptr : &found->second;
}

bool TierRuns(const std::string& sql) {
  const std::string upper = Upper(Trimmed(sql));
  const std::string word = LeadingWord(upper);
  if (word == "BEGIN") return !PlainBlockStatements(sql).empty();
  if (word == "DECLARE" || word == "CALL") return false;
  return !(word == "ALTER" && LeadingWord(upper, 5) == "SESSION");
}

sb4 TierExecute(State& state, Handle* session, Handle* statement, ub4 iterations, bool describe_only,
                std::string& text) {
  TierSession& tier = *TierOf(state, session);
  const std::string upper = Upper(Trimmed(statement->sql));
  const std::string word = LeadingWord(upper);
  if (word == "SELECT" || word == "WITH")
    return RunQuery(state, tier, statement, RewriteForTier(statement->sql), 0, describe_only, text);
  if (describe_only) return 0;
  if (word == "COMMIT" || (word == "ROLLBACK" && LeadingWord(upper, 8) != "TO")) {
    TierEndWork(state, session, word == "COMMIT");
    return 0;
  }
  if (word == "SAVEPOINT" || word == "ROLLBACK") {
    const std::vector<std::string> words = Words(upper, 4);
    const std::string name = words.empty() ? "" : words.back();
    // A rollback to the savepoint that began the transaction undoes all of
    // it and gives the file's lock back (a server releases the locks taken
    // after the savepoint); the savepoint stays established, as the server
    // keeps the one it rolled back to.
    if (word == "ROLLBACK" && !tier.opening_savepoint.empty() && name == tier.opening_savepoint) {
      TierEndWork(state, session, false);
      if (sb4 code = BeginRead(tier, text)) return code;
      tier.opening_savepoint = name;
      return Exec(tier.db, "SAVEPOINT " + name, text);
    }
    const bool opens = sqlite3_get_autocommit(tier.db) != 0;
    if (sb4 code = BeginRead(tier, text)) return code;
    if (opens && word == "SAVEPOINT") tier.opening_savepoint = name;
    return Exec(tier.db, statement->sql, text);
  }
  if (word == "BEGIN") return RunBlock(state, tier, session, statement, text);
  if (word == "INSERT" || word == "UPDATE" || word == "DELETE") {
    const bool opens = sqlite3_get_autocommit(tier.db) != 0;
    const sb4 code =
        RunDml(state, tier, session, statement, RewriteForTier(statement->sql), std::max<ub4>(iterations, 1), text);
    // Refused before it changed a row, the statement opened no transaction
    // (nor holds the file's write lock).
    if (code != 0 && opens && statement->statement.rows_processed == 0) TierEndWork(state, session, false);
    return code;
  }
  // Data definition commits what was open before it, as on a server.
  TierEndWork(state, session, true);
  if (sb4 code = 0; RunSideObject(tier, upper, code, text)) return code;
  return Exec(tier.db, RewriteForTier(statement->sql).sql, text);
}

void TierEndWork(State& state, const Handle* session, bool commit) {
  TierSession* tier = TierOf(state, session);
  if (!tier) return;
  tier->opening_savepoint.clear();
  if (sqlite3_get_autocommit(tier->db)) return;
  std::string text;
  if (Exec(tier->db, commit ? "COMMIT" : "ROLLBACK", text) != 0) Log(state, "tier " + text);
}

void TierLoadCell(State& state, LobValue& value) {
  TierSession* tier = TierOf(state, static_cast<const Handle*>(value.cell.session));
  if (!tier) return;
  Prepared read;
  const std::string sql = "SELECT " + value.cell.column + " FROM " + value.cell.table + " WHERE rowid = ?1";
  if (sqlite3_prepare_v2(tier->db, sql.c_str(), -1, &read.step, nullptr) != SQLITE_OK) return;
  sqlite3_bind_int64(read.step, 1, value.cell.row);
  if (sqlite3_step(read.step) != SQLITE_ROW) return;
  value.units = UnitsOf(sqlite3_column_blob(read.step, 0), sqlite3_column_bytes(read.step, 0));
}

void TierStoreCell(State& state, const LobValue& value) {
  TierSession* tier = TierOf(state, static_cast<const Handle*>(value.cell.session));
  if (!tier) return;
  Prepared write;
  const std::string sql = "UPDATE " + value.cell.table + " SET " + value.cell.column + " = ?1 WHERE rowid = ?2";
  if (sqlite3_prepare_v2(tier->db, sql.c_str(), -1, &write.step, nullptr) != SQLITE_OK) return;
  const std::string bytes = BytesOf(value.units);
  if (value.kind == 1) sqlite3_bind_blob(write.step, 1, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  else sqlite3_bind_text(write.step, 1, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(write.step, 2, value.cell.row);
  if (sqlite3_step(write.step) != SQLITE_DONE) Log(state, std::string("tier ") + sqlite3_errmsg(tier->db));
}

std::string RunTierScript(const std::string& file, const std::string& script) {
  TierSession tier;
  if (sqlite3_open_v2(file.c_str(), &tier.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close(tier.db);
    return "cannot open " + file;
  }
  sqlite3_busy_timeout(tier.db, kBusyMs);
  std::string text = PrepareTierConnection(tier.db, "");
  for (const std::string& sql : SplitStatements(script)) {
    if (!text.empty()) break;
    sb4 code = 0;
    if (!RunSideObject(tier, Upper(sql), code, text)) code = Exec(tier.db, RewriteForTier(sql).sql, text);
  }
  sqlite3_close_v2(tier.db);
  return text;
}

void ResetTier(TierWorld& world) {
  for (auto& [session, tier] : world.sessions) sqlite3_close_v2(tier.db);
  world = TierWorld{};
}

}  // namespace standin

// ---- Control -----------------------------------------------------------------------

using standin::State;
using standin::TheState;

extern "C" {

void standin_sqlite_attach(const char* server, const char* path) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  const std::string name = standin::Upper(server ? server : "");
  if (!path || !*path) state.tier.files.erase(name);
  else state.tier.files[name] = path;
}

int standin_sqlite_exec(const char* server, const char* sql, char* error, int size) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  std::string text;
  auto file = state.tier.files.find(standin::Upper(server ? server : ""));
  if (file == state.tier.files.end()) text = "no SQLite file for this server";
  else text = standin::RunTierScript(file->second, sql ? sql : "");
  if (error && size > 0) standin::CopyOut(text, error, size);
  return text.empty() ? 0 : -1;
}

}
