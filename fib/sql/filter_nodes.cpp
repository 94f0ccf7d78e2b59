#include "fib/sql/filter_nodes.h"

#include <cstring>

#include "classlib/exceptions.h"

namespace fib {

namespace {

constexpr size_t kMaxTreeSize = 0xFFFF;

void PutWord(std::vector<uint8_t>& out, size_t at, uint16_t value) {
  std::memcpy(out.data() + at, &value, sizeof value);
}

void AppendWord(std::vector<uint8_t>& out, uint16_t value) {
  out.resize(out.size() + sizeof value);
  PutWord(out, out.size() - sizeof value, value);
}

void AppendDWord(std::vector<uint8_t>& out, uint32_t value) {
  out.resize(out.size() + sizeof value);
  std::memcpy(out.data() + out.size() - sizeof value, &value, sizeof value);
}

}  // namespace

void RaiseMalformedFilter() {
  throw classlib::EDatabaseError("Incorrectly formed filter expression");
}

// ---- Reading --------------------------------------------------------------

TFilterTree::TFilterTree(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() < kFilterHeaderSize || Word(2) != bytes_.size() ||
      Word(6) != kFilterHeaderSize || LiteralStart() < NodeStart() ||
      LiteralStart() > bytes_.size()) {
    RaiseMalformedFilter();
  }
}

int TFilterTree::NodeCount() const { return Empty() ? 0 : Word(4); }

uint16_t TFilterTree::Word(size_t at) const {
  if (at + 2 > bytes_.size()) RaiseMalformedFilter();
  uint16_t value;
  std::memcpy(&value, bytes_.data() + at, sizeof value);
  return value;
}

uint32_t TFilterTree::DWord(size_t at) const {
  if (at + 4 > bytes_.size()) RaiseMalformedFilter();
  uint32_t value;
  std::memcpy(&value, bytes_.data() + at, sizeof value);
  return value;
}

size_t TFilterTree::LiteralStart() const { return Word(8); }

TFilterNode TFilterTree::NodeAt(uint16_t offset) const {
  const size_t at = NodeStart() + offset;
  if (Empty() || at + kFilterNodeHeaderSize > LiteralStart()) RaiseMalformedFilter();
  return {offset, static_cast<FilterNodeClass>(DWord(at)), DWord(at + 4)};
}

uint16_t TFilterTree::Operand(const TFilterNode& node, int slot) const {
  const size_t at = NodeStart() + node.offset + kFilterNodeHeaderSize + 2 * slot;
  if (at + 2 > LiteralStart()) RaiseMalformedFilter();
  return Word(at);
}

TFilterNode TFilterTree::Child(const TFilterNode& node, int slot) const {
  const uint16_t offset = Operand(node, slot);
  if (offset == kNoNode || offset <= node.offset) RaiseMalformedFilter();
  return NodeAt(offset);
}

std::string TFilterTree::LiteralText(uint16_t literal) const {
  const size_t at = LiteralStart() + literal;
  if (at >= bytes_.size()) RaiseMalformedFilter();
  const auto* begin = bytes_.data() + at;
  const void* end = std::memchr(begin, 0, bytes_.size() - at);
  if (end == nullptr) RaiseMalformedFilter();
  return std::string(reinterpret_cast<const char*>(begin), static_cast<const uint8_t*>(end) - begin);
}

const uint8_t* TFilterTree::LiteralBytes(uint16_t literal, uint16_t size) const {
  const size_t at = LiteralStart() + literal;
  if (at + size > bytes_.size()) RaiseMalformedFilter();
  return bytes_.data() + at;
}

// ---- Writing --------------------------------------------------------------

uint16_t TFilterTreeWriter::AddNode(FilterNodeClass node_class, FilterOp op, int operand_cells) {
  const size_t offset = nodes_.size();
  AppendDWord(nodes_, static_cast<uint32_t>(node_class));
  AppendDWord(nodes_, static_cast<uint32_t>(op));
  for (int i = 0; i < operand_cells; ++i) AppendWord(nodes_, kNoNode);
  ++node_count_;
  // Offsets past the limit are caught by Finish; keep them distinct till then.
  return offset < kNoNode ? static_cast<uint16_t>(offset) : kNoNode - 1;
}

void TFilterTreeWriter::SetOperand(uint16_t node, int slot, uint16_t value) {
  const size_t at = size_t(node) + kFilterNodeHeaderSize + 2 * slot;
  if (at + 2 <= nodes_.size()) PutWord(nodes_, at, value);
}

uint16_t TFilterTreeWriter::AddLiteralText(const std::string& text) {
  const std::string with_end(text.c_str(), text.size() + 1);
  return AddLiteralBytes(with_end.data(), with_end.size());
}

uint16_t TFilterTreeWriter::AddLiteralBytes(const void* data, size_t size) {
  const size_t offset = literals_.size();
  literals_.resize(offset + size);
  if (size > 0) std::memcpy(literals_.data() + offset, data, size);
  return offset < kNoNode ? static_cast<uint16_t>(offset) : kNoNode - 1;
}

TFilterTree TFilterTreeWriter::Finish() const {
  const size_t total = kFilterHeaderSize + nodes_.size() + literals_.size();
  if (total > kMaxTreeSize) {
    throw classlib::EDatabaseError("Filter expression is too long");
  }
  std::vector<uint8_t> bytes;
  AppendWord(bytes, kFilterTreeVersion);
  AppendWord(bytes, static_cast<uint16_t>(total));
  AppendWord(bytes, static_cast<uint16_t>(node_count_));
  AppendWord(bytes, kFilterHeaderSize);
  AppendWord(bytes, static_cast<uint16_t>(kFilterHeaderSize + nodes_.size()));
  bytes.insert(bytes.end(), nodes_.begin(), nodes_.end());
  bytes.insert(bytes.end(), literals_.begin(), literals_.end());
  return TFilterTree(std::move(bytes));
}

}  // namespace fib
