// Bookmarks of a data set that keeps only a window of its result. A record
// may leave the window and come back under another index, so a bookmark
// carries the record's key values beside its identity: the window is
// refilled around the row those values select when the record is gone.
//
// Layout (zero-filled first): record identity (Int32), active-record number
// (Int32), then one entry per key field: a null byte (1 = NULL) and the
// column's value bytes as the record buffer holds them (zero for NULL).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "classlib/variant.h"
#include "fib/records/field_descr_list.h"

namespace fib {

inline constexpr int kBookmarkKeysOffset = 8;

// One key of the bookmark and the column it is read from.
struct BookmarkKey {
  std::string field_name;
  int offset = 0;      // of the entry's null byte in the bookmark
  int value_size = 0;  // value bytes after the null byte
  int column = 0;      // 0-based column; its null flag is record byte 6 + column
  TFIBFieldDescr descr;
  // An INT64 column stored as a double (scaled beyond 4 digits).
  bool int64_as_double = false;
};

// What the key list is built from for one named field.
struct BookmarkKeySource {
  int column = -1;  // -1: no such field, the name is skipped
  TFIBFieldDescr descr;
  bool int64_as_double = false;
};

struct BookmarkLayout {
  std::vector<BookmarkKey> keys;
  int size = kBookmarkKeysOffset;
};

// The keys of the names in order, each entry sized by its column's slot (a
// long text column by its declared length), so that every value byte the
// record holds is carried whatever the field's own type.
BookmarkLayout BuildBookmarkLayout(const std::vector<std::string>& names,
                                   const std::function<BookmarkKeySource(const std::string&)>& find);

// Writes the key entries of a record buffer into bookmark (BookmarkLayout
// size bytes, the first two words already written).
void WriteBookmarkKeys(const BookmarkLayout& layout, const uint8_t* record, uint8_t* bookmark);

// The key value an entry holds, as the LOCATE_ parameter takes it; Null for
// a NULL entry.
classlib::Variant BookmarkKeyValue(const BookmarkKey& key, const uint8_t* bookmark);

// Whether a bookmark built from a record in the window names the same
// record as a given one: the key entries, and the identity unless
// ignore_identity, compared byte for byte over the whole length. The active-
// record number says nothing about the record and is not compared.
bool BookmarksMatch(std::span<const uint8_t> built, std::span<const uint8_t> given,
                    bool ignore_identity);

}  // namespace fib
