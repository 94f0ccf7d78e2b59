// The built program asked to quit once its window shows: how scripts check
// that it starts on a machine with nobody to close the window.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>

#include "testing/product_fixture.h"
#include "window_test_support.h"

namespace app::testing {
namespace {

QProcess* StartQuitting(QProcess& process, const ScratchFolder& folder, const std::string& release) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("UPDATER_RUNTIME_DIR", QString::fromStdString(folder.Path()));
  env.insert("UPDATER_REGISTRY", QString::fromStdString(folder.File("registry")));
  env.insert("UPDATER_RELEASE_DIR", QString::fromStdString(release));
  env.insert("UPDATER_QUIT_AFTER_SHOW", "1");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("ASAN_OPTIONS", "detect_leaks=0");  // the window system's caches
  process.setProcessEnvironment(env);
  process.start(UPDATER_PROGRAM, {});
  return &process;
}

TEST(QuitAfterShow, TheProgramShowsItsWindowNamesItsReleaseAndEnds) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder.File("release"));
  WriteUpdateDescription(folder.File("release"), "<ROOT/>");
  QProcess process;
  StartQuitting(process, folder, folder.File("release"));
  ASSERT_TRUE(process.waitForFinished(60000));
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(process.exitCode(), 0);
  const QString output = QString::fromUtf8(process.readAllStandardOutput());
  EXPECT_TRUE(output.contains(QStringLiteral("window shown: Обновление данных\n"))) << output.toStdString();
  EXPECT_TRUE(output.contains(QString::fromStdString(
      "release description: " + folder.File("release") + "/updcfg.xml (found)\n")))
      << output.toStdString();

  // A folder without a release says so.
  QProcess empty;
  StartQuitting(empty, folder, folder.File("nothing"));
  ASSERT_TRUE(empty.waitForFinished(60000));
  EXPECT_TRUE(QString::fromUtf8(empty.readAllStandardOutput()).contains("(missing)"));
}

}  // namespace
}  // namespace app::testing
