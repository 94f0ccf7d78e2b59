// Key entries of the limited model's bookmarks: layout, writing, reading
// back as parameter values, matching.
#include "fib/records/limited_cache_bookmarks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "classlib/datetime.h"
#include "fib/base/sql_types.h"

namespace fib {

namespace {

template <class T>
T Load(const uint8_t* p) {
  T value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

bool IsText(const TFIBFieldDescr& descr) {
  return descr.FieldType == kSQLText || descr.FieldType == kSQLVarying;
}

classlib::Variant Scaled(double value, int scale) {
  return classlib::Variant(value * std::pow(10.0, scale));
}

template <class T>
classlib::Variant Integer(const uint8_t* p, int scale) {
  const T value = Load<T>(p);
  if (scale < 0) return Scaled(static_cast<double>(value), scale);
  return classlib::Variant(static_cast<long long>(value));
}

classlib::Variant TextValue(const BookmarkKey& key, const uint8_t* value) {
  const auto* begin = reinterpret_cast<const char*>(value);
  // GUIDs and row keys are bytes, not text: a zero byte is part of them.
  if (key.descr.ValueKind == vkGuid || key.descr.IsDBKey)
    return classlib::Variant(std::string(begin, static_cast<size_t>(key.value_size)));
  const char* end = std::find(begin, begin + key.value_size, '\0');
  return classlib::Variant(std::string(begin, end));
}

}  // namespace

BookmarkLayout BuildBookmarkLayout(
    const std::vector<std::string>& names,
    const std::function<BookmarkKeySource(const std::string&)>& find) {
  BookmarkLayout layout;
  for (const std::string& name : names) {
    const BookmarkKeySource source = find(name);
    if (source.column < 0) continue;
    BookmarkKey key;
    key.field_name = name;
    key.offset = layout.size;
    key.value_size = source.descr.DataSize;
    key.column = source.column;
    key.descr = source.descr;
    key.int64_as_double = source.int64_as_double;
    layout.keys.push_back(key);
    layout.size += 1 + key.value_size;
  }
  return layout;
}

void WriteBookmarkKeys(const BookmarkLayout& layout, const uint8_t* record, uint8_t* bookmark) {
  for (const BookmarkKey& key : layout.keys) {
    uint8_t* entry = bookmark + key.offset;
    std::memset(entry, 0, static_cast<size_t>(1 + key.value_size));
    if (record[6 + key.column] != 0) {
      entry[0] = 1;
      continue;
    }
    const uint8_t* slot = record + key.descr.Offset;
    if (key.descr.IsString) {
      // A long text's slot starts with its length; only the text is kept.
      const int32_t length = std::clamp(Load<int32_t>(slot), 0, key.value_size);
      std::memcpy(entry + 1, slot + 4, static_cast<size_t>(length));
    } else {
      std::memcpy(entry + 1, slot, static_cast<size_t>(key.value_size));
    }
  }
}

classlib::Variant BookmarkKeyValue(const BookmarkKey& key, const uint8_t* bookmark) {
  const uint8_t* entry = bookmark + key.offset;
  if (entry[0] != 0) return classlib::Variant::Null();
  const uint8_t* value = entry + 1;
  const int scale = key.descr.Scale;
  if (IsText(key.descr)) return TextValue(key, value);
  switch (key.descr.FieldType) {
    case kSQLShort:
      return Integer<int16_t>(value, scale);
    case kSQLLong:
      return Integer<int32_t>(value, scale);
    case kSQLInt64:
      if (key.int64_as_double) return classlib::Variant(Load<double>(value));
      return Integer<int64_t>(value, scale);
    case kSQLFloat:
      return classlib::Variant(static_cast<double>(Load<float>(value)));
    case kSQLDouble:
    case kSQLDFloat:
      return classlib::Variant(Load<double>(value));
    case kSQLDate:
      return classlib::Variant::FromDate(Load<int32_t>(value) - classlib::kDateDelta);
    case kSQLTime:
      return classlib::Variant::FromDate(static_cast<double>(Load<int32_t>(value)) /
                                         classlib::kMSecsPerDay);
    case kSQLTimeStamp:
      return classlib::Variant::FromDate(
          classlib::TimeStampToDateTime(classlib::MSecsToTimeStamp(Load<double>(value))));
    case kSQLFBBoolean:
      return classlib::Variant(value[0] != 0);
    case kSQLBoolean:
      return classlib::Variant(Load<int16_t>(value) != 0);
    default:
      // Blob and array identifiers name no row; nothing to compare with.
      return classlib::Variant::Null();
  }
}

bool BookmarksMatch(std::span<const uint8_t> built, std::span<const uint8_t> given,
                    bool ignore_identity) {
  if (built.size() != given.size() || built.size() < kBookmarkKeysOffset) return false;
  if (!ignore_identity && std::memcmp(built.data(), given.data(), 4) != 0) return false;
  return std::equal(built.begin() + kBookmarkKeysOffset, built.end(),
                    given.begin() + kBookmarkKeysOffset);
}

}  // namespace fib
