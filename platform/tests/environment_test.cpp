#include <gtest/gtest.h>
#include <langinfo.h>

#include <clocale>
#include <string>

#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "platform/environment.h"
#include "testing/scratch_folder.h"

namespace platform {
namespace {

using scratch::ScopedEnv;

TEST(Environment, ModuleIsThisTestProgram) {
  std::string file = ModuleFileName();
  EXPECT_EQ(file.substr(file.rfind('/') + 1), "platform_tests");
  EXPECT_EQ(ModuleDirectory() + "platform_tests", file);
  EXPECT_EQ(ParamStr(0), classlib::Utf8ToCp1251(file));
}

// Under the plain "C" character type a library cannot convert a UTF-8 file
// name; it becomes UTF-8, and a UTF-8 one is kept.
TEST(Environment, TheCharacterTypeBecomesUtf8) {
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_CTYPE, "C");
  EXPECT_TRUE(UseUtf8CharacterType());
  EXPECT_STREQ(nl_langinfo(CODESET), "UTF-8");
  EXPECT_TRUE(UseUtf8CharacterType());
  std::setlocale(LC_CTYPE, before.c_str());
}

TEST(Environment, FoldersComeFromTheEnvironmentOrTheirDefaults) {
  {
    ScopedEnv tmp("TMPDIR", "/var/tmp");
    EXPECT_EQ(TempDirectory(), "/var/tmp/");
  }
  {
    ScopedEnv tmp("TMPDIR", std::nullopt);
    EXPECT_EQ(TempDirectory(), "/tmp/");
  }
  {
    ScopedEnv windows("UPDATER_WINDOWS_DIR", "/srv/win");
    ScopedEnv system("UPDATER_SYSTEM_DIR", std::nullopt);
    EXPECT_EQ(WindowsDirectory(), "/srv/win");
    EXPECT_EQ(SystemDirectory(), "/srv/win/system32");
    ScopedEnv system_set("UPDATER_SYSTEM_DIR", "/srv/sys");
    EXPECT_EQ(SystemDirectory(), "/srv/sys");
  }
  ScopedEnv windows("UPDATER_WINDOWS_DIR", std::nullopt);
  ScopedEnv data("XDG_DATA_HOME", std::nullopt);
  ScopedEnv home("HOME", "/home/someone");
  EXPECT_EQ(WindowsDirectory(), "/home/someone/.local/share/updater-windows");
}

TEST(Environment, CommandLineAndVariablesAreAnsi) {
  const char* argv[] = {"/bin/prog", "LOGCHECKERROR", "Файл.txt"};
  SetCommandLine(3, argv);
  EXPECT_THROW(SetCommandLine(3, argv), classlib::EInvalidOperation);
  EXPECT_EQ(ParamCount(), 2);
  EXPECT_EQ(ParamStr(1), "LOGCHECKERROR");
  EXPECT_EQ(ParamStr(2), classlib::Utf8ToCp1251("Файл.txt"));
  EXPECT_EQ(ParamStr(3), "");
  EXPECT_EQ(ParamStr(-1), "");

  ScopedEnv value("PLATFORM_TEST_VALUE", "Путь");
  EXPECT_EQ(GetEnvironmentVariable("PLATFORM_TEST_VALUE"), classlib::Utf8ToCp1251("Путь"));
  EXPECT_EQ(GetEnvironmentVariable("PLATFORM_TEST_UNSET_VALUE"), "");
}

TEST(Environment, SystemMessagesOfErrorCodes) {
  EXPECT_EQ(SysErrorMessage(0), "The operation completed successfully.");
  EXPECT_EQ(SysErrorMessage(2), "The system cannot find the file specified.");
  EXPECT_EQ(SysErrorMessage(5), "Access is denied.");
  EXPECT_EQ(SysErrorMessage(13), "The data is invalid.");
  EXPECT_EQ(SysErrorMessage(234), "More data is available.");
  EXPECT_EQ(SysErrorMessage(28), "No space left on device");  // not a Windows code here
}

}  // namespace
}  // namespace platform
