// The product's connection key between copies of the updater, each a
// process of its own: a copy whose registry cannot be written when its
// window closes still closes, and the next start puts the key back; a copy
// that would log in while another copy's login stands in the key is refused,
// so that closing the last copy leaves the key as it was before the first
// login. The other copy is this test program started again as a child whose
// window does what the parent tells it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "ado_fixtures.h"
#include "app/ado_connection.h"
#include "app/connection_backup.h"
#include "app/connection_backup_record.h"
#include "app/login_page.h"
#include "app/reg.h"
#include "platform/environment.h"
#include "product_environment.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

const char kChildTest[] = "ConnectionBackupChild.DISABLED_DoesWhatItIsTold";
const char kSay[] = "COPYTEST ";
const char kOriginal[] = "Provider=LCPI.IBProvider.2;Location=/old/product.fdb";
const char kChildLogin[] = "Provider=SQLOLEDB.1;User Id=child;Password=x";

std::string RegistryValue(const std::string& name) {
  std::string value;
  if (name == kServerTypeValue)
    ReadRegString(platform::HKEY_LOCAL_MACHINE, kConnectionKey, name, value);
  else
    ReadRegBinary(platform::HKEY_LOCAL_MACHINE, kConnectionKey, name, value);
  return value;
}

// ---- the child: a window of its own on the parent's registry ---------------

class ConnectionBackupChild : public WindowTest {
 protected:
  static void Say(const std::string& line) { std::cout << kSay << line << std::endl; }
  static std::string Told() {
    std::string command;
    std::getline(std::cin, command);
    return command;
  }
};

TEST_F(ConnectionBackupChild, DISABLED_DoesWhatItIsTold) {
  Say("ready");
  for (std::string command = Told(); !command.empty(); command = Told()) {
    if (command == "log-in") {
      // What the login does: the key is recorded, then holds the login.
      window.BDConnectionBackup.Save();
      ASSERT_TRUE(window.BDConnectionBackup.Saved());
      WriteRegBinary(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue,
                     kChildLogin);
      WriteRegString(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, "MSSQL");
      Say("logged-in");
    } else if (command == "close-unwritable") {
      // The run's SQL Server connection is open, and the registry takes no
      // more writes: the hive's next version cannot be made.
      SqliteAsSqlServer driver;
      const std::string database = std::string(std::getenv("TMPDIR")) + "/server.sqlite";
      CreateSqliteDatabase(database, {"CREATE TABLE T (ID INTEGER)"});
      window.conLX->SetConnectionString(SqlServerConnectionString(database));
      window.conLX->Open();
      std::filesystem::create_directory(std::string(std::getenv("UPDATER_REGISTRY")) +
                                        "/HKEY_LOCAL_MACHINE.reg.tmp." + std::to_string(::getpid()));
      const bool closed = window.close();
      Say(std::string("closed=") + (closed ? "1" : "0") +
          " conLX=" + (window.conLX->Connected() ? "1" : "0"));
    } else if (command == "close") {
      Say(std::string("closed=") + (window.close() ? "1" : "0"));
    }
  }
}

// ---- the parent -------------------------------------------------------------

class ConnectionBackupProcessTest : public WindowTest {
 protected:
  ConnectionBackupProcessTest() {
    ProductInstallation installation;
    installation.lexarium_dir = product.File("lx");
    installation.connection_string = kOriginal;
    installation.server_type = "FIREBIRD";
    WriteProductRegistry(installation);
    product.WriteDescription(FullUpdateDescription("3.0;3.1", "3.2"));
    original_ = RegistryValue(kConnectionStringValue);
  }
  ~ConnectionBackupProcessTest() override {
    if (copy_.state() != QProcess::NotRunning) {
      copy_.kill();
      copy_.waitForFinished(10000);
    }
    platform::scratch::RemoveSharedObjectsOf(runtime_.Path());
  }

  void StartOtherCopy() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", QString::fromStdString(children_.Path()));
    env.insert("UPDATER_RUNTIME_DIR", QString::fromStdString(runtime_.Path()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    copy_.setProcessEnvironment(env);
    copy_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    copy_.start(QString::fromStdString(platform::ModuleFileName()),
                {"--gtest_also_run_disabled_tests", QString("--gtest_filter=") + kChildTest});
    ASSERT_TRUE(copy_.waitForStarted(10000));
    ASSERT_EQ(Said(), "ready");
  }
  void Tell(const std::string& command) {
    copy_.write((command + "\n").c_str());
    copy_.waitForBytesWritten(10000);
  }
  // The next line the other copy says, without the prefix; empty when it
  // ended.
  std::string Said() {
    for (;;) {
      while (copy_.canReadLine()) {
        const std::string line = copy_.readLine().trimmed().toStdString();
        if (line.rfind(kSay, 0) == 0) return line.substr(sizeof kSay - 1);
      }
      if (!copy_.waitForReadyRead(60000)) return {};
    }
  }
  // The other copy ends its test and its process.
  void EndOtherCopy() {
    copy_.closeWriteChannel();
    ASSERT_TRUE(copy_.waitForFinished(60000));
  }
  bool RecordLeft() const { return RegKeyExists(platform::HKEY_LOCAL_MACHINE, kConnectionBackupKey); }

  // The first page's check and the second page's login of "admin".
  void LogInAsAdmin() {
    Choose("FIREBIRD");
    window.eUserName->setText("SYSDBA");
    window.ePassword->setText(QString::fromStdString(kFixtureSysdbaPassword));
    window.eForDB->setText(QString::fromStdString(database_));
    window.btnCheckConnection->click();
    ASSERT_EQ(window.pcMain->currentIndex(), 1);
    window.ComboBoxUser->setCurrentIndex(window.ComboBoxUser->findText("admin"));
    window.LabeledEditParol->setText("secret");
    window.ButtonOK->click();
  }

  ProductEnvironment product;
  // The product's own value, as the product keeps it (enciphered).
  std::string original_;
  ScratchFolder children_;
  ScratchFolder runtime_;
  QProcess copy_;
  const std::string database_ = ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"});
};

// A full disk, a folder made read-only or a damaged hive when the window
// closes: the close goes on (no abort), the connections close, and the
// record of the key stays, so that the next start puts the key back.
TEST_F(ConnectionBackupProcessTest, ARegistryThatCannotBeWrittenAtCloseLeavesTheKeyToTheNextStart) {
  StartOtherCopy();
  Tell("log-in");
  ASSERT_EQ(Said(), "logged-in");
  const qint64 pid = copy_.processId();
  Tell("close-unwritable");
  EXPECT_EQ(Said(), "closed=1 conLX=0");
  EndOtherCopy();
  EXPECT_EQ(copy_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(copy_.exitCode(), 0);
  EXPECT_EQ(RegistryValue(kConnectionStringValue), kChildLogin);
  EXPECT_TRUE(RecordLeft());

  // The registry takes writes again; the next start mends the key.
  std::filesystem::remove(product.File("registry") + "/HKEY_LOCAL_MACHINE.reg.tmp." +
                          std::to_string(pid));
  QProcess updater;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("UPDATER_RUNTIME_DIR", QString::fromStdString(runtime_.Path()));
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("UPDATER_QUIT_AFTER_SHOW", "1");
  env.insert("ASAN_OPTIONS", "detect_leaks=0");
  updater.setProcessEnvironment(env);
  updater.start(UPDATER_PROGRAM, {});
  ASSERT_TRUE(updater.waitForFinished(60000));
  EXPECT_EQ(updater.exitCode(), 0) << updater.readAllStandardError().toStdString();
  EXPECT_EQ(RegistryValue(kConnectionStringValue), original_);
  EXPECT_EQ(RegistryValue(kServerTypeValue), "FIREBIRD");
  EXPECT_FALSE(RecordLeft());
}

// Two copies from two release folders: the second one's login is refused
// while the first one's stands in the key, naming the first; once the first
// has closed, the second logs in, and closing it leaves the product's own
// values.
TEST_F(ConnectionBackupProcessTest, ASecondCopyMayNotLogInWhileTheFirstCopysLoginStandsInTheKey) {
  StartOtherCopy();
  Tell("log-in");
  ASSERT_EQ(Said(), "logged-in");

  LogInAsAdmin();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(boxes.shown[0].text,
            QStringLiteral("Вход невозможен: другая копия программы обновления (%1, процесс %2) "
                           "уже выполнила вход и заменила параметры соединения продукта. "
                           "Закройте ее и повторите вход.")
                .arg(QString::fromStdString(platform::ModuleFileName()))
                .arg(copy_.processId()));
  EXPECT_EQ(window.pcMain->currentIndex(), 1);
  EXPECT_EQ(window.LoginPage->LoginFailures, 0);
  EXPECT_EQ(RegistryValue(kConnectionStringValue), kChildLogin) << "the other copy's, untouched";

  Tell("close");
  EXPECT_EQ(Said(), "closed=1");
  EndOtherCopy();
  EXPECT_EQ(RegistryValue(kConnectionStringValue), original_);

  boxes.shown.clear();
  window.ButtonOK->click();
  ASSERT_TRUE(boxes.shown.empty()) << boxes.shown[0].text.toStdString();
  ASSERT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_EQ(RegistryValue(kServerTypeValue), "FIREBIRD");
  EXPECT_NE(RegistryValue(kConnectionStringValue), original_);
  EXPECT_TRUE(window.close());
  EXPECT_EQ(RegistryValue(kConnectionStringValue), original_);
  EXPECT_EQ(RegistryValue(kServerTypeValue), "FIREBIRD");
  EXPECT_FALSE(RecordLeft());
}

}  // namespace
}  // namespace app::testing
