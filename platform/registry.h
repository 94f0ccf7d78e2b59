// The class library's registry object: a root key, one current key opened
// below it, and typed reads and writes of the current key's values. Names
// and texts are ANSI (CP1251). Paths use '\': "\Software\X" is taken from
// the root, "Software\X" from the current key (from the root when none is
// open). Float, date-time and currency values are 8-byte binary values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/currency.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/strings.h"
#include "platform/registry_api.h"

namespace platform {

// "Invalid data type for '%s'", "Failed to get data for '%s'",
// "Failed to set data for '%s'", "Failed to create key %s".
CLASSLIB_EXCEPTION(ERegistryException, classlib::Exception)

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = TRegDataType::rdUnknown;
  int DataSize = 0;
};

class TRegistry : public classlib::TObject {
  CLASSLIB_CLASS(TRegistry, classlib::TObject)
 public:
  explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
  ~TRegistry() override;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  // Setting the root closes the current key.
  HKEY RootKey() const { return root_key_; }
  void SetRootKey(HKEY root);
  HKEY CurrentKey() const { return current_key_; }
  // The current key's path below the root, without a leading '\'.
  const std::string& CurrentPath() const { return current_path_; }
  REGSAM Access() const { return access_; }
  void SetAccess(REGSAM access) { access_ = access; }

  // Make the key current; false when it does not exist (and may not be
  // created) or cannot be opened with Access().
  bool OpenKey(const std::string& key, bool can_create);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool KeyExists(const std::string& key);
  bool HasSubKeys();
  // Raises ERegistryException when the key cannot be created.
  bool CreateKey(const std::string& key);
  // Deletes the key together with its subkeys.
  bool DeleteKey(const std::string& key);
  void GetKeyNames(std::vector<std::string>& names);
  void GetKeyNames(classlib::TStrings& names);

  bool ValueExists(const std::string& name);
  bool DeleteValue(const std::string& name);
  void GetValueNames(std::vector<std::string>& names);
  void GetValueNames(classlib::TStrings& names);
  bool GetDataInfo(const std::string& name, TRegDataInfo& info);
  TRegDataType GetDataType(const std::string& name);
  int GetDataSize(const std::string& name);  // -1 when there is no such value

  // A missing value reads as the empty text; a value of another type raises.
  std::string ReadString(const std::string& name);
  std::string ReadExpandString(const std::string& name);
  void WriteString(const std::string& name, const std::string& value);
  void WriteExpandString(const std::string& name, const std::string& value);
  int32_t ReadInteger(const std::string& name);
  void WriteInteger(const std::string& name, int32_t value);
  bool ReadBool(const std::string& name);
  void WriteBool(const std::string& name, bool value);
  double ReadFloat(const std::string& name);
  void WriteFloat(const std::string& name, double value);
  classlib::TDateTime ReadDateTime(const std::string& name);
  void WriteDateTime(const std::string& name, classlib::TDateTime value);
  classlib::Currency ReadCurrency(const std::string& name);
  void WriteCurrency(const std::string& name, classlib::Currency value);
  // Returns the number of bytes read; 0 for a missing value; raises when the
  // value is not binary or does not fit.
  int ReadBinaryData(const std::string& name, void* buffer, int buffer_size);
  void WriteBinaryData(const std::string& name, const void* buffer, int size);

 private:
  // The handle a path starts from and the path relative to it.
  HKEY BaseFor(const std::string& key, std::string& relative) const;
  std::string JoinedPath(const std::string& key) const;
  void ChangeKey(HKEY key, const std::string& path);
  // Reads raw data of the expected type into buffer; raises as the class does.
  int GetData(const std::string& name, void* buffer, int size, TRegDataType expected);
  void PutData(const std::string& name, const void* buffer, int size, DWORD type);
  std::string ReadText(const std::string& name);
  static void FillStrings(const std::vector<std::string>& names, classlib::TStrings& strings);
  template <typename T>
  T ReadEightBytes(const std::string& name);

  HKEY root_key_ = HKEY_CURRENT_USER;
  HKEY current_key_ = nullptr;
  std::string current_path_;
  REGSAM access_;
};

}  // namespace platform
