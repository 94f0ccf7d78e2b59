#include "app/reference_preferences.h"

#include "app/reference_preferences_ini.h"
#include "app/reg.h"
#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/numconv.h"

namespace app {

namespace {

const std::string kFirstRegistryRelease = "3.0";

bool IsTrueText(const std::string& value) { return classlib::UpperCase(value) == "TRUE"; }

class TRegistryPreferences {
 public:
  explicit TRegistryPreferences(const std::string& release)
      : key_(ReferencePreferencesKey(release)) {}

  void String(const char* name, std::string& value) const {
    ReadRegString(platform::HKEY_LOCAL_MACHINE, key_, name, value);
  }
  void Boolean(const char* name, bool& value) const {
    std::string text;
    if (ReadRegString(platform::HKEY_LOCAL_MACHINE, key_, name, text) == platform::ERROR_SUCCESS)
      value = IsTrueText(text);
  }
  // A number value, or a string holding one; a string that holds none gives
  // the fallback.
  void Integer(const char* name, int32_t& value, int fallback) const {
    if (ReadRegInteger(platform::HKEY_LOCAL_MACHINE, key_, name, value) == platform::ERROR_SUCCESS)
      return;
    std::string text;
    if (ReadRegString(platform::HKEY_LOCAL_MACHINE, key_, name, text) == platform::ERROR_SUCCESS)
      value = classlib::StrToIntDef(text, fallback);
  }

 private:
  std::string key_;
};

void ReadFromRegistry(const std::string& release, TReferencePreferences& p) {
  const TRegistryPreferences registry(release);
  registry.Boolean("FlagAutoLogon", p.AutoLogon);
  registry.String("PathSlaid", p.SlideDir);
  registry.String("PathTemp", p.TempDir);
  registry.String("PathDocument", p.DocumentDir);
  p.SaveDays = 3;
  registry.Boolean("FlagDebugger", p.Debug);
  registry.Integer("SwapLine", p.RecordsPerLoad, kDefaultRecordsPerLoad);
  registry.Integer("ScriptTimeOut", p.ScriptTimeout, kDefaultScriptTimeout);
  registry.String("FontName", p.FontName);
  registry.Integer("FontSize", p.FontSize, kDefaultFontSize);
}

void ReadFromFile(TReferencePreferences& p) {
  const TPreferencesIniFile ini(LxDir + "lexref.ini");
  if (!ini.Exists()) return;
  p.AutoLogon = IsTrueText(ini.ReadString("user", "FlagWinUser", "false"));
  p.SlideDir = ini.ReadString("path", "PathSlaid", "picture");
  p.TempDir = ini.ReadString("path", "PathTemp", "");
  p.DocumentDir = ini.ReadString("path", "PathDocument", "");
  p.SaveDays = 3;
  p.Debug = IsTrueText(ini.ReadString("Debugger", "FlagDebugger", "false"));
  p.RecordsPerLoad = ini.ReadInteger("user", "SwapLine", kDefaultRecordsPerLoad);
  p.ScriptTimeout = ini.ReadInteger("Script", "Timeout", kDefaultScriptTimeout);
  p.FontName = ini.ReadString("font", "FontName", "Quellantrix");
  p.FontSize = ini.ReadInteger("font", "FontSize", kDefaultFontSize);
}

}  // namespace

std::string ReferencePreferencesKey(const std::string& release) {
  return "Software\\KELVO\\Lexarium\\" + release + "\\Preference";
}

void ReadReferencePreferences(const std::string& release) {
  if (release.compare(kFirstRegistryRelease) >= 0)
    ReadFromRegistry(release, ReferencePreferences);
  else
    ReadFromFile(ReferencePreferences);
}

}  // namespace app
