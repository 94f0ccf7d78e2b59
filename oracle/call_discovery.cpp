// Discovery of the client library: registry, Oracle homes, PATH, and the
// version and call styles of the library found.
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "platform/environment.h"
#include "platform/registry.h"

namespace oracle {

namespace {

const char* const kOracleKey = "SOFTWARE\\ORACLE";

// Registry paths may carry Windows delimiters; the file system wants '/'.
std::string Slashed(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool FileExists(const std::string& ansi_path) {
  struct stat info {};
  std::string path = classlib::Cp1251ToUtf8(Slashed(ansi_path));
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// A text value of the key, whole; empty when missing or not text.
std::string ReadText(platform::TRegistry& registry, const std::string& name) {
  platform::TRegDataType type = registry.GetDataType(name);
  if (type != platform::TRegDataType::rdString && type != platform::TRegDataType::rdExpandString)
    return "";
  return registry.ReadString(name);
}

bool OpenOracleKey(platform::TRegistry& registry, const std::string& sub_key = "") {
  registry.SetRootKey(platform::HKEY_LOCAL_MACHINE);
  std::string key = std::string("\\") + kOracleKey + (sub_key.empty() ? "" : "\\" + sub_key);
  return registry.OpenKeyReadOnly(key);
}

void ReadOracleHome(const std::string& key_name) {
  if (static_cast<int>(OracleHomes.size()) >= kMaxOracleHomes) return;
  platform::TRegistry registry(platform::KEY_READ);
  if (!OpenOracleKey(registry, key_name)) return;
  if (!registry.ValueExists("ORACLE_HOME_NAME") || !registry.ValueExists("ORACLE_HOME")) return;
  std::string name = ReadText(registry, "ORACLE_HOME_NAME");
  std::string path = WithoutTrailingSlash(Slashed(ReadText(registry, "ORACLE_HOME")));
  for (const TOracleHome& home : OracleHomes)
    if (classlib::AnsiSameText(home.Name, name)) return;
  OracleHomes.push_back({path, key_name, name});
}

// The first PATH entry that names a home's bin folder (its library in its
// lib folder) or the home itself (its library there) picks that home.
void MatchHomeOnPath() {
  std::string path = platform::GetEnvironmentVariable("PATH");
  size_t start = 0;
  while (start <= path.size() && OracleHomeOnPath < 0) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string entry = classlib::Trim(path.substr(start, end - start));
    for (int i = 0; i < static_cast<int>(OracleHomes.size()); ++i) {
      const std::string& home = OracleHomes[i].Path;
      bool bin = entry == home + "/bin" || entry == home + "/bin/";
      bool itself = entry == home || entry == home + "/";
      if ((bin && FileExists(home + "/lib/" + kOciLibraryName)) ||
          (itself && FileExists(home + "/" + kOciLibraryName))) {
        OracleHomeOnPath = i;
        break;
      }
    }
    start = end + 1;
  }
}

// The home folder of a library path: its folder, without a final "/lib".
std::string HomeOfLibrary(const std::string& library) {
  std::string folder = classlib::ExtractFileDir(Slashed(library));
  if (folder.size() >= 4 && classlib::SameText(folder.substr(folder.size() - 4), "/lib"))
    folder.resize(folder.size() - 4);
  return folder;
}

// Steps 6 to 8: the library of the chosen home, or the bare name.
void ChooseLibraryOfHome(platform::TRegistry& registry, bool key_open) {
  if (!OracleHomeName.empty()) {
    auto row = std::find_if(OracleHomes.begin(), OracleHomes.end(),
                            [](const TOracleHome& home) { return home.Name == OracleHomeName; });
    if (row == OracleHomes.end())
      throw classlib::Exception("Cannot find OCI DLL: in " + OracleHomeName);
    OracleHomePath = row->Path;
  } else if (OracleHomeOnPath >= 0) {
    OracleHomePath = OracleHomes[OracleHomeOnPath].Path;
  } else {
    OracleHomePath = key_open ? Slashed(ReadText(registry, "ORACLE_HOME")) : "";
    if (OracleHomePath.empty()) OracleHomePath = platform::GetEnvironmentVariable("ORACLE_HOME");
    if (OracleHomePath.empty()) {
      OCIDLL = kOciLibraryName;
      return;
    }
  }
  OracleHomePath = WithoutTrailingSlash(Slashed(OracleHomePath));
  for (const std::string& candidate :
       {OracleHomePath + "/lib/" + kOciLibraryName, OracleHomePath + "/" + kOciLibraryName}) {
    if (FileExists(candidate)) {
      OCIDLL = candidate;
      return;
    }
  }
  if (!OracleHomeName.empty())
    throw classlib::Exception("Cannot find OCI DLL: " + OracleHomePath + "/lib/" + kOciLibraryName);
  OCIDLL = kOciLibraryName;
}

// Steps 10 to 12: version, call styles and the second library.
void DetectVersion() {
  OCIClientVersionText = GetOciClientVersion(OCIDLL);
  OCIVersion = ParseClientVersion(OCIClientVersionText);
  if (OCIClientVersionText.empty()) throw classlib::Exception("Cannot find OCI DLL: " + OCIDLL);
  if (OCIVersion >= 7300 && OCIVersion <= 7399) {
    PossibleCallStyles |= kCallStyleOci7;
    DefaultCallStyle = kOci7;
  } else if (OCIVersion < 8000 || OCIVersion >= 11000) {
    throw classlib::Exception("OCI version " + OCIClientVersionText + " is not supported");
  } else {
    PossibleCallStyles |= kCallStyleOci7 | kCallStyleOci8;
    if (DefaultCallStyle == 0) DefaultCallStyle = kOci8;
  }
  // There is no separate library for the XML stream entries here.
  OCISecondLibrary = OCIVersion >= 9000 ? OCIDLL : "";
}

}  // namespace

void ReadOracleHomes() {
  OracleHomes.clear();
  OracleHomeOnPath = -1;
  platform::TRegistry registry(platform::KEY_READ);
  if (!OpenOracleKey(registry)) return;
  std::vector<std::string> keys;
  registry.GetKeyNames(keys);
  for (const std::string& key : keys) {
    std::string head = classlib::UpperCase(key.substr(0, 4));
    if (head == "HOME" || head == "KEY_") ReadOracleHome(key);
  }
}

void FindOracleHomes() {
  ReadOracleHomes();
  if (!OracleHomes.empty()) MatchHomeOnPath();
  platform::TRegistry registry(platform::KEY_READ);
  bool key_open = OpenOracleKey(registry);
  if (OCIDLL.empty() && key_open) OCIDLL = classlib::Trim(ReadText(registry, "OCIDLL"));
  if (!OCIDLL.empty())
    OracleHomePath = HomeOfLibrary(OCIDLL);
  else
    ChooseLibraryOfHome(registry, key_open);
  OCILite = key_open && classlib::SameText(ReadText(registry, "OLITE").substr(0, 3), "YES");
  DetectVersion();
}

}  // namespace oracle
