// Starting programs by command line: the split arguments, the working
// folder, the wait and the failures a start can meet.
#include "app/run_process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

#include "app/tests/aux_programs_test_support.h"
#include "testing/scratch_folder.h"

namespace app {
namespace {

using platform::scratch::ReadWholeFile;
using testing::Ansi;

class RunProcess : public testing::ChildProgramTest {};

TEST_F(RunProcess, ArgumentsAreSplitLikeACommandLineAndTheProgramRunsInItsFolder) {
  const std::string program = testing::FakeReleaseDir() + "Bin\\Pontarex.exe";
  ASSERT_TRUE(RunProcessAndWait(view_, program, Ansi(R"(/a "b c" d\"e "Привет, мир")")));
  const std::vector<testing::ProgramRun> runs = Runs();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].args, (std::vector<std::string>{"/a", "b c", "d\"e", "Привет, мир"}));
  EXPECT_EQ(std::filesystem::canonical(runs[0].cwd),
            std::filesystem::canonical(testing::FakeReleaseDir() + "Bin"));
  EXPECT_TRUE(view_.details.empty());
}

TEST_F(RunProcess, AProgramWithoutFolderIsLookedUpAndRunsInTheCurrentFolder) {
  const std::string out = folder_.Path() + "/pwd.txt";
  ASSERT_TRUE(RunProcessAndWait(view_, "sh", "-c \"pwd > '" + out + "'\""));
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(ReadWholeFile(out), std::string(cwd) + "\n");
}

TEST_F(RunProcess, TheWaitLetsTheWindowProcessMessagesEveryStep) {
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunProcessAndWait(view_, "sh", "-c \"sleep 1.2\""));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(1200));
  EXPECT_LT(waited, std::chrono::seconds(10));
  // Steps of 500 ms: two of them (three on a slow start) time out before
  // the program ends.
  EXPECT_GE(view_.messages_processed, 2);
  EXPECT_LE(view_.messages_processed, 3);
}

TEST_F(RunProcess, AProgramThatCannotStartIsLoggedWithTheSystemsMessage) {
  const std::string missing = folder_.Path() + "\\Bin\\Nothing.exe";
  view_.status = Ansi("обновление настроек");
  EXPECT_FALSE(RunProcessAndWait(view_, missing, "/x 1"));
  ASSERT_EQ(view_.details.size(), 7u);
  EXPECT_EQ(view_.details[1], Ansi("Операция:обновление настроек"));
  EXPECT_EQ(view_.details[2], Ansi("Источник:") + missing + " /x 1");
  EXPECT_EQ(view_.details[4], "The system cannot find the file specified.");

  // A file that is no program: refused by the system, logged the same way.
  const std::string text_file = folder_.Path() + "/plain.txt";
  platform::scratch::WriteWholeFile(text_file, "text");
  view_.details.clear();
  EXPECT_FALSE(RunProcessAndWait(view_, text_file, ""));
  ASSERT_EQ(view_.details.size(), 7u);
  EXPECT_EQ(view_.details[4], "Access is denied.");
}

TEST(ChildProcess, StartFailuresGiveTheErrorAndWaitsTimeOutUntilTheEnd) {
  int error = 0;
  EXPECT_EQ(TChildProcess::Start("/no/such/program", {"x"}, "", error), nullptr);
  EXPECT_EQ(error, ENOENT);

  auto child = TChildProcess::Start("/bin/sh", {"sh", "-c", "sleep 0.4"}, "", error);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->Wait(std::chrono::milliseconds(50)), TChildProcess::TWaitOutcome::TimedOut);
  EXPECT_EQ(child->Wait(std::chrono::seconds(10)), TChildProcess::TWaitOutcome::Exited);
  EXPECT_EQ(child->Wait(std::chrono::milliseconds(0)), TChildProcess::TWaitOutcome::Exited);
}

}  // namespace
}  // namespace app
