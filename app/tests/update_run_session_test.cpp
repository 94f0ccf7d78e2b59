// What an administrator meets around a run on the embedded Firebird engine:
// a long statement that leaves the window answering, the end of the program
// asked for from outside (a logout, a shutdown, `kill`) before and during a
// run, and the day's log keeping every run.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>

#include "app/admin_login.h"
#include "app/connection_backup.h"
#include "app/program.h"
#include "app/reg.h"
#include "app/termination_signals.h"
#include "fib/zod/zod_database.h"
#include "fib_rows.h"
#include "update_run_support.h"

namespace app::testing {
namespace {

// The child process of the termination test blocks the signals before any
// thread starts, as the program's main does.
const bool kBlockedForChild = [] {
  if (std::getenv("UPDATER_TERMINATION_CHILD") != nullptr) BlockTerminationSignals();
  return true;
}();

// Three seconds of work on the server in one statement ('NOW' is read anew
// each time, unlike CURRENT_TIMESTAMP), then a row that shows it finished.
const char kSlowScript[] = R"(<SCRIPTS>
  <SLOW>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1"><![CDATA[EXECUTE BLOCK AS
DECLARE STARTED TIMESTAMP;
BEGIN
  STARTED = CAST('NOW' AS TIMESTAMP);
  WHILE (DATEDIFF(MILLISECOND FROM STARTED TO CAST('NOW' AS TIMESTAMP)) < 3000) DO
  BEGIN
  END
END]]></S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE SLOW_DONE (ID INTEGER)</S>
  </SLOW>
</SCRIPTS>
)";

const char kFailingScript[] = R"(<SCRIPTS>
  <DATA>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO NO_SUCH_TABLE VALUES (1)</S>
  </DATA>
</SCRIPTS>
)";

std::string Description(const char* script) {
  return std::string(R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="10" SOURCE="0" FILENAME="Scripts\)") +
         script + R"("/>
  </DB_UPDATE>
</ROOT>)";
}

class UpdateSessionTest : public UpdateRunTest {
 protected:
  UpdateSessionTest() {
    std::filesystem::copy_file(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}), database_);
    WriteReleaseFile(ReleaseFile("Scripts/slow.xml"), kSlowScript);
    WriteReleaseFile(ReleaseFile("Scripts/failing.xml"), kFailingScript);
  }
  ~UpdateSessionTest() override { checker_.Close(); }

  int64_t Count(const std::string& sql) {
    if (!checker_.Connected()) {
      checker_.SetDBName(database_);
      checker_.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
      checker_.Connect();
    }
    return checker_.QueryValue(sql, 0).AsInt64();
  }
  std::string RegistryServerType() const {
    std::string value;
    ReadRegString(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, value);
    return value;
  }
  // Logs in and runs only the database part.
  void RunDatabasePart(TfrmUpdate& w) {
    LogInOnFirebird(w, database_);
    w.cbUpdateXML->setChecked(false);
    w.cbUpdateConf->setChecked(false);
    Execute(w);
  }

  std::string database_ = product.File("product.fdb");
  fib::TpZODDatabase checker_{nullptr};
};

TEST_F(UpdateSessionTest, ALongStatementLeavesTheWindowAnsweringAndKeepsItsOrder) {
  product.WriteDescription(Description("slow.xml"));
  int ticks = 0;
  bool disabled_throughout = true;
  bool close_refused = true;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++ticks;
    disabled_throughout = disabled_throughout && !window.isEnabled();
    close_refused = close_refused && !window.close();
  });
  timer.start(100);
  QElapsedTimer clock;
  clock.start();
  RunDatabasePart(window);
  const qint64 elapsed = clock.elapsed();
  timer.stop();

  EXPECT_GE(elapsed, 3000);
  // The timer kept firing while the statement ran on the server.
  EXPECT_GE(ticks, 15) << elapsed << " ms";
  EXPECT_TRUE(disabled_throughout);
  EXPECT_TRUE(close_refused);
  EXPECT_EQ(window.StateImage(upDatabase), siSucceeded);
  EXPECT_EQ(LastBoxText(), QStringLiteral("Обновление данных завершено"));
  // The statement after the slow one ran after it, and each was committed.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'SLOW_DONE'"), 1);
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
}

// The signal arrives while the slow statement runs: the run finishes, its
// log is saved, and the window closes as the user's close would, without a
// final message nobody may be there to answer.
TEST_F(UpdateSessionTest, ATerminationSignalDuringARunEndsTheProgramOnceTheRunIsDone) {
  product.WriteDescription(Description("slow.xml"));
  sigset_t before;
  pthread_sigmask(SIG_BLOCK, nullptr, &before);
  // Only this thread blocks the signal, and it is sent to this thread only,
  // so the test program's other threads never see it.
  BlockTerminationSignals();
  {
    const std::unique_ptr<TTerminationSignals> termination = CloseOnTerminationSignals(window);
    QTimer::singleShot(500, [] { pthread_kill(pthread_self(), SIGTERM); });
    RunDatabasePart(window);
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);

  EXPECT_FALSE(window.isVisible());
  ASSERT_EQ(boxes.shown.size(), 1u) << LastBoxText().toStdString();
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Подтверждение"));
  EXPECT_EQ(window.StateImage(upDatabase), siSucceeded);
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
  EXPECT_EQ(RegistryServerType(), "FIREBIRD");  // put back as the close does
  EXPECT_FALSE(window.zodDB->Connected());
}

TEST_F(UpdateSessionTest, TwoRunsOfOneDayAreBothInItsLog) {
  product.WriteDescription(Description("failing.xml"));
  RunDatabasePart(window);
  ASSERT_EQ(LastBoxText(), kRunFailedText);
  std::unique_ptr<TfrmUpdate> second = StartAgain();
  RunDatabasePart(*second);
  second->ChildMessages.reset();
  ASSERT_EQ(LastBoxText(), kRunFailedText);

  const std::vector<std::string> log = FileLines(LogFile());
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < log.size(); ++i)
    if (log[i].rfind("Обновление данных, начало: ", 0) == 0) starts.push_back(i);
  ASSERT_EQ(starts.size(), 2u) << FileText(LogFile());
  EXPECT_EQ(starts[0], 0u);
  EXPECT_EQ(std::count(log.begin(), log.end(), "INSERT INTO NO_SUCH_TABLE VALUES (1)"), 2);
  EXPECT_EQ(log[starts[1] + 1], "/*");
}

// After a run the administrator goes back to the login page: it shows the
// user, group and password he logged in with, and OK logs in again.
TEST_F(UpdateSessionTest, TheLoginPageAfterARunLogsInAgain) {
  product.WriteDescription(Description("failing.xml"));
  RunDatabasePart(window);
  ASSERT_EQ(LastBoxText(), kRunFailedText);
  window.pcMain->setCurrentIndex(1);
  EXPECT_EQ(window.ComboBoxUser->count(), 3);
  EXPECT_EQ(window.ComboBoxUser->currentText(), QStringLiteral("admin"));
  EXPECT_EQ(window.LabeledEditParol->text(), QStringLiteral("secret"));
  boxes.shown.clear();
  window.ButtonOK->click();
  EXPECT_TRUE(boxes.shown.empty()) << LastBoxText().toStdString();
  EXPECT_EQ(window.pcMain->currentIndex(), 2);
  EXPECT_TRUE(window.bbExecute->isEnabled());
}

// Shares are read for the steps a run takes: a step for another server kind
// or a part that is not run may leave them out; a taken step's bad share
// ends the run with an error naming the description and the step.
TEST_F(UpdateSessionTest, OnlyTheSharesOfTheStepsARunTakesAreRead) {
  product.WriteDescription(R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>
    <ITEM SUBD="ORACLE" SOURCE="0" FILENAME="Scripts\oracle.xml"/>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="10" SOURCE="0" FILENAME="Scripts\failing.xml"/>
  </DB_UPDATE>
  <CONFIG_UPDATE><ITEM UPDATE_TYPE="1"/></CONFIG_UPDATE>
</ROOT>)");
  RunDatabasePart(window);
  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  const std::vector<std::string> lines = window.DetailLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "INSERT INTO NO_SUCH_TABLE VALUES (1)"), lines.end());

  product.WriteDescription(R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="десять" SOURCE="0" FILENAME="Scripts\failing.xml"/>
  </DB_UPDATE>
</ROOT>)");
  std::unique_ptr<TfrmUpdate> second = StartAgain();
  RunDatabasePart(*second);
  second->ChildMessages.reset();
  EXPECT_EQ(second->StateImage(upDatabase), siFailed);
  const std::string details = classlib::Cp1251ToUtf8(second->DetailLines()[5]);
  EXPECT_EQ(details, "файл \"" + product.ReleaseDir() + "/updcfg.xml\": значение TIME_PERCENT "
                     "\"десять\" элемента ITEM (строка 5) не является числом");
}

// The child's side of the test below: logs in, says so, and runs the event
// loop until the parent's signal ends it; then reports what it left behind.
TEST_F(UpdateSessionTest, TerminationChild) {
  if (std::getenv("UPDATER_TERMINATION_CHILD") == nullptr) GTEST_SKIP() << "run by the test below";
  product.WriteDescription(Description("slow.xml"));
  const std::unique_ptr<TTerminationSignals> termination = CloseOnTerminationSignals(window);
  LogInOnFirebird(window, database_);
  ASSERT_EQ(RegistryServerType(), "FIREBIRD");
  ASSERT_TRUE(window.zodDB->Connected());
  std::printf("logged in\n");
  std::fflush(stdout);
  QCoreApplication::exec();

  std::printf("window visible: %d\nnative connection: %d\n", window.isVisible(),
              window.zodDB->Connected());
  std::string connection;
  ReadRegBinary(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue, connection);
  std::printf("registry: %s\n", DecipheredConnectionString(connection).c_str());
  std::fflush(stdout);
}

TEST(UpdateSessionProcess, ATerminationSignalAfterLoginEndsTheProgramAsClosingTheWindowDoes) {
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("UPDATER_TERMINATION_CHILD", "1");
  env.insert("ASAN_OPTIONS", "detect_leaks=0");  // the window system's caches
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(),
              {"--gtest_filter=UpdateSessionTest.TerminationChild"});
  ASSERT_TRUE(child.waitForStarted(10000));
  QByteArray output;
  QElapsedTimer clock;
  clock.start();
  while (!output.contains("logged in\n") && clock.elapsed() < 60000 &&
         child.state() == QProcess::Running) {
    child.waitForReadyRead(100);
    output += child.readAllStandardOutput();
  }
  ASSERT_TRUE(output.contains("logged in\n")) << output.toStdString()
                                              << child.readAllStandardError().toStdString();
  ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGTERM), 0);
  const bool ended = child.waitForFinished(30000);
  if (!ended) child.kill();
  ASSERT_TRUE(ended) << "the program kept running after SIGTERM";
  output += child.readAllStandardOutput();
  const std::string said = output.toStdString();
  EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << said;
  EXPECT_EQ(child.exitCode(), 0) << said << child.readAllStandardError().toStdString();
  EXPECT_NE(said.find("window visible: 0\n"), std::string::npos) << said;
  EXPECT_NE(said.find("native connection: 0\n"), std::string::npos) << said;
  // The product's key holds again what it held before the login.
  EXPECT_NE(said.find("registry: Provider=LCPI.IBProvider.2;Location=/old/product.fdb\n"),
            std::string::npos)
      << said;
}

}  // namespace
}  // namespace app::testing
