#include <vector>

#include "classlib/exceptions.h"
#include "fib/base/variant_routines.h"

namespace fib {

namespace {

constexpr int kMaxCreateDims = 64;
constexpr int kMaxWalkDims = kIndexVectorSize - 1;

[[noreturn]] void RaiseNotArray() { throw classlib::Exception("Variant is not an array."); }
[[noreturn]] void RaiseOutOfBounds() {
  throw classlib::Exception("Variant array index out of bounds.");
}

// Checks that indices address an element of a, dimension by dimension.
void CheckIndices(const Variant& a, std::span<const int> indices) {
  const int dims = classlib::VarArrayDimCount(a);
  if (dims == 0) RaiseNotArray();
  if (static_cast<size_t>(dims) != indices.size()) RaiseOutOfBounds();
  for (int d = 0; d < dims; ++d) {
    if (indices[d] < classlib::VarArrayLowBound(a, d + 1) ||
        indices[d] > classlib::VarArrayHighBound(a, d + 1)) {
      RaiseOutOfBounds();
    }
  }
}

// The walk's position lives in `index`; the first dims entries are used.
int StartWalk(const Variant& a, std::span<int32_t> index) {
  const int dims = classlib::VarArrayDimCount(a);
  if (dims == 0) RaiseNotArray();
  if (dims > kMaxWalkDims) RaiseOutOfBounds();
  for (size_t d = 0; d < index.size(); ++d) {
    index[d] = static_cast<int>(d) < dims ? classlib::VarArrayLowBound(a, d + 1) : 0;
  }
  return dims;
}

bool StepWalk(const Variant& a, std::span<int32_t> index) {
  const int dims = classlib::VarArrayDimCount(a);
  for (int d = dims - 1; d >= 0; --d) {
    if (index[d] < classlib::VarArrayHighBound(a, d + 1)) {
      ++index[d];
      for (int later = d + 1; later < dims; ++later) {
        index[later] = classlib::VarArrayLowBound(a, later + 1);
      }
      return true;
    }
  }
  return false;
}

bool HasNoElements(const Variant& a, int dims) {
  for (int d = 1; d <= dims; ++d) {
    if (classlib::VarArrayHighBound(a, d) < classlib::VarArrayLowBound(a, d)) return true;
  }
  return false;
}

// Calls step(indices) for every element of a in row order.
void Walk(const Variant& a, const std::function<void(std::span<const int>)>& step) {
  TIndexVector index{};
  const int dims = StartWalk(a, index);
  if (HasNoElements(a, dims)) return;
  const std::span<const int> current(index.data(), dims);
  do {
    step(current);
  } while (StepWalk(a, index));
}

thread_local TIndexVector t_index_vector{};

}  // namespace

Variant CreateVarArray(std::span<const TVarArrayBound> bounds, classlib::TVarType element_type,
                       int dim_count) {
  if (dim_count < 1 || dim_count > kMaxCreateDims || bounds.size() < size_t(dim_count)) {
    throw classlib::Exception("Unable to create variant array.");
  }
  std::vector<int> pairs;
  for (int d = 0; d < dim_count; ++d) {
    pairs.push_back(bounds[d].Low);
    pairs.push_back(bounds[d].High);
  }
  try {
    return classlib::VarArrayCreate(pairs, element_type);
  } catch (const classlib::EVariantError&) {
    throw classlib::Exception("Unable to create variant array.");
  }
}

Variant VarArrayGet(const Variant& a_in, std::span<const int> indices) {
  const Variant& a = a_in.Deref();
  CheckIndices(a, indices);
  return classlib::VarArrayGet(a, indices);
}

void VarArrayPut(Variant& a_in, const Variant& value, std::span<const int> indices) {
  Variant& a = a_in.Deref();
  CheckIndices(a, indices);
  // The class library converts the value to the element type (a conversion
  // error is the caller's to see, not an index error).
  classlib::VarArrayPut(a, value, indices);
}

const TIndexVector& IndexVector() { return t_index_vector; }

void InitIndexVector(const Variant& a) { StartWalk(a.Deref(), t_index_vector); }

bool NextIndex(const Variant& a) { return StepWalk(a.Deref(), t_index_vector); }

void ForEachArrayElement(const Variant& a_in,
                         const std::function<void(const Variant& element)>& visit) {
  const Variant& a = a_in.Deref();
  Walk(a, [&](std::span<const int> indices) { visit(fib::VarArrayGet(a, indices)); });
}

void FillArrayElements(Variant& a_in, const std::function<Variant()>& next_value) {
  Variant& a = a_in.Deref();
  Walk(a, [&](std::span<const int> indices) { fib::VarArrayPut(a, next_value(), indices); });
}

}  // namespace fib
