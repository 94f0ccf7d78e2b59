#include "classlib/exceptions.h"
#include "fib/sql/filter_ast.h"
#include "fib/sql/filter_constants.h"

namespace fib {

namespace {

class Writer {
 public:
  uint16_t Write(const TFilterAst& ast, int depth) {
    if (depth > kMaxFilterDepth) {
      throw classlib::EDatabaseError("Filter expression is nested too deeply");
    }
    switch (ast.node_class) {
      case FilterNodeClass::Field: return WriteField(ast);
      case FilterNodeClass::Constant: return WriteConstant(ast);
      case FilterNodeClass::ListElement: return WriteList(ast, depth);
      case FilterNodeClass::Function: return WriteFunction(ast, depth);
      case FilterNodeClass::Compare: return WriteCompare(ast, depth);
      default: return WriteOperator(ast, depth);
    }
  }

  TFilterTree Finish() const { return out_.Finish(); }

 private:
  // Unary and binary nodes: one cell per operand.
  uint16_t WriteOperator(const TFilterAst& ast, int depth) {
    const int count = static_cast<int>(ast.operands.size());
    const uint16_t node = out_.AddNode(ast.node_class, ast.op, count);
    for (int i = 0; i < count; ++i) out_.SetOperand(node, i, Write(*ast.operands[i], depth + 1));
    return node;
  }

  uint16_t WriteCompare(const TFilterAst& ast, int depth) {
    const uint16_t node = out_.AddNode(FilterNodeClass::Compare, ast.op, 4);
    out_.SetOperand(node, 0, ast.case_insensitive ? 1 : 0);
    out_.SetOperand(node, 1, ast.partial_length);
    out_.SetOperand(node, 2, Write(*ast.operands[0], depth + 1));
    out_.SetOperand(node, 3, Write(*ast.operands[1], depth + 1));
    return node;
  }

  uint16_t WriteField(const TFilterAst& ast) {
    const uint16_t node = out_.AddNode(FilterNodeClass::Field, FilterOp::FieldRef, 1);
    out_.SetOperand(node, 0, out_.AddLiteralText(ast.name));
    return node;
  }

  uint16_t WriteConstant(const TFilterAst& ast) {
    if (ast.is_null) {
      throw classlib::EDatabaseError("NULL may only be compared with = or <> at position " +
                                     std::to_string(ast.position));
    }
    const std::string bytes = EncodeFilterConstant(ast.constant_type, ast.constant);
    if (bytes.size() >= kNoNode) throw classlib::EDatabaseError("Filter expression is too long");
    const uint16_t node = out_.AddNode(FilterNodeClass::Constant, FilterOp::Constant, 3);
    out_.SetOperand(node, 0, static_cast<uint16_t>(ast.constant_type));
    out_.SetOperand(node, 1, static_cast<uint16_t>(bytes.size()));
    out_.SetOperand(node, 2, out_.AddLiteralBytes(bytes.data(), bytes.size()));
    return node;
  }

  uint16_t WriteFunction(const TFilterAst& ast, int depth) {
    const uint16_t node = out_.AddNode(FilterNodeClass::Function, FilterOp::Call, 2);
    out_.SetOperand(node, 0, out_.AddLiteralText(ast.name));
    if (!ast.operands.empty()) out_.SetOperand(node, 1, Write(*ast.operands[0], depth + 1));
    return node;
  }

  // The chain is walked, not recursed, by the evaluator: its elements sit
  // one level down however long the list is.
  uint16_t WriteList(const TFilterAst& ast, int depth) {
    uint16_t first = kNoNode;
    uint16_t previous = kNoNode;
    for (const auto& element : ast.operands) {
      const uint16_t node = out_.AddNode(FilterNodeClass::ListElement, FilterOp::ListElement, 2);
      if (previous == kNoNode) {
        first = node;
      } else {
        out_.SetOperand(previous, 1, node);
      }
      out_.SetOperand(node, 0, Write(*element, depth + 1));
      previous = node;
    }
    return first;
  }

  TFilterTreeWriter out_;
};

}  // namespace

TFilterTree WriteFilterTree(const TFilterAst& root) {
  Writer writer;
  writer.Write(root, 1);
  return writer.Finish();
}

}  // namespace fib
