// Time stamps, value equality, wide strings and trimming, the locale
// comparisons, byte order, class tests and the compression hooks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "classlib/ansistr.h"
#include "classlib/list.h"
#include "dacore/object_shared.h"
#include "dacore/util_class_test.h"
#include "dacore/util_compress.h"
#include "dacore/util_locale_compare.h"
#include "dacore/util_memory.h"
#include "dacore/util_timestamp.h"
#include "dacore/util_var_bytes.h"
#include "dacore/util_var_equal.h"
#include "dacore/util_wide_str.h"
#include "testing/message_of.h"

namespace dacore {
namespace {

using classlib::TTimeStamp;
using classlib::Variant;
using classlib::testing::MessageOf;

TEST(TimeStampTest, InvalidStampsNameDateThenTime) {
  EXPECT_EQ(MessageOf<classlib::EConvertError>([] { ValidateTimeStamp(TTimeStamp{-1, 5}); }),
            "'5.-1' is not a valid timestamp");
  EXPECT_EQ(MessageOf<classlib::EConvertError>([] { DateTimeOfTimeStamp(TTimeStamp{1000, 0}); }),
            "'0.1000' is not a valid timestamp");
  EXPECT_NO_THROW(ValidateTimeStamp(TTimeStamp{0, 1}));
}

TEST(TimeStampTest, CountsDaysFrom18991230WithTheTimeForward) {
  // 1899-12-30 is day 693594 counted from 0001-01-01 as day 1.
  EXPECT_EQ(DateTimeOfTimeStamp(TTimeStamp{12 * 3600000, 693595}), 1.5);
  // Before that day the fraction still counts forward from midnight.
  EXPECT_EQ(DateTimeOfTimeStamp(TTimeStamp{6 * 3600000, 693593}), -1.25);
  // 2000-01-01 is 36526.
  EXPECT_EQ(DateTimeOfTimeStamp(TTimeStamp{0, 693594 + 36526}), 36526.0);
}

TEST(VarEqualTest, ComparesTextNullsBytesAndNumbers) {
  EXPECT_TRUE(VarEqual(Variant(u"\u0401\u0436"), Variant(std::string("\xA8\xE6"))));  // Ёж
  EXPECT_FALSE(VarEqual(Variant(std::string("\xB8\xE6")), Variant(u"\u0401\u0436")));  // case counts
  EXPECT_TRUE(VarEqual(classlib::Null(), classlib::Null()));
  EXPECT_FALSE(VarEqual(classlib::Null(), Variant(0)));
  EXPECT_FALSE(VarEqual(Variant(""), classlib::Null()));
  EXPECT_TRUE(VarEqual(Variant(1), Variant(1.0)));
  EXPECT_FALSE(VarEqual(Variant("abc"), Variant(5)));  // unequal, not an error

  EXPECT_TRUE(VarEqual(BytesToVar({1, 2, 3}), BytesToVar({1, 2, 3})));
  EXPECT_FALSE(VarEqual(BytesToVar({1, 2, 3}), BytesToVar({1, 2, 4})));
  EXPECT_FALSE(VarEqual(BytesToVar({1, 2}), BytesToVar({1, 2, 0})));
  EXPECT_TRUE(VarEqual(BytesToVar({}), BytesToVar({})));
  EXPECT_FALSE(VarEqual(BytesToVar({}), BytesToVar({0})));
  EXPECT_FALSE(VarEqual(BytesToVar({65}), Variant("A")));
}

TEST(WideStringTest, CopiesAndMeasuresAtOddAddresses) {
  alignas(2) uint8_t src[13] = {0, 'a', 0, 'b', 0, 'c', 0, 0, 0};
  uint8_t dest[16];
  std::memset(dest, 0xEE, sizeof dest);
  EXPECT_EQ(StrLenW(src + 1), 3);
  StrLCopyW(dest + 1, src + 1, 2);
  EXPECT_EQ(std::memcmp(dest + 1, "a\0b\0\0\0", 6), 0);
  EXPECT_EQ(dest[7], 0xEE);
  StrCopyW(dest + 1, src + 1);
  EXPECT_EQ(std::memcmp(dest + 1, "a\0b\0c\0\0\0", 8), 0);
  EXPECT_EQ(StrNLenW(src + 1, 2), 2);
}

TEST(TrimTest, TrailingBlanksBecomeZeros) {
  char text[] = "AB  ";
  TrimTrailingBlanks(text, 4);
  EXPECT_EQ(std::memcmp(text, "AB\0\0", 4), 0);
  char blanks[] = "   ";
  TrimTrailingBlanks(blanks, -1);
  EXPECT_EQ(std::memcmp(blanks, "\0\0\0", 3), 0);
  char inner[] = "A B ";
  TrimTrailingBlanks(inner, -1);
  EXPECT_STREQ(inner, "A B");

  uint8_t wide[11] = {0, 'A', 0, ' ', 0, ' ', 0, 0, 0, 0, 0};  // "A  " from byte 1
  TrimTrailingBlanksW(wide + 1, 4);
  EXPECT_EQ(std::memcmp(wide + 1, "A\0\0\0\0\0\0\0", 8), 0);
}

// Mixed Latin and Cyrillic words in the order the Cyrillic collation gives:
// symbols, digits, Latin, Cyrillic in alphabet order (Ё counted as Е first,
// so ёлка precedes ель by its third letter), lower case before upper case.
TEST(LocaleCompareTest, SortsMixedLatinAndCyrillicWords) {
  const std::vector<std::string> expected = {
      "-x", "2nd", "Apple", "zebra", "\xB8\xEB\xEA\xE0" /* ёлка */, "\xE5\xEB\xFC" /* ель */,
      "\xC5\xEB\xFC" /* Ель */, "\xFF\xE1\xEB\xEE\xEA\xEE" /* яблоко */};
  std::vector<std::string> words = {expected[7], expected[3], expected[5], expected[0],
                                    expected[6], expected[2], expected[4], expected[1]};
  std::sort(words.begin(), words.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareStrSort(a, b) < 0; });
  EXPECT_EQ(words, expected);

  for (std::size_t i = 0; i + 1 < expected.size(); ++i) {
    const auto wa = classlib::AnsiToWide(expected[i]), wb = classlib::AnsiToWide(expected[i + 1]);
    EXPECT_EQ(WideStrComp(wa.c_str(), wb.c_str()), -1) << i;
    EXPECT_EQ(AnsiStrCompSort(expected[i + 1].c_str(), expected[i].c_str()), 1) << i;
  }
  EXPECT_EQ(AnsiCompareTextSort("\xE5\xEB\xFC", "\xC5\xCB\xDC"), 0);  // ель, ЕЛЬ
  EXPECT_EQ(AnsiStrICompSort("Apple", "APPLE"), 0);
  EXPECT_EQ(WideStrIComp(u"\u0451\u043B\u043A\u0430", u"\u0401\u041B\u041A\u0410"), 0);
}

TEST(LocaleCompareTest, StringSortWeighsHyphensAsSymbols) {
  // Plain comparison weighs "-" only when the rest is equal; the string
  // sort counts it as a symbol in place, before every letter.
  EXPECT_GT(classlib::AnsiCompareStr("co-op", "coop"), 0);
  EXPECT_EQ(AnsiCompareStrSort("co-op", "coop"), -1);
  EXPECT_EQ(AnsiCompareStrSort("coop", "coop"), 0);
}

TEST(LocaleCompareTest, WideComparisonsStopAtTheLengthOrTheTerminator) {
  EXPECT_EQ(WideStrLComp(u"abcX", u"abcY", 3), 0);
  EXPECT_EQ(WideStrLComp(u"abcX", u"abcY", 4), -1);
  EXPECT_EQ(WideStrLIComp(u"ABC", u"abcd", 3), 0);
  EXPECT_EQ(WideStrLComp(u"ab\0zz", u"ab\0yy", 5), 0);

  SetWin9x(true);
  const std::string message = MessageOf<classlib::EAssertionFailed>([] { WideStrComp(u"a", u"b"); });
  SetWin9x(false);
  EXPECT_EQ(message.rfind("Unicode support on Win9x (", 0), 0u) << message;
}

TEST(SwapBytesTest, ReversesTheFourBytes) {
  const uint8_t in[4] = {0x01, 0x02, 0x03, 0x04};
  uint32_t v;
  std::memcpy(&v, in, 4);
  const uint32_t swapped = SwapBytes32(v);
  uint8_t out[4];
  std::memcpy(out, &swapped, 4);
  EXPECT_EQ(std::memcmp(out, "\x04\x03\x02\x01", 4), 0);
  EXPECT_EQ(SwapBytes32(0x12345678u), 0x78563412u);
}

TEST(MemoryTest, CopiesAndFills) {
  std::string s;
  FillString(s, 3, 'z');
  EXPECT_EQ(s, "zzz");
  char* out = GetStringBuffer(s, 5);
  CopyBufferAnsi("hello", out, 5);
  EXPECT_EQ(s, "hello");
  FillBuffer(out + 1, 2, '-');
  EXPECT_EQ(s, "h--lo");
  char16_t wide[3] = {};
  CopyBufferUni(u"hi", wide, 4);
  EXPECT_EQ(classlib::WideString(wide), u"hi");
  TBytes a = {1, 2, 3}, b(4, 0);
  CopyBytes(a, 1, b, 2, 2);
  EXPECT_EQ(b, (TBytes{0, 0, 2, 3}));
}

// A class description of the same name as one of ours, as another loaded
// module has its own copy of it.
const classlib::TClassInfo kForeignShared{"TSharedObject", nullptr};

TEST(ClassTestTest, RecognisesForeignClassesByNameOnlyInsideALibrary) {
  auto* value = new TVariantObject;
  EXPECT_TRUE(IsClassOrNamed(value, TSharedObject::StaticClassInfo()));
  EXPECT_FALSE(IsClassOrNamed(value, classlib::TList::StaticClassInfo()));
  EXPECT_FALSE(IsClassOrNamed(value, kForeignShared));
  EXPECT_TRUE(InheritsFromByName(value, kForeignShared));
  SetIsLibrary(true);
  const bool named = IsClassOrNamed(value, kForeignShared);
  SetIsLibrary(false);
  EXPECT_TRUE(named);
  EXPECT_FALSE(InheritsFromByName(nullptr, kForeignShared));
  value->Release();
}

TEST(CompressTest, HooksRoundTripThroughZlib) {
  const std::string text(2000, 'x');
  std::vector<uint8_t> packed(64);
  int32_t packed_len = 64;
  DoCompress(packed.data(), packed_len, text.data(), static_cast<int32_t>(text.size()));
  ASSERT_LT(packed_len, 64);
  EXPECT_EQ(packed[0], 0x78);  // a zlib header at the default level
  EXPECT_EQ(packed[1], 0x9C);

  std::string back(2000, '\0');
  int32_t back_len = 2000;
  DoUncompress(back.data(), back_len, packed.data(), packed_len);
  EXPECT_EQ(back_len, 2000);
  EXPECT_EQ(back, text);
}

TEST(CompressTest, FailuresRaiseTheirOwnErrors) {
  const std::string text(2000, 'x');
  uint8_t small[4];
  int32_t small_len = 4;
  EXPECT_EQ(MessageOf<EZLibError>([&] { ZCompress(small, small_len, text.data(), 2000); }),
            "ZLib error: target buffer may be too small");

  const uint8_t damaged[] = {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF};
  char out[16];
  int32_t out_len = 16;
  EXPECT_EQ(MessageOf<EDecompressionError>([&] { ZUncompress(out, out_len, damaged, 6); }), "Error");

  EXPECT_EQ(CheckCompressResult(1), 1);
  EXPECT_EQ(MessageOf<ECompressionError>([] { CheckCompressResult(-3); }), "Error");
  EXPECT_EQ(MessageOf<EDecompressionError>([] { CheckDecompressResult(-5); }), "Error");
}

TEST(CompressTest, UnsetHooksAreReported) {
  EXPECT_NO_THROW(CheckCompressProcs());
  SetUncompressProc(nullptr);
  EXPECT_EQ(MessageOf([] { CheckCompressProcs(); }), "Uncompressor function is not linked");
  SetCompressProc(nullptr);
  EXPECT_EQ(MessageOf([] { CheckCompressProcs(); }), "Compressor function is not linked");
  int32_t len = 0;
  const std::string message = MessageOf<classlib::EAssertionFailed>([&] { DoCompress(nullptr, len, "", 0); });
  SetCompressProc(ZCompress);
  SetUncompressProc(ZUncompress);
  EXPECT_EQ(message.rfind("Compressor function is not linked (", 0), 0u) << message;
}

}  // namespace
}  // namespace dacore
