// Two real copies of the built program: the second is refused while the
// first runs, and a copy from another folder is not.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "platform/single_instance.h"
#include "testing/scratch_folder.h"
#include "window_test_support.h"

namespace app::testing {
namespace {

class SingleInstanceTest : public ::testing::Test {
 protected:
  SingleInstanceTest() : runtime_env(runtime.Path()) {}

  ~SingleInstanceTest() override {
    for (QProcess* process : started) {
      process->kill();
      process->waitForFinished(10000);
      delete process;
    }
  }

  QProcess* Start(const std::string& program, const std::string& runtime_dir = "",
                  const QProcessEnvironment& extra = {}) {
    auto* process = new QProcess;
    started.push_back(process);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("UPDATER_RUNTIME_DIR",
               QString::fromStdString(runtime_dir.empty() ? runtime.Path() : runtime_dir));
    env.insert("UPDATER_REGISTRY", QString::fromStdString(registry.Path()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // The window system's caches are no concern of these tests.
    env.insert("ASAN_OPTIONS", "detect_leaks=0");
    env.insert(extra);
    process->setProcessEnvironment(env);
    process->start(QString::fromStdString(program), {});
    EXPECT_TRUE(process->waitForStarted(10000));
    return process;
  }

  // Waits until the process holds the lock that guards program. Asking the
  // kernel's lock table, rather than trying the lock, never takes it from
  // under a copy that is just starting.
  static bool WaitUntilLocked(const std::string& program, const QProcess& process) {
    const std::string lock_path = platform::InstanceLockPath(program);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000 && process.state() == QProcess::Running) {
      if (HoldsFlock(process.processId(), lock_path)) return true;
      QThread::msleep(50);
    }
    return false;
  }

  // Waits until the process's main thread blocks `signal`: it has started
  // its own main, so a signal sent now meets the program, not the loader.
  static bool WaitUntilBlocked(const QProcess& process, int signal) {
    const std::string status = "/proc/" + std::to_string(process.processId()) + "/status";
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000 && process.state() == QProcess::Running) {
      std::ifstream in(status);
      for (std::string line; std::getline(in, line);) {
        if (line.rfind("SigBlk:", 0) == 0 &&
            (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1) != 0)
          return true;
      }
      QThread::msleep(20);
    }
    return false;
  }

  // Lines of /proc/locks read "1: FLOCK ADVISORY WRITE <pid> <maj>:<min>:<inode> 0 EOF".
  static bool HoldsFlock(qint64 pid, const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) return false;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
      std::istringstream fields(line);
      std::string number, kind, mode, access, device;
      qint64 holder = 0;
      fields >> number >> kind >> mode >> access >> holder >> device;
      const std::size_t colon = device.rfind(':');
      if (kind != "FLOCK" || holder != pid || colon == std::string::npos) continue;
      if (std::stoull(device.substr(colon + 1)) == file.st_ino) return true;
    }
    return false;
  }

  ScratchFolder runtime;
  ScratchFolder registry;
  platform::scratch::ScopedRuntimeDir runtime_env;
  std::vector<QProcess*> started;
};

TEST_F(SingleInstanceTest, ASecondCopyIsRefusedWhileTheFirstRuns) {
  const std::string program = UPDATER_PROGRAM;
  QProcess* first = Start(program);
  ASSERT_TRUE(WaitUntilLocked(program, *first));

  QProcess* second = Start(program);
  ASSERT_TRUE(second->waitForFinished(60000));
  EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second->exitCode(), 1);
  const QString said = QString::fromUtf8(second->readAllStandardError());
  EXPECT_TRUE(said.contains(QStringLiteral(
      "Vorozizarod odidari: Программа уже запущена.\nВторую копию программы запускать нельзя")))
      << said.toStdString();
  EXPECT_EQ(first->state(), QProcess::Running);
}

// The refused copy's box waits for a click; a termination signal or an
// interrupt from the terminal ends the copy as the click would.
TEST_F(SingleInstanceTest, ARefusedCopyWaitingOnItsBoxEndsOnTerminationSignals) {
  const std::string program = UPDATER_PROGRAM;
  QProcess* first = Start(program);
  ASSERT_TRUE(WaitUntilLocked(program, *first));

  QProcessEnvironment real_boxes;
  real_boxes.insert("UPDATER_MESSAGES", "window");
  for (int signal : {SIGTERM, SIGINT}) {
    QProcess* second = Start(program, "", real_boxes);
    ASSERT_TRUE(WaitUntilBlocked(*second, signal));
    EXPECT_FALSE(second->waitForFinished(1000)) << "the box did not wait";
    ::kill(static_cast<pid_t>(second->processId()), signal);
    ASSERT_TRUE(second->waitForFinished(20000)) << "signal " << signal << " did not end it";
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 1);
  }
  EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, ACopyInAnotherFolderRunsBesideTheFirst) {
  const std::string program = UPDATER_PROGRAM;
  ScratchFolder elsewhere;
  const std::string copy = elsewhere.File("updater");
  std::filesystem::copy_file(program, copy);
  QProcess* first = Start(program);
  ASSERT_TRUE(WaitUntilLocked(program, *first));

  QProcess* second = Start(copy);
  EXPECT_TRUE(WaitUntilLocked(copy, *second));
  EXPECT_EQ(second->state(), QProcess::Running);
}

// A runtime folder that is missing is made; one that others may write is
// refused with its reason, not taken for another running copy.
TEST_F(SingleInstanceTest, TheRuntimeFolderIsMadeOrRefusedWithItsReason) {
  const std::string program = UPDATER_PROGRAM;
  const std::string missing = runtime.File("made/");
  QProcess* first = Start(program, missing);
  QElapsedTimer timer;
  timer.start();
  while (!std::filesystem::is_directory(missing) && timer.elapsed() < 60000) QThread::msleep(50);
  ASSERT_TRUE(std::filesystem::is_directory(missing));
  {
    ScopedEnv lock_folder("UPDATER_RUNTIME_DIR", missing);
    EXPECT_TRUE(WaitUntilLocked(program, *first));
  }

  const std::string open_to_all = runtime.File("open");
  std::filesystem::create_directory(open_to_all);
  std::filesystem::permissions(open_to_all, std::filesystem::perms::all);
  QProcess* refused = Start(program, open_to_all);
  ASSERT_TRUE(refused->waitForFinished(60000));
  EXPECT_EQ(refused->exitCode(), 1);
  const QString said = QString::fromUtf8(refused->readAllStandardError());
  EXPECT_TRUE(said.contains("may be written by other users")) << said.toStdString();
  EXPECT_FALSE(said.contains(QStringLiteral("Программа уже запущена"))) << said.toStdString();
}

}  // namespace
}  // namespace app::testing
