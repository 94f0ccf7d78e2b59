// Variant arrays. Elements are stored in row order (the last dimension
// varies fastest): fixed-size kinds as packed bytes, Variant and OleStr
// elements as objects.
#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "classlib/exceptions.h"
#include "classlib/variant.h"
#include "classlib/variant_array_data.h"

namespace classlib {

namespace {

constexpr int kMaxDimensions = 64;
constexpr int kMaxElements = std::numeric_limits<int32_t>::max();

[[noreturn]] void RaiseNotArray() { throw EVariantError("Variant is not an array"); }
[[noreturn]] void RaiseBadIndex() {
  throw EVariantError("Variant or safe array index out of bounds");
}
[[noreturn]] void RaiseCreateError() {
  throw EVariantError("Error creating variant or safe array");
}

VarArrayData& DataOf(Variant& a) {
  VarArrayData* data = a.Deref().ArrayData();
  if (data == nullptr) RaiseNotArray();
  return *data;
}

const VarArrayData& DataOf(const Variant& a) {
  const VarArrayData* data = a.Deref().ArrayData();
  if (data == nullptr) RaiseNotArray();
  return *data;
}

const VarArrayBound& BoundOf(const Variant& a, int dim) {
  const auto& bounds = DataOf(a).bounds();
  if (dim < 1 || dim > static_cast<int>(bounds.size())) RaiseBadIndex();
  return bounds[dim - 1];
}

}  // namespace

int FixedElementSize(TVarType t) {
  switch (t) {
    case varShortInt: case varByte: return 1;
    case varSmallint: case varWord: case varBoolean: return 2;
    case varInteger: case varLongWord: case varSingle: case varError: return 4;
    case varDouble: case varCurrency: case varDate: case varInt64: return 8;
    default: return 0;
  }
}

// ---- Storage ----------------------------------------------------------------

VarArrayData::VarArrayData(TVarType element_type, std::vector<VarArrayBound> bounds)
    : element_type_(element_type),
      bounds_(std::move(bounds)),
      element_size_(FixedElementSize(element_type)) {
  size_t count = element_count();
  if (element_type_ == varVariant) {
    variants_.resize(count);
  } else if (element_type_ == varOleStr) {
    wides_.resize(count);
    element_size_ = sizeof(WideString);
  } else {
    bytes_.assign(count * element_size_, 0);
  }
  if (element_type_ == varVariant) element_size_ = sizeof(Variant);
}

VarArrayData::VarArrayData(const VarArrayData& other)
    : element_type_(other.element_type_),
      bounds_(other.bounds_),
      element_size_(other.element_size_),
      bytes_(other.bytes_),
      variants_(other.variants_),
      wides_(other.wides_) {}

size_t VarArrayData::element_count() const {
  size_t count = 1;
  for (const auto& b : bounds_) count *= static_cast<size_t>(b.count);
  return count;
}

void VarArrayData::Unlock() {
  if (lock_count_ == 0) throw EVariantError("Variant or safe array is not locked");
  --lock_count_;
}

long VarArrayData::FlatIndex(std::span<const int> indices) const {
  if (indices.size() != bounds_.size()) return -1;
  long flat = 0;
  for (size_t i = 0; i < bounds_.size(); ++i) {
    long offset = static_cast<long>(indices[i]) - bounds_[i].low;
    if (offset < 0 || offset >= bounds_[i].count) return -1;
    flat = flat * bounds_[i].count + offset;
  }
  return flat;
}

Variant VarArrayData::Get(size_t flat) const {
  if (element_type_ == varVariant) return variants_[flat];
  if (element_type_ == varOleStr) return wides_[flat];
  const unsigned char* p = bytes_.data() + flat * element_size_;
  auto read = [p](auto value) {
    std::memcpy(&value, p, sizeof(value));
    return value;
  };
  switch (element_type_) {
    case varShortInt: return read(int8_t{});
    case varByte: return read(uint8_t{});
    case varSmallint: return read(int16_t{});
    case varWord: return read(uint16_t{});
    // Stored as the platform's 16-bit Boolean: -1 True, 0 False.
    case varBoolean: return read(int16_t{}) != 0;
    case varInteger: return read(int32_t{});
    case varLongWord: return read(uint32_t{});
    case varSingle: return read(float{});
    case varError: return Variant::FromError(read(int32_t{}));
    case varDouble: return read(double{});
    case varDate: return Variant::FromDate(read(double{}));
    case varCurrency: return Currency::FromScaled(read(int64_t{}));
    default: return static_cast<long long>(read(int64_t{}));
  }
}

void VarArrayData::Put(size_t flat, const Variant& value) {
  if (element_type_ == varVariant) {
    variants_[flat] = value;
    return;
  }
  if (element_type_ == varOleStr) {
    wides_[flat] = value.AsOleStr();
    return;
  }
  unsigned char* p = bytes_.data() + flat * element_size_;
  if (element_type_ == varBoolean) {
    int16_t b = value.AsBoolean() ? -1 : 0;
    std::memcpy(p, &b, sizeof(b));
    return;
  }
  // The value already has the element type: its storage is the element.
  std::memcpy(p, value.DataPtr(), element_size_);
}

void* VarArrayData::Raw() {
  if (element_type_ == varVariant) return variants_.data();
  if (element_type_ == varOleStr) return wides_.data();
  return bytes_.data();
}

void VarArrayData::ResizeLast(int count) {
  // Row order keeps each row of the last dimension together, so every row
  // moves to its new place.
  int old_count = bounds_.back().count;
  std::vector<VarArrayBound> new_bounds = bounds_;
  new_bounds.back().count = count;
  VarArrayData resized(element_type_, new_bounds);
  size_t rows = old_count == 0 ? 0 : element_count() / old_count;
  int keep = std::min(count, old_count);
  for (size_t row = 0; row < rows; ++row) {
    for (int i = 0; i < keep; ++i) resized.Put(row * count + i, Get(row * old_count + i));
  }
  bounds_ = std::move(new_bounds);
  bytes_ = std::move(resized.bytes_);
  variants_ = std::move(resized.variants_);
  wides_ = std::move(resized.wides_);
}

bool VarArrayData::SameShape(const VarArrayData& other) const {
  if (bounds_.size() != other.bounds_.size()) return false;
  for (size_t i = 0; i < bounds_.size(); ++i) {
    if (bounds_[i].low != other.bounds_[i].low || bounds_[i].count != other.bounds_[i].count) {
      return false;
    }
  }
  return true;
}

// ---- Public routines ----------------------------------------------------------

Variant VarArrayCreate(std::span<const int> bounds, TVarType element_type) {
  bool valid_type = element_type == varVariant || element_type == varOleStr ||
                    FixedElementSize(element_type) > 0;
  if (!valid_type) throw EVariantError("Invalid variant type");
  if (bounds.empty() || bounds.size() % 2 != 0 || bounds.size() / 2 > kMaxDimensions) {
    RaiseCreateError();
  }
  std::vector<VarArrayBound> dims;
  size_t total = 1;
  for (size_t i = 0; i < bounds.size(); i += 2) {
    long count = static_cast<long>(bounds[i + 1]) - bounds[i] + 1;
    if (count < 0 || count > std::numeric_limits<int>::max()) RaiseCreateError();
    // A safe array counts its elements in 32 bits.
    if (count > 0 && total > static_cast<size_t>(kMaxElements) / static_cast<size_t>(count)) {
      RaiseCreateError();
    }
    total *= static_cast<size_t>(count);
    dims.push_back({bounds[i], static_cast<int>(count)});
  }
  try {
    return MakeArrayVariant(std::make_unique<VarArrayData>(element_type, std::move(dims)));
  } catch (const std::bad_alloc&) {
    RaiseCreateError();
  }
}

Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType element_type) {
  return VarArrayCreate(std::span<const int>(bounds.begin(), bounds.size()), element_type);
}

Variant VarArrayOf(std::span<const Variant> values) {
  auto data = std::make_unique<VarArrayData>(
      varVariant, std::vector<VarArrayBound>{{0, static_cast<int>(values.size())}});
  for (size_t i = 0; i < values.size(); ++i) data->Put(i, values[i]);
  return MakeArrayVariant(std::move(data));
}

Variant VarArrayOf(std::initializer_list<Variant> values) {
  return VarArrayOf(std::span<const Variant>(values.begin(), values.size()));
}

int VarArrayDimCount(const Variant& a) {
  const VarArrayData* data = a.Deref().ArrayData();
  return data ? static_cast<int>(data->bounds().size()) : 0;
}

int VarArrayLowBound(const Variant& a, int dim) { return BoundOf(a, dim).low; }

int VarArrayHighBound(const Variant& a, int dim) {
  const VarArrayBound& b = BoundOf(a, dim);
  return b.low + b.count - 1;
}

TVarType VarArrayElementType(const Variant& a) { return DataOf(a).element_type(); }

int VarArrayElementSize(const Variant& a) { return DataOf(a).element_size(); }

Variant VarArrayGet(const Variant& a, std::span<const int> indices) {
  const VarArrayData& data = DataOf(a);
  long flat = data.FlatIndex(indices);
  if (flat < 0) RaiseBadIndex();
  return data.Get(static_cast<size_t>(flat));
}

Variant VarArrayGet(const Variant& a, std::initializer_list<int> indices) {
  return VarArrayGet(a, std::span<const int>(indices.begin(), indices.size()));
}

void VarArrayPut(Variant& a, const Variant& value, std::span<const int> indices) {
  VarArrayData& data = DataOf(a);
  long flat = data.FlatIndex(indices);
  if (flat < 0) RaiseBadIndex();
  // Convert before storing so that a failed conversion leaves the element.
  data.Put(static_cast<size_t>(flat), VarAsType(value, data.element_type()));
}

void VarArrayPut(Variant& a, const Variant& value, std::initializer_list<int> indices) {
  VarArrayPut(a, value, std::span<const int>(indices.begin(), indices.size()));
}

void* VarArrayLock(Variant& a) {
  VarArrayData& data = DataOf(a);
  data.Lock();
  return data.Raw();
}

void VarArrayUnlock(Variant& a) { DataOf(a).Unlock(); }

void VarArrayRedim(Variant& a, int high_bound) {
  VarArrayData& data = DataOf(a);
  if (data.lock_count() > 0) throw EVariantError("Variant or safe array is locked");
  long count = static_cast<long>(high_bound) - data.bounds().back().low + 1;
  if (count < 0 || count > std::numeric_limits<int>::max()) RaiseCreateError();
  data.ResizeLast(static_cast<int>(count));
}

}  // namespace classlib
