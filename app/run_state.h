// The updater's run state: one set per process, filled step by step as the
// administrator works through the pages and read by the later steps and the
// macros. Texts are ANSI (code page 1251); folders end with a backslash.
#pragma once

#include <cstdint>
#include <string>

#include "platform/window_messages.h"

namespace app {

// The database kinds; "INTRBASE" is treated like "FIREBIRD" wherever the kind
// is tested.
inline const std::string kFirebird = "FIREBIRD";
inline const std::string kMsSql = "MSSQL";
inline const std::string kOracle = "ORACLE";
inline const std::string kInterBase = "INTRBASE";

// First page: the chosen server kind, the connection string as last built and
// the account typed there.
extern std::string DBType;
extern std::string BaseConnectionString;
extern std::string BaseUserName;
extern std::string BasePassword;

// Login: the product user, the typed password, the group, the user's stored
// database account and the connection string carrying that account.
extern std::string LoginUserName;
extern std::string LoginPassword;
extern std::string LoginGroup;
extern std::string SqlUserName;
extern std::string SqlPassword;
extern std::string ProductConnectionString;

// Preparation: what the update description says and what the database holds.
extern bool AlwaysUpdateDB;
extern bool NoUpdateConf;
extern std::string StartVersions;
extern std::string ResultVersion;
extern std::string InfoFile;
extern bool PontarexInstalled;
extern std::string CurrentDBVersion;
extern int32_t NextVersionId;
// Why CurrentDBVersion could not be read, one line in Russian; empty when it
// was read.
extern std::string ReleaseReadFailure;

// Folders of the installation and of the system.
extern std::string ProgramDir;
extern std::string LxDir;
extern std::string PtxDir;
extern std::string OraHome;
extern std::string TempDir;
extern std::string WinDir;
extern std::string SysDir;
extern std::string ProgramFilesDir;
extern std::string CommonFilesDir;
extern std::string KlvCommonDir;

// The reference-database product's preferences; values never read keep these
// starting values.
struct TReferencePreferences {
  bool AutoLogon = false;
  std::string SlideDir;
  std::string TempDir;
  std::string DocumentDir;
  int32_t SaveDays = 3;
  bool Debug = false;
  int32_t RecordsPerLoad = 0;
  int32_t ScriptTimeout = 0;
  std::string FontName;
  int32_t FontSize = 0;
};
extern TReferencePreferences ReferencePreferences;

// The main window, which auxiliary programs report back to.
extern platform::WindowHandle MainWindowHandle;

// The update part that is running.
enum TUpdatePhase : int32_t { upDatabase = 0, upReferenceGroups = 1, upSettings = 2 };
extern int32_t UpdatePhase;
// The running item's share of the progress bar and the bar's position when
// the item started.
extern double ItemPercent;
extern double ItemBasePosition;
// Script statements that failed since the run began, whether or not their
// script went on: a run whose scripts ignored failures is no clean run.
extern int32_t StatementFailures;

// Every value back to its starting state (a new process's).
void ResetRunState();

}  // namespace app
