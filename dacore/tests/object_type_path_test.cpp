// Attribute paths into nested objects and arrays.
#include <gtest/gtest.h>

#include "object_types_fixture.h"
#include "testing/message_of.h"

namespace dacore {
namespace {

class AttributePathTest : public ::testing::Test {
 protected:
  testing::PersonTypes types;
  TAttribute* Attr(TObjectType* type, int i) { return type->GetAttributes(i); }
};

TEST_F(AttributePathTest, WalksNestedObjectsIgnoringCase) {
  EXPECT_EQ(types.person->FindAttribute("ADDR.STREET"), Attr(types.address, 0));
  EXPECT_EQ(types.person->FindAttribute("addr.street"), Attr(types.address, 0));
  EXPECT_EQ(types.person->FindAttribute("  Addr.City "), Attr(types.address, 1));
  EXPECT_EQ(types.person->FindAttribute("name"), Attr(types.person, 0));
  EXPECT_EQ(types.person->FindAttribute("ADDR"), Attr(types.person, 1));
}

TEST_F(AttributePathTest, AnArrayIndexNamesTheElementWhateverItsValue) {
  EXPECT_EQ(types.person->FindAttribute("ITEMS[5].NAME"), Attr(types.item, 0));
  EXPECT_EQ(types.person->FindAttribute("items[0].qty"), Attr(types.item, 1));
  EXPECT_EQ(types.person->FindAttribute("ITEMS[2]"), Attr(types.item_list, 0));
  EXPECT_EQ(types.item_list->FindAttribute("[3].NAME"), Attr(types.item, 0));
  EXPECT_EQ(types.item_list->FindAttribute("[3]"), Attr(types.item_list, 0));
}

TEST_F(AttributePathTest, PathsThatLeadNowhereFindNothing) {
  EXPECT_EQ(types.person->FindAttribute("NAME.X"), nullptr);  // through a scalar
  EXPECT_EQ(types.person->FindAttribute("NAME[1]"), nullptr);
  EXPECT_EQ(types.person->FindAttribute("ADDR.ZIP"), nullptr);
  EXPECT_EQ(types.person->FindAttribute("ITEMS[5"), nullptr);
  EXPECT_EQ(types.person->FindAttribute("ITEMS[5]NAME"), nullptr);
  EXPECT_EQ(types.person->FindAttribute("ADDR."), nullptr);
  EXPECT_EQ(types.person->FindAttribute(""), nullptr);
  EXPECT_EQ(classlib::testing::MessageOf<classlib::EDatabaseError>(
                [&] { types.person->AttributeByName("ADDR.ZIP"); }),
            "Attribute ADDR.ZIP not found");
}

}  // namespace
}  // namespace dacore
