#include "fib/base/fib_registry.h"

#include <algorithm>
#include <memory>

#include "platform/registry.h"

namespace fib {
namespace {

platform::TRegistry& SharedRegistry() {
  static platform::TRegistry registry;
  return registry;
}

// Closes the shared registry's key however the routine ends.
class KeyScope {
 public:
  KeyScope() : registry_(SharedRegistry()) {
    registry_.SetRootKey(platform::HKEY_CURRENT_USER);
  }
  ~KeyScope() { registry_.CloseKey(); }
  KeyScope(const KeyScope&) = delete;
  KeyScope& operator=(const KeyScope&) = delete;

  // Opens the parts one below the other; false when one cannot be opened.
  bool Open(const std::vector<std::string>& key_path, bool can_create) {
    for (const std::string& part : key_path)
      if (!registry_.OpenKey(part, can_create)) return false;
    return true;
  }
  platform::TRegistry& Registry() { return registry_; }

 private:
  platform::TRegistry& registry_;
};

void WriteOne(platform::TRegistry& registry, const std::string& name,
              const classlib::Variant& value) {
  switch (value.Deref().VType() & classlib::varTypeMask) {
    case classlib::varBoolean: registry.WriteBool(name, value.AsBoolean()); break;
    case classlib::varString:
    case classlib::varOleStr: registry.WriteString(name, value.AsString()); break;
    case classlib::varDate: registry.WriteDateTime(name, value.AsDate()); break;
    case classlib::varSmallint:
    case classlib::varInteger: registry.WriteInteger(name, value.AsInteger()); break;
    case classlib::varSingle:
    case classlib::varDouble: registry.WriteFloat(name, value.AsDouble()); break;
    case classlib::varCurrency: registry.WriteCurrency(name, value.AsCurrency()); break;
    default: break;  // no registry form for the other kinds
  }
}

RegistryValue ReadOne(platform::TRegistry& registry, const std::string& name) {
  RegistryValue result;
  switch (registry.GetDataType(name)) {
    case platform::TRegDataType::rdString:
    case platform::TRegDataType::rdExpandString:
      result.value = registry.ReadString(name);
      result.found = true;
      break;
    case platform::TRegDataType::rdInteger:
      result.value = registry.ReadInteger(name);
      result.found = true;
      break;
    default: break;
  }
  return result;
}

}  // namespace

void WriteRegistryValues(const std::vector<std::string>& key_path,
                         const std::vector<std::string>& names,
                         const std::vector<classlib::Variant>& values) {
  KeyScope key;
  if (!key.Open(key_path, true)) return;
  size_t count = std::min(names.size(), values.size());
  for (size_t i = 0; i < count; ++i) WriteOne(key.Registry(), names[i], values[i]);
}

bool ReadRegistryValues(const std::vector<std::string>& key_path,
                        const std::vector<std::string>& names, std::vector<RegistryValue>& out) {
  KeyScope key;
  if (!key.Open(key_path, false)) return false;
  out.clear();
  for (const std::string& name : names) out.push_back(ReadOne(key.Registry(), name));
  return true;
}

bool ReadSubKeyNames(const std::vector<std::string>& key_path, std::vector<std::string>& out) {
  KeyScope key;
  if (!key.Open(key_path, false)) return false;
  out.clear();
  key.Registry().GetKeyNames(out);
  return true;
}

std::string FindSubKeyByValue(const std::vector<std::string>& key_path,
                              const std::string& value_name, const std::string& text) {
  std::vector<std::string> subkeys;
  if (!ReadSubKeyNames(key_path, subkeys)) return {};
  for (const std::string& subkey : subkeys) {
    std::vector<std::string> path = key_path;
    path.push_back(subkey);
    std::vector<RegistryValue> values;
    if (!ReadRegistryValues(path, {value_name}, values)) continue;
    if (values[0].found && values[0].value.Deref().VType() == classlib::varString &&
        values[0].value.AsString() == text)
      return subkey;
  }
  return {};
}

}  // namespace fib
