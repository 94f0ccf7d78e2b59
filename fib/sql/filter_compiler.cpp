#include "fib/sql/filter_compiler.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "fib/sql/filter_ast.h"
#include "fib/sql/filter_lexer.h"

namespace fib {

using classlib::Variant;

namespace {

constexpr std::string_view kKeywords[] = {"AND", "OR",   "NOT",  "LIKE",  "IN", "IS",
                                          "NULL", "TRUE", "FALSE", "MOD", "REM"};

constexpr std::string_view kFunctions[] = {
    "DAY",       "DATE",   "GETDATE", "HOUR", "MONTH",  "MINUTE",  "UPPER",
    "LOWER",     "YEAR",   "SUBSTRING", "SECOND", "TRIM", "TRIMLEFT", "TRIMRIGHT"};

struct Comparison {
  std::string_view symbol;
  FilterOp op;
};

constexpr Comparison kComparisons[] = {
    {"=", FilterOp::Equal},           {"<>", FilterOp::NotEqual},
    {"!=", FilterOp::NotEqual},       {"<", FilterOp::Less},
    {">", FilterOp::Greater},         {"<=", FilterOp::LessOrEqual},
    {">=", FilterOp::GreaterOrEqual},
};

bool IsKeywordName(const std::string& name) {
  for (auto k : kKeywords) {
    if (classlib::SameText(name, k)) return true;
  }
  return false;
}

bool IsFunctionName(const std::string& upper_name) {
  for (auto f : kFunctions) {
    if (upper_name == f) return true;
  }
  return false;
}

bool IsTextConstant(const TFilterAst& ast) {
  return ast.node_class == FilterNodeClass::Constant && !ast.is_null &&
         (ast.constant_type == classlib::ftString || ast.constant_type == classlib::ftFixedChar);
}

TFilterAstPtr NewNode(FilterNodeClass node_class, FilterOp op, int position) {
  auto ast = std::make_unique<TFilterAst>();
  ast->node_class = node_class;
  ast->op = op;
  ast->position = position;
  return ast;
}

TFilterAstPtr NewConstant(classlib::TFieldType type, Variant value, int position) {
  auto ast = NewNode(FilterNodeClass::Constant, FilterOp::Constant, position);
  ast->constant_type = type;
  ast->constant = std::move(value);
  return ast;
}

TFilterAstPtr Wrap(FilterNodeClass node_class, FilterOp op, TFilterAstPtr operand) {
  auto ast = NewNode(node_class, op, operand->position);
  ast->operands.push_back(std::move(operand));
  return ast;
}

TFilterAstPtr Join(FilterOp op, TFilterAstPtr left, TFilterAstPtr right) {
  auto ast = Wrap(FilterNodeClass::Binary, op, std::move(left));
  ast->operands.push_back(std::move(right));
  return ast;
}

class Parser {
 public:
  Parser(std::string_view text, classlib::TFilterOptions options, TFilterFieldSource* fields)
      : lex_(text), options_(options), fields_(fields) {}

  TFilterAstPtr ParseAll() {
    if (lex_.Kind() == FilterToken::End) lex_.Fail("Empty filter expression");
    auto ast = ParseOr();
    if (lex_.Kind() != FilterToken::End) lex_.Fail("Unexpected " + lex_.Describe());
    return ast;
  }

 private:
  // Counts nesting of the recursive rules, so deep text fails cleanly.
  class Nesting {
   public:
    explicit Nesting(Parser& p) : p_(p) {
      if (++p_.depth_ > kMaxFilterDepth) p_.lex_.Fail("Filter expression is nested too deeply");
    }
    ~Nesting() { --p_.depth_; }

   private:
    Parser& p_;
  };

  TFilterAstPtr ParseOr() {
    Nesting nesting(*this);
    auto left = ParseAnd();
    while (lex_.IsKeyword("OR")) {
      lex_.Next();
      left = Join(FilterOp::Or, std::move(left), ParseAnd());
    }
    return left;
  }

  TFilterAstPtr ParseAnd() {
    auto left = ParseNot();
    while (lex_.IsKeyword("AND")) {
      lex_.Next();
      left = Join(FilterOp::And, std::move(left), ParseNot());
    }
    return left;
  }

  TFilterAstPtr ParseNot() {
    if (!lex_.IsKeyword("NOT")) return ParseComparison();
    Nesting nesting(*this);
    lex_.Next();
    return Wrap(FilterNodeClass::Unary, FilterOp::Not, ParseNot());
  }

  TFilterAstPtr ParseComparison() {
    auto left = ParseAdditive();
    for (const auto& c : kComparisons) {
      if (lex_.IsSymbol(c.symbol)) {
        lex_.Next();
        return Compare(c.op, std::move(left), ParseAdditive());
      }
    }
    if (lex_.IsKeyword("IS")) {
      lex_.Next();
      const bool negated = TakeKeyword("NOT");
      if (!lex_.IsKeyword("NULL")) lex_.Fail("NULL expected but " + lex_.Describe() + " found");
      lex_.Next();
      return Wrap(FilterNodeClass::Unary, negated ? FilterOp::NotBlank : FilterOp::IsBlank,
                  std::move(left));
    }
    const bool negated = TakeKeyword("NOT");
    TFilterAstPtr result;
    if (TakeKeyword("LIKE")) {
      result = Compare(FilterOp::Like, std::move(left), ParseAdditive());
    } else if (TakeKeyword("IN")) {
      auto list = ParseList();
      if (list->operands.empty()) {
        throw classlib::EDatabaseError("Empty IN list at position " + std::to_string(list->position));
      }
      for (auto& element : list->operands) TypeAgainst(*element, *left);
      result = Join(FilterOp::In, std::move(left), std::move(list));
    } else if (negated) {
      lex_.Fail("LIKE or IN expected but " + lex_.Describe() + " found");
    } else {
      return left;
    }
    return negated ? Wrap(FilterNodeClass::Unary, FilterOp::Not, std::move(result)) : std::move(result);
  }

  TFilterAstPtr ParseAdditive() {
    auto left = ParseMultiplicative();
    for (;;) {
      FilterOp op;
      if (lex_.IsSymbol("+")) {
        op = FilterOp::Add;
      } else if (lex_.IsSymbol("-")) {
        op = FilterOp::Subtract;
      } else {
        return left;
      }
      lex_.Next();
      left = Join(op, std::move(left), ParseMultiplicative());
    }
  }

  TFilterAstPtr ParseMultiplicative() {
    auto left = ParseUnary();
    for (;;) {
      FilterOp op;
      if (lex_.IsSymbol("*")) {
        op = FilterOp::Multiply;
      } else if (lex_.IsSymbol("/")) {
        op = FilterOp::Divide;
      } else if (lex_.IsKeyword("MOD")) {
        op = FilterOp::Modulo;
      } else if (lex_.IsKeyword("REM")) {
        op = FilterOp::Remainder;
      } else {
        return left;
      }
      lex_.Next();
      left = Join(op, std::move(left), ParseUnary());
    }
  }

  TFilterAstPtr ParseUnary() {
    if (lex_.IsSymbol("+") || lex_.IsSymbol("-")) {
      Nesting nesting(*this);
      const bool minus = lex_.IsSymbol("-");
      const int position = lex_.Position();
      lex_.Next();
      // A negative number stays a constant, so it can take a field's type.
      if (minus && lex_.Kind() == FilterToken::Number) return ParseNumber("-", position);
      auto operand = ParseUnary();
      return minus ? Wrap(FilterNodeClass::Unary, FilterOp::Negate, std::move(operand))
                   : std::move(operand);
    }
    return ParsePrimary();
  }

  TFilterAstPtr ParsePrimary() {
    const int position = lex_.Position();
    switch (lex_.Kind()) {
      case FilterToken::Number:
        return ParseNumber("", position);
      case FilterToken::Text: {
        auto ast = NewConstant(classlib::ftString, Variant(lex_.Value()), position);
        lex_.Next();
        return ast;
      }
      case FilterToken::QuotedName:
        return ParseField(position);
      case FilterToken::Name:
        return ParseName(position);
      default:
        break;
    }
    if (lex_.IsSymbol("(")) {
      lex_.Next();
      auto ast = ParseOr();
      Expect(")");
      return ast;
    }
    lex_.Fail("Expression expected but " + lex_.Describe() + " found");
  }

  TFilterAstPtr ParseName(int position) {
    if (lex_.IsKeyword("TRUE") || lex_.IsKeyword("FALSE")) {
      auto ast = NewConstant(classlib::ftBoolean, Variant(lex_.IsKeyword("TRUE")), position);
      lex_.Next();
      return ast;
    }
    if (lex_.IsKeyword("NULL")) {
      auto ast = NewNode(FilterNodeClass::Constant, FilterOp::Constant, position);
      ast->is_null = true;
      lex_.Next();
      return ast;
    }
    if (IsKeywordName(lex_.Value())) {
      lex_.Fail("Expression expected but " + lex_.Describe() + " found");
    }
    const std::string name = lex_.Value();
    auto field = ParseField(position);
    if (!lex_.IsSymbol("(")) return field;
    return ParseCall(classlib::AnsiUpperCase(name), position);
  }

  TFilterAstPtr ParseField(int position) {
    auto ast = NewNode(FilterNodeClass::Field, FilterOp::FieldRef, position);
    ast->name = lex_.Value();
    lex_.Next();
    return ast;
  }

  // UPPER and LOWER of one argument have operators of their own; every
  // other call keeps its name and a single argument or a list.
  TFilterAstPtr ParseCall(const std::string& name, int position) {
    if (!IsFunctionName(name)) {
      throw classlib::EDatabaseError("Unknown function " + name + " at position " +
                                     std::to_string(position));
    }
    auto args = ParseList();
    if (args->operands.size() == 1 && (name == "UPPER" || name == "LOWER")) {
      return Wrap(FilterNodeClass::Unary, name == "UPPER" ? FilterOp::Upper : FilterOp::Lower,
                  std::move(args->operands[0]));
    }
    auto call = NewNode(FilterNodeClass::Function, FilterOp::Call, position);
    call->name = name;
    if (args->operands.size() == 1) {
      call->operands.push_back(std::move(args->operands[0]));
    } else if (!args->operands.empty()) {
      call->operands.push_back(std::move(args));
    }
    return call;
  }

  // "(" [expression {"," expression}] ")"
  TFilterAstPtr ParseList() {
    auto list = NewNode(FilterNodeClass::ListElement, FilterOp::ListElement, lex_.Position());
    Expect("(");
    if (TakeSymbol(")")) return list;
    do {
      list->operands.push_back(ParseOr());
    } while (TakeSymbol(","));
    Expect(")");
    return list;
  }

  TFilterAstPtr ParseNumber(const std::string& sign, int position) {
    const std::string text = sign + lex_.Value();
    lex_.Next();
    int64_t whole = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, whole);
    if (ec == std::errc() && ptr == end && whole >= INT32_MIN && whole <= INT32_MAX) {
      return NewConstant(classlib::ftInteger, Variant(static_cast<int32_t>(whole)), position);
    }
    double value = 0;
    auto [fptr, fec] = std::from_chars(text.data(), end, value);
    if (fec != std::errc() || fptr != end || !std::isfinite(value)) {
      throw classlib::EDatabaseError("Malformed number at position " + std::to_string(position));
    }
    return NewConstant(classlib::ftFloat, Variant(value), position);
  }

  // A comparison of a field with a constant gives the constant the field's
  // type (a LIKE mask stays a text); = <> and LIKE against a text honour
  // the filter options.
  TFilterAstPtr Compare(FilterOp op, TFilterAstPtr left, TFilterAstPtr right) {
    if (left->is_null || right->is_null) return CompareWithNull(op, std::move(left), std::move(right));
    if (op != FilterOp::Like) {
      TypeAgainst(*right, *left);
      TypeAgainst(*left, *right);
    }
    TFilterAst* text = IsTextConstant(*right) ? right.get() : IsTextConstant(*left) ? left.get() : nullptr;
    const bool textual_op = op == FilterOp::Equal || op == FilterOp::NotEqual || op == FilterOp::Like;
    const bool case_insensitive = options_.Contains(classlib::foCaseInsensitive);
    uint16_t partial = 0;
    if (text != nullptr && textual_op && op != FilterOp::Like) partial = TakePartialMark(*text);
    auto ast = Join(op, std::move(left), std::move(right));
    if (text != nullptr && textual_op && (case_insensitive || partial > 0)) {
      ast->node_class = FilterNodeClass::Compare;
      ast->case_insensitive = case_insensitive;
      ast->partial_length = partial;
    }
    return ast;
  }

  TFilterAstPtr CompareWithNull(FilterOp op, TFilterAstPtr left, TFilterAstPtr right) {
    const int position = left->is_null ? left->position : right->position;
    if (left->is_null && right->is_null) {
      throw classlib::EDatabaseError("NULL compared with NULL at position " + std::to_string(position));
    }
    if (op != FilterOp::Equal && op != FilterOp::NotEqual) {
      throw classlib::EDatabaseError("NULL may only be compared with = or <> at position " +
                                     std::to_string(position));
    }
    auto other = left->is_null ? std::move(right) : std::move(left);
    return Wrap(FilterNodeClass::Unary,
                op == FilterOp::Equal ? FilterOp::IsBlank : FilterOp::NotBlank, std::move(other));
  }

  // 'Jo*' compares the first two characters; the mark is dropped.
  uint16_t TakePartialMark(TFilterAst& text) {
    if (options_.Contains(classlib::foNoPartialCompare)) return 0;
    std::string value = text.constant.AsString();
    if (value.size() < 2 || value.back() != '*' || value.size() > kNoNode) return 0;
    value.pop_back();
    text.constant = Variant(value);
    return static_cast<uint16_t>(value.size());
  }

  // Converts a constant to the type of the field on the other side.
  void TypeAgainst(TFilterAst& constant, const TFilterAst& other) {
    if (constant.node_class != FilterNodeClass::Constant || constant.is_null ||
        other.node_class != FilterNodeClass::Field || fields_ == nullptr) {
      return;
    }
    const TFilterField* field = fields_->FindField(other.name);
    if (field == nullptr) return;
    try {
      TypeConstantForField(constant, field->DataType());
    } catch (const classlib::Exception& e) {
      throw classlib::EDatabaseError("Constant does not suit field " + other.name + " (" +
                                     e.Message() + ") at position " +
                                     std::to_string(constant.position));
    }
  }

  bool TakeKeyword(std::string_view keyword) {
    if (!lex_.IsKeyword(keyword)) return false;
    lex_.Next();
    return true;
  }

  bool TakeSymbol(std::string_view symbol) {
    if (!lex_.IsSymbol(symbol)) return false;
    lex_.Next();
    return true;
  }

  void Expect(std::string_view symbol) {
    if (!TakeSymbol(symbol)) {
      lex_.Fail("'" + std::string(symbol) + "' expected but " + lex_.Describe() + " found");
    }
  }

  TFilterLexer lex_;
  classlib::TFilterOptions options_;
  TFilterFieldSource* fields_;
  int depth_ = 0;
};

}  // namespace

TFilterTree CompileFilter(std::string_view text, classlib::TFilterOptions options,
                          TFilterFieldSource* fields) {
  Parser parser(text, options, fields);
  return WriteFilterTree(*parser.ParseAll());
}

}  // namespace fib
