// Filter expressions: a tree of TExpressionNodes built from a filter text
// such as SALARY > 1000 AND NAME LIKE 'A%', and evaluated against a record
// when the store decides whether the row is visible.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/object.h"
#include "classlib/variant.h"
#include "dacore/field_desc.h"

namespace dacore {

class TData;
class TExpressionNode;

// A direct comparison compiled to a test of the record's bytes: the field's
// null byte and value sit at fixed offsets, and the value's type and the
// comparison are fixed in the function chosen when the tree is built.
using TDirectTest = bool (*)(const TExpressionNode& node, const uint8_t* rec);

// Node kinds.
enum TExpressionKind : uint8_t {
  ntEqual = 0,  // "=", also IS NULL
  ntMore = 1,
  ntLess = 2,
  ntMoreEqual = 3,
  ntLessEqual = 4,
  ntNoEqual = 5,  // "<>", also IS NOT NULL
  ntAnd = 6,
  ntOr = 7,
  ntNot = 8,
  ntField = 9,
  ntValue = 10,
  ntTrue = 11,
  ntFalse = 12,
  ntLike = 13
};

class TExpressionNode : public classlib::TObject {
  CLASSLIB_CLASS(TExpressionNode, classlib::TObject)
 public:
  TExpressionKind kind = ntTrue;
  TExpressionNode* left = nullptr;
  TExpressionNode* right = nullptr;
  const TFieldDesc* field = nullptr;  // of a field operand
  classlib::Variant value;            // of a value operand
  int depth = 1;                      // of the subtree
  // A comparison of a number field that the store reads as its record holds
  // it with a number or NULL: decided from the record's bytes, as the
  // Variants of the field and the constant would decide it. The field is
  // left, the constant right; a comparison written the other way round is
  // turned (direct_kind). Set when the tree is built.
  bool direct = false;
  TExpressionKind direct_kind = ntEqual;
  const TFieldDesc* direct_field = nullptr;
  bool direct_null = false;    // the constant is NULL
  double direct_number = 0;    // else the constant
  TDirectTest direct_test = nullptr;
  uint32_t direct_null_offset = 0;   // of the field's null byte in the record
  uint32_t direct_value_offset = 0;  // of its value
};

// Fills a direct node's test and offsets from its field and constant.
void CompileDirect(TExpressionNode& node, const TData& data);

// A parsed filter: the nodes (owned) and the root.
class TFilterExpression {
 public:
  // Parses text against the store's fields: EDatabaseError "Illegal filter
  // expression" for a syntax error, "Field %s not found" for an unknown name.
  TFilterExpression(const std::string& text, const TData& data);
  TFilterExpression(const TFilterExpression&) = delete;
  TFilterExpression& operator=(const TFilterExpression&) = delete;

  // Whether the record passes, under the store's case and partial-compare
  // flags. A filter that is one direct comparison is decided right here:
  // the store tests every row with it.
  bool Accepts(TData& data, void* rec) const {
    if (root_ && root_->direct_test) return root_->direct_test(*root_, static_cast<const uint8_t*>(rec));
    return Evaluate(data, rec);
  }
  TExpressionNode* Root() const { return root_; }
  TExpressionNode* NewNode(TExpressionKind kind, TExpressionNode* left = nullptr, TExpressionNode* right = nullptr);

 private:
  bool Evaluate(TData& data, void* rec) const;

  std::vector<std::unique_ptr<TExpressionNode>> nodes_;
  TExpressionNode* root_ = nullptr;
};

// Whether a comparison holds for two values in the given order (below,
// equal to or above zero: left before, with or after right).
inline bool HoldsOrder(TExpressionKind kind, int order) {
  switch (kind) {
    case ntEqual: case ntLike: return order == 0;
    case ntNoEqual: return order != 0;
    case ntMore: return order > 0;
    case ntLess: return order < 0;
    case ntMoreEqual: return order >= 0;
    case ntLessEqual: return order <= 0;
    default: return false;
  }
}

// The order of two floats of which one at least is a NaN, as the store
// sorts them: a NaN equals only a NaN and follows every number.
inline int NaNLastOrder(bool left_nan, bool right_nan) { return left_nan == right_nan ? 0 : left_nan ? 1 : -1; }

// Whether text matches pattern: "*" and "%" any run of characters, "_" any
// one character, everything else itself.
bool FilterPatternMatch(const std::string& text, const std::string& pattern);

}  // namespace dacore
