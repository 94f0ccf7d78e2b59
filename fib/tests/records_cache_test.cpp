#include "fib/records/records_cache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "fib/records/mem_manager_error.h"

namespace fib {
namespace {

using Bytes = std::vector<uint8_t>;

// Runs body and answers the EMemManagerError message it raised ("" when none).
template <typename Body>
std::string MemError(Body body) {
  try {
    body();
  } catch (const EMemManagerError& e) {
    EXPECT_TRUE(e.InheritsFromByName("Exception"));
    return e.Message();
  }
  return "";
}

// ---- geometry ----

struct Geometry {
  int block_records, buffer_size, record_size;
  int block_size, records_per_block;
};

TEST(RecordsCacheGeometry, BlockSizesAndRecordsPerBlock) {
  const Geometry cases[] = {
      {5, 120, 100, 1080, 10},   // 500 < 1024: smallest multiple of 120 above 1024
      {32, 100, 100, 3200, 32},  // large enough as asked
      {0, 2000, 2000, 2000, 1},  // 2000 is already above 1024
      {1, 512, 100, 1536, 15},   // 1024 itself a multiple: one buffer more
  };
  for (const Geometry& g : cases) {
    TRecordsCache cache(g.block_records, g.buffer_size, g.record_size, 0);
    EXPECT_EQ(cache.BlockSize(), g.block_size) << g.block_records << "/" << g.buffer_size;
    EXPECT_EQ(cache.RecordsPerBlock(), g.records_per_block);
    EXPECT_EQ(cache.RecordCount(), 0);
    EXPECT_EQ(cache.CurrentRecNo(), -1);
    EXPECT_EQ(cache.PageCount(), 0);
  }
}

TEST(RecordsCacheGeometry, Record33StartsTheSecondPage) {
  TRecordsCache cache(32, 100, 100, 0);
  cache.AddPage();
  uint8_t* first = cache.Grow(1);
  EXPECT_EQ(cache.Grow(32), first + 31 * 100);
  uint8_t* record33 = cache.Grow(33);
  EXPECT_EQ(cache.PageCount(), 2);
  EXPECT_EQ(cache.OffsetInBlock(33, true), 0);
  EXPECT_EQ(cache.BlockOfIndex(33, false, true), 1);
  EXPECT_EQ(cache.GetRecordBuffer(33), record33);
  EXPECT_EQ(cache.GetRecordBuffer(1), first);
}

TEST(RecordsCacheGeometry, SizesThatDoNotFitAreRefused) {
  EXPECT_EQ(MemError([] { TRecordsCache(0, 1500, 2000, 0); }), "Incompatible Sizes");
  EXPECT_EQ(MemError([] { TRecordsCache(32, 100, 0, 0); }), "Incompatible Sizes");
  EXPECT_EQ(MemError([] { TRecordsCache(32, 0, 100, 0); }), "Incompatible Sizes");
  // Record and buffer sizes given the wrong way round.
  EXPECT_EQ(MemError([] { TRecordsCache(32, 12, 53, 2); }), "Incompatible Sizes");
  EXPECT_EQ(MemError([] { TRecordsCache(32, 53, 12, 2); }), "");
}

// ---- pages ----

Bytes Numbered(int size, int number) {
  Bytes record(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i) record[static_cast<size_t>(i)] = static_cast<uint8_t>(number * 7 + i);
  return record;
}

TEST(RecordsCachePages, ManyPagesKeepEveryRecordInPlace) {
  TRecordsCache cache(8, 16, 16, 0);  // 1040-byte pages of 65 records
  ASSERT_EQ(cache.RecordsPerBlock(), 65);
  std::vector<uint8_t*> pointers;
  for (int n = 1; n <= 2000; ++n) {
    cache.WriteRecord(n, Numbered(16, n), true);
    pointers.push_back(cache.GetRecordBuffer(n));
  }
  EXPECT_EQ(cache.PageCount(), 31);
  EXPECT_EQ(cache.RecordCount(), 2000);
  Bytes out(16);
  for (int n = 1; n <= 2000; ++n) {
    // Pages never move: the pointer taken at write time still shows it.
    ASSERT_EQ(std::memcmp(pointers[static_cast<size_t>(n - 1)], Numbered(16, n).data(), 16), 0) << n;
    cache.ReadRecord(n, out, false);
    ASSERT_EQ(out, Numbered(16, n)) << n;
  }
}

TEST(RecordsCachePages, GrowFarAheadAddsEveryPageUpToTheRecord) {
  TRecordsCache cache(10, 100, 100, 0);  // 11 records per page
  uint8_t* record = cache.Grow(100);
  EXPECT_EQ(cache.PageCount(), 10);
  EXPECT_EQ(cache.RecordCount(), 100);
  std::memset(record, 0xAB, 100);  // the whole record is ours to write
  EXPECT_NE(cache.RecordPointer(50), nullptr);
  EXPECT_EQ(cache.RecordPointer(111), nullptr);
}

// Pages are handed out uncleared; every way of reaching a record that was
// never written (behind one written far ahead, on a page added by hand,
// after the cache was freed and a new one got the same memory) reads zeros.
TEST(RecordsCachePages, RecordsNeverWrittenReadAsZeros) {
  Bytes out(100);
  const Bytes zeros(100, 0);
  for (int round = 0; round < 2; ++round) {
    TRecordsCache cache(10, 100, 100, 0);  // 11 records per page
    cache.WriteRecord(30, Bytes(100, 0xAB), true);
    std::memset(cache.Grow(31), 0xCD, 100);
    for (int n : {1, 11, 12, 29, 33}) {
      cache.ReadRecord(n, out, false);
      EXPECT_EQ(out, zeros) << "record " << n << " round " << round;
    }
    cache.ReadRecord(30, out, false);
    EXPECT_EQ(out, Bytes(100, 0xAB));
    cache.AddPage();
    const uint8_t* added = cache.RecordPointer(40);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(Bytes(added, added + 100), zeros) << "a record of a page added by hand";
    // Fill every record, so that the next round's pages come from dirty memory.
    for (int n = 1; n <= cache.RecordsPerBlock() * cache.PageCount(); ++n)
      std::memset(cache.Grow(n), 0xEE, 100);
  }
}

// Records are cleared a run at a time: one cleared ahead of the rows is
// still new (zero-filled) to the fetch until it is reached, and a run never
// clears a record that was written.
TEST(RecordsCachePages, RecordsClearedAheadAreNewUntilReached) {
  const Bytes zeros(100, 0);
  for (int round = 0; round < 2; ++round) {
    TRecordsCache cache(10, 100, 100, 0);  // 11 records per page
    std::memset(cache.Grow(1), 0xAB, 100);
    EXPECT_FALSE(cache.Unreached(1));
    for (int n : {2, 5, 11, 12, 40}) EXPECT_TRUE(cache.Unreached(n)) << n << " round " << round;
    for (int n = 2; n <= 13; ++n) {
      uint8_t* record = cache.Grow(n);
      EXPECT_EQ(Bytes(record, record + 100), zeros) << "record " << n << " round " << round;
      EXPECT_FALSE(cache.Unreached(n));
      std::memset(record, 0xA0 + n, 100);
    }
    // Reached out of order: the records passed over read as zeros and the
    // written ones keep their bytes.
    std::memset(cache.Grow(30), 0xCD, 100);
    Bytes out(100);
    for (int n : {14, 22, 23, 29, 31, 33}) {
      cache.ReadRecord(n, out, false);
      EXPECT_EQ(out, zeros) << "record " << n << " round " << round;
    }
    for (int n : {1, 13, 30}) {
      cache.ReadRecord(n, out, false);
      EXPECT_EQ(out, Bytes(100, n == 1 ? 0xAB : n == 30 ? 0xCD : 0xA0 + n)) << "record " << n;
    }
    for (int n = 1; n <= cache.RecordsPerBlock() * cache.PageCount(); ++n)
      std::memset(cache.Grow(n), 0xEE, 100);
  }
}

TEST(RecordsCachePages, MissingRecordsRaiseTheirTexts) {
  TRecordsCache cache(32, 100, 100, 0);
  Bytes buffer(100);
  uint8_t* record = nullptr;
  EXPECT_EQ(cache.RecordPointer(1), nullptr);
  EXPECT_EQ(MemError([&] { cache.GetRecordBuffer(1); }), "Can't read Buffer.Incorrect RecordNo");
  EXPECT_EQ(MemError([&] { cache.ReadRecord(1, buffer, false); }),
            "Can't read Buffer.Incorrect RecordNo");
  EXPECT_EQ(MemError([&] { cache.WriteRecord(1, buffer, false); }),
            "Can't write to Buffer.Incorrect RecordNo");
  EXPECT_EQ(MemError([&] { cache.ReadFieldData(1, 0, record, -1); }),
            "Can't read  FieldData .Incorrect RecordNo");
  EXPECT_EQ(MemError([&] { cache.Grow(0); }), "Can't write to Buffer.Incorrect RecordNo");
  EXPECT_EQ(MemError([&] { cache.SaveToLog(1); }), "Can't read Buffer.Incorrect RecordNo");
  EXPECT_EQ(cache.LogCount(), 0);

  // A log entry made without saving has no page behind it.
  cache.WriteRecord(1, buffer, true);
  cache.FindLogEntry(1, true);
  EXPECT_EQ(MemError([&] { cache.ReadRecord(1, buffer, true); }),
            "Can't read LogBuffer.Incorrect RecordNo");
}

TEST(RecordsCachePages, NumbersBeyondTheOrderListNameNoRecord) {
  TRecordsCache cache(32, 100, 100, 0);
  for (int n = 1; n <= 3; ++n) cache.WriteRecord(n, Numbered(100, n), true);
  cache.SwapRecords(0, 1);
  EXPECT_EQ(cache.RecordIndex(4), -1);
  EXPECT_EQ(cache.RecordIndex(0), -1);
  // -1 must not turn into an address before the first record.
  EXPECT_EQ(cache.RecordPointer(4), nullptr);
  EXPECT_EQ(MemError([&] { cache.GetRecordBuffer(4); }), "Can't read Buffer.Incorrect RecordNo");
  EXPECT_EQ(cache.BlockOfIndex(4, false, false), -1);
}

// Records of fixed-size values only: a read follows the order list once
// there is one, prefers the log when asked and refuses a short buffer.
TEST(RecordsCachePages, FixedRecordsReadByOrderLogAndSize) {
  TRecordsCache cache(32, 100, 100, 0);
  for (int n = 1; n <= 3; ++n) cache.WriteRecord(n, Numbered(100, n), true);
  Bytes out(100);
  cache.ReadRecord(2, out, false);
  EXPECT_EQ(out, Numbered(100, 2));

  cache.SwapRecords(0, 2);
  cache.ReadRecord(1, out, false);
  EXPECT_EQ(out, Numbered(100, 3)) << "the first position holds the third record";
  cache.ReadRecord(3, out, false);
  EXPECT_EQ(out, Numbered(100, 1));

  cache.SaveToLog(2);
  cache.WriteRecord(2, Numbered(100, 9), false);
  cache.ReadRecord(2, out, true);
  EXPECT_EQ(out, Numbered(100, 2)) << "the log keeps the earlier contents";
  cache.ReadRecord(2, out, false);
  EXPECT_EQ(out, Numbered(100, 9));

  Bytes shorter(99, 0x55);
  EXPECT_EQ(MemError([&] { cache.ReadRecord(2, shorter, false); }), "Incompatible Sizes");
  EXPECT_EQ(shorter, Bytes(99, 0x55)) << "a refused read writes nothing";
}

// ---- expanded records with long text values ----

// Fixed part of 8 bytes, text fields of widths 20 and 13, tail of 4 bytes:
// a stored record of 12 bytes, an expanded one of 8 + 24 + 17 + 4 = 53.
constexpr int kFixed = 8, kWidth1 = 20, kWidth2 = 13, kTail = 4;
constexpr int kSlot1 = kFixed, kSlot2 = kSlot1 + 4 + kWidth1, kTailAt = kSlot2 + 4 + kWidth2;
constexpr int kExpanded = kTailAt + kTail, kStored = kFixed + kTail;

struct Row {
  int64_t fixed = 0;
  std::string text1, text2;
  int32_t tail = 0;
};

void PutSlot(Bytes& buffer, int at, const std::string& text, int width) {
  const int32_t length = static_cast<int32_t>(text.size());
  std::memcpy(&buffer[static_cast<size_t>(at)], &length, 4);
  std::memcpy(&buffer[static_cast<size_t>(at) + 4], text.data(), text.size());
  if (static_cast<int>(text.size()) < width) buffer[static_cast<size_t>(at) + 4 + text.size()] = 0;
}

Bytes Expanded(const Row& row) {
  Bytes buffer(kExpanded, 0xEE);
  std::memcpy(&buffer[0], &row.fixed, 8);
  PutSlot(buffer, kSlot1, row.text1, kWidth1);
  PutSlot(buffer, kSlot2, row.text2, kWidth2);
  std::memcpy(&buffer[kTailAt], &row.tail, 4);
  return buffer;
}

int32_t SlotLength(const Bytes& buffer, int at) {
  int32_t length;
  std::memcpy(&length, &buffer[static_cast<size_t>(at)], 4);
  return length;
}

std::string SlotText(const Bytes& buffer, int at) {
  const int32_t length = SlotLength(buffer, at);
  return std::string(reinterpret_cast<const char*>(&buffer[static_cast<size_t>(at) + 4]),
                     static_cast<size_t>(length));
}

Row Parsed(const Bytes& buffer) {
  Row row;
  std::memcpy(&row.fixed, &buffer[0], 8);
  row.text1 = SlotText(buffer, kSlot1);
  row.text2 = SlotText(buffer, kSlot2);
  std::memcpy(&row.tail, &buffer[kTailAt], 4);
  return row;
}

bool operator==(const Row& a, const Row& b) {
  return a.fixed == b.fixed && a.text1 == b.text1 && a.text2 == b.text2 && a.tail == b.tail;
}

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << "{" << row.fixed << ", '" << row.text1 << "', '" << row.text2 << "', " << row.tail << "}";
}

class TextCache : public ::testing::Test {
 protected:
  TextCache() : cache(4, kExpanded, kStored, 2) {
    cache.SetStringLayout(1, kSlot1, kWidth1);
    cache.SetStringLayout(2, kSlot2, kWidth2);
    cache.AddPage();
  }

  Row Read(int logical, bool from_log = false) {
    Bytes buffer(kExpanded);
    cache.ReadRecord(logical, buffer, from_log);
    return Parsed(buffer);
  }

  void Write(int logical, const Row& row) { cache.WriteRecord(logical, Expanded(row), true); }

  static Row Numbered(int n) {
    return {n * 1000, "first " + std::to_string(n), "second " + std::to_string(n), -n};
  }

  TRecordsCache cache;
};

TEST_F(TextCache, RecordsKeepFixedPartTextsAndTail) {
  EXPECT_EQ(cache.ExpandedSize(), kExpanded);
  for (int n = 1; n <= 300; ++n) Write(n, Numbered(n));
  EXPECT_EQ(cache.PageCount(), 4);  // 1060-byte pages of 88 records
  for (int n = 1; n <= 300; ++n) ASSERT_EQ(Read(n), Numbered(n));

  Write(7, {1, std::string(kWidth1, 'x'), "", 2});
  Bytes buffer(kExpanded, 0xEE);
  cache.ReadRecord(7, buffer, false);
  EXPECT_EQ(SlotText(buffer, kSlot1), std::string(kWidth1, 'x'));
  EXPECT_EQ(SlotLength(buffer, kSlot2), 0);
  EXPECT_EQ(buffer[kSlot2 + 4], 0) << "a text shorter than its field ends with a zero byte";
}

TEST_F(TextCache, LengthWordsAreTakenAtMostAsWideAsTheSlot) {
  Bytes buffer = Expanded({5, "", "", 6});
  const int32_t too_long = 1000, negative = -5;
  std::memcpy(&buffer[kSlot1], &too_long, 4);
  std::memset(&buffer[kSlot1 + 4], 'q', kWidth1);
  std::memcpy(&buffer[kSlot2], &negative, 4);
  cache.WriteRecord(1, buffer, true);
  EXPECT_EQ(Read(1), (Row{5, std::string(kWidth1, 'q'), "", 6}));
}

TEST_F(TextCache, LayoutsAndBuffersThatDoNotFitAreRefused) {
  EXPECT_EQ(MemError([&] { cache.SetStringLayout(2, kTailAt, kWidth2); }),
            "Incompatible Sizes");  // would end past the expanded record
  Bytes short_buffer(kExpanded - 1);
  Write(1, Numbered(1));
  EXPECT_EQ(MemError([&] { cache.ReadRecord(1, short_buffer, false); }), "Incompatible Sizes");
  EXPECT_EQ(MemError([&] { cache.WriteRecord(1, short_buffer, false); }), "Incompatible Sizes");

  // Slots with a gap between them would put the tail past the buffer.
  TRecordsCache gapped(4, kExpanded, kStored, 2);
  gapped.SetStringLayout(1, kSlot1, kWidth1 - 1);
  gapped.SetStringLayout(2, kSlot2, kWidth2);
  EXPECT_EQ(MemError([&] { gapped.Grow(1); gapped.ReadRecord(1, short_buffer, false); }),
            "Incompatible Sizes");
}

TEST_F(TextCache, AnEmptySourceClearsTheStoredRecordButNotItsTexts) {
  Write(1, Numbered(1));
  cache.WriteRecord(1, {}, false);
  EXPECT_EQ(Read(1), (Row{0, "first 1", "second 1", 0}));
}

TEST_F(TextCache, FieldDataPointsIntoTheRecordOrAtTheCell) {
  Write(2, Numbered(2));
  uint8_t* record = nullptr;
  TFieldDataRef tail = cache.ReadFieldData(2, kFixed, record, -1);
  EXPECT_EQ(record, cache.GetRecordBuffer(2));
  EXPECT_EQ(tail.value, record + kFixed);
  int32_t value;
  std::memcpy(&value, tail.value, 4);
  EXPECT_EQ(value, -2);
  TFieldDataRef text = cache.ReadFieldData(2, 0, record, 1);
  ASSERT_NE(text.text, nullptr);
  EXPECT_EQ(*text.text, "second 2");
  EXPECT_THROW(cache.ReadFieldData(2, kStored, record, -1), classlib::EAssertionFailed);
  EXPECT_THROW(cache.ReadFieldData(2, 0, record, 2), classlib::EAssertionFailed);

  // Record 90 has its page but its texts were never stored.
  cache.Grow(90);
  EXPECT_EQ(MemError([&] { cache.ReadFieldData(90, 0, record, 0); }),
            "Can't read  FieldData .Incorrect RecordNo");
  EXPECT_NO_THROW(cache.ReadFieldData(90, 0, record, -1));
  EXPECT_EQ(Read(90), Row{}) << "texts never stored read as empty";
}

TEST_F(TextCache, FetchedCharValuesLoseTheirPadding) {
  char padded[kWidth1];
  std::memcpy(padded, "AB", 2);
  std::memset(padded + 2, ' ', kWidth1 - 2);
  cache.Grow(1);
  cache.SetStringBuffer(0, 0, true, -1, padded);
  EXPECT_EQ(padded[2], 0) << "the caller's text is ended where the blanks began";

  Bytes buffer(kExpanded, 0xEE);
  cache.ReadRecord(1, buffer, false);
  EXPECT_EQ(SlotLength(buffer, kSlot1), 2);
  EXPECT_EQ(SlotText(buffer, kSlot1), "AB");
  EXPECT_EQ(buffer[kSlot1 + 4 + 2], 0);
}

// Fetched texts take a short way when their row is already in the store;
// they must read back exactly as texts written through whole records, for
// rows fetched in order, a row far past the last one (its store grows up to
// it), an earlier row written again, and rows that follow an order list.
TEST_F(TextCache, FetchedTextsReadBackAsTextsOfWrittenRecords) {
  TRecordsCache written(4, kExpanded, kStored, 2);
  written.SetStringLayout(1, kSlot1, kWidth1);
  written.SetStringLayout(2, kSlot2, kWidth2);
  // As a fetch stores a row: the record is grown (zero-filled), then its
  // texts are set; the store learns of the row only from its first text.
  auto fetch = [&](int logical, const std::string& text1, const std::string& text2) {
    cache.Grow(logical);
    cache.SetFetchedText(0, logical - 1, text1.data(), static_cast<int>(text1.size()));
    cache.SetFetchedText(1, logical - 1, text2.data(), static_cast<int>(text2.size()));
    written.WriteRecord(logical, Expanded({0, text1, text2, 0}), true);
  };
  auto same = [&](int logical) {
    Bytes buffer(kExpanded);
    written.ReadRecord(logical, buffer, false);
    EXPECT_EQ(Read(logical), Parsed(buffer)) << "record " << logical;
  };
  for (int n = 1; n <= 130; ++n) fetch(n, "first " + std::to_string(n), "second");
  fetch(300, "far", "");  // past a gap: the store grows up to its row
  fetch(2, std::string(kWidth1 + 5, 'y'), "again");  // an earlier row, cut to the width
  for (int n : {1, 2, 3, 128, 129, 130, 131, 299, 300}) same(n);
  EXPECT_EQ(Read(2).text1, std::string(kWidth1, 'y'));

  cache.SwapRecords(0, 4);
  written.SwapRecords(0, 4);
  fetch(1, "moved", "row");  // index 0 now names physical record 5
  for (int n = 1; n <= 6; ++n) same(n);
  EXPECT_EQ(Read(5).text1, "first 1");
}

TEST_F(TextCache, StoringABufferNeverWritesPastWhatWasGiven) {
  // Exactly five bytes on the heap: a write at [5] would be caught.
  auto text = std::make_unique<char[]>(5);
  std::memcpy(text.get(), "ABCDE", 5);
  cache.SetStringBuffer(0, 0, true, 5, text.get());
  std::memcpy(text.get(), "AB   ", 5);
  cache.SetStringBuffer(1, 0, true, 5, text.get());
  EXPECT_EQ(text[2], 0);
  cache.Grow(1);
  EXPECT_EQ(Read(1), (Row{0, "ABCDE", "AB", 0}));

  char untrimmed[] = "zero ends it\0not this";
  cache.SetStringBuffer(0, 1, false, -1, untrimmed);
  cache.SetStringBuffer(1, 1, false, 30, untrimmed);  // longer than the field
  cache.Grow(2);
  EXPECT_EQ(Read(2), (Row{0, "zero ends it", std::string("zero ends it\0n", kWidth2), 0}));
  cache.SetStringBuffer(0, 1, false, 0, untrimmed);
  EXPECT_EQ(Read(2).text1, "");
}

TEST_F(TextCache, StoredValuesFollowTheBlankRules) {
  cache.Grow(8);
  const struct {
    std::string given, stored;
  } cases[] = {
      {"A B ", "A B"},
      {" AB", " AB"},
      {"abc" + std::string(17, ' ') + "tail", "abc"},   // longer: cut, then blanks go
      {std::string(30, 'w'), std::string(kWidth1, 'w')},  // longer, nothing to trim
      {"\xC0\xC1\xC2 ", "\xC0\xC1\xC2"},                  // code page 1251 letters stay
      {"\xC0\xC1\xC2\xFF", "\xC0\xC1\xC2\xFF"},
      {"", ""},
  };
  int index = 0;
  for (const auto& c : cases) {
    cache.SetStringValue(0, index, c.given);
    EXPECT_EQ(Read(index + 1).text1, c.stored) << "'" << c.given << "'";
    ++index;
  }
  cache.SetStringValue(0, 0, "");
  EXPECT_EQ(Read(1).text1, "") << "an empty text empties an existing cell";
}

// ---- the log ----

TEST_F(TextCache, TheLogKeepsEarlierContents) {
  Write(1, Numbered(1));
  Write(2, Numbered(2));
  cache.SaveToLog(1);
  Write(1, {9, "changed", "too", 9});
  EXPECT_EQ(Read(1, true), Numbered(1));
  EXPECT_EQ(Read(1), (Row{9, "changed", "too", 9}));
  EXPECT_EQ(Read(2, true), Numbered(2)) << "a record never saved reads from the main store";

  cache.SaveToLog(1);
  EXPECT_EQ(cache.LogCount(), 1);
  EXPECT_EQ(cache.FindLogEntry(1, false)->slot, 1);
  EXPECT_EQ(Read(1, true), (Row{9, "changed", "too", 9})) << "saving again takes present contents";

  cache.ClearLog();
  EXPECT_EQ(cache.LogCount(), 0);
  EXPECT_EQ(cache.LogPageCount(), 0);
  EXPECT_EQ(Read(1, true), (Row{9, "changed", "too", 9}));
}

TEST_F(TextCache, TheLogIndexStaysSorted) {
  for (int n = 1; n <= 9; ++n) Write(n, Numbered(n));
  for (int n : {5, 2, 9, 1}) cache.SaveToLog(n);
  EXPECT_EQ(cache.FindLogEntry(5, false)->slot, 1);
  EXPECT_EQ(cache.FindLogEntry(2, false)->slot, 2);
  EXPECT_EQ(cache.FindLogEntry(9, false)->slot, 3);
  EXPECT_EQ(cache.FindLogEntry(1, false)->slot, 4);
  EXPECT_FALSE(cache.FindLogEntry(3, false).has_value());
  EXPECT_EQ(cache.FindLogEntry(3, true)->slot, 5);
  EXPECT_EQ(cache.LogCount(), 5);
  for (int n : {5, 2, 9, 1}) Write(n, Row{});
  for (int n : {5, 2, 9, 1}) EXPECT_EQ(Read(n, true), Numbered(n));
}

TEST(RecordsCacheLog, BigRecordsTakeOneLogPageEach) {
  TRecordsCache cache(0, 2000, 2000, 0);
  for (int n = 1; n <= 3; ++n) cache.WriteRecord(n, Numbered(2000, n), true);
  for (int n = 1; n <= 3; ++n) cache.SaveToLog(n);
  EXPECT_EQ(cache.LogPageCount(), 3);
  cache.WriteRecord(2, Numbered(2000, 7), false);
  Bytes out(2000);
  cache.ReadRecord(2, out, true);
  EXPECT_EQ(out, Numbered(2000, 2));
  cache.ClearLog();
  cache.SaveToLog(3);
  EXPECT_EQ(cache.FindLogEntry(3, false)->slot, 1);
  EXPECT_EQ(cache.LogPageCount(), 1);
}

// ---- the current buffer ----

TEST_F(TextCache, TheCurrentBufferIsBlankBeyondTheRecords) {
  Write(1, Numbered(1));
  const uint8_t* current = cache.GetCurrentBuffer(2);
  EXPECT_EQ(Bytes(current, current + kExpanded), Bytes(kExpanded, 1));
  EXPECT_EQ(cache.CurrentRecNo(), 2);
  EXPECT_EQ(Parsed(Bytes(cache.GetCurrentBuffer(1), cache.GetCurrentBuffer(1) + kExpanded)),
            Numbered(1));
}

TEST_F(TextCache, ChangesInTheCurrentBufferAreWrittenBack) {
  Write(1, Numbered(1));
  uint8_t* current = cache.GetCurrentBuffer(1);
  const Bytes changed = Expanded({77, "new text", "", 78});
  std::memcpy(current, changed.data(), kExpanded);
  cache.WriteCurrent(1);
  EXPECT_EQ(Read(1), (Row{77, "new text", "", 78}));
}

TEST_F(TextCache, InLogModeLoadingSavesAndReadingPrefersTheLog) {
  Write(1, Numbered(1));
  cache.SetLogMode(true);
  cache.LoadCurrentBuffer(1);
  EXPECT_EQ(cache.LogCount(), 1);
  Write(1, Numbered(5));
  const uint8_t* current = cache.GetCurrentBuffer(1);
  EXPECT_EQ(Parsed(Bytes(current, current + kExpanded)), Numbered(1));
}

TEST_F(TextCache, ReorderingForgetsTheLoadedRecord) {
  Write(1, Numbered(1));
  Write(2, Numbered(2));
  cache.LoadCurrentBuffer(1);
  cache.SwapRecords(0, 1);
  const uint8_t* current = cache.GetCurrentBuffer(1);
  EXPECT_EQ(Parsed(Bytes(current, current + kExpanded)), Numbered(2));
}

// ---- order ----

std::vector<int> Order(const TRecordsCache& cache, int count) {
  std::vector<int> physical;
  for (int i = 0; i < count; ++i) physical.push_back(cache.PhysicalNoAt(i));
  return physical;
}

TEST_F(TextCache, SwapMoveAndInsertChangeOnlyTheOrder) {
  for (int n = 1; n <= 5; ++n) Write(n, Numbered(n));
  EXPECT_FALSE(cache.HasOrderList());
  cache.SwapRecords(0, 4);
  EXPECT_EQ(Order(cache, 5), (std::vector<int>{5, 2, 3, 4, 1}));
  cache.MoveRecord(0, 3);
  EXPECT_EQ(Order(cache, 5), (std::vector<int>{2, 3, 4, 5, 1}));
  cache.MoveRecord(4, 1);
  EXPECT_EQ(Order(cache, 5), (std::vector<int>{2, 1, 3, 4, 5}));
  cache.InsertRecord(1);
  EXPECT_EQ(cache.RecordCount(), 6);
  EXPECT_EQ(Order(cache, 6), (std::vector<int>{2, 6, 1, 3, 4, 5}));
  Write(2, Numbered(6));
  EXPECT_EQ(Read(2), Numbered(6));
  EXPECT_EQ(Read(1), Numbered(2));
  EXPECT_EQ(Read(3), Numbered(1));
  EXPECT_EQ(cache.LogicalIndexOf(6), 1);
  EXPECT_EQ(cache.LogicalIndexOf(3), 3);
  EXPECT_EQ(cache.LogicalIndexOf(7), -1);

  cache.Grow(8);  // appends physical numbers after the list
  EXPECT_EQ(Order(cache, 8), (std::vector<int>{2, 6, 1, 3, 4, 5, 7, 8}));
  EXPECT_THROW(cache.SwapRecords(0, 8), classlib::EListError);
  EXPECT_THROW(cache.MoveRecord(-1, 2), classlib::EListError);
  EXPECT_THROW(cache.InsertRecord(10), classlib::EListError);
}

TEST_F(TextCache, DeletingInTheMiddleKeepsEveryOtherRecordsTexts) {
  for (int n = 1; n <= 5; ++n) Write(n, Numbered(n));
  cache.DeleteRecord(3);
  EXPECT_EQ(cache.RecordCount(), 5);
  const int left[] = {1, 2, 4, 5};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Read(i + 1), Numbered(left[i]));
  EXPECT_FALSE(cache.RecordExists(3));
  EXPECT_TRUE(cache.RecordExists(4));
}

TEST_F(TextCache, DeletingTheLastRecordGivesItsNumberBackClean) {
  for (int n = 1; n <= 3; ++n) Write(n, Numbered(n));
  cache.SaveToLog(2);
  cache.SaveToLog(3);
  cache.DeleteRecord(3);
  EXPECT_EQ(cache.RecordCount(), 2);
  EXPECT_EQ(cache.LogCount(), 1);
  cache.Grow(3);
  EXPECT_EQ(cache.PhysicalNoAt(2), 3);
  EXPECT_EQ(Read(3, true).text1, "") << "neither its texts nor its log copy come back";
  cache.SaveToLog(3);
  EXPECT_EQ(cache.FindLogEntry(3, false)->slot, 3) << "slots are never handed out twice";
  EXPECT_EQ(Read(2, true), Numbered(2));
}

TEST(RecordsCacheOrder, DeletingWithoutAnOrderListRemovesTheRecord) {
  TRecordsCache cache(32, 16, 16, 0);
  for (int n = 1; n <= 3; ++n) cache.WriteRecord(n, Numbered(16, n), true);
  cache.DeleteRecord(2);
  EXPECT_EQ(Order(cache, 2), (std::vector<int>{1, 3}));
  EXPECT_EQ(cache.RecordIndex(3), -1);
  EXPECT_THROW(cache.DeleteRecord(3), classlib::EListError);
}

TEST(RecordsCacheOrder, RecordExistsOnlyForNumbersInUse) {
  TRecordsCache cache(32, 16, 16, 0);
  for (int n = 1; n <= 3; ++n) cache.Grow(n);
  EXPECT_FALSE(cache.RecordExists(0));
  EXPECT_FALSE(cache.RecordExists(-1));
  EXPECT_TRUE(cache.RecordExists(3));
  EXPECT_FALSE(cache.RecordExists(4));
  EXPECT_EQ(cache.LogicalIndexOf(2), 1);
  cache.SwapRecords(0, 2);
  EXPECT_TRUE(cache.RecordExists(1));
  EXPECT_FALSE(cache.RecordExists(0));
  EXPECT_EQ(cache.LogicalIndexOf(1), 2);
}

}  // namespace
}  // namespace fib
