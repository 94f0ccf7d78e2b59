#include "app/reference_preferences_ini.h"

#include <fstream>
#include <sstream>

#include "classlib/ansistr.h"
#include "classlib/numconv.h"
#include "classlib/stream.h"

namespace app {

namespace {

std::string EntryKey(const std::string& section, const std::string& key) {
  return classlib::AnsiUpperCase(classlib::Trim(section)) + "\n" +
         classlib::AnsiUpperCase(classlib::Trim(key));
}

std::string Unquoted(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

TPreferencesIniFile::TPreferencesIniFile(const std::string& ansi_path) {
  std::ifstream file(classlib::NativeFileName(ansi_path), std::ios::binary);
  if (!file) return;
  exists_ = true;
  std::string section;
  std::string line;
  while (std::getline(file, line)) {
    const std::string text = classlib::Trim(line);
    if (text.empty() || text[0] == ';') continue;
    if (text[0] == '[') {
      const auto close = text.find(']');
      section = text.substr(1, close == std::string::npos ? std::string::npos : close - 1);
      continue;
    }
    const auto equals = text.find('=');
    if (equals == std::string::npos) continue;
    values_.emplace(EntryKey(section, text.substr(0, equals)),
                    Unquoted(classlib::Trim(text.substr(equals + 1))));
  }
}

std::string TPreferencesIniFile::ReadString(const std::string& section, const std::string& key,
                                            const std::string& def) const {
  const auto found = values_.find(EntryKey(section, key));
  return found == values_.end() ? def : found->second;
}

int TPreferencesIniFile::ReadInteger(const std::string& section, const std::string& key,
                                     int def) const {
  int value = 0;
  return classlib::TryStrToInt(ReadString(section, key, ""), value) ? value : def;
}

}  // namespace app
