// What the SQLite tier changes in a statement: only the constructs the
// Oracle layer writes itself. Everything else reaches SQLite as it stands.
#include <sqlite3.h>

#include <cctype>
#include <cstdlib>

#include "testing/oci_standin/oci_standin_sqlite.h"
#include "testing/oci_standin/oci_standin_state.h"

namespace standin {

namespace {

bool IsWordChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// The end of a literal, quoted name or comment that starts at i; i when
// none starts there.
size_t SkipQuoted(const std::string& sql, size_t i) {
  const size_t n = sql.size();
  if (sql[i] == '\'') {
    size_t at = i + 1;
    while (at < n) {
      if (sql[at] == '\'' && at + 1 < n && sql[at + 1] == '\'') at += 2;
      else if (sql[at] == '\'') return at + 1;
      else ++at;
    }
    return n;
  }
  if (sql[i] == '"') {
    const size_t end = sql.find('"', i + 1);
    return end == std::string::npos ? n : end + 1;
  }
  if (sql.compare(i, 2, "--") == 0) {
    const size_t end = sql.find('\n', i);
    return end == std::string::npos ? n : end + 1;
  }
  if (sql.compare(i, 2, "/*") == 0) {
    const size_t end = sql.find("*/", i + 2);
    return end == std::string::npos ? n : end + 2;
  }
  return i;
}

// A name chain such as s.t."c" from i; its parts unquoted and upper-cased
// unless quoted.
size_t ReadChain(const std::string& sql, size_t i, std::vector<std::string>& parts) {
  const size_t n = sql.size();
  for (;;) {
    if (i < n && sql[i] == '"') {
      const size_t end = SkipQuoted(sql, i);
      parts.push_back(sql.substr(i + 1, end - i - 2));
      i = end;
    } else {
      size_t end = i;
      while (end < n && IsWordChar(sql[end])) ++end;
      parts.push_back(Upper(sql.substr(i, end - i)));
      i = end;
    }
    if (i + 1 < n && sql[i] == '.' && (IsWordChar(sql[i + 1]) || sql[i + 1] == '"')) {
      ++i;
      continue;
    }
    return i;
  }
}

// Whether an opening parenthesis follows position i (past blanks): a
// function's name, not a pseudo-column.
bool CallFollows(const std::string& sql, size_t i) {
  const size_t next = sql.find_first_not_of(" \t\r\n", i);
  return next != std::string::npos && sql[next] == '(';
}

// Top-level comma-separated items, trimmed.
std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (const size_t end = SkipQuoted(text, i); end != i) {
      i = end - 1;
    } else if (text[i] == '(') {
      ++depth;
    } else if (text[i] == ')') {
      --depth;
    } else if (text[i] == ',' && depth == 0) {
      items.push_back(Trimmed(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  if (!Trimmed(text.substr(start)).empty()) items.push_back(Trimmed(text.substr(start)));
  return items;
}

// The RETURNING tail: its columns and, after INTO, the placeholders.
void SplitReturning(const std::string& tail, TierStatement& out) {
  const std::string upper = Upper(tail);
  size_t into = std::string::npos;
  for (size_t at = upper.find("INTO"); at != std::string::npos; at = upper.find("INTO", at + 4)) {
    const bool alone = (at == 0 || !IsWordChar(upper[at - 1])) && (at + 4 >= upper.size() || !IsWordChar(upper[at + 4]));
    if (alone) {
      into = at;
      break;
    }
  }
  out.returning = SplitList(tail.substr(0, into));
  if (into == std::string::npos) return;
  for (std::string target : SplitList(tail.substr(into + 4))) {
    if (!target.empty() && target[0] == ':') target.erase(0, 1);
    out.into.push_back(PlaceholderName(target));
  }
}

}  // namespace

std::string TierRowidText(int64_t row) {
  const auto r = static_cast<uint64_t>(row);
  return ExtendedRowidText(1, 1, static_cast<ub4>(r >> 16), static_cast<ub4>(r & 0xFFFF));
}

TierStatement RewriteForTier(const std::string& sql) {
  TierStatement out;
  std::string& text = out.sql;
  const size_t n = sql.size();
  int depth = 0;
  size_t i = 0;
  while (i < n) {
    const char c = sql[i];
    if (const size_t end = SkipQuoted(sql, i); end != i) {
      text += sql.substr(i, end - i);
      i = end;
    } else if (c == ':' && i + 1 < n && (IsWordChar(sql[i + 1]) || sql[i + 1] == '"')) {
      size_t end = i + 1;
      std::string name;
      if (sql[end] == '"') {
        end = SkipQuoted(sql, end);
        name = sql.substr(i + 1, end - i - 1);
      } else {
        while (end < n && IsWordChar(sql[end])) ++end;
        name = sql.substr(i + 1, end - i - 1);
      }
      text += ":" + PlaceholderName(name);
      i = end;
    } else if (IsWordChar(c) && !std::isdigit(static_cast<unsigned char>(c))) {
      std::vector<std::string> parts;
      const size_t end = ReadChain(sql, i, parts);
      const std::string& last = parts.back();
      const std::string original = sql.substr(i, end - i);
      if (depth == 0 && parts.size() == 1 && last == "RETURNING") {
        SplitReturning(sql.substr(end), out);
        break;
      }
      if (depth == 0 && parts.size() == 1 && last == "FOR") {
        const std::string rest = Upper(sql.substr(end));
        const size_t word = rest.find_first_not_of(" \t\r\n");
        if (word != std::string::npos && rest.compare(word, 6, "UPDATE") == 0) {
          out.lock = true;
          out.nowait = rest.find("NOWAIT") != std::string::npos;
          break;
        }
      }
      if (parts.size() == 1 && last == "SYSDATE") {
        text += "ora_sysdate()";
      } else if (parts.size() == 1 && last == "USER" && original != "\"USER\"" && !CallFollows(sql, end)) {
        text += "ora_user()";  // the pseudo-column: the session's user
      } else if (last == "ROWID") {
        text += "ora_rowid(" + original + ")";
      } else if (parts.size() > 1 && (last == "NEXTVAL" || last == "CURRVAL")) {
        const std::string sequence = original.substr(0, original.rfind('.'));
        text += (last == "NEXTVAL" ? "ora_nextval('" : "ora_currval('") + Upper(sequence) + "')";
      } else {
        text += original;
      }
      i = end;
    } else {
      if (c == '(') ++depth;
      if (c == ')') --depth;
      text += c;
      ++i;
    }
  }
  while (!text.empty() && (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == ';'))
    text.pop_back();
  return out;
}

namespace {

// Whether a statement is PL/SQL stored in the dictionary, whose body has
// semicolons of its own.
bool IsStoredCode(const std::string& text) {
  std::string upper = Upper(text.substr(0, 60));
  for (const char* prefix : {"CREATE OR REPLACE ", "CREATE "})
    if (upper.rfind(prefix, 0) == 0) {
      upper = upper.substr(std::string(prefix).size());
      break;
    }
  for (const char* kind : {"PROCEDURE", "FUNCTION", "PACKAGE", "TRIGGER", "TYPE"})
    if (upper.rfind(kind, 0) == 0) return true;
  return false;
}

}  // namespace

std::vector<std::string> SplitStatements(const std::string& script) {
  std::vector<std::string> statements;
  size_t start = 0;
  for (size_t i = 0; i <= script.size(); ++i) {
    if (i < script.size()) {
      if (const size_t end = SkipQuoted(script, i); end != i) {
        i = end - 1;
        continue;
      }
      if (script[i] != ';') continue;
      // Stored code runs to a line holding only "/", or to the end.
      if (IsStoredCode(Trimmed(script.substr(start, i - start)))) {
        const size_t slash = script.find("\n/", i);
        i = slash == std::string::npos ? script.size() : slash + 1;
        statements.push_back(Trimmed(script.substr(start, i - start)));
        start = i + 1;
        continue;
      }
    }
    const std::string statement = Trimmed(script.substr(start, std::min(i, script.size()) - start));
    if (!statement.empty()) statements.push_back(statement);
    start = i + 1;
  }
  return statements;
}

// SQLite's errors as the server's: what a test or the layer tells apart.
sb4 TierOracleError(int sqlite_code, const std::string& message, std::string& text) {
  auto has = [&message](const char* part) { return message.find(part) != std::string::npos; };
  sb4 code = 0;
  if (message.rfind("ORA-", 0) == 0) {
    text = message;
    return static_cast<sb4>(std::atoi(message.c_str() + 4));
  }
  const int primary = sqlite_code & 0xFF;
  if (has("no such table")) code = 942, text = "ORA-00942: table or view does not exist";
  else if (has("no such column")) code = 904, text = "ORA-00904: \"" + Upper(message.substr(message.find(':') + 2)) + "\": invalid identifier";
  else if (has("UNIQUE constraint") || has("PRIMARY KEY"))
    code = 1, text = "ORA-00001: unique constraint violated (" + message + ")";
  else if (has("NOT NULL constraint")) code = 1400, text = "ORA-01400: cannot insert NULL (" + message + ")";
  else if (has("CHECK constraint")) code = 2290, text = "ORA-02290: check constraint violated (" + message + ")";
  else if (has("FOREIGN KEY")) code = 2291, text = "ORA-02291: integrity constraint violated - parent key not found";
  else if (has("no such savepoint"))
    code = 1086, text = "ORA-01086: savepoint never established in this session or is invalid";
  else if (has("already exists")) code = 955, text = "ORA-00955: name is already used by an existing object";
  else if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
    code = 54, text = "ORA-00054: resource busy and acquire with NOWAIT specified or timeout expired";
  else if (has("syntax error") || has("incomplete input")) code = 900, text = "ORA-00900: invalid SQL statement (" + message + ")";
  else code = 604, text = "ORA-00604: error occurred at recursive SQL level 1 (" + message + ")";
  return code;
}

}  // namespace standin
