// The third page's smaller buttons and the run's answers that need no
// database: the details toggle, the instructions, the release folder, the
// confirmation and a part whose element is missing.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>

#include "app/run_state.h"
#include "app/details_log.h"
#include "app/shell_open.h"
#include "classlib/codepage.h"
#include "product_environment.h"
#include "update_run_support.h"

namespace app::testing {
namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

class RecordingShell : public IShellOpen {
 public:
  bool Open(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  std::vector<std::string> opened;
};

class UpdatePageTest : public WindowTest {
 protected:
  UpdatePageTest() {
    window.SetShellOpen(&shell);
    window.ShowUpdatePage();
    ProgramDir = product.ReleaseDir() + "/";
    LxDir = product.File("");
  }
  RecordingShell shell;
  ProductEnvironment product;
};

TEST_F(UpdatePageTest, TheDetailsToggleGrowsTheWindowAndStretchesTheList) {
  window.sbDetails->setEnabled(true);
  window.sbDetails->click();
  EXPECT_EQ(window.height(), 500 - 32);
  const int memo_top = window.sbDetails->geometry().bottom() + 1 + 7;
  EXPECT_EQ(window.mDetails->y(), memo_top);
  EXPECT_EQ(window.mDetails->geometry().bottom() + 1 + 9 +
                window.tsUpdate->mapTo(&window, QPoint(0, 0)).y(),
            window.height());
  window.sbDetails->click();
  EXPECT_EQ(window.height(), 230 - 32);
}

TEST_F(UpdatePageTest, TheInstructionsOpenWhenTheFileIsThereAndAreMissedOtherwise) {
  InfoFile = "Doc\\readme.txt";
  window.bbInstructionClick();
  ASSERT_EQ(boxes.shown.size(), 1u) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(boxes.shown[0].text, QString::fromStdString("Файл инструкции (" + ProgramDir +
                                                        "Doc\\readme.txt) не найден"));
  EXPECT_TRUE(shell.opened.empty());

  WriteReleaseFile(product.ReleaseDir() + "/Doc/readme.txt", "text");
  window.bbInstructionClick();
  EXPECT_EQ(shell.opened, std::vector<std::string>({ProgramDir + "Doc\\readme.txt"}));
  window.bbOpenDirClick();
  EXPECT_EQ(shell.opened.back(), ProgramDir);
  // Nothing makes the two buttons visible.
  EXPECT_FALSE(window.bbInstruction->isVisible());
  EXPECT_FALSE(window.bbOpenDir->isVisible());
}

TEST_F(UpdatePageTest, AnsweringNoLeavesEverythingAsItWas) {
  DBType = kFirebird;
  window.cbUpdateDB->setChecked(true);
  window.bbExecute->setEnabled(true);
  window.AddDetailLine("earlier");
  boxes.answers = {IDNO};
  window.bbExecute->click();
  ASSERT_EQ(boxes.shown.size(), 1u) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(boxes.shown[0].style, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  EXPECT_TRUE(window.bbExecute->isEnabled());
  EXPECT_EQ(window.DetailLines(), std::vector<std::string>({"earlier"}));
  EXPECT_EQ(window.StateImage(upDatabase), siNotRun);
}

// The final message sends the administrator to the details, so they say
// what the description lacks.
TEST_F(UpdatePageTest, APartWithoutItsElementFailsNamingItAndNoQuestionForTransfers) {
  ::app::UpdateDescription = TUpdateDescription::LoadFromBytes("<ROOT><DB_UPDATE/></ROOT>");
  window.cbUpdateConf->setChecked(true);
  window.bbExecute->setEnabled(true);
  boxes.answers = {IDYES};
  window.bbExecute->click();
  EXPECT_EQ(window.StateImage(upSettings), siFailed);
  const std::vector<std::string> details = window.DetailLines();
  ASSERT_EQ(details.size(), 7u);
  EXPECT_EQ(details[2], Ansi("Источник:") + product.ReleaseDir() + "/updcfg.xml");
  EXPECT_EQ(details[4], Ansi("В описании обновления нет раздела CONFIG_UPDATE"));
  EXPECT_TRUE(window.sbDetails->isEnabled());
  EXPECT_EQ(boxes.shown.back().caption, kErrorCaption);

  // Only the transfer: no question, and a missing element fails it too.
  boxes.shown.clear();
  window.cbUpdateConf->setChecked(false);
  window.cbUpdateXML->setChecked(true);
  window.bbExecute->setEnabled(true);
  window.bbExecute->click();
  ASSERT_EQ(boxes.shown.size(), 1u) << boxes.shown[0].text.toStdString();
  EXPECT_EQ(boxes.shown[0].caption, kErrorCaption);
  EXPECT_EQ(window.StateImage(upReferenceGroups), siFailed);
  EXPECT_EQ(window.DetailLines()[4], Ansi("В описании обновления нет раздела SCHEMA_UPDATE"));
  EXPECT_TRUE(window.sbDetails->isEnabled());

  // An element without items says so.
  ::app::UpdateDescription = TUpdateDescription::LoadFromBytes("<ROOT><SCHEMA_UPDATE/></ROOT>");
  window.bbExecute->setEnabled(true);
  window.bbExecute->click();
  EXPECT_EQ(window.DetailLines()[4], Ansi("Раздел SCHEMA_UPDATE описания обновления пуст"));
}

// A part that fails before its first step is logged under the part's own
// name, not under the last step of the part before it; once the run is over
// the status line says how it ended, not what ran last.
TEST_F(UpdatePageTest, EachPartLogsUnderItsOwnNameAndTheStatusLineSaysHowTheRunEnded) {
  ::app::UpdateDescription = TUpdateDescription::LoadFromBytes("<ROOT/>");
  DBType = kFirebird;
  window.SetStatusText(Ansi("заполнение BLOB-полей"));  // where the database part ended
  window.cbUpdateXML->setChecked(true);
  window.cbUpdateConf->setChecked(true);
  window.bbExecute->setEnabled(true);
  boxes.answers = {IDYES};
  window.bbExecute->click();

  std::vector<std::string> operations;
  for (const std::string& line : window.DetailLines())
    if (line.rfind(Ansi("Операция:"), 0) == 0) operations.push_back(line);
  EXPECT_EQ(operations, std::vector<std::string>({Ansi("Операция:импорт справочников"),
                                                  Ansi("Операция:обновление настроек ПОНТАРЕКС")}));
  EXPECT_EQ(window.lInfo->text(),
            QStringLiteral("Обновление данных завершено с ошибками. Отчет сохранен в файле ") +
                QString::fromStdString(DisplayPath(DetailsLogFileName())));
}

TEST_F(UpdatePageTest, AStepThatRaisesEndsTheRunWithTheErrorInTheDetailsAndTheLog) {
  // A SOURCE that is no number cannot be followed.
  ::app::UpdateDescription = TUpdateDescription::LoadFromBytes(
      "<ROOT><DB_UPDATE><I SUBD=\"MSSQL\" TIME_PERCENT=\"5\" SOURCE=\"SCRIPT\" "
      "FILENAME=\"a.xml\"/></DB_UPDATE></ROOT>");
  DBType = kMsSql;
  window.cbUpdateDB->setChecked(true);
  window.cbUpdateXML->setChecked(true);
  window.bbExecute->setEnabled(true);
  boxes.answers = {IDYES};
  window.bbExecute->click();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(window.StateImage(upReferenceGroups), siNotRun);  // the run ended
  EXPECT_TRUE(window.isEnabled());
  EXPECT_EQ(boxes.shown.back().caption, kErrorCaption);
  const std::string log = FileText(DetailsLogFileName());
  EXPECT_NE(log.find("Обновление прервано:\n"), std::string::npos) << log;
  EXPECT_NE(log.find("SCRIPT"), std::string::npos);
}

TEST_F(UpdatePageTest, ALogFileThatCannotBeWrittenIsReportedAsAFailure) {
  LxDir = product.File("missing/folder/");
  window.bbExecute->setEnabled(true);
  window.bbExecute->click();  // nothing checked: nothing runs, the log is saved
  EXPECT_EQ(boxes.shown.back().caption, kErrorCaption);
  const std::vector<std::string> details = window.DetailLines();
  ASSERT_GE(details.size(), 5u);
  EXPECT_EQ(details[2], classlib::Utf8ToCp1251("Источник:") + DetailsLogFileName());
  EXPECT_TRUE(window.isVisible());
}

}  // namespace
}  // namespace app::testing
