// The local order of a record store: sort columns parsed from an index field
// list ("NAME;SALARY DESC", "[Last Name] CIS"), and the options of
// the value comparisons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dacore/field_descs.h"

namespace dacore {

// Comparison options, a set of bits.
using TCompareOptions = uint32_t;
inline constexpr TCompareOptions coCaseInsensitive = 1u << 0;
inline constexpr TCompareOptions coPartialKey = 1u << 1;      // the value only has to begin with the key
inline constexpr TCompareOptions coPartialCompare = 1u << 5;  // the key may occur anywhere in the value

struct TSortColumn {
  TFieldDesc* field = nullptr;
  bool descending = false;
  bool case_sensitive = true;
};

using TSortColumns = std::vector<TSortColumn>;

// How a sort compares one column: by a key read from each record once before
// the sort, or through the record comparison (CompareRecordField) each time.
enum class TSortKeyKind : uint8_t { kRecord, kInteger, kFloat, kAnsi };

// Parses an index field list against the fields: EDatabaseError "Field
// %s not found" for an unknown name, "Invalid IndexFieldNames format!" for
// anything else out of place. An empty or blank text gives no columns.
TSortColumns ParseIndexFieldNames(const std::string& text, const TFieldDescs& fields);

}  // namespace dacore
