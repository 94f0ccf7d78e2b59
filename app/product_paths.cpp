#include "app/product_paths.h"

#include "app/reg.h"
#include "classlib/ansistr.h"

namespace app {

namespace {

std::string InstallPathOf(const std::string& product_key, const std::string& release) {
  std::string key = product_key;
  std::string value_name = "Directory";
  std::string chosen = release;
  if (chosen.empty() && ReadRegString(platform::HKEY_LOCAL_MACHINE, product_key, "CurrentVersion",
                                      chosen) != platform::ERROR_SUCCESS)
    chosen.clear();
  if (!chosen.empty()) {
    key = product_key + "\\" + chosen;
    value_name = InstallPathValueName(chosen);
  }
  std::string folder;
  if (ReadRegString(platform::HKEY_LOCAL_MACHINE, key, value_name, folder) !=
      platform::ERROR_SUCCESS)
    return {};
  return WithTrailingBackslash(classlib::Trim(folder));
}

}  // namespace

std::string InstallPathValueName(const std::string& release) {
  return release < std::string("3.0") ? "Directory" : "InstallPath";
}

std::string GetLexariumInstallPath(const std::string& release) {
  return InstallPathOf(kLexariumKey, release);
}

std::string GetPontarexInstallPath(const std::string& release) {
  return InstallPathOf(kPontarexKey, release);
}

std::string GetOracleHome() {
  std::string home;
  if (ReadRegString(platform::HKEY_LOCAL_MACHINE, kOracleKey, "ORACLE_HOME", home) !=
      platform::ERROR_SUCCESS)
    return {};
  return home;
}

std::string WithTrailingBackslash(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder;
  return folder + "\\";
}

}  // namespace app
