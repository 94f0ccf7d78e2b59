#include "fib/sql/reserved_words.h"

#include <gtest/gtest.h>

#include "classlib/ansistr.h"

namespace fib {
namespace {

TEST(ReservedWordsTest, TableIsSortedAndComplete) {
  const classlib::TStringList& words = ReservedWords();
  ASSERT_EQ(words.Count(), 306);  // "ROWS" stands twice
  for (int i = 1; i < words.Count(); ++i) {
    EXPECT_LE(classlib::CompareText(words.Strings(i - 1), words.Strings(i)), 0) << i;
  }
  EXPECT_EQ(words.Strings(0), "ACTIVE");
  EXPECT_TRUE(IsReservedWord("COMMITED"));
  EXPECT_TRUE(IsReservedWord("FREE_IT"));
  EXPECT_TRUE(IsReservedWord("cstring"));
  EXPECT_FALSE(IsReservedWord("COMMITTED"));
}

// Every word is found through its own two-letter cell, and each cell holds
// only words of its pair.
TEST(ReservedWordsTest, IndexCellsCoverExactlyTheirWords) {
  const classlib::TStringList& words = ReservedWords();
  for (int i = 0; i < words.Count(); ++i) {
    const std::string word = words.Strings(i);
    const ReservedWordsRange cell = ReservedWordsCell(word[0], word[1]);
    EXPECT_LE(cell.first, i) << word;
    EXPECT_GE(cell.last, i) << word;
    EXPECT_EQ(words.Strings(cell.first).substr(0, 2), word.substr(0, 2));
    EXPECT_EQ(words.Strings(cell.last).substr(0, 2), word.substr(0, 2));
    EXPECT_TRUE(IsReservedWord(word)) << word;
  }
}

TEST(ReservedWordsTest, EmptyCellsStayInsideTheTable) {
  const ReservedWordsRange aa = ReservedWordsCell('A', 'A');
  EXPECT_GT(aa.first, aa.last);
  EXPECT_FALSE(IsReservedWord("AAA"));
  EXPECT_FALSE(IsReservedWord("ZZ"));
  EXPECT_FALSE(IsReservedWord("A_"));
  const ReservedWordsRange none = ReservedWordsCell('1', 'A');
  EXPECT_GT(none.first, none.last);
}

TEST(ReservedWordsTest, FindClampsItsBounds) {
  int index = -1;
  EXPECT_FALSE(FindReservedWord(ReservedWords(), "zzz", -10, index, false, 100000));
  EXPECT_EQ(index, ReservedWords().Count());
  EXPECT_TRUE(FindReservedWord(ReservedWords(), "select", 0, index, true, 65535));
  EXPECT_EQ(ReservedWords().Strings(index), "SELECT");
  EXPECT_FALSE(FindReservedWord(ReservedWords(), "SELECT", 0, index, false, 5));
}

TEST(NeedQuoteTest, Identifiers) {
  EXPECT_FALSE(NeedQuoteIdentifier("CUSTOMER_ID"));
  EXPECT_FALSE(NeedQuoteIdentifier("X"));
  EXPECT_FALSE(NeedQuoteIdentifier("A1"));
  EXPECT_FALSE(NeedQuoteIdentifier("AB#%"));
  EXPECT_FALSE(NeedQuoteIdentifier("A$"));
  EXPECT_FALSE(NeedQuoteIdentifier("\"Already quoted"));
  EXPECT_FALSE(NeedQuoteIdentifier(""));
  EXPECT_FALSE(NeedQuoteIdentifier("AAB"));  // a pair that begins no keyword
  EXPECT_TRUE(NeedQuoteIdentifier("Select"));
  EXPECT_TRUE(NeedQuoteIdentifier("ORDER"));
  EXPECT_TRUE(NeedQuoteIdentifier("AS"));
  EXPECT_TRUE(NeedQuoteIdentifier("1ST"));
  EXPECT_TRUE(NeedQuoteIdentifier("_NAME"));
  EXPECT_TRUE(NeedQuoteIdentifier("MY NAME"));
  EXPECT_TRUE(NeedQuoteIdentifier("NAME-2"));
  EXPECT_TRUE(NeedQuoteIdentifier("\xC8\xCC\xDF"));  // Cyrillic letters
}

TEST(NeedQuoteTest, CaseInsensitiveVariant) {
  EXPECT_FALSE(NeedQuoteIdentifierCI("customer"));
  EXPECT_TRUE(NeedQuoteIdentifierCI("order"));
  EXPECT_TRUE(NeedQuoteIdentifierCI("Select"));
  EXPECT_FALSE(NeedQuoteIdentifierCI("aab"));
  EXPECT_TRUE(NeedQuoteIdentifierCI("my name"));
}

}  // namespace
}  // namespace fib
