// The select lists and rows a test scripts for the stand-in: columns
// declared as the server writes their types, rows given as texts or
// generated, and a column's description as the parameter get hands it out.
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "testing/oci_standin/oci_standin_fetch.h"
#include "testing/oci_standin/oci_standin_fetch_control.h"
#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

// An MLSLABEL column's type code; its values are handed over as their bytes.
constexpr ub2 kLabelType = 106;

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
  } else if (starts("TYPE ")) {  // "TYPE code(size)": a type by its number
    column.type = static_cast<ub2>(std::atoi(type.c_str() + 5)), column.size = static_cast<ub2>(arg(0, 1));
  } else {
    column.type = 9999;  // a type the layer does not know
  }
  return column;
}

std::string standin::FromHex(const std::string& text) {
  std::string bytes;
  auto digit = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    bytes += static_cast<char>(digit(text[i]) * 16 + digit(text[i + 1]));
  return bytes;
}

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

}  // namespace standin

extern "C" {

void standin_script_query(const char* sql, const char* columns) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
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

void standin_fail_row(const char* sql, int row, int code, const char* text) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
  QueryScript& script = ScriptOf(state, sql);
  script.failing_row = row > 0 ? static_cast<ub4>(row) : 0;
  script.failing_code = code;
  script.failing_text = text ? text : "";
}

void standin_add_rows(const char* sql, const char* rows) {
  State& state = TheState();
  std::lock_guard<std::mutex> guard(state.lock);
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
  std::lock_guard<std::mutex> guard(state.lock);
  QueryScript& script = ScriptOf(state, sql);
  const int base = static_cast<int>(script.rows.size());
  for (int i = 0; i < count; ++i) {
    std::vector<QueryValue> row;
    for (const QueryColumn& column : script.columns) row.emplace_back(Generated(column, base + i));
    script.rows.push_back(std::move(row));
  }
  script.prebuilt.clear();
}

}
