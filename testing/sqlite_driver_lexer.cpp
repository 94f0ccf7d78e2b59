// The SQLite dialect of the SQL lexer.
#include "testing/sqlite_driver_lexer.h"

#include "dacore/support_sql.h"

namespace sqlite_driver {

const dacore::TLexemeList& SQLiteKeywordLexemes() {
  static const dacore::TLexemeList keywords{
      {"AND", 29},     {"NOT", 30},    {"OR", 31},     {"SELECT", 32}, {"FROM", 33},      {"WHERE", 34},
      {"GROUP", 35},   {"HAVING", 36}, {"ORDER", 37},  {"UNION", 38},  {"EXCEPT", 39},    {"INTERSECT", 40},
      {"LIMIT", 41},   {"INSERT", 42}, {"UPDATE", 43}, {"DELETE", 44}, {"INTO", 45},      {"VALUES", 46},
      {"SET", 47},     {"BY", 48}};
  return keywords;
}

TSQLiteParser::TSQLiteParser(const std::string& text) : TParser(text) { TSQLiteParser::InitParser(); }

void TSQLiteParser::InitParser() {
  TParser::InitParser();
  keyword_lexemes_ = &SQLiteKeywordLexemes();
  clause_codes_ = {lxWHERE, lxGROUP, lxHAVING, lxORDER, lxUNION, lxEXCEPT, lxINTERSECT, lxLIMIT};
}

bool TSQLiteParser::IsInlineComment(int pos) { return Ch(pos) == '-' && Ch(pos + 1) == '-' && HasChar(pos + 1); }

dacore::TParserClass SQLiteParserClass() {
  return [](const std::string& text) -> std::unique_ptr<dacore::TParser> {
    return std::make_unique<TSQLiteParser>(text);
  };
}

std::string SQLiteAddWhere(const std::string& sql, const std::string& condition) {
  return dacore::AddWhereCondition(sql, condition, SQLiteParserClass(), lxWHERE, lxFROM);
}

}  // namespace sqlite_driver
