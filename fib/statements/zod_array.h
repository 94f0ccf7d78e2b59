// TpZODArray: one array column, described once by the server, and the
// conversion between its slices and variant arrays.
#pragma once

#include <ibase.h>

#include <string>
#include <utility>
#include <vector>

#include "classlib/object.h"
#include "classlib/variant.h"

namespace fib {

class IIBClientLibrary;
class TFIBDatabase;

enum class TArrayElementKind { None, SmallInt, Integer, Float, Date, Time, String, BCD, DateTime };

// The kind of an element type code of the array descriptor; None for codes
// the layer does not convert (their elements are skipped).
TArrayElementKind ArrayElementKind(int element_type);

class TpZODArray : public classlib::TObject {
  CLASSLIB_CLASS(TpZODArray, classlib::TObject)
 public:
  // Looks the column's descriptor up on the server; server errors raise,
  // through the database's own check when a database is given.
  TpZODArray(IIBClientLibrary& library, isc_db_handle* db, isc_tr_handle* tr,
             std::string table, std::string column, TFIBDatabase* database = nullptr);

  const ISC_ARRAY_DESC& Descriptor() const { return desc_; }
  TArrayElementKind ElementKind() const { return kind_; }
  // Decimal places of scaled integer elements (NUMERIC(9,2) gives 2).
  int Scale() const { return -desc_.array_desc_scale; }
  int DimensionCount() const { return desc_.array_desc_dimensions; }
  // Lower and upper bound of dimension `index` (from 0); client error 60
  // for a dimension the column does not have.
  std::pair<int, int> Bounds(int index) const;
  int ElementCount() const;
  // Bytes of one element in a slice (a VARCHAR element has two more than
  // its length).
  int ElementStride() const;
  // Bytes of the whole slice.
  int SliceSize() const { return ElementCount() * ElementStride(); }

  // The elements of array `id` as a variant array with the column's bounds.
  classlib::Variant Read(const ISC_QUAD& id, isc_tr_handle* tr) const;
  // Stores the elements of a variant array (at most as many dimensions as
  // the column; client error 60 otherwise) and answers the new array id in
  // `id`. A variant that is no array is ignored.
  void Write(const classlib::Variant& value, isc_db_handle* db, isc_tr_handle* tr,
             ISC_QUAD& id) const;

  // The two halves of Write and Read: a variant array as the column's
  // slice (client error 60 as Write; empty for a variant that is no
  // array), a slice stored as a new array, and a slice as a variant array.
  std::vector<char> ToSlice(const classlib::Variant& value) const;
  ISC_QUAD PutSlice(std::vector<char>& slice, isc_db_handle* db, isc_tr_handle* tr) const;
  classlib::Variant FromSlice(const std::vector<char>& slice) const;

 private:
  std::string QualifiedName() const { return table_ + "." + column_; }
  void Check(ISC_STATUS status) const;
  classlib::Variant ReadElement(const char* element) const;
  void WriteElement(const classlib::Variant& value, char* element) const;

  IIBClientLibrary& library_;
  isc_db_handle* db_;
  TFIBDatabase* database_;
  std::string table_;
  std::string column_;
  ISC_ARRAY_DESC desc_{};
  TArrayElementKind kind_ = TArrayElementKind::None;
};

}  // namespace fib
