// Finding the record whose key fields hold given values, among records that
// a data set keeps in its cache and may extend by fetching rows.
//
// TKeySearch holds one search: the key columns with their values, the
// options, and the records seen through ILocateRecords. It walks linearly
// (forwards or backwards, fetching one row at a time past the end of the
// cache) or, for records sorted by the key fields, bisects and then walks
// back to the first record of the run of equal keys. The data set prepares
// the keys (field resolution, upper-casing, sort information) and moves to
// the record found; this class only decides which record that is.
#pragma once

#include <string>
#include <vector>

#include "classlib/db_types.h"
#include "classlib/variant.h"
#include "fib/records/fib_dataset_types.h"

namespace fib {

// The records a search runs over, by 0-based index.
class ILocateRecords {
 public:
  virtual ~ILocateRecords() = default;
  // Records in the cache now.
  virtual int CachedCount() = 0;
  // Fetches one more row into the cache; false when the cursor has none.
  virtual bool FetchOne() = 0;
  // Whether the record may be the result (its status is shown, the filter
  // takes it).
  virtual bool Visible(int index) = 0;
  // Whether index lies past the records the search may see: forwards at or
  // beyond the cache once fetching one more row (unless fetched_only) adds
  // none, backwards below 0.
  virtual bool PastEnd(int index, bool forwards, bool fetched_only) = 0;
  // The value of key column `key` in the record.
  virtual classlib::Variant Value(int index, int key) = 0;
  // The data set's comparison of two values of key column `key`.
  virtual int CompareValues(int key, const classlib::Variant& a, const classlib::Variant& b) = 0;
};

// One key field of a search.
struct TKeyColumn {
  classlib::TFieldType type = classlib::ftUnknown;
  classlib::Variant value;
  // Sort order of the field, for the sorted search.
  bool ascending = true;
  bool nulls_first = true;
};

// The index a search begins at: from the start the first index (the next one
// when that is the record being moved); otherwise ldFirst 0, ldNext the
// record after the current one (current_recno is 1-based, 0 for none) and
// ldPrior the one before it, stepping over the record being moved. An index
// past the cache becomes its last record. -1 when ldNext has no record after
// the current one: that search finds nothing and fetches nothing.
int SearchStart(bool from_start, TLocateDirection direction, int first_index, int current_recno,
                int cached_count, int reposition);

struct TKeySearchResult {
  bool found = false;
  // The record found, or the last record tested when none was.
  int index = -1;
  // Whether the key sorts before the last record tested (sorted search).
  bool key_before = false;
  // Whether the search was the sorted one, so that index and key_before
  // tell where the key belongs.
  bool sorted = false;
};

class TKeySearch {
 public:
  // locally_sorted: the records' order comes from a local sort (Null first,
  // by ascending flag) rather than from the statement's ORDER BY (by the
  // nulls-first flag). reposition: index of a record to pass over (the one
  // being moved into its sorted place), -1 for none.
  TKeySearch(ILocateRecords& records, std::vector<TKeyColumn> keys, TLocateKeyOptions options,
             bool locally_sorted, int reposition);

  // Searches from start in direction. An empty cache finds nothing.
  TKeySearchResult Run(int start, TLocateDirection direction);

  // Whether record index holds every key value. In the sorted search a
  // non-match leaves KeyBefore() telling on which side the key lies.
  bool TestRecord(int index);
  bool KeyBefore() const { return key_before_; }
  const TKeyColumn& Key(int k) const { return keys_[static_cast<size_t>(k)]; }

 private:
  bool Sorted() const { return options_.Contains(lkoSortedData); }
  bool Forwards() const { return direction_ != ldPrior; }
  bool IsReposition(int index) const { return index == reposition_; }
  bool Candidate(int index) { return Visible(index) && !IsReposition(index); }
  bool Visible(int index) { return records_.Visible(index); }
  bool PastEnd(int index) {
    return records_.PastEnd(index, Forwards(), options_.Contains(lkoFetchedOnly));
  }

  // Record test, one field.
  bool TestField(int k, const classlib::Variant& value);
  bool ConvertKey(TKeyColumn& key, const classlib::Variant& value);
  bool MatchText(const TKeyColumn& key, const classlib::Variant& value) const;
  static bool MatchOther(const TKeyColumn& key, const classlib::Variant& value);
  void NoteOrder(int k, const classlib::Variant& value);

  // The searches.
  bool Linear(int start);
  bool SortedSearch(int start);
  bool SearchPastCache();
  bool Bisect();
  bool RunWalk(int start);
  bool Found(int index) {
    index_ = index;
    return true;
  }

  ILocateRecords& records_;
  std::vector<TKeyColumn> keys_;
  std::vector<bool> convert_pending_;
  TLocateKeyOptions options_;
  bool locally_sorted_;
  int reposition_;
  TLocateDirection direction_ = ldFirst;
  int start_ = 0;
  int index_ = -1;
  bool key_before_ = false;
};

}  // namespace fib
