#include "fib/base/sorted_list.h"

#include <algorithm>
#include <string>

#include "classlib/exceptions.h"

namespace fib {

int TSortedList::Add(int32_t value) {
  int index = 0;
  if (!Find(value, index)) values_.insert(values_.begin() + index, value);
  return index;
}

bool TSortedList::Find(int32_t value, int& index) const {
  auto it = std::lower_bound(values_.begin(), values_.end(), value);
  index = static_cast<int>(it - values_.begin());
  return it != values_.end() && *it == value;
}

void TSortedList::Remove(int32_t value) {
  int index = 0;
  if (Find(value, index)) values_.erase(values_.begin() + index);
}

void TSortedList::ShiftFrom(int32_t value, int32_t delta) {
  int from = 0;
  Find(value, from);
  if (from >= Count()) return;
  const int64_t first = static_cast<int64_t>(values_[from]) + delta;
  const int64_t last = static_cast<int64_t>(values_.back()) + delta;
  const bool collides = from > 0 && first <= values_[from - 1];
  if (collides || first < INT32_MIN || last > INT32_MAX) {
    throw classlib::EListError("Shifting the values would break their order");
  }
  for (auto it = values_.begin() + from; it != values_.end(); ++it) *it += delta;
}

int32_t TSortedList::Items(int index) const {
  if (index < 0 || index >= Count()) {
    throw classlib::EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return values_[index];
}

}  // namespace fib
