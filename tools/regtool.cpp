// Reads and writes the registry hives from the command line, for tests and
// auxiliary programs. Text is UTF-8 both ways.
//
//   regtool get    KEY NAME
//   regtool set    KEY NAME sz|expand|dword|binary|multi DATA...
//   regtool delete KEY [NAME]     without NAME the key and all below it
//   regtool list   KEY            subkeys as "[name]", then "name<TAB>type<TAB>data"
//
// KEY starts with HKLM, HKCU, HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER; NAME ""
// is the default value. Exit codes: 0 done, 1 not found, 2 usage or error.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform/registry_hive.h"
#include "platform/registry_store.h"

namespace {

using platform::HiveId;
using platform::RegHive;
using platform::RegKey;
using platform::RegValue;

constexpr int kOk = 0;
constexpr int kNotFound = 1;
constexpr int kError = 2;

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct KeyPath {
  HiveId hive;
  std::vector<std::string> path;
};

KeyPath ParseKeyPath(const std::string& text) {
  std::vector<std::string> parts = platform::SplitKeyPath(text);
  if (parts.empty()) throw UsageError("no key given");
  std::u16string root = platform::FoldName(parts.front());
  KeyPath key;
  if (root == u"HKLM" || root == u"HKEY_LOCAL_MACHINE") {
    key.hive = HiveId::LocalMachine;
  } else if (root == u"HKCU" || root == u"HKEY_CURRENT_USER") {
    key.hive = HiveId::CurrentUser;
  } else {
    throw UsageError("the key must start with HKLM or HKCU: " + text);
  }
  key.path.assign(parts.begin() + 1, parts.end());
  return key;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "01,ff,20", "01 ff 20" or "01ff20".
std::string ParseBytes(const std::string& text) {
  std::string bytes, digits;
  for (char c : text) {
    if (c == ',' || c == ' ') continue;
    if (HexValue(c) < 0) throw UsageError("not a hex byte list: " + text);
    digits += c;
  }
  if (digits.size() % 2 != 0) throw UsageError("odd number of hex digits: " + text);
  for (size_t i = 0; i < digits.size(); i += 2)
    bytes += static_cast<char>(HexValue(digits[i]) * 16 + HexValue(digits[i + 1]));
  return bytes;
}

std::string ParseDword(const std::string& text) {
  char* end = nullptr;
  errno = 0;
  // Decimal, or hex after "0x"; a leading zero does not mean octal here.
  bool hex = text.starts_with("0x") || text.starts_with("0X");
  long long n = std::strtoll(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
  if (text.size() <= (hex ? 2u : 0u) || *end != '\0' || errno != 0 || n < INT32_MIN || n > UINT32_MAX)
    throw UsageError("not a 32-bit number: " + text);
  uint32_t v = static_cast<uint32_t>(n);
  return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                     static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

void ParseData(const std::string& type_name, const std::vector<std::string>& args,
               uint32_t& type, std::string& data) {
  if (type_name == "multi") {
    type = platform::REG_MULTI_SZ;
    for (const std::string& s : args) data += s + '\0';
    return;
  }
  if (args.size() != 1) throw UsageError("give exactly one value for type " + type_name);
  const std::string& arg = args.front();
  if (type_name == "sz") {
    type = platform::REG_SZ;
    data = arg;
  } else if (type_name == "expand") {
    type = platform::REG_EXPAND_SZ;
    data = arg;
  } else if (type_name == "dword") {
    type = platform::REG_DWORD;
    data = ParseDword(arg);
  } else if (type_name == "binary") {
    type = platform::REG_BINARY;
    data = ParseBytes(arg);
  } else {
    throw UsageError("unknown type " + type_name + " (sz, expand, dword, binary, multi)");
  }
}

std::string TypeName(uint32_t type) {
  switch (type) {
    case platform::REG_SZ: return "sz";
    case platform::REG_EXPAND_SZ: return "expand";
    case platform::REG_DWORD: return "dword";
    case platform::REG_BINARY: return "binary";
    case platform::REG_MULTI_SZ: return "multi";
    default: return "type" + std::to_string(type);
  }
}

std::string HexBytes(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", static_cast<unsigned char>(bytes[i]));
    out += buf;
  }
  return out;
}

// The value's data as text; a multi-text's parts are joined by `separator`.
std::string DataText(const RegValue& value, const std::string& separator) {
  switch (value.type) {
    case platform::REG_SZ:
    case platform::REG_EXPAND_SZ:
      return value.data;
    case platform::REG_MULTI_SZ: {
      std::string out;
      for (size_t start = 0; start < value.data.size();) {
        size_t end = value.data.find('\0', start);
        if (start > 0) out += separator;
        out += value.data.substr(start, end - start);
        start = end + 1;
      }
      return out;
    }
    case platform::REG_DWORD:
      if (value.data.size() == 4) {
        uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | static_cast<unsigned char>(value.data[i]);
        return std::to_string(n);
      }
      return HexBytes(value.data);
    default:
      return HexBytes(value.data);
  }
}

int Get(const KeyPath& key, const std::string& name) {
  RegHive hive = platform::ReadHive(key.hive);
  const RegKey* found = hive.Find(key.path);
  const RegValue* value = found ? found->FindValue(name) : nullptr;
  if (!value) return kNotFound;
  std::cout << DataText(*value, "\n") << "\n";
  return kOk;
}

int Set(const KeyPath& key, const std::string& name, uint32_t type, const std::string& data) {
  if (!platform::IsStorableName(name))
    throw UsageError("a value name must be UTF-8 without line breaks");
  for (const std::string& part : key.path)
    if (!platform::IsStorableName(part))
      throw UsageError("a key name must be UTF-8 without line breaks");
  bool text = type == platform::REG_SZ || type == platform::REG_EXPAND_SZ ||
              type == platform::REG_MULTI_SZ;
  if (text && !platform::IsValidUtf8(data)) throw UsageError("the text is not UTF-8");
  platform::ModifyHive(key.hive, [&](RegHive& hive) {
    hive.Create(key.path).SetValue(name, type, data);
    return true;
  });
  return kOk;
}

int Delete(const KeyPath& key, const std::string* name) {
  if (!name && key.path.empty()) throw UsageError("a hive's root cannot be deleted");
  int result = kOk;
  platform::ModifyHive(key.hive, [&](RegHive& hive) {
    if (name) {
      RegKey* found = hive.Find(key.path);
      if (!found || !found->RemoveValue(*name)) result = kNotFound;
      return result == kOk;
    }
    std::vector<std::string> parent_path(key.path.begin(), key.path.end() - 1);
    RegKey* parent = hive.Find(parent_path);
    if (!parent || !parent->RemoveSubKey(key.path.back())) result = kNotFound;
    return result == kOk;
  });
  return result;
}

int List(const KeyPath& key) {
  RegHive hive = platform::ReadHive(key.hive);
  const RegKey* found = hive.Find(key.path);
  if (!found) return kNotFound;
  for (const auto& [folded, sub] : found->SubKeys()) std::cout << "[" << sub->Name() << "]\n";
  for (const RegValue& value : found->Values())
    std::cout << (value.name.empty() ? "@" : value.name) << "\t" << TypeName(value.type) << "\t"
              << DataText(value, "\\0") << "\n";
  return kOk;
}

int Run(const std::vector<std::string>& args) {
  if (args.size() < 2) throw UsageError("a command and a key are needed");
  const std::string& command = args[0];
  KeyPath key = ParseKeyPath(args[1]);
  if (command == "get" && args.size() == 3) return Get(key, args[2]);
  if (command == "set" && args.size() >= 5) {
    uint32_t type = 0;
    std::string data;
    ParseData(args[3], std::vector<std::string>(args.begin() + 4, args.end()), type, data);
    return Set(key, args[2], type, data);
  }
  if (command == "delete" && args.size() == 2) return Delete(key, nullptr);
  if (command == "delete" && args.size() == 3) return Delete(key, &args[2]);
  if (command == "list" && args.size() == 2) return List(key);
  throw UsageError("unknown command or wrong number of arguments");
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "regtool: " << e.what() << "\n"
              << "usage: regtool get KEY NAME | set KEY NAME sz|expand|dword|binary|multi DATA... |"
                 " delete KEY [NAME] | list KEY\n";
  } catch (const std::exception& e) {
    std::cerr << "regtool: " << e.what() << "\n";
  }
  return kError;
}
