#include "fib/zod/zod_dataset_sql.h"

#include "fib/sql/sql_clauses.h"
#include "fib/sql/sql_text.h"

namespace fib {

namespace {

// Where the literal, quoted name or comment that starts at `i` ends; `i`
// itself when none starts there.
std::size_t SkipInert(const std::string& sql, std::size_t i) {
  char c = sql[i];
  if (c == '\'' || c == '"') {
    std::size_t j = i + 1;
    while (j < sql.size()) {
      if (sql[j] == c) {
        if (j + 1 < sql.size() && sql[j + 1] == c) {
          j += 2;
          continue;
        }
        return j + 1;
      }
      ++j;
    }
    return sql.size();
  }
  if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
    std::size_t end = sql.find_first_of("\r\n", i);
    return end == std::string::npos ? sql.size() : end;
  }
  if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
    std::size_t end = sql.find("*/", i + 2);
    return end == std::string::npos ? sql.size() : end + 2;
  }
  return i;
}

}  // namespace

std::string CountStatementText(const std::string& select, bool derived_tables) {
  if (!derived_tables) return MakeCountSQL(select);
  return AppendToSQL("Select Count(*) from (" + select, ")");
}

std::string NumberQuestionMarks(const std::string& sql) {
  std::string result;
  int number = 0;
  std::size_t i = 0;
  while (i < sql.size()) {
    std::size_t end = SkipInert(sql, i);
    if (end != i) {
      result.append(sql, i, end - i);
      i = end;
    } else if (sql[i] == '?') {
      result += ":Param" + std::to_string(++number);
      ++i;
    } else {
      result += sql[i++];
    }
  }
  return result;
}

std::string LockStatementText(const std::string& table, const std::string& column,
                              const std::string& param, const std::string& where) {
  return "UPDATE " + table + " SET " + column + "= ?" + param + " WHERE " + where;
}

std::string KeyWhereText(const std::vector<std::string>& formatted_keys) {
  std::string where;
  for (const std::string& key : formatted_keys) {
    if (!where.empty()) where += " and ";
    where += key + "=?" + key;
  }
  return where;
}

}  // namespace fib
