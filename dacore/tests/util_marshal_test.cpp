// Raw memory access at unaligned addresses (the sanitizer build stops on a
// misaligned read), byte conversion, buffer copies and the string builder.
#include <gtest/gtest.h>

#include <cstring>

#include "dacore/util_bit_converter.h"
#include "dacore/util_marshal.h"
#include "dacore/util_string_builder.h"

namespace dacore {
namespace {

TEST(MarshalTest, ReadsAndWritesEveryWidthAtOddAddresses) {
  uint8_t raw[32] = {};
  void* p = raw + 1;
  Marshal::WriteInt32(p, 0x01020304);
  EXPECT_EQ(raw[1], 0x04);  // little-endian
  EXPECT_EQ(raw[4], 0x01);
  EXPECT_EQ(Marshal::ReadInt32(raw, 1), 0x01020304);
  Marshal::WriteInt16At(p, 4, -2);
  EXPECT_EQ(Marshal::ReadInt16(p, 4), 0xFFFE);  // unsigned as read
  EXPECT_EQ(static_cast<int16_t>(Marshal::ReadInt16(p, 4)), -2);
  Marshal::WriteInt64At(p, 7, -5);
  EXPECT_EQ(Marshal::ReadInt64(p, 7), -5);
  Marshal::WritePointerAt(p, 15, raw);
  EXPECT_EQ(Marshal::ReadPointer(p, 15), raw);
  Marshal::WriteByteAt(p, 30, 0xAB);
  EXPECT_EQ(Marshal::ReadByte(p, 30), 0xAB);
}

TEST(MarshalTest, ReadsStringsByLengthOrUpToTheTerminator) {
  const char text[] = "ab\0cd";
  EXPECT_EQ(Marshal::ReadAnsiString(text, 0), "ab");
  EXPECT_EQ(Marshal::ReadAnsiString(text, 3), std::string("ab\0", 3));

  uint8_t raw[11] = {0, 'h', 0, 'i', 0, 0, 0, 'x', 0, 0, 0};  // from the odd byte 1
  EXPECT_EQ(Marshal::ReadWideString(raw + 1, 0), u"hi");
  EXPECT_EQ(Marshal::ReadWideString(raw + 1, 4), classlib::WideString(u"hi\0x", 4));
}

TEST(MarshalTest, CopiesBetweenByteArraysAndMemory) {
  TBytes bytes = {1, 2, 3, 4, 5};
  uint8_t dest[4] = {9, 9, 9, 9};
  Marshal::CopyBytesToPtr(bytes, 1, dest + 1, 2);
  EXPECT_EQ(std::memcmp(dest, "\x09\x02\x03\x09", 4), 0);
  Marshal::CopyBytesToPtr(bytes, 0, dest, 0);
  EXPECT_EQ(dest[0], 9);
  Marshal::CopyPtrToBytes(dest, bytes, 3, 2);
  EXPECT_EQ(bytes, (TBytes{1, 2, 3, 9, 2}));

  Buffer::CopyBlock(bytes, 0, bytes, 1, 4);  // overlapping areas
  EXPECT_EQ(bytes, (TBytes{1, 1, 2, 3, 9}));
}

TEST(BitConverterTest, ConvertsLittleEndianBytes) {
  EXPECT_EQ(BitConverter::Int32ToBytes(0x01020304), (TBytes{4, 3, 2, 1}));
  EXPECT_EQ(BitConverter::Int16ToBytes(-2), (TBytes{0xFE, 0xFF}));
  const TBytes bytes = {0xFF, 0x78, 0x56, 0x34, 0x12, 0xFF};
  EXPECT_EQ(BitConverter::BytesToInt32(bytes, 1), 0x12345678);
  EXPECT_EQ(BitConverter::BytesToInt16(bytes, 4), 0xFF12);
  // 1.0 is 3FF0000000000000 in IEEE 754.
  EXPECT_EQ(BitConverter::Int64AsDouble(0x3FF0000000000000LL), 1.0);
  EXPECT_EQ(BitConverter::DoubleAsInt64(-2.0), static_cast<int64_t>(0xC000000000000000ULL));
}

TEST(StringBuilderTest, GrowsByHalfItsCapacityBeyondWhatIsNeeded) {
  StringBuilder empty(0);
  empty.AppendString("abc");
  EXPECT_EQ(empty.Capacity(), 3);  // 0 div 2 = 0 extra
  empty.AppendChar('d');
  EXPECT_EQ(empty.Capacity(), 3 + 1 + 1);

  StringBuilder sb("hello", 10);
  sb.AppendString(" wonderful");  // 5 used, 10 needed: 5 + 10 + 5
  EXPECT_EQ(sb.Capacity(), 20);
  EXPECT_EQ(sb.ToString(), "hello wonderful");
  sb.AppendBuilder(nullptr);
  StringBuilder tail(" world", 0);
  sb.AppendBuilder(&tail);
  EXPECT_EQ(sb.ToString(), "hello wonderful world");

  sb.SetLength(5);
  EXPECT_EQ(sb.ToString(), "hello");
}

TEST(StringBuilderTest, ReplacesEveryOccurrenceOnce) {
  StringBuilder sb("ab-ab-ab", 8);
  sb.Replace("ab", "");
  EXPECT_EQ(sb.ToString(), "--");
  EXPECT_EQ(sb.Length(), 2);

  // The search resumes after the inserted text, so a replacement that
  // contains the search text does not loop.
  StringBuilder grow("a,a", 3);
  grow.Replace("a", "aa");
  EXPECT_EQ(grow.ToString(), "aa,aa");

  StringBuilder sql("select :p from t where x = :p", 0);
  sql.Replace(":p", "?");
  EXPECT_EQ(sql.ToString(), "select ? from t where x = ?");
  sql.Replace("?", "nvl(?, 0)");
  EXPECT_EQ(sql.ToString(), "select nvl(?, 0) from t where x = nvl(?, 0)");
}

TEST(StringBuilderTest, AnEmptySearchTextChangesNothing) {
  StringBuilder sb("abc", 3);
  sb.Replace("", "x");
  EXPECT_EQ(sb.ToString(), "abc");
  EXPECT_EQ(sb.Capacity(), 3);
}

}  // namespace
}  // namespace dacore
