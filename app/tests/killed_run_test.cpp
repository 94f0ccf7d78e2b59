// A run killed with SIGKILL at any point after the login leaves the
// administrator's login in the product's connection key; the next start of
// the real program must put the key back exactly as it was before the first
// run. The killed run is this test program itself, started again as a child
// that drives the real window up to the point named by KILL_POINT and waits
// there to be killed.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <unistd.h>

#include "app/connection_backup.h"
#include "app/connection_backup_record.h"
#include "app/reg.h"
#include "platform/environment.h"
#include "update_run_support.h"

namespace app::testing {
namespace {

const char kChildTest[] = "KilledRunChild.DISABLED_RunsUntilKilled";
const char kSay[] = "KILLTEST ";

// The database part's three statements; the transfer's program runs for a
// while (slow_program_), so the run can be caught inside each part.
const char kScript[] = R"(<SCRIPTS>
  <DATA>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE KILLED (ID INTEGER)</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO KILLED VALUES (1)</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO KILLED VALUES (2)</S>
  </DATA>
</SCRIPTS>
)";


// ---- the child: a real window logged in on Firebird ------------------------

class KilledRunChild : public UpdateRunTest {
 protected:
  KilledRunChild() {
    std::filesystem::copy_file(std::getenv("KILL_TEST_DATABASE"), database_);
    WriteReleaseFile(ReleaseFile("Scripts/data.xml"), kScript);
    product.WriteDescription(ScriptAndTransferDescription());
  }

  static void Say(const std::string& line) { std::cout << kSay << line << std::endl; }
  // The parent kills the process here.
  [[noreturn]] static void Stop(const std::string& where) {
    Say("reached " + where);
    for (;;) pause();
  }
  void CheckConnection() {
    window.cbDBType->setCurrentIndex(window.cbDBType->findText("FIREBIRD"));
    QTest::keyClicks(window.eUserName, "SYSDBA");
    QTest::keyClicks(window.ePassword, QString::fromStdString(kFixtureSysdbaPassword));
    window.eForDB->setText(QString::fromStdString(database_));
    window.btnCheckConnection->click();
  }
  // Stops at the first message processing of the run whose status holds
  // `status`.
  void StopInRunAt(const QString& status) {
    auto* timer = new QTimer(&window);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [this, status] {
      if (window.lInfo->text().contains(status)) Stop(window.lInfo->text().toStdString());
    });
    timer->start();
  }

  std::string database_ = product.File("product.fdb");
  ScopedEnv slow_program_{"FAKE_AUX_SCRIPT", "sleep 3000"};
};

TEST_F(KilledRunChild, DISABLED_RunsUntilKilled) {
  // A later killed run works on the registry of the first one.
  std::optional<ScopedEnv> shared;
  if (const char* registry = std::getenv("KILL_TEST_REGISTRY"))
    shared.emplace("UPDATER_REGISTRY", registry);
  else if (std::getenv("KILL_TEST_NO_SERVER_TYPE"))
    DeleteRegValue(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue);
  Say(std::string("registry ") + std::getenv("UPDATER_REGISTRY"));
  std::string go;
  std::getline(std::cin, go);

  const std::string point = std::getenv("KILL_POINT");
  if (point == "recorded") {
    // What the login does first: the copy is made, the key not yet written.
    CheckConnection();
    window.BDConnectionBackup.Save();
    Stop(point);
  }
  LogInOnFirebird(database_);
  if (point == "logged-in") Stop(point);
  if (point == "second-login") {
    window.ButtonOK->click();
    Stop(point);
  }
  StopInRunAt(QString::fromStdString(point));
  Execute();
  Say("finished without reaching " + point);
}

// ---- the parent ---------------------------------------------------------------

using RegValue = std::pair<platform::DWORD, std::string>;

// Type and bytes of a value of the product's key; REG_NONE when absent.
RegValue ProductValue(const std::string& name) {
  platform::HKEY key = nullptr;
  if (platform::RegOpenKeyExA(platform::HKEY_LOCAL_MACHINE, kConnectionKey.c_str(), 0,
                              platform::KEY_READ, &key) != platform::ERROR_SUCCESS)
    return {platform::REG_NONE, {}};
  char data[4096];
  platform::DWORD size = sizeof data, type = platform::REG_NONE;
  const platform::LONG result = platform::RegQueryValueExA(
      key, name.c_str(), nullptr, &type, reinterpret_cast<platform::BYTE*>(data), &size);
  platform::RegCloseKey(key);
  if (result != platform::ERROR_SUCCESS) return {platform::REG_NONE, {}};
  return {type, std::string(data, size)};
}

class KilledRunTest : public ::testing::Test {
 protected:
  struct KeyState {
    RegValue connection_string;
    RegValue server_type;
    bool operator==(const KeyState&) const = default;
  };

  KeyState ReadKey() const {
    ScopedEnv use("UPDATER_REGISTRY", registry_);
    return {ProductValue(kConnectionStringValue), ProductValue(kServerTypeValue)};
  }
  bool RecordLeft() const {
    ScopedEnv use("UPDATER_REGISTRY", registry_);
    return RegKeyExists(platform::HKEY_LOCAL_MACHINE, kConnectionBackupKey);
  }

  QProcessEnvironment Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", QString::fromStdString(children_.Path()));
    env.insert("UPDATER_RUNTIME_DIR", QString::fromStdString(runtime_.Path()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    return env;
  }

  // The next line the child says, without the prefix; empty when it ended.
  static std::string NextSaid(QProcess& child) {
    for (;;) {
      while (child.canReadLine()) {
        const std::string line = child.readLine().trimmed().toStdString();
        if (line.rfind(kSay, 0) == 0) return line.substr(sizeof kSay - 1);
      }
      if (!child.waitForReadyRead(60000)) return {};
    }
  }

  // Runs a child up to `point`, kills it there and says what it reached.
  std::string KillAt(const std::string& point, bool without_server_type = false) {
    QProcess child;
    QProcessEnvironment env = Environment();
    env.insert("KILL_POINT", QString::fromStdString(point));
    env.insert("KILL_TEST_DATABASE", QString::fromStdString(database_));
    if (!registry_.empty()) env.insert("KILL_TEST_REGISTRY", QString::fromStdString(registry_));
    if (without_server_type) env.insert("KILL_TEST_NO_SERVER_TYPE", "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QString::fromStdString(platform::ModuleFileName()),
                {"--gtest_also_run_disabled_tests", QString("--gtest_filter=") + kChildTest});
    EXPECT_TRUE(child.waitForStarted(10000));
    const std::string registry = NextSaid(child);
    EXPECT_EQ(registry.rfind("registry ", 0), 0u) << registry;
    if (registry_.empty()) {
      registry_ = registry.substr(sizeof "registry " - 1);
      before_ = ReadKey();
    }
    child.write("go\n");
    const std::string reached = NextSaid(child);
    child.kill();  // SIGKILL
    child.waitForFinished(10000);
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    return reached;
  }

  // The real program started once more: it shows its window and closes.
  void StartAgain() {
    QProcess updater;
    QProcessEnvironment env = Environment();
    env.insert("UPDATER_REGISTRY", QString::fromStdString(registry_));
    env.insert("UPDATER_QUIT_AFTER_SHOW", "1");
    updater.setProcessEnvironment(env);
    updater.start(UPDATER_PROGRAM, {});
    ASSERT_TRUE(updater.waitForFinished(60000));
    EXPECT_EQ(updater.exitCode(), 0) << updater.readAllStandardError().toStdString();
  }

  // Kills one run at `point`, starts again and expects the key of before.
  void ExpectRestoredAfterKillAt(const std::string& point, bool key_changed) {
    SCOPED_TRACE(point);
    EXPECT_EQ(KillAt(point), "reached " + point);
    EXPECT_EQ(ReadKey() != before_, key_changed);  // nothing put it back yet
    EXPECT_TRUE(RecordLeft());
    StartAgain();
    EXPECT_EQ(ReadKey(), before_);
    EXPECT_FALSE(RecordLeft());
  }

  // A killed child cannot remove the shared objects named for its runtime
  // folder: its product folder, made in children_.
  void TearDown() override {
    platform::scratch::RemoveSharedObjectsOf(runtime_.Path());
    for (const auto& entry : std::filesystem::directory_iterator(children_.Path()))
      if (entry.is_directory()) platform::scratch::RemoveSharedObjectsOf(entry.path().string());
  }

  ScratchFolder children_;  // everything the children leave behind
  ScratchFolder runtime_;
  const std::string database_ = ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"});
  std::string registry_;  // the first child's, shared by the later ones
  KeyState before_;
};

TEST_F(KilledRunTest, AKillAfterTheLoginIsMendedByTheNextStart) {
  ExpectRestoredAfterKillAt("recorded", false);
  ASSERT_EQ(before_.server_type.second, std::string("FIREBIRD\0", 9));
  ExpectRestoredAfterKillAt("logged-in", true);
  ExpectRestoredAfterKillAt("second-login", true);
}

TEST_F(KilledRunTest, AKillDuringTheRunIsMendedByTheNextStart) {
  // A value that did not exist is removed again.
  EXPECT_EQ(KillAt("выполнение скриптов", true), "reached выполнение скриптов");
  EXPECT_EQ(before_.server_type.first, platform::REG_NONE);
  StartAgain();
  EXPECT_EQ(ReadKey(), before_);
  ExpectRestoredAfterKillAt("группа 1, элемент 2", true);
  ExpectRestoredAfterKillAt("импорт справочников", true);
}

TEST_F(KilledRunTest, RunsKilledOneAfterAnotherLeaveTheKeyOfBeforeTheFirst) {
  EXPECT_EQ(KillAt("logged-in"), "reached logged-in");
  EXPECT_EQ(KillAt("группа 1, элемент 3"), "reached группа 1, элемент 3");
  EXPECT_NE(ReadKey(), before_);
  StartAgain();
  EXPECT_EQ(ReadKey(), before_);
}

}  // namespace
}  // namespace app::testing
