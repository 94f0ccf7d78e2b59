#include <gtest/gtest.h>

#include "platform/registry_hive.h"

namespace platform {
namespace {

using namespace std::string_literals;

const std::string kRoot = "HKEY_LOCAL_MACHINE";

RegHive SampleHive() {
  RegHive hive(kRoot);
  RegKey& key = hive.Create({"Software", "Ключ"});
  key.SetValue("", REG_SZ, "default");
  key.SetValue("Quoted", REG_SZ, "C:\\Path\\\"name\"\\");
  key.SetValue("Имя", REG_SZ, "Значение");
  key.SetValue("Lines", REG_SZ, "one\r\ntwo\0three"s);
  key.SetValue("Expand", REG_EXPAND_SZ, "%TEMP%\\Ёлка");
  key.SetValue("Multi", REG_MULTI_SZ, "a\0Второй\0"s);
  key.SetValue("EmptyMulti", REG_MULTI_SZ, "");
  key.SetValue("Dword", REG_DWORD, "\x78\x56\x34\x12"s);
  key.SetValue("ShortDword", REG_DWORD, "\x01\x02"s);
  key.SetValue("Binary", REG_BINARY, "\x00\xff\x10"s);
  key.SetValue("EmptyBinary", REG_BINARY, "");
  key.SetValue("Qword", REG_QWORD, std::string(8, '\x7f'));
  hive.Create({"Software", "Empty", "Deeper"});
  return hive;
}

void ExpectSameKeys(const RegKey& a, const RegKey& b) {
  EXPECT_EQ(a.Name(), b.Name());
  ASSERT_EQ(a.Values().size(), b.Values().size()) << a.Name();
  for (size_t i = 0; i < a.Values().size(); ++i) {
    EXPECT_EQ(a.Values()[i].name, b.Values()[i].name);
    EXPECT_EQ(a.Values()[i].type, b.Values()[i].type) << a.Values()[i].name;
    EXPECT_EQ(a.Values()[i].data, b.Values()[i].data) << a.Values()[i].name;
  }
  ASSERT_EQ(a.SubKeys().size(), b.SubKeys().size()) << a.Name();
  for (auto ia = a.SubKeys().begin(), ib = b.SubKeys().begin(); ia != a.SubKeys().end(); ++ia, ++ib)
    ExpectSameKeys(*ia->second, *ib->second);
}

TEST(RegistryHiveFile, EveryValueTypeSurvivesWriteAndRead) {
  RegHive hive = SampleHive();
  std::string text = FormatHive(hive);
  RegHive back = ParseHive(text, kRoot, "sample.reg");
  ExpectSameKeys(hive.Root(), back.Root());
  EXPECT_EQ(FormatHive(back), text);
  // The forms an editor expects to see.
  EXPECT_NE(text.find("\"Quoted\"=\"C:\\\\Path\\\\\\\"name\\\"\\\\\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Имя\"=\"Значение\"\n"), std::string::npos);
  EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos);
  EXPECT_NE(text.find("\"Dword\"=dword:12345678\n"), std::string::npos);
  EXPECT_NE(text.find("\"Binary\"=hex:00,ff,10\n"), std::string::npos);
  EXPECT_NE(text.find("\"EmptyMulti\"=hex(7):00,00\n"), std::string::npos);
  EXPECT_NE(text.find("\"Qword\"=hex(b):"), std::string::npos);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Empty\\Deeper]"), std::string::npos);
}

TEST(RegistryHiveFile, ReadsAnEditorsExport) {
  std::string text =
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; written by hand\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ORACLE\\KEY_OraClient]\r\n"
      "\"ORACLE_HOME\"=\"C:\\\\oracle\\\\client\"\r\n"
      "\"Wrapped\"=hex:01,02,\\\r\n"
      "  0A,0b\r\n"
      "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
      "\"N\"=dword:ff\r\n";
  RegHive hive = ParseHive(text, kRoot, "export.reg");
  const RegKey* key = hive.Find({"software", "oracle", "key_oraclient"});
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->Name(), "KEY_OraClient");
  ASSERT_EQ(key->Values().size(), 4u);
  EXPECT_EQ(key->FindValue("oracle_home")->data, "C:\\oracle\\client");
  EXPECT_EQ(key->FindValue("Wrapped")->data, "\x01\x02\x0a\x0b"s);
  EXPECT_EQ(key->FindValue("Path")->type, REG_EXPAND_SZ);
  EXPECT_EQ(key->FindValue("Path")->data, "%A%");
  EXPECT_EQ(key->FindValue("N")->data, "\xff\0\0\0"s);
}

TEST(RegistryHiveFile, DamagedTextNamesFileAndLine) {
  const std::string header = "Windows Registry Editor Version 5.00\n";
  struct Case {
    std::string text;
    int line;
  } cases[] = {
      {"REGEDIT4\n", 1},
      {header + "\"a\"=\"b\"\n", 2},                                   // value before a key
      {header + "[HKEY_LOCAL_MACHINE\\X\n", 2},                        // no ]
      {header + "[HKEY_CURRENT_USER\\X]\n", 2},                        // other hive
      {header + "[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"b\n", 3},            // unclosed text
      {header + "[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"b\\n\"\n", 3},       // unknown escape
      {header + "[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:123456789\n", 3},
      {header + "[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex:01,zz\n", 3},
      {header + "[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex(2):41,00,42\n", 3},  // odd UTF-16
      {header + "[HKEY_LOCAL_MACHINE\\X]\n\"a\"=hex:01,\\\n", 3},        // continues past end
      {header + "[HKEY_LOCAL_MACHINE\\X]\n\n\"a\"=\"b\" junk\n", 4},
      {header + "[HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"\xC0\xC1\"\n", 3},     // not UTF-8
      {header + "garbage\n", 2},
  };
  for (const Case& c : cases) {
    try {
      ParseHive(c.text, kRoot, "/reg/HKEY_LOCAL_MACHINE.reg");
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const ERegistryFileError& e) {
      EXPECT_EQ(e.Line(), c.line) << c.text;
      std::string message = e.what();
      EXPECT_NE(message.find("/reg/HKEY_LOCAL_MACHINE.reg"), std::string::npos) << message;
      EXPECT_NE(message.find("line " + std::to_string(c.line)), std::string::npos) << message;
    }
  }
}

TEST(RegistryHiveKeys, NamesCompareWithoutCaseAndKeepTheirCase) {
  RegHive hive(kRoot);
  hive.Create({"Software", "Ёжик"}).SetValue("Value", REG_SZ, "1");
  EXPECT_EQ(hive.Find({"SOFTWARE", "ЁЖИК"}), hive.Find({"software", "ёжик"}));
  ASSERT_NE(hive.Find({"SOFTWARE", "ЁЖИК"}), nullptr);
  EXPECT_EQ(hive.Find({"SOFTWARE", "ЁЖИК"})->Name(), "Ёжик");

  RegKey& key = hive.Create({"SOFTWARE", "ёжик"});
  EXPECT_EQ(hive.Root().SubKeys().size(), 1u);
  key.SetValue("VALUE", REG_SZ, "2");
  ASSERT_EQ(key.Values().size(), 1u);
  EXPECT_EQ(key.Values()[0].name, "Value");
  EXPECT_EQ(key.Values()[0].data, "2");
  EXPECT_TRUE(key.RemoveValue("vAlUe"));
  EXPECT_FALSE(key.RemoveValue("value"));
  EXPECT_EQ(hive.Find({"Software", "Ежик"}), nullptr);  // Е and Ё are different letters
}

}  // namespace
}  // namespace platform
