// A whole product installation around the real window, for runs of
// "Обновить" from the first page on: product database, registry keys,
// the two products' folders with the fake auxiliary programs, a release
// folder with its description, scripts and update library, and the
// environment the fake programs and library read their parts from.
#pragma once

#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/aux_messages.h"
#include "app/login_page.h"
#include "app/qt_message_loop.h"
#include "app/tests/aux_programs_test_support.h"
#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "product_environment.h"
#include "testing/scratch_folder.h"
#include "window_fixture.h"

namespace app::testing {

// One failure that is only logged, then a statement that still runs.
inline const char kDataScript[] = R"(<SCRIPTS>
  <DATA>
    <S STOP_ON_EXCEPTION="0" LOG_ERROR="1">INSERT INTO NO_SUCH_TABLE VALUES (1)</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO BOOKS (ID, TITLE) VALUES (2, 'Вторая книга')</S>
  </DATA>
</SCRIPTS>
)";

// The release of the full runs: the given database items, then a schema
// part and a settings part, from release 3.0 or 3.1 to 3.2.
inline std::string FullRunDescription(const std::string& db_items) {
  return R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.0;3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>)" + db_items + R"(
  </DB_UPDATE>
  <SCHEMA_UPDATE>
    <ITEM DATA_FILE="Data\groups.xml" SCHEMA_FILE="Data\groups.xsd" OBJECTS="Материалы"/>
  </SCHEMA_UPDATE>
  <CONFIG_UPDATE>
    <ITEM UPDATE_TYPE="1" COMMAND="WNDHANDLE=&lt;HANDLE&gt;" TIME_PERCENT="100" INFO_STRING="Настройки"/>
  </CONFIG_UPDATE>
</ROOT>
)";
}

// The last word of a run in which something failed.
inline const QString kRunFailedText = QStringLiteral(
    "В процессе обновления данных произошли ошибки. Для просмотра отчета нажмите кнопку "
    "\"Детали >>\"");

// The start of the last word of a run whose scripts went on past failing
// statements: done, but not clean.
inline const QString kDoneWithFailuresText =
    QStringLiteral("Обновление данных завершено, но при выполнении скриптов произошли ошибки (");
// How the last word of a run with failures ends.
inline const QString kSeeDetailsText =
    QStringLiteral("Для просмотра отчета нажмите кнопку \"Детали >>\"");

// Lines of a text file, without their line ends.
inline std::vector<std::string> FileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::string FileText(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A release file written in windows-1251 with its declaration.
inline void WriteReleaseFile(const std::string& path, const std::string& body_utf8) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary);
  out << "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n" << classlib::Utf8ToCp1251(body_utf8);
}

// A release of one script file (Scripts\data.xml) for the whole database
// part and one reference-group transfer; `more` goes in before ROOT ends.
inline std::string ScriptAndTransferDescription(const std::string& more = "") {
  return R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.0;3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>
    <ITEM SUBD="FIREBIRD;MSSQL" TIME_PERCENT="100" SOURCE="0" FILENAME="Scripts\data.xml"/>
  </DB_UPDATE>
  <SCHEMA_UPDATE>
    <ITEM DATA_FILE="Data\groups.xml" SCHEMA_FILE="Data\groups.xsd" OBJECTS="Материалы"/>
  </SCHEMA_UPDATE>)" + more + "\n</ROOT>\n";
}

class UpdateRunTest : public WindowTest {
 protected:
  // `product_folder`: the folder the installation lies in (see
  // ProductEnvironment).
  explicit UpdateRunTest(const std::string& product_folder = "") : product(product_folder) {
    platform::MessageLoop::SetCurrent(&loop_);
    // The test program's command line holds the check-error switch; these
    // runs log only what failed.
    window.LogCheckErrors = false;
    LinkFakeFolders(product.File("lx"), {"Utils"});
    LinkFakeFolders(product.File("ptx"), {"Bin", "Manager"});
    LinkFakeFolders(product.ReleaseDir(), {"Upd"});
    ProductInstallation installation;
    installation.lexarium_dir = product.File("lx");
    installation.pontarex_release = "5.0";
    installation.pontarex_dir = product.File("ptx");
    WriteProductRegistry(installation);
  }
  ~UpdateRunTest() override {
    window.ChildMessages.reset();
    platform::MessageLoop::SetCurrent(nullptr);
  }

  static void LinkFakeFolders(const std::string& folder, const std::vector<std::string>& names) {
    std::filesystem::create_directories(folder);
    for (const std::string& name : names)
      std::filesystem::create_directory_symlink(FakeReleaseDir() + name, folder + "/" + name);
  }

  std::string ReleaseFile(const std::string& name) const {
    return product.ReleaseDir() + "/" + name;
  }
  std::string LogFile() const {
    return product.File("lx") + "/update_" +
           classlib::FormatDateTime("yyyy-mm-dd", classlib::Date()) + ".log";
  }

  // The first page's check and the second page's login of "admin".
  void LogInOnFirebird(const std::string& database) { LogInOnFirebird(window, database); }
  void LogInOnFirebird(TfrmUpdate& w, const std::string& database) {
    w.cbDBType->setCurrentIndex(w.cbDBType->findText("FIREBIRD"));
    QTest::keyClicks(w.eUserName, "SYSDBA");
    QTest::keyClicks(w.ePassword, QString::fromStdString(kFixtureSysdbaPassword));
    w.eForDB->setText(QString::fromStdString(database));
    LogInAsAdmin(w);
  }
  void LogInAsAdmin() { LogInAsAdmin(window); }
  void LogInAsAdmin(TfrmUpdate& w) {
    w.btnCheckConnection->click();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
    ASSERT_EQ(w.pcMain->currentIndex(), 1);
    w.ComboBoxUser->setCurrentIndex(w.ComboBoxUser->findText("admin"));
    w.LabeledEditParol->setText("secret");
    w.ButtonOK->click();
    ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
    ASSERT_EQ(w.pcMain->currentIndex(), 2);
  }
  // Presses "Обновить" and answers the confirmation with Yes.
  void Execute() { Execute(window); }
  void Execute(TfrmUpdate& w) {
    boxes.answers = {IDYES};
    w.bbExecute->click();
  }
  // Another start of the updater once the first window's run is over,
  // with a fresh list of message boxes.
  std::unique_ptr<TfrmUpdate> StartAgain() {
    boxes.shown.clear();
    auto second = std::make_unique<TfrmUpdate>();
    second->LogCheckErrors = false;
    second->SetServerList(&servers);
    second->show();
    return second;
  }
  QString LastBoxText() const { return boxes.shown.empty() ? QString() : boxes.shown.back().text; }

  ProductEnvironment product;
  platform::scratch::ScopedRuntimeDir runtime_{product.File("")};
  platform::scratch::ScopedEnv aux_record_{"FAKE_AUX_RECORD", product.File("aux-record.txt")};
  platform::scratch::ScopedEnv aux_script_{"FAKE_AUX_SCRIPT", std::string("progress 50;result 0")};
  platform::scratch::ScopedEnv library_record_{"FAKE_UPDATE_RECORD", product.File("library.txt")};
  platform::scratch::ScopedEnv library_settings_{"FAKE_UPDATE_SETTINGS", std::string("percent=50")};
  QtMessageLoop loop_;
};

}  // namespace app::testing
