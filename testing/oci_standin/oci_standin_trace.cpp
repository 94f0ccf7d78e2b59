// The server's tracing statements as the stand-in answers them: the trace
// settings of ALTER SESSION (their values checked as the server parses
// them), the 10046 event and the PL/SQL trace calls. Each accepted one is
// logged, so tests see what the session was asked to trace.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "testing/oci_standin/oci_standin_state.h"

namespace standin {

namespace {

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

// A literal 'text' with doubled apostrophes and nothing after it.
bool ParseLiteral(const std::string& literal, std::string& value) {
  if (literal.empty() || literal[0] != '\'') return false;
  value.clear();
  for (size_t i = 1; i < literal.size(); ++i) {
    if (literal[i] != '\'') {
      value += literal[i];
    } else if (i + 1 < literal.size() && literal[i + 1] == '\'') {
      value += '\'';
      ++i;
    } else {
      return Trimmed(literal.substr(i + 1)).empty();
    }
  }
  return false;
}

sb4 Invalid(std::string& text) {
  text = "ORA-00922: missing or invalid option";
  return 922;
}

sb4 Setting(State& state, const std::string& name, const std::string& value, std::string& text) {
  std::string upper = Upper(value);
  if (name == "TRACEFILE_IDENTIFIER") {
    std::string identifier;
    if (!ParseLiteral(value, identifier)) return Invalid(text);
    upper = identifier;
  } else if (name == "MAX_DUMP_FILE_SIZE") {
    if (upper != "UNLIMITED" && upper.find_first_not_of("0123456789") != std::string::npos)
      return Invalid(text);
  } else if (name == "STATISTICS_LEVEL") {
    if (upper != "BASIC" && upper != "TYPICAL" && upper != "ALL") return Invalid(text);
  } else if (upper != "TRUE" && upper != "FALSE") {  // TIMED_STATISTICS
    return Invalid(text);
  }
  state.log.push_back("trace " + name + "=" + upper);
  return 0;
}

sb4 Events(State& state, const std::string& literal, std::string& text) {
  std::string event;
  if (!ParseLiteral(literal, event)) return Invalid(text);
  state.log.push_back("trace EVENTS=" + event);
  return 0;
}

}  // namespace

bool RunTraceStatement(State& state, const std::string& sql, std::vector<Bind>& binds, sb4& code,
                       std::string& text) {
  const std::string upper = Upper(Trimmed(sql));
  code = 0;
  if (StartsWith(upper, "ALTER SESSION SET EVENTS ")) {
    code = Events(state, Trimmed(Trimmed(sql).substr(std::strlen("ALTER SESSION SET EVENTS "))), text);
    return true;
  }
  static const char* const kSettings[] = {"TRACEFILE_IDENTIFIER", "MAX_DUMP_FILE_SIZE",
                                          "STATISTICS_LEVEL", "TIMED_STATISTICS"};
  for (const char* name : kSettings) {
    std::string head = std::string("ALTER SESSION SET ") + name;
    if (!StartsWith(upper, head)) continue;
    std::string rest = Trimmed(Trimmed(sql).substr(head.size()));
    if (rest.empty() || rest[0] != '=') return code = Invalid(text), true;
    code = Setting(state, name, Trimmed(rest.substr(1)), text);
    return true;
  }
  if (upper.find("DBMS_TRACE.SET_PLSQL_TRACE") != std::string::npos) {
    int32_t level = 0;
    for (const Bind& bind : binds)
      if (bind.name == "LEVEL" && bind.value && bind.size >= 4) std::memcpy(&level, bind.value, 4);
    state.log.push_back("trace PLSQL level=" + std::to_string(level));
    return true;
  }
  if (upper.find("DBMS_TRACE.CLEAR_PLSQL_TRACE") != std::string::npos) {
    state.log.push_back("trace PLSQL off");
    return true;
  }
  return false;
}

}  // namespace standin
