// The record test of a key search: does a record hold the key values, and
// when it does not, on which side of it does the key sort.
#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "fib/base/str_util.h"
#include "fib/base/variant_routines.h"
#include "fib/records/key_search.h"

namespace fib {

using classlib::Variant;

namespace {

bool IsTextField(classlib::TFieldType type) {
  return type == classlib::ftString || type == classlib::ftWideString;
}

bool IsEmptyText(const Variant& v) { return classlib::VarIsStr(v) && v.AsString().empty(); }

// The value as the case-insensitive search sees it.
Variant UpperValue(classlib::TFieldType type, const Variant& value) {
  if (type == classlib::ftWideString) return Variant(classlib::WideUpperCase(classlib::VarToWideStr(value)));
  return Variant(classlib::AnsiUpperCase(classlib::VarToStr(value)));
}

}  // namespace

bool TKeySearch::TestRecord(int index) {
  index_ = index;
  key_before_ = false;
  for (int k = 0; k < static_cast<int>(keys_.size()); ++k)
    if (!TestField(k, records_.Value(index, k))) return false;
  return true;
}

bool TKeySearch::TestField(int k, const Variant& value) {
  TKeyColumn& key = keys_[static_cast<size_t>(k)];
  const bool key_null = classlib::VarIsNull(key.value);
  if (key_null || classlib::VarIsNull(value)) {
    if (key_null && classlib::VarIsNull(value)) return true;
    // A Null sorts first in a local sort; the statement's order says where.
    const bool null_first = locally_sorted_ ? key.ascending : key.nulls_first;
    key_before_ = key_null ? null_first : !null_first;
    return false;
  }
  // The key takes the value's type once, at the first record where both are
  // set; a key that does not convert stays as it is and this record fails.
  if (convert_pending_[static_cast<size_t>(k)]) {
    convert_pending_[static_cast<size_t>(k)] = false;
    if (!ConvertKey(key, value)) return false;
  }
  const bool match = IsTextField(key.type) ? MatchText(key, value) : MatchOther(key, value);
  if (!match && Sorted()) NoteOrder(k, value);
  return match;
}

bool TKeySearch::ConvertKey(TKeyColumn& key, const Variant& value) {
  if (!VarTypesIncompatible(key.value, value)) return true;
  if (key.type == classlib::ftBCD && classlib::VarType(key.value) == classlib::varOleStr) return true;
  try {
    if (key.type == classlib::ftBoolean && classlib::VarType(key.value) == classlib::varBoolean)
      key.value = Variant(key.value.AsBoolean() ? 1 : 0);
    else if (!IsEmptyText(key.value) || classlib::VarIsStr(value))
      key.value = classlib::VarAsType(key.value, classlib::VarType(value));
    else
      key.value = classlib::Null();
  } catch (const classlib::EVariantError&) {
    key_before_ = false;
    return false;
  }
  return true;
}

bool TKeySearch::MatchText(const TKeyColumn& key, const Variant& value) const {
  const Variant seen = options_.Contains(lkoCaseInsensitive) ? UpperValue(key.type, value) : value;
  if (options_.Contains(lkoPartialKey))
    return StartsWithStr(classlib::VarToStr(key.value), classlib::VarToStr(seen));
  if (options_.Contains(lkoWildcards))
    return MatchesSQLLike(classlib::VarToStr(seen), classlib::VarToStr(key.value));
  return EqualVariants(key.value, seen);
}

bool TKeySearch::MatchOther(const TKeyColumn& key, const Variant& value) {
  if (classlib::VarIsEmpty(key.value)) return classlib::VarIsEmpty(value);
  if (classlib::VarIsEmpty(value)) return false;
  return EqualVariants(key.value, value);
}

// For an ascending field a key below the value sorts before it, for a
// descending one a key above it.
void TKeySearch::NoteOrder(int k, const Variant& value) {
  const TKeyColumn& key = keys_[static_cast<size_t>(k)];
  const bool greater = IsTextField(key.type) ? records_.CompareValues(k, key.value, value) > 0
                                             : key.value > value;
  key_before_ = greater != key.ascending;
}

}  // namespace fib
