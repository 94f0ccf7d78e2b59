// DATE bytes, milliseconds, ROWID texts and the FROM-clause table list.
#include "oracle/cursor_conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "classlib/exceptions.h"
#include "oracle/cursor_tables_info.h"

namespace oracle {
namespace {

using classlib::EncodeDate;
using classlib::EncodeTime;

// The date-time of DATE bytes that hold one.
classlib::TDateTime DateOf(const uint8_t* bytes) {
  classlib::TDateTime value = -1;
  EXPECT_TRUE(OraDateToDateTime(bytes, value));
  return value;
}

TEST(OraDate, BytesToDateTimeAndBack) {
  const uint8_t bytes[7] = {120, 105, 3, 15, 11, 31, 1};
  const classlib::TDateTime value = DateOf(bytes);
  EXPECT_DOUBLE_EQ(value, EncodeDate(2005, 3, 15) + EncodeTime(10, 30, 0, 0));
  uint8_t back[7] = {};
  DateTimeToOraDate(value, back);
  EXPECT_EQ(std::memcmp(back, bytes, 7), 0);

  // Before 1899-12-30 the date-time is negative and its time still counts
  // forward from midnight.
  const classlib::TDateTime old = EncodeDate(1850, 7, 1) - EncodeTime(18, 0, 0, 0);
  uint8_t old_bytes[7];
  DateTimeToOraDate(old, old_bytes);
  const uint8_t expected_old[7] = {118, 150, 7, 1, 19, 1, 1};
  EXPECT_EQ(std::memcmp(old_bytes, expected_old, 7), 0);
  EXPECT_DOUBLE_EQ(DateOf(old_bytes), old);
}

// One rule for every reader: bytes that hold no date are a null, the
// all-zero form of an emptied item among them.
TEST(OraDate, BytesWithoutADateReadAsNull) {
  classlib::TDateTime value = 42;
  const uint8_t zero[7] = {};
  EXPECT_FALSE(OraDateToDateTime(zero, value)) << "not year 10100, not 1899-12-30";
  const uint8_t bad_month[7] = {120, 105, 13, 1, 1, 1, 1};
  EXPECT_FALSE(OraDateToDateTime(bad_month, value));
  const uint8_t no_second[7] = {120, 105, 3, 1, 1, 1, 0};
  EXPECT_FALSE(OraDateToDateTime(no_second, value));
  EXPECT_EQ(value, 42) << "nothing written for a null";
  // Date-time 0 is a real date (1899-12-30), not the null form.
  uint8_t epoch[7];
  DateTimeToOraDate(0, epoch);
  const uint8_t expected[7] = {118, 199, 12, 30, 1, 1, 1};
  EXPECT_EQ(std::memcmp(epoch, expected, 7), 0);
  EXPECT_EQ(DateOf(epoch), 0.0);
}

TEST(OraDate, MillisecondsRoundTrip) {
  const classlib::TDateTime value = EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 789);
  const double msecs = DateTimeToMSecs(value);
  EXPECT_DOUBLE_EQ(std::fmod(msecs, 1000.0), 789.0);
  EXPECT_NEAR(MSecsToDateTime(msecs), value, 1e-9);
}

TEST(RowId, BigEndianBytes) {
  uint8_t word[2], dword[4];
  WordToBytesBE(0x1234, word);
  IntToBytesBE(0x0A0B0C0D, dword);
  EXPECT_EQ(word[0], 0x12);
  EXPECT_EQ(word[1], 0x34);
  EXPECT_EQ(dword[0], 0x0A);
  EXPECT_EQ(dword[3], 0x0D);
  EXPECT_EQ(NormalizeRowIdWord(0x0500), 0x05);
  EXPECT_EQ(NormalizeRowIdWord(0x0105), 0x0105);
  EXPECT_EQ(NormalizeRowIdWord(0), 0);
}

TEST(RowId, ExtendedAndRestrictedTexts) {
  TRowIdParts parts;
  parts.ObjectNumber = 30149;
  parts.FileNumber = 4;
  parts.BlockNumber = 90;
  parts.RowNumber = 1;
  // 30149 = 7*4096 + 23*64 + 5 -> AAAHXF; 4 -> AAE; 90 -> AAAABa; 1 -> AAB.
  EXPECT_EQ(OraRowIdToText(parts), "AAAHXFAAEAAAABaAAB");
  parts.ObjectNumber = 0xFFFFFFFF;
  parts.FileNumber = 0xFFFF;
  parts.BlockNumber = 0xFFFFFFFF;
  parts.RowNumber = 0xFFFF;
  EXPECT_EQ(OraRowIdToText(parts), "D/////P//D/////P//") << "always 18 characters";
  parts.ObjectNumber = 0;
  parts.BlockNumber = 0x1A2B;
  parts.RowNumber = 3;
  parts.FileNumber = 0x0C;
  EXPECT_EQ(OraRowIdToText(parts), "00001A2B.0003.000C");
}

TEST(RowId, RecordLayouts) {
  uint8_t descriptor[13] = {};
  const uint32_t object = 30149, block = 90;
  const uint16_t file = 4, row = 1;
  descriptor[0] = 1;
  std::memcpy(descriptor + 1, &object, 4);
  std::memcpy(descriptor + 5, &file, 2);
  std::memcpy(descriptor + 7, &block, 4);
  std::memcpy(descriptor + 11, &row, 2);
  EXPECT_EQ(OraRowIdToText(RowIdPartsOfDescriptor(descriptor)), "AAAHXFAAEAAAABaAAB");
  descriptor[0] = 0;
  EXPECT_EQ(OraRowIdToText(RowIdPartsOfDescriptor(descriptor)), "0000005A.0001.0004")
      << "an unflagged descriptor is restricted";

  uint8_t record[13] = {};
  const uint16_t swapped_row = 0x0200, swapped_file = 0x0700;
  std::memcpy(record + 4, &swapped_file, 2);
  std::memcpy(record + 7, &block, 4);
  std::memcpy(record + 11, &swapped_row, 2);
  EXPECT_EQ(OraRowIdToText(RowIdPartsOfRecord(record)), "0000005A.0002.0007");
}

TEST(RowId, UniversalText) {
  const uint8_t bytes[4] = {0x02, 0x00, 0x00, 0x3F};
  EXPECT_EQ(URowIdToText(bytes, 4), "*AAA/");
  EXPECT_EQ(URowIdToText(bytes, 1), "*");
}

class TablesInfoTest : public ::testing::Test {
 protected:
  dacore::TCRTablesInfo tables_{OCITableInfoClass()};
  std::string NameAt(int i) { return tables_.Items(i)->TableName(); }
  std::string AliasAt(int i) { return tables_.Items(i)->TableAlias(); }
};

TEST_F(TablesInfoTest, QualifiedNameWithLinkAndSubQuery) {
  EXPECT_EQ(ParseTablesInfo("select e.a, (select 1 from dual) from scott.emp@remote.world.com e, "
                            "(select * from dept) d where e.x = 1",
                            tables_),
            1);
  EXPECT_EQ(NameAt(0), "SCOTT.EMP@REMOTE.WORLD.COM");
  EXPECT_EQ(AliasAt(0), "E");
}

TEST_F(TablesInfoTest, QuotedNamesKeptAndListRenewed) {
  tables_.Add()->SetTableName("OLD");
  EXPECT_EQ(ParseTablesInfo("SELECT * FROM \"Mixed\".\"Tab\" t, dept /* c */ , x", tables_), 3);
  EXPECT_EQ(NameAt(0), "\"Mixed\".\"Tab\"");
  EXPECT_EQ(AliasAt(0), "T");
  EXPECT_EQ(NameAt(1), "DEPT");
  EXPECT_EQ(AliasAt(1), "");
  EXPECT_EQ(NameAt(2), "X");
  EXPECT_EQ(ParseTablesInfo("begin null; end;", tables_), 0);
  EXPECT_EQ(tables_.Count(), 0);
}

TEST(OCITableInfo, PartsQuotedAndNormalisedOneByOne) {
  TOCITableInfo info(nullptr);
  EXPECT_EQ(info.QuoteTableName("scott.emp@link"), "\"scott\".\"emp\"@link");
  EXPECT_EQ(info.NormalizeTableName("scott.emp@link.x", false), "SCOTT.EMP@LINK.X");
  EXPECT_EQ(info.NormalizeTableName("scott.\"Emp\"", false), "SCOTT.\"Emp\"");
  EXPECT_EQ(info.NormalizeTableName("\"EMP\"", false), "EMP");
  EXPECT_EQ(info.NormalizeTableName("emp", true), "\"EMP\"");
  EXPECT_EQ(info.NormalizeTableName("my tab", false), "\"MY TAB\"");
}

}  // namespace
}  // namespace oracle
