// The stored-procedure names of both queries merged into one ordered list.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "oracle/session_object_lists.h"

namespace oracle {
namespace {

using ::testing::ElementsAre;

TEST(ObjectLists, MergeKeepsOrderAndDrainsBothLists) {
  EXPECT_THAT(MergeSortedNames({"scott.a", "scott.d"}, {"scott.b", "scott.pkg.c", "scott.pkg.e", "scott.z (INVALID)"}),
              ElementsAre("scott.a", "scott.b", "scott.d", "scott.pkg.c", "scott.pkg.e", "scott.z (INVALID)"))
      << "the packaged names after the last stand-alone one stay in the list";
  EXPECT_THAT(MergeSortedNames({"scott.b", "scott.c"}, {"scott.a"}), ElementsAre("scott.a", "scott.b", "scott.c"));
  EXPECT_THAT(MergeSortedNames({}, {"scott.pkg.p"}), ElementsAre("scott.pkg.p"));
  EXPECT_THAT(MergeSortedNames({"scott.B", "scott.a"}, {"scott.a"}), ElementsAre("scott.B", "scott.a", "scott.a"))
      << "byte order, as the lists come sorted";
}

}  // namespace
}  // namespace oracle
