#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QTreeView>
#include <QDialog>
#include <QGroupBox>
#include <QTableWidget>
#include <QTimer>
#include <QMessageBox>
#include <QTranslator>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "app/program.h"
#include "classlib/codepage.h"
#include "product_environment.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

TEST_F(WindowTest, StartsOnTheFirstPageWithNoKindChosen) {
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Обновление данных"));
  EXPECT_EQ(window.size(), QSize(kClientWidth, kClientHeight));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());  // a fixed border
  EXPECT_EQ(window.pcMain->currentIndex(), 0);
  EXPECT_EQ(window.pcMain->tabText(0), QStringLiteral("Выбор базы"));
  EXPECT_EQ(window.pcMain->tabText(1), QStringLiteral("Выбор пользователя"));
  EXPECT_EQ(window.pcMain->tabText(2), QStringLiteral("Обновление"));
  EXPECT_TRUE(window.pcMain->isTabVisible(0));
  EXPECT_FALSE(UserTabShown());
  EXPECT_FALSE(window.pcMain->isTabEnabled(1));
  EXPECT_FALSE(UpdateTabShown());
  EXPECT_FALSE(window.pcMain->isTabEnabled(2));

  ASSERT_EQ(window.cbDBType->count(), 3);
  EXPECT_EQ(window.cbDBType->itemText(0), QStringLiteral("FIREBIRD"));
  EXPECT_EQ(window.cbDBType->itemText(1), QStringLiteral("MSSQL"));
  EXPECT_EQ(window.cbDBType->itemText(2), QStringLiteral("ORACLE"));
  EXPECT_EQ(window.cbDBType->currentIndex(), -1);
  EXPECT_EQ(window.PrevDBTypeIndex, -1);
  EXPECT_EQ(window.ConnParams.Count(), 0u);
  EXPECT_FALSE(window.BDConnectionBackup.Saved());

  for (QWidget* control : {static_cast<QWidget*>(window.lDBType), static_cast<QWidget*>(window.cbDBType),
                           static_cast<QWidget*>(window.btnConfigConnection),
                           static_cast<QWidget*>(window.btnCheckConnection)})
    EXPECT_TRUE(control->isEnabled()) << control->metaObject()->className();
  for (QWidget* control : std::initializer_list<QWidget*>{
           window.cbForDB, window.lUserName, window.eUserName, window.lPassword, window.ePassword,
           window.lServerName, window.cbServerName, window.lForDB, window.eForDB, window.btnFileDB})
    EXPECT_FALSE(control->isEnabled()) << control->metaObject()->className();
  EXPECT_EQ(window.ePassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(window.ePassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter), '*');
}

TEST_F(WindowTest, CheckErrorSwitchIsFoundInAnyCaseAtAnyPosition) {
  // The test program's command line holds "logCheckError" as its second word.
  EXPECT_TRUE(window.LogCheckErrors);
}

TEST_F(WindowTest, LaterPagesHoldTheirControlsInTheirStartingState) {
  EXPECT_EQ(window.LabeledEditParol->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(window.ButtonOK->isDefault());
  EXPECT_EQ(window.ButtonCancel->text(), QStringLiteral("Отмена"));
  EXPECT_EQ(window.ComboBoxUser->isEditable(), false);
  EXPECT_EQ(window.ComboBoxGroup->isEditable(), false);
  EXPECT_EQ(window.sbDetails->text(), QStringLiteral("Детали  >>"));
  EXPECT_FALSE(window.sbDetails->isEnabled());
  EXPECT_EQ(window.mDetails->height(), 0);
  EXPECT_TRUE(window.bbOpenDir->isHidden());
  EXPECT_TRUE(window.bbInstruction->isHidden());
  EXPECT_FALSE(window.bbExecute->isHidden());
  EXPECT_EQ(window.cbUpdateConf->text(), QStringLiteral("Обновление настроек ПОНТАРЕКС"));
}

TEST_F(WindowTest, FirebirdPicksAServerFromTheListAndBrowsesForAFile) {
  Choose("FIREBIRD");
  EXPECT_FALSE(window.cbServerName->isEditable());
  EXPECT_EQ(window.cbForDB->text(), QStringLiteral("Локальный сервер базы данных"));
  EXPECT_EQ(window.lForDB->text(), QStringLiteral("Файл базы данных:"));
  EXPECT_TRUE(window.cbForDB->isChecked());
  EXPECT_FALSE(window.cbForDB->isHidden());
  EXPECT_FALSE(window.cbServerName->isHidden());
  EXPECT_FALSE(window.lServerName->isHidden());
  EXPECT_FALSE(window.btnFileDB->isHidden());
  EXPECT_TRUE(window.btnFileDB->isEnabled());
  EXPECT_EQ(window.eForDB->geometry().right() + 1 + kFileButtonGap, window.btnFileDB->x());
  // A local server needs no server name.
  EXPECT_FALSE(window.cbServerName->isEnabled());
  EXPECT_TRUE(window.eUserName->isEnabled());
  EXPECT_TRUE(window.btnCheckConnection->isEnabled());

  window.cbForDB->setChecked(false);
  EXPECT_TRUE(window.cbServerName->isEnabled());
  EXPECT_TRUE(window.lServerName->isEnabled());
}

TEST_F(WindowTest, MssqlTakesAnyServerNameAndWindowsCredentials) {
  Choose("MSSQL");
  EXPECT_TRUE(window.cbServerName->isEditable());
  EXPECT_EQ(window.cbForDB->text(), QStringLiteral("Использовать учетные сведения ОС Windows"));
  EXPECT_EQ(window.lForDB->text(), QStringLiteral("Имя базы данных:"));
  EXPECT_FALSE(window.cbForDB->isChecked());
  EXPECT_FALSE(window.cbServerName->isHidden());
  EXPECT_TRUE(window.btnFileDB->isHidden());
  EXPECT_FALSE(window.btnFileDB->isEnabled());
  // Without the browse button the edit takes its room.
  EXPECT_EQ(window.eForDB->geometry().right(), window.btnFileDB->geometry().right());
  EXPECT_TRUE(window.cbServerName->isEnabled());
  EXPECT_TRUE(window.ePassword->isEnabled());

  window.cbForDB->setChecked(true);
  for (QWidget* control : std::initializer_list<QWidget*>{window.lUserName, window.eUserName,
                                                          window.lPassword, window.ePassword})
    EXPECT_FALSE(control->isEnabled());
  EXPECT_TRUE(window.cbServerName->isEnabled());
}

TEST_F(WindowTest, OracleNamesANetworkServiceOnly) {
  Choose("ORACLE");
  EXPECT_EQ(window.lForDB->text(), QStringLiteral("Сетевой сервис:"));
  EXPECT_TRUE(window.cbForDB->isHidden());
  EXPECT_TRUE(window.lServerName->isHidden());
  EXPECT_TRUE(window.cbServerName->isHidden());
  EXPECT_TRUE(window.btnFileDB->isHidden());
  EXPECT_TRUE(window.eUserName->isEnabled());
  EXPECT_TRUE(window.ePassword->isEnabled());
  EXPECT_TRUE(window.eForDB->isEnabled());
}

TEST_F(WindowTest, ChangingTheKindForgetsThePairsButChoosingItAgainDoesNot) {
  Choose("FIREBIRD");
  window.eForDB->setText("/data/x.fdb");
  window.ConnParams.SetValue("Extra", "1");
  window.cbDBTypeChange();  // the same kind once more
  EXPECT_EQ(window.ConnParams.GetValue("Extra"), "1");
  EXPECT_EQ(window.eForDB->text(), QStringLiteral("/data/x.fdb"));

  Choose("MSSQL");
  EXPECT_EQ(window.ConnParams.Count(), 0u);
  EXPECT_TRUE(window.eForDB->text().isEmpty());
  EXPECT_EQ(window.PrevDBTypeIndex, 1);

  window.cbDBType->setCurrentIndex(-1);
  EXPECT_FALSE(window.btnCheckConnection->isEnabled());
  EXPECT_FALSE(window.btnConfigConnection->isEnabled());
  EXPECT_FALSE(window.eUserName->isEnabled());
  EXPECT_FALSE(window.eForDB->isEnabled());
}

TEST_F(WindowTest, EveryChangeOnTheFirstPageHidesTheLaterPages) {
  Choose("MSSQL");
  // In an order that leaves each control enabled when its turn comes.
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"user name", [&] { QTest::keyClicks(window.eUserName, "a"); }},
      {"password", [&] { QTest::keyClicks(window.ePassword, "b"); }},
      {"server name", [&] { QTest::keyClicks(window.cbServerName, "s"); }},
      {"database", [&] { QTest::keyClicks(window.eForDB, "c"); }},
      {"local box", [&] { window.cbForDB->click(); }},
      {"dialog",
       [&] {
         data_link.edit = [](const QString& s) { return s + ";Extra=1"; };
         window.btnConfigConnection->click();
       }},
      {"kind", [&] { Choose("FIREBIRD"); }},
  };
  for (const auto& [name, change] : changes) {
    ShowAllPages();
    ASSERT_TRUE(UserTabShown());
    change();
    EXPECT_FALSE(UserTabShown()) << name;
    EXPECT_FALSE(window.pcMain->isTabEnabled(1)) << name;
    EXPECT_FALSE(UpdateTabShown()) << name;
  }
}

TEST_F(WindowTest, ChangesOnTheUserPageHideOnlyTheUpdatePage) {
  window.ComboBoxUser->addItems({"a", "b"});
  ShowAllPages();
  window.ComboBoxUser->setCurrentIndex(1);
  EXPECT_FALSE(UpdateTabShown());
  EXPECT_FALSE(window.pcMain->isTabEnabled(2));
  EXPECT_TRUE(UserTabShown());

  ShowAllPages();
  QTest::keyClicks(window.LabeledEditParol, "x");
  EXPECT_FALSE(UpdateTabShown());
}

TEST_F(WindowTest, ServerListIsFilledOnceWhenItFirstDropsDown) {
  servers.names = {"alpha", "beta"};
  Choose("FIREBIRD");
  window.cbForDB->setChecked(false);
  window.ParseConnectionString("Location=beta:C:\\db.fdb");
  ASSERT_EQ(window.cbServerName->currentText(), QStringLiteral("beta"));

  window.cbServerName->showPopup();
  window.cbServerName->hidePopup();
  EXPECT_EQ(servers.calls, 1);
  EXPECT_TRUE(window.ServerListFilled);
  EXPECT_EQ(window.cbServerName->count(), 2);
  // The name chosen before stays chosen in the new list.
  EXPECT_EQ(window.cbServerName->currentText(), QStringLiteral("beta"));

  window.cbServerNameDropDown();
  EXPECT_EQ(servers.calls, 1);
}

TEST_F(WindowTest, AFailingServerWalkKeepsTheNamesFoundSoFar) {
  servers.names = {"alpha", "beta", "gamma"};
  servers.fail_after = 2;
  Choose("MSSQL");
  window.cbServerName->setEditText("typed");
  window.cbServerNameDropDown();
  EXPECT_EQ(window.cbServerName->count(), 2);
  EXPECT_EQ(window.cbServerName->currentText(), QStringLiteral("typed"));

  servers.names.clear();
  TfrmUpdate empty_list;
  empty_list.SetServerList(&servers);
  empty_list.cbServerNameDropDown();
  EXPECT_FALSE(empty_list.ServerListFilled);  // an empty walk is tried again
}

// Browsing starts where the typed file lies, or else in the product's
// folder, never in the folder the program was started from.
TEST_F(WindowTest, BrowseStartsInTheFolderOfTheTypedFileOrElseTheProducts) {
  ProductEnvironment product;
  ProductInstallation installation;
  installation.lexarium_dir = product.File("lx");
  std::filesystem::create_directories(installation.lexarium_dir);
  WriteProductRegistry(installation);
  const std::string typed_folder = product.File("db");
  std::filesystem::create_directories(typed_folder);

  Choose("FIREBIRD");
  window.eForDB->setText(QString::fromStdString(typed_folder + "/old.fdb"));
  files.answer = "/srv/db/new.fdb";
  window.btnFileDB->click();
  EXPECT_EQ(files.initial_dir, QString::fromStdString(typed_folder + "/"));
  EXPECT_EQ(files.file_name, QStringLiteral("old.fdb"));
  EXPECT_EQ(files.default_ext, QStringLiteral("*.fdb"));
  EXPECT_EQ(files.filter, QStringLiteral("Файл базы данных (*.fdb)|*.fdb|Все файлы|*.*"));
  EXPECT_EQ(window.eForDB->text(), QStringLiteral("/srv/db/new.fdb"));

  for (const char* typed : {"C:\\base\\x.fdb", "x.fdb", ""}) {
    window.eForDB->setText(typed);
    files.answer.clear();  // cancelled
    window.btnFileDB->click();
    EXPECT_EQ(files.initial_dir, QString::fromStdString(installation.lexarium_dir + "/")) << typed;
    EXPECT_EQ(window.eForDB->text(), QString::fromUtf8(typed));
  }
}

// The dialog the window really shows opens in the typed file's folder and
// writes folder types, sizes and dates in the window's language.
TEST_F(WindowTest, TheFileDialogListsFilesInTheWindowsLanguage) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder.File("sub"));
  std::ofstream(folder.File("data.fdb"), std::ios::binary) << std::string(5000, 'x');
  window.SetFileOpenDialog(nullptr);
  Choose("FIREBIRD");
  window.eForDB->setText(QString::fromStdString(folder.File("old.fdb")));

  QString directory;
  std::map<QString, QStringList> rows;  // name -> size, type, date
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    directory = dialog->directory().absolutePath();
    QTreeView* view = ListedFiles(*dialog, 2);
    ASSERT_NE(view, nullptr);
    const QAbstractItemModel& model = *view->model();
    for (int row = 0; row < model.rowCount(view->rootIndex()); ++row) {
      QStringList columns;
      for (int column = 1; column < 4; ++column)
        columns << model.index(row, column, view->rootIndex()).data().toString();
      rows[model.index(row, 0, view->rootIndex()).data().toString()] = columns;
    }
    dialog->reject();
  });
  window.btnFileDB->click();

  EXPECT_EQ(directory, QString::fromStdString(folder.Path()));
  ASSERT_EQ(rows.count("sub"), 1u);
  ASSERT_EQ(rows.count("data.fdb"), 1u);
  EXPECT_EQ(rows["sub"][1], QStringLiteral("Папка"));
  EXPECT_EQ(rows["data.fdb"][0], QStringLiteral("4,88 кБ"));
  const QDateTime modified = QFileInfo(QString::fromStdString(folder.File("data.fdb"))).lastModified();
  EXPECT_EQ(rows["data.fdb"][2],
            QLocale(QLocale::Russian, QLocale::Russia).toString(modified, QLocale::ShortFormat));
}

TEST_F(WindowTest, DialogPairsSurviveLaterEditsOfThePage) {
  Choose("ORACLE");
  window.eUserName->setText("scott");
  data_link.edit = [](const QString& s) { return s + ";Extra=kept"; };
  window.btnConfigConnection->click();
  EXPECT_TRUE(data_link.received.startsWith("Provider=OraOLEDB.Oracle.1;User Id=scott"));
  EXPECT_EQ(window.eUserName->text(), QStringLiteral("scott"));

  window.eUserName->setText("tiger");
  const std::string text = window.BuildConnectionString();
  EXPECT_NE(text.find("User Id=tiger"), std::string::npos);
  EXPECT_NE(text.find(";Extra=kept"), std::string::npos);
}

// The connection dialog the window really shows: the first page's password
// is in no text on it.
TEST_F(WindowTest, TheConnectionDialogNeverShowsThePasswordInClear) {
  window.SetDataLinkDialog(nullptr);
  Choose("MSSQL");
  window.eUserName->setText("sa");
  window.ePassword->setText(QStringLiteral("Секрет42"));
  QStringList shown;
  QTimer::singleShot(0, [&shown] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    for (auto* table : dialog->findChildren<QTableWidget*>())
      for (int row = 0; row < table->rowCount(); ++row)
        for (int column = 0; column < table->columnCount(); ++column)
          if (const QTableWidgetItem* item = table->item(row, column)) shown << item->text();
    for (auto* edit : dialog->findChildren<QLineEdit*>()) shown << edit->displayText();
    for (auto* label : dialog->findChildren<QLabel*>()) shown << label->text();
    shown << dialog->windowTitle();
    static_cast<QDialog*>(dialog)->reject();
  });
  window.btnConfigConnection->click();
  ASSERT_TRUE(shown.contains(QStringLiteral("Password")));
  EXPECT_TRUE(shown.contains(QStringLiteral("********")));
  for (const QString& text : shown)
    EXPECT_FALSE(text.contains(QStringLiteral("Секрет42"))) << text.toStdString();
  EXPECT_EQ(window.ePassword->text(), QStringLiteral("Секрет42"));
}

TEST_F(WindowTest, AnUnchangedDialogLeavesThePagesAsTheyWere) {
  Choose("ORACLE");
  ShowAllPages();
  window.pcMain->setCurrentIndex(0);
  window.btnConfigConnection->click();  // returns the string unchanged
  EXPECT_TRUE(UserTabShown());
  EXPECT_TRUE(UpdateTabShown());
}

TEST_F(WindowTest, ProgressViewDrivesTheThirdPage) {
  window.SetProgressRange(0, 200);
  MoveProgress(window, 50.5);
  EXPECT_EQ(window.pbCondition->value(), 50);  // the half goes to the even neighbour
  window.SetStatusText(classlib::Utf8ToCp1251("Копирование"));
  EXPECT_EQ(window.lInfo->text(), QStringLiteral("Копирование"));
  window.AddDetailLine("one");
  window.AddDetailLine("");
  window.AddDetailLine("three");
  EXPECT_EQ(window.DetailLines(), (std::vector<std::string>{"one", "", "three"}));
  window.ClearDetails();
  EXPECT_TRUE(window.DetailLines().empty());
  window.SetStateImage(upSettings, siFailed);
  EXPECT_EQ(window.StateImage(upSettings), siFailed);
  EXPECT_EQ(window.StateImage(upDatabase), siNotRun);
}

}  // namespace
}  // namespace app::testing

namespace app::testing {
namespace {

// Standard buttons and dialogs speak the program's language.
TEST(QtTranslations, StandardButtonsSayYesAndNoInRussian) {
  QTranslator translator;
  LoadQtTranslations(translator);
  EXPECT_FALSE(translator.isEmpty());
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove('&'), QStringLiteral("Да"));
  EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), QStringLiteral("Нет"));
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), QStringLiteral("Отмена"));
  QCoreApplication::removeTranslator(&translator);
}

}  // namespace
}  // namespace app::testing
