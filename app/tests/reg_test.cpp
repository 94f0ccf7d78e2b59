#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/connection_backup.h"
#include "app/connection_backup_record.h"
#include "app/connection_login.h"
#include "app/product_paths.h"
#include "app/reg.h"
#include "platform/registry_hive.h"
#include "testing/scratch_folder.h"

namespace app {
namespace {

using namespace platform;

// Every test starts with an empty registry folder of its own.
class RegTest : public platform::scratch::ScratchRegistryTest {
 protected:
  // Stores a value through the platform's API, as another program would.
  void Put(HKEY root, const std::string& path, const std::string& name, DWORD type,
           const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type,
                             reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void PutText(const std::string& path, const std::string& name, const std::string& text) {
    Put(HKEY_LOCAL_MACHINE, path, name, REG_SZ, text + '\0');
  }
  // Type and raw bytes of a value, or type REG_NONE when it is absent.
  std::pair<DWORD, std::string> Raw(const std::string& path, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return {REG_NONE, {}};
    char data[4096];
    DWORD size = sizeof data, type = REG_NONE;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return {REG_NONE, {}};
    return {type, std::string(data, size)};
  }
};

const std::string kKey = "Software\\Test\\Values";

TEST_F(RegTest, BlankPathsAreInvalidDataAndNeverReachTheRegistry) {
  std::string text = "kept";
  int32_t number = 7;
  for (const std::string& blank : {std::string(), std::string(" \t\r\n ")}) {
    EXPECT_EQ(WriteRegString(HKEY_LOCAL_MACHINE, blank, "n", "v"), ERROR_INVALID_DATA);
    EXPECT_EQ(WriteRegBinary(HKEY_LOCAL_MACHINE, blank, "n", "v"), ERROR_INVALID_DATA);
    EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, blank, "n", text), ERROR_INVALID_DATA);
    EXPECT_EQ(ReadRegBinary(HKEY_LOCAL_MACHINE, blank, "n", text), ERROR_INVALID_DATA);
    EXPECT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, blank, "n", number), ERROR_INVALID_DATA);
    EXPECT_EQ(DeleteRegKey(HKEY_LOCAL_MACHINE, blank), ERROR_INVALID_DATA);
    EXPECT_EQ(DeleteEmptyRegKey(HKEY_LOCAL_MACHINE, blank), ERROR_INVALID_DATA);
    EXPECT_EQ(DeleteRegValue(HKEY_LOCAL_MACHINE, blank, "n"), ERROR_INVALID_DATA);
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, blank));
  }
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(number, 7);
  EXPECT_FALSE(std::filesystem::exists(HivePath("HKEY_LOCAL_MACHINE")));
}

TEST_F(RegTest, StringsAreStoredWithTheirTerminatorAndReadTrimmed) {
  ASSERT_EQ(WriteRegString(HKEY_LOCAL_MACHINE, kKey, "Name", " \tC:\\Lx \r\n"), ERROR_SUCCESS);
  EXPECT_EQ(Raw(kKey, "Name"), std::make_pair(REG_SZ, std::string(" \tC:\\Lx \r\n\0", 11)));
  std::string value;
  ASSERT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kKey, "name", value), ERROR_SUCCESS);
  EXPECT_EQ(value, "C:\\Lx");

  // Expandable and multi-strings read as strings; the multi-string keeps its
  // inner separator and loses the final one with the trimming.
  Put(HKEY_LOCAL_MACHINE, kKey, "Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
  ASSERT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kKey, "Expand", value), ERROR_SUCCESS);
  EXPECT_EQ(value, "%TEMP%\\x");
  Put(HKEY_LOCAL_MACHINE, kKey, "Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  ASSERT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kKey, "Multi", value), ERROR_SUCCESS);
  EXPECT_EQ(value, std::string("a\0b", 3));
}

TEST_F(RegTest, FailedReadsReturnTheCodeAndLeaveTheOutputAlone) {
  Put(HKEY_LOCAL_MACHINE, kKey, "Number", REG_DWORD, std::string("\x05\0\0\0", 4));
  PutText(kKey, "Text", "12");
  Put(HKEY_LOCAL_MACHINE, kKey, "Bytes", REG_BINARY, "ab");
  std::string text = "kept";
  int32_t number = 7;

  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Missing", "Text", text),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kKey, "Missing", text), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kKey, "Number", text), ERROR_INVALID_DATA);
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kKey, "Bytes", text), ERROR_INVALID_DATA);
  EXPECT_EQ(ReadRegBinary(HKEY_LOCAL_MACHINE, kKey, "Text", text), ERROR_INVALID_DATA);
  EXPECT_EQ(ReadRegBinary(HKEY_LOCAL_MACHINE, kKey, "Missing", text), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, kKey, "Text", number), ERROR_INVALID_DATA);
  EXPECT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, kKey, "Missing", number), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(number, 7);
}

TEST_F(RegTest, ValuesBeyondTheReadBufferGiveMoreData) {
  std::string longest(1023, 'x');
  ASSERT_EQ(WriteRegString(HKEY_LOCAL_MACHINE, kKey, "Fits", longest), ERROR_SUCCESS);
  ASSERT_EQ(WriteRegString(HKEY_LOCAL_MACHINE, kKey, "TooLong", longest + "y"), ERROR_SUCCESS);
  std::string value = "kept";
  ASSERT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kKey, "Fits", value), ERROR_SUCCESS);
  EXPECT_EQ(value, longest);
  value = "kept";
  EXPECT_EQ(ReadRegString(HKEY_LOCAL_MACHINE, kKey, "TooLong", value), ERROR_MORE_DATA);
  EXPECT_EQ(value, "kept");

  ASSERT_EQ(WriteRegBinary(HKEY_LOCAL_MACHINE, kKey, "BinFits", longest), ERROR_SUCCESS);
  ASSERT_EQ(WriteRegBinary(HKEY_LOCAL_MACHINE, kKey, "BinTooLong", longest + "y"),
            ERROR_SUCCESS);
  ASSERT_EQ(ReadRegBinary(HKEY_LOCAL_MACHINE, kKey, "BinFits", value), ERROR_SUCCESS);
  EXPECT_EQ(value, longest);
  EXPECT_EQ(ReadRegBinary(HKEY_LOCAL_MACHINE, kKey, "BinTooLong", value), ERROR_MORE_DATA);
  EXPECT_EQ(value, longest);
}

TEST_F(RegTest, BinaryValuesCarryEveryByteAndEmptyTextIsNoBytes) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  ASSERT_EQ(WriteRegBinary(HKEY_LOCAL_MACHINE, kKey, "All", all), ERROR_SUCCESS);
  EXPECT_EQ(Raw(kKey, "All"), std::make_pair(REG_BINARY, all + '\0'));
  std::string value;
  ASSERT_EQ(ReadRegBinary(HKEY_LOCAL_MACHINE, kKey, "All", value), ERROR_SUCCESS);
  EXPECT_EQ(value, all);

  ASSERT_EQ(WriteRegBinary(HKEY_LOCAL_MACHINE, kKey, "Empty", ""), ERROR_SUCCESS);
  EXPECT_EQ(Raw(kKey, "Empty"), std::make_pair(REG_BINARY, std::string()));
  value = "kept";
  ASSERT_EQ(ReadRegBinary(HKEY_LOCAL_MACHINE, kKey, "Empty", value), ERROR_SUCCESS);
  EXPECT_EQ(value, "");
}

TEST_F(RegTest, NumbersReadInEitherByteOrder) {
  Put(HKEY_LOCAL_MACHINE, kKey, "Little", REG_DWORD, std::string("\x78\x56\x34\x12", 4));
  Put(HKEY_LOCAL_MACHINE, kKey, "Big", REG_DWORD_BIG_ENDIAN, std::string("\x12\x34\x56\x78", 4));
  Put(HKEY_LOCAL_MACHINE, kKey, "Negative", REG_DWORD, std::string("\xFE\xFF\xFF\xFF", 4));
  int32_t number = 0;
  ASSERT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, kKey, "Little", number), ERROR_SUCCESS);
  EXPECT_EQ(number, 0x12345678);
  ASSERT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, kKey, "Big", number), ERROR_SUCCESS);
  EXPECT_EQ(number, 0x12345678);
  ASSERT_EQ(ReadRegInteger(HKEY_LOCAL_MACHINE, kKey, "Negative", number), ERROR_SUCCESS);
  EXPECT_EQ(number, -2);
}

TEST_F(RegTest, KeysAreTestedAndDeletedOnlyWithoutSubkeys) {
  ASSERT_EQ(WriteRegString(HKEY_CURRENT_USER, "Software\\A\\B", "n", "v"), ERROR_SUCCESS);
  EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "software\\a"));
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\A"));
  EXPECT_EQ(DeleteRegKey(HKEY_CURRENT_USER, "Software\\A"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(DeleteRegKey(HKEY_CURRENT_USER, "Software\\A\\B"), ERROR_SUCCESS);
  EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\A\\B"));
  EXPECT_EQ(DeleteRegKey(HKEY_CURRENT_USER, "Software\\A\\B"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(DeleteRegValue(HKEY_CURRENT_USER, "Software\\A", "n"), ERROR_FILE_NOT_FOUND);
}

// --- Product folders ---------------------------------------------------

TEST_F(RegTest, TheReleaseChoosesTheFolderValueName) {
  const std::string lx = "Software\\KELVO\\Lexarium\\";
  for (const char* release : {"2.1", "10.0"}) {
    PutText(lx + release, "Directory", std::string("C:\\Old") + release);
    PutText(lx + release, "InstallPath", "wrong");
    EXPECT_EQ(GetLexariumInstallPath(release), std::string("C:\\Old") + release + "\\");
  }
  for (const char* release : {"3.0", "4.0"}) {
    PutText(lx + release, "Directory", "wrong");
    PutText(lx + release, "InstallPath", std::string(" C:\\New") + release + "\\ ");
    EXPECT_EQ(GetLexariumInstallPath(release), std::string("C:\\New") + release + "\\");
  }
  EXPECT_EQ(GetLexariumInstallPath("5.0"), "");
}

TEST_F(RegTest, WithoutAReleaseTheInstalledOneIsAsked) {
  // No CurrentVersion: the product key's own "Directory".
  PutText("Software\\KELVO\\Pontarex", "Directory", "/opt/ptx/");
  EXPECT_EQ(GetPontarexInstallPath(""), "/opt/ptx/");
  PutText("Software\\KELVO\\Pontarex", "CurrentVersion", "3.1");
  PutText("Software\\KELVO\\Pontarex\\3.1", "InstallPath", "D:\\Ptx");
  EXPECT_EQ(GetPontarexInstallPath(""), "D:\\Ptx\\");
  // An empty folder value still gets its backslash.
  PutText("Software\\KELVO\\Pontarex\\3.1", "InstallPath", "");
  EXPECT_EQ(GetPontarexInstallPath(""), "\\");
  EXPECT_EQ(GetLexariumInstallPath(""), "");
}

TEST_F(RegTest, OracleHomeIsTheRecordedFolderOrNothing) {
  EXPECT_EQ(GetOracleHome(), "");
  PutText("Software\\Oracle", "ORACLE_HOME", "/u01/app/oracle ");
  EXPECT_EQ(GetOracleHome(), "/u01/app/oracle");
}

// --- The stored account in the connection string -----------------------

TEST(ApplyLoginToConnectionString, GivenAccountReplacesThePairsAndBlankOnesAreTaken) {
  std::string login = "sysdba";
  std::string password;
  EXPECT_EQ(ApplyLoginToConnectionString(
                "Provider=LCPI.IBProvider.2;User ID=Admin;Password=Secret;Location=h:/x.fdb",
                login, password),
            "Provider=LCPI.IBProvider.2;User ID=sysdba;Password=Secret;Location=h:/x.fdb");
  EXPECT_EQ(login, "sysdba");
  EXPECT_EQ(password, "Secret");

  login = "  ";
  password = "NewPass";
  EXPECT_EQ(ApplyLoginToConnectionString("Password = Old ;USER ID = Sa ", login, password),
            "Password=NewPass;USER ID=Sa");
  EXPECT_EQ(login, "Sa");
}

TEST(ApplyLoginToConnectionString, KeepsTheCaseOfEveryValue) {
  std::string login = "SYSDBA";
  std::string password = "MasterKey";
  EXPECT_EQ(ApplyLoginToConnectionString(
                " Provider=LCPI.IBProvider.2;Data Source=Srv;Location=/srv/Base/X.fdb;"
                "user id=a;password=b;ctype=WIN1251 ",
                login, password),
            "Provider=LCPI.IBProvider.2;Data Source=Srv;Location=/srv/Base/X.fdb;"
            "user id=SYSDBA;password=MasterKey;ctype=WIN1251");

  // Windows credentials: no pairs, nothing changes, nothing handed back.
  login.clear();
  password.clear();
  const std::string windows = "Provider=SQLOLEDB.1;Integrated Security=SSPI;Data Source=Srv";
  EXPECT_EQ(ApplyLoginToConnectionString(windows, login, password), windows);
  EXPECT_EQ(login, "");
  EXPECT_EQ(password, "");
}

TEST(ApplyLoginToConnectionString, ValuesWithSemicolonsAreQuoted) {
  std::string login = "o\"k;1";
  std::string password;
  EXPECT_EQ(ApplyLoginToConnectionString("User ID=u;Password=\"a;\"\"b\";Data Source=S", login,
                                         password),
            "User ID=\"o\"\"k;1\";Password=\"a;\"\"b\";Data Source=S");
  EXPECT_EQ(password, "a;\"b");
  // A quote that does not close the value is part of it; written back, the
  // value begins with a quote and so is quoted.
  login.clear();
  EXPECT_EQ(ApplyLoginToConnectionString("User ID=\"x\"y;Password=p", login, password),
            "User ID=\"\"\"x\"\"y\";Password=\"a;\"\"b\"");
  EXPECT_EQ(login, "\"x\"y");
}

TEST(ApplyLoginToConnectionString, APairAtTheEndOrWithoutValue) {
  std::string login;
  std::string password = "p";
  EXPECT_EQ(ApplyLoginToConnectionString("Password=x;User ID=Last", login, password),
            "Password=p;User ID=Last");
  EXPECT_EQ(login, "Last");
  login.clear();
  EXPECT_EQ(ApplyLoginToConnectionString("User ID;Password=", login, password),
            "User ID=;Password=p");
  EXPECT_EQ(login, "");
}

// --- Putting the product's connection key back -------------------------

TEST_F(RegTest, RestoringPutsBackExistingValuesAndRemovesNewOnes) {
  std::string stored("\x01\x02\x00\x03", 4);
  Put(HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue, REG_BINARY, stored);
  TConnectionKeyBackup backup;
  backup.Save();
  ASSERT_EQ(WriteRegBinary(HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue, "new"),
            ERROR_SUCCESS);
  ASSERT_EQ(WriteRegString(HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, "MSSQL"),
            ERROR_SUCCESS);
  // A second login records nothing new: what it would see is the first one's.
  backup.Save();
  ASSERT_EQ(WriteRegString(HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, "ORACLE"),
            ERROR_SUCCESS);

  backup.Restore();
  EXPECT_EQ(Raw(kConnectionKey, kConnectionStringValue), std::make_pair(REG_BINARY, stored));
  EXPECT_EQ(Raw(kConnectionKey, kServerTypeValue).first, REG_NONE);
}

TEST_F(RegTest, RestoringWhenTheKeyWasMissingOrNothingWasSaved) {
  TConnectionKeyBackup unsaved;
  PutText(kConnectionKey, kServerTypeValue, "FIREBIRD");
  unsaved.Restore();
  EXPECT_EQ(Raw(kConnectionKey, kServerTypeValue).second, std::string("FIREBIRD\0", 9));

  ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, kConnectionKey.c_str()), ERROR_SUCCESS);
  TConnectionKeyBackup backup;
  backup.Save();
  EXPECT_TRUE(backup.Saved());
  ASSERT_EQ(WriteRegString(HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, "MSSQL"),
            ERROR_SUCCESS);
  backup.Restore();
  EXPECT_EQ(Raw(kConnectionKey, kServerTypeValue).first, REG_NONE);
  EXPECT_EQ(Raw(kConnectionKey, kConnectionStringValue).first, REG_NONE);
}

// --- The durable copy that outlives a killed run ---------------------------

// A run that is killed after the login: the copy was made and the key
// overwritten, and nothing put it back.
pid_t KilledRunAfterLogin(bool wait_to_be_killed = false) {
  pid_t child = fork();
  if (child != 0) return child;
  TConnectionKeyBackup backup;
  backup.Save();
  WriteRegBinary(HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue, "admin login");
  WriteRegString(HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, "MSSQL");
  if (wait_to_be_killed)
    for (;;) pause();
  raise(SIGKILL);
  _exit(1);
}

class ConnectionBackupRecordTest : public RegTest {
 protected:
  void SetUp() override {
    Put(HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue, REG_BINARY, original_);
  }
  void ExpectOriginalKey() {
    EXPECT_EQ(Raw(kConnectionKey, kConnectionStringValue), std::make_pair(REG_BINARY, original_));
    EXPECT_EQ(Raw(kConnectionKey, kServerTypeValue).first, REG_NONE);  // it never existed
  }
  bool RecordExists() { return RegKeyExists(HKEY_LOCAL_MACHINE, kConnectionBackupKey); }
  static void Reap(pid_t child) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }

  const std::string original_{"\x01\x02\x00\x03", 4};
};

TEST_F(ConnectionBackupRecordTest, TheCopyIsKeptInTheRegistryUntilTheKeyIsPutBack) {
  TConnectionKeyBackup backup;
  backup.Save();
  EXPECT_EQ(Raw(kConnectionBackupKey, kConnectionStringValue),
            std::make_pair(REG_BINARY, original_));
  EXPECT_EQ(Raw(kConnectionBackupKey, kServerTypeValue).first, REG_NONE);
  std::string pid;
  ReadRegString(HKEY_LOCAL_MACHINE, kConnectionBackupKey, kBackupProcessIdValue, pid);
  EXPECT_EQ(pid, std::to_string(getpid()));
  // The running process's own record is no abandoned one.
  EXPECT_FALSE(RestoreAbandonedConnectionBackup());
  EXPECT_TRUE(RecordExists());

  WriteRegString(HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, "MSSQL");
  backup.Restore();
  ExpectOriginalKey();
  EXPECT_FALSE(RecordExists());
  backup.Restore();  // a second call (a signal, then the close) changes nothing
  ExpectOriginalKey();
}

TEST_F(ConnectionBackupRecordTest, AKilledRunsRecordIsPutBackAtTheNextStart) {
  pid_t child = KilledRunAfterLogin();
  ASSERT_GT(child, 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(Raw(kConnectionKey, kServerTypeValue).second, std::string("MSSQL\0", 6));

  EXPECT_TRUE(RestoreAbandonedConnectionBackup());
  ExpectOriginalKey();
  EXPECT_FALSE(RecordExists());
  EXPECT_FALSE(RestoreAbandonedConnectionBackup());
}

TEST_F(ConnectionBackupRecordTest, ALoginAfterAKilledRunRecordsTheKeyOfBeforeThatRun) {
  pid_t child = KilledRunAfterLogin();
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  // No start-up pass ran (a copy from another folder was already running).
  TConnectionKeyBackup backup;
  backup.Save();
  WriteRegBinary(HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue, "second login");
  backup.Restore();
  ExpectOriginalKey();
}

// The updater's key holds only the record: it goes with the record, unless
// something else was put in it.
TEST_F(ConnectionBackupRecordTest, TheUpdatersKeyGoesWithTheRecordWhenNothingElseIsInIt) {
  auto save_and_restore = [] {
    TConnectionKeyBackup backup;
    backup.Save();
    backup.Restore();
  };
  save_and_restore();
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUpdaterKey));
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kConnectionKey));

  pid_t child = KilledRunAfterLogin();
  ASSERT_GT(child, 0);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(RestoreAbandonedConnectionBackup());
  EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUpdaterKey));

  PutText(kUpdaterKey + "\\Other", "Name", "x");
  save_and_restore();
  EXPECT_FALSE(RecordExists());
  EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUpdaterKey + "\\Other"));
  ASSERT_EQ(DeleteRegKey(HKEY_LOCAL_MACHINE, kUpdaterKey + "\\Other"), ERROR_SUCCESS);
  PutText(kUpdaterKey, "Name", "x");
  save_and_restore();
  EXPECT_EQ(Raw(kUpdaterKey, "Name").first, REG_SZ);
  EXPECT_EQ(DeleteEmptyRegKey(HKEY_LOCAL_MACHINE, kUpdaterKey), ERROR_ACCESS_DENIED);
}

TEST_F(ConnectionBackupRecordTest, ARunningOwnersRecordStaysAndAnUnfinishedOneGoes) {
  pid_t child = KilledRunAfterLogin(true);
  ASSERT_GT(child, 0);
  for (int i = 0; i < 500; ++i) {
    std::string type;
    if (ReadRegString(HKEY_LOCAL_MACHINE, kConnectionKey, kServerTypeValue, type) == 0) break;
    usleep(10000);
  }
  EXPECT_FALSE(RestoreAbandonedConnectionBackup());
  EXPECT_TRUE(RecordExists());
  Reap(child);
  EXPECT_TRUE(RestoreAbandonedConnectionBackup());
  ExpectOriginalKey();

  // A record whose writer died before it was finished: the key had not been
  // touched yet, so only the record goes.
  Put(HKEY_LOCAL_MACHINE, kConnectionBackupKey, kConnectionStringValue, REG_BINARY, "partial");
  PutText(kConnectionKey, kServerTypeValue, "ORACLE");
  EXPECT_FALSE(RestoreAbandonedConnectionBackup());
  EXPECT_FALSE(RecordExists());
  EXPECT_EQ(Raw(kConnectionKey, kConnectionStringValue), std::make_pair(REG_BINARY, original_));
  EXPECT_EQ(Raw(kConnectionKey, kServerTypeValue).second, std::string("ORACLE\0", 7));
}

}  // namespace
}  // namespace app
