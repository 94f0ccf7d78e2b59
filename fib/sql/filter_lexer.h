// Splits a filter text into tokens: names (plain, [bracketed] or "quoted"),
// 'texts' with doubled quotes inside, numbers written with a decimal point,
// and the operator symbols. Keywords are plain names; the compiler tells
// them apart.
#pragma once

#include <string>
#include <string_view>

namespace fib {

enum class FilterToken {
  End,
  Name,        // a plain identifier, keywords included
  QuotedName,  // [NAME] or "NAME": always a field
  Text,        // 'text'
  Number,
  Symbol,      // = <> != < > <= >= + - * / ( ) ,
};

class TFilterLexer {
 public:
  explicit TFilterLexer(std::string_view text) : text_(text) { Next(); }

  FilterToken Kind() const { return kind_; }
  // The token's value: a name without its brackets, a text without its
  // quotes, a number or symbol as written.
  const std::string& Value() const { return value_; }
  // 1-based position of the token in the text.
  int Position() const { return static_cast<int>(start_) + 1; }
  bool IsSymbol(std::string_view symbol) const {
    return kind_ == FilterToken::Symbol && value_ == symbol;
  }
  // A plain name equal to the keyword, in any case.
  bool IsKeyword(std::string_view keyword) const;
  // How the token reads in an error message.
  std::string Describe() const;

  void Next();

  // EDatabaseError naming the fault and where it is.
  [[noreturn]] void Fail(const std::string& what) const;

 private:
  void ReadName();
  void ReadDelimited(char close, FilterToken kind);
  void ReadNumber();
  void ReadSymbol();

  std::string_view text_;
  size_t pos_ = 0;
  size_t start_ = 0;
  FilterToken kind_ = FilterToken::End;
  std::string value_;
};

}  // namespace fib
