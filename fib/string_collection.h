// A growable matrix of strings: one column per field, one row per record.
// The record cache keeps its long text values here. Cells are addressed by
// (X, Y) = (column, row), both from 0; every access checks both indices and
// raises the assertion failure for one out of range (X first).
#pragma once

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
  int Grow();
  // Removes row y; later rows move up by one.
  void DeleteRow(int y);

  std::string GetValue(int x, int y) const;
  // The cell itself, to read without copying.
  const std::string& GetCellRef(int x, int y) const;
  void SetValue(int x, int y, const std::string& value);
  // Stores len bytes of buffer; len 0 (or no buffer) empties the cell, a
  // negative len takes the zero-terminated length of buffer.
  void SetValueFromBuffer(int x, int y, int len, const char* buffer);

  // Releases every cell; RowCount and Capacity become 0.
  void Clear();

 private:
  void CheckRead(int x, int y) const;
  void CheckWrite(int x, int y) const;

  int col_count_;
  int row_count_ = 0;
  int capacity_ = 0;
  std::vector<std::vector<std::string>> columns_;
};

}  // namespace fib
