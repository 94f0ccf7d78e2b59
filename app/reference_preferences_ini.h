// A reader of the product's older settings file ("lexref.ini"): sections in
// brackets and "key=value" lines, names matched in any letter case, as the
// platform's profile routines read them.
#pragma once

#include <map>
#include <string>

namespace app {

class TPreferencesIniFile {
 public:
  // Reads the whole file (ANSI path); a file that cannot be read reads as
  // empty, so every entry gives its default.
  explicit TPreferencesIniFile(const std::string& ansi_path);

  bool Exists() const { return exists_; }
  // The value trimmed of blanks, and of one pair of matching quotes around it.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // The default when the entry is missing or is not a whole integer.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;

 private:
  bool exists_ = false;
  // Keyed by "SECTION\nKEY" in upper case; the first entry of a name counts.
  std::map<std::string, std::string> values_;
};

}  // namespace app
