#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "classlib/ansistr.h"

namespace classlib {
namespace {

// Upper- and lower-case bytes of every Cyrillic letter pair of code page 1251
// outside the А-я block.
const std::pair<unsigned char, unsigned char> kCyrillicPairs[] = {
    {0xA8, 0xB8},  // Ё ё
    {0x80, 0x90},  // Ђ ђ
    {0x81, 0x83},  // Ѓ ѓ
    {0x8A, 0x9A},  // Љ љ
    {0x8C, 0x9C},  // Њ њ
    {0x8D, 0x9D},  // Ќ ќ
    {0x8E, 0x9E},  // Ћ ћ
    {0x8F, 0x9F},  // Џ џ
    {0xA1, 0xA2},  // Ў ў
    {0xA3, 0xBC},  // Ј ј
    {0xA5, 0xB4},  // Ґ ґ
    {0xAA, 0xBA},  // Є є
    {0xAF, 0xBF},  // Ї ї
    {0xB2, 0xB3},  // І і
    {0xBD, 0xBE},  // Ѕ ѕ
};

char Ch(int b) { return static_cast<char>(b); }

std::string Ansi(const char* utf8) { return Utf8ToCp1251(utf8); }

TEST(AnsiCase, EveryLetterPairMapsBothWaysAndOtherBytesStay) {
  std::set<int> letters;
  auto check_pair = [&](int upper, int lower) {
    EXPECT_EQ(AnsiUpperChar(Ch(lower)), Ch(upper)) << std::hex << lower;
    EXPECT_EQ(AnsiLowerChar(Ch(upper)), Ch(lower)) << std::hex << upper;
    EXPECT_EQ(AnsiUpperChar(Ch(upper)), Ch(upper)) << std::hex << upper;
    EXPECT_EQ(AnsiLowerChar(Ch(lower)), Ch(lower)) << std::hex << lower;
    letters.insert({upper, lower});
  };
  for (int k = 0; k < 26; ++k) check_pair('A' + k, 'a' + k);
  for (int k = 0; k < 32; ++k) check_pair(0xC0 + k, 0xE0 + k);
  for (auto [upper, lower] : kCyrillicPairs) check_pair(upper, lower);

  for (int b = 0; b < 256; ++b) {
    if (letters.count(b)) continue;
    EXPECT_EQ(AnsiUpperChar(Ch(b)), Ch(b)) << std::hex << b;  // µ, №, 0x98, digits, signs
    EXPECT_EQ(AnsiLowerChar(Ch(b)), Ch(b)) << std::hex << b;
  }
}

TEST(AnsiCase, StringsAndTheAsciiOnlyVariants) {
  const std::string mixed = Ansi("Ёлка, Street № 5 — ЇЖАК і ґанок µ");
  EXPECT_EQ(AnsiUpperCase(mixed), Ansi("ЁЛКА, STREET № 5 — ЇЖАК І ҐАНОК µ"));
  EXPECT_EQ(AnsiLowerCase(mixed), Ansi("ёлка, street № 5 — їжак і ґанок µ"));
  EXPECT_EQ(UpperCase(mixed), Ansi("Ёлка, STREET № 5 — ЇЖАК і ґанок µ"));
  EXPECT_EQ(UpperCase(Ansi("abc абв XYZ")), Ansi("ABC абв XYZ"));
  EXPECT_EQ(LowerCase(Ansi("ABC АБВ xyz")), Ansi("abc АБВ xyz"));
  EXPECT_EQ(AnsiUpperCase(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(WideCase, LatinGreekAndCyrillic) {
  EXPECT_EQ(WideUpperCase(u"привет, world! ёжик ў ґ ђ"), u"ПРИВЕТ, WORLD! ЁЖИК Ў Ґ Ђ");
  EXPECT_EQ(WideLowerCase(u"ПРИВЕТ, WORLD! ЁЖИК Ў Ґ Ђ"), u"привет, world! ёжик ў ґ ђ");
  EXPECT_EQ(WideUpperCase(u"àéîõü ÿ ā ł ž αβγ ώ"), u"ÀÉÎÕÜ Ÿ Ā Ł Ž ΑΒΓ Ώ");
  EXPECT_EQ(WideLowerCase(u"ÀÉÎÕÜ Ÿ Ā Ł Ž ΑΒΓ Ώ"), u"àéîõü ÿ ā ł ž αβγ ώ");
  // Characters without case, the multiplication sign among the Latin-1
  // capitals, and the final sigma's neighbour slot stay put.
  EXPECT_EQ(WideUpperCase(u"×÷ß0_中"), u"×÷ß0_中");
  EXPECT_EQ(WideLowerCase(u"×÷ß0_中\u03A2"), u"×÷ß0_中\u03A2");
  for (char16_t c = 0x0400; c < 0x0430; ++c) {
    char16_t lower = WideLowerChar(c);
    EXPECT_NE(lower, c) << std::hex << int(c);
    EXPECT_EQ(WideUpperChar(lower), c) << std::hex << int(c);
  }
}

// The collation must sort Russian text the way a reader expects, which raw
// code page bytes do not: Ё (0xA8) lies below А (0xC0) and capitals below
// small letters.
TEST(AnsiCollation, SortsARussianWordList) {
  const std::vector<std::string> expected = {
      "-", "1999", "2000", "apple", "Apple", "zebra", "абрикос", "арбуз", "Арбуз",
      "береза", "берёза", "ёж", "ёлка", "Ёлка", "елочка", "ель", "ёрш", "жук",
      "Жук", "яблоко", "Яблоко", "яма"};
  std::vector<std::string> words;
  for (const auto& w : expected) words.push_back(Ansi(w.c_str()));
  std::vector<std::string> sorted = words;
  std::mt19937 rng(7);
  for (int round = 0; round < 5; ++round) {
    std::shuffle(sorted.begin(), sorted.end(), rng);
    std::sort(sorted.begin(), sorted.end(),
              [](const std::string& a, const std::string& b) { return AnsiCompareStr(a, b) < 0; });
    EXPECT_EQ(sorted, words);
  }
  for (const auto& a : words) {
    EXPECT_EQ(AnsiCompareStr(a, a), 0);
    for (const auto& b : words) EXPECT_EQ(AnsiCompareStr(a, b), -AnsiCompareStr(b, a));
  }
}

TEST(AnsiCollation, IgnoringCaseKeepsYoApartFromIe) {
  EXPECT_EQ(AnsiCompareText(Ansi("ЁЛКА Ї"), Ansi("ёлка ї")), 0);
  EXPECT_TRUE(AnsiSameText(Ansi("Москва"), Ansi("МОСКВА")));
  EXPECT_FALSE(AnsiSameText(Ansi("ёлка"), Ansi("ЕЛКА")));
  EXPECT_LT(AnsiCompareText(Ansi("ЕЛКА"), Ansi("ёлка")), 0);
  EXPECT_LT(AnsiCompareText(Ansi("Арбуз"), Ansi("банан")), 0);
  EXPECT_GT(AnsiCompareText(Ansi("Я"), Ansi("ёж")), 0);
  EXPECT_LT(AnsiCompareText("abc", "ABCD"), 0);
  EXPECT_FALSE(AnsiSameStr(Ansi("Да"), Ansi("да")));
  // The undefined byte 0x98 is a character of its own, not a '?'.
  EXPECT_NE(AnsiCompareStr("\x98", "?"), 0);
  EXPECT_NE(AnsiCompareText("a\x98", "A?"), 0);
}

TEST(AnsiCollation, HyphenAndApostropheWeighOnlyOnEqualText) {
  // Word sort: the hyphen is skipped until the letters tie.
  EXPECT_LT(AnsiCompareStr("coop", "co-op"), 0);
  EXPECT_LT(AnsiCompareStr("co-op", "cop"), 0);
  EXPECT_LT(AnsiCompareStr("its", "it's"), 0);
  EXPECT_NE(AnsiCompareText("co-op", "COOP"), 0);
  // String sort: they are ordinary symbols, below every letter.
  EXPECT_LT(AnsiCollate("co-op", "coop", cfStringSort), 0);
  EXPECT_GT(AnsiCollate("co-op", "co op", cfStringSort), 0);
}

// Short texts over bytes that differ at each level (letters in both cases,
// Ё and Е, digits, symbols, the undefined 0x98, high bytes), so that many
// pairs share prefixes, weights or whole levels.
TEST(AnsiCollation, SortKeysOrderAsTheStringSort) {
  const std::string alphabet = "aAbB-' 09\x98\xA8\xB8\xC5\xE5\xDF\xFF\x8A\x9A.";
  std::mt19937 random(7);
  std::vector<std::string> texts = {""};
  for (int i = 0; i < 400; ++i) {
    std::string text(random() % 5, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    texts.push_back(text);
  }
  auto sign = [](int v) { return (v > 0) - (v < 0); };
  for (const int flags : {int{cfStringSort}, cfStringSort | cfIgnoreCase}) {
    std::vector<std::string> keys;
    for (const std::string& text : texts) AnsiSortKey(text, flags, keys.emplace_back());
    for (size_t a = 0; a < texts.size(); ++a)
      for (size_t b = 0; b < texts.size(); ++b)
        ASSERT_EQ(sign(keys[a].compare(keys[b])), sign(AnsiCollate(texts[a], texts[b], flags)))
            << "flags " << flags << ": \"" << texts[a] << "\" against \"" << texts[b] << "\"";
  }
  std::string appended = "kept";
  AnsiSortKey("ab", cfStringSort, appended);
  EXPECT_EQ(appended.rfind("kept", 0), 0u);
  EXPECT_EQ(appended.size(), 4 + 2 * 4 + 1);
}

TEST(AsciiCompare, ByteOrderAndAsciiFolding) {
  EXPECT_LT(CompareStr("a", "\xE0"), 0);  // bytes compare unsigned
  EXPECT_LT(CompareStr("B", "a"), 0);
  EXPECT_LT(CompareStr("ab", "abc"), 0);
  EXPECT_EQ(CompareStr("", ""), 0);
  EXPECT_EQ(CompareText("Hello", "hELLO"), 0);
  EXPECT_GT(CompareText("_", "a"), 0);  // folded to upper case: '_' > 'A'
  EXPECT_NE(CompareText(Ansi("а"), Ansi("А")), 0);
  EXPECT_TRUE(SameText("LOGCHECKERROR", "logCheckError"));
}

TEST(WideCollation, MatchesTheAnsiOrder) {
  EXPECT_EQ(WideCompareText(u"ЁЛКА", u"ёлка"), 0);
  EXPECT_TRUE(WideSameText(u"Straße", u"STRAßE"));
  EXPECT_GT(WideCompareStr(u"я", u"Ё"), 0);
  EXPECT_LT(WideCompareStr(u"ёлка", u"Ёлка"), 0);
  EXPECT_LT(WideCompareStr(u"zebra", u"арбуз"), 0);
  EXPECT_FALSE(WideSameStr(u"a", u"A"));
}

}  // namespace
}  // namespace classlib
