// ROWID texts in both forms, and CLOB amounts between characters and bytes.
#include <gtest/gtest.h>

#include <string>

#include "oranet/value_clob_counts.h"
#include "oranet/value_rowid.h"

namespace oranet {
namespace {

TEST(ValueRowidTest, RestrictedFormIsBlockSlotFileInHex) {
  EXPECT_EQ(RowidToText({0, 1, 2, 3}), "00000002.0003.0001");
  EXPECT_EQ(RowidToText({0, 0xABCD, 0xDEADBEEF, 0xFFFF}), "DEADBEEF.FFFF.ABCD");
}

TEST(ValueRowidTest, ExtendedFormIsEighteenLettersOfTheAlphabet) {
  EXPECT_EQ(RowidToText({1, 1, 1, 0}), "AAAAABAABAAAAABAAA");
  // 73 = 1*64 + 9; 4 = E; 0x3FFF = 63*64^2... slot 65535 needs three digits: 15 63 63.
  EXPECT_EQ(RowidToText({73, 4, 64, 65535}), "AAAABJAAEAAAABAP//");
  const std::string text = RowidToText({0xFFFFFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFF});
  EXPECT_EQ(text, "D/////P//D/////P//");
}

TEST(ValueRowidTest, Base64PadsTheBitStringOnTheLeft) {
  const uint8_t bytes[] = {0xFF};
  EXPECT_EQ(Base64Encode(bytes, 1, 2), "D/");  // 0011 1111 1111 -> 3, 63
  const uint8_t three[] = {0x00, 0x10, 0x83};
  EXPECT_EQ(Base64Encode(three, 3, 4), "ABCD");
}

TEST(ValueClobCountsTest, CharacterWidthsFollowTheCharacterSet) {
  EXPECT_EQ(CharsetMaxCharWidth(873), 3);
  EXPECT_EQ(CharsetMaxCharWidth(871), 3);
  EXPECT_EQ(CharsetMaxCharWidth(852), 2);
  EXPECT_EQ(CharsetMaxCharWidth(kCharsetUtf16), 2);
  EXPECT_EQ(CharsetMaxCharWidth(171), 1);
}

TEST(ValueClobCountsTest, UnicodeTextNeedsMoreBytesThanCharacters) {
  // Ten characters, each two bytes in UTF-8 ("я").
  std::string text;
  for (int i = 0; i < 12; ++i) text += "\xD1\x8F";
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  EXPECT_EQ(ClobBytesForChars(873, bytes, text.size(), 10), 20u);
  EXPECT_EQ(ClobCharsInBytes(873, bytes, 20), 10u);
  // Single-byte and UTF-16 sets need no walk; the buffer bounds every answer.
  EXPECT_EQ(ClobBytesForChars(171, bytes, text.size(), 10), 10u);
  EXPECT_EQ(ClobBytesForChars(kCharsetUtf16, bytes, text.size(), 10), 20u);
  EXPECT_EQ(ClobBytesForChars(kCharsetUtf16, bytes, 7, 10), 7u);
}

TEST(ValueClobCountsTest, CharactersAreNeverCut) {
  // "a", a three-byte "€", a four-byte emoji (two characters on the server), "b".
  const std::string text = "a\xE2\x82\xAC\xF0\x9F\x98\x80" "b";
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  EXPECT_EQ(ClobCharsInBytes(873, bytes, text.size()), 5u);
  EXPECT_EQ(ClobBytesForChars(873, bytes, text.size(), 2), 4u);
  EXPECT_EQ(ClobBytesForChars(873, bytes, text.size(), 3), 4u);  // half an emoji is not taken
  EXPECT_EQ(ClobBytesForChars(873, bytes, text.size(), 4), 8u);
  EXPECT_EQ(ClobBytesForChars(873, bytes, 6, 5), 4u);  // the buffer ends inside the emoji
}

}  // namespace
}  // namespace oranet
