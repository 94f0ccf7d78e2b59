#include "platform/process_identity.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

TEST(ProcessIdentity, AProcessIsKnownByItsIdAndStartUntilItEnds) {
  const std::string own = ProcessStartMark(::getpid());
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(ProcessStartMark(::getpid()), own);
  EXPECT_TRUE(ProcessStillRuns(::getpid(), own));
  // The same id with another start is another process: the recorded one is
  // gone (an id reused after a restart).
  EXPECT_FALSE(ProcessStillRuns(::getpid(), own + "0"));

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(0);
  ASSERT_EQ(waitpid(child, nullptr, 0), child);
  EXPECT_FALSE(ProcessExists(child));
  EXPECT_EQ(ProcessStartMark(child), "");
  EXPECT_FALSE(ProcessStillRuns(child, ""));
  EXPECT_FALSE(ProcessExists(0));
  EXPECT_FALSE(ProcessExists(-1));
}

}  // namespace
}  // namespace platform
