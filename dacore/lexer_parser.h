// TParser: the SQL lexer. It splits statement text into tokens (symbols and
// keywords of its lexeme tables, identifiers, numbers, string literals, and
// on request blanks and comments) for parameter and macro search, statement
// kinds, SQL rewriting and filter expressions. A server's dialect derives
// from it and changes character classes, quotes, comments and tables
// through the virtual operations.
//
// A C++ base constructor cannot reach an override, so a descendant whose
// InitParser differs calls InitParser() again in its own constructor.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "classlib/object.h"
#include "classlib/stream.h"
#include "dacore/lexer_lexemes.h"
#include "dacore/lexer_source.h"

namespace dacore {

class TParser : public classlib::TObject {
  CLASSLIB_CLASS(TParser, classlib::TObject)
 public:
  explicit TParser(const std::string& text);
  // Reads the stream from its position in windows; it must outlive the parser.
  explicit TParser(classlib::TStream& stream);
  ~TParser() override = default;
  TParser(const TParser&) = delete;
  TParser& operator=(const TParser&) = delete;

  // ---- Character classes and dialect (virtual) ------------------------------
  virtual void InitParser();
  virtual bool IsBlank(char c);
  virtual bool IsSymbol(char c);
  virtual bool IsAlpha(char c);
  virtual bool IsNumber(char c);
  virtual bool IsStringQuote(char c);
  virtual bool IsIdentQuote(char c);
  // Whether a line comment starts at pos.
  virtual bool IsInlineComment(int pos);
  // Moves the position to the next occurrence of c (or the end).
  virtual void SkipToChar(char c);
  void SkipToCharCounting(char c);
  void SkipToCharFast(char c);
  virtual void ToBegin();
  // The next token's code; lexeme receives its text (a table entry's text
  // for codes of 1 and more, keywords upper-cased with Uppercase).
  virtual int GetNextToken(std::string& lexeme);
  // Whether a token may hold parameters or macros: everything but literals.
  virtual bool IsNotStringLexem(int code);
  virtual bool IsParserOption16() { return false; }
  virtual bool IsParserOption17() { return false; }

  // ---- Scanning -------------------------------------------------------------
  void SetText(const std::string& text);
  // The raw scanner: one token, no keyword lookup; Token() holds its text.
  int GetNext();
  int GetNextCode();
  // Reads tokens until one has `code` or the text ends; the last code read.
  int SkipToCode(int code);
  // Reads tokens until one equals text (without regard to case); whether found.
  bool ToLexem(const std::string& text);
  // Whether code is one of the clause codes (which must be set).
  bool IsClauseCode(int code) const;
  // The position goes back to the start of the last token.
  void BackToLastToken();

  // ---- Positions (0-based) and text -----------------------------------------
  int GetCurrPos() const { return pos_ - 1; }
  int GetPrevPos() const { return token_start_ - 1; }
  int GetPrevPrevPos() const { return prev_token_start_ - 1; }
  // The column of the last token's start in its line (0 = first column).
  int GetPrevCol() const { return token_start_ - token_line_start_; }
  int CurrLine() const { return line_; }
  int PrevLine() const { return token_line_; }
  // The character at a 0-based position, '\0' beyond the text.
  char GetCharAt(int pos) { return source_.At(pos + 1); }
  // The text between two 0-based positions (to excluded).
  std::string TextBetween(int from, int to) { return source_.Slice(from + 1, to + 1); }
  const std::string& Token() const { return token_; }

  // ---- Switches -------------------------------------------------------------
  bool OmitBlank = true;
  bool OmitComment = false;
  bool Uppercase = true;
  bool QuotedString = false;
  bool AdvancedStringParsing = false;
  bool OmitKeywords = false;
  // Also count lines inside literals of string input.
  bool TrackLines = false;
  char DecimalSeparator = '.';

 protected:
  // Tables of the dialect; a descendant points them at its own in InitParser.
  const TLexemeList* symbol_lexemes_ = nullptr;
  const TLexemeList* keyword_lexemes_ = nullptr;
  std::vector<int> clause_codes_;
  std::string comment_begin_ = "/*";
  std::string comment_end_ = "*/";

  char Ch(int pos) { return source_.At(pos); }
  bool HasChar(int pos) { return source_.Has(pos); }
  int Pos() const { return pos_; }
  void SetPos(int pos) { pos_ = pos; }
  // Takes one character, counting a line break (CR LF counts once).
  void Advance();

 private:
  void StartToken();
  bool MatchesAt(int pos, const std::string& text);
  int ScanBlanks();
  bool ScanComment(int& code);
  int ScanSymbol();
  int ScanQuoted(char quote, int code);
  int ScanSymbolRun();
  int ScanIdentifier();
  int ScanQLiteral();
  int ScanNumber();
  [[noreturn]] void UnknownSymbol(char c);
  void TakeToken(int from);

  TLexerSource source_;
  int pos_ = 1;
  int token_start_ = 1;
  int prev_token_start_ = 1;
  int line_ = 0;
  int line_start_ = 1;
  int token_line_ = 0;
  int token_line_start_ = 1;
  std::string token_;
  int matched_index_ = -1;  // the symbol entry of the last symbol token
};

}  // namespace dacore
