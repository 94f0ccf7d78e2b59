#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "classlib/codepage.h"
#include "platform/registry_api.h"
#include "testing/scratch_folder.h"

namespace platform {
namespace {

using namespace std::string_literals;

using RegistryApi = scratch::ScratchRegistryTest;

const BYTE* Bytes(const std::string& s) { return reinterpret_cast<const BYTE*>(s.c_str()); }

HKEY CreateKey(HKEY root, const char* path) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS)
      << path;
  return key;
}

LONG SetText(HKEY key, const char* name, const std::string& ansi) {
  return RegSetValueExA(key, name, 0, REG_SZ, Bytes(ansi), static_cast<DWORD>(ansi.size() + 1));
}

TEST_F(RegistryApi, CyrillicNamesAndTextsAreCp1251OutsideAndUtf8InTheFile) {
  const std::string key_name = classlib::Utf8ToCp1251("Software\\Фирма\\Ключ");
  const std::string value_name = classlib::Utf8ToCp1251("Имя");
  const std::string text = classlib::Utf8ToCp1251("Значение «ё»");
  HKEY key = CreateKey(HKEY_CURRENT_USER, key_name.c_str());
  ASSERT_EQ(SetText(key, value_name.c_str(), text), ERROR_SUCCESS);
  RegCloseKey(key);

  std::string file = scratch::ReadWholeFile(HivePath("HKEY_CURRENT_USER"));
  EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Фирма\\Ключ]"), std::string::npos) << file;
  EXPECT_NE(file.find("\"Имя\"=\"Значение «ё»\""), std::string::npos) << file;

  // Opened again under a different case of the Cyrillic name.
  const std::string upper = classlib::Utf8ToCp1251("SOFTWARE\\ФИРМА\\КЛЮЧ");
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, upper.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  char data[64] = {};
  DWORD size = sizeof data, type = 0;
  const std::string lower_name = classlib::Utf8ToCp1251("имя");
  ASSERT_EQ(RegQueryValueExA(key, lower_name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(data), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, text.size() + 1);
  EXPECT_EQ(std::string(data), text);

  char name[32];
  DWORD name_size = sizeof name;
  ASSERT_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(name, name_size), value_name);
  RegCloseKey(key);
}

TEST_F(RegistryApi, ShortBuffersGetMoreDataAndTheSizeNeeded) {
  HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Software\\Sizes");
  std::string long_text(1100, 'x');
  ASSERT_EQ(SetText(key, "Long", long_text), ERROR_SUCCESS);

  BYTE buffer[1024];
  std::memset(buffer, '#', sizeof buffer);
  DWORD size = sizeof buffer, type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Long", nullptr, &type, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 1101u);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(buffer[0], '#');  // nothing copied on failure

  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Long", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 1101u);

  // A Cyrillic text needs its CP1251 size, not its UTF-8 size.
  ASSERT_EQ(SetText(key, "Ru", classlib::Utf8ToCp1251("Шесть")), ERROR_SUCCESS);
  size = 5;
  EXPECT_EQ(RegQueryValueExA(key, "Ru", nullptr, nullptr, buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(RegQueryValueExA(key, "Ru", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);

  char name[4];
  DWORD name_size = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  name_size = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 1, name, &name_size, nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(name), "Ru");
  name_size = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 2, name, &name_size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST_F(RegistryApi, TypedValuesComeBackAsWritten) {
  HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Software\\Types");
  const std::string multi = classlib::Utf8ToCp1251("один\0two\0\0"s);
  ASSERT_EQ(RegSetValueExA(key, "Multi", 0, REG_MULTI_SZ, Bytes(multi),
                           static_cast<DWORD>(multi.size())),
            ERROR_SUCCESS);
  const BYTE number[4] = {1, 2, 3, 4};
  ASSERT_EQ(RegSetValueExA(key, "", 0, REG_DWORD, number, 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);

  BYTE buffer[32];
  DWORD size = sizeof buffer, type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "multi", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_MULTI_SZ);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), multi);

  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(std::memcmp(buffer, number, 4), 0);

  size = sizeof buffer;
  ASSERT_EQ(RegQueryValueExA(key, "Empty", nullptr, &type, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(size, 0u);

  DWORD values = 0, longest_name = 0, longest_data = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                             &longest_name, &longest_data, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 3u);
  EXPECT_EQ(longest_name, 5u);
  EXPECT_EQ(longest_data, multi.size());

  EXPECT_EQ(RegDeleteValueA(key, "EMPTY"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "Empty"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, buffer, &size), ERROR_FILE_NOT_FOUND);
  RegCloseKey(key);
}

TEST_F(RegistryApi, KeysAreRefusedAsWindowsRefusesThem) {
  RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, "Software\\Parent\\Child"));
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Parent"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Nothing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED);

  HKEY child = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\PARENT\\child\\", 0, KEY_READ, &child),
            ERROR_SUCCESS);
  EXPECT_EQ(SetText(child, "x", "y"), ERROR_ACCESS_DENIED);  // opened for reading
  HKEY grandchild = nullptr;
  EXPECT_EQ(RegCreateKeyExA(child, "Deeper", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &grandchild,
                            nullptr),
            ERROR_ACCESS_DENIED);

  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Parent\\Child"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Parent"), ERROR_SUCCESS);
  EXPECT_EQ(SetText(child, "x", "y"), ERROR_KEY_DELETED);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(child, "x", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(child), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(child), ERROR_INVALID_HANDLE);
  EXPECT_EQ(SetText(child, "x", "y"), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryApi, EnumeratesSubkeysInNameOrder) {
  for (const char* name : {"Software\\b", "Software\\C", "Software\\a"})
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, name));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_SUCCESS);
  std::string names;
  char name[16];
  DWORD index = 0;
  for (DWORD size = sizeof name;
       RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       size = sizeof name, ++index)
    names += std::string(name, size) + ",";
  EXPECT_EQ(names, "a,b,C,");
  DWORD size = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  RegCloseKey(key);
}

TEST_F(RegistryApi, ClassesRootIsTheMachineClassesKey) {
  RegCloseKey(CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{X}\\InprocServer32"));
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\{X}\\InprocServer32", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(RegistryApi, DamagedHiveRaisesAndIsNeverOverwritten) {
  const std::string damaged =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"a\"=dword:xyz\n";
  scratch::WriteWholeFile(HivePath("HKEY_LOCAL_MACHINE"), damaged);
  HKEY key = nullptr;
  try {
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key);
    ADD_FAILURE() << "a damaged hive was read";
  } catch (const ERegistryFileError& e) {
    EXPECT_EQ(e.File(), HivePath("HKEY_LOCAL_MACHINE"));
    EXPECT_EQ(e.Line(), 4);
  }
  EXPECT_THROW(SetText(HKEY_LOCAL_MACHINE, "b", "c"), ERegistryFileError);
  EXPECT_THROW(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                               &key, nullptr),
               ERegistryFileError);
  EXPECT_EQ(scratch::ReadWholeFile(HivePath("HKEY_LOCAL_MACHINE")), damaged);
  // The other hive is unaffected.
  EXPECT_EQ(SetText(HKEY_CURRENT_USER, "b", "c"), ERROR_SUCCESS);
}

}  // namespace
}  // namespace platform
