#include "app/run_state.h"

namespace app {

std::string DBType;
std::string BaseConnectionString;
std::string BaseUserName;
std::string BasePassword;

std::string LoginUserName;
std::string LoginPassword;
std::string LoginGroup;
std::string SqlUserName;
std::string SqlPassword;
std::string ProductConnectionString;

bool AlwaysUpdateDB = false;
bool NoUpdateConf = false;
std::string StartVersions;
std::string ResultVersion;
std::string InfoFile;
bool PontarexInstalled = false;
std::string CurrentDBVersion;
int32_t NextVersionId = 0;
std::string ReleaseReadFailure;

std::string ProgramDir;
std::string LxDir;
std::string PtxDir;
std::string OraHome;
std::string TempDir;
std::string WinDir;
std::string SysDir;
std::string ProgramFilesDir;
std::string CommonFilesDir;
std::string KlvCommonDir;

TReferencePreferences ReferencePreferences;

platform::WindowHandle MainWindowHandle = 0;

int32_t UpdatePhase = upDatabase;
double ItemPercent = 0;
double ItemBasePosition = 0;
int32_t StatementFailures = 0;

void ResetRunState() {
  for (std::string* text :
       {&DBType, &BaseConnectionString, &BaseUserName, &BasePassword, &LoginUserName,
        &LoginPassword, &LoginGroup, &SqlUserName, &SqlPassword, &ProductConnectionString,
        &StartVersions, &ResultVersion, &InfoFile, &CurrentDBVersion, &ReleaseReadFailure,
        &ProgramDir, &LxDir, &PtxDir, &OraHome, &TempDir, &WinDir, &SysDir, &ProgramFilesDir,
        &CommonFilesDir, &KlvCommonDir})
    text->clear();
  AlwaysUpdateDB = false;
  NoUpdateConf = false;
  PontarexInstalled = false;
  NextVersionId = 0;
  ReferencePreferences = TReferencePreferences();
  MainWindowHandle = 0;
  UpdatePhase = upDatabase;
  ItemPercent = 0;
  ItemBasePosition = 0;
  StatementFailures = 0;
}

}  // namespace app
