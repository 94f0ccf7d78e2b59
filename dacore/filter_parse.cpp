// The filter grammar, by recursive descent with one token of look-ahead:
//   expression := term { OR term }
//   term       := factor { AND factor }
//   factor     := NOT factor | TRUE | FALSE | "(" expression ")" | operand compare operand
//   compare    := "=" | ">" | "<" | ">=" | "<=" | "<>" | LIKE | IS [NOT] NULL
//   operand    := identifier { "." identifier } | "[" ... "]" | string | [sign] number
//                 | TRUE | FALSE | NULL
#include <algorithm>
#include <string>

#include "classlib/exceptions.h"
#include "classlib/format.h"
#include "classlib/numconv.h"
#include "dacore/filter_lexer.h"
#include "dacore/filter_node.h"
#include "dacore/messages.h"
#include "dacore/store_data.h"

namespace dacore {

namespace {

constexpr int kMaxDepth = 1000;
constexpr int kMaxNesting = 256;

// Parsing and evaluation recurse along the tree, so a text nested or
// chained deeper than this is refused rather than left to exhaust the stack.
[[noreturn]] void Illegal() { throw classlib::EDatabaseError(SIllegalFilter); }

bool IsCompare(int code) { return (code >= bcEqual && code <= bcNotEqual) || code == bcLike || code == bcIs; }

class FilterBuilder {
 public:
  FilterBuilder(const std::string& text, const TData& data, TFilterExpression& expr)
      : parser_(text), data_(data), expr_(expr) {}

  TExpressionNode* Build() {
    Next();
    TExpressionNode* root = Expression();
    if (code_ != lcEnd) Illegal();
    return root;
  }

 private:
  void Next() {
    try {
      code_ = parser_.GetNextToken(lexeme_);
    } catch (const classlib::Exception&) {
      Illegal();  // a character the lexer does not know
    }
  }

  TExpressionNode* Expression() {
    TExpressionNode* node = Term();
    while (code_ == bcOr) {
      Next();
      node = expr_.NewNode(ntOr, node, Term());
    }
    return node;
  }

  TExpressionNode* Term() {
    TExpressionNode* node = Factor();
    while (code_ == bcAnd) {
      Next();
      node = expr_.NewNode(ntAnd, node, Factor());
    }
    return node;
  }

  TExpressionNode* Factor() {
    switch (code_) {
      case bcNot:
        Next();
        return Nested([&] { return expr_.NewNode(ntNot, Factor()); });
      case bcTrue:
      case bcFalse: {
        const bool value = code_ == bcTrue;
        Next();
        if (!IsCompare(code_)) return expr_.NewNode(value ? ntTrue : ntFalse);
        return Comparison(Value(classlib::Variant(value)));
      }
      case bcOpen: {
        Next();
        TExpressionNode* node = Nested([&] { return Expression(); });
        if (code_ != bcClose) Illegal();
        Next();
        return node;
      }
      default:
        return Comparison(Operand());
    }
  }

  // Brackets and NOT nest the descent itself; its depth is bounded too.
  template <class Parse>
  TExpressionNode* Nested(Parse parse) {
    if (++nesting_ > kMaxNesting) Illegal();
    TExpressionNode* node = parse();
    --nesting_;
    return node;
  }

  TExpressionNode* Comparison(TExpressionNode* left) {
    TExpressionKind kind;
    switch (code_) {
      case bcEqual: kind = ntEqual; break;
      case bcGreater: kind = ntMore; break;
      case bcLess: kind = ntLess; break;
      case bcGreaterEqual: kind = ntMoreEqual; break;
      case bcLessEqual: kind = ntLessEqual; break;
      case bcNotEqual: kind = ntNoEqual; break;
      case bcLike: kind = ntLike; break;
      case bcIs: {
        Next();
        kind = ntEqual;
        if (code_ == bcNot) {
          kind = ntNoEqual;
          Next();
        }
        if (code_ != bcNull) Illegal();
        Next();
        return Direct(expr_.NewNode(kind, left, Value(classlib::Null())));
      }
      default: Illegal();
    }
    Next();
    return Direct(expr_.NewNode(kind, left, Operand()));
  }

  // Marks a comparison that can be decided from the record's bytes: a field
  // of a number type the store reads as stored, against a number or NULL.
  TExpressionNode* Direct(TExpressionNode* node) {
    const bool field_left = node->left->kind == ntField;
    const TExpressionNode* field = field_left ? node->left : node->right;
    const TExpressionNode* constant = field_left ? node->right : node->left;
    if (field->kind != ntField || constant->kind != ntValue) return node;
    if (!classlib::VarIsNull(constant->value) && constant->value.VType() != classlib::varDouble) return node;
    if (!IsDirectNumber(field->field->DataType()) || field->field->FieldKind() == fkCalculated ||
        !data_.ReadsValueAsStored(*field->field))
      return node;
    node->direct = true;
    node->direct_kind = field_left ? node->kind : Turned(node->kind);
    node->direct_field = field->field;
    node->direct_null = classlib::VarIsNull(constant->value);
    if (!node->direct_null) node->direct_number = constant->value.AsDouble();
    CompileDirect(*node, data_);
    return node;
  }

  static bool IsDirectNumber(TDataType t) {
    switch (t) {
      case dtInt8: case dtInt16: case dtInt32: case dtUInt16: case dtUInt32: case dtInt64: case dtFloat:
      case dtCurrency:
        return true;
      default: return false;
    }
  }

  // The comparison with its operands exchanged: a < b is b > a.
  static TExpressionKind Turned(TExpressionKind kind) {
    switch (kind) {
      case ntMore: return ntLess;
      case ntLess: return ntMore;
      case ntMoreEqual: return ntLessEqual;
      case ntLessEqual: return ntMoreEqual;
      default: return kind;
    }
  }

  TExpressionNode* Value(const classlib::Variant& value) {
    TExpressionNode* node = expr_.NewNode(ntValue);
    node->value = value;
    return node;
  }

  TExpressionNode* Operand() {
    const int code = code_;
    const std::string lexeme = lexeme_;
    switch (code) {
      case lcIdent: return Field(FieldName());
      case bcOpenBracket: return Field(BracketName());
      case lcString: {
        const char quote = parser_.GetCharAt(parser_.GetPrevPos());
        Next();
        return Value(UndoubleQuotes(lexeme, quote));
      }
      case lcNumber: Next(); return Value(Number(lexeme));
      case bcMinus:
      case bcPlus: {
        Next();
        if (code_ != lcNumber) Illegal();
        const std::string number = (code == bcMinus ? "-" : "") + lexeme_;
        Next();
        return Value(Number(number));
      }
      case bcTrue: Next(); return Value(classlib::Variant(true));
      case bcFalse: Next(); return Value(classlib::Variant(false));
      case bcNull: Next(); return Value(classlib::Null());
      default: Illegal();
    }
  }

  static classlib::Variant Number(const std::string& text) {
    double value = 0;
    if (!classlib::TryStrToFloat(text, value)) Illegal();
    return classlib::Variant(value);
  }

  std::string FieldName() {
    std::string name = lexeme_;
    Next();
    while (code_ == lcSymbol && lexeme_ == ".") {
      Next();
      if (code_ != lcIdent) Illegal();
      name += "." + lexeme_;
      Next();
    }
    return name;
  }

  // The text between the brackets as written, blanks kept.
  std::string BracketName() {
    const int from = parser_.GetCurrPos();
    do Next();
    while (code_ != bcCloseBracket && code_ != lcEnd);
    if (code_ == lcEnd) Illegal();
    const std::string name = parser_.TextBetween(from, parser_.GetPrevPos());
    Next();
    return name;
  }

  TExpressionNode* Field(const std::string& name) {
    const TFieldDesc* field = data_.FindField(name);
    if (!field) throw classlib::EDatabaseError(classlib::Format(SFieldNotFound, {name}));
    TExpressionNode* node = expr_.NewNode(ntField);
    node->field = field;
    return node;
  }

  TBoolParser parser_;
  const TData& data_;
  TFilterExpression& expr_;
  int code_ = lcEnd;
  std::string lexeme_;
  int nesting_ = 0;
};

}  // namespace

TFilterExpression::TFilterExpression(const std::string& text, const TData& data) {
  root_ = FilterBuilder(text, data, *this).Build();
}

TExpressionNode* TFilterExpression::NewNode(TExpressionKind kind, TExpressionNode* left, TExpressionNode* right) {
  const int depth = 1 + std::max(left ? left->depth : 0, right ? right->depth : 0);
  if (depth > kMaxDepth) Illegal();
  nodes_.push_back(std::make_unique<TExpressionNode>());
  TExpressionNode* node = nodes_.back().get();
  node->depth = depth;
  node->kind = kind;
  node->left = left;
  node->right = right;
  return node;
}

}  // namespace dacore
