// The three encodings against bytes known from the code-page and Unicode
// tables: "Привет" is CF F0 E8 E2 E5 F2 in code page 1251, U+041F U+0440
// U+0438 U+0432 U+0435 U+0442 in UTF-16, D0 9F D1 80 D0 B8 D0 B2 D0 B5 D1 82
// in UTF-8; Ё is A8, U+0401, D0 81.
#include <gtest/gtest.h>

#include "dacore/util_encoding.h"

namespace dacore {
namespace {

const std::string kAnsi = "\xCF\xF0\xE8\xE2\xE5\xF2";
const TBytes kUtf16 = {0x1F, 0x04, 0x40, 0x04, 0x38, 0x04, 0x32, 0x04, 0x35, 0x04, 0x42, 0x04};
const TBytes kUtf8 = {0xD0, 0x9F, 0xD1, 0x80, 0xD0, 0xB8, 0xD0, 0xB2, 0xD0, 0xB5, 0xD1, 0x82};
const classlib::WideString kWide = u"\u041F\u0440\u0438\u0432\u0435\u0442";

TBytes Bytes(const std::string& s) { return TBytes(s.begin(), s.end()); }

TEST(EncodingTest, DefaultKeepsAnsiBytesAndWritesWideTextAsUtf16LE) {
  const Encoding& e = Encoding::DefaultClass();
  EXPECT_EQ(e.GetBytesAnsi(kAnsi), Bytes(kAnsi));
  EXPECT_EQ(e.GetString(Bytes(kAnsi)), kAnsi);
  EXPECT_EQ(e.GetBytesWide(kWide), kUtf16);
  EXPECT_EQ(e.GetWideString(Bytes(kAnsi)), kWide);
  EXPECT_EQ(e.GetStringRange(Bytes(kAnsi), 2, 0), "");
  EXPECT_EQ(e.GetStringRange(Bytes(kAnsi), 1, 2), "\xF0\xE8");
}

TEST(EncodingTest, UnicodeRoundTripsThroughCp1251) {
  const Encoding& e = Encoding::UnicodeClass();
  EXPECT_EQ(e.GetString(kUtf16), kAnsi);
  EXPECT_EQ(e.GetWideString(kUtf16), kWide);
  EXPECT_EQ(e.GetBytesWide(e.GetWideString(kUtf16)), kUtf16);
  EXPECT_EQ(e.GetBytesAnsi(kAnsi), Bytes(kAnsi));  // ANSI bytes stay as they are
  // Ё (U+0401) and ё (U+0451) are A8 and B8 in code page 1251.
  EXPECT_EQ(e.GetString(TBytes{0x01, 0x04, 0x51, 0x04}), "\xA8\xB8");
  // A character outside the code page becomes "?".
  EXPECT_EQ(e.GetString(TBytes{0x2D, 0x4E}), "?");
}

TEST(EncodingTest, UnicodeDropsAnOddLastByte) {
  const Encoding& e = Encoding::UnicodeClass();
  EXPECT_EQ(e.GetWideStringRange(kUtf16, 0, 5), u"\u041F\u0440");
  EXPECT_EQ(e.GetWideStringRange(kUtf16, 2, 1), u"");
  EXPECT_EQ(e.GetStringRange(kUtf16, 10, 2), "\xF2");
}

TEST(EncodingTest, Utf8RoundTripsThroughCp1251) {
  const Encoding& e = Encoding::UTF8Class();
  EXPECT_EQ(e.GetBytesAnsi(kAnsi), kUtf8);
  EXPECT_EQ(e.GetString(kUtf8), kAnsi);
  EXPECT_EQ(e.GetBytesWide(kWide), kUtf8);
  EXPECT_EQ(e.GetWideString(kUtf8), kWide);
  EXPECT_EQ(e.GetBytesAnsi("\xA8"), (TBytes{0xD0, 0x81}));
  EXPECT_EQ(e.GetStringRange(kUtf8, 2, 4), "\xF0\xE8");
  EXPECT_EQ(e.GetWideStringRange(kUtf8, 10, 2), u"\u0442");
}

TEST(EncodingTest, RangeCopiesWriteIntoTheCallersArray) {
  const Encoding& e = Encoding::UTF8Class();  // the same for every encoding
  TBytes bytes(8, 0xEE);
  EXPECT_EQ(e.GetBytesAnsiRange("abcdef", 2, 3, bytes, 1), 3);
  EXPECT_EQ(bytes, (TBytes{0xEE, 'c', 'd', 'e', 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(e.GetBytesAnsiRange("abcdef", 0, 0, bytes, 0), 0);
  EXPECT_EQ(e.GetBytesAnsiRange("abcdef", 0, -2, bytes, 0), -2);
  EXPECT_EQ(bytes[0], 0xEE);

  EXPECT_EQ(e.GetBytesWideRange(kWide, 4, 2, bytes, 2), 4);
  EXPECT_EQ(bytes, (TBytes{0xEE, 'c', 0x35, 0x04, 0x42, 0x04, 0xEE, 0xEE}));
}

}  // namespace
}  // namespace dacore
