#include "app/command_line_split.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLine, TheProgramNameKnowsOnlyQuotes) {
  EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\Lx\" a)"), (Args{R"(C:\Program Files\Lx\)", "a"}));
  EXPECT_EQ(SplitCommandLine(R"(C:\a\b.exe x)"), (Args{R"(C:\a\b.exe)", "x"}));
  EXPECT_EQ(SplitCommandLine(R"("unclosed name)"), (Args{"unclosed name"}));
  EXPECT_EQ(SplitCommandLine("   "), Args{});
  EXPECT_EQ(SplitCommandLine(""), Args{});
}

TEST(SplitCommandLine, BlanksAndTabsSeparateOutsideQuotes) {
  EXPECT_EQ(SplitCommandLine("p  a\tb   c  "), (Args{"p", "a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine(R"(p "a b" c"d e"f)"), (Args{"p", "a b", "cd ef"}));
  EXPECT_EQ(SplitCommandLine(R"(p "" x)"), (Args{"p", "", "x"}));
  EXPECT_EQ(SplitCommandLine(R"(p LOGIN="Ivan Ivanov" GROUP="")"),
            (Args{"p", "LOGIN=Ivan Ivanov", "GROUP="}));
}

TEST(SplitCommandLine, BackslashesCountOnlyBeforeAQuote) {
  EXPECT_EQ(SplitCommandLine(R"(p a\\\b d"e f"g h)"), (Args{"p", R"(a\\\b)", "de fg", "h"}));
  EXPECT_EQ(SplitCommandLine(R"(p a\\\"b c d)"), (Args{"p", R"(a\"b)", "c", "d"}));
  EXPECT_EQ(SplitCommandLine(R"(p a\\\\"b c" d e)"), (Args{"p", R"(a\\b c)", "d", "e"}));
  EXPECT_EQ(SplitCommandLine(R"(p "C:\dir\\" x)"), (Args{"p", R"(C:\dir\)", "x"}));
  // One backslash before the closing quote escapes it: the rest stays quoted.
  EXPECT_EQ(SplitCommandLine(R"(p "C:\dir\" x)"), (Args{"p", R"(C:\dir" x)"}));
  EXPECT_EQ(SplitCommandLine(R"(p trailing\\)"), (Args{"p", R"(trailing\\)"}));
}

TEST(SplitCommandLine, TwoQuotesInsideAQuotedPartGiveOneQuote) {
  EXPECT_EQ(SplitCommandLine(R"(p a"b"" c d)"), (Args{"p", R"(ab" c d)"}));
  EXPECT_EQ(SplitCommandLine(R"(p "say ""hi""" x)"), (Args{"p", R"(say "hi")", "x"}));
}

}  // namespace
}  // namespace app
