// One registry hive held in memory, and its file form: the text a registry
// editor exports ("Windows Registry Editor Version 5.00", [KEY\PATH] sections,
// "name"="text", @ for the default value, dword:, hex:, hex(N):), in UTF-8.
//
// Inside the hive every text is UTF-8. Value data is kept as follows:
//   REG_SZ, REG_EXPAND_SZ  the text, without a terminating zero
//   REG_MULTI_SZ           each text followed by one zero byte
//   everything else        the raw bytes (REG_DWORD: 4 bytes, little-endian)
// Key and value names compare case-insensitively and keep the case they were
// created with.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/exceptions.h"

namespace platform {

constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;
constexpr uint32_t REG_DWORD_BIG_ENDIAN = 5;
constexpr uint32_t REG_MULTI_SZ = 7;
constexpr uint32_t REG_QWORD = 11;

// A hive file that cannot be read as one. The message names the file and the
// line, so whoever repairs it knows where to look.
class ERegistryFileError : public classlib::Exception {
  CLASSLIB_CLASS(ERegistryFileError, classlib::Exception)
 public:
  ERegistryFileError(const std::string& file, int line, const std::string& what);
  const std::string& File() const { return file_; }
  int Line() const { return line_; }

 private:
  std::string file_;
  int line_;
};

// The case-insensitive form of a UTF-8 name: upper-cased UTF-16 (ASCII,
// Latin-1 and Cyrillic letters fold). Equal folds mean the same name.
std::u16string FoldName(std::string_view utf8_name);

// "Software\\X\\Y" -> {"Software", "X", "Y"}; empty parts (leading, doubled or
// trailing backslashes) are dropped.
std::vector<std::string> SplitKeyPath(std::string_view path);

// Hive text must be UTF-8; text from outside is checked with this first.
bool IsValidUtf8(std::string_view text);

// Whether a key or value name can be stored: UTF-8 with no line breaks or
// zeros, since the file keeps one name per line.
bool IsStorableName(std::string_view name);

struct RegValue {
  std::string name;
  uint32_t type = REG_NONE;
  std::string data;
  std::u16string folded_name;  // FoldName(name), kept to make lookups cheap
};

class RegKey {
 public:
  using SubKeyMap = std::map<std::u16string, std::unique_ptr<RegKey>>;

  explicit RegKey(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }

  // Subkeys in the order of their folded names, as enumeration shows them.
  const SubKeyMap& SubKeys() const { return subkeys_; }
  RegKey* FindSubKey(std::string_view name);
  const RegKey* FindSubKey(std::string_view name) const;
  // The existing subkey of that name, or a new one.
  RegKey& AddSubKey(std::string_view name);
  bool RemoveSubKey(std::string_view name);

  // Values in the order they were first set.
  const std::vector<RegValue>& Values() const { return values_; }
  const RegValue* FindValue(std::string_view name) const;
  // Replaces the data of an existing value (its name keeps its first case).
  void SetValue(std::string_view name, uint32_t type, std::string data);
  bool RemoveValue(std::string_view name);

 private:
  std::string name_;
  SubKeyMap subkeys_;
  std::vector<RegValue> values_;
};

// A hive: its root key carries the hive's name ("HKEY_LOCAL_MACHINE").
class RegHive {
 public:
  explicit RegHive(std::string root_name) : root_(std::move(root_name)) {}

  RegKey& Root() { return root_; }
  const RegKey& Root() const { return root_; }

  // The key at a path of names below the root; nullptr when any is missing.
  RegKey* Find(const std::vector<std::string>& path);
  const RegKey* Find(const std::vector<std::string>& path) const;
  // The key at the path, creating the missing ones.
  RegKey& Create(const std::vector<std::string>& path);

 private:
  RegKey root_;
};

// Reads the file form. `file_name` only names the file in errors; every
// section must lie below `root_name`. Raises ERegistryFileError.
RegHive ParseHive(std::string_view text, const std::string& root_name,
                  const std::string& file_name);
// Writes the file form: every key as a section, depth first.
std::string FormatHive(const RegHive& hive);

}  // namespace platform
