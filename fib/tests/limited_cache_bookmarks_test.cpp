// Key entries of the limited model's bookmarks: what a record buffer puts in
// them, the parameter values they give back, and how two bookmarks match.
#include "fib/records/limited_cache_bookmarks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <vector>

#include "classlib/datetime.h"
#include "fib/base/sql_types.h"

namespace fib {
namespace {

TFIBFieldDescr Descr(int type, int size, int offset, int scale = 0, bool is_string = false) {
  TFIBFieldDescr descr;
  descr.FieldType = static_cast<uint16_t>(type);
  descr.DataSize = static_cast<uint16_t>(size);
  descr.Offset = offset;
  descr.Scale = static_cast<int16_t>(scale);
  descr.IsString = is_string;
  return descr;
}

// A record of five columns: ID integer, CODE char(6), PRICE numeric(9,2)
// kept in an integer, DAY date, NAME varchar(20) in the string store.
class BookmarkKeysTest : public ::testing::Test {
 protected:
  BookmarkKeysTest() : record_(64, 0) {
    columns_["ID"] = {0, Descr(kSQLLong, 4, 11)};
    columns_["CODE"] = {1, Descr(kSQLText, 6, 15)};
    columns_["PRICE"] = {2, Descr(kSQLLong, 4, 21, -2)};
    columns_["DAY"] = {3, Descr(kSQLDate, 4, 25)};
    columns_["NAME"] = {4, Descr(kSQLVarying, 20, 29, 0, true)};
    Put<int32_t>(11, 16777217);
    std::memcpy(&record_[15], "AB12  ", 6);
    Put<int32_t>(21, 1999);
    day_ = classlib::EncodeDate(2026, 12, 7);
    Put<int32_t>(25, static_cast<int32_t>(day_) + classlib::kDateDelta);
    Put<int32_t>(29, 5);
    std::memcpy(&record_[33], "Kiwis", 5);
  }

  template <class T>
  void Put(int offset, T value) {
    std::memcpy(&record_[static_cast<size_t>(offset)], &value, sizeof value);
  }

  BookmarkLayout Layout(const std::vector<std::string>& names) {
    return BuildBookmarkLayout(names, [this](const std::string& name) {
      auto it = columns_.find(name);
      return it == columns_.end() ? BookmarkKeySource{} : it->second;
    });
  }

  std::vector<uint8_t> Bookmark(const BookmarkLayout& layout) {
    std::vector<uint8_t> bookmark(static_cast<size_t>(layout.size), 0xEE);
    WriteBookmarkKeys(layout, record_.data(), bookmark.data());
    std::memset(bookmark.data(), 0, kBookmarkKeysOffset);
    return bookmark;
  }

  std::map<std::string, BookmarkKeySource> columns_;
  std::vector<uint8_t> record_;
  classlib::TDateTime day_ = 0;
};

TEST_F(BookmarkKeysTest, EntriesCarryEveryValueByteAndGiveTheValuesBack) {
  const BookmarkLayout layout = Layout({"NAME", "MISSING", "CODE", "PRICE", "DAY", "ID"});
  ASSERT_EQ(layout.keys.size(), 5u);  // the name that matches no field is skipped
  EXPECT_EQ(layout.size, 8 + 21 + 7 + 5 + 5 + 5);
  const std::vector<uint8_t> bookmark = Bookmark(layout);
  EXPECT_EQ(BookmarkKeyValue(layout.keys[0], bookmark.data()).AsString(), "Kiwis");
  // The whole fixed text, its last byte included.
  EXPECT_EQ(BookmarkKeyValue(layout.keys[1], bookmark.data()).AsString(), "AB12  ");
  EXPECT_DOUBLE_EQ(BookmarkKeyValue(layout.keys[2], bookmark.data()).AsDouble(), 19.99);
  EXPECT_DOUBLE_EQ(BookmarkKeyValue(layout.keys[3], bookmark.data()).AsDouble(), day_);
  EXPECT_EQ(BookmarkKeyValue(layout.keys[4], bookmark.data()).AsInteger(), 16777217);
}

TEST_F(BookmarkKeysTest, NullColumnsGiveNullEntries) {
  record_[6 + 4] = 1;  // NAME is NULL
  const BookmarkLayout layout = Layout({"NAME", "ID"});
  const std::vector<uint8_t> bookmark = Bookmark(layout);
  EXPECT_EQ(bookmark[8], 1);
  for (int i = 9; i < 29; ++i) EXPECT_EQ(bookmark[static_cast<size_t>(i)], 0) << i;
  EXPECT_TRUE(classlib::VarIsNull(BookmarkKeyValue(layout.keys[0], bookmark.data())));
  EXPECT_FALSE(classlib::VarIsNull(BookmarkKeyValue(layout.keys[1], bookmark.data())));
}

TEST_F(BookmarkKeysTest, MatchingComparesEveryByteButTheActiveRecord) {
  const BookmarkLayout layout = Layout({"CODE", "ID"});
  const std::vector<uint8_t> given = Bookmark(layout);
  // Keys 16777217 and 1 differ only in the last byte of the bookmark.
  Put<int32_t>(11, 1);
  std::vector<uint8_t> other = Bookmark(layout);
  EXPECT_FALSE(BookmarksMatch(other, given, true));
  Put<int32_t>(11, 16777217);
  std::vector<uint8_t> same = Bookmark(layout);
  EXPECT_TRUE(BookmarksMatch(same, given, true));
  same[4] = 7;  // another active record: still the same record
  EXPECT_TRUE(BookmarksMatch(same, given, false));
  same[0] = 3;  // another identity counts unless it is ignored
  EXPECT_FALSE(BookmarksMatch(same, given, false));
  EXPECT_TRUE(BookmarksMatch(same, given, true));
  same.pop_back();
  EXPECT_FALSE(BookmarksMatch(same, given, true));
}

}  // namespace
}  // namespace fib
