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
};

// A parsed filter: the nodes (owned) and the root.
class TFilterExpression {
 public:
  // Parses text against the store's fields: EDatabaseError "Illegal filter
  // expression" for a syntax error, "Field %s not found" for an unknown name.
  TFilterExpression(const std::string& text, const TData& data);
  TFilterExpression(const TFilterExpression&) = delete;
  TFilterExpression& operator=(const TFilterExpression&) = delete;

  // Whether the record passes, under the store's case and partial-compare flags.
  bool Accepts(TData& data, void* rec) const;
  TExpressionNode* Root() const { return root_; }
  TExpressionNode* NewNode(TExpressionKind kind, TExpressionNode* left = nullptr, TExpressionNode* right = nullptr);

 private:
  std::vector<std::unique_ptr<TExpressionNode>> nodes_;
  TExpressionNode* root_ = nullptr;
};

// Whether text matches pattern: "*" and "%" any run of characters, "_" any
// one character, everything else itself.
bool FilterPatternMatch(const std::string& text, const std::string& pattern);

}  // namespace dacore
