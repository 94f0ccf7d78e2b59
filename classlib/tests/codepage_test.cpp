#include <gtest/gtest.h>

#include "classlib/codepage.h"

namespace classlib {
namespace {

TEST(CodePage, EveryUpperByteRoundTrips) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    std::string ansi(1, static_cast<char>(b));
    std::string utf8 = Cp1251ToUtf8(ansi);
    EXPECT_GT(utf8.size(), 1u) << std::hex << b;
    EXPECT_EQ(Utf8ToCp1251(utf8), ansi) << std::hex << b;
    EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(ansi)), ansi) << std::hex << b;
  }
  // The byte the code page leaves undefined is the control character of the
  // same number, not a '?' that would turn into 0x3F on the way back.
  EXPECT_EQ(Cp1251ToUtf16("\x98"), std::u16string(1, u'\u0098'));
}

TEST(CodePage, KnownLettersAndUnmappable) {
  EXPECT_EQ(Cp1251ToUtf8("\xCE\xE1\xED\xEE\xE2\xEB\xE5\xED\xE8\xE5"), "Обновление");
  EXPECT_EQ(Utf8ToCp1251("Ёё№"), "\xA8\xB8\xB9");
  EXPECT_EQ(Cp1251ToUtf16("\xC0"), u"А");
  // Characters outside the code page, malformed and truncated UTF-8.
  EXPECT_EQ(Utf8ToCp1251("a\xE4\xB8\xAD" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp1251("a\xC3"), "a?");
  EXPECT_EQ(Utf8ToCp1251("\xFF" "z"), "?z");
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("x\xF0\x9F\x98\x80y")), "x\xF0\x9F\x98\x80y");
}

}  // namespace
}  // namespace classlib
