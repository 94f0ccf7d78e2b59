// Direct comparisons compiled for the record's bytes: a number field
// against a number or NULL, decided as the Variants of the field and the
// constant would decide it, without making them. One function for each
// stored type and comparison, chosen once when the filter is built.
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "classlib/exceptions.h"
#include "classlib/unaligned.h"
#include "dacore/filter_node.h"
#include "dacore/store_data.h"

namespace dacore {

namespace {

template <TExpressionKind K>
bool Holds(double left, double right) {
  if constexpr (K == ntEqual) return left == right;
  if constexpr (K == ntNoEqual) return left != right;
  if constexpr (K == ntMore) return left > right;
  if constexpr (K == ntLess) return left < right;
  if constexpr (K == ntMoreEqual) return left >= right;
  if constexpr (K == ntLessEqual) return left <= right;
}

// A NULL field is equal to no number and different from every one. The
// value is compared as a double, as the Variant comparison takes it; a
// float's NaN orders as the store sorts it.
template <class T, TExpressionKind K>
bool TestNumber(const TExpressionNode& node, const uint8_t* rec) {
  if (rec[node.direct_null_offset] != 0) return K == ntNoEqual;
  const double value = static_cast<double>(classlib::LoadUnaligned<T>(rec + node.direct_value_offset));
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(value) || std::isnan(node.direct_number))
      return HoldsOrder(K, NaNLastOrder(std::isnan(value), std::isnan(node.direct_number)));
  }
  return Holds<K>(value, node.direct_number);
}

// Against NULL only equality asks anything: IS NULL and IS NOT NULL.
template <TExpressionKind K>
bool TestNull(const TExpressionNode& node, const uint8_t* rec) {
  const bool null = rec[node.direct_null_offset] != 0;
  if constexpr (K == ntEqual) return null;
  if constexpr (K == ntNoEqual) return !null;
  return false;
}

template <class T>
TDirectTest NumberTest(TExpressionKind kind) {
  switch (kind) {
    case ntEqual: case ntLike: return &TestNumber<T, ntEqual>;
    case ntNoEqual: return &TestNumber<T, ntNoEqual>;
    case ntMore: return &TestNumber<T, ntMore>;
    case ntLess: return &TestNumber<T, ntLess>;
    case ntMoreEqual: return &TestNumber<T, ntMoreEqual>;
    case ntLessEqual: return &TestNumber<T, ntLessEqual>;
    default: break;
  }
  CLASSLIB_ASSERT(false);
  return nullptr;
}

TDirectTest NullTest(TExpressionKind kind) {
  switch (kind) {
    case ntEqual: case ntLike: return &TestNull<ntEqual>;
    case ntNoEqual: return &TestNull<ntNoEqual>;
    default: return &TestNull<ntMore>;  // an order with NULL never holds
  }
}

// The stored type of a number field, as the store lays it out.
TDirectTest StoredTypeTest(const TFieldDesc& field, TExpressionKind kind) {
  switch (field.DataType()) {
    case dtInt8: return field.Size() == 1 ? NumberTest<int8_t>(kind) : NumberTest<int16_t>(kind);
    case dtInt16: return NumberTest<int16_t>(kind);
    case dtInt32: return NumberTest<int32_t>(kind);
    case dtUInt16: return NumberTest<uint16_t>(kind);
    case dtUInt32: return NumberTest<uint32_t>(kind);
    case dtInt64: return NumberTest<int64_t>(kind);
    default: return NumberTest<double>(kind);  // dtFloat, dtCurrency
  }
}

}  // namespace

void CompileDirect(TExpressionNode& node, const TData& data) {
  CLASSLIB_ASSERT(node.direct && node.direct_field != nullptr);
  const TFieldDesc& field = *node.direct_field;
  node.direct_value_offset = static_cast<uint32_t>(field.Offset());
  node.direct_null_offset = static_cast<uint32_t>(data.DataSize() + field.FieldNo() - 1);
  node.direct_test = node.direct_null ? NullTest(node.direct_kind) : StoredTypeTest(field, node.direct_kind);
}

}  // namespace dacore
