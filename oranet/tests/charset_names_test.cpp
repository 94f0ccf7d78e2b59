// Character set names: every name of the table is found, whatever its case.
#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "oranet/charset_names.h"

namespace oranet {
namespace {

TEST(CharsetNamesTest, NamesAreFoundWhateverTheirCase) {
  EXPECT_EQ(CharsetIdOf("AL32UTF8"), 873);
  EXPECT_EQ(CharsetIdOf("al32utf8"), 873);
  EXPECT_EQ(CharsetIdOf("Cl8Mswin1251"), 171);
  EXPECT_EQ(CharsetIdOf("  we8iso8859p1 "), 31);
  EXPECT_EQ(CharsetIdOf("DEFAULT"), kCharsetDefault);
}

TEST(CharsetNamesTest, SecondNamesShareTheirIds) {
  EXPECT_EQ(CharsetIdOf("UNICODE_2"), 871);
  EXPECT_EQ(CharsetIdOf("UTF8"), 871);
  EXPECT_EQ(CharsetIdOf("ascii"), CharsetIdOf("US7ASCII"));
  EXPECT_EQ(CharsetIdOf("UNICODE_1"), CharsetIdOf("AL24UTFFSS"));
  EXPECT_EQ(CharsetIdOf("ZHS32GB18030"), CharsetIdOf("ZHS16MSWIN936"));
  // The first and last names of the table, so the search reaches both ends.
  EXPECT_EQ(CharsetIdOf("AL16UTF16LE"), 2002);
  EXPECT_EQ(CharsetIdOf("ZHT32TRISFIXED"), 1863);
  EXPECT_EQ(CharsetNameCount(), 224);
}

TEST(CharsetNamesTest, AnUnknownNameIsRefused) {
  int id = 42;
  EXPECT_FALSE(FindCharsetId("UTF9", id));
  EXPECT_FALSE(FindCharsetId("", id));
  EXPECT_EQ(id, 42);
  try {
    CharsetIdOf("KLINGON8");
    ADD_FAILURE() << "no error";
  } catch (const classlib::Exception& e) {
    EXPECT_EQ(e.Message(), "Unknown charset");
  }
}

}  // namespace
}  // namespace oranet
