// The keyword table: the words, their sorted list and the two-letter index
// that narrows a lookup to the words sharing a name's first two letters.
#include "fib/sql/reserved_words.h"

#include <algorithm>
#include <array>
#include <memory>

#include "classlib/ansistr.h"

namespace fib {

namespace {

// "ROWS" stands twice, "COMMITED" and "RESERV" are spelled as the server's
// own keyword list spells them.
// clang-format off
const char* const kFunctionNames[] = {
    "AVG", "CAST", "COUNT", "GEN_ID", "MAX", "MIN", "SUM", "UPPER", "IIF", "SUBSTRING",
};

const char* const kReservedWords[] = {
    "ACTIVE", "ADD", "AFTER", "ALL", "ALTER", "AND", "ANY", "AS", "ASC", "ASCENDING", "AT",
    "AUTO", "AUTODDL", "BASED", "BASENAME", "BASE_NAME", "BEFORE", "BEGIN", "BETWEEN", "BLOBEDIT",
    "BUFFER", "BY", "CASE", "CACHE", "CHARACTER_LENGTH", "CHAR_LENGTH", "CHECK",
    "CHECK_POINT_LEN", "CHECK_POINT_LENGTH", "COLLATE", "COLLATION", "COLUMN", "COMMIT",
    "COMMITED", "COMPILETIME", "COMPUTED", "CROSS", "CLOSE", "CONDITIONAL", "CONNECT",
    "CONSTRAINT", "CONTAINING", "CONTINUE", "CREATE", "CURRENT", "CURRENT_DATE", "CURRENT_TIME",
    "CURRENT_TIMESTAMP", "CURSOR", "DATABASE", "DAY", "DB_KEY", "DEBUG", "DEC", "DECLARE",
    "DEFAULT", "DELETE", "DESC", "DESCENDING", "DESCRIBE", "DESCRIPTOR", "DISCONNECT", "DISTINCT",
    "DO", "DOMAIN", "DROP", "ECHO", "EDIT", "ELSE", "END", "ENTRY_POINT", "ESCAPE", "EVENT",
    "EXCEPTION", "EXECUTE", "EXISTS", "EXIT", "EXTERN", "EXTERNAL", "EXTRACT", "FALSE", "FETCH",
    "FILE", "FILTER", "FOR", "FOREIGN", "FOUND", "FROM", "FULL", "FUNCTION", "GDSCODE",
    "GENERATOR", "GLOBAL", "GOTO", "GRANT", "GROUP", "GROUP_COMMIT_WAIT",
    "GROUP_COMMIT_WAIT_TIME", "HAVING", "HELP", "HOUR", "IF", "IMMEDIATE", "IN", "INACTIVE",
    "INDEX", "INDICATOR", "INIT", "INNER", "INPUT", "INPUT_TYPE", "INSERT", "INT", "INTO", "IS",
    "ISOLATION", "ISQL", "JOIN", "KEY", "LC_MESSAGES", "LC_TYPE", "LEFT", "LENGTH", "LEV",
    "LEVEL", "LIKE", "LOGFILE", "LOG_BUFFER_SIZE", "LOG_BUF_SIZE", "LONG", "MANUAL", "MAXIMUM",
    "MAXIMUM_SEGMENT", "MAX_SEGMENT", "MERGE", "MESSAGE", "MINIMUM", "MINUTE", "MODULE_NAME",
    "MONTH", "NAMES", "NATIONAL", "NATURAL", "NCHAR", "NO", "NOAUTO", "NOT", "NULL",
    "NUM_LOG_BUFFS", "NUM_LOG_BUFFERS", "OCTET_LENGTH", "OF", "ON", "ONLY", "OPEN", "OPTION",
    "OR", "ORDER", "OUTER", "OUTPUT", "OUTPUT_TYPE", "OVERFLOW", "PAGE", "PAGELENGTH", "PAGES",
    "PAGE_SIZE", "PARAMETER", "PASSWORD", "PLAN", "POSITION", "POST_EVENT", "PRECISION",
    "PREPARE", "PROCEDURE", "PROTECTED", "PRIMARY", "PRIVILEGES", "PUBLIC", "QUIT",
    "RAW_PARTITIONS", "READ", "REAL", "RECORD_VERSION", "REFERENCES", "RELEASE", "RESERV",
    "RESERVING", "RETAIN", "RETURN", "RETURNING_VALUES", "RETURNS", "REVOKE", "RIGHT", "ROLLBACK",
    "ROWS", "RUNTIME", "SAVEPOINT", "SCHEMA", "SECOND", "SEGMENT", "SELECT", "SEQUENCE", "SET",
    "SHADOW", "SHARED", "SHELL", "SHOW", "SINGULAR", "SIZE", "SNAPSHOT", "SOME", "SORT", "SQL",
    "SQLCODE", "SQLERROR", "SQLWARNING", "STABILITY", "STARTING", "STARTS", "STATEMENT", "STATIC",
    "STATISTICS", "SUB_TYPE", "SUSPEND", "TABLE", "TERMINATOR", "THEN", "TO", "TRANSACTION",
    "TRANSLATE", "TRANSLATION", "TRIGGER", "TRIM", "TRUE", "TYPE", "UNCOMMITTED", "UNION",
    "UNIQUE", "UNKNOWN", "UPDATE", "USER", "USING", "VALUE", "VALUES", "VARIABLE", "VARYING",
    "VERSION", "VIEW", "WAIT", "WEEKDAY", "WHEN", "WHENEVER", "WHERE", "WHILE", "WITH", "WORK",
    "WRITE", "YEAR", "YEARDAY", "FIRST", "SKIP", "RECREATE", "CURRENT_USER", "CURRENT_ROLE",
    "PLANONLY", "LIMIT", "SECONDS", "ROWS", "PERCENT", "TIES", "NEW", "OLD", "CURRENT_CONNECTION",
    "CURRENT_TRANSACTION", "INSERTING", "UPDATING", "DELETING", "ROW_COUNT", "FREE_IT",
};

const char* const kTypeNames[] = {
    "BLOB", "CHAR", "CHARACTER", "DATE", "DECIMAL", "DOUBLE", "FLOAT", "INTEGER", "NUMERIC",
    "SMALLINT", "TIME", "TIMESTAMP", "VARCHAR", "INT64", "BIGINT", "BOOLEAN", "CSTRING",
};
// clang-format on

struct KeywordTable {
  classlib::TStringList words;
  std::array<std::array<ReservedWordsRange, 26>, 26> cells{};
};

int LetterIndex(char c) {
  if (c >= 'a' && c <= 'z') return c - 'a';
  if (c >= 'A' && c <= 'Z') return c - 'A';
  return -1;
}

int CompareWords(classlib::TStringList& list, int index1, int index2) {
  return classlib::CompareText(list.Strings(index1), list.Strings(index2));
}

std::unique_ptr<KeywordTable> BuildTable() {
  auto table = std::make_unique<KeywordTable>();
  for (const char* w : kFunctionNames) table->words.Add(w);
  for (const char* w : kReservedWords) table->words.Add(w);
  for (const char* w : kTypeNames) table->words.Add(w);
  table->words.CustomSort(CompareWords);
  // Each cell covers exactly the words of its pair; cells of pairs that
  // begin no word stay empty, so a lookup there examines nothing.
  for (int i = 0; i < table->words.Count(); ++i) {
    const std::string word = table->words.Strings(i);
    const int a = LetterIndex(word[0]);
    const int b = LetterIndex(word[1]);
    if (a < 0 || b < 0) continue;
    ReservedWordsRange& cell = table->cells[a][b];
    if (cell.first > cell.last) cell.first = i;
    cell.last = i;
  }
  return table;
}

const KeywordTable& Table() {
  static const std::unique_ptr<KeywordTable> table = BuildTable();
  return *table;
}

bool IsUpperOrDigit(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsTailOnly(char c) { return c == '#' || c == '$' || c == '%' || c == '_'; }

bool NeedQuote(std::string_view name, bool accept_lower) {
  if (name.empty() || name[0] == '"') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const bool allowed =
        IsUpperOrDigit(c) || (accept_lower && IsLower(c)) || (i > 0 && IsTailOnly(c));
    if (!allowed) return true;
  }
  if (IsDigit(name[0])) return true;
  if (name.size() == 1 || IsDigit(name[1])) return false;
  return IsReservedWord(name);
}

}  // namespace

const classlib::TStringList& ReservedWords() { return Table().words; }

ReservedWordsRange ReservedWordsCell(char first, char second) {
  const int a = LetterIndex(first);
  const int b = LetterIndex(second);
  if (a < 0 || b < 0) return {};
  return Table().cells[a][b];
}

bool FindReservedWord(const classlib::TStringList& list, const std::string& s, int first,
                      int& index, bool use_locale, int last) {
  first = std::max(first, 0);
  last = std::min(last, list.Count() - 1);
  int low = first;
  int high = last;
  bool found = false;
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const std::string word = list.Strings(mid);
    const int order = classlib::CompareText(word, s);
    if (order < 0) {
      low = mid + 1;
      continue;
    }
    high = mid - 1;
    if (order == 0) {
      found = !use_locale || (list.CaseSensitive() ? classlib::AnsiSameStr(word, s)
                                                   : classlib::AnsiSameText(word, s));
      if (list.Duplicates() != classlib::dupAccept) {
        low = mid;
        break;
      }
    }
  }
  index = low;
  return found;
}

bool IsReservedWord(std::string_view word) {
  if (word.size() < 2) return false;
  const ReservedWordsRange cell = ReservedWordsCell(word[0], word[1]);
  if (cell.first > cell.last) return false;
  int index = 0;
  return FindReservedWord(ReservedWords(), std::string(word), cell.first, index, false, cell.last);
}

bool NeedQuoteIdentifier(std::string_view name) { return NeedQuote(name, false); }
bool NeedQuoteIdentifierCI(std::string_view name) { return NeedQuote(name, true); }

}  // namespace fib
