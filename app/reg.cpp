#include "app/reg.h"

#include <vector>

#include "classlib/ansistr.h"
#include "platform/registry_hive.h"

namespace app {

using platform::BYTE;
using platform::DWORD;
using platform::ERROR_INVALID_DATA;
using platform::ERROR_SUCCESS;

namespace {

// Closes the key when the routine leaves, whichever way it leaves.
class OpenedKey {
 public:
  OpenedKey() = default;
  ~OpenedKey() {
    if (key_) platform::RegCloseKey(key_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The path as the registry gets it, or empty when it is blank.
std::string UsablePath(const std::string& path) { return classlib::Trim(path); }

LONG OpenForQuery(HKEY root, const std::string& path, OpenedKey& key) {
  std::string usable = UsablePath(path);
  if (usable.empty()) return ERROR_INVALID_DATA;
  return platform::RegOpenKeyExA(root, usable.c_str(), 0, platform::KEY_QUERY_VALUE, key.Out());
}

LONG OpenForSetting(HKEY root, const std::string& path, OpenedKey& key) {
  std::string usable = UsablePath(path);
  if (usable.empty()) return ERROR_INVALID_DATA;
  return platform::RegCreateKeyExA(root, usable.c_str(), 0, nullptr,
                                   platform::REG_OPTION_NON_VOLATILE, platform::KEY_SET_VALUE,
                                   nullptr, key.Out(), nullptr);
}

LONG WriteValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                const BYTE* data, DWORD size) {
  OpenedKey key;
  LONG result = OpenForSetting(root, path, key);
  if (result != ERROR_SUCCESS) return result;
  return platform::RegSetValueExA(key.Get(), name.c_str(), 0, type, data, size);
}

bool IsTextType(DWORD type) {
  return type == platform::REG_SZ || type == platform::REG_EXPAND_SZ ||
         type == platform::REG_MULTI_SZ;
}

bool IsNumberType(DWORD type) {
  return type == platform::REG_DWORD || type == platform::REG_DWORD_BIG_ENDIAN;
}

bool IsBinaryType(DWORD type) { return type == platform::REG_BINARY; }

// Reads a value whose type passes the check into data (at most `capacity`
// bytes). The type is asked first, so a value of the wrong type is refused
// whatever its size.
LONG ReadValue(HKEY root, const std::string& path, const std::string& name,
               bool (*type_ok)(DWORD), DWORD capacity, std::vector<BYTE>& data, DWORD& type) {
  OpenedKey key;
  LONG result = OpenForQuery(root, path, key);
  if (result != ERROR_SUCCESS) return result;
  result = platform::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return result;
  if (!type_ok(type)) return ERROR_INVALID_DATA;
  data.assign(capacity, 0);
  DWORD size = capacity;
  result = platform::RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, data.data(), &size);
  if (result != ERROR_SUCCESS) return result;
  data.resize(size);
  return ERROR_SUCCESS;
}

// Every byte but the last (the terminator both writers add).
std::string WithoutLastByte(const std::vector<BYTE>& data) {
  if (data.empty()) return {};
  return std::string(data.begin(), data.end() - 1);
}

}  // namespace

LONG DeleteRegKey(HKEY root, const std::string& path) {
  std::string usable = UsablePath(path);
  if (usable.empty()) return ERROR_INVALID_DATA;
  return platform::RegDeleteKeyA(root, usable.c_str());
}

LONG DeleteEmptyRegKey(HKEY root, const std::string& path) {
  OpenedKey key;
  LONG result = OpenForQuery(root, path, key);
  if (result != ERROR_SUCCESS) return result;
  DWORD sub_keys = 0;
  DWORD values = 0;
  result = platform::RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &sub_keys, nullptr,
                                      nullptr, &values, nullptr, nullptr, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return result;
  if (sub_keys != 0 || values != 0) return platform::ERROR_ACCESS_DENIED;
  // A subkey made since the count still stops the deletion.
  return DeleteRegKey(root, path);
}

bool RegKeyExists(HKEY root, const std::string& path) {
  std::string usable = UsablePath(path);
  if (usable.empty()) return false;
  OpenedKey key;
  return platform::RegOpenKeyExA(root, usable.c_str(), 0, platform::KEY_READ, key.Out()) ==
         ERROR_SUCCESS;
}

LONG WriteRegString(HKEY root, const std::string& path, const std::string& name,
                    const std::string& value) {
  return WriteValue(root, path, name, platform::REG_SZ,
                    reinterpret_cast<const BYTE*>(value.c_str()),
                    static_cast<DWORD>(value.size() + 1));
}

LONG WriteRegBinary(HKEY root, const std::string& path, const std::string& name,
                    const std::string& value) {
  DWORD size = value.empty() ? 0 : static_cast<DWORD>(value.size() + 1);
  return WriteValue(root, path, name, platform::REG_BINARY,
                    reinterpret_cast<const BYTE*>(value.c_str()), size);
}

LONG ReadRegString(HKEY root, const std::string& path, const std::string& name,
                   std::string& value) {
  std::vector<BYTE> data;
  DWORD type = 0;
  LONG result = ReadValue(root, path, name, IsTextType, kRegReadBufferSize, data, type);
  if (result == ERROR_SUCCESS) value = classlib::Trim(WithoutLastByte(data));
  return result;
}

LONG ReadRegInteger(HKEY root, const std::string& path, const std::string& name,
                    int32_t& value) {
  std::vector<BYTE> data;
  DWORD type = 0;
  LONG result = ReadValue(root, path, name, IsNumberType, kRegReadBufferSize, data, type);
  if (result != ERROR_SUCCESS) return result;
  if (data.size() != 4) return ERROR_INVALID_DATA;
  uint32_t number = 0;
  for (int i = 0; i < 4; ++i) {
    int shift = type == platform::REG_DWORD_BIG_ENDIAN ? 8 * (3 - i) : 8 * i;
    number |= static_cast<uint32_t>(data[i]) << shift;
  }
  value = static_cast<int32_t>(number);
  return ERROR_SUCCESS;
}

LONG ReadRegBinary(HKEY root, const std::string& path, const std::string& name,
                   std::string& value) {
  std::vector<BYTE> data;
  DWORD type = 0;
  LONG result = ReadValue(root, path, name, IsBinaryType, kRegReadBufferSize, data, type);
  if (result == ERROR_SUCCESS) value = WithoutLastByte(data);
  return result;
}

LONG DeleteRegValue(HKEY root, const std::string& path, const std::string& name) {
  std::string usable = UsablePath(path);
  if (usable.empty()) return ERROR_INVALID_DATA;
  OpenedKey key;
  LONG result =
      platform::RegOpenKeyExA(root, usable.c_str(), 0, platform::KEY_SET_VALUE, key.Out());
  if (result != ERROR_SUCCESS) return result;
  return platform::RegDeleteValueA(key.Get(), name.c_str());
}

}  // namespace app
