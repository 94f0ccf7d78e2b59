#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "classlib/guid.h"

namespace classlib {
namespace {

const char kText[] = "{6F9619FF-8B86-D011-B42D-00C04FC964FF}";

TEST(Guid, ParsesTheBracedForm) {
  const TGUID g = StringToGUID(kText);
  EXPECT_EQ(g.D1, 0x6F9619FFu);
  EXPECT_EQ(g.D2, 0x8B86);
  EXPECT_EQ(g.D3, 0xD011);
  const uint8_t d4[8] = {0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(g.D4[i], d4[i]) << i;
  EXPECT_EQ(GUIDToString(g), kText);
  EXPECT_EQ(StringToGUID("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"), g);
  EXPECT_EQ(GUIDToString(TGUID()), "{00000000-0000-0000-0000-000000000000}");
}

TEST(Guid, MalformedTextRaises) {
  for (const char* bad : {"", "6F9619FF-8B86-D011-B42D-00C04FC964FF",
                          "{6F9619FF-8B86-D011-B42D-00C04FC964F}",
                          "{6F9619FF-8B86-D011-B42D-00C04FC964FF0}",
                          "{6F9619FF8-B86-D011-B42D-00C04FC964FF}",
                          "{6F9619FF-8B86-D011-B42D-00C04FC964FG}",
                          "(6F9619FF-8B86-D011-B42D-00C04FC964FF)",
                          "{6F9619FF-8B86-D011-B42D-00C04FC964F }",
                          "{+F9619FF-8B86-D011-B42D-00C04FC964FF}"}) {
    TGUID g;
    EXPECT_FALSE(TryStringToGUID(bad, g)) << bad;
  }
  try {
    StringToGUID("{nonsense}");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'{nonsense}' is not a valid GUID value");
  }
}

TEST(Guid, CreatedGuidsAreRandomVersionFour) {
  const TGUID a = CreateGUID();
  const TGUID b = CreateGUID();
  EXPECT_FALSE(a == b);
  for (const TGUID& g : {a, b}) {
    EXPECT_EQ(g.D3 >> 12, 4);
    EXPECT_EQ(g.D4[0] >> 6, 2);
    EXPECT_EQ(StringToGUID(GUIDToString(g)), g);
  }
}

}  // namespace
}  // namespace classlib
