#include "platform/registry.h"

#include <cstring>

namespace platform {

namespace {

[[noreturn]] void RaiseInvalidType(const std::string& name) {
  throw ERegistryException("Invalid data type for '" + name + "'");
}

TRegDataType DataTypeOf(DWORD type) {
  switch (type) {
    case REG_SZ: return TRegDataType::rdString;
    case REG_EXPAND_SZ: return TRegDataType::rdExpandString;
    case REG_DWORD: return TRegDataType::rdInteger;
    case REG_BINARY: return TRegDataType::rdBinary;
    default: return TRegDataType::rdUnknown;
  }
}

std::string NormalPath(const std::string& path) {
  std::string joined;
  for (const std::string& part : SplitKeyPath(path)) {
    if (!joined.empty()) joined += '\\';
    joined += part;
  }
  return joined;
}

bool IsAbsolute(const std::string& key) { return !key.empty() && key.front() == '\\'; }

// Deletes subKey of base and everything below it, deepest keys first, since
// a key with subkeys cannot be deleted.
bool DeleteTree(HKEY base, const std::string& sub_key) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(base, sub_key.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    std::vector<std::string> names;
    char name[1024];
    for (DWORD i = 0;; ++i) {
      DWORD size = sizeof name;
      if (RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      names.emplace_back(name, size);
    }
    for (const std::string& child : names) DeleteTree(key, child);
    RegCloseKey(key);
  }
  return RegDeleteKeyA(base, sub_key.c_str()) == ERROR_SUCCESS;
}

}  // namespace

TRegistry::TRegistry(REGSAM access) : access_(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY root) {
  if (root == root_key_) return;
  CloseKey();
  root_key_ = root;
}

HKEY TRegistry::BaseFor(const std::string& key, std::string& relative) const {
  relative = NormalPath(key);
  return IsAbsolute(key) || !current_key_ ? root_key_ : current_key_;
}

std::string TRegistry::JoinedPath(const std::string& key) const {
  if (IsAbsolute(key) || current_path_.empty()) return NormalPath(key);
  return NormalPath(current_path_ + "\\" + key);
}

void TRegistry::ChangeKey(HKEY key, const std::string& path) {
  CloseKey();
  current_key_ = key;
  current_path_ = path;
}

bool TRegistry::OpenKey(const std::string& key, bool can_create) {
  std::string relative;
  HKEY base = BaseFor(key, relative);
  HKEY opened = nullptr;
  LONG code = can_create ? RegCreateKeyExA(base, relative.c_str(), 0, nullptr,
                                           REG_OPTION_NON_VOLATILE, access_, nullptr, &opened,
                                           nullptr)
                         : RegOpenKeyExA(base, relative.c_str(), 0, access_, &opened);
  if (code != ERROR_SUCCESS) return false;
  ChangeKey(opened, JoinedPath(key));
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  std::string relative;
  HKEY base = BaseFor(key, relative);
  HKEY opened = nullptr;
  if (RegOpenKeyExA(base, relative.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  access_ = KEY_READ;
  ChangeKey(opened, JoinedPath(key));
  return true;
}

void TRegistry::CloseKey() {
  if (current_key_) RegCloseKey(current_key_);
  current_key_ = nullptr;
  current_path_.clear();
}

bool TRegistry::KeyExists(const std::string& key) {
  std::string relative;
  HKEY base = BaseFor(key, relative);
  HKEY opened = nullptr;
  if (RegOpenKeyExA(base, relative.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
    return false;
  RegCloseKey(opened);
  return true;
}

bool TRegistry::HasSubKeys() {
  DWORD count = 0;
  return RegQueryInfoKeyA(current_key_, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                          nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         count > 0;
}

bool TRegistry::CreateKey(const std::string& key) {
  std::string relative;
  HKEY base = BaseFor(key, relative);
  HKEY created = nullptr;
  if (RegCreateKeyExA(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_,
                      nullptr, &created, nullptr) != ERROR_SUCCESS)
    throw ERegistryException("Failed to create key " + key);
  RegCloseKey(created);
  return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
  std::string relative;
  HKEY base = BaseFor(key, relative);
  if (relative.empty()) return false;
  return DeleteTree(base, relative);
}

void TRegistry::GetKeyNames(std::vector<std::string>& names) {
  names.clear();
  DWORD count = 0, longest = 0;
  if (RegQueryInfoKeyA(current_key_, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                       nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  std::string name(longest + 1, '\0');
  for (DWORD i = 0; i < count; ++i) {
    DWORD size = static_cast<DWORD>(name.size());
    if (RegEnumKeyExA(current_key_, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name.data(), size);
  }
}

void TRegistry::FillStrings(const std::vector<std::string>& names, classlib::TStrings& strings) {
  classlib::TStrings::Updating updating(strings);
  strings.Clear();
  for (const std::string& name : names) strings.Add(name);
}

void TRegistry::GetKeyNames(classlib::TStrings& names) {
  std::vector<std::string> list;
  GetKeyNames(list);
  FillStrings(list, names);
}

void TRegistry::GetValueNames(classlib::TStrings& names) {
  std::vector<std::string> list;
  GetValueNames(list);
  FillStrings(list, names);
}

bool TRegistry::ValueExists(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info);
}

bool TRegistry::DeleteValue(const std::string& name) {
  return RegDeleteValueA(current_key_, name.c_str()) == ERROR_SUCCESS;
}

void TRegistry::GetValueNames(std::vector<std::string>& names) {
  names.clear();
  DWORD count = 0, longest = 0;
  if (RegQueryInfoKeyA(current_key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       &count, &longest, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  std::string name(longest + 1, '\0');
  for (DWORD i = 0; i < count; ++i) {
    DWORD size = static_cast<DWORD>(name.size());
    if (RegEnumValueA(current_key_, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.emplace_back(name.data(), size);
  }
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) {
  DWORD type = REG_NONE, size = 0;
  if (RegQueryValueExA(current_key_, name.c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    info = TRegDataInfo{};
    return false;
  }
  info.RegData = DataTypeOf(type);
  info.DataSize = static_cast<int>(size);
  return true;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.RegData : TRegDataType::rdUnknown;
}

int TRegistry::GetDataSize(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.DataSize : -1;
}

int TRegistry::GetData(const std::string& name, void* buffer, int size, TRegDataType expected) {
  DWORD type = REG_NONE;
  DWORD got = static_cast<DWORD>(size);
  if (RegQueryValueExA(current_key_, name.c_str(), nullptr, &type, static_cast<BYTE*>(buffer),
                       &got) != ERROR_SUCCESS)
    throw ERegistryException("Failed to get data for '" + name + "'");
  if (DataTypeOf(type) != expected) RaiseInvalidType(name);
  return static_cast<int>(got);
}

void TRegistry::PutData(const std::string& name, const void* buffer, int size, DWORD type) {
  if (RegSetValueExA(current_key_, name.c_str(), 0, type, static_cast<const BYTE*>(buffer),
                     static_cast<DWORD>(size)) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

std::string TRegistry::ReadText(const std::string& name) {
  TRegDataInfo info;
  if (!GetDataInfo(name, info) || info.DataSize <= 0) return {};
  if (info.RegData != TRegDataType::rdString && info.RegData != TRegDataType::rdExpandString)
    RaiseInvalidType(name);
  std::string text(static_cast<size_t>(info.DataSize), '\0');
  GetData(name, text.data(), info.DataSize, info.RegData);
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::string TRegistry::ReadString(const std::string& name) { return ReadText(name); }

std::string TRegistry::ReadExpandString(const std::string& name) { return ReadText(name); }

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  PutData(name, value.c_str(), static_cast<int>(value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
  PutData(name, value.c_str(), static_cast<int>(value.size() + 1), REG_EXPAND_SZ);
}

int32_t TRegistry::ReadInteger(const std::string& name) {
  unsigned char bytes[4] = {};
  GetData(name, bytes, sizeof bytes, TRegDataType::rdInteger);
  return static_cast<int32_t>(bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                              (uint32_t{bytes[3]} << 24));
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
  uint32_t n = static_cast<uint32_t>(value);
  unsigned char bytes[4] = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8),
                            static_cast<unsigned char>(n >> 16),
                            static_cast<unsigned char>(n >> 24)};
  PutData(name, bytes, sizeof bytes, REG_DWORD);
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

// Eight-byte values are stored as the number's own memory, as binary data.
template <typename T>
T TRegistry::ReadEightBytes(const std::string& name) {
  static_assert(sizeof(T) == 8);
  unsigned char bytes[8] = {};
  if (GetData(name, bytes, sizeof bytes, TRegDataType::rdBinary) != 8) RaiseInvalidType(name);
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

double TRegistry::ReadFloat(const std::string& name) { return ReadEightBytes<double>(name); }

void TRegistry::WriteFloat(const std::string& name, double value) {
  PutData(name, &value, sizeof value, REG_BINARY);
}

classlib::TDateTime TRegistry::ReadDateTime(const std::string& name) {
  return ReadEightBytes<double>(name);
}

void TRegistry::WriteDateTime(const std::string& name, classlib::TDateTime value) {
  PutData(name, &value, sizeof value, REG_BINARY);
}

classlib::Currency TRegistry::ReadCurrency(const std::string& name) {
  return classlib::Currency::FromScaled(ReadEightBytes<int64_t>(name));
}

void TRegistry::WriteCurrency(const std::string& name, classlib::Currency value) {
  PutData(name, &value.value, sizeof value.value, REG_BINARY);
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int buffer_size) {
  TRegDataInfo info;
  if (!GetDataInfo(name, info)) return 0;
  bool binary = info.RegData == TRegDataType::rdBinary || info.RegData == TRegDataType::rdUnknown;
  if (!binary || info.DataSize > buffer_size) RaiseInvalidType(name);
  return GetData(name, buffer, info.DataSize, info.RegData);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int size) {
  PutData(name, buffer, size, REG_BINARY);
}

}  // namespace platform
