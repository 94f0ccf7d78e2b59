// Long text values stored while rows are fetched.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "classlib/exceptions.h"
#include "fib/records/records_cache.h"

namespace fib {

void TRecordsCache::AssertionFailed(const char* file, int line) {
  classlib::Assert(false, file, line);
  std::abort();  // Assert raises for a false condition
}

void TRecordsCache::SetStringValue(int column, int index, const std::string& text) {
  const size_t width = static_cast<size_t>(StringWidth(column));
  const int row = StringRowOf(index);
  const bool added = EnsureRow(*strings_, row);
  if (text.empty()) {
    if (!added) strings_->SetValue(column, row, text);
    return;
  }
  // A cell never holds more than its field's width: readers of the cell
  // copy it into slots of that width.
  size_t length = std::min(text.size(), width);
  if (length < text.size() || text.back() == ' ') length = TrimmedLength(text.data(), length);
  strings_->SetValueFromBuffer(column, row, static_cast<int>(length), text.data());
}

void TRecordsCache::SetStringBuffer(int column, int index, bool trim, int length,
                                    char* characters) {
  const int width = StringWidth(column);
  const int row = StringRowOf(index);
  EnsureRow(*strings_, row);
  if (characters == nullptr) length = 0;
  if (trim) {
    const int given = length < 0 ? width : length;
    length = static_cast<int>(TrimmedLength(characters, static_cast<size_t>(std::min(given, width))));
    // Mark the new end for the caller, but only inside what it handed over.
    if (length < width && length < given) characters[length] = 0;
  } else if (length < 0) {
    length = static_cast<int>(std::strlen(characters));
  }
  length = std::min(length, width);
  strings_->SetValueFromBuffer(column, row, length, characters);
}

}  // namespace fib
