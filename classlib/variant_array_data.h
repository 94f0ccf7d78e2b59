// The storage behind a variant array, shared by the Variant sources only.
#pragma once

#include <vector>

#include "classlib/variant.h"

namespace classlib {

struct VarArrayBound {
  int low = 0;
  int count = 0;  // elements in this dimension
};

class VarArrayData {
 public:
  VarArrayData(TVarType element_type, std::vector<VarArrayBound> bounds);
  // A copy is a separate, unlocked array with equal elements.
  VarArrayData(const VarArrayData& other);
  VarArrayData& operator=(const VarArrayData&) = delete;

  TVarType element_type() const { return element_type_; }
  const std::vector<VarArrayBound>& bounds() const { return bounds_; }
  int element_size() const { return element_size_; }
  size_t element_count() const;
  int lock_count() const { return lock_count_; }
  void Lock() { ++lock_count_; }
  void Unlock();

  // The flat position of an index vector, or -1 when it is out of bounds.
  long FlatIndex(std::span<const int> indices) const;
  Variant Get(size_t flat) const;
  void Put(size_t flat, const Variant& value);  // value already of the element type
  void* Raw();
  // Changes the element count of the last dimension, keeping the elements
  // that stay.
  void ResizeLast(int count);

  bool SameShape(const VarArrayData& other) const;

 private:
  TVarType element_type_;
  std::vector<VarArrayBound> bounds_;
  int element_size_;
  int lock_count_ = 0;
  // One of these holds the elements, by element type.
  std::vector<unsigned char> bytes_;
  std::vector<Variant> variants_;
  std::vector<WideString> wides_;
};

// Wraps array storage into a variant of type varArray | element type.
Variant MakeArrayVariant(std::unique_ptr<VarArrayData> data);

// The fixed byte size of one element of the type; 0 for types kept as objects.
int FixedElementSize(TVarType t);

}  // namespace classlib
