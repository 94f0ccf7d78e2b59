// TParser: the scanner.
#include "dacore/lexer_parser.h"

#include <cstdio>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"

namespace dacore {

TParser::TParser(const std::string& text) : source_(text) { TParser::InitParser(); }

TParser::TParser(classlib::TStream& stream) : source_(stream) { TParser::InitParser(); }

void TParser::InitParser() {
  symbol_lexemes_ = &SqlSymbolLexemes();
  keyword_lexemes_ = &SqlKeywordLexemes();
  comment_begin_ = "/*";
  comment_end_ = "*/";
  DecimalSeparator = classlib::FormatSettings().DecimalSeparator;
  OmitBlank = true;
  Uppercase = true;
  QuotedString = false;
  ToBegin();
}

// ---- Character classes -------------------------------------------------------

bool TParser::IsBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

bool TParser::IsSymbol(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 33 && u <= 47) || (u >= 58 && u <= 64) || (u >= 91 && u <= 94) || u == 96 || (u >= 123 && u <= 126);
}

bool TParser::IsAlpha(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || u >= 128;
}

bool TParser::IsNumber(char c) { return c >= '0' && c <= '9'; }
bool TParser::IsStringQuote(char c) { return c == '\'' || c == '"'; }
bool TParser::IsIdentQuote(char /*c*/) { return false; }
bool TParser::IsInlineComment(int pos) { return Ch(pos) == '/' && Ch(pos + 1) == '/' && HasChar(pos + 1); }
bool TParser::IsNotStringLexem(int code) { return code != lcString; }

// ---- Positions ---------------------------------------------------------------

void TParser::ToBegin() {
  pos_ = token_start_ = prev_token_start_ = 1;
  line_ = token_line_ = 0;
  line_start_ = token_line_start_ = 1;
  token_.clear();
}

void TParser::SetText(const std::string& text) {
  source_ = TLexerSource(text);
  ToBegin();
}

void TParser::Advance() {
  const char c = Ch(pos_);
  ++pos_;
  if (c == '\r' && Ch(pos_) == '\n') ++pos_;
  if (c == '\r' || c == '\n') {
    ++line_;
    line_start_ = pos_;
  }
}

void TParser::SkipToCharCounting(char c) {
  while (HasChar(pos_) && Ch(pos_) != c) Advance();
}

void TParser::SkipToCharFast(char c) {
  while (HasChar(pos_) && Ch(pos_) != c) ++pos_;
}

void TParser::SkipToChar(char c) {
  if (TrackLines || source_.FromStream()) SkipToCharCounting(c);
  else SkipToCharFast(c);
}

void TParser::BackToLastToken() { pos_ = token_start_; }

bool TParser::IsClauseCode(int code) const {
  CLASSLIB_ASSERT(!clause_codes_.empty());
  for (int c : clause_codes_)
    if (c == code) return true;
  return false;
}

// ---- The scanner -------------------------------------------------------------

void TParser::StartToken() {
  token_start_ = pos_;
  token_line_ = line_;
  token_line_start_ = line_start_;
}

void TParser::TakeToken(int from) { token_ = source_.Slice(from, pos_); }

int TParser::GetNext() {
  prev_token_start_ = token_start_;
  token_.clear();
  matched_index_ = -1;
  // Nothing before the last token is read again.
  source_.ReleaseBefore(prev_token_start_);
  for (;;) {
    StartToken();
    if (!HasChar(pos_)) return lcEnd;
    if (ScanBlanks() > 0 && !OmitBlank) {
      TakeToken(token_start_);
      return lcBlank;
    }
    StartToken();
    if (!HasChar(pos_)) return lcEnd;
    int code = 0;
    if (ScanComment(code)) {
      if (!OmitComment) return code;
      continue;
    }
    const char c = Ch(pos_);
    if (IsSymbol(c)) return ScanSymbol();
    if (IsAlpha(c) || c == '_') return ScanIdentifier();
    if (IsNumber(c)) return ScanNumber();
    UnknownSymbol(c);
  }
}

int TParser::ScanBlanks() {
  int count = 0;
  while (HasChar(pos_) && IsBlank(Ch(pos_))) {
    Advance();
    ++count;
  }
  return count;
}

bool TParser::ScanComment(int& code) {
  const int start = pos_;
  if (IsInlineComment(pos_)) {
    while (HasChar(pos_) && Ch(pos_) != '\r' && Ch(pos_) != '\n') ++pos_;
  } else if (MatchesAt(pos_, comment_begin_)) {
    pos_ += static_cast<int>(comment_begin_.size());
    while (HasChar(pos_) && !MatchesAt(pos_, comment_end_)) Advance();
    if (HasChar(pos_)) pos_ += static_cast<int>(comment_end_.size());
  } else {
    return false;
  }
  TakeToken(start);
  code = lcComment;
  return true;
}

bool TParser::MatchesAt(int pos, const std::string& text) {
  if (text.empty()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (!HasChar(pos + static_cast<int>(i)) || Ch(pos + static_cast<int>(i)) != text[i]) return false;
  return true;
}

int TParser::ScanSymbol() {
  const char c = Ch(pos_);
  if (IsStringQuote(c)) return ScanQuoted(c, lcString);
  if (IsIdentQuote(c)) return ScanQuoted(c, lcIdent);
  return ScanSymbolRun();
}

// With no escape rule of its own, two quotes in a row end one literal and
// begin the next; a dialect may change that through SkipToChar.
int TParser::ScanQuoted(char quote, int code) {
  const int start = pos_;
  ++pos_;
  SkipToChar(quote);
  const bool closed = HasChar(pos_);
  if (closed) ++pos_;
  if (QuotedString || code == lcIdent) TakeToken(start);
  else token_ = source_.Slice(start + 1, closed ? pos_ - 1 : pos_);
  return code;
}

// The longest run of symbol characters that a table entry equals wins. The
// run stops as soon as no entry begins with it, so a long row of symbols
// costs no more than the longest entry.
int TParser::ScanSymbolRun() {
  const int start = pos_;
  int end = pos_;
  int index = -1;
  std::string run;
  while (HasChar(end) && IsSymbol(Ch(end))) {
    run.push_back(Ch(end));
    ++end;
    const int found = symbol_lexemes_->IndexOf(run);
    if (found >= 0) {
      index = found;
      pos_ = end;
    }
    if (!symbol_lexemes_->HasPrefix(run)) break;
  }
  if (index < 0) {
    pos_ = start + 1;
    TakeToken(start);
    return lcSymbol;
  }
  TakeToken(start);
  matched_index_ = index;
  const int code = symbol_lexemes_->Code(index);
  CLASSLIB_ASSERT(code >= 1);
  return code;
}

int TParser::ScanIdentifier() {
  const int start = pos_;
  if (AdvancedStringParsing && (Ch(pos_) == 'q' || Ch(pos_) == 'Q') && IsStringQuote(Ch(pos_ + 1)))
    return ScanQLiteral();
  while (HasChar(pos_) && (IsAlpha(Ch(pos_)) || IsNumber(Ch(pos_)) || Ch(pos_) == '_')) ++pos_;
  TakeToken(start);
  return lcIdent;
}

// q'<delimiter> ... <closing delimiter>'
int TParser::ScanQLiteral() {
  const int start = pos_;
  const char quote = Ch(pos_ + 1);
  const char open = Ch(pos_ + 2);
  char close = open;
  if (open == '(') close = ')';
  else if (open == '<') close = '>';
  else if (open == '[') close = ']';
  else if (open == '{') close = '}';
  pos_ += 3;
  const int body = pos_;
  while (HasChar(pos_) && !(Ch(pos_) == close && Ch(pos_ + 1) == quote && HasChar(pos_ + 1))) Advance();
  const int body_end = pos_;
  if (HasChar(pos_)) pos_ += 2;
  if (QuotedString) TakeToken(start);
  else token_ = source_.Slice(body, body_end);
  return lcString;
}

int TParser::ScanNumber() {
  const int start = pos_;
  while (HasChar(pos_) && IsNumber(Ch(pos_))) ++pos_;
  if (Ch(pos_) == DecimalSeparator && HasChar(pos_ + 1) && IsNumber(Ch(pos_ + 1))) {
    ++pos_;
    while (HasChar(pos_) && IsNumber(Ch(pos_))) ++pos_;
  }
  TakeToken(start);
  return lcNumber;
}

void TParser::UnknownSymbol(char c) {
  char code[8];
  std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(static_cast<unsigned char>(c)));
  throw classlib::Exception(std::string("Parser: The unknown symbol '") + c + "'  $" + code);
}

// ---- Tokens with keywords ----------------------------------------------------

int TParser::GetNextToken(std::string& lexeme) {
  int code = GetNext();
  if (code >= 1 && matched_index_ >= 0) {
    lexeme = symbol_lexemes_->Text(matched_index_);
    return code;
  }
  lexeme = token_;
  if (code == lcIdent && !OmitKeywords && keyword_lexemes_) {
    const int index = keyword_lexemes_->IndexOf(token_);
    if (index >= 0) {
      code = keyword_lexemes_->Code(index);
      CLASSLIB_ASSERT(code >= 1);
      if (Uppercase) lexeme = classlib::UpperCase(lexeme);
    }
  }
  return code;
}

int TParser::GetNextCode() {
  std::string lexeme;
  return GetNextToken(lexeme);
}

int TParser::SkipToCode(int code) {
  int current;
  do current = GetNextCode();
  while (current != code && current != lcEnd);
  return current;
}

bool TParser::ToLexem(const std::string& text) {
  const std::string target = classlib::UpperCase(text);
  std::string lexeme;
  for (;;) {
    const int code = GetNextToken(lexeme);
    if (code == lcEnd) return false;
    if (classlib::UpperCase(lexeme) == target) return true;
  }
}

}  // namespace dacore
