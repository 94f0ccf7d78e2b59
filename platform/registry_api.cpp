#include "platform/registry_api.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "classlib/codepage.h"
#include "platform/registry_store.h"

namespace platform {

namespace {

// What a handle stands for: a key path in a hive and the rights it was
// opened with. The key itself is looked up afresh on every call, because
// another process may have changed the hive in between.
struct KeyRef {
  HiveId hive = HiveId::LocalMachine;
  std::vector<std::string> path;
  REGSAM access = KEY_ALL_ACCESS;
  bool predefined = false;
};

std::mutex table_mutex;
std::unordered_map<uintptr_t, KeyRef> open_keys;
uintptr_t next_handle = 0x1000;

bool Lookup(HKEY key, KeyRef& ref) {
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER) {
    ref = KeyRef{key == HKEY_LOCAL_MACHINE ? HiveId::LocalMachine : HiveId::CurrentUser, {},
                 KEY_ALL_ACCESS, true};
    return true;
  }
  if (key == HKEY_CLASSES_ROOT) {
    ref = KeyRef{HiveId::LocalMachine, {"SOFTWARE", "Classes"}, KEY_ALL_ACCESS, true};
    return true;
  }
  std::lock_guard lock(table_mutex);
  auto it = open_keys.find(reinterpret_cast<uintptr_t>(key));
  if (it == open_keys.end()) return false;
  ref = it->second;
  return true;
}

HKEY AddHandle(KeyRef ref) {
  std::lock_guard lock(table_mutex);
  uintptr_t id = next_handle;
  next_handle += 4;
  open_keys.emplace(id, std::move(ref));
  return reinterpret_cast<HKEY>(id);
}

std::string AnsiToUtf8(const char* ansi) { return ansi ? classlib::Cp1251ToUtf8(ansi) : ""; }

bool AllStorable(const std::vector<std::string>& names) {
  return std::all_of(names.begin(), names.end(), [](const std::string& n) { return IsStorableName(n); });
}

// Runs op(const RegKey&) on a fresh read of the handle's key.
template <typename Op>
LONG WithKey(HKEY key, Op op) {
  KeyRef ref;
  if (!Lookup(key, ref)) return ERROR_INVALID_HANDLE;
  RegHive hive = ReadHive(ref.hive);
  const RegKey* found = hive.Find(ref.path);
  if (found) return op(*found, ref);
  if (!ref.predefined) return ERROR_KEY_DELETED;
  const RegKey empty("");  // HKEY_CLASSES_ROOT before anything was written under it
  return op(empty, ref);
}

// Runs op(RegKey&, bool& changed) on the handle's key under the hive's
// write lock; the hive is written back when op says it changed something.
template <typename Op>
LONG ModifyKey(HKEY key, Op op) {
  KeyRef ref;
  if (!Lookup(key, ref)) return ERROR_INVALID_HANDLE;
  LONG result = ERROR_SUCCESS;
  ModifyHive(ref.hive, [&](RegHive& hive) {
    RegKey* found = ref.predefined ? &hive.Create(ref.path) : hive.Find(ref.path);
    if (!found) {
      result = ERROR_KEY_DELETED;
      return false;
    }
    bool changed = false;
    result = op(*found, ref, changed);
    return changed;
  });
  return result;
}

// Stored data as the ANSI API hands it out: texts in CP1251 with their
// terminating zero (a multi-text gets the closing empty text).
std::string ToAnsiData(const RegValue& value) {
  switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
      return classlib::Utf8ToCp1251(value.data) + '\0';
    default:
      return value.data;
  }
}

std::string FromAnsiData(DWORD type, const BYTE* data, DWORD size) {
  std::string bytes = data ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
    return classlib::Cp1251ToUtf8(bytes);
  }
  if (type != REG_MULTI_SZ) return bytes;
  std::string list;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    if (end == start) break;
    list += classlib::Cp1251ToUtf8(std::string_view(bytes).substr(start, end - start));
    list += '\0';
    start = end + 1;
  }
  return list;
}

LONG CopyData(const RegValue& value, DWORD* type, BYTE* data, DWORD* data_size) {
  if (data && !data_size) return ERROR_INVALID_PARAMETER;
  if (type) *type = value.type;
  if (!data_size) return ERROR_SUCCESS;
  std::string bytes = ToAnsiData(value);
  DWORD needed = static_cast<DWORD>(bytes.size());
  if (data && *data_size < needed) {
    *data_size = needed;
    return ERROR_MORE_DATA;
  }
  if (data) std::memcpy(data, bytes.data(), bytes.size());
  *data_size = needed;
  return ERROR_SUCCESS;
}

LONG CopyName(const std::string& utf8_name, char* name, DWORD* name_size) {
  if (!name || !name_size) return ERROR_INVALID_PARAMETER;
  std::string ansi = classlib::Utf8ToCp1251(utf8_name);
  if (ansi.size() + 1 > *name_size) {
    *name_size = static_cast<DWORD>(ansi.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(name, ansi.c_str(), ansi.size() + 1);
  *name_size = static_cast<DWORD>(ansi.size());
  return ERROR_SUCCESS;
}

std::vector<std::string> Joined(const std::vector<std::string>& base,
                                const std::vector<std::string>& sub) {
  std::vector<std::string> path = base;
  path.insert(path.end(), sub.begin(), sub.end());
  return path;
}

void SetIfGiven(DWORD* out, size_t value) {
  if (out) *out = static_cast<DWORD>(value);
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD, REGSAM access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> sub = SplitKeyPath(AnsiToUtf8(subKey));
  return WithKey(key, [&](const RegKey& base, const KeyRef& ref) {
    const RegKey* target = &base;
    for (const std::string& name : sub)
      if (!(target = target->FindSubKey(name))) return ERROR_FILE_NOT_FOUND;
    *result = AddHandle(KeyRef{ref.hive, Joined(ref.path, sub), access, false});
    return ERROR_SUCCESS;
  });
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD, char*, DWORD, REGSAM access,
                     const void*, HKEY* result, DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> sub = SplitKeyPath(AnsiToUtf8(subKey));
  if (!AllStorable(sub)) return ERROR_INVALID_PARAMETER;
  LONG code = ModifyKey(key, [&](RegKey& base, const KeyRef& ref, bool& changed) {
    if (!sub.empty() && !(ref.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
    RegKey* target = &base;
    for (const std::string& name : sub) {
      RegKey* next = target->FindSubKey(name);
      if (!next) {
        next = &target->AddSubKey(name);
        changed = true;
      }
      target = next;
    }
    if (disposition) *disposition = changed ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = AddHandle(KeyRef{ref.hive, Joined(ref.path, sub), access, false});
    return ERROR_SUCCESS;
  });
  return code;
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT)
    return ERROR_SUCCESS;
  std::lock_guard lock(table_mutex);
  return open_keys.erase(reinterpret_cast<uintptr_t>(key)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegDeleteKeyA(HKEY key, const char* subKey) {
  std::vector<std::string> sub = SplitKeyPath(AnsiToUtf8(subKey));
  KeyRef ref;
  if (!Lookup(key, ref)) return ERROR_INVALID_HANDLE;
  std::vector<std::string> path = Joined(ref.path, sub);
  if ((sub.empty() && ref.predefined) || path.empty()) return ERROR_ACCESS_DENIED;  // a root
  LONG result = ERROR_SUCCESS;
  ModifyHive(ref.hive, [&](RegHive& hive) {
    std::string last = path.back();
    path.pop_back();
    RegKey* parent = hive.Find(path);
    RegKey* target = parent ? parent->FindSubKey(last) : nullptr;
    if (!target) {
      result = ERROR_FILE_NOT_FOUND;
      return false;
    }
    if (!target->SubKeys().empty()) {
      result = ERROR_ACCESS_DENIED;
      return false;
    }
    parent->RemoveSubKey(last);
    return true;
  });
  return result;
}

LONG RegQueryValueExA(HKEY key, const char* name, DWORD*, DWORD* type, BYTE* data,
                      DWORD* dataSize) {
  std::string value_name = AnsiToUtf8(name);
  return WithKey(key, [&](const RegKey& found, const KeyRef&) {
    const RegValue* value = found.FindValue(value_name);
    if (!value) return ERROR_FILE_NOT_FOUND;
    return CopyData(*value, type, data, dataSize);
  });
}

LONG RegSetValueExA(HKEY key, const char* name, DWORD, DWORD type, const BYTE* data,
                    DWORD dataSize) {
  if (!data && dataSize > 0) return ERROR_INVALID_PARAMETER;
  std::string value_name = AnsiToUtf8(name);
  if (!IsStorableName(value_name)) return ERROR_INVALID_PARAMETER;
  std::string stored = FromAnsiData(type, data, dataSize);
  return ModifyKey(key, [&](RegKey& found, const KeyRef& ref, bool& changed) {
    if (!(ref.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    found.SetValue(value_name, type, stored);
    changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValueA(HKEY key, const char* name) {
  std::string value_name = AnsiToUtf8(name);
  return ModifyKey(key, [&](RegKey& found, const KeyRef& ref, bool& changed) {
    if (!(ref.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    changed = found.RemoveValue(value_name);
    return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD*, char*,
                   DWORD* classSize, void*) {
  return WithKey(key, [&](const RegKey& found, const KeyRef&) {
    if (index >= found.SubKeys().size()) return ERROR_NO_MORE_ITEMS;
    auto it = std::next(found.SubKeys().begin(), index);
    if (classSize) *classSize = 0;
    return CopyName(it->second->Name(), name, nameSize);
  });
}

LONG RegEnumValueA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD*, DWORD* type,
                   BYTE* data, DWORD* dataSize) {
  return WithKey(key, [&](const RegKey& found, const KeyRef&) {
    if (index >= found.Values().size()) return ERROR_NO_MORE_ITEMS;
    const RegValue& value = found.Values()[index];
    LONG code = CopyName(value.name, name, nameSize);
    if (code != ERROR_SUCCESS) return code;
    return CopyData(value, type, data, dataSize);
  });
}

LONG RegQueryInfoKeyA(HKEY key, char* keyClass, DWORD* classSize, DWORD*, DWORD* subKeys,
                      DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values,
                      DWORD* maxValueNameLen, DWORD* maxValueLen, void*, void*) {
  return WithKey(key, [&](const RegKey& found, const KeyRef&) {
    size_t longest_key = 0, longest_name = 0, longest_data = 0;
    for (const auto& [folded, sub] : found.SubKeys())
      longest_key = std::max(longest_key, classlib::Utf8ToCp1251(sub->Name()).size());
    for (const RegValue& value : found.Values()) {
      longest_name = std::max(longest_name, classlib::Utf8ToCp1251(value.name).size());
      longest_data = std::max(longest_data, ToAnsiData(value).size());
    }
    if (keyClass && classSize && *classSize > 0) keyClass[0] = '\0';
    SetIfGiven(classSize, 0);
    SetIfGiven(maxClassLen, 0);
    SetIfGiven(subKeys, found.SubKeys().size());
    SetIfGiven(maxSubKeyLen, longest_key);
    SetIfGiven(values, found.Values().size());
    SetIfGiven(maxValueNameLen, longest_name);
    SetIfGiven(maxValueLen, longest_data);
    return ERROR_SUCCESS;
  });
}

}  // namespace platform
