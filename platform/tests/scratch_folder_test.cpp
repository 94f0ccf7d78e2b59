// The scratch folder every test works in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "testing/scratch_folder.h"

namespace platform::scratch {
namespace {

// A folder that cannot be made is an error, not an empty path: a test's
// files, named on it, would land at the root of the file system.
TEST(ScratchFolderTest, AFolderThatCannotBeMadeIsAnError) {
  ScopedEnv nowhere("TMPDIR", "/proc");
  EXPECT_THROW(ScratchFolder(), std::runtime_error);
}

TEST(ScratchFolderTest, TheFolderGoesWithItsFilesAtTheEnd) {
  std::string path;
  {
    ScratchFolder folder;
    path = folder.Path();
    std::ofstream(folder.File("a.txt")) << "x";
    EXPECT_TRUE(std::filesystem::is_regular_file(path + "/a.txt"));
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace platform::scratch
