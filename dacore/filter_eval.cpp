// Evaluation of a filter tree against a record, and the pattern match.
#include <cmath>
#include <string>

#include "classlib/ansistr.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/unaligned.h"
#include "dacore/filter_node.h"
#include "dacore/store_data.h"

namespace dacore {

namespace {

using classlib::LoadUnaligned;

bool IsDateType(TDataType t) { return t == dtDate || t == dtTime || t == dtDateTime; }

// A value operand's constant is used where it stands; a field's value is
// read into holder.
const classlib::Variant& OperandValue(TData& data, const TExpressionNode* node, void* rec, classlib::Variant& holder) {
  CLASSLIB_ASSERT(node != nullptr);
  if (node->kind == ntValue) return node->value;
  CLASSLIB_ASSERT(node->kind == ntField);
  data.GetFieldAsVariant(node->field->FieldNo(), rec, holder);
  return holder;
}

// A text compared with a date field is read as a date-time.
void TextToDate(classlib::Variant& v) {
  if (!classlib::VarIsStr(v)) return;
  classlib::TDateTime dt = 0;
  if (classlib::TryStrToDateTime(v.AsString(), dt)) v = classlib::Variant::FromDate(dt);
  else v = classlib::VarAsType(v, classlib::varDate);
}

bool IsDateField(const TExpressionNode* node) { return node->kind == ntField && IsDateType(node->field->DataType()); }

bool CompareValues(TData& data, TExpressionKind kind, const classlib::Variant& left, const classlib::Variant& right);

bool Compare(TData& data, const TExpressionNode* node, void* rec) {
  classlib::Variant left_holder, right_holder;
  const classlib::Variant* left = &OperandValue(data, node->left, rec, left_holder);
  const classlib::Variant* right = &OperandValue(data, node->right, rec, right_holder);
  // Conversions work on copies: a constant stays as it was written.
  auto own = [](const classlib::Variant*& v, classlib::Variant& holder) -> classlib::Variant& {
    if (v != &holder) holder = *v;
    v = &holder;
    return holder;
  };
  if (IsDateField(node->left) && classlib::VarIsStr(*right)) TextToDate(own(right, right_holder));
  if (IsDateField(node->right) && classlib::VarIsStr(*left)) TextToDate(own(left, left_holder));
  if (data.FilterCaseInsensitive()) {
    if (classlib::VarIsStr(*left)) own(left, left_holder) = classlib::AnsiUpperCase(left->AsString());
    if (classlib::VarIsStr(*right)) own(right, right_holder) = classlib::AnsiUpperCase(right->AsString());
  }
  return CompareValues(data, node->kind, *left, *right);
}

// The ordering comparisons, alike for Variants and for stored numbers.
template <class T>
bool Ordered(TExpressionKind kind, const T& left, const T& right) {
  switch (kind) {
    case ntMore: return left > right;
    case ntLess: return left < right;
    case ntMoreEqual: return left >= right;
    case ntLessEqual: return left <= right;
    default: break;
  }
  CLASSLIB_ASSERT(false);
  return false;
}

bool IsNaN(const classlib::Variant& v) {
  return (v.VType() == classlib::varDouble || v.VType() == classlib::varSingle) && std::isnan(v.AsDouble());
}

// The order of two numbers of which one is a NaN, as the store sorts them.
int NaNOrder(const classlib::Variant& left, const classlib::Variant& right) {
  return NaNLastOrder(std::isnan(left.AsDouble()), std::isnan(right.AsDouble()));
}

bool CompareValues(TData& data, TExpressionKind kind, const classlib::Variant& left, const classlib::Variant& right) {
  const bool left_null = classlib::VarIsNull(left), right_null = classlib::VarIsNull(right);
  if (left_null || right_null) {
    // IS NULL tests the null flag: an empty text is a value, and a Null is
    // never taken as text.
    const bool both = left_null && right_null;
    if (kind == ntEqual || kind == ntLike) return both;
    if (kind == ntNoEqual) return !both;
    return false;
  }
  if (IsNaN(left) || IsNaN(right)) {
    if (classlib::VarIsNumeric(left) && classlib::VarIsNumeric(right)) return HoldsOrder(kind, NaNOrder(left, right));
  }
  const bool pattern = !data.FilterNoPartialCompare() && classlib::VarIsStr(left);
  switch (kind) {
    case ntEqual:
    case ntLike: return pattern ? FilterPatternMatch(left.AsString(), classlib::VarToStr(right)) : left == right;
    case ntNoEqual: return pattern ? !FilterPatternMatch(left.AsString(), classlib::VarToStr(right)) : left != right;
    default: return Ordered(kind, left, right);
  }
}

bool Evaluate(TData& data, const TExpressionNode* node, void* rec) {
  if (node->direct_test) return node->direct_test(*node, static_cast<const uint8_t*>(rec));
  switch (node->kind) {
    case ntAnd: return Evaluate(data, node->left, rec) && Evaluate(data, node->right, rec);
    case ntOr: return Evaluate(data, node->left, rec) || Evaluate(data, node->right, rec);
    case ntNot: return !Evaluate(data, node->left, rec);
    case ntTrue: return true;
    case ntFalse: return false;
    case ntEqual: case ntMore: case ntLess: case ntMoreEqual: case ntLessEqual: case ntNoEqual: case ntLike:
      return Compare(data, node, rec);
    default: break;
  }
  CLASSLIB_ASSERT(false);
  return false;
}

}  // namespace

bool TFilterExpression::Evaluate(TData& data, void* rec) const { return !root_ || dacore::Evaluate(data, root_, rec); }

// Wildcards backtrack only to the last "*" or "%" seen, so any pattern
// matches in time proportional to the text times the pattern.
bool FilterPatternMatch(const std::string& text, const std::string& pattern) {
  size_t s = 0, p = 0;
  size_t star = std::string::npos, resume = 0;
  while (s < text.size()) {
    if (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%')) {
      star = p++;
      resume = s;
    } else if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[s])) {
      ++p;
      ++s;
    } else if (star != std::string::npos) {
      p = star + 1;
      s = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%')) ++p;
  return p == pattern.size();
}

}  // namespace dacore
