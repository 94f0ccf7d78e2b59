// The runtime folder is made when missing and refused when another user
// owns it or could write to it; the single-instance lock lives there too.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "classlib/exceptions.h"
#include "platform/runtime_dir.h"
#include "platform/single_instance.h"
#include "testing/scratch_folder.h"

namespace platform {
namespace {

class RuntimeDirTest : public ::testing::Test {
 protected:
  // The message RuntimeDir raises for `dir`, empty when it accepts it.
  static std::string Refusal(const std::string& dir) {
    scratch::ScopedEnv runtime("UPDATER_RUNTIME_DIR", dir);
    try {
      RuntimeDir();
    } catch (const classlib::EOSError& e) {
      return e.Message();
    }
    return {};
  }
  static unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }

  scratch::ScratchFolder folder_;
};

TEST_F(RuntimeDirTest, AMissingFolderIsMadeForThisUserOnly) {
  const std::string dir = folder_.Path() + "/runtime";
  scratch::ScopedEnv runtime("UPDATER_RUNTIME_DIR", dir + "/");
  EXPECT_EQ(RuntimeDir(), dir);
  EXPECT_EQ(ModeOf(dir), 0700u);
  EXPECT_EQ(RuntimeDir(), dir);  // and accepted once it exists

  // A folder that cannot be made names the real reason.
  EXPECT_NE(Refusal(folder_.Path() + "/no/such/parent").find("No such file or directory"),
            std::string::npos);
}

TEST_F(RuntimeDirTest, FoldersOthersMayWriteOrOwnAreRefused) {
  const std::string dir = folder_.Path();
  for (mode_t mode : {0777, 0770, 0702, 01777}) {
    ASSERT_EQ(::chmod(dir.c_str(), mode), 0);
    EXPECT_NE(Refusal(dir).find("may be written by other users"), std::string::npos) << mode;
  }
  ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
  EXPECT_EQ(Refusal(dir), "");  // others may read, as in a home folder

  const std::string file = dir + "/plain-file";
  std::ofstream(file) << "x";
  EXPECT_NE(Refusal(file).find("is not a folder"), std::string::npos);

  // A folder of another user: as root the test makes one, otherwise "/" is
  // one (it belongs to root).
  std::string foreign = "/";
  if (::geteuid() == 0) {
    foreign = dir + "/foreign";
    ASSERT_EQ(::mkdir(foreign.c_str(), 0700), 0);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
  }
  EXPECT_NE(Refusal(foreign).find("not to this user"), std::string::npos);
}

TEST_F(RuntimeDirTest, TheInstanceLockMakesItsFolderAndReportsARefusedOne) {
  const std::string dir = folder_.Path() + "/runtime";
  {
    scratch::ScopedEnv runtime("UPDATER_RUNTIME_DIR", dir);
    auto lock = SingleInstanceLock::TryAcquire("/some/program");
    ASSERT_NE(lock, nullptr);  // a missing folder is no other copy
    EXPECT_EQ(lock->Path().rfind(dir + "/", 0), 0u);
  }
  ASSERT_EQ(::chmod(dir.c_str(), 0777), 0);
  scratch::ScopedEnv runtime("UPDATER_RUNTIME_DIR", dir);
  EXPECT_THROW(SingleInstanceLock::TryAcquire("/some/program"), classlib::EOSError);
}

}  // namespace
}  // namespace platform
