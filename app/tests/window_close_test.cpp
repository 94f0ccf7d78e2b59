// Closing the window puts back the product's connection key.
#include <gtest/gtest.h>

#include "app/connection_backup.h"
#include "app/reg.h"
#include "window_fixture.h"

namespace app::testing {
namespace {

class WindowCloseTest : public WindowTest {
 protected:
  WindowCloseTest() : registry("UPDATER_REGISTRY", folder.Path().string()) {
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

  TempDir folder;
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

}  // namespace
}  // namespace app::testing
