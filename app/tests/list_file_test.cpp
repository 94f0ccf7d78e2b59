#include "app/list_file.h"

#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "testing/scratch_folder.h"

namespace app {
namespace {

using platform::scratch::ReadWholeFile;

class ListFile : public ::testing::Test {
 protected:
  std::string Written(const std::string& list_text) {
    EXPECT_TRUE(WriteListFile(path_, list_text));
    return ReadWholeFile(path_);
  }
  platform::scratch::ScratchFolder folder_;
  std::string path_ = folder_.Path() + "/list.ini";
};

TEST_F(ListFile, EachPartBetweenSemicolonsIsOneLine) {
  EXPECT_EQ(Written("a;b;c"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(Written("a;b;"), "a\r\nb\r\n");
  EXPECT_EQ(Written("a;;b"), "a\r\n\r\nb\r\n");
  EXPECT_EQ(Written(";"), "\r\n");
}

TEST_F(ListFile, TheTextIsTrimmedAndTheFileReplaced) {
  EXPECT_EQ(Written("\t first line; second line;third;fourth\r\n"),
            "first line\r\n second line\r\nthird\r\nfourth\r\n");
  EXPECT_EQ(Written("  "), "");
  EXPECT_EQ(Written("\xC0\xE1;x"), "\xC0\xE1\r\nx\r\n");
}

TEST_F(ListFile, AFileThatCannotBeCreatedRaisesAnInOutError) {
  EXPECT_THROW(WriteListFile(folder_.Path() + "\\missing\\list.ini", "a"), classlib::EInOutError);
  EXPECT_THROW(WriteListFile(folder_.Path(), "a"), classlib::EInOutError);
}

}  // namespace
}  // namespace app
