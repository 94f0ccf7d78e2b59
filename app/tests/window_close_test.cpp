// Closing the window puts back the product's connection key.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include "app/connection_backup.h"
#include "app/reg.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

class WindowCloseTest : public WindowTest {
 protected:
  WindowCloseTest() : registry("UPDATER_REGISTRY", folder.Path()) {
    WriteRegBinary(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue,
                   "Provider=LCPI.IBProvider.2;Location=/data/product.fdb");
    WriteRegString(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, "FIREBIRD");
  }

  // What the login does: it records the key, then writes its own values.
  void LogIn() {
    window.BDConnectionBackup.Save();
    WriteRegBinary(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue,
                   "Provider=LCPI.IBProvider.2;User Id=stored;Password=x");
    WriteRegString(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, "MSSQL");
  }

  std::string ConnectionString() {
    std::string value;
    ReadRegBinary(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue, value);
    return value;
  }
  std::string ServerType() {
    std::string value;
    ReadRegString(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, value);
    return value;
  }

  ScratchFolder folder;
  ScopedEnv registry;
};

TEST_F(WindowCloseTest, ClosingAfterLoginRestoresBothValues) {
  LogIn();
  ASSERT_EQ(ServerType(), "MSSQL");
  EXPECT_TRUE(window.close());
  EXPECT_EQ(ConnectionString(), "Provider=LCPI.IBProvider.2;Location=/data/product.fdb");
  EXPECT_EQ(ServerType(), "FIREBIRD");
}

TEST_F(WindowCloseTest, ClosingBeforeLoginLeavesTheRegistryAlone) {
  WriteRegString(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, "ORACLE");
  EXPECT_TRUE(window.close());
  EXPECT_EQ(ServerType(), "ORACLE");
}

TEST_F(WindowCloseTest, CancelOnTheUserPageClosesTheWindowTheSameWay) {
  LogIn();
  window.ShowUserPage();
  window.ButtonCancel->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(ServerType(), "FIREBIRD");
}

// A request to end the program while a dialog waits for an answer: the
// dialog goes, the code after it finishes, then the window closes as the
// user's close does.
TEST_F(WindowCloseTest, ATerminationRequestDismissesAnOpenDialogThenClosesTheWindow) {
  LogIn();
  QMessageBox box(QMessageBox::Information, "Информация", "Введен неверный пароль",
                  QMessageBox::Ok, &window);
  QTimer::singleShot(0, &window, [this] { window.TerminationRequested(); });
  box.exec();
  EXPECT_TRUE(window.isVisible());  // not before the dialog's caller is done
  QElapsedTimer clock;
  clock.start();
  while (window.isVisible() && clock.elapsed() < 5000) QCoreApplication::processEvents();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(ServerType(), "FIREBIRD");
}

}  // namespace
}  // namespace app::testing
