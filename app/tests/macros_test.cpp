#include "app/macros.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/reg.h"
#include "app/run_state.h"
#include "app/system_folders.h"
#include "testing/scratch_folder.h"

namespace app {
namespace {

class Macros : public ::testing::Test {
 protected:
  void SetUp() override { ResetRunState(); }
  void TearDown() override { ResetRunState(); }
};

TEST_F(Macros, EveryTokenGivesItsValue) {
  LxDir = "C:\\Lx\\";
  PtxDir = "C:\\Ptx\\";
  LoginUserName = "Ivanov";
  LoginPassword = "Pw1";
  LoginGroup = "Admins";
  SqlUserName = "lx_owner";
  SqlPassword = "SqlPw";
  ProgramDir = "/srv/upd\\";
  TempDir = "/tmp\\";
  WinDir = "/win\\";
  SysDir = "/win/system32\\";
  KlvCommonDir = "C:\\Common\\Kelvo Shared\\";
  ProgramFilesDir = "C:\\Program Files\\";
  CommonFilesDir = "C:\\Common\\";
  ReferencePreferences.AutoLogon = true;
  ReferencePreferences.SlideDir = "D:\\Slides";
  ReferencePreferences.TempDir = "D:\\Temp";
  ReferencePreferences.DocumentDir = "D:\\Docs";
  ReferencePreferences.RecordsPerLoad = 20;
  ReferencePreferences.ScriptTimeout = 30000;
  ReferencePreferences.FontName = "Arial";
  ReferencePreferences.FontSize = 8;
  DBType = kMsSql;
  BaseConnectionString = "Provider=SQLOLEDB.1;User ID=sa";
  BaseUserName = "sa";
  BasePassword = "";
  MainWindowHandle = 4096001;
  OraHome = "/u01/oracle";

  const std::vector<std::pair<const char*, std::string>> expected = {
      {"<LXDIR>", "C:\\Lx\\"},
      {"<PTXDIR>", "C:\\Ptx\\"},
      {"<WNDIR>", ""},
      {"<USER>", "Ivanov"},
      {"<PASSWORD>", "Pw1"},
      {"<GROUP>", "Admins"},
      {"<USER_SQL>", "lx_owner"},
      {"<PASSWORD_SQL>", "SqlPw"},
      {"<CURDIR>", "/srv/upd\\"},
      {"<TEMPDIR>", "/tmp\\"},
      {"<WINDIR>", "/win\\"},
      {"<SYSDIR>", "/win/system32\\"},
      {"<KLVCMNDIR>", "C:\\Common\\Kelvo Shared\\"},
      {"<PROGR_DIR>", "C:\\Program Files\\"},
      {"<COMMON_DIR>", "C:\\Common\\"},
      {"<AUTOLOG>", "True"},
      {"<LXSLAIDDIR>", "D:\\Slides"},
      {"<LXTEMPDIR>", "D:\\Temp"},
      {"<LXDOCDIR>", "D:\\Docs"},
      {"<LXSAVEDAYS>", "3"},
      {"<LXDEBUG>", "False"},
      {"<LXRECLOADCNT>", "20"},
      {"<LXTIMEOUT>", "30000"},
      {"<FONTNAME>", "Arial"},
      {"<FONTSIZE>", "8"},
      {"<BASETYPE>", "MSSQL"},
      {"<CON_STRING>", "Provider=SQLOLEDB.1;User ID=sa"},
      {"<USER_INI>", "\xA1\x83"},
      {"<PASSWORD_INI>", ""},
      {"<HANDLE>", "4096001"},
      {"<ORA_HOME>", "/u01/oracle"},
  };
  for (const auto& [token, value] : expected)
    EXPECT_EQ(ExpandMacros(std::string("[") + token + "]"), "[" + value + "]") << token;
}

TEST_F(Macros, ValuesNeverSetAreEmptyZeroOrFalse) {
  EXPECT_EQ(ExpandMacros("<LXDIR>|<USER>|<AUTOLOG>|<LXDEBUG>|<FONTSIZE>|<HANDLE>|<LXSAVEDAYS>"),
            "||False|False|0|0|3");
}

TEST_F(Macros, TokensMatchInAnyCaseAndEachOccurrenceIsReplaced) {
  LoginUserName = "Petrov";
  LxDir = "C:\\Lx\\";
  EXPECT_EQ(ExpandMacros("<USER>,<user>,<UsEr>"), "Petrov,Petrov,Petrov");
  EXPECT_EQ(ExpandMacros("<LXDIR>Utils\\x.exe <lxdir>"), "C:\\Lx\\Utils\\x.exe C:\\Lx\\");
}

TEST_F(Macros, InterBaseIsGivenAsFirebird) {
  DBType = kInterBase;
  EXPECT_EQ(ExpandMacros("<BASETYPE>"), "FIREBIRD");
  DBType = kOracle;
  EXPECT_EQ(ExpandMacros("<BASETYPE>"), "ORACLE");
}

TEST_F(Macros, UnknownTokensAndUnclosedOnesStayAsWritten) {
  LoginUserName = "u";
  EXPECT_EQ(ExpandMacros("a <Abc> b <USER>"), "a <Abc> b u");
  // A statement's comparisons are no tokens; its literals keep their case.
  EXPECT_EQ(ExpandMacros("WHERE A < 'abc' OR B > 'def' AND C <> 'x'"),
            "WHERE A < 'abc' OR B > 'def' AND C <> 'x'");
  EXPECT_EQ(ExpandMacros("a<b<USER>c"), "a<buc");
  EXPECT_EQ(ExpandMacros("run <USER> <LXDIR"), "run u <LXDIR");
  EXPECT_EQ(ExpandMacros("<"), "<");
  // A long statement of comparisons is scanned once, not once per "<".
  std::string comparisons;
  for (int n = 0; n < 100000; ++n) comparisons += "a<b ";
  EXPECT_EQ(ExpandMacros(comparisons + "<USER>"), comparisons + "u");
  EXPECT_EQ(ExpandMacros(""), "");
}

TEST_F(Macros, ATokenRightAfterAnEmptyValueIsExpanded) {
  LoginUserName = "u";
  LoginGroup = "g";
  EXPECT_EQ(ExpandMacros("<WNDIR><USER>"), "u");
  EXPECT_EQ(ExpandMacros("<PTXDIR><WNDIR><USER><GROUP>"), "ug");
}

TEST_F(Macros, TokensInsideValuesAreExpanded) {
  LoginUserName = "ivanov";
  LxDir = "C:\\Lx\\";
  ReferencePreferences.TempDir = "<LXDIR>Temp\\<USER>";
  ReferencePreferences.DocumentDir = "D<LXTEMPDIR>";
  EXPECT_EQ(ExpandMacros("<LXTEMPDIR>"), "C:\\Lx\\Temp\\ivanov");
  EXPECT_EQ(ExpandMacros("<LXDOCDIR>!"), "DC:\\Lx\\Temp\\ivanov!");
}

TEST_F(Macros, AValueThatNamesItselfStopsAfterTheNestingBound) {
  LoginUserName = "u";
  ReferencePreferences.TempDir = "x<LXTEMPDIR>";
  EXPECT_EQ(ExpandMacros("<LXTEMPDIR>|<USER>"),
            std::string(kMaxMacroNesting, 'x') + "<LXTEMPDIR>|<USER>");

  // Two values naming each other, and a value that doubles at every level:
  // both end, and the text before the loop is expanded.
  ReferencePreferences.SlideDir = "s<LXDOCDIR>";
  ReferencePreferences.DocumentDir = "d<LXSLAIDDIR>";
  EXPECT_EQ(ExpandMacros("<USER><LXDOCDIR>"), "udsdsdsds<LXDOCDIR>");
  ReferencePreferences.TempDir = "<LXTEMPDIR>";
  EXPECT_EQ(ExpandMacros("a<lxtempdir>b"), "a<LXTEMPDIR>b");
  ReferencePreferences.FontName = "f<FONTNAME><FONTNAME>";
  std::string doubled = ExpandMacros("<FONTNAME>");
  EXPECT_EQ(doubled.rfind(std::string(kMaxMacroNesting, 'f') + "<FONTNAME><FONTNAME>", 0), 0u);
  EXPECT_LT(doubled.size(), 200u);
}

// Values put inside a statement's string literals keep the literal whole.
TEST_F(Macros, StatementLiteralsGetTheirValuesApostrophesDoubled) {
  const TMacroOptions statement{.statement = true};
  LoginUserName = "x'); DELETE FROM BO_VERSION; --";
  LxDir = "C:\\O'Brien\\";
  EXPECT_EQ(ExpandMacros("INSERT INTO T VALUES ('<USER>')", statement),
            "INSERT INTO T VALUES ('x''); DELETE FROM BO_VERSION; --')");
  // Inside a literal only: outside, in comments and in quoted names the
  // value stands as it is, and plain texts (command lines) never change.
  EXPECT_EQ(ExpandMacros("SELECT '<LXDIR>a''b<LXDIR>' FROM \"<LXDIR>\" WHERE A = <LXDIR>",
                         statement),
            "SELECT 'C:\\O''Brien\\a''bC:\\O''Brien\\' FROM \"C:\\O'Brien\\\" WHERE A = "
            "C:\\O'Brien\\");
  EXPECT_EQ(ExpandMacros("/* it's <LXDIR> */ '<LXDIR>'", statement),
            "/* it's C:\\O'Brien\\ */ 'C:\\O''Brien\\'");
  EXPECT_EQ(ExpandMacros("-- it's <LXDIR>\n'<LXDIR>' /*/ ' */ '<LXDIR>'", statement),
            "-- it's C:\\O'Brien\\\n'C:\\O''Brien\\' /*/ ' */ 'C:\\O''Brien\\'");
  EXPECT_EQ(ExpandMacros("SELECT /* a */* FROM T WHERE A = '<LXDIR>'", statement),
            "SELECT /* a */* FROM T WHERE A = 'C:\\O''Brien\\'");
  EXPECT_EQ(ExpandMacros("'<LXDIR>'"), "'C:\\O'Brien\\'");

  // The value's own apostrophes never end the literal for later tokens, and
  // tokens inside a value in a literal are doubled too.
  ReferencePreferences.TempDir = "<LXDIR>it's";
  EXPECT_EQ(ExpandMacros("'<LXTEMPDIR>' <USER>", statement),
            "'C:\\O''Brien\\it''s' x'); DELETE FROM BO_VERSION; --");
}

TEST_F(Macros, LogsGetThePasswordTokensHidden) {
  const TMacroOptions hidden{.hide_passwords = true};
  LoginPassword = "LoginPw";
  SqlPassword = "SqlPw";
  BasePassword = "BasePw";
  LoginUserName = "admin";
  BaseConnectionString = "Provider=SQLOLEDB.1;Password=BasePw;User ID=sa;Data Source=srv";
  EXPECT_EQ(ExpandMacros("<USER> <password> <PASSWORD_SQL> <PASSWORD_INI>", hidden),
            "admin *** *** ***");
  EXPECT_EQ(ExpandMacros("'<CON_STRING>'", {.statement = true, .hide_passwords = true}),
            "'Provider=SQLOLEDB.1;Password=***;User ID=sa;Data Source=srv'");
  // A value that brings a password token in hides it as well.
  ReferencePreferences.FontName = "<PASSWORD>";
  EXPECT_EQ(ExpandMacros("<FONTNAME>", hidden), "***");
  EXPECT_EQ(ExpandMacros("<FONTNAME>"), "LoginPw");
}

// The folders behind the system macros, from the environment and registry.
class SystemFolders : public platform::scratch::ScratchRegistryTest {
 protected:
  void TearDown() override { ResetRunState(); }
  platform::scratch::ScopedEnv windows_{"UPDATER_WINDOWS_DIR", folder_.Path() + "/win"};
  platform::scratch::ScopedEnv system_{"UPDATER_SYSTEM_DIR", folder_.Path() + "/win/sys/"};
  platform::scratch::ScopedEnv temp_{"TEMP", std::string("/var/tmp/upd")};
};

TEST_F(SystemFolders, EachEndsWithOneBackslash) {
  ASSERT_EQ(WriteRegString(platform::HKEY_LOCAL_MACHINE, kWindowsCurrentVersionKey,
                           "ProgramFilesDir", "C:\\Program Files"),
            platform::ERROR_SUCCESS);
  ASSERT_EQ(WriteRegString(platform::HKEY_LOCAL_MACHINE, kWindowsCurrentVersionKey,
                           "CommonFilesDir", "C:\\Common\\"),
            platform::ERROR_SUCCESS);
  FillSystemFolders();
  EXPECT_EQ(ExpandMacros("<WINDIR>"), folder_.Path() + "/win\\");
  EXPECT_EQ(SysDir, folder_.Path() + "/win/sys/");
  EXPECT_EQ(TempDir, "/var/tmp/upd\\");
  EXPECT_EQ(ProgramFilesDir, "C:\\Program Files\\");
  EXPECT_EQ(CommonFilesDir, "C:\\Common\\");
  EXPECT_EQ(ExpandMacros("<KLVCMNDIR>"), "C:\\Common\\Kelvo Shared\\");
}

TEST_F(SystemFolders, UnreadableRegistryFoldersStayEmptyAndTempFallsBack) {
  platform::scratch::ScopedEnv no_temp("TEMP", std::nullopt);
  platform::scratch::ScopedEnv tmpdir("TMPDIR", std::string("/scratch/t"));
  FillSystemFolders();
  EXPECT_EQ(ProgramFilesDir, "");
  EXPECT_EQ(CommonFilesDir, "");
  EXPECT_EQ(KlvCommonDir, "");
  EXPECT_EQ(TempDir, "/scratch/t/");
}

}  // namespace
}  // namespace app
