// The attribute guard follows the markup: only the "=" of a start tag's
// attributes count, however the bytes are cut into pieces.
#include "app/script_attribute_guard.h"

#include <gtest/gtest.h>

#include <string>

namespace app::testing {
namespace {

// Feeds `text` whole and byte by byte; the guard must agree with itself.
bool Exceeds(const std::string& text, int bound, int* line = nullptr) {
  TScriptAttributeGuard whole(bound);
  const std::size_t taken = whole.Feed(text.data(), text.size());
  TScriptAttributeGuard bytes(bound);
  std::size_t taken_bytewise = 0;
  for (char c : text) taken_bytewise += bytes.Feed(&c, 1);
  EXPECT_EQ(whole.Exceeded(), bytes.Exceeded()) << text;
  EXPECT_EQ(taken, taken_bytewise) << text;
  EXPECT_EQ(whole.Exceeded(), taken < text.size()) << text;
  if (line != nullptr) *line = whole.Line();
  return whole.Exceeded();
}

TEST(ScriptAttributeGuardTest, OnlyAStartTagsAttributesCount) {
  // Two attributes each, and "=" everywhere else markup allows it.
  const std::string markup =
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
      "<!DOCTYPE SCRIPTS [<!ENTITY t \"a=b=c>\"> <!-- x=1 ]> y=2 --> <!ATTLIST S A CDATA 'p=q'>]>\n"
      "<SCRIPTS a='1' b=\"x > y = z\">text a=b c=d\n"
      "<!-- <G a=1 b=2 c=3> --><![CDATA[<G a=1 b=2 c=3>]]><?pi a=1 b=2 c=3?>\n"
      "<G CONDITION=\"X=1\" B='2'/></SCRIPTS>";
  EXPECT_FALSE(Exceeds(markup, 2));
  int line = 0;
  EXPECT_TRUE(Exceeds(markup + "\n\n<G a='1' b='2' c='3'/>", 2, &line));
  EXPECT_EQ(line, 7);
  // Text in UTF-16 has zero bytes between its characters.
  const std::string utf16 = std::string("<\0G\0 \0a\0=\0'\0x\0'\0>\0", 18);
  EXPECT_FALSE(Exceeds(utf16, 1));
  EXPECT_TRUE(Exceeds(utf16, 0));
}

}  // namespace
}  // namespace app::testing
