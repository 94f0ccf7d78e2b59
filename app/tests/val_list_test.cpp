#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/val_list.h"
#include "classlib/codepage.h"

namespace app {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs PairsOf(const TValList& list) {
  Pairs pairs;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    pairs.emplace_back(list.Items(i).Name(), list.Items(i).Value());
  }
  return pairs;
}

Pairs Parsed(std::string_view text) {
  TValList list;
  list.SetText(text);
  return PairsOf(list);
}

TEST(ValListText, ParsesPairsAndSkipsSegmentsWithoutEquals) {
  EXPECT_EQ(Parsed("a=1;;b;c=2"), (Pairs{{"a", "1"}, {"c", "2"}}));
  EXPECT_EQ(Parsed("x=1=2"), (Pairs{{"x", "1=2"}}));
  EXPECT_EQ(Parsed("Password=\"\";User Id=sa;"), (Pairs{{"Password", ""}, {"User Id", "sa"}}));
  EXPECT_EQ(Parsed(" a = 1 ;a=2"), (Pairs{{" a ", " 1 "}, {"a", "2"}}));
  EXPECT_EQ(Parsed("=v;k="), (Pairs{{"", "v"}, {"k", ""}}));
  EXPECT_EQ(Parsed("no pairs;here"), Pairs{});
  EXPECT_EQ(Parsed(""), Pairs{});
}

TEST(ValListText, ReplacesTheContentsAndJoinsPairsWithSemicolons) {
  TValList list;
  list.SetText("old=1");
  list.SetText("Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=lex");
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.GetText(), "Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=lex");
  list.Clear();
  EXPECT_EQ(list.GetText(), "");
}

TEST(ValListText, QuotesOnlyValuesThatWouldNotReadBackWhole) {
  TValList list;
  list.SetValue("User Id", "sa");
  list.SetValue("Password", "a;b\"c");
  list.SetValue("Tag", "\"x\"");
  EXPECT_EQ(list.GetText(), "User Id=sa;Password=\"a;b\"\"c\";Tag=\"\"\"x\"\"\"");
  TValList copy;
  copy.SetText(list.GetText());
  EXPECT_EQ(PairsOf(copy), PairsOf(list));
  // A quote that does not close the pair is read as it stands.
  EXPECT_EQ(Parsed("a=\"x\"y;b=1"), (Pairs{{"a", "\"x\"y"}, {"b", "1"}}));
  EXPECT_EQ(Parsed("a=\"x;b=1"), (Pairs{{"a", "\"x"}, {"b", "1"}}));
}

TEST(ValListLookup, MatchesNamesIgnoringCaseAndFindsTheLastDuplicate) {
  TValList list;
  list.SetText("Provider=one;PROVIDER=two");
  EXPECT_EQ(list.GetValue("provider"), "two");
  EXPECT_EQ(list.GetValue("missing"), "");
  const std::string upper = classlib::Utf8ToCp1251("ПАРОЛЬ");
  const std::string lower = classlib::Utf8ToCp1251("пароль");
  list.SetValue(upper, "x");
  EXPECT_EQ(list.GetValue(lower), "x");

  list.SetValue("provider", "three");
  EXPECT_EQ(PairsOf(list)[0].second, "one");
  EXPECT_EQ(PairsOf(list)[1], (std::pair<std::string, std::string>{"PROVIDER", "three"}));

  list.DeleteValue("Provider");
  EXPECT_EQ(list.GetValue("Provider"), "one");
  list.DeleteValue("Provider");
  list.DeleteValue("Provider");
  EXPECT_EQ(list.Count(), 1u);
}

TEST(ValListLookup, EmptyValuesReplaceButNeverAppend) {
  TValList list;
  list.SetValue("Password", "");
  EXPECT_EQ(list.Count(), 0u);
  list.SetValue("Password", "secret");
  list.SetValue("Password", "");
  EXPECT_EQ(PairsOf(list), (Pairs{{"Password", ""}}));
  EXPECT_EQ(list.GetText(), "Password=");
  // Two double quotes are the dialog's empty value.
  list.SetValue("User Id", "\"\"");
  EXPECT_EQ(PairsOf(list), (Pairs{{"Password", ""}, {"User Id", ""}}));
}

}  // namespace
}  // namespace app
