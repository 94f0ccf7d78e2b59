// The direct read of a field's value from the browsed record (see
// TField::TDirectSlot), inline: the typed getters call it for every row a
// walk reads, and a call per value would cost more than the read.
#pragma once

#include "classlib/dataset.h"
#include "classlib/field.h"

namespace classlib {

inline const uint8_t* TField::DirectRecord() const {
  if (direct_slot_.offset < 0 || validating_) return nullptr;
  return data_set_->BrowsedRecord();
}

inline const uint8_t* TField::DirectValue(int size, bool& is_null) const {
  // A field without a slot has size 0 and fails the first test.
  if (direct_slot_.size != size || direct_slot_.form != TDirectSlot::kPlainForm) return nullptr;
  const uint8_t* record = DirectRecord();
  if (record == nullptr) return nullptr;
  is_null = record[direct_slot_.null_offset] != 0;
  return record + direct_slot_.offset;
}

}  // namespace classlib
