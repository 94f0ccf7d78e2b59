// The attribute guard follows the markup: only the "=" of a start tag's
// attributes count, however the text is cut into pieces; a document type's
// internal subset is refused where it opens.
#include "app/script_attribute_guard.h"

#include <gtest/gtest.h>

#include <QString>
#include <string>

namespace app::testing {
namespace {

using TRefusal = TScriptAttributeGuard::TRefusal;

// Feeds `text` whole and unit by unit; the guard must agree with itself.
TRefusal Refusal(const QString& text, int bound, int* line = nullptr) {
  const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
  const auto size = static_cast<std::size_t>(text.size());
  TScriptAttributeGuard whole(bound);
  const std::size_t taken = whole.Feed(units, size);
  TScriptAttributeGuard piecewise(bound);
  std::size_t taken_piecewise = 0;
  for (std::size_t i = 0; i < size; ++i) taken_piecewise += piecewise.Feed(units + i, 1);
  EXPECT_EQ(whole.Refusal(), piecewise.Refusal()) << text.toStdString();
  EXPECT_EQ(taken, taken_piecewise) << text.toStdString();
  EXPECT_EQ(whole.Exceeded(), taken < size) << text.toStdString();
  EXPECT_EQ(whole.Line(), piecewise.Line()) << text.toStdString();
  if (line != nullptr) *line = whole.Line();
  return whole.Refusal();
}
TRefusal Refusal(const std::string& text, int bound, int* line = nullptr) {
  return Refusal(QString::fromStdString(text), bound, line);
}
TRefusal Refusal(const char* text, int bound, int* line = nullptr) {
  return Refusal(QString::fromUtf8(text), bound, line);
}
bool Exceeds(const QString& text, int bound, int* line = nullptr) {
  return Refusal(text, bound, line) == TRefusal::kTooManyAttributes;
}
bool Exceeds(const std::string& text, int bound, int* line = nullptr) {
  return Exceeds(QString::fromStdString(text), bound, line);
}

TEST(ScriptAttributeGuardTest, OnlyAStartTagsAttributesCount) {
  // Two attributes each, and "=" everywhere else markup allows it.
  const std::string markup =
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
      "<!DOCTYPE SCRIPTS SYSTEM \"a=b[c].dtd\" ><!-- x=1 ]> y=2 -->\n"
      "<SCRIPTS a='1' b=\"x > y = z\">text a=b c=d\n"
      "<!-- <G a=1 b=2 c=3> --><![CDATA[<G a=1 b=2 c=3>]]><?pi a=1 b=2 c=3 '?>\n"
      "<G CONDITION=\"X=1\" B='2'/></SCRIPTS>";
  EXPECT_EQ(Refusal(markup, 2), TRefusal::kNone);
  int line = 0;
  EXPECT_TRUE(Exceeds(markup + "\n\n<G a='1' b='2' c='3'/>", 2, &line));
  EXPECT_EQ(line, 7);
}

// The reader adds the defaults an ATTLIST of the internal subset declares,
// so the guard would count none of them; a script file needs no subset and
// may not have one. A quote in a processing instruction of the subset must
// not hide the rest of the file either: the subset is refused at its "[".
TEST(ScriptAttributeGuardTest, ADocumentTypesInternalSubsetIsRefusedWhereItOpens) {
  int line = 0;
  EXPECT_EQ(Refusal("<?xml version=\"1.0\"?>\n\n<!DOCTYPE SCRIPTS [<!ATTLIST G a CDATA '1'>]>"
                    "<SCRIPTS/>",
                    kMaxScriptAttributes, &line),
            TRefusal::kInternalSubset);
  EXPECT_EQ(line, 3);
  EXPECT_EQ(Refusal("<!DOCTYPE a[<?x '?>]><a b='1' c='2'/>", 1), TRefusal::kInternalSubset);
  EXPECT_EQ(Refusal("<!DOCTYPE SCRIPTS PUBLIC 'p' \"s\"[]><SCRIPTS/>", 1),
            TRefusal::kInternalSubset);
  // In quotes a "[" is a character of the name.
  EXPECT_EQ(Refusal("<!DOCTYPE SCRIPTS SYSTEM '[x]'><SCRIPTS/>", 1), TRefusal::kNone);
}

// Only ASCII characters make markup: a letter whose code unit has "<", a
// quote or "=" in its low byte ("м", "Т", "н") is text.
TEST(ScriptAttributeGuardTest, CharactersBeyondAsciiAreText) {
  const QString statements = QStringLiteral("<SCRIPTS>\n<G><S>UPDATE Т SET ИМЯ = 'м") +
                             QString(3000, QChar(0x043D)) +  // "н"
                             QStringLiteral("'</S></G>\n<G a='1' b='2'/></SCRIPTS>");
  EXPECT_EQ(Refusal(statements, 2), TRefusal::kNone);
  int line = 0;
  EXPECT_TRUE(Exceeds(statements, 1, &line));
  EXPECT_EQ(line, 3);
  // A character beyond the basic plane comes as two units, neither markup.
  EXPECT_EQ(Refusal(QStringLiteral("<G a='\U0001F600' b='1'/>"), 2), TRefusal::kNone);
}

}  // namespace
}  // namespace app::testing
