// The filter compiler's own syntax tree, between parsing and writing the
// compiled tree. Lists (IN lists, function arguments) are one node holding
// their elements; the writer turns them into chains of list elements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/db_types.h"
#include "classlib/variant.h"
#include "fib/sql/filter_nodes.h"

namespace fib {

struct TFilterAst {
  FilterNodeClass node_class{};
  FilterOp op{};
  std::vector<std::unique_ptr<TFilterAst>> operands;
  std::string name;                   // field or function name
  classlib::TFieldType constant_type = classlib::ftUnknown;
  classlib::Variant constant;         // before encoding
  bool is_null = false;               // the NULL keyword, allowed only in = and <>
  bool case_insensitive = false;      // compare nodes
  uint16_t partial_length = 0;        // compare nodes; 0 is none
  int position = 0;                   // in the filter text, for messages
};

using TFilterAstPtr = std::unique_ptr<TFilterAst>;

// Gives a constant compared with a field the field's type: texts become
// dates, numbers or Booleans, whole numbers take an integer field's width.
// The class library's conversion errors propagate.
void TypeConstantForField(TFilterAst& constant, classlib::TFieldType field_type);

// Writes the tree, root first. EDatabaseError for a stray NULL, a tree
// nested deeper than kMaxFilterDepth or one too long for 16-bit offsets.
TFilterTree WriteFilterTree(const TFilterAst& root);

}  // namespace fib
