// The streaming reader of script files against the document model it
// replaced: the same groups, statements, names, attribute values, statement
// texts and error messages for the same bytes, and the attributes in the
// order the file writes them.
#include "app/script_reader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/qt_text.h"
#include "app/script_attribute_guard.h"
#include "app/script_file.h"
#include "classlib/codepage.h"
#include "testing/scratch_folder.h"

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
// changed since. (A long one too: ALongFileIsReadOnceAndLeavesNoFileBehind.)
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

// A file longer than the groups kept in memory is read once as well: its
// groups wait in a temporary file that has no name, so nothing is left in
// the temporary folder, not even while the file is read.
TEST_F(ScriptReaderTest, ALongFileIsReadOnceAndLeavesNoFileBehind) {
  const QString temp = dir_.filePath("temp");
  ASSERT_TRUE(QDir().mkpath(temp));
  platform::scratch::ScopedEnv temp_folder("TMPDIR", temp.toStdString());
  const auto statement = [](int g) {
    return "INSERT INTO T VALUES (" + std::to_string(g) + Ansi(", 'Книга №") + std::to_string(g) + "')";
  };
  QByteArray bytes = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<SCRIPTS>\n";
  constexpr int kGroups = 3000;
  for (int g = 0; g < kGroups; ++g)
    bytes += QByteArray::fromStdString("<G N=\"" + std::to_string(g) + "\"><S>" + statement(g) +
                                       "</S><S LOG_ERROR=\"1\"/></G>\n");
  bytes += "</SCRIPTS>\n";
  ASSERT_GT(bytes.size(), 2 * 64 * 1024);
  const std::string path = Write(bytes);
  TScriptReader reader(path);
  Write("<SCRIPTS><OTHER/></SCRIPTS>");  // read again, it would give this
  EXPECT_EQ(reader.GroupCount(), kGroups);
  EXPECT_TRUE(QDir(temp).isEmpty());
  TScriptGroup group;
  int g = 0;
  for (; reader.NextGroup(group); ++g) {
    ASSERT_EQ(group.element.Attribute("N"), std::to_string(g));
    ASSERT_EQ(group.statements.size(), 2u);
    ASSERT_EQ(group.statements[0].text, statement(g));
    ASSERT_EQ(group.statements[1].Attribute("LOG_ERROR"), "1");
    ASSERT_EQ(group.statements[1].text, "");
  }
  EXPECT_EQ(g, kGroups);
  EXPECT_FALSE(reader.NextGroup(group));
}

// Where the groups cannot wait (a temporary folder that is missing or is a
// file), the file is refused before its first statement runs, naming the
// file and the folder.
TEST_F(ScriptReaderTest, GroupsThatCannotWaitInTheTemporaryFolderRefuseTheFile) {
  QByteArray bytes = "<SCRIPTS>";
  for (int g = 0; g < 5000; ++g) bytes += "<G><S>SELECT 1 FROM RDB$DATABASE</S></G>\n";
  bytes += "</SCRIPTS>";
  const std::string path = Write(bytes);
  const QString a_file = QString::fromStdString(path);
  for (const QString& folder : {dir_.filePath("no-such-folder"), a_file}) {
    SCOPED_TRACE(folder.toStdString());
    platform::scratch::ScopedEnv temp_folder("TMPDIR", folder.toStdString());
    try {
      TScriptReader reader(path);
      ADD_FAILURE() << "no error";
    } catch (const EScriptFileError& error) {
      EXPECT_EQ(error.File(), path);
      EXPECT_TRUE(std::string(error.what())
                      .starts_with(Ansi("Не удалось сохранить прочитанный файл скрипта ") + path +
                                   Ansi(" во временной папке ") + folder.toStdString() + ": "))
          << error.what();
    }
  }
}

// Files that hide an element's attributes from a reading of their bytes:
// each declares an encoding in which the "=" of 40 000 attributes are no
// ASCII "=" bytes, or in which the markup around them is other than the
// bytes suggest. The reader's comparison of each attribute with every
// earlier one took seconds on them; they are refused at once.
QByteArray ManyAttributes(int count, const QByteArray& equals_one) {
  QByteArray attributes;
  for (int i = 0; i < count; ++i) attributes += " A" + QByteArray::number(i) + equals_one;
  return attributes;
}

QByteArray Utf7HiddenEquals(int count) {
  // "+AD0AIgAxACI-" is UTF-7 for the four characters ="1"
  return "<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n<SCRIPTS>\n<G" +
         ManyAttributes(count, "+AD0AIgAxACI-") +
         "><S>CREATE TABLE NEVER_MADE (ID INTEGER)</S></G>\n</SCRIPTS>\n";
}

// A comment opening made of the two bytes of a JIS character each.
QByteArray Iso2022JpHiddenElement(int count) {
  return "<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?>\n<SCRIPTS>\x1B$B<!--\x1B(B\n<G" +
         ManyAttributes(count, "=\"1\"") + "><S>CREATE TABLE NEVER_MADE (ID INTEGER)</S></G>\n</SCRIPTS>\n";
}

// `lead` and "]" make one character: the "]]>" a byte scanner sees is no
// end of the CDATA section, and the "<!--" inside it no comment.
QByteArray DoubleByteHiddenElement(const char* encoding, char lead, int count) {
  return QByteArray("<?xml version=\"1.0\" encoding=\"") + encoding +
         "\"?>\n<SCRIPTS><G><S><![CDATA[" + lead + "]]><!--]]></S></G>\n<G" +
         ManyAttributes(count, "=\"1\"") + "><S>CREATE TABLE NEVER_MADE (ID INTEGER)</S></G>\n</SCRIPTS>\n";
}

// The declaration in one code page, the rest in another.
QByteArray SwitchedEncoding(const char* declared, QStringConverter::Encoding head_encoding,
                            const char* body_encoding, int count) {
  QStringEncoder head(head_encoding);
  QStringEncoder body(body_encoding);
  const QString rest = "\n<SCRIPTS><G" + QString::fromLatin1(ManyAttributes(count, "=\"1\"")) +
                       "><S>CREATE TABLE NEVER_MADE (ID INTEGER)</S></G></SCRIPTS>\n";
  return QByteArray(head(QString("<?xml version=\"1.0\" encoding=\"") + declared + "\"?>")) +
         QByteArray(body(rest));
}

TEST_F(ScriptReaderTest, DeclaredEncodingsHideNoAttributesFromTheBound) {
  constexpr int kAttributes = 40000;
  const struct {
    const char* name;
    QByteArray bytes;
    const char* body_encoding;  // the one that shows the attributes
    int line;                   // of the refused element; 0: refused as no document
  } cases[] = {
      {"UTF-7", Utf7HiddenEquals(kAttributes), "UTF-7", 3},
      {"ISO-2022-JP", Iso2022JpHiddenElement(kAttributes), "ISO-2022-JP", 3},
      {"GBK", DoubleByteHiddenElement("GBK", '\x81', kAttributes), "GBK", 3},
      {"Big5", DoubleByteHiddenElement("Big5", '\xA4', kAttributes), "Big5", 3},
      {"Shift_JIS", DoubleByteHiddenElement("Shift_JIS", '\x81', kAttributes), "Shift_JIS", 3},
      // The whole file is decoded as declared: its declaration comes out as
      // other characters, and the reader finds no document there.
      {"IBM037 after a declaration in ASCII",
       SwitchedEncoding("IBM037", QStringConverter::Latin1, "IBM037", kAttributes), "IBM037", 0},
      {"UTF-16 without a byte-order mark, declared in the other byte order",
       SwitchedEncoding("UTF-16BE", QStringConverter::Utf16LE, "UTF-16BE", kAttributes), "UTF-16BE",
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QStringDecoder decoder(c.body_encoding);
    EXPECT_TRUE(decoder(c.bytes).operator QString().contains(
        QString(" A%1=\"1\"").arg(kAttributes - 1)));
    const std::string path = Write(c.bytes);
    const auto started = std::chrono::steady_clock::now();
    try {
      TScriptReader reader(path);
      ADD_FAILURE() << "no error";
    } catch (const EScriptFileError& error) {
      const std::string message = error.what();
      if (c.line != 0) {
        EXPECT_EQ(message, Ansi("Ошибка в файле скрипта ") + path +
                               Ansi(", у элемента больше 2048 атрибутов (строка ") +
                               std::to_string(c.line) + ")");
      }
      EXPECT_TRUE(message.starts_with(Ansi("Ошибка в файле скрипта ") + path + ", ")) << message;
    }
    // The reader took seconds on each, comparing every attribute with
    // every earlier one.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  }
}

// Valid files in those encodings are read as the document model reads them,
// though their bytes hold "<" and "=" where their characters do not: a
// JIS character is two bytes of ASCII.
TEST_F(ScriptReaderTest, ValidFilesInStatefulEncodingsAreRead) {
  // "<A" and "=!" are two JIS characters each: 3 000 "=" bytes after a "<".
  const QByteArray jis_text = "\x1B$B<A" + QByteArray("=!").repeated(3000) + "\x1B(B";
  const QByteArray iso_2022_jp = "<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?>\n<SCRIPTS>\n<G N=\"" +
                                 jis_text + "\"><S>SELECT 1 FROM RDB$DATABASE /* " + jis_text +
                                 " */</S></G>\n</SCRIPTS>\n";
  ExpectSameAsDocument(iso_2022_jp);
  TScriptReader jis_reader(Write(iso_2022_jp));
  TScriptGroup group;
  ASSERT_TRUE(jis_reader.NextGroup(group));
  ASSERT_EQ(group.statements.size(), 1u);
  // The code page 1251 has no Japanese letters.
  EXPECT_EQ(group.statements[0].text, "SELECT 1 FROM RDB$DATABASE /* " + std::string(3001, '?') + " */");

  QStringEncoder utf7("UTF-7");
  const QString russian = QStringLiteral("Справочник «Книги» = ёЁ");
  const QByteArray utf7_bytes = utf7(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n"
                                                    "<SCRIPTS><ГРУППА УСЛОВИЕ=\"") +
                                     russian + QStringLiteral("\"><S>UPDATE T SET NAME = '") + russian +
                                     QStringLiteral("'</S></ГРУППА></SCRIPTS>"));
  ExpectSameAsDocument(utf7_bytes);
  TScriptReader utf7_reader(Write(utf7_bytes));
  ASSERT_TRUE(utf7_reader.NextGroup(group));
  EXPECT_EQ(group.element.name, Ansi("ГРУППА"));
  EXPECT_EQ(group.element.Attribute(Ansi("УСЛОВИЕ")), AnsiOf(russian));
  ASSERT_EQ(group.statements.size(), 1u);
  EXPECT_EQ(group.statements[0].text, "UPDATE T SET NAME = '" + AnsiOf(russian) + "'");
}

// An encoding that cannot be decoded is named; a declaration that is not
// as the XML grammar writes it is refused, since the reader might find an
// encoding in it that nothing else does.
TEST_F(ScriptReaderTest, DeclarationsThatCannotBeFollowedAreRefusedInRussian) {
  const struct {
    QByteArray bytes;
    const char* problem;
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><SCRIPTS/>",
       "кодировка \"no-such-encoding\" не поддерживается"},
      {"<?xml version='1.0' encoding='x-unknown'?>\n<SCRIPTS/>",
       "кодировка \"x-unknown\" не поддерживается"},
      {"<?xml version=\"1.0\" encoding=\"&#73;BM037\"?><SCRIPTS/>",
       "неверное объявление XML (<?xml ... ?>) в начале файла"},
      {"<?xml encoding=\"UTF-16BE\" version=\"1.0\"?><SCRIPTS/>",
       "неверное объявление XML (<?xml ... ?>) в начале файла"},
      {"<?XML version=\"1.0\"?><SCRIPTS/>", "неверное объявление XML (<?xml ... ?>) в начале файла"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"", "неверное объявление XML (<?xml ... ?>) в начале файла"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes.toStdString());
    const std::string path = Write(c.bytes);
    try {
      TScriptReader reader(path);
      ADD_FAILURE() << "no error";
    } catch (const EScriptFileError& error) {
      EXPECT_EQ(std::string(error.what()), Ansi("Ошибка в файле скрипта ") + path + ", " +
                                               Ansi(c.problem) + Ansi(" (строка 1)"));
      EXPECT_EQ(error.File(), path);
    }
  }
  // Declarations as the grammar writes them, and instructions that only
  // begin like one, are read.
  const char* documents[] = {
      "<?xml version = '1.0'\n encoding = \"windows-1251\"  standalone='yes' ?><SCRIPTS><G/></SCRIPTS>",
      "<?xml version=\"1.0\" standalone=\"no\"?><SCRIPTS/>",
      "<?xml-stylesheet href=\"a.xsl\"?><SCRIPTS><G/></SCRIPTS>",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
  };
  for (const char* document : documents) ExpectSameAsDocument(QByteArray(document));
}

}  // namespace
}  // namespace app::testing
