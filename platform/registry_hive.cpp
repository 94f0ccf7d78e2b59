#include "platform/registry_hive.h"

#include <algorithm>

#include "classlib/codepage.h"

namespace platform {

ERegistryFileError::ERegistryFileError(const std::string& file, int line, const std::string& what)
    : classlib::Exception("Damaged registry file " + file + ", line " + std::to_string(line) +
                          ": " + what),
      file_(file),
      line_(line) {}

namespace {

char16_t FoldChar(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 0x20;
  if (c < 0x80) return c;
  if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) return c - 0x20;  // Latin-1
  if (c >= 0x0430 && c <= 0x044F) return c - 0x20;                  // Cyrillic а..я
  if (c >= 0x0450 && c <= 0x045F) return c - 0x50;                  // ѐ..џ, ё among them
  return c;
}

}  // namespace

std::u16string FoldName(std::string_view utf8_name) {
  std::u16string folded = classlib::Utf8ToUtf16(utf8_name);
  for (char16_t& c : folded) c = FoldChar(c);
  return folded;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

namespace {

// Length of the valid UTF-8 sequence at s[i], 0 when it is not one.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  unsigned char c = s[i];
  size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
  if (len == 0 || i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return len;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t len = Utf8SequenceLength(s, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

bool IsStorableName(std::string_view name) {
  return IsValidUtf8(name) &&
         name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

RegKey* RegKey::FindSubKey(std::string_view name) {
  auto it = subkeys_.find(FoldName(name));
  return it == subkeys_.end() ? nullptr : it->second.get();
}

const RegKey* RegKey::FindSubKey(std::string_view name) const {
  return const_cast<RegKey*>(this)->FindSubKey(name);
}

RegKey& RegKey::AddSubKey(std::string_view name) {
  auto& slot = subkeys_[FoldName(name)];
  if (!slot) slot = std::make_unique<RegKey>(std::string(name));
  return *slot;
}

bool RegKey::RemoveSubKey(std::string_view name) { return subkeys_.erase(FoldName(name)) > 0; }

namespace {

template <typename Values>
auto FindIn(Values& values, std::string_view name) {
  std::u16string folded = FoldName(name);
  return std::find_if(values.begin(), values.end(),
                      [&](const RegValue& v) { return v.folded_name == folded; });
}

}  // namespace

const RegValue* RegKey::FindValue(std::string_view name) const {
  auto it = FindIn(values_, name);
  return it == values_.end() ? nullptr : &*it;
}

void RegKey::SetValue(std::string_view name, uint32_t type, std::string data) {
  auto it = FindIn(values_, name);
  if (it == values_.end()) {
    values_.push_back(RegValue{std::string(name), type, std::move(data), FoldName(name)});
    return;
  }
  it->type = type;
  it->data = std::move(data);
}

bool RegKey::RemoveValue(std::string_view name) {
  auto it = FindIn(values_, name);
  if (it == values_.end()) return false;
  values_.erase(it);
  return true;
}

RegKey* RegHive::Find(const std::vector<std::string>& path) {
  RegKey* key = &root_;
  for (const std::string& name : path) {
    key = key->FindSubKey(name);
    if (!key) return nullptr;
  }
  return key;
}

const RegKey* RegHive::Find(const std::vector<std::string>& path) const {
  return const_cast<RegHive*>(this)->Find(path);
}

RegKey& RegHive::Create(const std::vector<std::string>& path) {
  RegKey* key = &root_;
  for (const std::string& name : path) key = &key->AddSubKey(name);
  return *key;
}

}  // namespace platform
