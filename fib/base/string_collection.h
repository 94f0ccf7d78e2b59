// A growable matrix of strings: one column per field, one row per record.
// The record cache keeps its long text values here. Cells are addressed by
// (X, Y) = (column, row), both from 0; every access checks both indices and
// raises the assertion failure for one out of range (X first).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "classlib/object.h"

namespace fib {

class TStringCollection : public classlib::TObject {
  CLASSLIB_CLASS(TStringCollection, classlib::TObject)
 public:
  explicit TStringCollection(int col_count);

  int ColCount() const { return col_count_; }
  int RowCount() const { return row_count_; }
  int Capacity() const { return capacity_; }

  // Adds one empty row and returns the new row count. The capacity grows by
  // half (128 rows at first) so that adding rows costs amortised constant time.
  int Grow() {
    if (row_count_ == capacity_) [[unlikely]]
      capacity_ = capacity_ == 0 ? kFirstCapacity : capacity_ + capacity_ / 2;
    // Storage follows the rows, a block at a time: the capacity is only a
    // count, and cells allocated ahead of it would be memory written (and
    // taken from the system) for rows that may never come.
    if ((row_count_ & (kBlockRows - 1)) == 0) [[unlikely]]
      AddBlock();
    return ++row_count_;
  }
  // Removes row y; later rows move up by one.
  void DeleteRow(int y);

  std::string GetValue(int x, int y) const;
  // The cell itself, to read without copying. It stays where it is while
  // rows are added; deleting a row moves the texts of the later ones.
  const std::string& GetCellRef(int x, int y) const {
    CheckRead(x, y);
    return Cell(x, y);
  }
  // The cell, or nullptr for a row past the last one (a column out of range
  // raises as GetCellRef does). Inline: record reads ask it for every text.
  const std::string* FindCell(int x, int y) const {
    if (y < 0 || y >= row_count_) return nullptr;
    if (x < 0 || x >= col_count_) RaiseBadIndex(x, false);
    return &Cell(x, y);
  }
  void SetValue(int x, int y, const std::string& value);
  // Stores len bytes of buffer; len 0 (or no buffer) empties the cell, a
  // negative len takes the zero-terminated length of buffer.
  void SetValueFromBuffer(int x, int y, int len, const char* buffer);
  // Stores length (>= 0) bytes of text; inline, for the rows being fetched.
  void SetCell(int x, int y, const char* text, int length) {
    CheckWrite(x, y);
    std::string& cell = Cell(x, y);
    if (length == 0)
      cell.clear();
    else
      cell.assign(text, static_cast<size_t>(length));
  }

  // Releases every cell; RowCount and Capacity become 0.
  void Clear();

 private:
  // Cells live in blocks of a fixed number of rows that never move, so
  // adding rows neither copies the texts already stored nor reallocates a
  // whole column (a table of 100 000 rows would otherwise move each text
  // about three times while it is fetched). A deleted row leaves its block
  // in place, empty, for the next Grow.
  static constexpr int kFirstCapacity = 128;
  static constexpr int kBlockShift = 7;
  static constexpr int kBlockRows = 1 << kBlockShift;
  using Block = std::unique_ptr<std::string[]>;
  // Makes the block of row row_count_ when it is not there yet.
  void AddBlock();

  std::string& Cell(int x, int y) const {
    return columns_[static_cast<size_t>(x)][static_cast<size_t>(y >> kBlockShift)]
                   [static_cast<size_t>(y & (kBlockRows - 1))];
  }
  // Both raise the assertion failure only when an index is out of range:
  // its message is built then, never on a good access.
  void CheckRead(int x, int y) const {
    if (x < 0 || x >= col_count_ || y < 0 || y >= row_count_) RaiseBadIndex(x, false);
  }
  void CheckWrite(int x, int y) const {
    if (x < 0 || x >= col_count_ || y < 0 || y >= row_count_) RaiseBadIndex(x, true);
  }
  // The failure for a bad index: X when x is out of range, else Y.
  [[noreturn]] void RaiseBadIndex(int x, bool writing) const;

  int col_count_;
  int row_count_ = 0;
  int capacity_ = 0;
  std::vector<std::vector<Block>> columns_;
};

}  // namespace fib
