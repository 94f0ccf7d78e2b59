// A sorted set of 32-bit integers. Data sets keep in it the numbers of the
// records their filter rejects and renumber them when records come and go.
#pragma once

#include <cstdint>
#include <vector>

#include "classlib/object.h"

namespace fib {

class TSortedList : public classlib::TObject {
  CLASSLIB_CLASS(TSortedList, classlib::TObject)
 public:
  // Inserts in order; an existing value is not added again. Either way the
  // value's index is returned.
  int Add(int32_t value);
  // index receives the value's position, or the leftmost position whose
  // value is not smaller (where it would be inserted).
  bool Find(int32_t value, int& index) const;
  void Remove(int32_t value);
  // Adds delta to every value from value's (insertion) position to the end.
  // A negative delta that would carry a value onto or below its predecessor
  // raises EListError instead: the order is what every search relies on.
  void ShiftFrom(int32_t value, int32_t delta);

  int32_t Items(int index) const;  // EListError when out of bounds
  int Count() const { return static_cast<int>(values_.size()); }
  void Clear() { values_.clear(); }
  int32_t Last() const { return values_.empty() ? -1 : values_.back(); }

 private:
  std::vector<int32_t> values_;
};

}  // namespace fib
