#include "fib/base/string_collection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "classlib/exceptions.h"

namespace fib {

TStringCollection::TStringCollection(int col_count)
    : col_count_(col_count < 0 ? 0 : col_count), columns_(static_cast<size_t>(col_count_)) {}

void TStringCollection::AddBlock() {
  const size_t blocks = static_cast<size_t>(row_count_ >> kBlockShift) + 1;
  for (auto& column : columns_)
    while (column.size() < blocks) column.push_back(std::make_unique<std::string[]>(kBlockRows));
}

void TStringCollection::DeleteRow(int y) {
  if (y < 0 || y >= row_count_)
    classlib::Assert(false, __FILE__, __LINE__, "Can't write value to StrCollection. Bad Y-Index");
  for (int x = 0; x < col_count_; ++x) {
    // The emptied cell goes to the end of the used rows, so the slots past
    // RowCount stay empty for the next Grow.
    for (int row = y; row + 1 < row_count_; ++row) Cell(x, row) = std::move(Cell(x, row + 1));
    Cell(x, row_count_ - 1).clear();
  }
  --row_count_;
}

std::string TStringCollection::GetValue(int x, int y) const { return GetCellRef(x, y); }

void TStringCollection::SetValue(int x, int y, const std::string& value) {
  CheckWrite(x, y);
  Cell(x, y) = value;
}

void TStringCollection::SetValueFromBuffer(int x, int y, int len, const char* buffer) {
  CheckWrite(x, y);
  std::string& cell = Cell(x, y);
  if (buffer == nullptr || len == 0) {
    cell.clear();
    return;
  }
  const size_t size = len < 0 ? std::strlen(buffer) : static_cast<size_t>(len);
  cell.assign(buffer, size);
}

void TStringCollection::Clear() {
  for (auto& column : columns_) {
    column.clear();
    column.shrink_to_fit();
  }
  row_count_ = 0;
  capacity_ = 0;
}

void TStringCollection::RaiseBadIndex(int x, bool writing) const {
  const bool bad_x = x < 0 || x >= col_count_;
  if (writing)
    classlib::Assert(false, __FILE__, __LINE__,
                     bad_x ? "Can't write value to StrCollection. Bad X-Index"
                           : "Can't write value to StrCollection. Bad Y-Index");
  else
    classlib::Assert(false, __FILE__, __LINE__,
                     bad_x ? "Can't read value to StrCollection. Bad X-Index"
                           : "Can't read value to StrCollection. Bad Y-Index");
  // Assert raises for a false condition; this only keeps the promise.
  std::abort();
}

}  // namespace fib
