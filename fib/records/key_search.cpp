// The walks of a key search: linear, and for sorted records the tests of the
// first and last cached record, the search past the cache, the bisection and
// the walk to the first record of a run of equal keys.
#include "fib/records/key_search.h"

#include <utility>

namespace fib {

int SearchStart(bool from_start, TLocateDirection direction, int first_index, int current_recno,
                int cached_count, int reposition) {
  int index;
  if (from_start) {
    index = first_index;
    if (index == reposition) ++index;
  } else if (direction == ldFirst) {
    index = 0;
  } else if (direction == ldNext) {
    index = current_recno;
    if (index == reposition) ++index;
    if (index >= cached_count) return -1;
  } else {
    index = current_recno - 2;
    if (index == reposition) --index;
  }
  if (index >= cached_count) index = cached_count - 1;
  return index;
}

TKeySearch::TKeySearch(ILocateRecords& records, std::vector<TKeyColumn> keys,
                       TLocateKeyOptions options, bool locally_sorted, int reposition)
    : records_(records),
      keys_(std::move(keys)),
      convert_pending_(keys_.size(), true),
      options_(options),
      locally_sorted_(locally_sorted),
      reposition_(reposition) {}

TKeySearchResult TKeySearch::Run(int start, TLocateDirection direction) {
  direction_ = direction;
  start_ = start;
  index_ = start;
  key_before_ = false;
  bool found = false;
  if (start >= 0 && !keys_.empty() && records_.CachedCount() > 0)
    found = Sorted() ? SortedSearch(start) : Linear(start);
  return {found, index_, key_before_, Sorted()};
}

bool TKeySearch::Linear(int start) {
  int index = start;
  while (!PastEnd(index)) {
    if (TestRecord(index) && Visible(index)) return Found(index);
    index += Forwards() ? 1 : -1;
  }
  return false;
}

// The start and the last cached record are tested first: a key beyond the
// cache (the common case while re-positioning an appended record) then costs
// two tests before the first fetch.
bool TKeySearch::SortedSearch(int start) {
  bool match = TestRecord(start);
  if (!match) {
    // The key sorts before the first record in the search direction.
    if (Forwards() == key_before_) return false;
    int last = records_.CachedCount() - 1;
    if (IsReposition(last)) {
      if (last == 0) return false;
      --last;
    }
    match = TestRecord(last);
  }
  if (match) {
    if (Candidate(index_)) return Found(index_);
    if (RunWalk(index_)) return true;
  }
  return key_before_ ? Bisect() : SearchPastCache();
}

// The key sorts after every cached record: fetch and test row by row until a
// record matches or one sorts after the key.
bool TKeySearch::SearchPastCache() {
  int index = records_.CachedCount();
  if (options_.Contains(lkoFetchedOnly) || !records_.FetchOne()) return false;
  for (;;) {
    if (TestRecord(index) && RunWalk(index)) return true;
    if (key_before_) return false;
    ++index;
    if (PastEnd(index)) return false;
  }
}

// The key lies between the first and the last cached record.
bool TKeySearch::Bisect() {
  // Searching forwards the key sorts after the start record, so nothing
  // before it can hold it (and a window's records begin at its first index).
  int low = Forwards() ? start_ : 0;
  int high = index_;
  if (PastEnd(low)) return false;
  for (;;) {
    if (IsReposition(low)) ++low;
    if (IsReposition(high)) --high;
    if (low > high) return false;
    int middle = low + (high - low) / 2;
    // The record being moved is no landmark: test a neighbour in range.
    if (IsReposition(middle)) {
      if (middle + 1 <= high)
        ++middle;
      else if (middle - 1 >= low)
        --middle;
      else
        return false;
    }
    if (TestRecord(middle) && RunWalk(middle)) return true;
    if (key_before_)
      high = middle - 1;
    else
      low = middle + 1;
  }
}

// From a matching record, find the first visible match of its run of equal
// keys: back while records match, else forward. Only a record that was
// tested here and matched is ever the result.
bool TKeySearch::RunWalk(int start) {
  if (direction_ != ldFirst) return Candidate(start) && Found(start);
  int best = Candidate(start) ? start : -1;
  for (int index = start; index > 0;) {
    --index;
    if (!Candidate(index)) continue;
    if (!TestRecord(index)) break;
    best = index;
  }
  if (best < 0) {
    const int last = records_.CachedCount() - 1;
    for (int index = start; index < last;) {
      ++index;
      if (!Candidate(index)) continue;
      if (TestRecord(index)) best = index;
      break;
    }
  }
  return best >= 0 && Found(best);
}

}  // namespace fib
