// The stand-in's session engine: the statements a connection sends for
// itself, answered the way a server would, and the pending work that commit
// and rollback end.
#include <chrono>
#include <condition_variable>
#include <cstring>

#include "testing/oci_standin/oci_standin_state.h"

namespace standin {

namespace {

// The server's defaults for a new session.
const std::map<std::string, std::string>& DefaultNls() {
  static const std::map<std::string, std::string> defaults = {
      {"NLS_DATE_LANGUAGE", "AMERICAN"},
      {"NLS_DATE_FORMAT", "DD-MON-RR"},
      {"NLS_NUMERIC_CHARACTERS", ".,"},
      {"NLS_TIMESTAMP_FORMAT", "DD-MON-RR HH.MI.SSXFF AM"},
      {"NLS_TIMESTAMP_TZ_FORMAT", "DD-MON-RR HH.MI.SSXFF AM TZR"}};
  return defaults;
}

std::map<std::string, std::string>& NlsOf(Handle* session) {
  if (session->extra.nls.empty()) session->extra.nls = DefaultNls();
  return session->extra.nls;
}

// The character sets the stand-in's server knows.
int CharsetIdOf(const std::string& name) {
  static const std::map<std::string, int> ids = {
      {"US7ASCII", 1}, {"CL8MSWIN1251", 171}, {"UTF8", 871}, {"AL32UTF8", 873}, {"AL16UTF16", 2000}};
  auto found = ids.find(Upper(name));
  return found == ids.end() ? -1 : found->second;
}

std::condition_variable_any& BreakSignal() {
  static std::condition_variable_any signal;
  return signal;
}

Bind* FindBind(std::vector<Bind>& binds, const std::string& name) {
  for (Bind& bind : binds)
    if (bind.name == name) return &bind;
  return nullptr;
}

bool ReadString(const Bind& bind, std::string& text) {
  if (bind.indicator && *bind.indicator == -1) return false;
  const char* bytes = static_cast<const char*>(bind.value);
  text.assign(bytes, strnlen(bytes, static_cast<size_t>(bind.size)));
  return true;
}

void WriteString(Bind* bind, const std::string& text) {
  if (!bind || bind->size <= 0) return;
  size_t count = std::min(text.size(), static_cast<size_t>(bind->size - 1));
  std::memcpy(bind->value, text.data(), count);
  static_cast<char*>(bind->value)[count] = '\0';
  if (bind->indicator) *bind->indicator = 0;
}

void WriteInteger(Bind* bind, int value, bool is_null = false) {
  if (!bind) return;
  if (bind->indicator) *bind->indicator = is_null ? -1 : 0;
  if (!is_null && bind->size >= 4) std::memcpy(bind->value, &value, 4);
}

// The release of the banner: the word after "Release ", else the banner.
std::string ReleaseText(const std::string& banner) {
  size_t at = banner.find("Release ");
  if (at == std::string::npos) return banner;
  at += 8;
  return banner.substr(at, banner.find(' ', at) - at);
}

// The settings that take a name rather than a literal; a name in double
// quotes keeps its case.
bool IsNameSetting(const std::string& name) { return name == "CURRENT_SCHEMA" || name == "OPTIMIZER_MODE"; }

sb4 AlterNameSetting(Handle* session, const std::string& name, const std::string& word, std::string& text) {
  std::string value = word;
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  else
    value = Upper(value);
  if (value.empty() || value.find_first_of(" '\t") != std::string::npos) {
    text = "ORA-00922: missing or invalid option";
    return 922;
  }
  NlsOf(session)[name] = value;
  return 0;
}

// ALTER SESSION SET name = 'literal', the literal's quotes doubled inside.
sb4 AlterSession(Handle* session, const std::string& sql, std::string& text) {
  std::string rest = Trimmed(sql.substr(std::strlen("ALTER SESSION SET ")));
  size_t equals = rest.find('=');
  if (equals == std::string::npos) {
    text = "ORA-00922: missing or invalid option";
    return 922;
  }
  std::string name = Upper(Trimmed(rest.substr(0, equals)));
  std::string literal = Trimmed(rest.substr(equals + 1));
  if (IsNameSetting(name)) return AlterNameSetting(session, name, literal, text);
  if (literal.empty() || literal[0] != '\'') {
    text = "ORA-00922: missing or invalid option";
    return 922;
  }
  std::string value;
  size_t i = 1;
  for (;; ++i) {
    if (i >= literal.size()) {
      text = "ORA-01756: quoted string not properly terminated";
      return 1756;
    }
    if (literal[i] != '\'') {
      value += literal[i];
    } else if (i + 1 < literal.size() && literal[i + 1] == '\'') {
      value += '\'';
      ++i;
    } else {
      break;
    }
  }
  if (!Trimmed(literal.substr(i + 1)).empty()) {
    text = "ORA-00922: missing or invalid option";
    return 922;
  }
  if (!DefaultNls().count(name)) {
    text = "ORA-02248: invalid option for ALTER SESSION";
    return 2248;
  }
  NlsOf(session)[name] = value;
  return 0;
}

sb4 SessionParameters(State& state, Handle* session, std::vector<Bind>& binds, std::string& text) {
  const auto& nls = NlsOf(session);
  WriteInteger(FindBind(binds, "CHARLENGTH"), state.world.char_length);
  WriteString(FindBind(binds, "NLSDATELANGUAGE"), nls.at("NLS_DATE_LANGUAGE"));
  WriteString(FindBind(binds, "NLSDATEFORMAT"), nls.at("NLS_DATE_FORMAT"));
  WriteString(FindBind(binds, "NLSNUMERICCHARACTERS"), nls.at("NLS_NUMERIC_CHARACTERS"));
  WriteString(FindBind(binds, "NLSTIMESTAMPFORMAT"), nls.at("NLS_TIMESTAMP_FORMAT"));
  WriteString(FindBind(binds, "NLSTIMESTAMPTZFORMAT"), nls.at("NLS_TIMESTAMP_TZ_FORMAT"));
  if (Bind* id = FindBind(binds, "CHARSETID")) {
    Bind* name = FindBind(binds, "CHARSET");
    std::string charset;
    if (!name || !ReadString(*name, charset)) {
      text = "ORA-01008: not all variables bound";
      return 1008;
    }
    int value = CharsetIdOf(charset);
    WriteInteger(id, value, value < 0);
  }
  return 0;
}

// Waits until the call is broken or the time has passed.
sb4 Sleep(State& state, Handle* session, const std::string& sql, std::string& text) {
  size_t open = sql.find('(');
  int seconds = open == std::string::npos ? 0 : std::atoi(sql.c_str() + open + 1);
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  session->extra.break_requested = false;
  ++session->extra.running_calls;
  bool broken = BreakSignal().wait_until(state.lock, until, [session] { return session->extra.break_requested; });
  --session->extra.running_calls;
  session->extra.break_requested = false;
  if (!broken) return 0;
  text = "ORA-01013: user requested cancel of current operation";
  return 1013;
}

sb4 SetIdentifier(State& state, Handle* session, std::vector<Bind>& binds, std::string& text) {
  if (state.world.deny_set_identifier) {
    text = "ORA-06550: line 1, column 7:\nPLS-00201: identifier 'DBMS_SESSION' must be declared";
    return 6550;
  }
  Bind* bind = FindBind(binds, "A");
  std::string value;
  if (bind) ReadString(*bind, value);
  session->values[OCI_ATTR_CLIENT_IDENTIFIER] = value;
  return 0;
}

// SYS_CONTEXT('USERENV', 'CURRENT_SCHEMA'): the schema set, else the user.
sb4 CurrentSchema(Handle* session, std::vector<Bind>& binds) {
  const auto& nls = NlsOf(session);
  auto set = nls.find("CURRENT_SCHEMA");
  auto user = session->values.find(OCI_ATTR_USERNAME);
  std::string schema = set != nls.end() ? set->second : Upper(user == session->values.end() ? "" : user->second);
  WriteString(FindBind(binds, "RESULT"), schema);
  return 0;
}

// DBMS_TRANSACTION.LOCAL_TRANSACTION_ID: the open transaction's identifier,
// or null; with (TRUE) a transaction is opened when none is.
sb4 TransactionId(State& state, Handle* session, const std::string& upper, std::vector<Bind>& binds) {
  if (session->extra.transaction_id.empty() && upper.find("LOCAL_TRANSACTION_ID(TRUE)") != std::string::npos)
    session->extra.transaction_id = std::to_string(++state.world.transactions_made) + ".17.4242";
  Bind* result = FindBind(binds, "RESULT");
  if (session->extra.transaction_id.empty()) {
    if (result && result->indicator) *result->indicator = -1;
  } else {
    WriteString(result, session->extra.transaction_id);
  }
  return 0;
}

}  // namespace

sb4 RunStatement(State& state, Handle* session, const std::string& sql, std::vector<Bind>& binds,
                 std::string& text) {
  state.world.executed.push_back(sql);
  const std::string upper = Upper(Trimmed(sql));
  if (sb4 code = 0; RunTraceStatement(state, sql, binds, code, text)) return code;
  if (upper.rfind("ALTER SESSION SET ", 0) == 0) return AlterSession(session, Trimmed(sql), text);
  if (upper.find("NLS_SESSION_PARAMETERS") != std::string::npos)
    return SessionParameters(state, session, binds, text);
  if (upper.find("PRODUCT_COMPONENT_VERSION") != std::string::npos) {
    WriteString(FindBind(binds, "RESULT"), ReleaseText(state.banner));
    return 0;
  }
  if (upper.find("DBMS_LOCK.SLEEP") != std::string::npos) return Sleep(state, session, upper, text);
  if (upper.find("DBMS_SESSION.SET_IDENTIFIER") != std::string::npos)
    return SetIdentifier(state, session, binds, text);
  if (upper.find("SYS_CONTEXT ('USERENV', 'CURRENT_SCHEMA')") != std::string::npos)
    return CurrentSchema(session, binds);
  if (upper.find("DBMS_TRANSACTION.LOCAL_TRANSACTION_ID") != std::string::npos)
    return TransactionId(state, session, upper, binds);
  std::string word = upper.substr(0, upper.find_first_of(" \t\r\n("));
  // Data definition commits the work open before it, as on a server.
  if (word == "CREATE" || word == "DROP" || word == "ALTER" || word == "TRUNCATE" || word == "GRANT" ||
      word == "REVOKE" || word == "RENAME" || word == "COMMENT")
    EndSessionWork(state, session, true);
  if (word == "INSERT" || word == "UPDATE" || word == "DELETE") {
    ++session->extra.pending_work;
    if (session->extra.transaction_id.empty())
      session->extra.transaction_id = std::to_string(++state.world.transactions_made) + ".17.4242";
  }
  return 0;
}

Handle* SessionOf(State& state, const void* context) {
  auto lda = state.world.lda_sessions.find(context);
  if (lda != state.world.lda_sessions.end()) return lda->second;
  Handle* live = Live(state, context, OCI_HTYPE_SVCCTX);
  if (!live) return nullptr;
  return Live(state, live->pointers[OCI_ATTR_SESSION], OCI_HTYPE_SESSION);
}

void EndWork(State& state, const void* context, bool commit) {
  if (Handle* session = SessionOf(state, context)) EndSessionWork(state, session, commit);
}

void EndSessionWork(State& state, Handle* session, bool commit) {
  TierEndWork(state, session, commit);
  if (commit) state.world.committed_work += session->extra.pending_work;
  session->extra.pending_work = 0;
  session->extra.transaction_id.clear();
}

void NotifyBreak() { BreakSignal().notify_all(); }

void ResetWorld(SessionWorld& world) { world = SessionWorld{}; }

void AddBind(std::vector<Bind>& binds, Bind bind) {
  for (Bind& existing : binds)
    if (existing.name == bind.name) {
      existing = bind;
      return;
    }
  binds.push_back(bind);
}

}  // namespace standin
