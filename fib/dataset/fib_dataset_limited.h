// What a buffered data set keeps while it runs the limited cache model: the
// object through which the window's navigator stores rows and reads the sort
// values of cached records.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fib/records/limited_cache_bookmarks.h"
#include "fib/records/limited_cache_navigator.h"
#include "fib/statements/fib_base_params.h"

namespace fib {

class TFIBCustomDataSet;

// Key value k of a locate: an element of an array of values, or the single
// value itself.
classlib::Variant LocateKeyValue(const classlib::Variant& key_values, size_t k);

// The sort values of one cached record by field name. They are read from the
// record's bytes, not through the fields, so the data set's buffers and
// state stay as they are.
class TLimitedCacheSortValues : public ISQLObject {
 public:
  explicit TLimitedCacheSortValues(BookmarkLayout layout) : layout_(std::move(layout)) {}
  // Takes the sort values of a record buffer.
  void Load(const uint8_t* record);

  int ParamCount() const override { return 0; }
  std::string ParamName(int) const override { return {}; }
  bool ParamExist(const std::string&, int&) const override { return false; }
  classlib::Variant ParamValue(int) const override { return {}; }
  void SetParamValue(int, const classlib::Variant&) override {}
  bool FieldExist(const std::string& name, int& index) const override;
  classlib::Variant FieldValue(int index, bool old) const override;

 private:
  BookmarkLayout layout_;
  std::vector<uint8_t> keys_;
};

// The data set as the navigator of its window sees it.
class TLimitedCacheHost : public ILimitedCacheHost {
 public:
  TLimitedCacheHost(TFIBCustomDataSet& data_set, BookmarkLayout sort_layout);

  void StoreRow(TFIBQuery& statement, int index) override;
  void ShiftBufferIndexes(int delta) override;
  ISQLObject& RecordValues(int index) override;
  ISQLObject& CurrentValues() override;

 private:
  TFIBCustomDataSet& data_set_;
  TLimitedCacheSortValues values_;
  std::vector<uint8_t> record_;
};

}  // namespace fib
