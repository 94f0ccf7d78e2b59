#include "oracle/session_bind_names.h"

#include <algorithm>
#include <cctype>

#include "classlib/ansistr.h"
#include "dacore/lexer_lexemes.h"
#include "oracle/lexer_ora_parser.h"

namespace oracle {

namespace {

// Keywords may name placeholders too (":date"); symbols may not.
bool IsNameToken(int code, const std::string& token) {
  if (code == dacore::lcIdent || code == dacore::lcNumber) return true;
  return code > 0 && !token.empty() && std::isalpha(static_cast<unsigned char>(token[0]));
}

bool Known(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& known) { return classlib::SameText(known, name); });
}

}  // namespace

std::vector<std::string> BindNamesOf(const std::string& sql) {
  TOraParser parser(sql);
  parser.OmitBlank = false;
  parser.OmitComment = true;
  parser.Uppercase = false;
  std::vector<std::string> names;
  std::string lexeme;
  bool after_colon = false;
  for (int code; (code = parser.GetNextToken(lexeme)) != dacore::lcEnd;) {
    if (after_colon && IsNameToken(code, parser.Token()) && parser.IsNotStringLexem(code)) {
      const std::string name = ":" + parser.Token();
      if (!Known(names, name)) names.push_back(name);
    }
    after_colon = code == lxColon && parser.IsNotStringLexem(code);
  }
  return names;
}

}  // namespace oracle
