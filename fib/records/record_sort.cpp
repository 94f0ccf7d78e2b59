// The quicksort behind local sorting.
#include "fib/records/record_sort.h"

#include <algorithm>
#include <utility>

namespace fib {

namespace {

using classlib::Variant;
using Key = std::vector<Variant>;

class RecordSorter {
 public:
  RecordSorter(ISortRecords& records, const std::vector<bool>& ascending)
      : records_(records), ascending_(ascending) {}

  int Run() {
    const int count = records_.Count();
    keys_.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) keys_.push_back(records_.Key(i));
    Sort(0, count - 1, 1);
    return max_depth_;
  }

 private:
  // Lexicographic over the fields: the first field that differs decides.
  int Compare(const Key& a, const Key& b) {
    for (size_t f = 0; f < ascending_.size() && f < a.size() && f < b.size(); ++f) {
      int result = records_.CompareValues(static_cast<int>(f), a[f], b[f]);
      if (result != 0) return ascending_[f] ? result : -result;
    }
    return 0;
  }

  // The keys travel with their records, so the records are read only once.
  void Exchange(int i, int j) {
    records_.Exchange(i, j);
    std::swap(keys_[static_cast<size_t>(i)], keys_[static_cast<size_t>(j)]);
  }

  void Sort(int left, int right, int depth) {
    max_depth_ = std::max(max_depth_, depth);
    while (left < right) {
      const Key pivot = keys_[static_cast<size_t>(left + (right - left) / 2)];
      int i = left;
      int j = right;
      do {
        while (i <= right && Compare(keys_[static_cast<size_t>(i)], pivot) < 0) ++i;
        while (j >= left && Compare(keys_[static_cast<size_t>(j)], pivot) > 0) --j;
        if (i <= j) {
          if (i != j &&
              Compare(keys_[static_cast<size_t>(i)], keys_[static_cast<size_t>(j)]) != 0)
            Exchange(i, j);
          ++i;
          --j;
        }
      } while (i <= j);
      // Recursing into the larger part could nest once per record on an
      // unlucky input; the smaller part is at most half of the range.
      if (j - left < right - i) {
        if (left < j) Sort(left, j, depth + 1);
        left = i;
      } else {
        if (i < right) Sort(i, right, depth + 1);
        right = j;
      }
    }
  }

  ISortRecords& records_;
  const std::vector<bool>& ascending_;
  std::vector<Key> keys_;
  int max_depth_ = 0;
};

}  // namespace

int SortRecords(ISortRecords& records, const std::vector<bool>& ascending) {
  return RecordSorter(records, ascending).Run();
}

}  // namespace fib
