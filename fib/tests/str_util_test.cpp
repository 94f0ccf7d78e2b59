#include "fib/base/str_util.h"

#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "classlib/format_settings.h"

namespace fib {
namespace {

TEST(StrUtilTest, ParamNamePrefixes) {
  EXPECT_TRUE(IsOldParamName("OLD_ID"));
  EXPECT_TRUE(IsNewParamName("new_Name"));
  EXPECT_TRUE(IsMasterParamName("Mas_X"));
  EXPECT_FALSE(IsOldParamName("OLD_"));  // needs a name after the prefix
  EXPECT_FALSE(IsNewParamName("NEWID"));
  EXPECT_FALSE(IsMasterParamName("MAST_ID"));
}

TEST(StrUtilTest, ComparisonsFoldOnlyWhatTheyShould) {
  EXPECT_TRUE(SameStrASCII("@", "`", false));  // codes differ by 32
  EXPECT_TRUE(SameStrASCII("Abc", "aBC", false));
  EXPECT_FALSE(SameStrASCII("Abc", "aBC", true));
  EXPECT_FALSE(SameStrASCII("ab", "abc", false));
  EXPECT_TRUE(EqualStr(true, "Name", "NAME"));
  EXPECT_FALSE(EqualStr(false, "Name", "NAME"));
  EXPECT_FALSE(EqualStr(true, "Name", "Names"));
  EXPECT_TRUE(StartsWithStr("", "x"));
  EXPECT_FALSE(StartsWithStr("xy", "x"));
  EXPECT_FALSE(StrInArray("a", {}));
  EXPECT_TRUE(StrInArray("b", {"a", "b"}));
}

TEST(StrUtilTest, CopyTrimAndCase) {
  EXPECT_EQ(FastCopy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(FastCopy("abcdef", 5, 10), "ef");
  EXPECT_EQ(FastCopy("abcdef", 7, 1), "");
  EXPECT_EQ(FastCopy("abcdef", 1, 0), "");
  std::string target = "zzzzzzzz";
  FastCopyTo("abcdef", target, 3, 2);
  EXPECT_EQ(target, "cd");
  EXPECT_EQ(FastTrim("\t a b \r\n"), "a b");
  EXPECT_EQ(FastTrim("   "), "");
  std::string s = "  x  ";
  TrimRightInPlace(s);
  EXPECT_EQ(s, "  x");
  TrimInPlace(s);
  EXPECT_EQ(s, "x");
  s = "abcdef";
  UpperCaseRange(s, 2, 3);
  EXPECT_EQ(s, "aBCdef");
  UpperCaseRange(s, 5, 0);
  EXPECT_EQ(s, "aBCdEF");
  LowerCaseInPlace(s);
  EXPECT_EQ(s, "abcdef");
  EXPECT_EQ(UpperCaseASCII("a\xE0z"), "A\xE0Z");  // Cyrillic untouched
  EXPECT_EQ(MakeStr('-', 3), "---");
  EXPECT_EQ(MakeStr('-', 0), "");
  EXPECT_EQ(FastStrLen(nullptr), 0);
  EXPECT_EQ(FastStrLen("hello"), 5);
}

TEST(StrUtilTest, Searching) {
  EXPECT_EQ(CharPos('c', "abc"), 3);
  EXPECT_EQ(CharPos('x', "abc"), 0);
  EXPECT_EQ(PosFrom("ab", "abxab", 2), 4);
  EXPECT_EQ(PosFrom("ab", "abxab", 2, 4), 0);  // would end past Last
  EXPECT_EQ(PosFrom("", "abc", 1), 0);
  const CharSet delims = MakeCharSet(" ,");
  EXPECT_EQ(PosDelimited("ID", "GUID, ID", delims, delims, false), 7);
  EXPECT_EQ(PosDelimited("id", "GUID,ID", delims, delims, false), 6);
  EXPECT_EQ(PosDelimited("ID", "GUID IDX", delims, delims, false), 0);
  // ANSI folding matches Cyrillic in either case.
  EXPECT_EQ(PosDelimited("\xE8\xEC\xFF", "a \xC8\xCC\xDF", delims, delims, true), 3);
}

TEST(StrUtilTest, WordsAndNameValue) {
  const CharSet blank = MakeCharSet(" ");
  EXPECT_EQ(ExtractWord(1, "  ", blank), "  ");
  EXPECT_EQ(ExtractWord(2, "a b", blank), "b");
  EXPECT_EQ(ExtractWord(3, "a b", blank), "");
  EXPECT_EQ(WordCount("  a  bb c ", blank), 3);
  EXPECT_EQ(ValuePart("a=b=c"), "b=c");
  EXPECT_EQ(ValuePart("abc"), "");
  std::string name, value;
  SplitNameValue("key=v", name, value);
  EXPECT_EQ(name + "|" + value, "key|v");
  SplitNameValue("key", name, value);
  EXPECT_EQ(name + "|" + value, "key|");
}

TEST(StrUtilTest, DequoteStr) {
  EXPECT_EQ(DequoteStr("  \"abc\"\r\n"), "abc");
  EXPECT_EQ(DequoteStr("'a''b'"), "a''b");          // inner quotes stay doubled
  EXPECT_EQ(DequoteStr("'abc\""), "'abc\"");        // the pair must match
  EXPECT_EQ(DequoteStr("\x01'abc'"), "\x01'abc'");  // other control characters block it
  EXPECT_EQ(DequoteStr("\""), "\"");
  EXPECT_EQ(DequoteStr(""), "");
}

TEST(StrUtilTest, StringLists) {
  classlib::TStringList list;
  list.SetText("a\r\n\r\n \r\nb\r\n");
  EXPECT_FALSE(IsEmptyStrings(list));
  DeleteEmptyStrings(list);
  EXPECT_EQ(list.Count(), 3);  // the blank line stays
  classlib::TStringList blank;
  blank.Add("  ");
  EXPECT_TRUE(IsEmptyStrings(blank));

  classlib::TStringList source, exclude, dest;
  source.SetCommaText("a,b,c,d");
  exclude.SetCommaText("D,b");
  dest.Add("old");
  CopyStringsExcept(source, exclude, dest);
  EXPECT_EQ(dest.CommaText(), "a,c");
  exclude.SetSorted(true);
  CopyStringsExcept(source, exclude, dest);
  EXPECT_EQ(dest.CommaText(), "a,c");
}

TEST(StrUtilTest, Replacing) {
  EXPECT_EQ(ReplaceSubStr("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceSubStr("abc", "x", "y"), "abc");
  EXPECT_EQ(ReplaceSubStr("abc", "", "y"), "abc");
  EXPECT_EQ(ReplaceSubStrCI("Select a FROM b from", "from", "IN", false), "Select a IN b IN");
  EXPECT_EQ(ReplaceSubStrCI("\xE0\xC0x", "\xC0", "-", true), "--x");
  EXPECT_EQ(ReplaceInRange("a.a.a.a", ".", "#", 3, 5), "a.a#a.a");
  EXPECT_EQ(ReplaceInRange("abc", "b", "#", 5, 9), "abc");
}

class SQLDateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    classlib::ResetFormatSettings();
    auto& fs = classlib::FormatSettings();
    fs.DateSeparator = '.';
    fs.ShortDateFormat = "dd.mm.yyyy";
    fs.LongTimeFormat = "hh:nn:ss";
  }
  void TearDown() override { classlib::ResetFormatSettings(); }
};

TEST_F(SQLDateTest, ReadsEveryLayout) {
  EXPECT_EQ(SQLDateTextToDateTime("2005-01-31", sdkDate), "31.01.2005");
  EXPECT_EQ(SQLDateTextToDateTime("31.01.2005", sdkDate), "31.01.2005");
  EXPECT_EQ(SQLDateTextToDateTime("01/31/2005", sdkDate), "31.01.2005");
  EXPECT_EQ(SQLDateTextToDateTime("31-JAN-2005", sdkDate), "31.01.2005");
  EXPECT_EQ(SQLDateTextToDateTime("2005-01-31 10:20:30", sdkDateTime), "31.01.2005 10:20:30");
  EXPECT_EQ(SQLDateTextToDateTime("10:20:30", sdkTime), "10:20:30");
  // The "." of fractional seconds is no date separator.
  EXPECT_EQ(SQLDateTextToDateTime("2005-01-31 10:20:30.5", sdkDateTime), "31.01.2005 10:20:30");
}

TEST_F(SQLDateTest, EdgeInputs) {
  EXPECT_EQ(SQLDateTextToDateTime("  ", sdkDate), "");
  EXPECT_EQ(SQLDateTextToDateTime("now", sdkDate), "NOW");  // no separator: not converted
  const classlib::TFormatSettings before = classlib::FormatSettings();
  EXPECT_THROW(SQLDateTextToDateTime("2005-13-45", sdkDate), classlib::EConvertError);
  // The settings changed for the conversion are back after a failure.
  EXPECT_EQ(classlib::FormatSettings().ShortDateFormat, before.ShortDateFormat);
  EXPECT_EQ(classlib::FormatSettings().DateSeparator, before.DateSeparator);
  EXPECT_EQ(classlib::FormatSettings().LongTimeFormat, before.LongTimeFormat);
}

TEST_F(SQLDateTest, MonthNamesAndFormats) {
  std::string s = "01-FEB-2005";
  EXPECT_TRUE(ReplaceMonthName(s));
  EXPECT_EQ(s, "01.02.2005");
  s = "01-02-2005";
  EXPECT_FALSE(ReplaceMonthName(s));
  const classlib::TDateTime dt = StrToDateTimeFmt("2005.01.31", "yyyy.mm.dd");
  EXPECT_EQ(classlib::DateToStr(dt), "31.01.2005");
  EXPECT_EQ(classlib::FormatSettings().ShortDateFormat, "dd.mm.yyyy");
  // The format's separator, not the system's, reads the text.
  classlib::FormatSettings().DateSeparator = '/';
  EXPECT_EQ(StrToDateTimeFmt("31-01-2005", "dd-mm-yyyy"), dt);
  EXPECT_EQ(StrToDateTimeFmt("01/31/2005", "mm/dd/yyyy"), dt);
  EXPECT_EQ(classlib::FormatSettings().DateSeparator, '/');
}

TEST(WildcardTest, SQLLike) {
  EXPECT_TRUE(MatchesSQLLike("ABC", "A%"));
  EXPECT_TRUE(MatchesSQLLike("ABC", "_B_"));
  EXPECT_FALSE(MatchesSQLLike("ABC", "A_"));
  EXPECT_TRUE(MatchesSQLLike("", "%"));
  EXPECT_TRUE(MatchesSQLLike("anything", "%"));
  EXPECT_TRUE(MatchesSQLLike("", ""));
  EXPECT_FALSE(MatchesSQLLike("a", ""));
  EXPECT_FALSE(MatchesSQLLike("", "_"));
  EXPECT_FALSE(MatchesSQLLike("abc", "ABC"));  // exact bytes
  EXPECT_TRUE(MatchesSQLLike("abcbd", "%b_"));
  EXPECT_TRUE(MatchesSQLLike("a*?b", "a*?b"));  // "*" and "?" are plain characters here
}

TEST(WildcardTest, WildcardAfterAnyRunKeepsItsMeaning) {
  EXPECT_TRUE(MatchesSQLLike("ABC", "%_C"));
  EXPECT_TRUE(MatchesSQLLike("XABC", "%_B%"));
  EXPECT_FALSE(MatchesSQLLike("C", "%_C"));  // "_" still needs a character
  EXPECT_TRUE(MatchesSQLLike("ABC", "%%C"));
  EXPECT_TRUE(MatchesLikeMask("ABC", "*?C", '*', '?'));
}

TEST(WildcardTest, BacktrackingIsNotExponential) {
  const std::string text(2000, 'a');
  EXPECT_FALSE(MatchesSQLLike(text, "%a%a%a%a%a%a%a%a%a%b"));
  EXPECT_TRUE(MatchesSQLLike(text + "b", "%a%a%a%a%a%a%a%a%a%b"));
}

TEST(WildcardTest, SymmetricMasks) {
  EXPECT_TRUE(MatchesMask("A*", "*C"));
  EXPECT_TRUE(MatchesMask("ABC", "A?C"));
  EXPECT_TRUE(MatchesMask("*", ""));
  EXPECT_FALSE(MatchesMask("", "?"));
  EXPECT_FALSE(MatchesMask("A*", "B*"));
  EXPECT_TRUE(MatchesMask("A?*", "*BC"));
  EXPECT_FALSE(MatchesMask("A*?B", "AB"));  // "?" needs a character
  EXPECT_TRUE(MatchesMask("A*?B", "AXB"));
}

TEST(WildcardTest, NormalizeMask) {
  EXPECT_EQ(NormalizeMask("a**b"), "a*b");
  EXPECT_EQ(NormalizeMask("a*?*?b"), "a??*b");
  EXPECT_EQ(NormalizeMask("*"), "*");
  EXPECT_EQ(NormalizeMask("a?"), "a?");
  EXPECT_EQ(NormalizeMask(""), "");
}

TEST(WildcardTest, IndexOfMask) {
  classlib::TStringList list;
  list.SetCommaText("TAB*,ORD?R,*");
  EXPECT_EQ(IndexOfMask(list, "order", false), 1);
  EXPECT_EQ(IndexOfMask(list, "tables", false), 0);
  EXPECT_EQ(IndexOfMask(list, "order", true), 2);
  classlib::TStringList none;
  none.Add("X");
  EXPECT_EQ(IndexOfMask(none, "Y", false), -1);
}

}  // namespace
}  // namespace fib
