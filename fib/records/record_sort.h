// Sorting a data set's cached records in place by one or more fields.
//
// The records are seen through ISortRecords: their sort keys are read once,
// the comparison of single values is the data set's, and every exchange the
// sort decides on is carried out on the records themselves. The sort is a
// quicksort with the middle record's key as pivot; it is not stable, but it
// never exchanges two records whose keys are equal. It always recurses into
// the smaller part and loops over the larger one, so its depth stays below
// log2 of the record count whatever the order of the input.
#pragma once

#include <vector>

#include "classlib/variant.h"

namespace fib {

class ISortRecords {
 public:
  virtual ~ISortRecords() = default;
  // Records to sort, at positions 0 .. Count() - 1.
  virtual int Count() = 0;
  // The values of the sort fields of the record at position, in field order.
  virtual std::vector<classlib::Variant> Key(int position) = 0;
  // Compares two values of sort field `field` (negative, 0, positive);
  // ascending order, Null first.
  virtual int CompareValues(int field, const classlib::Variant& a, const classlib::Variant& b) = 0;
  // Exchanges the records at two positions.
  virtual void Exchange(int i, int j) = 0;
};

// ascending holds one flag per sort field; a descending field reverses its
// comparison. Answers the deepest recursion the sort reached (1 for one
// partition level), which callers may ignore.
int SortRecords(ISortRecords& records, const std::vector<bool>& ascending);

}  // namespace fib
