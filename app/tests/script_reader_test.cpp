// The streaming reader of script files against the document model it
// replaced: the same groups, statements, names, attribute values, statement
// texts and error messages for the same bytes, and the attributes in the
// order the file writes them.
#include "app/script_reader.h"

#include <gtest/gtest.h>

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QStringConverter>
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/qt_text.h"
#include "app/script_attribute_guard.h"
#include "app/script_file.h"
#include "classlib/codepage.h"

namespace app::testing {
namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

using Attributes = std::vector<std::pair<std::string, std::string>>;

struct Element {
  std::string name;
  Attributes attributes;  // sorted: the document model keeps no order
  std::string text;
  bool operator==(const Element&) const = default;
};
struct Group {
  Element element;
  std::vector<Element> statements;
  bool operator==(const Group&) const = default;
};

Element Read(const QDomElement& element, bool statement) {
  Element read{AnsiOf(element.tagName()), {}, ""};
  const QDomNamedNodeMap attributes = element.attributes();
  for (int i = 0; i < attributes.count(); ++i)
    read.attributes.emplace_back(AnsiOf(attributes.item(i).nodeName()),
                                 AnsiOf(attributes.item(i).nodeValue()));
  std::sort(read.attributes.begin(), read.attributes.end());
  if (statement) read.text = AnsiOf(element.firstChild().nodeValue());
  return read;
}

Element Read(const TScriptElement& element) {
  Element read{element.name, element.attributes, element.text};
  std::sort(read.attributes.begin(), read.attributes.end());
  return read;
}

// How the runner read a file before it was streamed: the whole document,
// its element children as groups and theirs as statements.
std::vector<Group> ReadWithDocument(const QByteArray& bytes, std::string& error) {
  QDomDocument document;
  QString message;
  int line = 0;
  if (!document.setContent(bytes, &message, &line)) {
    error = AnsiOf(message) + Ansi(" (строка ") + std::to_string(line) + ")";
    return {};
  }
  if (document.documentElement().tagName() != "SCRIPTS") {
    error = "no SCRIPTS";
    return {};
  }
  std::vector<Group> groups;
  for (QDomElement g = document.documentElement().firstChildElement(); !g.isNull();
       g = g.nextSiblingElement()) {
    Group& group = groups.emplace_back(Group{Read(g, false), {}});
    for (QDomElement s = g.firstChildElement(); !s.isNull(); s = s.nextSiblingElement())
      group.statements.push_back(Read(s, true));
  }
  return groups;
}

class ScriptReaderTest : public ::testing::Test {
 protected:
  std::string Write(const QByteArray& bytes) {
    const std::string path = dir_.filePath("script.xml").toStdString();
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
      ADD_FAILURE() << "cannot write " << path;
    return path;
  }

  // Reads `bytes` both ways and expects the same outcome.
  void ExpectSameAsDocument(const QByteArray& bytes) {
    SCOPED_TRACE(bytes.left(200).toStdString());
    std::string document_error;
    const std::vector<Group> expected = ReadWithDocument(bytes, document_error);
    const std::string path = Write(bytes);
    try {
      TScriptReader reader(path);
      EXPECT_EQ(document_error, "");
      EXPECT_EQ(reader.GroupCount(), static_cast<int>(expected.size()));
      std::vector<Group> read;
      TScriptGroup group;
      while (reader.NextGroup(group)) {
        Group& copy = read.emplace_back(Group{Read(group.element), {}});
        for (const TScriptElement& statement : group.statements)
          copy.statements.push_back(Read(statement));
      }
      EXPECT_EQ(read, expected);
    } catch (const EScriptFileError& error) {
      const std::string message = error.what();
      if (document_error == "no SCRIPTS")
        EXPECT_EQ(message, Ansi("В файле скрипта нет элемента SCRIPTS: ") + path);
      else
        EXPECT_EQ(message, Ansi("Ошибка в файле скрипта ") + path + ", " + document_error);
    }
  }

  QTemporaryDir dir_;
};

TEST_F(ScriptReaderTest, GroupsStatementsAndTextsAreThoseOfTheDocument) {
  const char* documents[] = {
      "<SCRIPTS><G CONDITION=\"EXIST_TABLE(T);\"><S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\" 1 \">"
      "INSERT INTO T VALUES (1)</S><S2>COMMIT</S2></G><EMPTY/></SCRIPTS>",
      // Blank text is no node; a CDATA section, a comment and a processing
      // instruction are, and the first node decides.
      "<SCRIPTS>\n  <G>\n    <S>\n   </S>\n    <S>  <![CDATA[ A < B ]]>  rest</S>\n"
      "    <S><!-- note -->SELECT 1</S><S><?pi data?>x</S><S><![CDATA[  ]]>y</S>\n  </G>\n"
      "</SCRIPTS>",
      // Entities and character references are part of the text node.
      "<SCRIPTS><G><S>WHERE A &lt; 5 AND B &gt; 'x&amp;y' AND C = &#65;&#x42;</S></G></SCRIPTS>",
      // A document type without an internal subset declares nothing.
      "<!DOCTYPE SCRIPTS SYSTEM \"scripts[1].dtd\"><SCRIPTS><G><S>SELECT 1</S></G></SCRIPTS>",
      // An element first: the statement is empty; nested text is no text.
      "<SCRIPTS><G><S><X>inner</X>after</S><S/><S></S></G></SCRIPTS>",
      // Comments and text between groups and statements are not groups.
      "<?xml version=\"1.0\"?><!-- head --><SCRIPTS>text<!-- c --><G>t<S>1</S><!-- c --></G>"
      "<?pi x?></SCRIPTS><!-- tail -->",
      // Prefixed names are names like any other.
      "<SCRIPTS><a:G b:X=\"1\"><c:S>SELECT 2</c:S></a:G></SCRIPTS>",
      "<SCRIPTS/>",
  };
  for (const char* document : documents) ExpectSameAsDocument(QByteArray(document));
}

TEST_F(ScriptReaderTest, Windows1251FilesGiveTheSameAnsiTexts) {
  const std::string russian = Ansi("Справочник «Книги» — ёЁ");
  const QByteArray bytes =
      QByteArray("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<SCRIPTS><") +
      QByteArray::fromStdString(Ansi("ГРУППА")) + " CONDITION=\"" +
      QByteArray::fromStdString(russian) + "\"><S>UPDATE T SET NAME = '" +
      QByteArray::fromStdString(russian) + "'</S></" + QByteArray::fromStdString(Ansi("ГРУППА")) +
      "></SCRIPTS>";
  ExpectSameAsDocument(bytes);
  TScriptReader reader(Write(bytes));
  TScriptGroup group;
  ASSERT_TRUE(reader.NextGroup(group));
  EXPECT_EQ(group.element.name, Ansi("ГРУППА"));
  EXPECT_EQ(group.element.Attribute("CONDITION"), russian);
  ASSERT_EQ(group.statements.size(), 1u);
  EXPECT_EQ(group.statements[0].text, "UPDATE T SET NAME = '" + russian + "'");
}

TEST_F(ScriptReaderTest, LongStatementsAndManyGroupsComeWhole) {
  // Longer than any buffer the reader fills at once.
  std::string statement = "INSERT INTO T VALUES ('";
  for (int i = 0; statement.size() < 70000; ++i) statement += "x &amp; y " + std::to_string(i);
  statement += "')";
  QByteArray bytes = "<SCRIPTS>";
  for (int g = 0; g < 20; ++g)
    bytes += QByteArray::fromStdString("<G N=\"" + std::to_string(g) + "\"><S>" + statement +
                                       "</S><S>SELECT " + std::to_string(g) + "</S></G>\n");
  bytes += "</SCRIPTS>";
  ExpectSameAsDocument(bytes);
}

// The file reaches the XML reader a kilobyte at a time: characters of two
// and three bytes split between two reads, at every offset, come whole.
TEST_F(ScriptReaderTest, CharactersSplitBetweenReadsComeWhole) {
  const std::string utf8_piece = "Книга — «Справочник» №€ ";
  for (int shift = 0; shift < 3; ++shift) {
    std::string text(static_cast<size_t>(shift), 'x');
    while (text.size() < 5000) text += utf8_piece;
    const QByteArray bytes = QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><SCRIPTS><G N=\"") +
                             QByteArray::fromStdString(text) + "\"><S>" +
                             QByteArray::fromStdString(text) + "</S></G></SCRIPTS>";
    ExpectSameAsDocument(bytes);
    TScriptReader reader(Write(bytes));
    TScriptGroup group;
    ASSERT_TRUE(reader.NextGroup(group));
    EXPECT_EQ(group.element.Attribute("N"), classlib::Utf8ToCp1251(text));
    ASSERT_EQ(group.statements.size(), 1u);
    EXPECT_EQ(group.statements[0].text, classlib::Utf8ToCp1251(text));
  }
}

TEST_F(ScriptReaderTest, AttributesKeepTheOrderTheFileWritesThemIn) {
  TScriptReader reader(Write("<SCRIPTS><G Z=\"1\" A=\"2\" M=\"3\"><S Q=\"4\" B=\"5\">x</S></G></SCRIPTS>"));
  TScriptGroup group;
  ASSERT_TRUE(reader.NextGroup(group));
  EXPECT_EQ(group.element.attributes, (Attributes{{"Z", "1"}, {"A", "2"}, {"M", "3"}}));
  EXPECT_EQ(group.statements.at(0).attributes, (Attributes{{"Q", "4"}, {"B", "5"}}));
  EXPECT_TRUE(group.element.HasAttribute("A"));
  EXPECT_FALSE(group.element.HasAttribute("a"));
  EXPECT_EQ(group.element.Attribute("none"), "");
  EXPECT_FALSE(reader.NextGroup(group));
  EXPECT_FALSE(reader.NextGroup(group));
}

TEST_F(ScriptReaderTest, BrokenFilesFailAsTheDocumentDidBeforeAnyGroupIsRead) {
  const char* documents[] = {
      "",
      "<SCRIPTS><G><S>x</G></SCRIPTS>",
      "<SCRIPTS><G/></SCRIPTS><MORE/>",
      "<SCRIPTS><G><S>unfinished",
      "<SCRIPTS><G><S>&undeclared;</S></G></SCRIPTS>",
      "<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><SCRIPTS/>",
      "<OTHER><G><S>SELECT 1</S></G></OTHER>",
      "<OTHER><G></OTHER>",  // the parse error wins over the missing SCRIPTS
  };
  for (const char* document : documents) ExpectSameAsDocument(QByteArray(document));
  // A fault near the end still fails before the first group is handed out.
  QByteArray late = "<SCRIPTS>";
  for (int g = 0; g < 1000; ++g) late += "<G><S>SELECT 1</S></G>\n";
  late += "<G></SCRIPTS>";
  ExpectSameAsDocument(late);
  EXPECT_THROW(TScriptReader reader(Write(late)), EScriptFileError);
}

// Qt's reader compares each attribute with every earlier one: an element
// past the bound is refused, naming the file and the element's line, before
// the reader has all of it; one at the bound (binary-column pairs) is read.
TEST_F(ScriptReaderTest, AnElementWithTooManyAttributesIsRefusedWithItsLine) {
  const auto file = [](int attributes) {
    QByteArray bytes = "<SCRIPTS>\n<!-- a=1 b=2 -->\n<G MOVE_BLOB=\"1\"";
    for (int i = 1; i < attributes; ++i)
      bytes += " BLOB_FIELD_" + QByteArray::number(i) + "=\"B" + QByteArray::number(i) + "\"";
    return bytes + "><S>x</S></G></SCRIPTS>";
  };
  const std::string path = Write(file(20000));
  try {
    TScriptReader reader(path);
    ADD_FAILURE() << "no error";
  } catch (const EScriptFileError& error) {
    EXPECT_EQ(std::string(error.what()), Ansi("Ошибка в файле скрипта ") + path +
                                             Ansi(", у элемента больше 2048 атрибутов (строка 3)"));
  }
  EXPECT_THROW(TScriptReader reader(Write(file(kMaxScriptAttributes + 1))), EScriptFileError);

  TScriptReader reader(Write(file(kMaxScriptAttributes)));
  TScriptGroup group;
  ASSERT_TRUE(reader.NextGroup(group));
  EXPECT_EQ(group.element.attributes.size(), static_cast<size_t>(kMaxScriptAttributes));
  EXPECT_EQ(group.element.Attribute("BLOB_FIELD_2047"), "B2047");
}

// The reader would add every default an ATTLIST of the internal subset
// declares, comparing each with every earlier one: a script file may have
// no internal subset, and is refused where it opens, at once. A quote in a
// processing instruction of the subset changes nothing.
TEST_F(ScriptReaderTest, ADocumentTypeWithAnInternalSubsetIsRefusedAtOnce) {
  QByteArray defaults = "<?xml version=\"1.0\"?>\n<!DOCTYPE SCRIPTS [\n<!ATTLIST G";
  for (int i = 0; i < 40000; ++i) defaults += " a" + QByteArray::number(i) + " CDATA 'x'";
  defaults += ">\n]>\n<SCRIPTS><G><S>SELECT 1</S></G></SCRIPTS>";
  const QByteArray instruction =
      "<!DOCTYPE SCRIPTS[<?x '?>]>\n<SCRIPTS><G" + QByteArray(" a=\"1\"").repeated(40000) +
      "><S>SELECT 1</S></G></SCRIPTS>";
  const QByteArray entity = "<!DOCTYPE SCRIPTS [<!ENTITY t \"BOOKS\">]><SCRIPTS><G><S>SELECT * "
                            "FROM &t;</S></G></SCRIPTS>";
  const struct {
    const QByteArray& bytes;
    int line;
  } cases[] = {{defaults, 2}, {instruction, 1}, {entity, 1}};
  for (const auto& c : cases) {
    const std::string path = Write(c.bytes);
    const auto started = std::chrono::steady_clock::now();
    try {
      TScriptReader reader(path);
      ADD_FAILURE() << "no error";
    } catch (const EScriptFileError& error) {
      EXPECT_EQ(std::string(error.what()),
                Ansi("Ошибка в файле скрипта ") + path +
                    Ansi(", объявление типа документа с внутренним подмножеством (<!DOCTYPE ... "
                         "[...]>) в файле скрипта не допускается (строка ") +
                    std::to_string(c.line) + ")");
      EXPECT_EQ(error.File(), path);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
  }
}

// A UTF-16 file whose statements hold Cyrillic letters: the low byte of
// "м" is "<", of "Т" a quote, of "н" "=", which a scanner of bytes took
// for markup and refused the file for too many attributes.
TEST_F(ScriptReaderTest, Utf16FilesWithCyrillicStatementsAreReadWhole) {
  const QString statement = QStringLiteral("UPDATE Т SET ИМЯ = 'м") + QString(3000, QChar(0x043D)) +
                            QStringLiteral("' WHERE ТИП = \"мнн\"");
  const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<SCRIPTS>\n"
                                      "<ГРУППА><S>") +
                       statement.toHtmlEscaped() +
                       QStringLiteral("</S></ГРУППА>\n<G УСЛОВИЕ=\"Т=н\"/>\n</SCRIPTS>\n");
  for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
    SCOPED_TRACE(QStringConverter::nameForEncoding(encoding));
    QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
    const QByteArray bytes = encoder(text);
    ExpectSameAsDocument(bytes);
    TScriptReader reader(Write(bytes));
    TScriptGroup group;
    ASSERT_TRUE(reader.NextGroup(group));
    EXPECT_EQ(group.element.name, Ansi("ГРУППА"));
    ASSERT_EQ(group.statements.size(), 1u);
    EXPECT_EQ(group.statements[0].text, AnsiOf(statement));
    ASSERT_TRUE(reader.NextGroup(group));
    EXPECT_EQ(group.element.Attribute(Ansi("УСЛОВИЕ")), Ansi("Т=н"));
  }
}

// A short file is read once: its groups come as it was, though it has
// changed since. (A long one is read again group by group, so that only one
// group is held: LongStatementsAndManyGroupsComeWhole.)
TEST_F(ScriptReaderTest, AShortFileIsReadOnce) {
  const std::string path = Write("<SCRIPTS><G N=\"1\"><S>SELECT 1</S></G><G/></SCRIPTS>");
  TScriptReader reader(path);
  Write("<SCRIPTS><OTHER/></SCRIPTS>");  // read again, it would give this
  EXPECT_EQ(reader.GroupCount(), 2);
  TScriptGroup group;
  ASSERT_TRUE(reader.NextGroup(group));
  EXPECT_EQ(group.element.Attribute("N"), "1");
  ASSERT_EQ(group.statements.size(), 1u);
  EXPECT_EQ(group.statements[0].text, "SELECT 1");
  ASSERT_TRUE(reader.NextGroup(group));
  EXPECT_EQ(group.element.name, "G");
  EXPECT_TRUE(group.statements.empty());
  EXPECT_FALSE(reader.NextGroup(group));

}

TEST_F(ScriptReaderTest, AFileThatCannotBeOpenedSaysSo) {
  const std::string path = dir_.filePath("missing.xml").toStdString();
  try {
    TScriptReader reader(path);
    ADD_FAILURE() << "no error";
  } catch (const EScriptFileError& error) {
    EXPECT_EQ(std::string(error.what()), Ansi("Не удалось открыть файл скрипта ") + path);
  }
}

}  // namespace
}  // namespace app::testing
