// The update parts run by other programs, with the fake programs as real
// child processes that report back through window messages and the registry.
#include "app/aux_programs.h"
#include "app/update_description.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "app/reg.h"
#include "app/run_process.h"
#include "app/tests/aux_programs_test_support.h"
#include "classlib/exceptions.h"
#include "classlib/format_settings.h"
#include "testing/scratch_folder.h"

namespace app {
namespace {

using testing::Ansi;
using testing::ChildProgramTest;
using testing::FakeReleaseDir;
using testing::UpdateDescription;

const std::string kNotFound = "The system cannot find the file specified.";

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string Canonical(const std::string& path) {
  return std::filesystem::canonical(path).string();
}

class ReferenceGroupTransfer : public ChildProgramTest {};

TEST_F(ReferenceGroupTransfer, EachItemStartsTheImportToolInItsFolderWithSevenArguments) {
  UpdateDescription xml(R"(<ROOT><SCHEMA_UPDATE>
      <ITEM DATA_FILE="Data\a.xml" SCHEMA_FILE="Schema\a.xsd" OBJECTS="R1,R2"/>
      <ITEM DATA_FILE="b.xml" SCHEMA_FILE="b.xsd" OBJECTS="R3"/>
    </SCHEMA_UPDATE></ROOT>)");
  ASSERT_TRUE(ImportReferenceGroups(view_, xml.UpdateElement()));

  const std::vector<testing::ProgramRun> runs = Runs();
  ASSERT_EQ(runs.size(), 2u);
  const std::string handle = std::to_string(receiver_->Handle());
  EXPECT_EQ(runs[0].program, "ImportFromXML.exe");
  EXPECT_EQ(Canonical(runs[0].cwd), Canonical(FakeReleaseDir() + "Utils"));
  EXPECT_EQ(runs[0].args, (std::vector<std::string>{
                              "LOGIN=Иванов", "PASSWORD=p w", "GROUP=Админы",
                              "XML_DATA=" + folder_.Path() + "/Data\\a.xml", "REF_NAMES=R1,R2",
                              "XML_SCHEMA=" + folder_.Path() + "/Schema\\a.xsd",
                              "WNDHANDLE=" + handle}));
  EXPECT_EQ(runs[1].args[3], "XML_DATA=" + folder_.Path() + "/b.xml");
  EXPECT_EQ(runs[1].args[4], "REF_NAMES=R3");

  EXPECT_EQ(view_.status, Ansi("импорт справочников"));
  EXPECT_EQ(view_.max, 100);
  EXPECT_TRUE(view_.details.empty());
  // The block source of the last item's messages is its own command line.
  // The program's path shows with one kind of slash.
  EXPECT_EQ(ChildCommandLine.rfind("\"" + LxDir + "Utils/ImportFromXML.exe\" LOGIN=", 0), 0u)
      << ChildCommandLine;
}

TEST_F(ReferenceGroupTransfer, ProgressOfEachItemMovesItsShareAndAnEarlierFailureFailsThePart) {
  SetScript("@1 progress 50;@2 error Нет файла данных;@3 progress 100");
  UpdateDescription xml(R"(<ROOT><SCHEMA_UPDATE>
      <ITEM DATA_FILE="1.xml"/><ITEM DATA_FILE="2.xml"/><ITEM DATA_FILE="3.xml"/>
    </SCHEMA_UPDATE></ROOT>)");

  // The last item succeeds; the second one's report still fails the part.
  EXPECT_FALSE(ImportReferenceGroups(view_, xml.UpdateElement()));
  ASSERT_EQ(Runs().size(), 3u);
  // 100 div 3 = 33 per item: half of the first is 16.5 (to even: 16), all of
  // the third 66 + 33.
  EXPECT_EQ(view_.positions, (std::vector<int>{0, 16, 99}));

  ASSERT_EQ(view_.details.size(), 7u);
  const std::string source = Ansi("Источник:") + "\"" + LxDir + "Utils/ImportFromXML.exe\" LOGIN=";
  EXPECT_EQ(view_.details[2].rfind(source, 0), 0u) << view_.details[2];
  EXPECT_NE(view_.details[2].find("XML_DATA=\"" + ProgramDir + "2.xml\""), std::string::npos);
  EXPECT_EQ(view_.details[4], Ansi("Нет файла данных"));
}

TEST_F(ReferenceGroupTransfer, CopiedTextIsAnErrorEvenWithoutItsTerminatingZero) {
  SetScript("@1 copydata Сбой импорта;@2 copyraw без нуля");
  UpdatePhase = upReferenceGroups;
  UpdateDescription xml(R"(<ROOT><SCHEMA_UPDATE><A/><B/></SCHEMA_UPDATE></ROOT>)");
  EXPECT_FALSE(ImportReferenceGroups(view_, xml.UpdateElement()));
  EXPECT_TRUE(HasLine(view_.details, Ansi("Сбой импорта")));
  EXPECT_TRUE(HasLine(view_.details, Ansi("без нуля")));
}

TEST_F(ReferenceGroupTransfer, NoItemsStartNothingAndFail) {
  UpdateDescription xml("<ROOT><SCHEMA_UPDATE/></ROOT>");
  EXPECT_FALSE(ImportReferenceGroups(view_, xml.UpdateElement()));
  EXPECT_TRUE(Runs().empty());
  EXPECT_EQ(view_.status, Ansi("импорт справочников"));
}

TEST_F(ReferenceGroupTransfer, AMissingToolIsLoggedWithTheSystemMessageAndTheNextItemsRun) {
  LxDir = folder_.Path() + "/nowhere/";
  UpdateDescription xml(R"(<ROOT><SCHEMA_UPDATE><A OBJECTS="X"/><B OBJECTS="Y"/></SCHEMA_UPDATE></ROOT>)");
  EXPECT_FALSE(ImportReferenceGroups(view_, xml.UpdateElement()));

  // One block per item, each naming the program and its arguments, but not
  // the password among them.
  ASSERT_EQ(view_.details.size(), 14u);
  const std::string source = Ansi("Источник:") + LxDir + "Utils/ImportFromXML.exe LOGIN=\"" +
                             LoginUserName + "\" PASSWORD=\"***\"";
  EXPECT_EQ(view_.details[2].rfind(source, 0), 0u) << view_.details[2];
  EXPECT_NE(view_.details[2].find("REF_NAMES=X "), std::string::npos);
  EXPECT_NE(view_.details[9].find("REF_NAMES=Y "), std::string::npos);
  EXPECT_EQ(view_.details[4], kNotFound);
}

TEST_F(ReferenceGroupTransfer, ClosingTheWindowEndsTheWaitForAProgramThatNeverEnds) {
  SetScript("@1 hang");
  UpdateDescription xml(R"(<ROOT><SCHEMA_UPDATE><A/><B/></SCHEMA_UPDATE></ROOT>)");
  // The window closes a moment after the program started.
  loop_.SetTimer(200, [this] { loop_.RequestQuit(); });

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ImportReferenceGroups(view_, xml.UpdateElement()));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // The second item never started; the first program is left running.
  const std::vector<testing::ProgramRun> runs = Runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(::kill(runs[0].pid, 0), 0);
  ::kill(runs[0].pid, SIGKILL);

  // A part that comes after the close starts nothing either.
  UpdateDescription settings(R"(<ROOT><CONFIG_UPDATE><I UPDATE_TYPE="1" TIME_PERCENT="1"/></CONFIG_UPDATE></ROOT>)");
  EXPECT_FALSE(UpdateSettings(view_, settings.UpdateElement()));
  EXPECT_EQ(Runs().size(), 1u);
}

class SettingsUpdate : public ChildProgramTest {
 protected:
  // A COMMAND attribute giving the fake program its window and script.
  static QString Command(const char* script) {
    return QString::fromUtf8("WNDHANDLE=&lt;HANDLE&gt; &quot;SCRIPT=") + QString::fromUtf8(script) +
           "&quot;";
  }
};

TEST_F(SettingsUpdate, EachTypeStartsItsProgramAndTheBarFollowsTheShares) {
  const QString xml = QString(R"(<ROOT><CONFIG_UPDATE>
      <I UPDATE_TYPE="1" TIME_PERCENT="10,5" INFO_STRING="Первый" COMMAND="%1"/>
      <I UPDATE_TYPE="0" TIME_PERCENT="20" INFO_STRING="Второй" COMMAND="/ini:&lt;CURDIR&gt;list.ini"
         INI_FILE=" a;;b; " INI_FILE_NAME="&lt;CURDIR&gt;list.ini"/>
      <I UPDATE_TYPE="%2" TIME_PERCENT="5" INFO_STRING="Третий" COMMAND="x  y"/>
    </CONFIG_UPDATE></ROOT>)")
                          .arg(Command("progress 100;copydata Шаг 1"),
                               QString::fromStdString(FakeReleaseDir() + "Utils/ImportFromXML.exe"));
  UpdateDescription description(xml);
  UpdatePhase = upSettings;
  ASSERT_TRUE(UpdateSettings(view_, description.UpdateElement()));

  const std::vector<testing::ProgramRun> runs = Runs();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].program, "Pontarex.exe");
  EXPECT_EQ(Canonical(runs[0].cwd), Canonical(FakeReleaseDir() + "Bin"));
  EXPECT_EQ(runs[1].program, "PConfig.exe");
  EXPECT_EQ(Canonical(runs[1].cwd), Canonical(FakeReleaseDir() + "Manager"));
  EXPECT_EQ(runs[1].args, std::vector<std::string>{"/ini:" + folder_.Path() + "/list.ini"});
  EXPECT_EQ(runs[2].program, "ImportFromXML.exe");
  EXPECT_EQ(runs[2].args, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(platform::scratch::ReadWholeFile(folder_.Path() + "/list.ini"), "a\r\n\r\nb\r\n");

  // Total 35.5 makes the maximum 36 (halves to even); the first program's
  // 100 % of 10.5 and each item's end land on the rounded sums.
  EXPECT_EQ(view_.max, 36);
  EXPECT_EQ(view_.positions, (std::vector<int>{0, 10, 10, 30, 36}));
  // During the settings update copied text is the status line.
  EXPECT_EQ(view_.statuses, Ansi({"Первый", "Шаг 1", "Второй", "Третий"}));
  EXPECT_TRUE(view_.details.empty());
}

TEST_F(SettingsUpdate, EachFailureIsLoggedForItsOwnItemOnly) {
  const QString xml = QString(R"(<ROOT><CONFIG_UPDATE>
      <I UPDATE_TYPE="1" TIME_PERCENT="1" COMMAND="%1"/>
      <I UPDATE_TYPE="1" TIME_PERCENT="1" COMMAND="%2"/>
      <I UPDATE_TYPE="1" TIME_PERCENT="1" COMMAND="%3"/>
    </CONFIG_UPDATE></ROOT>)")
                          .arg(Command("regerror Нет доступа к ключу;result 0"),
                               Command("result 2;error Сбой настройки"), Command("result 0"));
  UpdateDescription description(xml);
  UpdatePhase = upSettings;
  EXPECT_FALSE(UpdateSettings(view_, description.UpdateElement()));
  ASSERT_EQ(Runs().size(), 3u);

  const std::string pontarex = "\"" + PtxDir + "Bin/Pontarex.exe\" WNDHANDLE=";
  const std::vector<std::string> expected = Ansi({
      // item 1: the registry value, although the program reported success
      "/*", "Операция:", "Источник:", "Ошибка:", "Ошибка при обновлении настроек:",
      "Нет доступа к ключу", "------------------------------------------------", "*/",
      // item 2: its result, its error text and the item's failure
      "/*", "Операция:", "Источник:элемент обновления конфигурации #2", "Ошибка:",
      "ошибка переноса данных", "------------------------------------------------", "*/",
      "/*", "Операция:", "@", "Ошибка:", "Сбой настройки",
      "------------------------------------------------", "*/",
      "/*", "Операция:", "Источник:", "Ошибка:", "Ошибка при обновлении настроек",
      "------------------------------------------------", "*/"});
  ASSERT_EQ(view_.details.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (expected[i] == "@")
      EXPECT_EQ(view_.details[i].rfind(Ansi("Источник:") + pontarex, 0), 0u) << view_.details[i];
    else
      EXPECT_EQ(view_.details[i], expected[i]) << "line " << i;
  }
  // The registry value went before the next program started.
  EXPECT_FALSE(RegKeyExists(platform::HKEY_CURRENT_USER, kChildMessagesKey));
}

TEST_F(SettingsUpdate, AListFileThatCannotBeWrittenOrAShareThatIsNoNumberRaises) {
  UpdateDescription no_folder(R"(<ROOT><CONFIG_UPDATE>
      <I UPDATE_TYPE="0" TIME_PERCENT="1" INI_FILE="a" INI_FILE_NAME="&lt;CURDIR&gt;no\such\list.ini"/>
    </CONFIG_UPDATE></ROOT>)");
  EXPECT_THROW(UpdateSettings(view_, no_folder.UpdateElement()), classlib::EInOutError);

  UpdateDescription bad_share(R"(<ROOT><CONFIG_UPDATE>
      <I UPDATE_TYPE="1" TIME_PERCENT="1"/><I UPDATE_TYPE="1" TIME_PERCENT="много"/>
    </CONFIG_UPDATE></ROOT>)");
  // The share is read before anything starts, and the error names the item.
  try {
    UpdateSettings(view_, bad_share.UpdateElement());
    ADD_FAILURE() << "a share that is no number was accepted";
  } catch (const EUpdateDescriptionError& error) {
    EXPECT_NE(std::string(error.what()).find(Ansi("TIME_PERCENT \"много\" элемента I (строка 2)")),
              std::string::npos)
        << error.what();
  }
  EXPECT_TRUE(Runs().empty());
}

TEST(ItemTimePercent, CommasAreDecimalSeparatorsWhateverTheSystemUses) {
  classlib::TFormatSettings& settings = classlib::FormatSettings();
  const char saved = settings.DecimalSeparator;
  settings.DecimalSeparator = '.';
  EXPECT_DOUBLE_EQ(ItemTimePercent("12,5"), 12.5);
  EXPECT_DOUBLE_EQ(ItemTimePercent("12.5"), 12.5);
  settings.DecimalSeparator = ',';
  EXPECT_DOUBLE_EQ(ItemTimePercent("12,5"), 12.5);
  EXPECT_THROW(ItemTimePercent("12.5"), classlib::EConvertError);
  settings.DecimalSeparator = saved;
}

}  // namespace
}  // namespace app
