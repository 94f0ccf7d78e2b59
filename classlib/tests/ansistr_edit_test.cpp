#include <gtest/gtest.h>

#include "classlib/ansistr.h"

namespace classlib {
namespace {

std::string Ansi(const char* utf8) { return Utf8ToCp1251(utf8); }

TEST(AnsiTrim, DropsBlanksAndControlBytesButKeepsUpperHalf) {
  EXPECT_EQ(Trim(std::string("\t\r\n \x01 ab c\0 \x1F", 13)), "ab c");
  EXPECT_EQ(TrimLeft(" \tx \t"), "x \t");
  EXPECT_EQ(TrimRight(" \tx \t"), " \tx");
  // Cyrillic, NBSP (0xA0) and the undefined 0x98 are not blanks.
  const std::string word = Ansi("\xC2\xA0Ёж я");
  EXPECT_EQ(Trim(word), word);
  EXPECT_EQ(Trim("\x98 "), "\x98");
  EXPECT_EQ(Trim(" \t\r\n"), "");
  EXPECT_EQ(TrimLeft(""), "");
  EXPECT_EQ(TrimRight("\x01\x02"), "");
}

// Padded column texts: only spaces count, whatever bytes stand next to
// them, at every length and position around the eight-character steps.
TEST(AnsiTrim, LengthWithoutTrailingBlanksCountsSpacesOnly) {
  const char others[] = {'a', '\t', '\0', '\xA0', '!'};
  for (std::size_t length = 0; length <= 26; ++length)
    for (std::size_t last = 0; last <= length; ++last)
      for (char other : others) {
        // `last` characters of something else, then blanks to the end.
        std::string text(length, ' ');
        for (std::size_t i = 0; i < last; ++i) text[i] = (i % 3 == 0) ? ' ' : other;
        if (last > 0) text[last - 1] = other;
        // Blanks beyond the length are not looked at.
        const std::string padded = text + "x       ";
        EXPECT_EQ(LengthWithoutTrailingBlanks(padded.data(), length), last)
            << "length " << length << " last " << last << " other " << int(other);
      }
}

TEST(AnsiSearch, PositionsAreOneBasedAndZeroWhenAbsent) {
  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("abcb", "abcb"), 1);
  EXPECT_EQ(Pos("abcbc", "abcb"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("a", ""), 0);
  EXPECT_EQ(AnsiPos(Ansi("ёж"), Ansi("Ёж, ёж")), 5);
  EXPECT_EQ(PosEx("b", "abcb", 3), 4);
  EXPECT_EQ(PosEx("b", "abcb", 4), 4);
  EXPECT_EQ(PosEx("b", "abcb", 5), 0);
  EXPECT_EQ(PosEx("b", "abcb", 0), 0);
  EXPECT_EQ(PosEx("b", "abcb", -3), 0);
  EXPECT_EQ(LastDelimiter(".\\", "a.b\\c"), 4);
  EXPECT_EQ(LastDelimiter(".", "abc"), 0);
  EXPECT_TRUE(IsDelimiter(";,", "a,b", 2));
  EXPECT_FALSE(IsDelimiter(";,", "a,b", 1));
  EXPECT_FALSE(IsDelimiter(";,", "a,b", 0));
  EXPECT_FALSE(IsDelimiter(";,", "a,b", 4));
}

TEST(AnsiEdit, CopyClampsIndexAndCount) {
  EXPECT_EQ(Copy("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Copy("abcdef", 0, 2), "ab");
  EXPECT_EQ(Copy("abcdef", -5, 2), "ab");
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  EXPECT_EQ(Copy("abcdef", 6, 1), "f");
  EXPECT_EQ(Copy("abcdef", 7, 1), "");
  EXPECT_EQ(Copy("abcdef", 2, 0), "");
  EXPECT_EQ(Copy("abcdef", 2, -1), "");
  EXPECT_EQ(Copy("", 1, 1), "");
  EXPECT_EQ(Copy("abc", 1, 0x7FFFFFFF), "abc");
}

TEST(AnsiEdit, DeleteIgnoresPositionsOutsideAndInsertClamps) {
  auto deleted = [](std::string s, int index, int count) {
    Delete(s, index, count);
    return s;
  };
  EXPECT_EQ(deleted("abcdef", 2, 2), "adef");
  EXPECT_EQ(deleted("abcdef", 5, 100), "abcd");
  EXPECT_EQ(deleted("abcdef", 0, 2), "abcdef");
  EXPECT_EQ(deleted("abcdef", 7, 1), "abcdef");
  EXPECT_EQ(deleted("abcdef", 2, -1), "abcdef");
  EXPECT_EQ(deleted("", 1, 1), "");

  auto inserted = [](std::string s, int index) {
    Insert("XY", s, index);
    return s;
  };
  EXPECT_EQ(inserted("abc", 1), "XYabc");
  EXPECT_EQ(inserted("abc", 3), "abXYc");
  EXPECT_EQ(inserted("abc", 4), "abcXY");
  EXPECT_EQ(inserted("abc", 99), "abcXY");
  EXPECT_EQ(inserted("abc", -2), "XYabc");
  EXPECT_EQ(inserted("", 1), "XY");
}

TEST(AnsiQuote, DoublesTheQuoteAndUndoesIt) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(QuotedStr("''"), "''''''");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
  for (const char* text : {"", "plain", "it's", "''", "a'b'c'"})
    EXPECT_EQ(AnsiDequotedStr(QuotedStr(text), '\''), text);
  EXPECT_EQ(AnsiDequotedStr("'ab''c' tail", '\''), "ab'c");
  EXPECT_EQ(AnsiDequotedStr("\"x\"", '"'), "x");
  // Not quoted, or never closed: unchanged.
  EXPECT_EQ(AnsiDequotedStr("abc", '\''), "abc");
  EXPECT_EQ(AnsiDequotedStr("'abc", '\''), "'abc");
  EXPECT_EQ(AnsiDequotedStr("'ab''", '\''), "'ab''");
  EXPECT_EQ(AnsiDequotedStr("", '\''), "");
}

TEST(AnsiReplace, LeftToRightWithoutOverlapOrRescanning) {
  EXPECT_EQ(StringReplace("aaa", "aa", "b", rfReplaceAll), "ba");
  EXPECT_EQ(StringReplace("aaaa", "aa", "b", rfReplaceAll), "bb");
  EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");
  EXPECT_EQ(StringReplace("a-b-c", "-", "", rfReplaceAll), "abc");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
  EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
  EXPECT_EQ(StringReplace("abc", "c", "xyz", rfReplaceAll), "abxyz");
  EXPECT_EQ(StringReplace("abc", "abcd", "x", rfReplaceAll), "abc");
  EXPECT_EQ(StringReplace("", "a", "x", rfReplaceAll), "");
}

TEST(AnsiReplace, IgnoringCaseFoldsCyrillicAndKeepsTheRestAsWritten) {
  const std::string text = Ansi("Ёлка, ЁЛКА и ёлка; ЕЛКА");
  EXPECT_EQ(StringReplace(text, Ansi("ёлка"), Ansi("ель"), rfReplaceAll | rfIgnoreCase),
            Ansi("ель, ель и ель; ЕЛКА"));
  EXPECT_EQ(StringReplace(text, Ansi("ЁЛКА"), "X", rfIgnoreCase), Ansi("X, ЁЛКА и ёлка; ЕЛКА"));
  EXPECT_EQ(StringReplace(text, Ansi("ёлка"), "X", rfReplaceAll), Ansi("Ёлка, ЁЛКА и X; ЕЛКА"));
  EXPECT_EQ(StringReplace("Select * FROM t", "from", "from", rfReplaceAll | rfIgnoreCase),
            "Select * from t");
}

TEST(AnsiText, StringOfChar) {
  EXPECT_EQ(StringOfChar('-', 3), "---");
  EXPECT_EQ(StringOfChar('-', 0), "");
  EXPECT_EQ(StringOfChar('-', -2), "");
}

struct PathCase {
  const char* path;
  const char* file_path;
  const char* dir;
  const char* name;
  const char* ext;
  const char* drive;
};

// Windows paths from release files and POSIX paths of this platform.
const PathCase kPaths[] = {
    {"C:\\Lex\\Data\\ABC.lob", "C:\\Lex\\Data\\", "C:\\Lex\\Data", "ABC.lob", ".lob", "C:"},
    {"C:\\file.txt", "C:\\", "C:\\", "file.txt", ".txt", "C:"},
    {"C:file", "C:", "C:", "file", "", "C:"},
    {"Utils\\ImportFromXML.exe", "Utils\\", "Utils", "ImportFromXML.exe", ".exe", ""},
    {"/usr/lib/libfbclient.so.2", "/usr/lib/", "/usr/lib", "libfbclient.so.2", ".2", ""},
    {"/file", "/", "/", "file", "", ""},
    {"/opt/app.d/readme", "/opt/app.d/", "/opt/app.d", "readme", "", ""},
    {"mixed/dir\\name.tar.gz", "mixed/dir\\", "mixed/dir", "name.tar.gz", ".gz", ""},
    {"\\\\srv\\share\\x.fdb", "\\\\srv\\share\\", "\\\\srv\\share", "x.fdb", ".fdb", "\\\\srv\\share"},
    {"dir/", "dir/", "dir", "", "", ""},
    {"name", "", "", "name", "", ""},
    {".hidden", "", "", ".hidden", ".hidden", ""},
    {"", "", "", "", "", ""},
};

TEST(FileNames, SplitWindowsAndPosixPaths) {
  for (const PathCase& c : kPaths) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ExtractFilePath(c.path), c.file_path);
    EXPECT_EQ(ExtractFileDir(c.path), c.dir);
    EXPECT_EQ(ExtractFileName(c.path), c.name);
    EXPECT_EQ(ExtractFileExt(c.path), c.ext);
    EXPECT_EQ(ExtractFileDrive(c.path), c.drive);
    EXPECT_EQ(ExtractFilePath(c.path) + ExtractFileName(c.path), c.path);
  }
}

TEST(FileNames, ChangeExtensionAndTrailingDelimiters) {
  EXPECT_EQ(ChangeFileExt("C:\\a\\b.txt", ".log"), "C:\\a\\b.log");
  EXPECT_EQ(ChangeFileExt("/a.d/b", ".log"), "/a.d/b.log");
  EXPECT_EQ(ChangeFileExt("b.tar.gz", ""), "b.tar");
  EXPECT_EQ(ChangeFileExt("", ".x"), ".x");

  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/lex"), "/opt/lex/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/opt/lex/"), "/opt/lex/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\Lex\\"), "C:\\Lex\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\Lex\\"), "C:\\Lex");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/opt/lex/"), "/opt/lex");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/opt/lex"), "/opt/lex");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(""), "");

  EXPECT_TRUE(IsPathDelimiter("a\\b", 2));
  EXPECT_TRUE(IsPathDelimiter("a/b", 2));
  EXPECT_FALSE(IsPathDelimiter("a:b", 2));
  EXPECT_FALSE(IsPathDelimiter("a/b", 0));
}

}  // namespace
}  // namespace classlib
