// What the details list and the saved log keep from others: no password in
// clear, and a new log file readable by its owner only.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/details_log.h"
#include "app/run_state.h"
#include "app/tests/fake_progress_view.h"
#include "classlib/datetime.h"
#include "testing/scratch_folder.h"

namespace app {
namespace {

class DetailsLogPrivacy : public ::testing::Test {
 protected:
  void SetUp() override { ResetRunState(); }
  void TearDown() override { ResetRunState(); }

  static bool Mentions(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
  static unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
  }

  testing::FakeProgressView view_;
  platform::scratch::ScratchFolder folder_;
};

TEST_F(DetailsLogPrivacy, EveryPartOfABlockHidesPasswords) {
  LoginPassword = "user-secret";
  SqlPassword = "sql-secret";
  view_.status = "import PASSWORD=\"user-secret\"";
  AddDetailsLog(view_,
                "/lx/Utils/ImportFromXML.exe LOGIN=\"admin\" PASSWORD=\"whatever it is\" "
                "GROUP=\"Admins\"",
                "login failed for USER-SECRET\r\nwith sql-secret",
                "INSERT INTO T VALUES ('sql-secret', 'Password=pw9;User ID=sa')");
  for (const char* secret : {"user-secret", "USER-SECRET", "sql-secret", "whatever", "pw9"})
    EXPECT_FALSE(Mentions(view_.details, secret)) << secret;
  EXPECT_TRUE(Mentions(view_.details, "PASSWORD=\"***\" GROUP=\"Admins\""));
  EXPECT_TRUE(Mentions(view_.details, "INSERT INTO T VALUES ('***', 'Password=***;User ID=sa')"));
}

TEST_F(DetailsLogPrivacy, ANewLogIsTheOwnersOnlyAndAnOldOneKeepsItsMode) {
  const std::string path = folder_.Path() + "/update.log";
  ::umask(022);
  SaveDetailsLog({"first"}, path, classlib::Now());
  EXPECT_EQ(ModeOf(path), 0600u);

  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  SaveDetailsLog({"second"}, path, classlib::Now());
  EXPECT_EQ(ModeOf(path), 0640u);
}

}  // namespace
}  // namespace app
