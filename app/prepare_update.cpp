#include "app/prepare_update.h"

#include <QFile>

#include "app/message_boxes.h"
#include "app/product_paths.h"
#include "app/progress_view.h"
#include "app/qt_text.h"
#include "app/reference_preferences.h"
#include "app/reg.h"
#include "app/run_state.h"
#include "app/system_folders.h"
#include "app/update_description.h"
#include "classlib/ansistr.h"
#include "classlib/stream.h"
#include "platform/environment.h"

namespace app {

namespace {

QString Quoted(const char* format_utf8, const std::string& path) {
  return QString::fromUtf8(format_utf8).arg(QStringOfAnsi(path));
}

// Loads the description into UpdateDescription; false after the message.
bool LoadDescription(QWidget* owner) {
  const std::string path = ProgramDir + kUpdateDescriptionFile;
  if (!QFile::exists(QString::fromStdString(classlib::NativeFileName(path)))) {
    MessageBoxes().Show(nullptr, Quoted("Отсутствует файл конфигурации \"%1\"", path),
                        kErrorCaption, MB_OK | MB_ICONERROR);
    return false;
  }
  try {
    auto loaded = TUpdateDescription::LoadFromFile(path);
    UpdateDescription = std::move(loaded);
  } catch (const EUpdateDescriptionError& error) {
    UpdateDescription.reset();
    ShowErrorBox(owner, Quoted("Невозможно открыть файл конфигурации \"%1\"", path) +
                            QStringLiteral("\r\n") + QStringOfAnsi(error.what()));
    return false;
  }
  return true;
}

// The installed products: the reference product's folder and preferences,
// and whether the process-planning product is there and where.
void ReadInstalledProducts() {
  std::string release;
  ReadRegString(platform::HKEY_LOCAL_MACHINE, kLexariumKey, "CurrentVersion", release);
  LxDir = GetLexariumInstallPath(release);
  ReadReferencePreferences(release);

  PontarexInstalled = RegKeyExists(platform::HKEY_LOCAL_MACHINE, kPontarexKey);
  PtxDir.clear();
  if (PontarexInstalled) {
    // A failed read leaves the reference product's release in place, as
    // the product's own tools do.
    ReadRegString(platform::HKEY_LOCAL_MACHINE, kPontarexKey, "CurrentVersion", release);
    PtxDir = GetPontarexInstallPath(release);
  }
}

}  // namespace

std::string ReleaseFolder() {
  std::string configured = platform::GetEnvironmentVariable("UPDATER_RELEASE_DIR");
  if (!configured.empty()) {
    // A folder of this system: its own delimiter joins the file names.
    if (configured.back() != '/' && configured.back() != '\\') configured += '/';
    return configured;
  }
  return WithTrailingBackslash(classlib::Utf8ToCp1251(platform::ModuleDirectory()));
}

void ApplyUpdateDescription() {
  const TUpdateDescription empty;
  const TUpdateDescription& d = UpdateDescription ? *UpdateDescription : empty;
  AlwaysUpdateDB = d.AlwaysUpdateDB;
  NoUpdateConf = d.NoUpdateConf;
  StartVersions.clear();
  ResultVersion.clear();
  InfoFile.clear();
  if (d.HasVersions) {
    StartVersions = classlib::Trim(d.StartBdVersion) + ";";
    ResultVersion = d.ResultBdVersion;
  } else {
    InfoFile = d.InfoFile;
  }
}

bool PrepareUpdate(const TPreparationTarget& target) {
  OraHome = GetOracleHome();
  ProgramDir = ReleaseFolder();
  if (!LoadDescription(target.owner)) return false;
  FillSystemFolders();
  ApplyUpdateDescription();
  ReadInstalledProducts();

  const std::string shown_failure = ReleaseReadFailure;
  ReadDatabaseRelease(target.connections);
  if (!CurrentDBVersion.empty() && CurrentDBVersion.back() == ';') CurrentDBVersion.pop_back();

  if (target.view != nullptr) {
    // The status line says why the release is unknown, and stops saying
    // what an earlier login found once it is known.
    if (!ReleaseReadFailure.empty())
      target.view->SetStatusText(ReleaseReadFailure);
    else if (!shown_failure.empty() && target.view->StatusText() == shown_failure)
      target.view->SetStatusText("");
    target.view->SetStateImage(upDatabase, siNotRun);
    target.view->SetStateImage(upSettings, siNotRun);
  }
  return true;
}

}  // namespace app
