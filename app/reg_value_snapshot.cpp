#include "app/reg_value_snapshot.h"

#include <utility>

#include "app/reg.h"

namespace app {

using platform::DWORD;
using platform::ERROR_FILE_NOT_FOUND;
using platform::ERROR_SUCCESS;

TRegValueSnapshot::TRegValueSnapshot(platform::HKEY root, std::string path, std::string name)
    : root_(root), path_(std::move(path)), name_(std::move(name)) {}

bool TRegValueSnapshot::Take() {
  platform::HKEY key = nullptr;
  LONG result = platform::RegOpenKeyExA(root_, path_.c_str(), 0, platform::KEY_QUERY_VALUE, &key);
  if (result == ERROR_FILE_NOT_FOUND) {
    taken_ = true;
    existed_ = false;
    return true;
  }
  if (result != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 0;
  result = platform::RegQueryValueExA(key, name_.c_str(), nullptr, &type, nullptr, &size);
  std::string data(size, '\0');
  if (result == ERROR_SUCCESS && size > 0)
    result = platform::RegQueryValueExA(key, name_.c_str(), nullptr, &type,
                                        reinterpret_cast<platform::BYTE*>(data.data()), &size);
  platform::RegCloseKey(key);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return false;
  taken_ = true;
  existed_ = result == ERROR_SUCCESS;
  type_ = type;
  data_ = existed_ ? data.substr(0, size) : std::string();
  return true;
}

LONG TRegValueSnapshot::PutAt(platform::HKEY root, const std::string& path) const {
  if (!taken_) return ERROR_SUCCESS;
  if (!existed_) {
    LONG result = DeleteRegValue(root, path, name_);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
  }
  platform::HKEY key = nullptr;
  LONG result = platform::RegCreateKeyExA(root, path.c_str(), 0, nullptr,
                                          platform::REG_OPTION_NON_VOLATILE,
                                          platform::KEY_SET_VALUE, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = platform::RegSetValueExA(key, name_.c_str(), 0, type_,
                                    reinterpret_cast<const platform::BYTE*>(data_.data()),
                                    static_cast<DWORD>(data_.size()));
  platform::RegCloseKey(key);
  return result;
}

}  // namespace app
