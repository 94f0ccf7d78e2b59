// The compiled form of a filter text: a byte block that the filter compiler
// writes and the expression evaluator reads.
//
//   header   10 bytes: version, total size, node count, node area offset (10),
//            literal area offset (all 16-bit words)
//   nodes    each: node class (32 bits), operator (32 bits), then its
//            operands as 16-bit cells (below); the root node comes first
//   literals names zero-terminated, constant values as raw bytes
//
// Operand cells that name nodes hold offsets into the node area; cells that
// name literals hold offsets into the literal area. A node's operands always
// stand after the node itself, so a walk down the tree can never loop.
//
//   unary      operand
//   binary     left, right
//   compare    case-insensitive flag, partial length (0: none), left, right
//   field      name literal
//   constant   data type (a TFieldType), size, value literal
//   function   name literal, argument (kNoNode: none)
//   list elem  value, next element (kNoNode: end of list)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fib {

enum class FilterNodeClass : uint32_t {
  Unary = 1,
  Binary = 2,
  Compare = 3,
  Field = 4,
  Constant = 5,
  Function = 10,
  ListElement = 11,
};

enum class FilterOp : uint32_t {
  IsBlank = 1,
  NotBlank = 2,
  Equal = 3,
  NotEqual = 4,
  Greater = 5,
  Less = 6,
  GreaterOrEqual = 7,
  LessOrEqual = 8,
  Not = 9,
  And = 10,
  Or = 11,
  FieldRef = 13,
  Constant = 14,
  Negate = 15,
  Add = 16,
  Subtract = 17,
  Multiply = 18,
  Divide = 19,
  Modulo = 20,
  Remainder = 21,
  Like = 30,
  In = 31,
  Upper = 33,
  Lower = 34,
  Call = 35,
  ListElement = 36,
  // Yields its right operand's value once both are evaluated.
  Assign = 37,
};

constexpr uint16_t kNoNode = 0xFFFF;
constexpr int kFilterHeaderSize = 10;
constexpr int kFilterNodeHeaderSize = 8;
constexpr uint16_t kFilterTreeVersion = 1;
// Trees deeper than this are refused by the compiler and the evaluator, so
// neither can run out of stack.
constexpr int kMaxFilterDepth = 512;

// A node as the evaluator sees it.
struct TFilterNode {
  uint16_t offset = 0;  // in the node area
  FilterNodeClass node_class{};
  uint32_t op = 0;
};

// Read access to a compiled tree. Every read is checked against the block;
// a block that does not hold together raises EDatabaseError "Incorrectly
// formed filter expression".
class TFilterTree {
 public:
  TFilterTree() = default;
  explicit TFilterTree(std::vector<uint8_t> bytes);

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  bool Empty() const { return bytes_.empty(); }
  int NodeCount() const;

  TFilterNode Root() const { return NodeAt(0); }
  TFilterNode NodeAt(uint16_t offset) const;
  // The operand cell `slot` (from 0) of a node, as stored.
  uint16_t Operand(const TFilterNode& node, int slot) const;
  // The node that operand cell `slot` names; it must stand after `node`.
  TFilterNode Child(const TFilterNode& node, int slot) const;
  bool HasChild(const TFilterNode& node, int slot) const { return Operand(node, slot) != kNoNode; }
  // A zero-terminated name in the literal area.
  std::string LiteralText(uint16_t literal) const;
  // size raw bytes from the literal area.
  const uint8_t* LiteralBytes(uint16_t literal, uint16_t size) const;

 private:
  uint16_t Word(size_t at) const;
  uint32_t DWord(size_t at) const;
  size_t NodeStart() const { return kFilterHeaderSize; }
  size_t LiteralStart() const;

  std::vector<uint8_t> bytes_;
};

// Builds a tree. Nodes are added parent first: AddNode reserves the node's
// cells, which are filled once the operands exist.
class TFilterTreeWriter {
 public:
  uint16_t AddNode(FilterNodeClass node_class, FilterOp op, int operand_cells);
  void SetOperand(uint16_t node, int slot, uint16_t value);
  uint16_t AddLiteralText(const std::string& text);
  uint16_t AddLiteralBytes(const void* data, size_t size);
  // EDatabaseError when the tree outgrows the 16-bit offsets.
  TFilterTree Finish() const;

 private:
  std::vector<uint8_t> nodes_;
  std::vector<uint8_t> literals_;
  int node_count_ = 0;
};

[[noreturn]] void RaiseMalformedFilter();

}  // namespace fib
