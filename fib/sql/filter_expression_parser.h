// Evaluates a data set's filter on the client, record by record. The filter
// text is compiled once, when the parser is created; RecordMatches then
// answers for the data set's current record. Fields are looked up by name
// once and kept in a cache until the data set's fields change.
#pragma once

#include <functional>
#include <string>

#include "classlib/db_types.h"
#include "classlib/object.h"
#include "classlib/strings.h"
#include "classlib/variant.h"
#include "fib/sql/filter_fields.h"
#include "fib/sql/filter_functions.h"
#include "fib/sql/filter_nodes.h"

namespace fib {

// Decides whether a text matches an SQL LIKE mask.
using TFilterLikeFunc = std::function<bool(const std::string& value, const std::string& mask)>;

class TExpressionParser : public classlib::TObject {
  CLASSLIB_CLASS(TExpressionParser, classlib::TObject)
 public:
  // Compiles filter_text; a text that does not compile raises the
  // compiler's error with "Can't parse Filter for: \r\n" before its message.
  // like_func and date_func may be empty: LIKE and DATE(text, format) then
  // raise "Incorrectly formed filter expression".
  TExpressionParser(TFilterFieldSource& data_set, TFilterLikeFunc like_func,
                    TFilterDateFunc date_func, classlib::TFilterOptions options,
                    const std::string& filter_text);
  // Runs an already compiled tree.
  TExpressionParser(TFilterFieldSource& data_set, TFilterLikeFunc like_func,
                    TFilterDateFunc date_func, TFilterTree tree);

  const std::string& FilterText() const { return filter_text_; }
  TFilterFieldSource& DataSet() const { return data_set_; }
  const TFilterTree& Tree() const { return tree_; }

  // The cached field, or the data set's (which raises its own error for an
  // unknown name), then cached.
  TFilterField* FieldByNameCached(const std::string& name);
  void ClearFieldCache() { field_cache_.Clear(); }

  classlib::Variant EvaluateFilterNode(const TFilterNode& node) { return EvaluateNode(node, 1); }
  // The root's value as a Boolean; null counts as false.
  bool Evaluate();
  bool RecordMatches() { return Evaluate(); }

 private:
  classlib::Variant EvaluateNode(const TFilterNode& node, int depth);
  classlib::Variant EvaluateChild(const TFilterNode& node, int slot, int depth);
  classlib::Variant EvaluateField(const TFilterNode& node);
  classlib::Variant EvaluateConstant(const TFilterNode& node);
  classlib::Variant EvaluateUnary(const TFilterNode& node, int depth);
  classlib::Variant EvaluateBinary(const TFilterNode& node, int depth);
  classlib::Variant EvaluateCompare(const TFilterNode& node, int depth);
  classlib::Variant EvaluateList(const TFilterNode& node, int depth);
  classlib::Variant EvaluateFunction(const TFilterNode& node, int depth);
  bool Like(const std::string& value, const std::string& mask) const;

  TFilterFieldSource& data_set_;
  TFilterLikeFunc like_func_;
  TFilterDateFunc date_func_;
  std::string filter_text_;
  TFilterTree tree_;
  // Sorted, case-insensitive, without duplicates; the objects are the fields.
  classlib::TStringList field_cache_;
};

}  // namespace fib
