// Every test of this program runs with one application object on the
// offscreen window system, so windows can be driven without a screen, and
// with a command line that holds the check-error switch among other words.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/environment.h"

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static const char* const command_line[] = {"app_tests", "-first", "logCheckError", "last"};
    platform::SetCommandLine(4, command_line);
    static int argc = 1;
    static char name[] = "app_tests";
    static char* argv[] = {name, nullptr};
    application_ = new QApplication(argc, argv);
    platform::UseUtf8CharacterType();  // as the program does
  }
  void TearDown() override {
    delete application_;
    application_ = nullptr;
  }

 private:
  QApplication* application_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
