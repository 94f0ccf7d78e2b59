#include "fib/string_collection.h"

#include <algorithm>
#include <cstring>

#include "classlib/exceptions.h"

namespace fib {

TStringCollection::TStringCollection(int col_count)
    : col_count_(col_count < 0 ? 0 : col_count), columns_(col_count_) {}

int TStringCollection::Grow() {
  if (row_count_ == capacity_) {
    capacity_ = capacity_ == 0 ? 128 : capacity_ + capacity_ / 2;
    for (auto& column : columns_) column.resize(capacity_);
  }
  return ++row_count_;
}

void TStringCollection::DeleteRow(int y) {
  classlib::Assert(y >= 0 && y < row_count_, __FILE__, __LINE__,
                   "Can't write value to StrCollection. Bad Y-Index");
  for (auto& column : columns_) {
    // The emptied cell goes to the end of the used rows, so the slots past
    // RowCount stay empty for the next Grow.
    column[y].clear();
    std::move(column.begin() + y + 1, column.begin() + row_count_, column.begin() + y);
    column[row_count_ - 1].clear();
  }
  --row_count_;
}

std::string TStringCollection::GetValue(int x, int y) const { return GetCellRef(x, y); }

const std::string& TStringCollection::GetCellRef(int x, int y) const {
  CheckRead(x, y);
  return columns_[x][y];
}

void TStringCollection::SetValue(int x, int y, const std::string& value) {
  CheckWrite(x, y);
  columns_[x][y] = value;
}

void TStringCollection::SetValueFromBuffer(int x, int y, int len, const char* buffer) {
  CheckWrite(x, y);
  if (buffer == nullptr || len == 0) {
    columns_[x][y].clear();
    return;
  }
  const size_t size = len < 0 ? std::strlen(buffer) : static_cast<size_t>(len);
  columns_[x][y].assign(buffer, size);
}

void TStringCollection::Clear() {
  for (auto& column : columns_) {
    column.clear();
    column.shrink_to_fit();
  }
  row_count_ = 0;
  capacity_ = 0;
}

void TStringCollection::CheckRead(int x, int y) const {
  classlib::Assert(x >= 0 && x < col_count_, __FILE__, __LINE__,
                   "Can't read value to StrCollection. Bad X-Index");
  classlib::Assert(y >= 0 && y < row_count_, __FILE__, __LINE__,
                   "Can't read value to StrCollection. Bad Y-Index");
}

void TStringCollection::CheckWrite(int x, int y) const {
  classlib::Assert(x >= 0 && x < col_count_, __FILE__, __LINE__,
                   "Can't write value to StrCollection. Bad X-Index");
  classlib::Assert(y >= 0 && y < row_count_, __FILE__, __LINE__,
                   "Can't write value to StrCollection. Bad Y-Index");
}

}  // namespace fib
