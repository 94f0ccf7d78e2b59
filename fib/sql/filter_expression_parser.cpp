#include "fib/sql/filter_expression_parser.h"

#include <vector>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "fib/sql/filter_compiler.h"
#include "fib/sql/filter_constants.h"

namespace fib {

using classlib::Variant;

namespace {

TFilterTree CompileOrExplain(const std::string& text, classlib::TFilterOptions options,
                             TFilterFieldSource& fields) {
  try {
    return CompileFilter(text, options, &fields);
  } catch (classlib::Exception& e) {
    e.SetMessage("Can't parse Filter for: \r\n" + e.Message());
    throw;
  }
}

// Unknown (null) is no more true than false.
bool AsFilterBoolean(const Variant& v) {
  if (classlib::VarIsNull(v) || classlib::VarIsEmpty(v)) return false;
  return v.AsBoolean();
}

bool IsBlank(const Variant& v) { return classlib::VarIsNull(v) || classlib::VarIsEmpty(v); }

Variant Modulo(const Variant& a, const Variant& b) {
  if (classlib::VarIsNull(a) || classlib::VarIsNull(b)) return classlib::Null();
  const int64_t x = a.AsInt64();
  const int64_t y = b.AsInt64();
  if (y == 0) throw classlib::EVariantError("Division by zero");
  const int64_t r = y == -1 ? 0 : x % y;  // INT64_MIN % -1 would trap
  if (r >= INT32_MIN && r <= INT32_MAX) return Variant(static_cast<int32_t>(r));
  return Variant(static_cast<long long>(r));
}

bool Compare(FilterOp op, const Variant& a, const Variant& b) {
  switch (op) {
    case FilterOp::Equal: return a == b;
    case FilterOp::NotEqual: return a != b;
    case FilterOp::Greater: return a > b;
    case FilterOp::Less: return a < b;
    case FilterOp::GreaterOrEqual: return a >= b;
    case FilterOp::LessOrEqual: return a <= b;
    default: RaiseMalformedFilter();
  }
}

bool IsComparison(FilterOp op) {
  return op >= FilterOp::Equal && op <= FilterOp::LessOrEqual;
}

}  // namespace

TExpressionParser::TExpressionParser(TFilterFieldSource& data_set, TFilterLikeFunc like_func,
                                     TFilterDateFunc date_func, classlib::TFilterOptions options,
                                     const std::string& filter_text)
    : TExpressionParser(data_set, std::move(like_func), std::move(date_func),
                        CompileOrExplain(filter_text, options, data_set)) {
  filter_text_ = filter_text;
}

TExpressionParser::TExpressionParser(TFilterFieldSource& data_set, TFilterLikeFunc like_func,
                                     TFilterDateFunc date_func, TFilterTree tree)
    : data_set_(data_set),
      like_func_(std::move(like_func)),
      date_func_(std::move(date_func)),
      tree_(std::move(tree)) {
  field_cache_.SetSorted(true);
  field_cache_.SetCaseSensitive(false);
  field_cache_.SetDuplicates(classlib::dupIgnore);
}

TFilterField* TExpressionParser::FieldByNameCached(const std::string& name) {
  int index = 0;
  if (field_cache_.Find(name, index)) {
    return static_cast<TFilterField*>(field_cache_.Objects(index));
  }
  TFilterField* field = data_set_.FieldByName(name);
  field_cache_.AddObject(name, field);
  return field;
}

bool TExpressionParser::Evaluate() { return AsFilterBoolean(EvaluateNode(tree_.Root(), 1)); }

Variant TExpressionParser::EvaluateNode(const TFilterNode& node, int depth) {
  if (depth > kMaxFilterDepth) RaiseMalformedFilter();
  switch (node.node_class) {
    case FilterNodeClass::Field: return EvaluateField(node);
    case FilterNodeClass::Constant: return EvaluateConstant(node);
    case FilterNodeClass::Unary: return EvaluateUnary(node, depth);
    case FilterNodeClass::Binary: return EvaluateBinary(node, depth);
    case FilterNodeClass::Compare: return EvaluateCompare(node, depth);
    case FilterNodeClass::ListElement: return EvaluateList(node, depth);
    case FilterNodeClass::Function: return EvaluateFunction(node, depth);
  }
  RaiseMalformedFilter();
}

Variant TExpressionParser::EvaluateChild(const TFilterNode& node, int slot, int depth) {
  return EvaluateNode(tree_.Child(node, slot), depth + 1);
}

Variant TExpressionParser::EvaluateField(const TFilterNode& node) {
  if (node.op != static_cast<uint32_t>(FilterOp::FieldRef)) RaiseMalformedFilter();
  return FieldByNameCached(tree_.LiteralText(tree_.Operand(node, 0)))->Value();
}

Variant TExpressionParser::EvaluateConstant(const TFilterNode& node) {
  if (node.op != static_cast<uint32_t>(FilterOp::Constant)) RaiseMalformedFilter();
  const auto type = static_cast<classlib::TFieldType>(tree_.Operand(node, 0));
  const uint16_t size = tree_.Operand(node, 1);
  if (!IsFilterConstantType(type)) RaiseMalformedFilter();
  return DecodeFilterConstant(type, tree_.LiteralBytes(tree_.Operand(node, 2), size), size);
}

Variant TExpressionParser::EvaluateUnary(const TFilterNode& node, int depth) {
  const auto op = static_cast<FilterOp>(node.op);
  const Variant value = EvaluateChild(node, 0, depth);
  switch (op) {
    case FilterOp::IsBlank: return Variant(IsBlank(value));
    case FilterOp::NotBlank: return Variant(!IsBlank(value));
    case FilterOp::Not:
      return classlib::VarIsNull(value) ? classlib::Null() : Variant(!value.AsBoolean());
    case FilterOp::Negate: return -value;
    case FilterOp::Upper: return Variant(classlib::AnsiUpperCase(classlib::VarToStr(value)));
    case FilterOp::Lower: return Variant(classlib::AnsiLowerCase(classlib::VarToStr(value)));
    default: RaiseMalformedFilter();
  }
}

Variant TExpressionParser::EvaluateBinary(const TFilterNode& node, int depth) {
  const auto op = static_cast<FilterOp>(node.op);
  if (op == FilterOp::And || op == FilterOp::Or) {
    // The right side runs only when it can change the answer.
    const bool left = AsFilterBoolean(EvaluateChild(node, 0, depth));
    if (left != (op == FilterOp::And)) return Variant(left);
    return Variant(AsFilterBoolean(EvaluateChild(node, 1, depth)));
  }
  const Variant left = EvaluateChild(node, 0, depth);
  const Variant right = EvaluateChild(node, 1, depth);
  if (IsComparison(op)) return Variant(Compare(op, left, right));
  switch (op) {
    case FilterOp::Add: return left + right;
    case FilterOp::Subtract: return left - right;
    case FilterOp::Multiply: return left * right;
    case FilterOp::Divide: return left / right;
    case FilterOp::Modulo:
    case FilterOp::Remainder: return Modulo(left, right);
    case FilterOp::Like:
      return Variant(Like(classlib::VarToStr(left), classlib::VarToStr(right)));
    case FilterOp::In: {
      if (!classlib::VarIsArray(right)) return Variant(left == right);
      const int high = classlib::VarArrayHighBound(right, 1);
      for (int i = classlib::VarArrayLowBound(right, 1); i <= high; ++i) {
        const Variant element = classlib::VarArrayGet(right, {i});
        if (classlib::VarIsEmpty(element)) break;
        if (left == element) return Variant(true);
      }
      return Variant(false);
    }
    case FilterOp::Assign: return right;
    default: RaiseMalformedFilter();
  }
}

// Texts compared with the filter options: a case-insensitive flag and a
// partial length. Nulls are equal to each other and to nothing else.
Variant TExpressionParser::EvaluateCompare(const TFilterNode& node, int depth) {
  const auto op = static_cast<FilterOp>(node.op);
  if (op != FilterOp::Equal && op != FilterOp::NotEqual && op != FilterOp::Like) {
    RaiseMalformedFilter();
  }
  const bool case_insensitive = tree_.Operand(node, 0) != 0;
  const size_t partial = tree_.Operand(node, 1);
  const Variant left = EvaluateChild(node, 2, depth);
  const Variant right = EvaluateChild(node, 3, depth);
  const bool left_null = classlib::VarIsNull(left);
  if (left_null != classlib::VarIsNull(right)) return Variant(op == FilterOp::NotEqual);
  if (left_null) return Variant(op != FilterOp::NotEqual);
  std::string a = classlib::VarToStr(left);
  std::string b = classlib::VarToStr(right);
  if (case_insensitive) {
    a = classlib::AnsiUpperCase(a);
    b = classlib::AnsiUpperCase(b);
  }
  if (op == FilterOp::Like) return Variant(Like(a, b));
  if (partial > 0) {
    a.resize(std::min(a.size(), partial));
    b.resize(std::min(b.size(), partial));
  }
  return Variant(op == FilterOp::Equal ? a == b : a != b);
}

// A chain of list elements becomes one array; elements that are arrays
// themselves contribute their values up to the first empty one. One value
// stands for itself.
Variant TExpressionParser::EvaluateList(const TFilterNode& first, int depth) {
  std::vector<Variant> values;
  TFilterNode node = first;
  for (;;) {
    if (node.op != static_cast<uint32_t>(FilterOp::ListElement)) RaiseMalformedFilter();
    Variant value = EvaluateChild(node, 0, depth);
    if (classlib::VarIsArray(value)) {
      const int high = classlib::VarArrayHighBound(value, 1);
      for (int i = classlib::VarArrayLowBound(value, 1); i <= high; ++i) {
        Variant element = classlib::VarArrayGet(value, {i});
        if (classlib::VarIsEmpty(element)) break;
        values.push_back(std::move(element));
      }
    } else {
      values.push_back(std::move(value));
    }
    if (!tree_.HasChild(node, 1)) break;
    const TFilterNode next = tree_.Child(node, 1);
    if (next.node_class != FilterNodeClass::ListElement) break;
    node = next;
  }
  if (values.size() < 2) return values.empty() ? Variant() : values.front();
  return classlib::VarArrayOf(values);
}

Variant TExpressionParser::EvaluateFunction(const TFilterNode& node, int depth) {
  if (node.op != static_cast<uint32_t>(FilterOp::Call)) RaiseMalformedFilter();
  const std::string name = tree_.LiteralText(tree_.Operand(node, 0));
  if (!tree_.HasChild(node, 1)) return CallFilterFunction(name, nullptr, date_func_);
  const Variant argument = EvaluateChild(node, 1, depth);
  return CallFilterFunction(name, &argument, date_func_);
}

bool TExpressionParser::Like(const std::string& value, const std::string& mask) const {
  if (!like_func_) RaiseMalformedFilter();
  return like_func_(value, mask);
}

}  // namespace fib
