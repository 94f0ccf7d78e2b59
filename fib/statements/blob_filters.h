// The client-side blob filters of a database connection. For a user-defined
// blob sub-type (a negative number) a pair of routines may transform a
// blob's contents in place after reading and before writing. Each
// connection owns one registry; blob streams ask it for the sub-type of
// the blob they move. Nothing registers filters by default, so contents
// pass unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/object.h"

namespace fib {

// Transforms the blob's bytes; it may replace them with a text of another
// length.
using TBlobFilterProc = std::function<void(std::string& buffer)>;

class TIBBlobFilters : public classlib::TObject {
  CLASSLIB_CLASS(TIBBlobFilters, classlib::TObject)
 public:
  // Registers (or replaces) the pair of routines of a sub-type; either may
  // be empty.
  void Add(int32_t sub_type, TBlobFilterProc read_filter, TBlobFilterProc write_filter);
  // index receives the leftmost position whose sub-type is not smaller.
  bool Find(int32_t sub_type, int& index);
  // The read or write routine of the sub-type, empty when it has none.
  TBlobFilterProc GetFilter(int32_t sub_type, bool for_read);
  // Runs the sub-type's routine on buffer, but only for a negative sub-type
  // and a non-empty buffer.
  void ApplyFilter(std::string& buffer, bool for_read, int32_t sub_type);

  int Count() const { return static_cast<int>(filters_.size()); }

 private:
  struct Entry {
    int32_t sub_type;
    TBlobFilterProc read_filter;
    TBlobFilterProc write_filter;
  };
  // Registration appends; the list is sorted once before the next search.
  std::vector<Entry> filters_;
  bool sorted_ = true;
};

// What a connection offers on top of its registry, which may be absent:
// without one no sub-type has a filter and filtering does nothing.
bool BlobSubTypeHasFilter(TIBBlobFilters* filters, int32_t sub_type);
void FilterBlobBuffer(TIBBlobFilters* filters, std::string& buffer, bool for_read,
                      int32_t sub_type);

}  // namespace fib
