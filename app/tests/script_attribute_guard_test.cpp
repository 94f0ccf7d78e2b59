// The attribute guard follows the markup: only the "=" of a start tag's
// attributes count, however the bytes are cut into pieces and whatever
// encoding the reader decodes them from; a document type's internal subset
// is refused where it opens.
#include "app/script_attribute_guard.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringConverter>
#include <string>

namespace app::testing {
namespace {

using TRefusal = TScriptAttributeGuard::TRefusal;

// Feeds `text` whole and byte by byte; the guard must agree with itself.
TRefusal Refusal(const std::string& text, int bound, int* line = nullptr) {
  TScriptAttributeGuard whole(bound);
  const std::size_t taken = whole.Feed(text.data(), text.size());
  TScriptAttributeGuard bytes(bound);
  std::size_t taken_bytewise = 0;
  for (char c : text) taken_bytewise += bytes.Feed(&c, 1);
  EXPECT_EQ(whole.Refusal(), bytes.Refusal()) << text;
  EXPECT_EQ(taken, taken_bytewise) << text;
  EXPECT_EQ(whole.Exceeded(), taken < text.size()) << text;
  EXPECT_EQ(whole.Line(), bytes.Line()) << text;
  if (line != nullptr) *line = whole.Line();
  return whole.Refusal();
}
bool Exceeds(const std::string& text, int bound, int* line = nullptr) {
  return Refusal(text, bound, line) == TRefusal::kTooManyAttributes;
}

std::string Encoded(const QString& text, QStringConverter::Encoding encoding) {
  QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
  return QByteArray(encoder(text)).toStdString();
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

// Characters beyond ASCII of a UTF-16 file have bytes that look like markup
// to a byte scanner: the low byte of "м" is "<", of "Т" a quote, of "н" "=".
TEST(ScriptAttributeGuardTest, TextIsFollowedAsTheReaderDecodesIt) {
  const QString statements = QStringLiteral("<SCRIPTS>\n<G><S>UPDATE Т SET ИМЯ = 'м") +
                             QString(3000, QChar(0x043D)) +  // "н"
                             QStringLiteral("'</S></G>\n<G a='1' b='2'/></SCRIPTS>");
  for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE,
                              QStringConverter::Utf32LE, QStringConverter::Utf32BE}) {
    SCOPED_TRACE(QStringConverter::nameForEncoding(encoding));
    const std::string with_bom = Encoded(statements, encoding);
    EXPECT_EQ(Refusal(with_bom, 2), TRefusal::kNone);
    int line = 0;
    EXPECT_TRUE(Exceeds(with_bom, 1, &line));
    EXPECT_EQ(line, 3);
    // Without a byte-order mark the first "<" tells the encoding.
    QStringEncoder plain(encoding);
    EXPECT_EQ(Refusal(QByteArray(plain(statements)).toStdString(), 2), TRefusal::kNone);
  }
  // UTF-8 and windows-1251 texts keep their markup in single bytes.
  EXPECT_EQ(Refusal(Encoded(statements, QStringConverter::Utf8), 2), TRefusal::kNone);
  EXPECT_EQ(Refusal(std::string("<\0G\0 \0a\0=\0'\0x\0'\0>\0", 18), 0),
            TRefusal::kTooManyAttributes);
}

}  // namespace
}  // namespace app::testing
