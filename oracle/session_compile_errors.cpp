// TOraSession::GetCompileErrors: the stored unit or view a CREATE statement
// makes, found with the Oracle lexer, and its errors as the server lists
// them in USER_ERRORS.
#include "oracle/session_compile_errors.h"

#include "classlib/ansistr.h"
#include "dacore/lexer_lexemes.h"
#include "oracle/lexer_ora_parser.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"

namespace oracle {

namespace {

}  // namespace

// Per error "line/position" padded to 8 characters, then the text, whose
// own lines are indented by 10 blanks; errors and lines end with CR.
const char* const kCompileErrorsBlock =
    "declare\n"
    "  Res varchar2(32767);\n"
    "begin\n"
    "  for E in (select Line, Position, Text from User_Errors\n"
    "            where Name = :Name and Type = :Type order by Sequence) loop\n"
    "    Res := Res || RPad(E.Line || '/' || E.Position, 8) || '  ' ||\n"
    "           Replace(RTrim(E.Text, Chr(10)), Chr(10), Chr(13) || '          ') || Chr(13);\n"
    "  end loop;\n"
    "  :Result := Res;\n"
    "end;";

namespace {

constexpr int kCompileErrorsSize = 32767;

class TCreateScanner {
 public:
  explicit TCreateScanner(const std::string& sql) : parser_(sql) {
    parser_.OmitBlank = true;
    parser_.OmitComment = true;
    parser_.Uppercase = false;
  }

  // CREATE [OR REPLACE] [FORCE] kind [BODY] [schema.]name
  std::optional<TStoredUnit> Scan() {
    Next();
    if (code_ != lxCREATE) return std::nullopt;
    Next();
    if (Is("OR")) {
      Next();
      if (!Is("REPLACE")) return std::nullopt;
      Next();
    }
    if (Is("FORCE")) Next();
    TStoredUnit unit;
    unit.type = classlib::AnsiUpperCase(lexeme_);
    if (!IsStoredKind(unit.type)) return std::nullopt;
    Next();
    if ((unit.type == "PACKAGE" || unit.type == "TYPE") && Is("BODY")) {
      unit.type += " BODY";
      Next();
    }
    if (!IsName()) return std::nullopt;
    unit.name = lexeme_;
    Next();
    if (code_ == lxDot) {
      Next();
      if (!IsName()) return std::nullopt;
      unit.name = lexeme_;
    }
    unit.name = StoredName(unit.name);
    return unit;
  }

 private:
  void Next() { code_ = parser_.GetNextToken(lexeme_); }
  bool Is(const char* word) const { return classlib::SameText(lexeme_, word); }
  bool IsName() const { return code_ == dacore::lcIdent || code_ > lxSlash; }

  static bool IsStoredKind(const std::string& word) {
    for (const char* kind : {"PROCEDURE", "FUNCTION", "PACKAGE", "TRIGGER", "TYPE", "VIEW"})
      if (word == kind) return true;
    return false;
  }

  // The dictionary keeps a quoted name as written, any other upper-cased.
  static std::string StoredName(const std::string& name) {
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
    return classlib::AnsiUpperCase(name);
  }

  TOraParser parser_;
  int code_ = dacore::lcEnd;
  std::string lexeme_;
};

}  // namespace

std::optional<TStoredUnit> StoredUnitOf(const std::string& sql) { return TCreateScanner(sql).Scan(); }

std::string TOraSession::GetCompileErrors(const std::string& sql) {
  const std::optional<TStoredUnit> unit = StoredUnitOf(sql);
  if (!unit) return "";
  // The question is the session's own business: it is not traced.
  TOraSQL& statement = GetOraSQL();
  const bool debug = statement.Debug();
  statement.SetDebug(false);
  classlib::Variant errors;
  try {
    errors = RunSQL(kCompileErrorsBlock, {unit->name, unit->type}, false, kCompileErrorsSize);
  } catch (...) {
    statement.SetDebug(debug);
    throw;
  }
  statement.SetDebug(debug);
  const std::string text = classlib::VarIsNull(errors) || classlib::VarIsEmpty(errors) ? "" : errors.AsString();
  return text.empty() ? "No errors" : text;
}

}  // namespace oracle
