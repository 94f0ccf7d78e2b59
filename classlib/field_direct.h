// The direct read of a field's value from the browsed record (see
// TField::TDirectSlot), inline: the typed getters call it for every row a
// walk reads, and a call per value would cost more than the read.
#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

#include "classlib/ansistr.h"
#include "classlib/dataset.h"
#include "classlib/field.h"
#include "classlib/unaligned.h"

namespace classlib {

inline const uint8_t* TField::DirectRecord() const {
  if (!reads_direct_) return nullptr;
  return data_set_->BrowsedRecord();
}

inline bool TField::DirectValue(int size, const uint8_t*& value, bool& is_null) const {
  // The plain size is -1 unless a plain slot is read directly now.
  if (direct_plain_size_ != size || !data_set_->BrowsesARecord()) return false;
  // A record buffer of a data set that gives slots is never nullptr.
  const uint8_t* record = data_set_->BrowsedRecord();
  is_null = record[direct_slot_.null_offset] != 0;
  value = record + direct_slot_.offset;
  return true;
}

inline bool TField::DirectText(const uint8_t* record, std::string_view& text) const {
  const char* at = reinterpret_cast<const char*>(record + direct_slot_.offset);
  const auto limit = static_cast<std::size_t>(direct_slot_.limit);
  if (direct_slot_.form == TDirectSlot::kTextPointerForm) {
    const char* value = LoadUnaligned<const char*>(at);
    text = value == nullptr ? std::string_view() : std::string_view(value, strnlen(value, limit));
    return true;
  }
  bool trims = false;
  if (direct_slot_.form != TDirectSlot::kTextForm || !data_set_->DirectTextRules(direct_slot_.fixed_text, trims))
    [[unlikely]] return false;
  std::size_t n = strnlen(at, trims ? limit : static_cast<std::size_t>(direct_slot_.size));
  if (trims) n = LengthWithoutTrailingBlanks(at, n);
  text = std::string_view(at, std::min(n, static_cast<std::size_t>(direct_slot_.cut)));
  return true;
}

}  // namespace classlib
