// Evaluation of a filter tree against a record, and the pattern match.
#include <string>

#include "classlib/ansistr.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "dacore/filter_node.h"
#include "dacore/store_data.h"

namespace dacore {

namespace {

bool IsDateType(TDataType t) { return t == dtDate || t == dtTime || t == dtDateTime; }

classlib::Variant OperandValue(TData& data, const TExpressionNode* node, void* rec) {
  CLASSLIB_ASSERT(node != nullptr);
  if (node->kind == ntValue) return node->value;
  CLASSLIB_ASSERT(node->kind == ntField);
  classlib::Variant value;
  data.GetFieldAsVariant(node->field->FieldNo(), rec, value);
  return value;
}

// A text compared with a date field is read as a date-time.
void TextToDate(classlib::Variant& v) {
  if (!classlib::VarIsStr(v)) return;
  classlib::TDateTime dt = 0;
  if (classlib::TryStrToDateTime(v.AsString(), dt)) v = classlib::Variant::FromDate(dt);
  else v = classlib::VarAsType(v, classlib::varDate);
}

bool IsDateField(const TExpressionNode* node) { return node->kind == ntField && IsDateType(node->field->DataType()); }

bool Compare(TData& data, const TExpressionNode* node, void* rec) {
  classlib::Variant left = OperandValue(data, node->left, rec);
  classlib::Variant right = OperandValue(data, node->right, rec);
  if (IsDateField(node->left)) TextToDate(right);
  if (IsDateField(node->right)) TextToDate(left);
  if (data.FilterCaseInsensitive()) {
    if (classlib::VarIsStr(left)) left = classlib::AnsiUpperCase(left.AsString());
    if (classlib::VarIsStr(right)) right = classlib::AnsiUpperCase(right.AsString());
  }
  const bool left_null = classlib::VarIsNull(left), right_null = classlib::VarIsNull(right);
  if (left_null || right_null) {
    // IS NULL tests the null flag: an empty text is a value, and a Null is
    // never taken as text.
    const bool both = left_null && right_null;
    if (node->kind == ntEqual || node->kind == ntLike) return both;
    if (node->kind == ntNoEqual) return !both;
    return false;
  }
  const bool pattern = !data.FilterNoPartialCompare() && classlib::VarIsStr(left);
  switch (node->kind) {
    case ntEqual:
    case ntLike: return pattern ? FilterPatternMatch(left.AsString(), classlib::VarToStr(right)) : left == right;
    case ntNoEqual: return pattern ? !FilterPatternMatch(left.AsString(), classlib::VarToStr(right)) : left != right;
    case ntMore: return left > right;
    case ntLess: return left < right;
    case ntMoreEqual: return left >= right;
    case ntLessEqual: return left <= right;
    default: break;
  }
  CLASSLIB_ASSERT(false);
  return false;
}

bool Evaluate(TData& data, const TExpressionNode* node, void* rec) {
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

bool TFilterExpression::Accepts(TData& data, void* rec) const { return !root_ || Evaluate(data, root_, rec); }

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
