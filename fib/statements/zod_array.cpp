// Looking up an array column and moving whole slices between the server
// and variant arrays.
#include "fib/statements/zod_array.h"

#include <vector>

#include "classlib/exceptions.h"
#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/base/sql_types.h"
#include "fib/statements/fib_database.h"

namespace fib {

namespace {

using BoundList = std::vector<std::pair<int, int>>;

// Steps `index` to the next element in row-major order (last dimension
// fastest); false after the last one.
bool NextIndex(std::vector<int>& index, const BoundList& bounds) {
  for (size_t d = index.size(); d-- > 0;) {
    if (index[d] < bounds[d].second) {
      ++index[d];
      return true;
    }
    index[d] = bounds[d].first;
  }
  return false;
}

std::vector<int> FirstIndex(const BoundList& bounds) {
  std::vector<int> index;
  for (const auto& [low, high] : bounds) index.push_back(low);
  return index;
}

bool IsEmpty(const BoundList& bounds) {
  for (const auto& [low, high] : bounds)
    if (high < low) return true;
  return bounds.empty();
}

}  // namespace

void TpZODArray::Check(ISC_STATUS status) const {
  if (database_ != nullptr) database_->CheckClientCall(status, true);
  else CheckClientCall(status, true, library_, nullptr);
}

TpZODArray::TpZODArray(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr,
                       std::string table, std::string column, TFIBDatabase* database)
    : library_(library),
      db_(db),
      database_(database),
      table_(std::move(table)),
      column_(std::move(column)) {
  Check(library_.isc_array_lookup_bounds(StatusVector(), db_, tr, table_.c_str(),
                                         column_.c_str(), &desc_));
  kind_ = ArrayElementKind(desc_.array_desc_dtype);
}

std::pair<int, int> TpZODArray::Bounds(int index) const {
  if (index < 0 || index >= DimensionCount()) RaiseClientError(60, {index, QualifiedName()});
  const ISC_ARRAY_BOUND& bound = desc_.array_desc_bounds[index];
  return {bound.array_bound_lower, bound.array_bound_upper};
}

int TpZODArray::ElementCount() const {
  int count = 1;
  for (int d = 0; d < DimensionCount(); ++d) {
    auto [low, high] = Bounds(d);
    count *= high >= low ? high - low + 1 : 0;
  }
  return count;
}

int TpZODArray::ElementStride() const {
  int stride = desc_.array_desc_length;
  if (desc_.array_desc_dtype == kBlrVarying) stride += 2;
  return stride;
}

classlib::Variant TpZODArray::Read(const ISC_QUAD& id, isc_tr_handle* tr) const {
  std::vector<char> slice(static_cast<size_t>(SliceSize()) + 1, 0);
  ISC_LONG length = SliceSize();
  ISC_QUAD array_id = id;
  Check(library_.isc_array_get_slice(StatusVector(), db_, tr, &array_id, &desc_, slice.data(),
                                     &length));
  return FromSlice(slice);
}

classlib::Variant TpZODArray::FromSlice(const std::vector<char>& slice) const {
  CLASSLIB_ASSERT(slice.size() >= static_cast<size_t>(SliceSize()));
  BoundList bounds;
  std::vector<int> flat_bounds;
  for (int d = 0; d < DimensionCount(); ++d) {
    bounds.push_back(Bounds(d));
    flat_bounds.push_back(bounds.back().first);
    flat_bounds.push_back(bounds.back().second);
  }
  classlib::Variant result = classlib::VarArrayCreate(flat_bounds, classlib::varVariant);
  if (IsEmpty(bounds)) return result;
  std::vector<int> index = FirstIndex(bounds);
  const char* element = slice.data();
  do {
    if (kind_ != TArrayElementKind::None)
      classlib::VarArrayPut(result, ReadElement(element), index);
    element += ElementStride();
  } while (NextIndex(index, bounds));
  return result;
}

void TpZODArray::Write(const classlib::Variant& value, isc_db_handle* db, isc_tr_handle* tr,
                       ISC_QUAD& id) const {
  std::vector<char> slice = ToSlice(value);
  if (slice.empty()) return;
  id = PutSlice(slice, db, tr);
}

std::vector<char> TpZODArray::ToSlice(const classlib::Variant& value) const {
  const classlib::Variant& array = value.Deref();
  if (!classlib::VarIsArray(array)) return {};
  int dimensions = classlib::VarArrayDimCount(array);
  if (dimensions > DimensionCount()) RaiseClientError(60, {dimensions, QualifiedName()});
  // The variant's elements fill the slice in their own row-major order;
  // elements past the column's size are dropped, missing ones stay zero.
  BoundList bounds;
  for (int d = 1; d <= dimensions; ++d)
    bounds.emplace_back(classlib::VarArrayLowBound(array, d), classlib::VarArrayHighBound(array, d));
  std::vector<char> slice(static_cast<size_t>(SliceSize()) + 1, 0);
  if (!IsEmpty(bounds) && kind_ != TArrayElementKind::None) {
    std::vector<int> index = FirstIndex(bounds);
    int written = 0;
    do {
      WriteElement(classlib::VarArrayGet(array, index), slice.data() + written * ElementStride());
    } while (++written < ElementCount() && NextIndex(index, bounds));
  }
  return slice;
}

ISC_QUAD TpZODArray::PutSlice(std::vector<char>& slice, isc_db_handle* db,
                              isc_tr_handle* tr) const {
  CLASSLIB_ASSERT(slice.size() >= static_cast<size_t>(SliceSize()));
  ISC_LONG length = SliceSize();
  ISC_QUAD array_id{};
  Check(library_.isc_array_put_slice(StatusVector(), db, tr, &array_id, &desc_, slice.data(),
                                     &length));
  return array_id;
}

}  // namespace fib
