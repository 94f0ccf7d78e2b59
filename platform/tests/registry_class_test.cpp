#include <gtest/gtest.h>

#include "classlib/codepage.h"
#include "platform/registry.h"
#include "testing/scratch_folder.h"

namespace platform {
namespace {

using TRegistryTest = scratch::ScratchRegistryTest;

void ExpectRegistryError(const std::function<void()>& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no error, expected: " << message;
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

TEST_F(TRegistryTest, TypedValuesRoundTrip) {
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Test", true));
    reg.WriteString("Text", classlib::Utf8ToCp1251("Текст"));
    reg.WriteExpandString("Path", "%TEMP%\\x");
    reg.WriteInteger("Int", -5);
    reg.WriteBool("Flag", true);
    reg.WriteFloat("Float", 2.5);
    reg.WriteDateTime("When", 45000.75);
    reg.WriteCurrency("Money", classlib::Currency::FromScaled(-123456789));
    const unsigned char bytes[] = {0, 1, 2, 255};
    reg.WriteBinaryData("Bytes", bytes, sizeof bytes);
  }
  TRegistry reg(KEY_READ);
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey("Software\\TEST", false));
  EXPECT_EQ(reg.ReadString("text"), classlib::Utf8ToCp1251("Текст"));
  EXPECT_EQ(reg.ReadExpandString("Path"), "%TEMP%\\x");
  EXPECT_EQ(reg.GetDataType("Path"), TRegDataType::rdExpandString);
  EXPECT_EQ(reg.ReadInteger("Int"), -5);
  EXPECT_TRUE(reg.ReadBool("Flag"));
  EXPECT_EQ(reg.ReadFloat("Float"), 2.5);
  EXPECT_EQ(reg.ReadDateTime("When"), 45000.75);
  EXPECT_EQ(reg.ReadCurrency("Money").value, -123456789);
  EXPECT_EQ(reg.GetDataType("Money"), TRegDataType::rdBinary);
  EXPECT_EQ(reg.GetDataSize("Money"), 8);
  unsigned char back[8] = {};
  EXPECT_EQ(reg.ReadBinaryData("Bytes", back, sizeof back), 4);
  EXPECT_EQ(back[3], 255);
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_EQ(reg.ReadBinaryData("Missing", back, sizeof back), 0);
  EXPECT_EQ(reg.GetDataSize("Missing"), -1);

  std::vector<std::string> names;
  reg.GetValueNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"Text", "Path", "Int", "Flag", "Float", "When",
                                             "Money", "Bytes"}));
  classlib::TStringList list;
  list.Add("stale");
  reg.GetValueNames(list);
  EXPECT_EQ(list.Count(), 8);
  EXPECT_EQ(list.Strings(7), "Bytes");
}

TEST_F(TRegistryTest, WrongTypesAndMissingValuesRaiseThePlatformMessages) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Errors", true));
  reg.WriteString("Text", "12");
  reg.WriteInteger("Int", 12);
  reg.WriteBinaryData("Six", "abcdef", 6);
  ExpectRegistryError([&] { reg.ReadInteger("Text"); }, "Invalid data type for 'Text'");
  ExpectRegistryError([&] { reg.ReadString("Int"); }, "Invalid data type for 'Int'");
  ExpectRegistryError([&] { reg.ReadInteger("None"); }, "Failed to get data for 'None'");
  ExpectRegistryError([&] { reg.ReadFloat("Six"); }, "Invalid data type for 'Six'");
  ExpectRegistryError([&] { reg.ReadFloat("Int"); }, "Invalid data type for 'Int'");
  char small[4];
  ExpectRegistryError([&] { reg.ReadBinaryData("Six", small, sizeof small); },
                      "Invalid data type for 'Six'");

  TRegistry reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly("Software\\Errors"));
  ExpectRegistryError([&] { reader.WriteInteger("Int", 1); }, "Failed to set data for 'Int'");
  EXPECT_EQ(reader.ReadInteger("Int"), 12);
}

TEST_F(TRegistryTest, RelativeAndAbsolutePaths) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software", true));
  EXPECT_EQ(reg.CurrentPath(), "Software");
  ASSERT_TRUE(reg.OpenKey("Maker\\Product", true));  // below the current key
  EXPECT_EQ(reg.CurrentPath(), "Software\\Maker\\Product");
  EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\maker"));
  EXPECT_FALSE(reg.KeyExists("Maker"));  // would be Software\Maker\Product\Maker
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  EXPECT_EQ(reg.CurrentPath(), "Software");
  EXPECT_FALSE(reg.OpenKey("Absent", false));
  EXPECT_EQ(reg.CurrentPath(), "Software");  // a failed open keeps the current key

  EXPECT_TRUE(reg.CreateKey("Maker\\Other\\Deep"));
  std::vector<std::string> names;
  ASSERT_TRUE(reg.OpenKey("Maker", false));
  EXPECT_TRUE(reg.HasSubKeys());
  reg.GetKeyNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"Other", "Product"}));

  // The class deletes a whole tree, unlike the bare API call.
  ASSERT_TRUE(reg.DeleteKey("\\Software\\Maker\\Other"));
  reg.GetKeyNames(names);
  EXPECT_EQ(names, std::vector<std::string>{"Product"});
  EXPECT_FALSE(reg.DeleteKey("\\Software\\Maker\\Other"));
  reg.CloseKey();
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_FALSE(reg.ValueExists("x"));  // no key open
}

}  // namespace
}  // namespace platform
