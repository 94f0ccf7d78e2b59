// The placeholders ExecSQL binds: found where the server would look for
// them, never inside literals, quoted names, comments or assignments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "oracle/session_bind_names.h"

namespace oracle {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(BindNames, InOrderOfFirstUseAndOnceEach) {
  EXPECT_THAT(BindNamesOf("update t set a = :A, b = :b where c = :a or d=:1"), ElementsAre(":A", ":b", ":1"));
  EXPECT_THAT(BindNamesOf("begin :Result := f(:date, :\"Odd Name\"); end;"),
              ElementsAre(":Result", ":date", ":\"Odd Name\""));
}

TEST(BindNames, TextsThatOnlyLookLikePlaceholders) {
  EXPECT_THAT(BindNamesOf("select to_char(d, 'HH24:MI'), \"a:b\" from t -- :c\n/* :d */ where x := 1"),
              IsEmpty());
  EXPECT_THAT(BindNamesOf("begin x:=1; y := : z; end;"), IsEmpty()) << "a colon must touch its name";
  EXPECT_THAT(BindNamesOf("create procedure p wrapped\na000000\n:x\n/\nselect :y from dual"), ElementsAre(":y"));
}

}  // namespace
}  // namespace oracle
