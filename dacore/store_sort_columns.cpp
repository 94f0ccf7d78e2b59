// The index field list parser.
#include "dacore/store_sort_columns.h"

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/format.h"
#include "dacore/filter_lexer.h"
#include "dacore/messages.h"

namespace dacore {

namespace {

[[noreturn]] void BadFormat() { throw classlib::EDatabaseError(SInvalidIndexFieldNames); }

bool IsSeparator(int code, const std::string& lexeme) { return code == lcSymbol && (lexeme == ";" || lexeme == ","); }

// A column's name: an identifier, a string literal or "[" ... "]"; answers
// false at the end of the text.
bool ReadColumnName(TBoolParser& parser, int code, const std::string& lexeme, std::string& name) {
  if (code == lcIdent || code == lcString) {
    name = lexeme;
    return true;
  }
  if (code != bcOpenBracket) BadFormat();
  const int from = parser.GetCurrPos();
  int next;
  std::string ignored;
  do next = parser.GetNextToken(ignored);
  while (next != bcCloseBracket && next != lcEnd);
  if (next == lcEnd) BadFormat();
  name = parser.TextBetween(from, parser.GetPrevPos());
  return true;
}

// The modifiers after a name, up to a separator or the end; answers the code that ended them.
int ReadModifiers(TBoolParser& parser, TSortColumn& column) {
  bool order_set = false, case_set = false;
  std::string lexeme;
  for (;;) {
    const int code = parser.GetNextToken(lexeme);
    if (code == lcEnd || IsSeparator(code, lexeme)) return code;
    if (code != lcIdent) BadFormat();
    const std::string word = classlib::UpperCase(lexeme);
    if (word == "ASC" || word == "DESC") {
      if (order_set) BadFormat();
      order_set = true;
      column.descending = word == "DESC";
    } else if (word == "CS" || word == "CIS") {
      if (case_set) BadFormat();
      case_set = true;
      column.case_sensitive = word == "CS";
    } else {
      BadFormat();
    }
  }
}

}  // namespace

TSortColumns ParseIndexFieldNames(const std::string& text, const TFieldDescs& fields) {
  TSortColumns columns;
  TBoolParser parser(text);
  std::string lexeme;
  for (;;) {
    const int code = parser.GetNextToken(lexeme);
    if (code == lcEnd) return columns;
    if (IsSeparator(code, lexeme)) continue;
    std::string name;
    ReadColumnName(parser, code, lexeme, name);
    TSortColumn column;
    column.field = fields.FindField(name);
    if (!column.field) throw classlib::EDatabaseError(classlib::Format(SFieldNotFound, {name}));
    const int end = ReadModifiers(parser, column);
    columns.push_back(column);
    if (end == lcEnd) return columns;
  }
}

}  // namespace dacore
