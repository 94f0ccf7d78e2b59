#include "fib/sql/filter_lexer.h"

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"

namespace fib {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Letters of code page 1251 lie above 127, so every such byte may start a name.
bool IsNameStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' || u >= 0x80;
}

bool IsNamePart(char c) { return IsNameStart(c) || IsDigit(c) || c == '$' || c == '.'; }

}  // namespace

bool TFilterLexer::IsKeyword(std::string_view keyword) const {
  return kind_ == FilterToken::Name && classlib::SameText(value_, keyword);
}

std::string TFilterLexer::Describe() const {
  switch (kind_) {
    case FilterToken::End: return "end of text";
    case FilterToken::Text: return "'" + value_ + "'";
    case FilterToken::QuotedName: return "[" + value_ + "]";
    default: return "'" + value_ + "'";
  }
}

void TFilterLexer::Fail(const std::string& what) const {
  throw classlib::EDatabaseError(what + " at position " + std::to_string(Position()));
}

void TFilterLexer::Next() {
  while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= ' ' &&
         text_[pos_] != '\0') {
    ++pos_;
  }
  start_ = pos_;
  value_.clear();
  if (pos_ >= text_.size()) {
    kind_ = FilterToken::End;
    return;
  }
  const char c = text_[pos_];
  if (IsNameStart(c)) {
    ReadName();
  } else if (c == '[') {
    ReadDelimited(']', FilterToken::QuotedName);
  } else if (c == '"') {
    ReadDelimited('"', FilterToken::QuotedName);
  } else if (c == '\'') {
    ReadDelimited('\'', FilterToken::Text);
  } else if (IsDigit(c) || (c == '.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
    ReadNumber();
  } else {
    ReadSymbol();
  }
}

void TFilterLexer::ReadName() {
  kind_ = FilterToken::Name;
  while (pos_ < text_.size() && IsNamePart(text_[pos_])) value_ += text_[pos_++];
}

// Quotes and double quotes stand for themselves when doubled; brackets
// cannot hold a closing bracket.
void TFilterLexer::ReadDelimited(char close, FilterToken kind) {
  kind_ = kind;
  ++pos_;
  for (;;) {
    if (pos_ >= text_.size()) {
      Fail(kind == FilterToken::Text ? "Unterminated text" : "Unterminated field name");
    }
    const char c = text_[pos_++];
    if (c == close) {
      if (close == ']' || pos_ >= text_.size() || text_[pos_] != close) break;
      ++pos_;
    }
    if (c == '\0' && kind == FilterToken::QuotedName) Fail("Invalid character in field name");
    value_ += c;
  }
  if (kind == FilterToken::QuotedName && value_.empty()) Fail("Empty field name");
}

void TFilterLexer::ReadNumber() {
  kind_ = FilterToken::Number;
  auto digits = [&] {
    while (pos_ < text_.size() && IsDigit(text_[pos_])) value_ += text_[pos_++];
  };
  digits();
  if (pos_ < text_.size() && text_[pos_] == '.') {
    value_ += text_[pos_++];
    digits();
  }
  if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
    value_ += text_[pos_++];
    if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) value_ += text_[pos_++];
    if (pos_ >= text_.size() || !IsDigit(text_[pos_])) Fail("Malformed number");
    digits();
  }
  if (pos_ < text_.size() && IsNameStart(text_[pos_])) Fail("Malformed number");
}

void TFilterLexer::ReadSymbol() {
  kind_ = FilterToken::Symbol;
  static constexpr std::string_view kTwoChar[] = {"<>", "!=", "<=", ">="};
  for (std::string_view s : kTwoChar) {
    if (text_.substr(pos_, 2) == s) {
      value_ = s;
      pos_ += 2;
      return;
    }
  }
  const char c = text_[pos_];
  if (std::string_view("=<>+-*/(),").find(c) == std::string_view::npos) {
    value_ = std::string(1, c);
    Fail("Unexpected character '" + value_ + "'");
  }
  value_ = std::string(1, c);
  ++pos_;
}

}  // namespace fib
