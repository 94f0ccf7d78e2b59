#include "app/system_folders.h"

#include "app/product_paths.h"
#include "app/reg.h"
#include "app/run_state.h"
#include "classlib/codepage.h"
#include "platform/environment.h"

namespace app {

namespace {

// A folder the platform gives as a file-system path, as the run state's text.
std::string FolderText(const std::string& utf8_path) {
  return WithTrailingBackslash(classlib::Utf8ToCp1251(utf8_path));
}

std::string RegistryFolder(const std::string& name) {
  std::string folder;
  if (ReadRegString(platform::HKEY_LOCAL_MACHINE, kWindowsCurrentVersionKey, name, folder) !=
      platform::ERROR_SUCCESS)
    return {};
  return WithTrailingBackslash(folder);
}

}  // namespace

void FillSystemFolders() {
  WinDir = FolderText(platform::WindowsDirectory());
  SysDir = FolderText(platform::SystemDirectory());
  // "TEMP" names the temporary folder where programs of the product look for
  // it; a system without it gets the system's own temporary folder rather
  // than the root folder that an empty name would mean.
  std::string temp = platform::GetEnvironmentVariable("TEMP");
  TempDir = temp.empty() ? FolderText(platform::TempDirectory()) : WithTrailingBackslash(temp);
  ProgramFilesDir = RegistryFolder("ProgramFilesDir");
  CommonFilesDir = RegistryFolder("CommonFilesDir");
  KlvCommonDir = CommonFilesDir.empty() ? std::string() : CommonFilesDir + "Kelvo Shared\\";
}

}  // namespace app
