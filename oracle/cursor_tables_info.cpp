// Table names in Oracle's rules, and the FROM-clause scan.
#include "oracle/cursor_tables_info.h"

#include "classlib/ansistr.h"
#include "oracle/lexer_ora_parser.h"

namespace oracle {

namespace {

struct TNameParts {
  std::string schema;  // empty when the name has none
  std::string object;
  std::string link;  // after "@", empty when none
};

TNameParts SplitName(const std::string& name) {
  TNameParts parts;
  std::string rest = name;
  const size_t dot = rest.find('.');
  const size_t at = rest.find('@');
  if (dot != std::string::npos && (at == std::string::npos || dot < at)) {
    parts.schema = rest.substr(0, dot);
    rest = rest.substr(dot + 1);
  }
  const size_t link = rest.find('@');
  if (link != std::string::npos) {
    parts.link = rest.substr(link + 1);
    rest = rest.substr(0, link);
  }
  parts.object = rest;
  return parts;
}

std::string JoinName(const TNameParts& parts) {
  std::string name = parts.schema.empty() ? parts.object : parts.schema + "." + parts.object;
  if (!parts.link.empty()) name += "@" + parts.link;
  return name;
}

bool IsNameToken(int code) { return code == dacore::lcIdent || code > lxSlash; }

// A name as the clause writes it: unquoted upper-cased, quoted kept.
std::string NameOfToken(int code, const std::string& lexeme) {
  if (code == dacore::lcIdent && !lexeme.empty() && lexeme[0] == '"') return lexeme;
  return classlib::AnsiUpperCase(lexeme);
}

class TFromScanner {
 public:
  TFromScanner(const std::string& sql, dacore::TCRTablesInfo& tables) : parser_(sql), tables_(tables) {
    parser_.OmitBlank = true;
    parser_.OmitComment = true;
  }

  int Run() {
    tables_.Clear();
    if (!SkipToFrom()) return 0;
    Next();
    for (;;) {
      if (lexeme_ == "(" && code_ == dacore::lcSymbol) {
        SkipParentheses();
        if (code_ == dacore::lcIdent) Next();  // the sub-query's alias
      } else if (IsNameToken(code_)) {
        ReadTable();
      } else {
        break;
      }
      if (code_ != lxComma) break;
      Next();
    }
    return tables_.Count();
  }

 private:
  void Next() { code_ = parser_.GetNextToken(lexeme_); }

  bool SkipToFrom() {
    int depth = 0;
    for (Next(); code_ != dacore::lcEnd; Next()) {
      if (code_ == dacore::lcSymbol && lexeme_ == "(") ++depth;
      if (code_ == dacore::lcSymbol && lexeme_ == ")") --depth;
      if (code_ == lxFROM && depth == 0) return true;
    }
    return false;
  }

  // From an opening parenthesis to the token after its match.
  void SkipParentheses() {
    int depth = 0;
    do {
      if (code_ == dacore::lcSymbol && lexeme_ == "(") ++depth;
      if (code_ == dacore::lcSymbol && lexeme_ == ")") --depth;
      Next();
    } while (depth > 0 && code_ != dacore::lcEnd);
  }

  void ReadTable() {
    std::string name = NameOfToken(code_, lexeme_);
    Next();
    if (code_ == lxDot) {
      Next();
      if (!IsNameToken(code_)) return;
      name += "." + NameOfToken(code_, lexeme_);
      Next();
    }
    if (code_ == dacore::lcSymbol && lexeme_ == "@") {
      name += "@";
      for (Next(); IsNameToken(code_);) {
        name += NameOfToken(code_, lexeme_);
        Next();
        if (code_ != lxDot) break;
        name += ".";
        Next();
      }
    }
    std::string alias;
    if (code_ == dacore::lcIdent) {
      alias = NameOfToken(code_, lexeme_);
      Next();
    }
    dacore::TCRTableInfo* table = tables_.Add();
    table->SetTableName(name);
    table->SetTableAlias(alias);
  }

  TOraParser parser_;
  dacore::TCRTablesInfo& tables_;
  int code_ = dacore::lcEnd;
  std::string lexeme_;
};

}  // namespace

std::string TOCITableInfo::QuoteTableName(const std::string& name) const {
  TNameParts parts = SplitName(name);
  if (!parts.schema.empty()) parts.schema = Quote(parts.schema, '"', '"');
  parts.object = Quote(parts.object, '"', '"');
  return JoinName(parts);
}

std::string TOCITableInfo::NormalizePart(const std::string& part, bool quote_names) const {
  if (part.empty()) return part;
  if (IsQuoted(part)) {
    const std::string inner = UnQuote(part);
    const bool keep = quote_names || QuotesNeeded(inner) || inner != classlib::AnsiUpperCase(inner);
    return keep ? part : inner;
  }
  const std::string upper = classlib::AnsiUpperCase(part);
  return quote_names || QuotesNeeded(upper) ? Quote(upper, '"', '"') : upper;
}

std::string TOCITableInfo::NormalizeTableName(const std::string& name, bool quote_names) const {
  TNameParts parts = SplitName(name);
  parts.schema = NormalizePart(parts.schema, quote_names);
  parts.object = NormalizePart(parts.object, quote_names);
  parts.link = classlib::AnsiUpperCase(parts.link);
  return JoinName(parts);
}

dacore::TTableInfoClass OCITableInfoClass() {
  return [](dacore::TCRTablesInfo* owner) -> std::unique_ptr<dacore::TCRTableInfo> {
    return std::make_unique<TOCITableInfo>(owner);
  };
}

int ParseTablesInfo(const std::string& sql, dacore::TCRTablesInfo& tables_info) {
  return TFromScanner(sql, tables_info).Run();
}

}  // namespace oracle
