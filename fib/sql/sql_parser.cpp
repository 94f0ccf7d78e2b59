// The statement scanner: one pass over the text that knows where quoted
// names, string literals, comments and parentheses are, and asks a keyword
// test at every character of plain statement text.
#include "fib/sql/sql_parser.h"

#include <cstring>

namespace fib {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Most characters are no keyword start: the lead character and the first
// letter reject them before any word is compared.
bool AnyKeywordAt(const TSQLParser& p, int pos, std::initializer_list<const char*> words) {
  if (!FollowsKeywordLead(p.SQL(), pos)) return false;
  const char first = Upper(p.At(pos));
  for (const char* word : words) {
    if (word[0] == first && p.WordAt(pos, word)) return true;
  }
  return false;
}

bool AnyWordAt(const TSQLParser& p, int pos, std::initializer_list<const char*> words) {
  const char first = Upper(p.At(pos));
  for (const char* word : words) {
    if (word[0] == first && p.WordAt(pos, word)) return true;
  }
  return false;
}

// Letters, digits, "_", "$" and the bytes of national letters: the inside
// of a word, where no test is asked.
bool IsWordChar(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
         u == '$' || u >= 128;
}

bool AtStartDepth(const TSQLParser& p) { return p.Depth() <= p.StartDepth(); }

}  // namespace

bool IsSQLBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

bool IsKeywordEndChar(char c) {
  return IsSQLBlank(c) || c == '(' || c == '-' || c == '/' || c == ';';
}

bool IsKeywordLeadChar(char c) { return IsSQLBlank(c) || c == ')'; }

bool SQLWordAt(std::string_view s, int pos, const char* word) {
  const int n = static_cast<int>(std::strlen(word));
  const int len = static_cast<int>(s.size());
  if (pos < 1 || pos + n - 1 > len) return false;
  for (int i = 0; i < n; ++i) {
    if (Upper(s[pos - 1 + i]) != word[i]) return false;
  }
  return pos + n > len || IsKeywordEndChar(s[pos + n - 1]);
}

// A keyword may also follow a block comment directly ("*/WHERE").
bool FollowsKeywordLead(std::string_view s, int pos) {
  if (pos <= 1) return true;
  if (pos - 2 >= static_cast<int>(s.size())) return false;
  const char before = s[pos - 2];
  return IsKeywordLeadChar(before) || (before == '/' && pos >= 3 && s[pos - 3] == '*');
}

bool SQLKeywordAt(std::string_view s, int pos, const char* word) {
  return FollowsKeywordLead(s, pos) && SQLWordAt(s, pos, word);
}

void SkipBlanksAndCommentsOnly(std::string_view s, int& pos) {
  const int len = static_cast<int>(s.size());
  while (pos <= len) {
    const char c = s[pos - 1];
    const char next = pos < len ? s[pos] : '\0';
    if (IsSQLBlank(c)) {
      ++pos;
    } else if (c == '-' && next == '-') {
      while (pos <= len && s[pos - 1] != '\n' && s[pos - 1] != '\r') ++pos;
    } else if (c == '/' && next == '*') {
      const size_t close = s.find("*/", static_cast<size_t>(pos + 1));
      pos = close == std::string_view::npos ? len + 1 : static_cast<int>(close) + 3;
    } else {
      return;
    }
  }
}

void SkipBlanksAndComments(const std::string& s, int len, int& pos) {
  const std::string_view text(s.data(), std::min(static_cast<size_t>(len), s.size()));
  while (true) {
    SkipBlanksAndCommentsOnly(text, pos);
    if (pos > static_cast<int>(text.size()) || (text[pos - 1] != '(' && text[pos - 1] != ';'))
      return;
    ++pos;
  }
}

// ---- The parser object ------------------------------------------------------

TSQLParser::TSQLParser() = default;

TSQLParser::TSQLParser(const std::string& sql) { SetSQL(sql); }

TSQLParser::~TSQLParser() = default;

void TSQLParser::SetSQL(const std::string& sql) {
  sql_ = sql;
  length_ = static_cast<int>(sql_.size());
  tables_.Clear();
  start_pos_ = 1;
  SkipBlanksAndComments(sql_, length_, start_pos_);
  depth_ = 0;
  kind_ = skUnknown;
  const int p = start_pos_;
  if (WordAt(p, "SELECT"))
    kind_ = skSelect;
  else if (WordAt(p, "UPDATE"))
    kind_ = skUpdate;
  else if (WordAt(p, "INSERT"))
    kind_ = skInsert;
  else if (WordAt(p, "DELETE"))
    kind_ = skDelete;
  else if (WordAt(p, "ALTER") || WordAt(p, "CREATE") || WordAt(p, "DROP") || WordAt(p, "RECREATE"))
    kind_ = skDDL;
  else if (WordAt(p, "EXECUTE")) {
    int next = p + 7;
    SkipBlanksAndCommentsOnly(sql_, next);
    if (WordAt(next, "PROCEDURE"))
      kind_ = skExecuteProcedure;
    else if (WordAt(next, "BLOCK"))
      kind_ = skExecuteBlock;
  } else if (WordAt(p, "SET")) {
    int next = p + 3;
    while (IsSQLBlank(At(next))) ++next;
    if (next > p + 3 && WordAt(next, "GENERATOR")) kind_ = skDDL;
  }
}

bool TSQLParser::IsDML() const {
  return (kind_ >= skSelect && kind_ <= skExecuteProcedure) || kind_ == skExecuteBlock;
}

void TSQLParser::SetOccurrence(int occurrence) {
  occurrence_ = occurrence;
  counter_ = 0;
}

bool TSQLParser::CountHit() {
  if (occurrence_ <= 0) return true;
  return ++counter_ == occurrence_;
}

void TSQLParser::Scan(int from, const TScanTest& test) {
  if (!test) return;
  state_ = ssText;
  found_pos_ = 0;
  start_depth_ = depth_;
  last_significant_ = 0;
  int before_slash = 0;  // last_significant_ before a "/" that may open a comment
  int slash_pos = 0;
  auto stop = [&](int pos) {
    found_pos_ = pos;
    occurrence_ = 0;
  };
  for (int pos = std::max(from, 1); pos <= length_; ++pos) {
    // Quoted parts and comments are skipped in one search for their end.
    switch (state_) {
      case ssQuotedName:
      case ssLiteral: {
        const size_t close = sql_.find(state_ == ssQuotedName ? '"' : '\'', pos - 1);
        pos = close == std::string::npos ? length_ : static_cast<int>(close) + 1;
        if (close != std::string::npos) state_ = ssText;
        last_significant_ = pos;
        continue;
      }
      case ssBlockComment: {
        const size_t close = sql_.find("*/", pos - 1);
        pos = close == std::string::npos ? length_ : static_cast<int>(close) + 2;
        if (close != std::string::npos) state_ = ssText;
        continue;
      }
      case ssLineComment: {
        // The line break itself is plain text again: a clause keyword may
        // follow it, and the boundary tests look for the blank before one.
        const size_t line_break = sql_.find_first_of("\r\n", pos - 1);
        if (line_break == std::string::npos) {
          pos = length_;
          continue;
        }
        pos = static_cast<int>(line_break) + 1;
        state_ = ssText;
        break;
      }
      default:
        break;
    }
    const char c = sql_[pos - 1];
    if (pos > 1 && IsWordChar(c) && IsWordChar(sql_[pos - 2])) {
      last_significant_ = pos;
      continue;
    }
    switch (c) {
      case '"':
        state_ = ssQuotedName;
        last_significant_ = pos;
        continue;
      case '\'':
        state_ = ssLiteral;
        last_significant_ = pos;
        continue;
      case '(':
        ++depth_;
        last_significant_ = pos;
        continue;
      case ')':
        if (stop_at_close_ && depth_ - 1 < start_depth_) return stop(pos);
        --depth_;
        last_significant_ = pos;
        continue;
      case '*':
        if (slash_pos == pos - 1 && pos > 1) {
          state_ = ssBlockComment;
          last_significant_ = before_slash;
        } else {
          last_significant_ = pos;
        }
        continue;
      case '-':
        if (At(pos + 1) == '-') {
          state_ = ssLineComment;
          ++pos;
        } else {
          last_significant_ = pos;
        }
        continue;
      default:
        if (test(*this, pos)) return stop(pos);
        if (c == '/') {
          before_slash = last_significant_;
          slash_pos = pos;
        }
        if (!IsSQLBlank(c) && c != ';') last_significant_ = pos;
    }
  }
  // The end of the text ends every clause, also inside an open comment.
  if (test(*this, length_ + 1)) return stop(length_ + 1);
  occurrence_ = 0;
}

// ---- Keyword tests ---------------------------------------------------------------

bool TSQLParser::WhereTest(TSQLParser& p, int pos) {
  return p.KeywordAt(pos, "WHERE") && p.CountHit();
}

bool TSQLParser::WhereEndTest(TSQLParser& p, int pos) {
  if (!AtStartDepth(p)) return false;
  if (pos > p.Length()) return true;
  return AnyKeywordAt(
      p, pos, {"FOR", "GROUP", "HAVING", "ORDER", "PLAN", "START", "UNION", "ROWS", "RETURNING"});
}

bool TSQLParser::ClauseBoundaryTest(TSQLParser& p, int pos) {
  if (!AtStartDepth(p)) return false;
  if (pos > p.Length()) return true;
  // The blank before the keyword, or the keyword itself right after a
  // comment or a closing parenthesis.
  const std::initializer_list<const char*> words = {"FOR",   "GROUP", "HAVING", "ORDER",    "PLAN",
                                                    "UNION", "WHERE", "ROWS",   "RETURNING"};
  if (IsSQLBlank(p.At(pos))) return AnyWordAt(p, pos + 1, words);
  const bool after_comment = p.At(pos - 1) == '/' && p.At(pos - 2) == '*';
  return (after_comment || p.At(pos - 1) == ')') && AnyWordAt(p, pos, words);
}

bool TSQLParser::FromTest(TSQLParser& p, int pos) {
  return p.Depth() == 0 && p.KeywordAt(pos, "FROM");
}

bool TSQLParser::IntoTest(TSQLParser& p, int pos) { return p.KeywordAt(pos, "INTO"); }

bool TSQLParser::PlanTest(TSQLParser& p, int pos) {
  return p.KeywordAt(pos, "PLAN") && p.CountHit();
}

bool TSQLParser::OrderTest(TSQLParser& p, int pos) {
  return p.Depth() == 0 && p.KeywordAt(pos, "ORDER");
}

bool TSQLParser::ByTest(TSQLParser& p, int pos) { return p.KeywordAt(pos, "BY"); }

bool TSQLParser::PlanEndTest(TSQLParser& p, int pos) {
  if (!AtStartDepth(p)) return false;
  if (pos > p.Length()) return true;
  return IsSQLBlank(p.At(pos)) && AnyWordAt(p, pos + 1, {"ORDER", "UNION", "ROWS", "FOR"});
}

bool TSQLParser::OrderEndTest(TSQLParser& p, int pos) {
  if (!AtStartDepth(p)) return false;
  if (pos > p.Length()) return true;
  return AnyKeywordAt(p, pos, {"ROWS", "FOR"});
}

// ---- Character sets -----------------------------------------------------------------

const char* const kCharSetNames[61] = {
    "NONE",      "OCTETS",    "ASCII",     "UNICODE_FSS", "UNKNOWN",   "SJIS_0208",  "EUCJ_0208",
    "UNKNOWN",   "UNKNOWN",   "DOS737",    "DOS437",      "DOS850",    "DOS865",     "DOS860",
    "DOS863",    "DOS775",    "DOS858",    "DOS862",      "DOS864",    "NEXT",       "UNKNOWN",
    "ISO8859_1", "ISO8859_2", "ISO8859_3", "UNKNOWN",     "UNKNOWN",   "UNKNOWN",    "UNKNOWN",
    "UNKNOWN",   "UNKNOWN",   "UNKNOWN",   "UNKNOWN",     "UNKNOWN",   "UNKNOWN",    "ISO8859_4",
    "ISO8859_5", "ISO8859_6", "ISO8859_7", "ISO8859_8",   "ISO8859_9", "ISO8859_13", "UNKNOWN",
    "UNKNOWN",   "UNKNOWN",   "KSC_5601",  "DOS852",      "DOS857",    "DOS861",     "DOS866",
    "DOS869",    "CYRL",      "WIN1250",   "WIN1251",     "WIN1252",   "WIN1253",    "WIN1254",
    "BIG_5",     "GB_2312",   "WIN1255",   "WIN1256",     "WIN1257",
};

}  // namespace fib
